#include "core/report/summary_page.h"

#include "core/report/summary_figure.h"
#include "core/report/table_fit.h"
#include "core/report/text_fit.h"
#include "core/study/study_record.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>
#include <utility>

namespace robustez {
namespace {

constexpr Rgb kInk{0, 0, 0};
constexpr Rgb kRuleInk{0x55, 0x55, 0x55};
constexpr Rgb kHeadingFill{0xEB, 0xEB, 0xEB};

bool positiveFinite(double value) {
    return std::isfinite(value) && value > 0;
}

// ---------------------------------------------------------------------------
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
    double footerRoom; // kept for the footer at the bottom of the content
    double footerSize;
    std::size_t leastConditions; // of the plot, below which it starts a page
};

constexpr PageMetrics kPage{
    .margin = 0.06,
    .fontPerWidth = 1.0 / 62,
    .titleSize = 1.25,
    .lineSpacing = 1.3,
    .ruleGap = 0.35,
    .ruleWidth = 0.06,
    .sectionGap = 1.0,
    .tableSize = 0.8,
    .leastTableShrink = 0.75,
    .cellPadX = 0.35,
    .cellPadY = 0.25,
    .tableLineWidth = 0.05,
    .footerRoom = 2.0,
    .footerSize = 0.8,
    .leastConditions = 4,
};

// ---- The page table: one block per study.

struct PageCell {
    std::string text;
    bool alert = false; // "NO TOLERANTE", in its colour
};

// A row of the page table; a spanning row's last cell runs to the end.
struct PageRow {
    std::vector<PageCell> cells;
    bool spanning = false;
};

using PageBlock = std::vector<PageRow>;

constexpr std::size_t kLevelColumn = 4;

std::vector<std::string> pageTableHeader(bool withLimit) {
    std::vector<std::string> header = {"Condición",
                                       "n",
                                       "Normal",
                                       "Media Normal",
                                       "Nivel",
                                       "Diferencia",
                                       "Diferencia relativa (%)",
                                       "t",
                                       "p ajustado",
                                       "IC 95 % simultáneo",
                                       "Veredicto"};
    if (withLimit) {
        header.emplace_back("Equivalencia");
    }
    return header;
}

std::string levelWithSetting(int level, const std::string& setting) {
    const std::string name(kGridHeaders[static_cast<std::size_t>(level)]);
    return setting.empty() ? name : name + " (" + setting + ")";
}

// The rows of a computed study from its cells in the summary table.
PageBlock computedBlock(const std::vector<std::string>& row, bool withLimit) {
    const std::size_t perLevel = withLimit ? 8 : 7;
    PageBlock block;
    for (std::size_t j = 0; j < 2; ++j) {
        const int level = j == 0 ? kLevelBaja : kLevelAlta;
        const std::size_t base = kSummaryMessageColumn + j * perLevel;
        PageRow pageRow;
        if (j == 0) {
            pageRow.cells = {{row[0]}, {row[4]}, {row[1]}, {row[5]}};
        } else {
            pageRow.cells.resize(kLevelColumn);
        }
        pageRow.cells.push_back({levelWithSetting(level, row[static_cast<std::size_t>(level)])});
        for (std::size_t k = 0; k < 4; ++k) {
            pageRow.cells.push_back({row[base + k]});
        }
        pageRow.cells.push_back({"[" + row[base + 4] + "; " + row[base + 5] + "]"});
        pageRow.cells.push_back({row[base + 6], row[base + 6] != "TOLERANTE"});
        if (withLimit) {
            pageRow.cells.push_back({row[base + 7]});
        }
        block.push_back(std::move(pageRow));
    }
    return block;
}

// A study without result: what could be read of it (n, the settings) where
// a computed study has it, and its message across the comparison columns; a
// file not read at all, its name and message on one line.
PageBlock failedBlock(const std::vector<std::string>& row, bool read) {
    const std::string& message = row[kSummaryMessageColumn];
    if (!read) {
        return {PageRow{{{row[0]}, {message}}, true}};
    }
    PageRow first{{{row[0]}, {row[4]}, {row[1]}, {}, {levelWithSetting(kLevelBaja, row[2])}}, true};
    first.cells.push_back({message});
    PageRow second{{{}, {}, {}, {}, {levelWithSetting(kLevelAlta, row[3])}, {}}, true};
    return {first, second};
}

std::vector<PageBlock> pageTableBlocks(const SummaryStudies& summary, const SummaryTable& table) {
    std::vector<PageBlock> blocks;
    const bool withLimit = summary.equivalenceLimitPct.has_value();
    for (std::size_t s = 0; s < table.rows.size(); ++s) {
        const auto& row = table.rows[s];
        if (hasResult(summary.studies[s])) {
            blocks.push_back(computedBlock(row, withLimit));
        } else {
            blocks.push_back(failedBlock(row, summary.studies[s].study.has_value()));
        }
    }
    return blocks;
}

std::vector<ColumnNeeds> columnNeeds(const std::vector<std::string>& header,
                                     const std::vector<PageBlock>& blocks) {
    const double pad = 2 * kPage.cellPadX;
    std::vector<ColumnNeeds> needs(header.size());
    for (std::size_t c = 0; c < header.size(); ++c) {
        needs[c].least = widestWord(header[c], true) + pad;
        needs[c].whole = estimatedTextWidth(header[c], 1, true) + pad;
    }
    for (const PageBlock& block : blocks) {
        for (const PageRow& row : block) {
            const std::size_t cells = row.spanning ? row.cells.size() - 1 : row.cells.size();
            for (std::size_t c = 0; c < cells && c < needs.size(); ++c) {
                const std::string& text = row.cells[c].text;
                needs[c].least = std::max(needs[c].least, widestWord(text, false) + pad);
                needs[c].body = std::max(needs[c].body, estimatedTextWidth(text, 1) + pad);
            }
        }
    }
    for (ColumnNeeds& n : needs) {
        n.body = std::max(n.body, n.least);
        n.whole = std::max(n.whole, n.body);
    }
    return needs;
}

struct TableLayout {
    double size = 1;
    std::vector<double> columns; // in page units
};

// A smaller text (within bounds) rather than wrapped body cells; columns
// their longest word, then their body, then their heading on one line, the
// rest shared equally.
TableLayout layoutTable(const std::vector<ColumnNeeds>& needs, double size, double maxWidth) {
    FittedColumns fitted = fitColumns(needs, size, maxWidth, kPage.leastTableShrink, true);
    return {fitted.size, std::move(fitted.widths)};
}

// ---- Drawing on pages.

struct PageFrame {
    double width = 0;
    double height = 0;
    double margin = 0;
    double f = 1;
    double bottom = 0; // of the content, above the footer

    double contentWidth() const { return width - 2 * margin; }
};

struct Flow {
    PageFrame frame;
    std::vector<DisplayList> pages;
    double y = 0;
    double pageTop = 0; // where the content of the current page starts
};

void addText(DisplayList& page, double x, double y, std::string text, double size, bool bold,
             HAlign align, Rgb color = kInk) {
    page.items.emplace_back(
        TextPrimitive{x, y, std::move(text), size, bold, align, VAlign::Top, color});
}

void addLine(DisplayList& page, double x1, double y1, double x2, double y2, double width,
             Rgb color) {
    page.items.emplace_back(LinePrimitive{x1, y1, x2, y2, width, color, false});
}

// A new page with the title and the rule under it.
void startPage(Flow& flow) {
    const PageFrame& fr = flow.frame;
    DisplayList& page = flow.pages.emplace_back(DisplayList{fr.width, fr.height, {}});
    const double size = kPage.titleSize * fr.f;
    double y = fr.margin;
    for (std::string& line : wrapText(kSummaryTitle, fr.contentWidth(), size, true)) {
        addText(page, fr.width / 2, y, std::move(line), size, true, HAlign::Centre);
        y += kPage.lineSpacing * size;
    }
    const double ruleY =
        y - (kPage.lineSpacing - kFontAscent - kFontDescent) * size + kPage.ruleGap * fr.f;
    addLine(page, fr.margin, ruleY, fr.width - fr.margin, ruleY, kPage.ruleWidth * fr.f, kRuleInk);
    flow.y = flow.pageTop = ruleY + kPage.sectionGap * fr.f;
}

// Starts a page when `height` does not fit below y, unless the page is
// still empty.
void makeRoom(Flow& flow, double height) {
    if (flow.y + height > flow.frame.bottom && flow.y > flow.pageTop) {
        startPage(flow);
    }
}

void flowLines(Flow& flow, const std::vector<std::string>& lines, bool bold, Rgb color) {
    const double f = flow.frame.f;
    for (const std::string& line : lines) {
        for (std::string& piece : wrapText(line, flow.frame.contentWidth(), f, bold)) {
            makeRoom(flow, kPage.lineSpacing * f);
            addText(flow.pages.back(), flow.frame.margin, flow.y, std::move(piece), f, bold,
                    HAlign::Left, color);
            flow.y += kPage.lineSpacing * f;
        }
    }
}

// The heading lines but the title (which every page has); the warning bold
// (red being kept for "NO TOLERANTE").
void flowHeading(Flow& flow, const std::vector<std::string>& lines) {
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const bool warning = lines[i].rfind("AVISO:", 0) == 0;
        flowLines(flow, {lines[i]}, warning, kInk);
    }
}

// ---- The table on pages.

struct PlacedTable {
    TableLayout layout;
    double left = 0;
    double cellPad() const { return kPage.cellPadX * layout.size; }
    double rightOf(std::size_t column) const {
        double x = left;
        for (std::size_t c = 0; c <= column; ++c) {
            x += layout.columns[c];
        }
        return x;
    }
    double leftOf(std::size_t column) const { return column == 0 ? left : rightOf(column - 1); }
};

HAlign columnAlign(std::size_t column) {
    return column == 0 || column == kLevelColumn ? HAlign::Left : HAlign::Centre;
}

// The cell's lines within the columns [first, last].
std::vector<std::string> cellLines(const PlacedTable& table, const std::string& text,
                                   std::size_t first, std::size_t last, bool bold) {
    const double width = table.rightOf(last) - table.leftOf(first) - 2 * table.cellPad();
    // A hair of slack keeps a column's longest word on one line against rounding.
    return wrapText(text, width + 1e-9 * table.layout.size, table.layout.size, bold);
}

double linesHeight(std::size_t lines, double size) {
    return (static_cast<double>(std::max<std::size_t>(lines, 1)) * kPage.lineSpacing +
            2 * kPage.cellPadY) *
           size;
}

struct CellSpan {
    std::size_t first;
    std::size_t last;
};

std::vector<CellSpan> rowSpans(const PageRow& row, std::size_t columns) {
    std::vector<CellSpan> spans;
    for (std::size_t c = 0; c < row.cells.size() && c < columns; ++c) {
        const bool toEnd = row.spanning && c + 1 == row.cells.size();
        spans.push_back({c, toEnd ? columns - 1 : c});
    }
    return spans;
}

double rowHeight(const PlacedTable& table, const PageRow& row, bool bold) {
    std::size_t most = 1;
    const std::vector<CellSpan> spans = rowSpans(row, table.layout.columns.size());
    for (std::size_t i = 0; i < spans.size(); ++i) {
        most = std::max(
            most, cellLines(table, row.cells[i].text, spans[i].first, spans[i].last, bold).size());
    }
    return linesHeight(most, table.layout.size);
}

double blockHeight(const PlacedTable& table, const PageBlock& block) {
    double height = 0;
    for (const PageRow& row : block) {
        height += rowHeight(table, row, false);
    }
    return height;
}

void drawCellText(DisplayList& page, const PlacedTable& table, const PageCell& cell,
                  const CellSpan& span, double top, bool bold) {
    const double size = table.layout.size;
    const HAlign align = columnAlign(span.first);
    const double left = table.leftOf(span.first);
    const double right = table.rightOf(span.last);
    const double x = align == HAlign::Left ? left + table.cellPad() : (left + right) / 2;
    double y =
        top + kPage.cellPadY * size + (kPage.lineSpacing - kFontAscent - kFontDescent) * size / 2;
    for (std::string& line : cellLines(table, cell.text, span.first, span.last, bold)) {
        addText(page, x, y, std::move(line), size, bold, align,
                cell.alert ? kForestNotTolerantInk : kInk);
        y += kPage.lineSpacing * size;
    }
}

// One row's texts and its vertical rules; returns its height.
double drawRow(DisplayList& page, const PlacedTable& table, const PageRow& row, double top,
               bool bold) {
    const double height = rowHeight(table, row, bold);
    const double lineWidth = kPage.tableLineWidth * table.layout.size / kPage.tableSize;
    addLine(page, table.left, top, table.left, top + height, lineWidth, kRuleInk);
    for (const CellSpan& span : rowSpans(row, table.layout.columns.size())) {
        drawCellText(page, table, row.cells[span.first], span, top, bold);
        const double x = table.rightOf(span.last);
        addLine(page, x, top, x, top + height, lineWidth, kRuleInk);
    }
    return height;
}

PageRow headerRowOf(const std::vector<std::string>& header) {
    PageRow row;
    for (const std::string& text : header) {
        row.cells.push_back({text});
    }
    return row;
}

void drawHeaderRow(Flow& flow, const PlacedTable& table, const std::vector<std::string>& header) {
    const PageRow row = headerRowOf(header);
    DisplayList& page = flow.pages.back();
    const double width = table.rightOf(header.size() - 1) - table.left;
    page.items.emplace_back(RectPrimitive{table.left, flow.y, width, rowHeight(table, row, true),
                                          kHeadingFill, true, 0});
    const double lineWidth = kPage.tableLineWidth * table.layout.size / kPage.tableSize;
    addLine(page, table.left, flow.y, table.left + width, flow.y, lineWidth, kRuleInk);
    flow.y += drawRow(page, table, row, flow.y, true);
}

// A block's rows; a rule under it across the table, and between its rows
// across the comparison columns.
void drawBlock(Flow& flow, const PlacedTable& table, const PageBlock& block) {
    DisplayList& page = flow.pages.back();
    const double lineWidth = kPage.tableLineWidth * table.layout.size / kPage.tableSize;
    const double right = table.rightOf(table.layout.columns.size() - 1);
    addLine(page, table.left, flow.y, right, flow.y, lineWidth, kRuleInk);
    for (std::size_t r = 0; r < block.size(); ++r) {
        if (r > 0) {
            addLine(page, table.leftOf(kLevelColumn), flow.y, right, flow.y, lineWidth, kRuleInk);
        }
        flow.y += drawRow(page, table, block[r], flow.y, false);
    }
    addLine(page, table.left, flow.y, right, flow.y, lineWidth, kRuleInk);
}

void flowTable(Flow& flow, const SummaryStudies& summary, std::string_view separator) {
    const std::vector<std::string> header =
        pageTableHeader(summary.equivalenceLimitPct.has_value());
    const std::vector<PageBlock> blocks =
        pageTableBlocks(summary, composeSummaryTable(summary, separator));
    const PageFrame& fr = flow.frame;
    const PlacedTable table{
        layoutTable(columnNeeds(header, blocks), kPage.tableSize * fr.f, fr.contentWidth()),
        fr.margin};
    const double headerHeight = rowHeight(table, headerRowOf(header), true);
    bool headed = false;
    for (const PageBlock& block : blocks) {
        const double height = blockHeight(table, block);
        const std::size_t before = flow.pages.size();
        makeRoom(flow, (headed ? 0 : headerHeight) + height);
        if (!headed || flow.pages.size() != before) {
            drawHeaderRow(flow, table, header);
            headed = true;
        }
        drawBlock(flow, table, block);
    }
}

// ---- The figure on pages.

// How many conditions' plot fits in `room`, up to `left` and the page's most.
std::size_t conditionsFitting(double room, std::size_t left, std::optional<double> limit,
                              double width, double f) {
    std::size_t fitting = 0;
    while (fitting < std::min(left, kForestConditionsPerPage) &&
           forestPlotHeight(2 * (fitting + 1), limit, width, f) <= room) {
        ++fitting;
    }
    return fitting;
}

void flowFigure(Flow& flow, const SummaryStudies& summary, std::string_view separator) {
    const std::vector<ForestLine> lines = forestLines(summary);
    const PageFrame& fr = flow.frame;
    const std::size_t conditions = lines.size() / 2;
    std::size_t done = 0;
    while (done < conditions) {
        const std::size_t left = conditions - done;
        const std::size_t fitting = conditionsFitting(
            fr.bottom - flow.y, left, summary.equivalenceLimitPct, fr.contentWidth(), fr.f);
        if (fitting < std::min(left, kPage.leastConditions) && flow.y > flow.pageTop) {
            startPage(flow);
            continue;
        }
        const std::size_t count = std::max<std::size_t>(fitting, 1);
        const double height =
            forestPlotHeight(2 * count, summary.equivalenceLimitPct, fr.contentWidth(), fr.f);
        appendShifted(flow.pages.back(),
                      composeForestPlot(lines, 2 * done, 2 * count, summary.equivalenceLimitPct,
                                        fr.contentWidth(), height, separator, fr.f),
                      fr.margin, flow.y);
        flow.y += height + kPage.sectionGap * fr.f;
        done += count;
    }
}

void addFooters(std::vector<DisplayList>& pages, const PageFrame& fr, std::string_view footer) {
    const double size = kPage.footerSize * fr.f;
    const double ruleY =
        fr.bottom + (kPage.footerRoom - kPage.lineSpacing * kPage.footerSize) * fr.f / 2;
    const double textY = ruleY + 0.3 * fr.f;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        DisplayList& page = pages[i];
        addLine(page, fr.margin, ruleY, fr.width - fr.margin, ruleY, kPage.ruleWidth * fr.f / 2,
                kRuleInk);
        addText(page, fr.margin, textY, std::string(footer), size, false, HAlign::Left);
        addText(page, fr.width - fr.margin, textY,
                "Página " + std::to_string(i + 1) + " de " + std::to_string(pages.size()), size,
                false, HAlign::Right);
    }
}

} // namespace

std::vector<DisplayList> composeSummaryPages(const SummaryStudies& summary, double pageWidth,
                                             double pageHeight, std::string_view decimalSeparator,
                                             std::string_view footer) {
    if (!positiveFinite(pageWidth) || !positiveFinite(pageHeight)) {
        throw std::invalid_argument("a page needs a finite, positive width and height");
    }
    Flow flow;
    flow.frame.width = pageWidth;
    flow.frame.height = pageHeight;
    flow.frame.margin = kPage.margin * std::min(pageWidth, pageHeight);
    flow.frame.f = flow.frame.contentWidth() * kPage.fontPerWidth;
    flow.frame.bottom = pageHeight - flow.frame.margin - kPage.footerRoom * flow.frame.f;

    startPage(flow);
    flowHeading(flow, summaryHeadingLines(summaryHeading(summary)));
    flow.y += kPage.sectionGap * flow.frame.f;

    flowTable(flow, summary, decimalSeparator);
    flow.y += kPage.sectionGap * flow.frame.f;
    flowLines(flow, summaryConclusionLines(summary, decimalSeparator), true, kInk);
    flow.y += kPage.sectionGap * flow.frame.f;

    flowFigure(flow, summary, decimalSeparator);
    addFooters(flow.pages, flow.frame, footer);
    return flow.pages;
}

} // namespace robustez
