#include "core/report/page_layouts.h"

#include "core/report/text_fit.h"
#include "core/stats/number_format.h"
#include "core/study/conversions.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>

namespace robustez {
namespace {

// ---------------------------------------------------------------------------
// The pieces a page is made of.

// Where a text stands across the page.
enum class Across { Column, Centred, Right };

struct Place {
    Across across;
    int column = 0; // in column units, for Across::Column
};

constexpr Place at(int column) {
    return {Across::Column, column};
}
constexpr Place kCentred{Across::Centred};
constexpr Place kRight{Across::Right};

// What a text prints after its fixed label.
enum class Source {
    None,
    MethodName,
    AnalystName,
    DateText,
    ReplicateCount,
    ConditionName,
    LevelName,    // grid row 0 of the level's column
    LevelSetting, // grid row 1 of the level's column
    Mean,
    Sd,
    Cv,
    GrandMean,
    SdTotal,
    CvTotal,
    TValue,
    Verdict,
    AbsDiff,
};

// One text of a page: its row in line units, its place across the page, a
// fixed label, what follows it, and the free rows below it that a text too
// long for its column may wrap into.
struct PageText {
    int row;
    Place place;
    std::string_view label;
    Source source = Source::None;
    int level = 0;
    int spareRows = 0;
};

// The study grid printed column by column, rows 0 to n + 1.
struct GridBlock {
    int firstRow;
    int firstColumn; // column unit of grid column 0
    int columnStep;  // column units between two grid columns
};

struct PageSpec {
    std::span<const PageText> body; // drawn before the grid block
    std::optional<GridBlock> grid;
    std::span<const PageText> closing; // footer texts, after the grid block
    int ruleRow;                       // the closing line across the page
    bool closingFollowsCount;          // closing rows are counted from n
};

struct LayoutDescription {
    int designDpi; // the resolution the columns were laid out for
    std::span<const PageText> header;
    int bodyPointSize;
    std::string_view tolerant;
    std::string_view notTolerant;
    PageSpec general;
    PageSpec results;
};

constexpr std::string_view kTypeface = "ARIAL";
constexpr int kHeaderPointSize = 12;
// The column unit is this many dots at the layout's design resolution.
constexpr int kColumnDots = 12;
// The header line lies this many device units below row 8.
constexpr int kHeaderRuleRow = 8;
constexpr int kHeaderRuleOffset = 20;

constexpr std::string_view kRealizo = "Realizó:__________________________ ";
constexpr std::string_view kReviso = "Revisó:__________________________ ";
constexpr std::string_view kProgramMark = "ORMIDA v. w 3.1";

// ---------------------------------------------------------------------------
// Laser layout.

constexpr PageText kLaserHeader[] = {
    {6, kCentred, "Control de Calidad"},
    {7, kCentred, "Robustez del Método"},
};

constexpr PageText kLaserGeneralBody[] = {
    {14, kCentred, "Información General"},
    {16, at(45), "Nombre del método: ", Source::MethodName},
    {17, at(45), "Nombre del Analista: ", Source::AnalystName},
    {18, at(45), "Fecha: ", Source::DateText, 0, 1},
    {20, at(45), "Número de Muestras (Replicaciones):"},
    {21, at(45), "", Source::ReplicateCount},
    {22, at(45), "Condiciones de Operación :"},
    {23, at(45), "", Source::ConditionName, 0, 2},
};

constexpr PageText kLaserClosing[] = {
    {56, at(45), kRealizo},
    {56, at(225), kReviso},
    {58, kRight, kProgramMark},
};

constexpr PageText kLaserResultsBody[] = {
    {14, kCentred, "Lista de Medias Aritméticas, Desviación Estándar,"},
    {15, kCentred, "Coeficiente de Variación y t de Dunnett Calculadas"},
    {20, at(45), "Muestra"},
    {20, at(90), "Media Aritmética"},
    {20, at(155), "Desv. Estándar"},
    {20, at(230), "Coef. de Variación"},
    {21, at(45), "", Source::LevelName, 1},
    {21, at(90), "", Source::Mean, 1},
    {21, at(165), "", Source::Sd, 1},
    {21, at(240), "", Source::Cv, 1},
    {22, at(45), "", Source::LevelName, 2},
    {22, at(90), "", Source::Mean, 2},
    {22, at(165), "", Source::Sd, 2},
    {22, at(240), "", Source::Cv, 2},
    {23, at(45), "", Source::LevelName, 3},
    {23, at(90), "", Source::Mean, 3},
    {23, at(165), "", Source::Sd, 3},
    {23, at(240), "", Source::Cv, 3},
    {25, at(45), "Total"},
    {25, at(90), "", Source::GrandMean},
    {25, at(165), "", Source::SdTotal},
    {25, at(240), "", Source::CvTotal},
    {28, at(45), "Condiciones de Operación"},
    {28, at(145), "t de Dunnett Calculada"},
    {28, at(230), "Interpretación"},
    {29, at(45), "Normal"},
    {29, at(90), "", Source::LevelSetting, 1},
    {30, at(45), "", Source::LevelName, 2},
    {30, at(90), "", Source::LevelSetting, 2},
    {30, at(165), "", Source::TValue, 2},
    {30, at(230), "", Source::Verdict, 2},
    {31, at(45), "", Source::LevelName, 3},
    {31, at(90), "", Source::LevelSetting, 3, 1},
    {31, at(165), "", Source::TValue, 3},
    {31, at(230), "", Source::Verdict, 3},
    {34, at(45), "Diferencia Absoluta"},
    {35, at(48), "D1 = ", Source::AbsDiff, 2},
    {36, at(48), "D2 = ", Source::AbsDiff, 3},
    {45, at(45), "Nombre del método: ", Source::MethodName},
    {46, at(45), "Nombre del Analista: ", Source::AnalystName},
    {47, at(45), "Número de Muestras (Replicaciones): ", Source::ReplicateCount},
    {48, at(45), "Condiciones de Operación :", Source::ConditionName},
    {49, at(45), "Fecha: ", Source::DateText, 0, 2},
};

constexpr LayoutDescription kLaser{
    .designDpi = 600,
    .header = kLaserHeader,
    .bodyPointSize = 10,
    .tolerant = "Tolerante",
    .notTolerant = "No Tolerante",
    .general = {kLaserGeneralBody, GridBlock{27, 45, 55}, kLaserClosing, 59, false},
    .results = {kLaserResultsBody, std::nullopt, kLaserClosing, 59, false},
};

// ---------------------------------------------------------------------------
// DeskJet layout.

constexpr PageText kDeskJetHeader[] = {
    {5, kCentred, "Velmorana"},
    {6, kCentred, "Control de Calidad"},
    {7, kCentred, "ROBUSTEZ DEL MÉTODO"},
};

constexpr PageText kDeskJetGeneralBody[] = {
    {9, kCentred, "TOLERANCIA A CONDICIONES DE OPERACIÓN"},
    {10, kCentred, "INFORMACIÓN GENERAL"},
    {12, at(2), "Nombre del método: ", Source::MethodName},
    {13, at(2), "Nombre del Analista: ", Source::AnalystName},
    {14, at(2), "Fecha: ", Source::DateText, 0, 2},
    {18, at(2), "Número de Muestras (Replicaciones):"},
    {19, at(2), "", Source::ReplicateCount},
};

// Counted from n: the footer stands 4 rows below the grid's last row.
constexpr PageText kDeskJetGeneralClosing[] = {
    {28, kRight, kProgramMark},
};

constexpr PageText kDeskJetResultsBody[] = {
    {9, kCentred, "TOLERANCIA A CONDICIONES DE OPERACIÓN"},
    {11, kCentred, "LISTA DE MEDIAS ARITMÉTICAS, DESVIACIÓN ESTÁNDAR,"},
    {12, kCentred, "COEFICIENTE DE VARIACIÓN Y t DUNNETT CALCULADAS"},
    {16, at(2), "MUESTRA"},
    {16, at(25), "MEDIA ARITMÉTICA"},
    {16, at(65), "DESV. ESTÁNDAR"},
    {16, at(106), "COEF. DE VARIACIÓN"},
    {17, at(2), "", Source::LevelName, 1},
    {17, at(30), "", Source::Mean, 1},
    {17, at(70), "", Source::Sd, 1},
    {17, at(111), "", Source::Cv, 1},
    {18, at(2), "", Source::LevelName, 2},
    {18, at(30), "", Source::Mean, 2},
    {18, at(70), "", Source::Sd, 2},
    {18, at(111), "", Source::Cv, 2},
    {19, at(2), "", Source::LevelName, 3},
    {19, at(30), "", Source::Mean, 3},
    {19, at(70), "", Source::Sd, 3},
    {19, at(111), "", Source::Cv, 3},
    {21, at(2), "Total"},
    {21, at(30), "", Source::GrandMean},
    {21, at(70), "", Source::SdTotal},
    {21, at(111), "", Source::CvTotal},
    {24, at(2), "CONDICIONES DE OPERACIÓN"},
    {24, at(65), "t DE DUNNETT CALCULADA"},
    {24, at(125), "INTERPRETACIÓN"},
    {25, at(2), "Normal"},
    {25, at(25), "", Source::LevelSetting, 1},
    {26, at(2), "", Source::LevelName, 2},
    {26, at(28), "", Source::LevelSetting, 2},
    {26, at(68), "", Source::TValue, 2},
    {26, at(125), "", Source::Verdict, 2},
    {27, at(2), "", Source::LevelName, 3},
    {27, at(28), "", Source::LevelSetting, 3, 1},
    {27, at(68), "", Source::TValue, 3},
    {27, at(125), "", Source::Verdict, 3},
    {30, at(10), "DIFERENCIA ABSOLUTA"},
    {31, at(15), "D1 = ", Source::AbsDiff, 2},
    {32, at(15), "D2 = ", Source::AbsDiff, 3},
    {34, at(2), "Nombre del método: ", Source::MethodName},
    {35, at(2), "Nombre del Analista: ", Source::AnalystName},
    {36, at(2), "Fecha: ", Source::DateText, 0, 2},
};

constexpr PageText kDeskJetResultsClosing[] = {
    {49, kRight, kProgramMark},
};

constexpr LayoutDescription kDeskJet{
    .designDpi = 300,
    .header = kDeskJetHeader,
    .bodyPointSize = 11,
    .tolerant = "TOLERANTE",
    .notTolerant = "NO TOLERANTE",
    .general = {kDeskJetGeneralBody, GridBlock{23, 2, 35}, kDeskJetGeneralClosing, 29, true},
    .results = {kDeskJetResultsBody, std::nullopt, kDeskJetResultsClosing, 50, false},
};

const LayoutDescription& layoutDescription(PrintLayout layout) {
    return layout == PrintLayout::Laser ? kLaser : kDeskJet;
}

// ---------------------------------------------------------------------------
// Drawing.

// The units of one page, taken in its header.
struct PageUnits {
    int lineUnit;  // L: nominal height of the 12-point font in dots
    int dpiX;      // the canvas's horizontal resolution
    int dpiY;      // the canvas's vertical resolution, which sizes its fonts
    int designDpi; // the layout's own resolution
    int width;     // W: printable width in dots
};

// What the texts of one page are read from.
struct PageData {
    const StudyRecord& study;
    const RobustnessResults* results; // null on the general page
    std::string_view decimalSeparator;
    const LayoutDescription& layout;
};

int clampToInt(long long value) {
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

int lineUnitFor(int dpiY) {
    return static_cast<int>(std::lround(12.0 * dpiY / 72.0));
}

int columnX(const PageUnits& units, int column) {
    return clampToInt(static_cast<long long>(column) * kColumnDots * units.dpiX / units.designDpi);
}

int rowY(const PageUnits& units, long long row) {
    return clampToInt(row * units.lineUnit);
}

int placeX(const PageCanvas& canvas, const PageUnits& units, Place place, std::string_view text) {
    switch (place.across) {
    case Across::Centred:
        return (units.width - canvas.textWidth(text)) / 2;
    case Across::Right:
        return units.width - canvas.textWidth(text);
    case Across::Column:
        break;
    }
    return columnX(units, place.column);
}

const RobustnessResults& resultsOf(const PageData& data) {
    if (data.results == nullptr) {
        throw std::logic_error("page text needs results on a page without them");
    }
    return *data.results;
}

std::string number(const PageData& data, double value) {
    return formatResult(value, data.decimalSeparator);
}

std::string sourceText(const PageData& data, Source source, int level) {
    const StudyRecord& study = data.study;
    switch (source) {
    case Source::None:
        return {};
    case Source::MethodName:
        return study.methodName;
    case Source::AnalystName:
        return study.analystName;
    case Source::DateText:
        return study.dateText;
    case Source::ReplicateCount:
        return study.replicateCountText;
    case Source::ConditionName:
        return study.conditionName;
    case Source::LevelName:
        return study.levelName(level);
    case Source::LevelSetting:
        return study.levelSetting(level);
    case Source::Mean:
        return number(data, resultsOf(data).mean[level]);
    case Source::Sd:
        return number(data, levelSd(resultsOf(data), level));
    case Source::Cv:
        return number(data, levelCv(resultsOf(data), level));
    case Source::GrandMean:
        return number(data, resultsOf(data).grandMean);
    case Source::SdTotal:
        return number(data, resultsOf(data).sdTotal);
    case Source::CvTotal:
        return number(data, resultsOf(data).cvTotal);
    case Source::TValue:
        return number(data, resultsOf(data).tValue[level]);
    case Source::Verdict: {
        const RobustnessResults& r = resultsOf(data);
        return std::string(isTolerant(r.tValue[level], r.criticalT) ? data.layout.tolerant
                                                                    : data.layout.notTolerant);
    }
    case Source::AbsDiff:
        return number(data, resultsOf(data).absDiff[level]);
    }
    return {};
}

// A text at x up to `end` (where the next text of its row starts, or the
// page's right edge), at least a space's width clear of it: measured with the
// typeface's advance widths, whatever the canvas's own fonts; on its row,
// and when too long in the spare rows below or cut short.
void drawFitted(PageCanvas& canvas, const PageUnits& units, int pointSize, int x, int end,
                long long row, int spareRows, std::string_view text) {
    const double em = pointSize * static_cast<double>(units.dpiY) / 72.0;
    const double room = end - x - estimatedTextWidth(" ", em);
    const std::vector<std::string> lines = fitTextLines(text, room, spareRows, em);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        canvas.textOut(x, rowY(units, row + static_cast<long long>(i)), lines[i]);
    }
}

// Where the text after `text` on its row starts, or the page's right edge.
int columnEnd(const PageUnits& units, std::span<const PageText> texts, const PageText& text) {
    int end = units.width;
    for (const PageText& other : texts) {
        if (other.row == text.row && other.place.across == Across::Column &&
            other.place.column > text.place.column) {
            end = std::min(end, columnX(units, other.place.column));
        }
    }
    return end;
}

// Texts placed in columns are fitted to them; centred and right-aligned ones
// are the layout's own and drawn as they are.
void drawTexts(PageCanvas& canvas, const PageUnits& units, const PageData& data,
               std::span<const PageText> texts, long long rowShift, int pointSize) {
    for (const PageText& text : texts) {
        const std::string content =
            std::string(text.label) + sourceText(data, text.source, text.level);
        const long long row = text.row + rowShift;
        if (text.place.across == Across::Column) {
            drawFitted(canvas, units, pointSize, columnX(units, text.place.column),
                       columnEnd(units, texts, text), row, text.spareRows, content);
        } else {
            canvas.textOut(placeX(canvas, units, text.place, content), rowY(units, row), content);
        }
    }
}

void drawRule(PageCanvas& canvas, const PageUnits& units, int y) {
    canvas.line(0, y, units.width, y);
}

// The grid block: every grid column, rows 0 to n + 1, each cell's text as it
// stands in the grid (rows beyond the grid read as the text they last held),
// cut short where it would reach the next grid column or the page's edge.
void drawGrid(PageCanvas& canvas, const PageUnits& units, const StudyRecord& study,
              const GridBlock& grid, int count, int pointSize) {
    const long long lastRow = static_cast<long long>(count) + 1;
    for (int column = 0; column < StudyGrid::kColumnCount; ++column) {
        const int x = columnX(units, grid.firstColumn + grid.columnStep * column);
        const int end =
            column + 1 < StudyGrid::kColumnCount
                ? std::min(units.width,
                           columnX(units, grid.firstColumn + grid.columnStep * (column + 1)))
                : units.width;
        for (long long row = 0; row <= lastRow; ++row) {
            drawFitted(canvas, units, pointSize, x, end, grid.firstRow + row, 0,
                       study.grid.cell(column, static_cast<int>(row)));
        }
    }
}

// Begins nothing itself: the document is already begun. Sets the header
// font, takes the page's units and draws the header texts and line, then
// sets the body font.
PageUnits drawHeader(PageCanvas& canvas, const LayoutDescription& layout, const PageData& data) {
    canvas.setFont(kTypeface, kHeaderPointSize);
    const PageUnits units{lineUnitFor(canvas.dpiY()), canvas.dpiX(), canvas.dpiY(),
                          layout.designDpi, canvas.printableWidth()};
    drawTexts(canvas, units, data, layout.header, 0, kHeaderPointSize);
    drawRule(canvas, units, rowY(units, kHeaderRuleRow) + kHeaderRuleOffset);
    canvas.setFont(kTypeface, layout.bodyPointSize);
    return units;
}

void drawPage(PageCanvas& canvas, const PageSpec& page, const PageData& data) {
    const PageUnits units = drawHeader(canvas, data.layout, data);
    const int size = data.layout.bodyPointSize;
    drawTexts(canvas, units, data, page.body, 0, size);
    long long closingShift = 0;
    if (page.grid || page.closingFollowsCount) {
        const int count = toInteger(data.study.replicateCountText);
        if (page.grid) {
            drawGrid(canvas, units, data.study, *page.grid, count, size);
        }
        if (page.closingFollowsCount) {
            closingShift = count;
        }
    }
    drawTexts(canvas, units, data, page.closing, closingShift, size);
    drawRule(canvas, units, rowY(units, page.ruleRow + closingShift));
}

// One page as one document: a page that cannot be drawn to its end is
// aborted, never left open.
void printDocument(PageCanvas& canvas, const PageSpec& page, const PageData& data) {
    canvas.beginDocument();
    try {
        drawPage(canvas, page, data);
    } catch (...) {
        canvas.abortDocument();
        throw;
    }
    canvas.endDocument();
}

} // namespace

void printGeneralPage(PageCanvas& canvas, PrintLayout layout, const StudyRecord& study) {
    const LayoutDescription& layoutTable = layoutDescription(layout);
    printDocument(canvas, layoutTable.general, PageData{study, nullptr, {}, layoutTable});
}

void printResultsPage(PageCanvas& canvas, PrintLayout layout, const StudyRecord& study,
                      const RobustnessResults& results, std::string_view decimalSeparator) {
    const LayoutDescription& layoutTable = layoutDescription(layout);
    const RobustnessResults own = results;
    printDocument(canvas, layoutTable.results,
                  PageData{study, &own, decimalSeparator, layoutTable});
}

} // namespace robustez
