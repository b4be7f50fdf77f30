#include "core/stats/results_tables.h"

#include "core/stats/number_format.h"

namespace robustez {

namespace {

struct FixedText {
    int row;
    int column;
    std::string_view text;
};

// Headings of the upper grid; the two-row headings are split over rows 0 and 1.
constexpr FixedText kUpperHeadings[] = {
    {0, 1, "MEDIA ARITMÉTICA"}, {0, 2, "  DESVIACIÓN"}, {0, 3, " COEFICIENTE "},
    {0, 4, " DIFERENCIA "},     {1, 0, "MUESTRA"},      {1, 2, "   ESTÁNDAR"},
    {1, 3, " DE VARIACIÓN"},    {1, 4, " ABSOLUTA"},    {5, 0, "Total"},
};

// Headings of the lower grid; row 0 reads across columns 0 and 1 as one heading.
constexpr FixedText kLowerHeadings[] = {
    {0, 0, "       CONDICIONES      DE"},
    {0, 1, "    OPERACIÓN"},
    {0, 2, "  t DE DUNET CALCULADA "},
    {0, 3, "         INTERPRETACIÓN"},
    {1, 0, "MUESTRA"},
};

template <typename Table> void writeFixed(Table& table, const auto& headings) {
    for (const FixedText& heading : headings) {
        table[static_cast<size_t>(heading.row)][static_cast<size_t>(heading.column)] =
            std::string(heading.text);
    }
}

} // namespace

ResultsTables composeResultsTables(const RobustnessResults& results, const StudyRecord& study,
                                   std::string_view decimalSeparator) {
    const auto number = [&](double value) { return formatResult(value, decimalSeparator); };
    ResultsTables tables;

    writeFixed(tables.lower, kLowerHeadings);
    tables.lower[1][1] = study.conditionName;
    for (int level = 1; level <= kLevelCount; ++level) {
        auto& row = tables.lower[static_cast<size_t>(level) + 1];
        row[0] = study.levelName(level);
        row[1] = study.levelSetting(level);
        if (level >= kLevelBaja) {
            const double t = results.tValue[static_cast<size_t>(level)];
            row[2] = number(t);
            row[3] = std::string(toleranceVerdict(t, results.criticalT));
        }
    }

    writeFixed(tables.upper, kUpperHeadings);
    for (int level = 1; level <= kLevelCount; ++level) {
        auto& row = tables.upper[static_cast<size_t>(level) + 1];
        row[0] = study.levelName(level);
        row[1] = number(results.mean[static_cast<size_t>(level)]);
        row[2] = number(levelSd(results, level));
        row[3] = number(levelCv(results, level));
    }
    tables.upper[5][1] = number(results.grandMean);
    tables.upper[5][2] = number(results.sdTotal);
    tables.upper[5][3] = number(results.cvTotal);
    tables.upper[2][4] = "|d1|= " + number(results.absDiff[2]);
    tables.upper[3][4] = "|d2|= " + number(results.absDiff[3]);
    return tables;
}

} // namespace robustez
