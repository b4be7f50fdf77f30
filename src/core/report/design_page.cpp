#include "core/report/design_page.h"

#include "core/report/design_figure.h"
#include "core/report/design_table.h"
#include "core/report/table_fit.h"
#include "core/report/text_fit.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace robustez {
namespace {

using design::DesignStudy;
using design::ResponseAnalysis;

constexpr Rgb kInk{0, 0, 0};
constexpr Rgb kRuleInk{0x55, 0x55, 0x55};
constexpr Rgb kHeadingFill{0xEB, 0xEB, 0xEB};
// The effects table's column of the verdict.
constexpr std::size_t kVerdictColumn = 6;

// The pages' look, in base text sizes unless said otherwise.
struct PageMetrics {
    double margin;       // of the page's smaller side
    double fontPerWidth; // of the content width
    double titleSize;
    double lineSpacing;
    double ruleGap;
    double ruleWidth;
    double sectionGap;
    double tableSize;
    double leastTableShrink;
    double cellPadX; // per table text size
    double cellPadY;
    double tableLineWidth;
    double footerRoom;
    double footerSize;
    double figureGrowth; // the figure takes up to this times the height it needs
};

constexpr PageMetrics kPage{
    .margin = 0.06,
    .fontPerWidth = 1.0 / 62,
    .titleSize = 1.25,
    .lineSpacing = 1.3,
    .ruleGap = 0.35,
    .ruleWidth = 0.06,
    .sectionGap = 0.9,
    .tableSize = 0.85,
    .leastTableShrink = 0.75,
    .cellPadX = 0.35,
    .cellPadY = 0.25,
    .tableLineWidth = 0.05,
    .footerRoom = 2.0,
    .footerSize = 0.8,
    .figureGrowth = 1.25,
};

bool positiveFinite(double value) {
    return std::isfinite(value) && value > 0;
}

struct KindText {
    design::DesignKind kind;
    std::string_view text;
};
constexpr KindText kKinds[] = {
    {design::DesignKind::PlackettBurman, "Plackett-Burman"},
    {design::DesignKind::Fractional, "factorial fraccionado"},
    {design::DesignKind::Full, "factorial completo"},
    {design::DesignKind::Table, "tabla de ensayos"},
};

// ---- Cells.

struct Cell {
    std::string text;
    bool alert = false; // in the significant colour
};
using Row = std::vector<Cell>;

struct Table {
    std::vector<std::string> header;
    std::vector<Row> rows;
};

Table factorsTable(const DesignStudy& s) {
    Table table{{"Columna", "Factor", "Unidad", "Bajo (\u22121)", "Nominal (0)", "Alto (+1)"}, {}};
    for (std::size_t c = 0; c < s.columns.size(); ++c) {
        const int f = s.columns[c].factor;
        if (f < 0 || static_cast<std::size_t>(f) >= s.factors.size()) {
            continue;
        }
        const design::DesignFactor& factor = s.factors[static_cast<std::size_t>(f)];
        table.rows.push_back({{std::to_string(c + 1)},
                              {factor.name},
                              {factor.unit},
                              {factor.low},
                              {factor.nominal},
                              {factor.high}});
    }
    return table;
}

Table effectsTable(const DesignStudy& s, const ResponseAnalysis& a, std::string_view separator) {
    DesignEffectsTable texts = designEffectsTable(s, a, separator);
    Table table{std::move(texts.header), {}};
    for (std::size_t r = 0; r < texts.rows.size(); ++r) {
        Row row;
        for (std::string& text : texts.rows[r]) {
            row.push_back({std::move(text)});
        }
        // The verdict "SIGNIFICATIVO" in the significant colour.
        row[kVerdictColumn].alert = texts.significant[r];
        table.rows.push_back(std::move(row));
    }
    return table;
}

// ---- Pages.

struct Flow {
    double width = 0;
    double height = 0;
    double margin = 0;
    double f = 1;
    double bottom = 0; // of the content, above the footer
    std::string response;
    std::vector<DisplayList> pages;
    double y = 0;
    double pageTop = 0;

    double contentWidth() const { return width - 2 * margin; }
};

void addText(DisplayList& page, double x, double y, std::string text, double size, bool bold,
             HAlign align, Rgb color = kInk) {
    page.items.emplace_back(
        TextPrimitive{x, y, std::move(text), size, bold, align, VAlign::Top, color});
}

void addLine(DisplayList& page, double x1, double y1, double x2, double y2, double width) {
    page.items.emplace_back(LinePrimitive{x1, y1, x2, y2, width, kRuleInk, false});
}

// A new page with the title, the rule under it and, on a continued page,
// the response's name.
void startPage(Flow& flow, bool continued) {
    DisplayList& page = flow.pages.emplace_back(DisplayList{flow.width, flow.height, {}});
    const double size = kPage.titleSize * flow.f;
    double y = flow.margin;
    for (std::string& line : wrapText(kDesignTitle, flow.contentWidth(), size, true)) {
        addText(page, flow.width / 2, y, std::move(line), size, true, HAlign::Centre);
        y += kPage.lineSpacing * size;
    }
    const double ruleY =
        y - (kPage.lineSpacing - kFontAscent - kFontDescent) * size + kPage.ruleGap * flow.f;
    addLine(page, flow.margin, ruleY, flow.width - flow.margin, ruleY, kPage.ruleWidth * flow.f);
    flow.y = flow.pageTop = ruleY + kPage.sectionGap * flow.f;
    if (continued) {
        for (std::string& line : wrapText("Respuesta: " + flow.response + " (continuación)",
                                          flow.contentWidth(), flow.f, true)) {
            addText(page, flow.margin, flow.y, std::move(line), flow.f, true, HAlign::Left);
            flow.y += kPage.lineSpacing * flow.f;
        }
        flow.y += kPage.sectionGap * flow.f / 2;
    }
}

void makeRoom(Flow& flow, double height) {
    if (flow.y + height > flow.bottom && flow.y > flow.pageTop) {
        startPage(flow, true);
    }
}

void flowLines(Flow& flow, const std::vector<std::string>& lines, bool bold, Rgb color = kInk) {
    for (const std::string& line : lines) {
        for (std::string& piece : wrapText(line, flow.contentWidth(), flow.f, bold)) {
            makeRoom(flow, kPage.lineSpacing * flow.f);
            addText(flow.pages.back(), flow.margin, flow.y, std::move(piece), flow.f, bold,
                    HAlign::Left, color);
            flow.y += kPage.lineSpacing * flow.f;
        }
    }
}

struct Placed {
    double size = 1;
    std::vector<double> columns;
};

Placed placeTable(const Table& table, double size, double maxWidth) {
    const double pad = 2 * kPage.cellPadX;
    std::vector<ColumnNeeds> needs(table.header.size());
    for (std::size_t c = 0; c < needs.size(); ++c) {
        needs[c].least = widestWord(table.header[c], true) + pad;
        needs[c].whole = estimatedTextWidth(table.header[c], 1, true) + pad;
        needs[c].body = pad;
    }
    for (const Row& row : table.rows) {
        for (std::size_t c = 0; c < row.size() && c < needs.size(); ++c) {
            needs[c].least = std::max(needs[c].least, widestWord(row[c].text, false) + pad);
            needs[c].body = std::max(needs[c].body, estimatedTextWidth(row[c].text, 1) + pad);
        }
    }
    FittedColumns fitted = fitColumns(needs, size, maxWidth, kPage.leastTableShrink, false);
    return {fitted.size, std::move(fitted.widths)};
}

std::vector<std::vector<std::string>> rowLines(const Placed& placed, const Row& row, bool bold) {
    std::vector<std::vector<std::string>> lines;
    for (std::size_t c = 0; c < row.size() && c < placed.columns.size(); ++c) {
        const double room = placed.columns[c] - 2 * kPage.cellPadX * placed.size;
        // A hair of slack keeps a column's longest word on one line against rounding.
        lines.push_back(wrapText(row[c].text, room + 1e-9 * placed.size, placed.size, bold));
    }
    return lines;
}

double rowHeight(const std::vector<std::vector<std::string>>& lines, double size) {
    std::size_t most = 1;
    for (const auto& cell : lines) {
        most = std::max(most, cell.size());
    }
    return (static_cast<double>(most) * kPage.lineSpacing + 2 * kPage.cellPadY) * size;
}

// One row with its rules; a heading row bold on a shaded ground.
void drawRow(Flow& flow, const Placed& placed, const Row& row, bool heading) {
    const auto lines = rowLines(placed, row, heading);
    const double height = rowHeight(lines, placed.size);
    makeRoom(flow, height);
    DisplayList& page = flow.pages.back();
    double width = 0;
    for (double w : placed.columns) {
        width += w;
    }
    const double left = flow.margin;
    const double top = flow.y;
    if (heading) {
        page.items.emplace_back(RectPrimitive{left, top, width, height, kHeadingFill, true, 0});
    }
    const double lineWidth = kPage.tableLineWidth * flow.f;
    addLine(page, left, top, left + width, top, lineWidth);
    addLine(page, left, top + height, left + width, top + height, lineWidth);
    double x = left;
    addLine(page, x, top, x, top + height, lineWidth);
    for (std::size_t c = 0; c < lines.size(); ++c) {
        const double size = placed.size;
        const HAlign align = c == 0 ? HAlign::Left : HAlign::Centre;
        const double textX =
            align == HAlign::Left ? x + kPage.cellPadX * size : x + placed.columns[c] / 2;
        double y = top + kPage.cellPadY * size +
                   (kPage.lineSpacing - kFontAscent - kFontDescent) * size / 2;
        for (const std::string& line : lines[c]) {
            addText(page, textX, y, line, size, heading, align,
                    row[c].alert ? kDesignSignificantInk : kInk);
            y += kPage.lineSpacing * size;
        }
        x += placed.columns[c];
        addLine(page, x, top, x, top + height, lineWidth);
    }
    flow.y += height;
}

// The table, its heading repeated on each page it continues on.
void flowTable(Flow& flow, const Table& table) {
    const Placed placed = placeTable(table, kPage.tableSize * flow.f, flow.contentWidth());
    Row header;
    for (const std::string& text : table.header) {
        header.push_back({text});
    }
    const double headerHeight = rowHeight(rowLines(placed, header, true), placed.size);
    const double firstRow =
        table.rows.empty() ? 0
                           : rowHeight(rowLines(placed, table.rows.front(), false), placed.size);
    makeRoom(flow, headerHeight + firstRow);
    drawRow(flow, placed, header, true);
    for (const Row& row : table.rows) {
        const std::size_t before = flow.pages.size();
        makeRoom(flow, rowHeight(rowLines(placed, row, false), placed.size));
        if (flow.pages.size() != before) {
            drawRow(flow, placed, header, true);
        }
        drawRow(flow, placed, row, false);
    }
}

void flowFigure(Flow& flow, const DesignStudy& study, const ResponseAnalysis& a,
                std::optional<double> limitPct, std::string_view separator) {
    const double width = flow.contentWidth();
    const double needed = designFigureHeight(a.effects.size(), width, flow.f);
    if (flow.y + needed > flow.bottom && flow.y > flow.pageTop) {
        startPage(flow, true);
    }
    const double height =
        std::max(std::min(needed * kPage.figureGrowth, flow.bottom - flow.y), flow.f);
    appendShifted(flow.pages.back(),
                  composeDesignFigure(study, a, limitPct, width, height, separator, flow.f),
                  flow.margin, flow.y);
    flow.y += height;
}

void flowResponse(Flow& flow, const DesignStudy& study, const ResponseAnalysis& a,
                  std::size_t index, std::optional<double> limitPct, std::string_view separator) {
    const std::string unit = index < study.responses.size() ? study.responses[index].unit : "";
    flow.response = a.response + (unit.empty() ? "" : " (" + unit + ")");
    startPage(flow, false);
    flowLines(flow,
              {"Método: " + study.method, "Analista: " + study.analyst, "Fecha: " + study.date,
               designLine(study)},
              false);
    flowLines(flow, {"Respuesta: " + flow.response}, true);
    flow.y += kPage.sectionGap * flow.f;

    flowLines(flow, {"Factores"}, true);
    flowTable(flow, factorsTable(study));
    std::string dummies;
    for (const design::DesignColumn& column : study.columns) {
        if (column.factor < 0) {
            dummies += (dummies.empty() ? "" : ", ") + column.name;
        }
    }
    if (!dummies.empty()) {
        flow.y += kPage.sectionGap * flow.f / 2;
        flowLines(flow, {"Columnas ficticias: " + dummies}, false);
    }
    flow.y += kPage.sectionGap * flow.f;

    flowLines(flow, {"Efectos"}, true);
    flowTable(flow, effectsTable(study, a, separator));
    flow.y += kPage.sectionGap * flow.f / 2;
    std::vector<std::string> lines = {designEstimateLine(a, separator),
                                      designBaseLine(a, separator)};
    if (std::optional<std::string> limit = designLimitLine(a, limitPct, separator)) {
        lines.push_back(std::move(*limit));
    }
    flowLines(flow, lines, false);
    flowLines(flow, {designConclusionLine(a)}, true,
              designNotTolerant(a) ? kDesignSignificantInk : kInk);
    flowLines(flow, designIntervalLines(a, separator), false);
    flow.y += kPage.sectionGap * flow.f;
    flowFigure(flow, study, a, limitPct, separator);
}

void addFooters(std::vector<DisplayList>& pages, const Flow& flow) {
    const double size = kPage.footerSize * flow.f;
    const double ruleY =
        flow.bottom + (kPage.footerRoom - kPage.lineSpacing * kPage.footerSize) * flow.f / 2;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        addLine(pages[i], flow.margin, ruleY, flow.width - flow.margin, ruleY,
                kPage.ruleWidth * flow.f / 2);
        addText(pages[i], flow.width - flow.margin, ruleY + 0.3 * flow.f,
                "Página " + std::to_string(i + 1) + " de " + std::to_string(pages.size()), size,
                false, HAlign::Right);
    }
}

} // namespace

std::string designLine(const DesignStudy& s) {
    std::size_t designRuns = 0;
    for (const design::DesignRun& run : s.runs) {
        designRuns += run.type == design::RunType::Design ? 1 : 0;
    }
    std::string line = "Diseño: ";
    for (const KindText& k : kKinds) {
        if (k.kind == s.kind) {
            line += k.text;
        }
    }
    if (!s.design.empty()) {
        line += " " + s.design;
    }
    line += ", " + std::to_string(designRuns) + " ensayos de diseño, " +
            std::to_string(s.columns.size()) + " columnas, " + std::to_string(s.nominalRuns) +
            " ensayos nominales";
    if (s.kind != design::DesignKind::Table) {
        line += s.randomOrder ? ", orden aleatorio (semilla " + std::to_string(s.seed) + ")"
                              : ", orden estándar";
    }
    return line;
}

std::vector<DisplayList> composeDesignPages(const DesignStudy& study,
                                            const std::vector<ResponseAnalysis>& analyses,
                                            std::optional<double> limitPct, double pageWidth,
                                            double pageHeight, std::string_view decimalSeparator) {
    if (!positiveFinite(pageWidth) || !positiveFinite(pageHeight)) {
        throw std::invalid_argument("a page needs a finite, positive width and height");
    }
    Flow flow;
    flow.width = pageWidth;
    flow.height = pageHeight;
    flow.margin = kPage.margin * std::min(pageWidth, pageHeight);
    flow.f = flow.contentWidth() * kPage.fontPerWidth;
    flow.bottom = pageHeight - flow.margin - kPage.footerRoom * flow.f;
    for (std::size_t r = 0; r < analyses.size(); ++r) {
        flowResponse(flow, study, analyses[r], r, limitPct, decimalSeparator);
    }
    addFooters(flow.pages, flow);
    return flow.pages;
}

} // namespace robustez
