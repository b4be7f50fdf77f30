#include "core/report/summary_figure.h"

#include "core/report/figure_axis.h"
#include "core/report/text_fit.h"
#include "core/stats/number_format.h"
#include "core/study/study_record.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace robustez {
namespace {

using namespace axis;

constexpr Rgb kInk{0, 0, 0};
constexpr Rgb kAxisInk{0x33, 0x33, 0x33};
constexpr Rgb kGridInk{0xDD, 0xDD, 0xDD};
constexpr Rgb kFrameInk{0x88, 0x88, 0x88};

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

// ---- The axis.

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

// The finite values' range and 0, at least a ten-thousandth of their
// magnitude wide, [-1, 1] when all are zero, padded at both ends.
Span axisSpan(const std::vector<double>& values) {
    return axis::axisSpan(values, kForest.axisPad, 1e-4L);
}

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
        for (double value : niceTicks(map.span, target).values) {
            Tick tick{value, map(value), formatResult(value, separator)};
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

} // namespace robustez
