#include "core/report/summary_figure.h"

#include "core/stats/number_format.h"
#include "core/study/study_record.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>
#include <utility>

namespace robustez {
namespace {

constexpr Rgb kInk{0, 0, 0};
constexpr Rgb kAxisInk{0x33, 0x33, 0x33};
constexpr Rgb kGridInk{0xDD, 0xDD, 0xDD};
constexpr Rgb kFrameInk{0x88, 0x88, 0x88};
constexpr Rgb kRuleInk{0x55, 0x55, 0x55};
constexpr Rgb kHeadingFill{0xEB, 0xEB, 0xEB};

constexpr std::string_view kForestTitle =
    "Diferencia relativa frente a Normal (% de la media Normal) con su IC 95 % simultáneo";
constexpr std::string_view kForestAxisTitle = "Diferencia relativa (% de la media Normal)";
constexpr std::string_view kNoComparison = "Ningún estudio tiene resultado.";

bool positiveFinite(double value) {
    return std::isfinite(value) && value > 0;
}

// Primitives added to a list, sizes in base text sizes.
class Pen {
public:
    Pen(DisplayList& list, double f) : list_(list), f_(f) {}
    double f() const { return f_; }

    void line(double x1, double y1, double x2, double y2, double width, Rgb color) {
        list_.items.emplace_back(LinePrimitive{x1, y1, x2, y2, width * f_, color, false});
    }
    void rect(double x, double y, double width, double height, Rgb color) {
        list_.items.emplace_back(RectPrimitive{x, y, width, height, color, true, 0});
    }
    void square(double x, double y, double side, Rgb color) {
        rect(x - side * f_ / 2, y - side * f_ / 2, side * f_, side * f_, color);
    }
    void frame(double x, double y, double width, double height, double lineWidth, Rgb color) {
        list_.items.emplace_back(RectPrimitive{x, y, width, height, color, false, lineWidth * f_});
    }
    void text(double x, double y, std::string content, double size, bool bold, HAlign align,
              VAlign valign, Rgb color) {
        list_.items.emplace_back(
            TextPrimitive{x, y, std::move(content), size * f_, bold, align, valign, color});
    }

private:
    DisplayList& list_;
    double f_;
};

// ---------------------------------------------------------------------------
// The forest plot's look, in base text sizes.

struct ForestMetrics {
    double padding;
    double titleSize;
    double lineSpacing;
    double titleGap;
    double legendRow;     // height of a legend row
    double legendSwatch;  // side of a legend's marker
    double legendGap;     // between a swatch and its text
    double legendItemGap; // between items
    double rowPitch;      // per line of the plot
    double labelShare;    // of the width, at most, for the condition labels
    double columnGap;
    double markerSide;
    double capHalfHeight;
    double intervalWidth;
    double zeroWidth;
    double gridWidth;
    double frameWidth;
    double separatorWidth;
    double tickLength;
    double labelGap;
    double rightReserve;  // beyond the plot, for the last tick label
    double lengthPerTick; // of axis, per intended tick
    double tickSpacing;   // least gap between tick labels
    double axisPad;       // of the span, at each end
};

constexpr ForestMetrics kForest{
    .padding = 0.6,
    .titleSize = 1.1,
    .lineSpacing = 1.3,
    .titleGap = 0.4,
    .legendRow = 1.5,
    .legendSwatch = 0.65,
    .legendGap = 0.4,
    .legendItemGap = 1.6,
    .rowPitch = 1.6,
    .labelShare = 0.3,
    .columnGap = 0.6,
    .markerSide = 0.65,
    .capHalfHeight = 0.3,
    .intervalWidth = 0.13,
    .zeroWidth = 0.12,
    .gridWidth = 0.05,
    .frameWidth = 0.06,
    .separatorWidth = 0.04,
    .tickLength = 0.35,
    .labelGap = 0.25,
    .rightReserve = 1.5,
    .lengthPerTick = 6,
    .tickSpacing = 1.0,
    .axisPad = 0.05,
};

constexpr int kMostTicks = 8;

// ---- The axis, in extended precision: no overflow near the largest doubles.

using Wide = long double;

struct Span {
    Wide lo = -1;
    Wide hi = 1;
};

std::vector<double> axisValues(const std::vector<ForestLine>& lines,
                               std::optional<double> limitPct) {
    std::vector<double> values = {0};
    if (limitPct && std::isfinite(*limitPct)) {
        values.insert(values.end(), {-*limitPct, *limitPct});
    }
    for (const ForestLine& line : lines) {
        values.insert(values.end(), {line.relativePct, line.lowPct, line.highPct});
    }
    return values;
}

// The finite values' range, at least a ten-thousandth of their magnitude
// wide, [-1, 1] when all are zero, padded at both ends.
Span axisSpan(const std::vector<double>& values) {
    Wide lo = 0;
    Wide hi = 0;
    for (double v : values) {
        if (std::isfinite(v)) {
            lo = std::min<Wide>(lo, v);
            hi = std::max<Wide>(hi, v);
        }
    }
    if (lo == 0 && hi == 0) {
        return {};
    }
    const Wide leastWidth = std::max(std::fabs(lo), std::fabs(hi)) * 1e-4L;
    if (hi - lo < leastWidth) {
        const Wide middle = (lo + hi) / 2;
        lo = middle - leastWidth / 2;
        hi = middle + leastWidth / 2;
    }
    const Wide pad = (hi - lo) * kForest.axisPad;
    return {lo - pad, hi + pad};
}

struct AxisMap {
    Span span;
    double from = 0;
    double to = 1;

    double operator()(double value) const {
        return from + static_cast<double>((to - from) * ((value - span.lo) / (span.hi - span.lo)));
    }
};

// Round values (1, 2, 2.5 or 5 times a power of ten apart) within the
// span, about `target` intervals of it.
std::vector<double> niceTicks(const Span& span, int target) {
    const Wide raw = (span.hi - span.lo) / target;
    const Wide decade = std::pow(10.0L, std::floor(std::log10(raw)));
    Wide step = 10 * decade;
    for (Wide multiple : {1.0L, 2.0L, 2.5L, 5.0L}) {
        if (multiple * decade >= raw) {
            step = multiple * decade;
            break;
        }
    }
    std::vector<double> ticks;
    for (Wide k = std::ceil(span.lo / step); k <= std::floor(span.hi / step); ++k) {
        const auto tick = static_cast<double>(k * step);
        if (std::isfinite(tick)) {
            ticks.push_back(tick == 0 ? 0.0 : tick);
        }
    }
    return ticks;
}

struct Tick {
    double position;
    std::string label;
};

// The ticks whose centred labels stay within [0, width], keep apart and
// differ: the most of them, up to kMostTicks.
std::vector<Tick> axisTicks(const AxisMap& map, double width, double f,
                            std::string_view separator) {
    const double length = map.to - map.from;
    std::vector<Tick> kept;
    const int first =
        std::clamp(static_cast<int>(length / (kForest.lengthPerTick * f)), 2, kMostTicks);
    for (int target = first; target >= 2; --target) {
        kept.clear();
        bool fine = true;
        for (double value : niceTicks(map.span, target)) {
            Tick tick{map(value), formatResult(value, separator)};
            const double half = estimatedTextWidth(tick.label, f) / 2;
            if (tick.position - half < 0 || tick.position + half > width) {
                continue;
            }
            if (!kept.empty()) {
                const double gap = tick.position - kept.back().position -
                                   estimatedTextWidth(kept.back().label, f) / 2 - half;
                fine = fine && gap >= kForest.tickSpacing * f && tick.label != kept.back().label;
            }
            kept.push_back(std::move(tick));
        }
        if (fine && kept.size() >= 2) {
            break;
        }
    }
    return kept;
}

// ---- The legend.

struct LegendItem {
    Rgb color;
    bool band; // the band's swatch rather than a marker
    std::string text;
};

std::vector<LegendItem> legendItems(std::optional<double> limitPct, std::string_view separator) {
    std::vector<LegendItem> items = {
        {kForestTolerantInk, false, "TOLERANTE"},
        {kForestNotTolerantInk, false, "NO TOLERANTE"},
    };
    if (limitPct) {
        items.push_back({kForestBandFill, true,
                         "Límite de equivalencia ±" + formatResult(*limitPct, separator) + " %"});
    }
    return items;
}

double legendItemWidth(const LegendItem& item, double f) {
    return (kForest.legendSwatch + kForest.legendGap) * f + estimatedTextWidth(item.text, f);
}

// The items in rows no wider than `width` (at least one item a row).
std::vector<std::vector<LegendItem>> legendRows(const std::vector<LegendItem>& items, double width,
                                                double f) {
    std::vector<std::vector<LegendItem>> rows;
    double used = 0;
    for (const LegendItem& item : items) {
        const double need = legendItemWidth(item, f);
        if (rows.empty() || used + kForest.legendItemGap * f + need > width) {
            rows.emplace_back();
            used = need;
        } else {
            used += kForest.legendItemGap * f + need;
        }
        rows.back().push_back(item);
    }
    return rows;
}

// ---- The frame of the plot.

struct ForestFrame {
    double f = 1;
    std::vector<std::string> title;
    std::vector<std::vector<LegendItem>> legend;
    double legendTop = 0;
    double plotTop = 0;
};

ForestFrame forestFrame(std::optional<double> limitPct, double width, double f,
                        std::string_view separator) {
    ForestFrame frame;
    frame.f = f;
    const double inner = std::max(width - 2 * kForest.padding * f, f);
    frame.title = wrapText(kForestTitle, inner, kForest.titleSize * f, true);
    frame.legend = legendRows(legendItems(limitPct, separator), inner, f);
    frame.legendTop =
        kForest.padding * f +
        static_cast<double>(frame.title.size()) * kForest.lineSpacing * kForest.titleSize * f +
        kForest.titleGap * f;
    frame.plotTop =
        frame.legendTop + static_cast<double>(frame.legend.size()) * kForest.legendRow * f;
    return frame;
}

// What lies below the plot: ticks, their labels, the axis title.
double belowPlot(double f) {
    return (kForest.tickLength + kForest.labelGap + 2 * kForest.lineSpacing + kForest.padding) * f;
}

void drawHeading(Pen& pen, const ForestFrame& frame, double width) {
    const double f = frame.f;
    double y = kForest.padding * f;
    for (const std::string& line : frame.title) {
        pen.text(width / 2, y, line, kForest.titleSize, true, HAlign::Centre, VAlign::Top, kInk);
        y += kForest.lineSpacing * kForest.titleSize * f;
    }
    y = frame.legendTop + kForest.legendRow * f / 2;
    for (const auto& row : frame.legend) {
        double rowWidth = -kForest.legendItemGap * f;
        for (const LegendItem& item : row) {
            rowWidth += kForest.legendItemGap * f + legendItemWidth(item, f);
        }
        double x = (width - rowWidth) / 2;
        for (const LegendItem& item : row) {
            const double side = kForest.legendSwatch * f;
            if (item.band) {
                pen.rect(x, y - side / 2, side, side, item.color);
            } else {
                pen.square(x + side / 2, y, kForest.legendSwatch, item.color);
            }
            pen.text(x + side + kForest.legendGap * f, y, item.text, 1, false, HAlign::Left,
                     VAlign::Middle, kInk);
            x += legendItemWidth(item, f) + kForest.legendItemGap * f;
        }
        y += kForest.legendRow * f;
    }
}

// The widest condition label, within its share of the width.
double labelColumnWidth(const std::vector<ForestLine>& lines, std::size_t first, std::size_t end,
                        double width, double f) {
    double widest = 0;
    for (std::size_t i = first; i < end; ++i) {
        widest = std::max(widest, estimatedTextWidth(lines[i].condition, f));
    }
    return std::min(widest, kForest.labelShare * width);
}

void drawAxis(Pen& pen, const AxisMap& map, double top, double bottom, double width,
              std::string_view separator) {
    const double f = pen.f();
    const double labelTop = bottom + (kForest.tickLength + kForest.labelGap) * f;
    for (const Tick& tick : axisTicks(map, width, f, separator)) {
        pen.line(tick.position, top, tick.position, bottom, kForest.gridWidth, kGridInk);
        pen.line(tick.position, bottom, tick.position, bottom + kForest.tickLength * f,
                 kForest.frameWidth, kFrameInk);
        pen.text(tick.position, labelTop, tick.label, 1, false, HAlign::Centre, VAlign::Top,
                 kAxisInk);
    }
    pen.text((map.from + map.to) / 2, labelTop + kForest.lineSpacing * f,
             std::string(kForestAxisTitle), 1, false, HAlign::Centre, VAlign::Top, kInk);
}

void drawInterval(Pen& pen, const ForestLine& line, double y, const AxisMap& map) {
    const Rgb color = line.tolerant ? kForestTolerantInk : kForestNotTolerantInk;
    if (std::isfinite(line.lowPct) && std::isfinite(line.highPct)) {
        const double low = map(line.lowPct);
        const double high = map(line.highPct);
        const double cap = kForest.capHalfHeight * pen.f();
        pen.line(low, y, high, y, kForest.intervalWidth, color);
        pen.line(low, y - cap, low, y + cap, kForest.intervalWidth, color);
        pen.line(high, y - cap, high, y + cap, kForest.intervalWidth, color);
    }
    if (std::isfinite(line.relativePct)) {
        pen.square(map(line.relativePct), y, kForest.markerSide, color);
    }
}

// A condition's label in at most `most` lines of `width`, centred on y.
void drawConditionLabel(Pen& pen, const std::string& label, double x, double y, double width,
                        std::size_t most) {
    const double f = pen.f();
    std::vector<std::string> lines = wrapText(label, std::max(width, f), f, false);
    if (lines.size() > most) {
        lines.resize(most);
        lines.back() += " ...";
    }
    double lineY = y - (static_cast<double>(lines.size()) - 1) * kForest.lineSpacing * f / 2;
    for (std::string& line : lines) {
        pen.text(x, lineY, std::move(line), 1, false, HAlign::Left, VAlign::Middle, kInk);
        lineY += kForest.lineSpacing * f;
    }
}

// Where the rows go: the plot's box and each row's pitch.
struct RowsBox {
    double left, right, top, bottom, pitch;
};

void drawRows(Pen& pen, const std::vector<ForestLine>& lines, std::size_t first, std::size_t end,
              const RowsBox& box, double labelWidth, const AxisMap& map) {
    const double f = pen.f();
    const double labelLeft = kForest.padding * f;
    for (std::size_t i = first; i < end; ++i) {
        const double y = box.top + (static_cast<double>(i - first) + 0.5) * box.pitch;
        const bool pairStart = i == first || lines[i].level == kLevelBaja;
        if (pairStart && i != first) {
            const double rule = y - box.pitch / 2;
            pen.line(labelLeft, rule, box.right, rule, kForest.separatorWidth, kFrameInk);
        }
        if (pairStart) {
            const bool pair = i + 1 < end && lines[i + 1].level == kLevelAlta;
            drawConditionLabel(pen, lines[i].condition, labelLeft, pair ? y + box.pitch / 2 : y,
                               labelWidth, pair ? 2 : 1);
        }
        pen.text(box.left - kForest.columnGap * f, y,
                 std::string(kGridHeaders[static_cast<std::size_t>(lines[i].level)]), 1, false,
                 HAlign::Right, VAlign::Middle, kInk);
        drawInterval(pen, lines[i], y, map);
    }
}

void checkBox(double width, double height, double fontSize) {
    if (!positiveFinite(width) || !positiveFinite(height) || !positiveFinite(fontSize)) {
        throw std::invalid_argument("a figure needs a finite, positive width, height and size");
    }
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
    bool alert = false; // in the second colour
};

// A row of the page table; a spanning row's second cell runs to the end.
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

std::vector<PageBlock> pageTableBlocks(const SummaryStudies& summary, const SummaryTable& table) {
    std::vector<PageBlock> blocks;
    const bool withLimit = summary.equivalenceLimitPct.has_value();
    for (std::size_t s = 0; s < table.rows.size(); ++s) {
        const auto& row = table.rows[s];
        if (hasResult(summary.studies[s])) {
            blocks.push_back(computedBlock(row, withLimit));
        } else {
            blocks.push_back({PageRow{{{row[0]}, {row[kSummaryMessageColumn], true}}, true}});
        }
    }
    return blocks;
}

// What a column needs, in ems at size 1, padding included.
struct ColumnNeeds {
    double least = 0; // its longest word
    double body = 0;  // its longest body cell on one line
    double whole = 0; // body and heading on one line
};

double widestWord(std::string_view text, bool bold) {
    double widest = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        widest = std::max(widest, estimatedTextWidth(text.substr(start, end - start), 1, bold));
        start = end + 1;
    }
    return widest;
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
            const std::size_t cells = row.spanning ? 1 : row.cells.size();
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

double total(const std::vector<double>& widths) {
    return std::accumulate(widths.begin(), widths.end(), 0.0);
}

// Widths from `from` towards `to`, sharing out `room` in proportion to what
// each still lacks.
std::vector<double> grownTowards(const std::vector<double>& from, const std::vector<double>& to,
                                 double room) {
    const double lacking = total(to) - total(from);
    const double share = lacking > room ? std::max(room, 0.0) / lacking : 1.0;
    std::vector<double> widths(from.size());
    for (std::size_t c = 0; c < from.size(); ++c) {
        widths[c] = from[c] + (to[c] - from[c]) * share;
    }
    return widths;
}

struct TableLayout {
    double size = 1;
    std::vector<double> columns; // in page units
};

// A smaller text (within bounds) rather than wrapped body cells; columns
// their longest word, then their body, then their heading on one line, the
// rest shared equally.
TableLayout layoutTable(const std::vector<ColumnNeeds>& needs, double size, double maxWidth) {
    std::vector<double> least;
    std::vector<double> body;
    std::vector<double> whole;
    for (const ColumnNeeds& n : needs) {
        least.push_back(n.least);
        body.push_back(n.body);
        whole.push_back(n.whole);
    }
    TableLayout layout;
    const double bodySize =
        std::max(maxWidth / std::max(total(body), 1.0), kPage.leastTableShrink * size);
    layout.size = std::min({size, bodySize, maxWidth / std::max(total(least), 1.0)});
    const double available = maxWidth / layout.size;
    std::vector<double> widths = grownTowards(least, body, available - total(least));
    widths = grownTowards(widths, whole, available - total(widths));
    const double rest = available - total(widths);
    for (double& w : widths) {
        w = (w + std::max(rest, 0.0) / static_cast<double>(widths.size())) * layout.size;
    }
    layout.columns = std::move(widths);
    return layout;
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
// in the second colour.
void flowHeading(Flow& flow, const std::vector<std::string>& lines) {
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const bool warning = lines[i].rfind("AVISO:", 0) == 0;
        flowLines(flow, {lines[i]}, warning, warning ? kForestNotTolerantInk : kInk);
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
        const bool toEnd = row.spanning && c == 1;
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

std::vector<ForestLine> forestLines(const SummaryStudies& summary) {
    const std::vector<std::string> labels = studyLabels(summary);
    std::vector<ForestLine> lines;
    for (std::size_t s = 0; s < summary.studies.size(); ++s) {
        if (!hasResult(summary.studies[s])) {
            continue;
        }
        const StudyEvidence& evidence = *summary.studies[s].evidence;
        const double normalMean = evidence.results.mean[kLevelNormal];
        for (const ComparisonEvidence& c : evidence.comparisons) {
            const double low = 100 * c.ciLow / normalMean;
            const double high = 100 * c.ciHigh / normalMean;
            lines.push_back({labels[s], c.level, c.relativeDifferencePct, std::min(low, high),
                             std::max(low, high), c.tolerant});
        }
    }
    return lines;
}

double forestPlotHeight(std::size_t count, std::optional<double> limitPct, double width,
                        double fontSize) {
    // "." and "," are as wide: the legend takes the same room with either.
    const ForestFrame frame = forestFrame(limitPct, width, fontSize, ".");
    const double rows = static_cast<double>(std::max<std::size_t>(count, 2));
    return frame.plotTop + rows * kForest.rowPitch * fontSize + belowPlot(fontSize);
}

DisplayList composeForestPlot(const std::vector<ForestLine>& lines, std::size_t first,
                              std::size_t count, std::optional<double> limitPct, double width,
                              double height, std::string_view decimalSeparator, double fontSize) {
    checkBox(width, height, fontSize);
    const double f = fontSize;
    DisplayList list{width, height, {}};
    Pen pen(list, f);
    const ForestFrame frame = forestFrame(limitPct, width, f, decimalSeparator);
    drawHeading(pen, frame, width);

    first = std::min(first, lines.size());
    const std::size_t end = first + std::min(count, lines.size() - first);
    const double labelWidth = labelColumnWidth(lines, first, end, width, f);
    const double levelWidth =
        std::max(estimatedTextWidth("Baja", f), estimatedTextWidth("Alta", f));
    RowsBox box{};
    box.left = kForest.padding * f + labelWidth + levelWidth + 2 * kForest.columnGap * f;
    box.right = std::max(width - (kForest.padding + kForest.rightReserve) * f, box.left + f);
    box.top = frame.plotTop;
    box.bottom = std::max(height - belowPlot(f), box.top + f);
    box.pitch = (box.bottom - box.top) / static_cast<double>(std::max<std::size_t>(end - first, 1));

    const AxisMap map{axisSpan(axisValues(lines, limitPct)), box.left, box.right};
    if (limitPct && std::isfinite(*limitPct)) {
        const double low = map(-*limitPct);
        pen.rect(low, box.top, map(*limitPct) - low, box.bottom - box.top, kForestBandFill);
    }
    drawAxis(pen, map, box.top, box.bottom, width, decimalSeparator);
    pen.line(map(0), box.top, map(0), box.bottom, kForest.zeroWidth, kInk);
    pen.frame(box.left, box.top, box.right - box.left, box.bottom - box.top, kForest.frameWidth,
              kFrameInk);
    if (first == end) {
        pen.text((box.left + box.right) / 2, (box.top + box.bottom) / 2, std::string(kNoComparison),
                 1, false, HAlign::Centre, VAlign::Middle, kInk);
    }
    drawRows(pen, lines, first, end, box, labelWidth, map);
    return list;
}

DisplayList composeSummaryFigure(const SummaryStudies& summary, double width,
                                 std::string_view decimalSeparator) {
    if (!positiveFinite(width)) {
        throw std::invalid_argument("a figure needs a finite, positive width");
    }
    const double f = width / 75;
    const std::vector<ForestLine> lines = forestLines(summary);
    const double height = forestPlotHeight(lines.size(), summary.equivalenceLimitPct, width, f);
    return composeForestPlot(lines, 0, lines.size(), summary.equivalenceLimitPct, width, height,
                             decimalSeparator, f);
}

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
