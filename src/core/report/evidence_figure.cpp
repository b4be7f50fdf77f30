#include "core/report/evidence_figure.h"

#include "core/report/figure_axis.h"
#include "core/study/study_record.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <utility>

namespace robustez {
namespace {

using namespace axis;

// ---------------------------------------------------------------------------
// The figure's look, in base text sizes unless said otherwise.

struct FigureMetrics {
    double padding;        // around the figure
    double panelGap;       // between the panels
    double leftShare;      // of the panels' width, for the left one
    double titleSize;      // panel titles, bold
    double lineSpacing;    // line height per text size
    double titleGap;       // below the titles
    double markerBand;     // above the plots, for the +-delta labels
    double tickLength;     // tick marks, outside the plots
    double labelGap;       // between a tick mark or a plot and a label
    double rowLabelGap;    // between a row label and the difference plot
    double rightReserve;   // right of the difference plot, for a centred label
    double dotRadius;      // at most
    double dotSpacing;     // between dot centres, in radii
    double dotSpread;      // of a column's width, at most, from the first dot to the last
    double meanShare;      // of a column's width, at most, for a mean bar
    double meanHalfLength; // half a mean bar, at least
    double markerSide;     // the difference's square
    double capHalfHeight;  // interval ends
    double frameWidth;
    double gridWidth;
    double zeroWidth;
    double dashedWidth;
    double meanWidth;
    double intervalWidth;
    double deltaLabelGap; // between a bound line and its label
    TickRule valueTicks;
    TickRule differenceTicks;
};

constexpr FigureMetrics kFigure{
    .padding = 0.6,
    .panelGap = 2.2,
    .leftShare = 0.42,
    .titleSize = 1.05,
    .lineSpacing = 1.2,
    .titleGap = 0.4,
    .markerBand = 1.4,
    .tickLength = 0.35,
    .labelGap = 0.3,
    .rowLabelGap = 0.6,
    .rightReserve = 1.6,
    .dotRadius = 0.3,
    .dotSpacing = 2.6,
    .dotSpread = 0.5,
    .meanShare = 0.75,
    .meanHalfLength = 0.9,
    .markerSide = 0.62,
    .capHalfHeight = 0.45,
    .frameWidth = 0.06,
    .gridWidth = 0.05,
    .zeroWidth = 0.09,
    .dashedWidth = 0.1,
    .meanWidth = 0.16,
    .intervalWidth = 0.14,
    .deltaLabelGap = 0.2,
    .valueTicks = {3.0, 1.8},
    .differenceTicks = {4.0, 1.0},
};

// The base text size of a figure of this box.
constexpr double kFontPerWidth = 1.0 / 55;
constexpr double kFontPerHeight = 1.0 / 24;

// Axis ranges are widened by this share of their width at both ends.
constexpr double kValuePad = 0.08;
constexpr double kDifferencePad = 0.06;

constexpr Rgb kInk{0, 0, 0};
constexpr Rgb kAxisInk{0x33, 0x33, 0x33};
constexpr Rgb kFrameInk{0x80, 0x80, 0x80};
constexpr Rgb kGridInk{0xE0, 0xE0, 0xE0};
constexpr Rgb kLimitInk{0x2E, 0x7D, 0x32};
// The values and means of every level: the levels are told apart by their
// place and label, colour being kept for the verdict.
constexpr Rgb kValueInk{0x4D, 0x4D, 0x4D};

constexpr std::string_view kValuesTitle = "Valores por nivel";
constexpr std::string_view kDifferencesTitle = "Diferencias frente a Normal (IC 95 % simultáneo)";
constexpr std::string_view kDifferenceAxisTitle = "Diferencia (nivel \u2212 Normal)";
constexpr std::string_view kMinusDelta = "\u2212\u03B4";
static_assert(kDifferenceAxisTitle.find(kMinusSign) != std::string_view::npos &&
              kMinusDelta.starts_with(kMinusSign));
constexpr std::string_view kPlusDelta = "+\u03B4";

struct Box {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;

    double width() const { return right - left; }
    double height() const { return bottom - top; }
    double centreX() const { return (left + right) / 2; }
};

// Everything one panel is drawn from.
struct Panel {
    Box whole; // title to axis labels
    Box plot;
    std::vector<std::string> title;
};

// Appends primitives to a list: positions in box units, line widths and
// relative text sizes in base text sizes.
class Drawing {
public:
    explicit Drawing(DisplayList& list, double fontSize) : list_(list), f_(fontSize) {}

    double f() const { return f_; }

    void line(double x1, double y1, double x2, double y2, double width, Rgb color,
              bool dashed = false) {
        list_.items.emplace_back(LinePrimitive{x1, y1, x2, y2, width * f_, color, dashed});
    }
    void dot(double x, double y, double radius, Rgb color) {
        list_.items.emplace_back(DotPrimitive{x, y, radius, color});
    }
    void square(double x, double y, double side, Rgb color) {
        list_.items.emplace_back(RectPrimitive{x - side / 2, y - side / 2, side, side, color});
    }
    void frame(const Box& box) {
        list_.items.emplace_back(RectPrimitive{box.left, box.top, box.width(), box.height(),
                                               kFrameInk, false, kFigure.frameWidth * f_});
    }
    void text(double x, double y, std::string content, HAlign align, VAlign valign,
              double relativeSize = 1, bool bold = false, Rgb color = kAxisInk) {
        list_.items.emplace_back(
            TextPrimitive{x, y, std::move(content), relativeSize * f_, bold, align, valign, color});
    }

private:
    DisplayList& list_;
    double f_;
};

// The two panels side by side, their plots between the titles (and the
// marker band) and the labels below.
std::array<Panel, 2> panelsFor(double width, double height, double f) {
    const FigureMetrics& m = kFigure;
    const double inner = width - 2 * m.padding * f - m.panelGap * f;
    const double leftWidth = inner * m.leftShare;
    std::array<Panel, 2> panels;
    panels[0].whole = {m.padding * f, m.padding * f, m.padding * f + leftWidth,
                       height - m.padding * f};
    panels[1].whole = {panels[0].whole.right + m.panelGap * f, m.padding * f, width - m.padding * f,
                       height - m.padding * f};
    panels[0].title = wrapText(kValuesTitle, panels[0].whole.width(), m.titleSize * f, true);
    panels[1].title = wrapText(kDifferencesTitle, panels[1].whole.width(), m.titleSize * f, true);

    const size_t titleLines = std::max(panels[0].title.size(), panels[1].title.size());
    const double plotTop = panels[0].whole.top + titleLines * m.lineSpacing * m.titleSize * f +
                           m.titleGap * f + m.markerBand * f;
    const double below = (m.tickLength + m.labelGap + 2 * m.lineSpacing) * f;
    const double plotBottom = std::max(panels[0].whole.bottom - below, plotTop + f);
    for (Panel& panel : panels) {
        panel.plot = {panel.whole.left, plotTop, panel.whole.right, plotBottom};
    }
    return panels;
}

void drawTitle(Drawing& d, const Panel& panel) {
    const double size = kFigure.titleSize * d.f();
    double y = panel.whole.top;
    for (const std::string& line : panel.title) {
        d.text(panel.whole.centreX(), y, line, HAlign::Centre, VAlign::Top, kFigure.titleSize, true,
               kInk);
        y += kFigure.lineSpacing * size;
    }
}

// The top of the first text line under a plot.
double firstLabelTop(const Box& plot, double f) {
    return plot.bottom + (kFigure.tickLength + kFigure.labelGap) * f;
}

// ---- Left panel: the values.

std::vector<double> valuesAndMeans(const StudyEvidence& evidence) {
    std::vector<double> all;
    for (int level = 1; level <= kLevelCount; ++level) {
        const auto i = static_cast<size_t>(level);
        all.insert(all.end(), evidence.values[i].begin(), evidence.values[i].end());
        all.push_back(evidence.results.mean[i]);
    }
    return all;
}

void drawValueAxis(Drawing& d, Panel& panel, const AxisMap& map, const std::vector<Tick>& ticks) {
    const double f = d.f();
    double labelWidth = 0;
    for (const Tick& tick : ticks) {
        labelWidth = std::max(labelWidth, estimatedTextWidth(tick.label, f));
    }
    panel.plot.left += labelWidth + (kFigure.labelGap + kFigure.tickLength) * f;
    for (const Tick& tick : ticks) {
        const double y = map(tick.value);
        d.line(panel.plot.left, y, panel.plot.right, y, kFigure.gridWidth, kGridInk);
        d.line(panel.plot.left - kFigure.tickLength * f, y, panel.plot.left, y, kFigure.frameWidth,
               kFrameInk);
        d.text(panel.plot.left - (kFigure.tickLength + kFigure.labelGap) * f, y, tick.label,
               HAlign::Right, VAlign::Middle);
    }
    d.frame(panel.plot);
}

// One level's column: its dots side by side in replicate order around the
// column's centre, its mean bar across them.
void drawLevelColumn(Drawing& d, const std::vector<double>& values, double mean, double centre,
                     double slotWidth, const AxisMap& map, Rgb color) {
    const double f = d.f();
    const auto n = static_cast<double>(values.size());
    const double spacing = std::min(kFigure.dotSpacing * kFigure.dotRadius * f,
                                    kFigure.dotSpread * slotWidth / std::max(n - 1, 1.0));
    const double radius = std::min(kFigure.dotRadius * f, spacing / kFigure.dotSpacing);
    if (std::isfinite(mean)) {
        const double half =
            std::min(std::max((n - 1) / 2 * spacing + 2 * radius, kFigure.meanHalfLength * f),
                     kFigure.meanShare / 2 * slotWidth);
        const double y = map(mean);
        d.line(centre - half, y, centre + half, y, kFigure.meanWidth, color);
    }
    for (size_t i = 0; i < values.size(); ++i) {
        if (std::isfinite(values[i])) {
            const double x = centre + (static_cast<double>(i) - (n - 1) / 2) * spacing;
            d.dot(x, map(values[i]), radius, color);
        }
    }
}

void drawValuesPanel(Drawing& d, Panel panel, const StudyEvidence& evidence,
                     std::string_view separator) {
    const double f = d.f();
    drawTitle(d, panel);
    const AxisMap map{axisSpan(valuesAndMeans(evidence), kValuePad), panel.plot.bottom,
                      panel.plot.top};
    drawValueAxis(d, panel, map, verticalTicks(map, f, kFigure.valueTicks, separator));

    const double normalMean = evidence.results.mean[kLevelNormal];
    if (std::isfinite(normalMean)) {
        const double y = map(normalMean);
        d.line(panel.plot.left, y, panel.plot.right, y, kFigure.dashedWidth, kValueInk, true);
    }
    const double slotWidth = panel.plot.width() / kLevelCount;
    for (int level = 1; level <= kLevelCount; ++level) {
        const auto i = static_cast<size_t>(level);
        const double centre = panel.plot.left + (level - 0.5) * slotWidth;
        drawLevelColumn(d, evidence.values[i], evidence.results.mean[i], centre, slotWidth, map,
                        kValueInk);
        d.text(centre, firstLabelTop(panel.plot, f), std::string(kGridHeaders[i]), HAlign::Centre,
               VAlign::Top, 1, false, kInk);
    }
}

// ---- Right panel: the differences.

// The bound of the equivalence limit, when one is set and it is a double.
std::optional<double> equivalenceBound(const StudyEvidence& evidence) {
    if (!evidence.equivalenceLimitPct) {
        return std::nullopt;
    }
    const double bound =
        *evidence.equivalenceLimitPct / 100 * std::fabs(evidence.results.mean[kLevelNormal]);
    if (!std::isfinite(bound)) {
        return std::nullopt;
    }
    return bound;
}

std::vector<double> differenceAxisValues(const StudyEvidence& evidence,
                                         std::optional<double> bound) {
    std::vector<double> all = {0};
    for (const ComparisonEvidence& c : evidence.comparisons) {
        all.insert(all.end(), {c.difference, c.ciLow, c.ciHigh});
    }
    if (bound) {
        all.insert(all.end(), {-*bound, *bound});
    }
    return all;
}

void drawDifferenceAxis(Drawing& d, const Panel& panel, const AxisMap& map,
                        const std::vector<Tick>& ticks) {
    const double f = d.f();
    const double labelTop = firstLabelTop(panel.plot, f);
    for (const Tick& tick : ticks) {
        const double x = map(tick.value);
        d.line(x, panel.plot.top, x, panel.plot.bottom, kFigure.gridWidth, kGridInk);
        d.line(x, panel.plot.bottom, x, panel.plot.bottom + kFigure.tickLength * f,
               kFigure.frameWidth, kFrameInk);
        d.text(x, labelTop, tick.label, HAlign::Centre, VAlign::Top);
    }
    d.frame(panel.plot);
    d.text(panel.plot.centreX(), labelTop + kFigure.lineSpacing * f,
           std::string(kDifferenceAxisTitle), HAlign::Centre, VAlign::Top, 1, false, kInk);
}

void drawEquivalenceBounds(Drawing& d, const Panel& panel, const AxisMap& map, double bound) {
    const double f = d.f();
    const double labelY = panel.plot.top - kFigure.markerBand * f / 2;
    const double low = map(-bound);
    const double high = map(bound);
    d.line(low, panel.plot.top, low, panel.plot.bottom, kFigure.dashedWidth, kLimitInk, true);
    d.line(high, panel.plot.top, high, panel.plot.bottom, kFigure.dashedWidth, kLimitInk, true);
    d.text(low - kFigure.deltaLabelGap * f, labelY, std::string(kMinusDelta), HAlign::Right,
           VAlign::Middle, 1, false, kLimitInk);
    d.text(high + kFigure.deltaLabelGap * f, labelY, std::string(kPlusDelta), HAlign::Left,
           VAlign::Middle, 1, false, kLimitInk);
}

void drawComparison(Drawing& d, const ComparisonEvidence& c, double y, const AxisMap& map,
                    Rgb color) {
    const double f = d.f();
    if (std::isfinite(c.ciLow) && std::isfinite(c.ciHigh)) {
        const double low = map(c.ciLow);
        const double high = map(c.ciHigh);
        const double cap = kFigure.capHalfHeight * f;
        d.line(low, y, high, y, kFigure.intervalWidth, color);
        d.line(low, y - cap, low, y + cap, kFigure.intervalWidth, color);
        d.line(high, y - cap, high, y + cap, kFigure.intervalWidth, color);
    }
    if (std::isfinite(c.difference)) {
        d.square(map(c.difference), y, kFigure.markerSide * f, color);
    }
}

void drawDifferencesPanel(Drawing& d, Panel panel, const StudyEvidence& evidence,
                          std::string_view separator) {
    const double f = d.f();
    drawTitle(d, panel);
    double rowLabelWidth = 0;
    for (int level : {kLevelBaja, kLevelAlta}) {
        rowLabelWidth = std::max(rowLabelWidth,
                                 estimatedTextWidth(kGridHeaders[static_cast<size_t>(level)], f));
    }
    panel.plot.left += rowLabelWidth + kFigure.rowLabelGap * f;
    panel.plot.right -= kFigure.rightReserve * f;

    const std::optional<double> bound = equivalenceBound(evidence);
    const AxisMap map{axisSpan(differenceAxisValues(evidence, bound), kDifferencePad),
                      panel.plot.left, panel.plot.right};
    TickRule rule = kFigure.differenceTicks;
    rule.boundLow = panel.whole.left;
    rule.boundHigh = panel.whole.right;
    drawDifferenceAxis(d, panel, map, horizontalTicks(map, f, rule, separator));

    const double zero = map(0);
    d.line(zero, panel.plot.top, zero, panel.plot.bottom, kFigure.zeroWidth, kInk);
    if (bound) {
        drawEquivalenceBounds(d, panel, map, *bound);
    }
    for (size_t i = 0; i < evidence.comparisons.size(); ++i) {
        const size_t level = kLevelBaja + i;
        const double y = panel.plot.top + static_cast<double>(i + 1) * panel.plot.height() / 3;
        d.text(panel.plot.left - kFigure.rowLabelGap * f, y, std::string(kGridHeaders[level]),
               HAlign::Right, VAlign::Middle, 1, false, kInk);
        const ComparisonEvidence& c = evidence.comparisons[i];
        drawComparison(d, c, y, map, c.tolerant ? kTolerantInk : kNotTolerantInk);
    }
}

bool positiveFinite(double value) {
    return std::isfinite(value) && value > 0;
}

} // namespace

DisplayList composeEvidenceFigure(const StudyEvidence& evidence, double width, double height,
                                  std::string_view decimalSeparator) {
    if (!positiveFinite(width) || !positiveFinite(height)) {
        throw std::invalid_argument("a figure needs a finite, positive width and height");
    }
    return composeEvidenceFigure(evidence, width, height, decimalSeparator,
                                 std::min(width * kFontPerWidth, height * kFontPerHeight));
}

DisplayList composeEvidenceFigure(const StudyEvidence& evidence, double width, double height,
                                  std::string_view decimalSeparator, double fontSize) {
    if (!positiveFinite(width) || !positiveFinite(height) || !positiveFinite(fontSize)) {
        throw std::invalid_argument("a figure needs a finite, positive width, height and size");
    }
    DisplayList list{width, height, {}};
    Drawing drawing(list, fontSize);
    const std::array<Panel, 2> panels = panelsFor(width, height, fontSize);
    drawValuesPanel(drawing, panels[0], evidence, decimalSeparator);
    drawDifferencesPanel(drawing, panels[1], evidence, decimalSeparator);
    return list;
}

} // namespace robustez
