#include "core/report/detail_page.h"

#include "core/report/table_fit.h"
#include "core/report/text_fit.h"
#include "core/stats/evidence_tables.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>
#include <string>
#include <vector>

namespace robustez {
namespace {

// The page's look: lengths in base text sizes unless said otherwise.
struct PageMetrics {
    double margin;           // of the page's smaller side
    double fontPerWidth;     // the base text size is the smaller of these two
    double fontPerHeight;    //   shares of the content width and page height
    double titleSize;        // bold, centred
    double lineSpacing;      // line height per text size
    double ruleGap;          // between the title and the rule under it
    double sectionGap;       // between blocks
    double columnGap;        // between the study lines and the summary beside them
    double leastLinesShare;  // of the content width, for the study lines beside the summary
    double tableSize;        // table texts
    double leastTableShrink; // of the table text size, to keep body cells on one line
    double cellPadX;         // per table text size, each side
    double cellPadY;         // per table text size, top and bottom
    double ruleWidth;
    double tableLineWidth;
    double figureAspect; // the figure's height at most this times its width
};

constexpr PageMetrics kPage{
    .margin = 0.06,
    .fontPerWidth = 1.0 / 52,
    .fontPerHeight = 1.0 / 64,
    .titleSize = 1.5,
    .lineSpacing = 1.3,
    .ruleGap = 0.35,
    .sectionGap = 1.1,
    .columnGap = 2.0,
    .leastLinesShare = 0.4,
    .tableSize = 0.9,
    .leastTableShrink = 0.8,
    .cellPadX = 0.45,
    .cellPadY = 0.3,
    .ruleWidth = 0.06,
    .tableLineWidth = 0.05,
    .figureAspect = 0.62,
};

constexpr Rgb kInk{0, 0, 0};
constexpr Rgb kRuleInk{0x55, 0x55, 0x55};
constexpr Rgb kHeadingFill{0xEB, 0xEB, 0xEB};

using Table = EvidenceTables::Table;

// How a table is set: its heading rows are bold on a shaded ground.
struct TableStyle {
    size_t headingRows;
    std::vector<HAlign> align; // by column; the last serves the columns beyond
    bool fill;                 // stretched to the width given
};

const TableStyle kComparisonsStyle{1, {HAlign::Left, HAlign::Centre}, true};
const TableStyle kSummaryStyle{0, {HAlign::Left, HAlign::Right}, false};

HAlign columnAlign(const TableStyle& style, size_t column) {
    return style.align[std::min(column, style.align.size() - 1)];
}

std::vector<ColumnNeeds> columnNeeds(const Table& table, const TableStyle& style) {
    std::vector<ColumnNeeds> needs;
    const double pad = 2 * kPage.cellPadX;
    for (size_t r = 0; r < table.size(); ++r) {
        const bool heading = r < style.headingRows;
        for (size_t c = 0; c < table[r].size(); ++c) {
            if (needs.size() <= c) {
                needs.resize(c + 1, {pad, pad, pad});
            }
            const std::string& text = table[r][c];
            needs[c].least = std::max(needs[c].least, widestWord(text, heading) + pad);
            // A heading counts only towards the whole; fitColumns makes the
            // whole at least the body.
            double& width = heading ? needs[c].whole : needs[c].body;
            width = std::max(width, estimatedTextWidth(text, 1, heading) + pad);
        }
    }
    return needs;
}

double total(const std::vector<double>& widths) {
    return std::accumulate(widths.begin(), widths.end(), 0.0);
}

struct TableLayout {
    double size = 0; // text size, smaller than asked when the longest words need it
    std::vector<double> columns;
    std::vector<double> rows;
    std::vector<std::vector<std::vector<std::string>>> lines; // row, column, lines

    double width() const { return total(columns); }
    double height() const { return total(rows); }
};

TableLayout layoutTable(const Table& table, const TableStyle& style, double size, double maxWidth) {
    FittedColumns fitted =
        fitColumns(columnNeeds(table, style), size, maxWidth, kPage.leastTableShrink, style.fill);
    TableLayout layout;
    layout.size = fitted.size;
    layout.columns = std::move(fitted.widths);
    // The words' widths scale with the size: a hair of slack keeps a column's
    // longest word on one line against rounding.
    const double slack = 1e-9 * layout.size;
    for (size_t r = 0; r < table.size(); ++r) {
        auto& rowLines = layout.lines.emplace_back();
        size_t most = 1;
        for (size_t c = 0; c < table[r].size(); ++c) {
            const double room = layout.columns[c] - 2 * kPage.cellPadX * layout.size + slack;
            rowLines.push_back(wrapText(table[r][c], room, layout.size, r < style.headingRows));
            most = std::max(most, rowLines.back().size());
        }
        layout.rows.push_back((static_cast<double>(most) * kPage.lineSpacing + 2 * kPage.cellPadY) *
                              layout.size);
    }
    return layout;
}

double cellTextX(double left, double width, HAlign align, double size) {
    switch (align) {
    case HAlign::Left:
        return left + kPage.cellPadX * size;
    case HAlign::Right:
        return left + width - kPage.cellPadX * size;
    case HAlign::Centre:
        break;
    }
    return left + width / 2;
}

void addLine(DisplayList& page, double x1, double y1, double x2, double y2, double width,
             Rgb color) {
    page.items.emplace_back(LinePrimitive{x1, y1, x2, y2, width, color, false});
}

void addText(DisplayList& page, double x, double y, std::string text, double size, bool bold,
             HAlign align) {
    page.items.emplace_back(
        TextPrimitive{x, y, std::move(text), size, bold, align, VAlign::Top, kInk});
}

// The cell's lines, centred down the row.
void drawCell(DisplayList& page, const std::vector<std::string>& lines, double left, double top,
              double width, double rowHeight, HAlign align, double size, bool bold) {
    const double lineHeight = kPage.lineSpacing * size;
    double y = top + (rowHeight - static_cast<double>(lines.size()) * lineHeight) / 2 +
               (lineHeight - (kFontAscent + kFontDescent) * size) / 2;
    for (const std::string& line : lines) {
        addText(page, cellTextX(left, width, align, size), y, line, size, bold, align);
        y += lineHeight;
    }
}

void drawTableRules(DisplayList& page, const TableLayout& layout, double left, double top) {
    const double lineWidth = kPage.tableLineWidth * layout.size / kPage.tableSize;
    const double right = left + layout.width();
    const double bottom = top + layout.height();
    double y = top;
    addLine(page, left, y, right, y, lineWidth, kRuleInk);
    for (double h : layout.rows) {
        y += h;
        addLine(page, left, y, right, y, lineWidth, kRuleInk);
    }
    double x = left;
    addLine(page, x, top, x, bottom, lineWidth, kRuleInk);
    for (double w : layout.columns) {
        x += w;
        addLine(page, x, top, x, bottom, lineWidth, kRuleInk);
    }
}

// The table with its top-left corner at (left, top).
void drawTable(DisplayList& page, const TableLayout& layout, const TableStyle& style, double left,
               double top) {
    double y = top;
    for (size_t r = 0; r < layout.rows.size(); ++r) {
        const bool heading = r < style.headingRows;
        if (heading) {
            page.items.emplace_back(
                RectPrimitive{left, y, layout.width(), layout.rows[r], kHeadingFill, true, 0});
        }
        double x = left;
        for (size_t c = 0; c < layout.lines[r].size(); ++c) {
            drawCell(page, layout.lines[r][c], x, y, layout.columns[c], layout.rows[r],
                     columnAlign(style, c), layout.size, heading);
            x += layout.columns[c];
        }
        y += layout.rows[r];
    }
    drawTableRules(page, layout, left, top);
}

std::string levelSettingsLine(const StudyRecord& study) {
    std::string line;
    for (int level = 1; level <= kLevelCount; ++level) {
        if (!study.levelSetting(level).empty()) {
            line += (line.empty() ? "" : "; ") + std::string(kGridHeaders[level]) + ": " +
                    study.levelSetting(level);
        }
    }
    return line.empty() ? line : "Niveles: " + line;
}

std::vector<std::string> studyLines(const StudyRecord& study) {
    std::vector<std::string> lines = {
        "Nombre del método: " + study.methodName,
        "Nombre del Analista: " + study.analystName,
        "Fecha: " + study.dateText,
        "Número de Muestras (Replicaciones): " + study.replicateCountText,
        "Condiciones de Operación: " + study.conditionName,
    };
    if (std::string settings = levelSettingsLine(study); !settings.empty()) {
        lines.push_back(std::move(settings));
    }
    return lines;
}

// The lines, each wrapped within `width`, from `top` down; returns the
// bottom of the last.
double drawTextLines(DisplayList& page, const std::vector<std::string>& lines, double left,
                     double top, double width, double size) {
    double y = top;
    for (const std::string& line : lines) {
        for (std::string& piece : wrapText(line, width, size, false)) {
            addText(page, left, y, std::move(piece), size, false, HAlign::Left);
            y += kPage.lineSpacing * size;
        }
    }
    return y;
}

// The title and the rule under it; returns the top of what follows.
double drawTitle(DisplayList& page, double margin, double top, double f) {
    const double size = kPage.titleSize * f;
    addText(page, page.width / 2, top, std::string(kDetailTitle), size, true, HAlign::Centre);
    const double ruleY = top + (kFontAscent + kFontDescent) * size + kPage.ruleGap * f;
    addLine(page, margin, ruleY, page.width - margin, ruleY, kPage.ruleWidth * f, kRuleInk);
    return ruleY + kPage.sectionGap * f;
}

bool positiveFinite(double value) {
    return std::isfinite(value) && value > 0;
}

} // namespace

DisplayList composeDetailPage(const StudyEvidence& evidence, const StudyRecord& study,
                              double pageWidth, double pageHeight,
                              std::string_view decimalSeparator) {
    if (!positiveFinite(pageWidth) || !positiveFinite(pageHeight)) {
        throw std::invalid_argument("a page needs a finite, positive width and height");
    }
    DisplayList page{pageWidth, pageHeight, {}};
    const double margin = kPage.margin * std::min(pageWidth, pageHeight);
    const double contentWidth = pageWidth - 2 * margin;
    const double f = std::min(contentWidth * kPage.fontPerWidth, pageHeight * kPage.fontPerHeight);
    const double tableSize = kPage.tableSize * f;
    const EvidenceTables tables = composeEvidenceTables(evidence, decimalSeparator);

    double y = drawTitle(page, margin, margin, f);

    // Both tables in one text size, the comparisons' (which may be smaller
    // than asked); the summary beside the study lines when they keep enough
    // of the width.
    const TableLayout comparisons =
        layoutTable(tables.comparisons, kComparisonsStyle, tableSize, contentWidth);
    const TableLayout summary =
        layoutTable(tables.summary, kSummaryStyle, comparisons.size, contentWidth);
    const double linesWidth = contentWidth - summary.width() - kPage.columnGap * f;
    const bool beside = linesWidth >= kPage.leastLinesShare * contentWidth;
    const double linesBottom =
        drawTextLines(page, studyLines(study), margin, y, beside ? linesWidth : contentWidth, f);
    if (beside) {
        drawTable(page, summary, kSummaryStyle, pageWidth - margin - summary.width(), y);
        y = std::max(linesBottom, y + summary.height());
    } else {
        y = linesBottom;
    }
    y += kPage.sectionGap * f;

    drawTable(page, comparisons, kComparisonsStyle, margin, y);
    y += comparisons.height() + kPage.sectionGap * f;
    if (!beside) {
        drawTable(page, summary, kSummaryStyle, margin, y);
        y += summary.height() + kPage.sectionGap * f;
    }

    const double figureHeight =
        std::min(pageHeight - margin - y, contentWidth * kPage.figureAspect);
    if (positiveFinite(figureHeight) && positiveFinite(contentWidth)) {
        appendShifted(
            page, composeEvidenceFigure(evidence, contentWidth, figureHeight, decimalSeparator, f),
            margin, y);
    }
    return page;
}

} // namespace robustez
