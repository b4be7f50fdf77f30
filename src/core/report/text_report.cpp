#include "core/report/text_report.h"

#include "core/stats/number_format.h"

#include <array>

namespace robustez {

namespace {

// A line that holds exactly one space.
constexpr std::string_view kBlank = " ";

constexpr std::string_view kTitle = "ROBUSTEZ (TOLERANCIA A CONDICIONES DE OPERACIÓN)";
constexpr std::string_view kDataHeading =
    "MUESTRA       NORMAL               BAJA                ALTA";
constexpr std::string_view kStatisticsHeading =
    "MUESTRA   MEDIA ARITMÉTICA     DESVIACIÓN ESTANDAR      COEFICIENTE DE VARIACIÓN";
constexpr std::string_view kDunnettHeading =
    "CONDICIONES DE OPERACIÓN      t DE DUNNETT CALCULADA      INTERPRETACIÓN";

// The general information: a label followed by the field's text.
struct InfoLine {
    std::string_view label;
    std::string StudyRecord::*field;
};
constexpr std::array<InfoLine, 5> kInfoLines = {{
    {"Nombre del método ", &StudyRecord::methodName},
    {"Nombre del Analista ", &StudyRecord::analystName},
    {"Fecha: ", &StudyRecord::dateText},
    {"Número de Muestras (Replicaciones): ", &StudyRecord::replicateCountText},
    {"Condiciones de Operación: ", &StudyRecord::conditionName},
}};

// The fixed runs of spaces between the four cells of a grid row: the
// settings row and the sample rows have runs of their own.
constexpr std::array<int, 3> kSettingsGaps = {14, 25, 19};
constexpr std::array<int, 3> kSampleGaps = {23, 20, 18};

// The statistics lines: a literal label padded to a width, the mean, the
// standard deviation and the coefficient of variation, with fixed runs of
// spaces between them.
struct StatisticsLine {
    std::string_view label;
    int labelWidth;
    int gapAfterSd;
    double RobustnessResults::*sd;
    double RobustnessResults::*cv;
    int meanLevel; // 0 for the grand mean
};
constexpr int kGapAfterMean = 22;
constexpr std::array<StatisticsLine, 4> kStatisticsLines = {{
    {"Normal", 19, 36, &RobustnessResults::sdNormal, &RobustnessResults::cvNormal, kLevelNormal},
    {"Baja", 21, 38, &RobustnessResults::sdBaja, &RobustnessResults::cvBaja, kLevelBaja},
    {"Alta", 23, 38, &RobustnessResults::sdAlta, &RobustnessResults::cvAlta, kLevelAlta},
    {"Total", 22, 38, &RobustnessResults::sdTotal, &RobustnessResults::cvTotal, 0},
}};

constexpr std::string_view kControlLabel = "Normal";
constexpr int kControlLabelWidth = 16;
constexpr std::array<int, 3> kDunnettGaps = {15, 26, 37};

constexpr std::string_view kDifferenceLabel[] = {"Diferencia Absoluta D1 = ",
                                                 "Diferencia Absoluta D2 = "};

std::string spaces(int count) {
    return std::string(static_cast<std::size_t>(count), ' ');
}

std::string padded(std::string_view label, int width) {
    std::string text(label);
    if (static_cast<int>(text.size()) < width) {
        text += spaces(width - static_cast<int>(text.size()));
    }
    return text;
}

// The three level cells of grid row `row` after a leading text, joined by
// the given runs of spaces.
std::string gridRow(const StudyGrid& grid, std::string_view lead, int row,
                    const std::array<int, 3>& gaps) {
    std::string line(lead);
    for (int column = 1; column < StudyGrid::kColumnCount; ++column) {
        line += spaces(gaps[column - 1]);
        line += grid.cell(column, row);
    }
    return line;
}

} // namespace

void composeTextReport(const StudyRecord& study, std::string_view decimalSeparator,
                       RobustnessResults& results, std::vector<std::string>& lines) {
    const auto number = [decimalSeparator](double value) {
        return formatResult(value, decimalSeparator);
    };
    const StudyGrid& grid = study.grid;

    lines.emplace_back(kTitle);
    lines.emplace_back(kBlank);
    for (const InfoLine& info : kInfoLines) {
        lines.push_back(std::string(info.label) + study.*info.field);
    }
    lines.emplace_back(kBlank);
    lines.emplace_back(kDataHeading);
    // The settings row starts with the grid's top-left header cell.
    lines.push_back(gridRow(grid, grid.cell(0, 0), 1, kSettingsGaps));
    for (int row = 2; row < grid.rowCount(); ++row) {
        lines.push_back(gridRow(grid, grid.cell(0, row), row, kSampleGaps));
    }

    // A failure here leaves the general information and the data lines with
    // the caller.
    computeRobustness(study, decimalSeparator, results);

    lines.emplace_back(kBlank);
    lines.emplace_back(kStatisticsHeading);
    for (const StatisticsLine& stat : kStatisticsLines) {
        const double mean = stat.meanLevel == 0 ? results.grandMean : results.mean[stat.meanLevel];
        lines.push_back(padded(stat.label, stat.labelWidth) + number(mean) + spaces(kGapAfterMean) +
                        number(results.*stat.sd) + spaces(stat.gapAfterSd) +
                        number(results.*stat.cv));
    }
    lines.emplace_back(kBlank);
    lines.emplace_back(kBlank);
    lines.emplace_back(kDunnettHeading);
    lines.push_back(padded(kControlLabel, kControlLabelWidth) + study.levelSetting(kLevelNormal));
    for (const int level : {kLevelBaja, kLevelAlta}) {
        const double t = results.tValue[level];
        lines.push_back(study.levelName(level) + spaces(kDunnettGaps[0]) +
                        study.levelSetting(level) + spaces(kDunnettGaps[1]) + number(t) +
                        spaces(kDunnettGaps[2]) +
                        std::string(toleranceVerdict(t, results.criticalT)));
    }
    lines.emplace_back(kBlank);
    lines.emplace_back(kBlank);
    lines.push_back(std::string(kDifferenceLabel[0]) + number(results.absDiff[kLevelBaja]));
    lines.push_back(std::string(kDifferenceLabel[1]) + number(results.absDiff[kLevelAlta]));
}

} // namespace robustez
