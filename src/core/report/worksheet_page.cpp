#include "core/report/worksheet_page.h"

#include "core/report/table_fit.h"
#include "core/report/text_fit.h"
#include "core/stats/number_format.h"
#include "core/study/conversions.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <stdexcept>
#include <utility>

namespace robustez {
namespace {

using design::DesignKind;
using design::DesignRun;
using design::DesignStudy;
using design::RunType;

constexpr Rgb kInk{0, 0, 0};
constexpr Rgb kRuleInk{0x55, 0x55, 0x55};
constexpr Rgb kHeadingFill{0xEB, 0xEB, 0xEB};

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
    double leastTableShrink; // of the table size, before texts are wrapped or shortened
    double cellPadX;         // per table text size
    double cellPadY;
    double tableLineWidth;
    double footerRoom;
    double footerSize;
    double boxWidth;       // a response's box, per table text size: room for a value by hand
    double leastWordWidth; // at most this per table text size is kept for a longest word
    int runRowLines;       // a run's row is at least this many lines high, for writing in
    int headingLines;      // a heading cell wraps onto at most this many lines
    int cellLines;         // a setting or a factor table's cell, this many
    double signGap;        // between the sign-off lines, in lines
};

constexpr PageMetrics kPage{
    .margin = 0.06,
    .fontPerWidth = 1.0 / 52,
    .titleSize = 1.4,
    .lineSpacing = 1.3,
    .ruleGap = 0.35,
    .ruleWidth = 0.06,
    .sectionGap = 1.1,
    .tableSize = 0.9,
    .leastTableShrink = 0.75,
    .cellPadX = 0.4,
    .cellPadY = 0.3,
    .tableLineWidth = 0.05,
    .footerRoom = 2.0,
    .footerSize = 0.8,
    .boxWidth = 4.5,
    .leastWordWidth = 6.0,
    .runRowLines = 2,
    .headingLines = 3,
    .cellLines = 2,
    .signGap = 2.2,
};

struct KindText {
    DesignKind kind;
    std::string_view text;
};
constexpr std::array<KindText, 4> kKindTexts = {{
    {DesignKind::PlackettBurman, "Plackett-Burman"},
    {DesignKind::Fractional, "factorial fraccionado"},
    {DesignKind::Full, "factorial completo"},
    {DesignKind::Table, "tabla de ensayos"},
}};

std::string_view kindText(DesignKind kind) {
    for (const KindText& k : kKindTexts) {
        if (k.kind == kind) {
            return k.text;
        }
    }
    return kKindTexts.back().text;
}

bool positiveFinite(double value) {
    return std::isfinite(value) && value > 0;
}

double total(const std::vector<double>& widths) {
    return std::accumulate(widths.begin(), widths.end(), 0.0);
}

// A number kept with "." in the locale's notation; a text as it is.
std::string asTyped(const std::string& setting, std::string_view separator) {
    double value = 0;
    if (!tryToDecimal(setting, ".", value)) {
        return setting;
    }
    std::string text = setting;
    if (const std::size_t at = text.find('.'); at != std::string::npos) {
        text.replace(at, 1, separator);
    }
    return text;
}

std::string withUnit(const std::string& name, const std::string& unit) {
    return unit.empty() ? name : name + " (" + unit + ")";
}

std::string designLine(const DesignStudy& study) {
    const auto designRuns =
        std::count_if(study.runs.begin(), study.runs.end(),
                      [](const DesignRun& r) { return r.type == RunType::Design; });
    std::string line = "Diseño: " + std::string(kindText(study.kind));
    if (!study.design.empty()) {
        line += " " + study.design;
    }
    return line + ", " + std::to_string(designRuns) + " ensayos de diseño y " +
           std::to_string(study.runs.size() - static_cast<std::size_t>(designRuns)) + " nominales";
}

// ---- Tables of fixed columns whose texts are fitted into their cells.

struct Grid {
    double size = 1;
    double left = 0;
    std::vector<double> columns; // in page units
    std::vector<HAlign> align;   // by column

    double width() const { return total(columns); }
    double pad() const { return kPage.cellPadX * size; }
};

// A row's cells as the lines they are printed in.
using FittedRow = std::vector<std::vector<std::string>>;

FittedRow fitRow(const Grid& grid, const std::vector<std::string>& cells, int lines) {
    FittedRow row;
    for (std::size_t c = 0; c < cells.size() && c < grid.columns.size(); ++c) {
        // A hair of slack keeps a column's longest word whole against rounding.
        const double room = grid.columns[c] - 2 * grid.pad() + 1e-9 * grid.size;
        row.push_back(fitTextLines(cells[c], room, lines - 1, grid.size));
    }
    return row;
}

double rowHeight(const Grid& grid, const FittedRow& row, int leastLines) {
    std::size_t most = static_cast<std::size_t>(leastLines);
    for (const auto& lines : row) {
        most = std::max(most, lines.size());
    }
    return (static_cast<double>(most) * kPage.lineSpacing + 2 * kPage.cellPadY) * grid.size;
}

void addText(DisplayList& page, double x, double y, std::string text, double size, bool bold,
             HAlign align) {
    page.items.emplace_back(
        TextPrimitive{x, y, std::move(text), size, bold, align, VAlign::Top, kInk});
}

void addLine(DisplayList& page, double x1, double y1, double x2, double y2, double width) {
    page.items.emplace_back(LinePrimitive{x1, y1, x2, y2, width, kRuleInk, false});
}

// One row with its rules at `top`; a heading row on a shaded ground.
void drawRow(DisplayList& page, const Grid& grid, const FittedRow& row, double top, double height,
             bool heading) {
    const double lineWidth = kPage.tableLineWidth * grid.size / kPage.tableSize;
    if (heading) {
        page.items.emplace_back(
            RectPrimitive{grid.left, top, grid.width(), height, kHeadingFill, true, 0});
    }
    const double lineHeight = kPage.lineSpacing * grid.size;
    double x = grid.left;
    addLine(page, x, top, x, top + height, lineWidth);
    for (std::size_t c = 0; c < grid.columns.size(); ++c) {
        const double w = grid.columns[c];
        if (c < row.size()) {
            const HAlign align = grid.align[c];
            const double tx = align == HAlign::Left    ? x + grid.pad()
                              : align == HAlign::Right ? x + w - grid.pad()
                                                       : x + w / 2;
            double y = top + (height - static_cast<double>(row[c].size()) * lineHeight) / 2 +
                       (lineHeight - (kFontAscent + kFontDescent) * grid.size) / 2;
            for (const std::string& line : row[c]) {
                if (!line.empty()) {
                    addText(page, tx, y, line, grid.size, false, align);
                }
                y += lineHeight;
            }
        }
        x += w;
        addLine(page, x, top, x, top + height, lineWidth);
    }
    addLine(page, grid.left, top, grid.left + grid.width(), top, lineWidth);
    addLine(page, grid.left, top + height, grid.left + grid.width(), top + height, lineWidth);
}

// What each column needs for its cells, and with `headingWords` for its
// heading's words as well; a longest word kept to at most
// kPage.leastWordWidth.
std::vector<ColumnNeeds> columnNeeds(const std::vector<std::string>& heading,
                                     const std::vector<std::vector<std::string>>& rows,
                                     bool headingWords) {
    const double pad = 2 * kPage.cellPadX;
    std::vector<ColumnNeeds> needs(heading.size());
    for (std::size_t c = 0; c < heading.size(); ++c) {
        needs[c].whole = estimatedTextWidth(heading[c], 1) + pad;
        needs[c].least =
            (headingWords ? std::min(widestWord(heading[c], false), kPage.leastWordWidth) : 0) +
            pad;
    }
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < row.size() && c < needs.size(); ++c) {
            needs[c].least = std::max(
                needs[c].least, std::min(widestWord(row[c], false), kPage.leastWordWidth) + pad);
            needs[c].body = std::max(needs[c].body, estimatedTextWidth(row[c], 1) + pad);
        }
    }
    return needs;
}

// A table's columns and what they need: `byHeadingWords` keeps the headings'
// words whole, `byCells` only the cells'; `fixed` columns are never
// narrower than their least width.
struct GridNeeds {
    std::vector<ColumnNeeds> byHeadingWords;
    std::vector<ColumnNeeds> byCells;
    std::vector<HAlign> align;
    std::vector<bool> fixed;
};

// The columns within `maxWidth`, the text no smaller than
// kPage.leastTableShrink of `size`: as fitColumns lays them out with the
// headings' words whole, else with the cells' words whole; else the fixed
// columns get their least widths, the others share what is left in
// proportion to theirs, and their texts are fitted into what they get.
Grid layOutGrid(const GridNeeds& needs, double size, double maxWidth, double left) {
    Grid grid;
    grid.left = left;
    grid.align = needs.align;
    const double leastSize = kPage.leastTableShrink * size;
    for (const auto* tried : {&needs.byHeadingWords, &needs.byCells}) {
        const FittedColumns fitted =
            fitColumns(*tried, size, maxWidth, kPage.leastTableShrink, true);
        if (fitted.size >= leastSize) {
            grid.size = fitted.size;
            grid.columns = fitted.widths;
            return grid;
        }
    }
    grid.size = leastSize;
    double fixedWidth = 0;
    double shared = 0;
    for (std::size_t c = 0; c < needs.byCells.size(); ++c) {
        (needs.fixed[c] ? fixedWidth : shared) += needs.byCells[c].least;
    }
    const double room = std::max(maxWidth - fixedWidth * leastSize, 0.0);
    for (std::size_t c = 0; c < needs.byCells.size(); ++c) {
        const double least = needs.byCells[c].least;
        grid.columns.push_back(needs.fixed[c] ? least * leastSize : room * least / shared);
    }
    return grid;
}

GridNeeds gridNeeds(const std::vector<std::string>& heading,
                    const std::vector<std::vector<std::string>>& rows, std::vector<HAlign> align,
                    std::vector<bool> fixed) {
    return {columnNeeds(heading, rows, true), columnNeeds(heading, rows, false), std::move(align),
            std::move(fixed)};
}

// ---- The pages.

struct Flow {
    double width = 0;
    double height = 0;
    double margin = 0;
    double f = 1;
    double bottom = 0; // of the content, above the footer
    std::vector<DisplayList> pages;
    double y = 0;
    double pageTop = 0; // where the current page's content starts

    double contentWidth() const { return width - 2 * margin; }
};

// A new page with the title and the rule under it.
void startPage(Flow& flow) {
    DisplayList& page = flow.pages.emplace_back(DisplayList{flow.width, flow.height, {}});
    const double size = kPage.titleSize * flow.f;
    addText(page, flow.width / 2, flow.margin, std::string(kWorksheetTitle), size, true,
            HAlign::Centre);
    const double ruleY = flow.margin + (kFontAscent + kFontDescent) * size + kPage.ruleGap * flow.f;
    addLine(page, flow.margin, ruleY, flow.width - flow.margin, ruleY, kPage.ruleWidth * flow.f);
    flow.y = flow.pageTop = ruleY + kPage.sectionGap * flow.f;
}

void flowLines(Flow& flow, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        for (std::string& piece : wrapText(line, flow.contentWidth(), flow.f, false)) {
            if (flow.y + kPage.lineSpacing * flow.f > flow.bottom && flow.y > flow.pageTop) {
                startPage(flow);
            }
            addText(flow.pages.back(), flow.margin, flow.y, std::move(piece), flow.f, false,
                    HAlign::Left);
            flow.y += kPage.lineSpacing * flow.f;
        }
    }
}

// A table's heading row and body rows, the heading repeated on each page it
// continues on; a body row of at least `leastLines` lines.
void flowTable(Flow& flow, const Grid& grid, const std::vector<std::string>& heading,
               const std::vector<std::vector<std::string>>& rows, int leastLines) {
    const FittedRow headingRow = fitRow(grid, heading, kPage.headingLines);
    const double headingHeight = rowHeight(grid, headingRow, 1);
    bool headed = false;
    for (const auto& cells : rows) {
        const FittedRow row = fitRow(grid, cells, kPage.cellLines);
        const double height = rowHeight(grid, row, leastLines);
        if (flow.y + (headed ? 0 : headingHeight) + height > flow.bottom && flow.y > flow.pageTop) {
            startPage(flow);
            headed = false;
        }
        if (!headed) {
            drawRow(flow.pages.back(), grid, headingRow, flow.y, headingHeight, true);
            flow.y += headingHeight;
            headed = true;
        }
        drawRow(flow.pages.back(), grid, row, flow.y, height, false);
        flow.y += height;
    }
}

void flowFactors(Flow& flow, const DesignStudy& study, std::string_view separator) {
    const std::vector<std::string> heading = {"Factor", "Unidad", "Bajo", "Nominal", "Alto"};
    std::vector<std::vector<std::string>> rows;
    for (const design::DesignFactor& factor : study.factors) {
        rows.push_back({factor.name, factor.unit, asTyped(factor.low, separator),
                        asTyped(factor.nominal, separator), asTyped(factor.high, separator)});
    }
    const Grid grid = layOutGrid(
        gridNeeds(heading, rows,
                  {HAlign::Left, HAlign::Left, HAlign::Centre, HAlign::Centre, HAlign::Centre},
                  std::vector<bool>(heading.size(), false)),
        kPage.tableSize * flow.f, flow.contentWidth(), flow.margin);
    flowTable(flow, grid, heading, rows, 1);
}

template <typename T>
std::vector<T> picked(const std::vector<T>& items, const std::vector<std::size_t>& which) {
    std::vector<T> out;
    for (const std::size_t i : which) {
        out.push_back(items[i]);
    }
    return out;
}

// The runs table's columns in one table when the cells' words fit across at
// the least text size; otherwise in several, one after the other, each with
// the run's number and type: the settings in as many as they need, then the
// responses' boxes in as many as they need.
std::vector<std::vector<std::size_t>> runTableParts(const std::vector<ColumnNeeds>& needs,
                                                    std::size_t firstResponse, double size,
                                                    double maxWidth) {
    const double leastSize = kPage.leastTableShrink * size;
    const auto width = [&](const std::vector<std::size_t>& columns) {
        double sum = 0;
        for (const std::size_t c : columns) {
            sum += needs[c].least * leastSize;
        }
        return sum;
    };
    std::vector<std::size_t> all;
    for (std::size_t c = 0; c < needs.size(); ++c) {
        all.push_back(c);
    }
    if (width(all) <= maxWidth) {
        return {all};
    }
    std::vector<std::vector<std::size_t>> parts;
    for (const auto& [from, to] :
         {std::pair<std::size_t, std::size_t>{2, firstResponse},
          std::pair<std::size_t, std::size_t>{firstResponse, needs.size()}}) {
        std::vector<std::size_t> part = {0, 1};
        for (std::size_t c = from; c < to; ++c) {
            part.push_back(c);
            if (part.size() > 3 && width(part) > maxWidth) {
                part.pop_back();
                parts.push_back(part);
                part = {0, 1, c};
            }
        }
        if (part.size() > 2) {
            parts.push_back(part);
        }
    }
    return parts;
}

void flowRuns(Flow& flow, const DesignStudy& study, std::string_view separator) {
    std::vector<std::string> heading = {"Ensayo", "Tipo"};
    for (const design::DesignFactor& factor : study.factors) {
        heading.push_back(withUnit(factor.name, factor.unit));
    }
    for (const design::DesignResponse& response : study.responses) {
        heading.push_back(withUnit(response.name, response.unit));
    }
    std::vector<std::vector<std::string>> rows;
    for (std::size_t r = 0; r < study.runs.size(); ++r) {
        const DesignRun& run = study.runs[r];
        std::vector<std::string> cells = {std::to_string(r + 1),
                                          run.type == RunType::Design ? "diseño" : "nominal"};
        for (std::size_t f = 0; f < study.factors.size(); ++f) {
            cells.push_back(worksheetSetting(study, f, run, separator));
        }
        for (std::size_t v = 0; v < study.responses.size(); ++v) {
            const bool measured = v < run.values.size() && run.values[v].has_value();
            cells.push_back(measured ? formatResult(*run.values[v], separator) : std::string());
        }
        rows.push_back(std::move(cells));
    }
    std::vector<HAlign> align(heading.size(), HAlign::Centre);
    align[1] = HAlign::Left;
    // The run's number and type keep their width: the settings and the
    // responses give way.
    std::vector<bool> fixed(heading.size(), false);
    fixed[0] = fixed[1] = true;
    GridNeeds needs = gridNeeds(heading, rows, std::move(align), std::move(fixed));
    const std::size_t firstResponse = 2 + study.factors.size();
    for (auto* columns : {&needs.byHeadingWords, &needs.byCells}) {
        for (std::size_t c = firstResponse; c < columns->size(); ++c) {
            (*columns)[c].least = std::max((*columns)[c].least, kPage.boxWidth);
            (*columns)[c].body = std::max((*columns)[c].body, kPage.boxWidth);
        }
    }
    const double size = kPage.tableSize * flow.f;
    const std::vector<std::vector<std::size_t>> parts =
        runTableParts(needs.byCells, firstResponse, size, flow.contentWidth());
    for (std::size_t p = 0; p < parts.size(); ++p) {
        if (p > 0) {
            flow.y += kPage.sectionGap * flow.f;
        }
        const auto& columns = parts[p];
        const GridNeeds partNeeds{picked(needs.byHeadingWords, columns),
                                  picked(needs.byCells, columns), picked(needs.align, columns),
                                  picked(needs.fixed, columns)};
        std::vector<std::vector<std::string>> partRows;
        for (const auto& row : rows) {
            partRows.push_back(picked(row, columns));
        }
        flowTable(flow, layOutGrid(partNeeds, size, flow.contentWidth(), flow.margin),
                  picked(heading, columns), partRows, kPage.runRowLines);
    }
}

// "Realizó" and "Revisó", each with its date, on lines of their own below the
// runs, together on the last page.
void flowSignOff(Flow& flow) {
    const double step = kPage.signGap * kPage.lineSpacing * flow.f;
    const double gap = 2 * kPage.sectionGap * flow.f;
    if (flow.y + gap + 2 * step > flow.bottom) {
        startPage(flow);
    } else {
        flow.y += gap;
    }
    for (const char* who : {"Realizó:", "Revisó:"}) {
        const std::string text =
            std::string(who) + " ______________________________    Fecha: " + "______________";
        for (std::string& line : fitTextLines(text, flow.contentWidth(), 1, flow.f)) {
            addText(flow.pages.back(), flow.margin, flow.y, std::move(line), flow.f, false,
                    HAlign::Left);
            flow.y += kPage.lineSpacing * flow.f;
        }
        flow.y += step - kPage.lineSpacing * flow.f;
    }
}

void addFooters(Flow& flow, const std::string& method) {
    const double size = kPage.footerSize * flow.f;
    const double ruleY =
        flow.bottom + (kPage.footerRoom - kPage.lineSpacing * kPage.footerSize) * flow.f / 2;
    const double textY = ruleY + 0.3 * flow.f;
    const std::size_t count = flow.pages.size();
    for (std::size_t i = 0; i < count; ++i) {
        DisplayList& page = flow.pages[i];
        const std::string number =
            "Página " + std::to_string(i + 1) + " de " + std::to_string(count);
        addLine(page, flow.margin, ruleY, flow.width - flow.margin, ruleY,
                kPage.ruleWidth * flow.f / 2);
        const double room = flow.contentWidth() - estimatedTextWidth(number, size) - 2 * size;
        for (std::string& line : fitTextLines(method, room, 0, size)) {
            if (!line.empty()) {
                addText(page, flow.margin, textY, std::move(line), size, false, HAlign::Left);
            }
        }
        addText(page, flow.width - flow.margin, textY, number, size, false, HAlign::Right);
    }
}

} // namespace

std::string worksheetSetting(const DesignStudy& study, std::size_t factor, const DesignRun& run,
                             std::string_view decimalSeparator) {
    const design::DesignFactor& f = study.factors.at(factor);
    int code = 0;
    if (run.type == RunType::Design) {
        for (std::size_t c = 0; c < study.columns.size() && c < run.codes.size(); ++c) {
            if (study.columns[c].factor == static_cast<int>(factor)) {
                code = run.codes[c];
            }
        }
    }
    const std::string& setting = code < 0 ? f.low : code > 0 ? f.high : f.nominal;
    return asTyped(setting, decimalSeparator);
}

std::vector<DisplayList> composeWorksheetPages(const DesignStudy& study, double pageWidth,
                                               double pageHeight,
                                               std::string_view decimalSeparator) {
    if (!positiveFinite(pageWidth) || !positiveFinite(pageHeight)) {
        throw std::invalid_argument("a page needs a finite, positive width and height");
    }
    Flow flow;
    flow.width = pageWidth;
    flow.height = pageHeight;
    flow.margin = kPage.margin * std::min(pageWidth, pageHeight);
    flow.f = flow.contentWidth() * kPage.fontPerWidth;
    flow.bottom = pageHeight - flow.margin - kPage.footerRoom * flow.f;

    startPage(flow);
    flowLines(flow, {"Método: " + study.method, "Analista: " + study.analyst,
                     "Fecha: " + study.date, designLine(study)});
    flow.y += kPage.sectionGap * flow.f;
    flowFactors(flow, study, decimalSeparator);
    flow.y += kPage.sectionGap * flow.f;
    flowRuns(flow, study, decimalSeparator);
    flowSignOff(flow);
    addFooters(flow, study.method);
    return flow.pages;
}

} // namespace robustez
