#include "core/report/design_figure.h"

#include "core/report/figure_axis.h"
#include "core/report/text_fit.h"
#include "core/stats/number_format.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <utility>

namespace robustez {
namespace {

using namespace axis;
using design::Estimate;
using design::ResponseAnalysis;

constexpr Rgb kInk{0, 0, 0};
constexpr Rgb kAxisInk{0x33, 0x33, 0x33};
constexpr Rgb kFrameInk{0x80, 0x80, 0x80};
constexpr Rgb kGridInk{0xE0, 0xE0, 0xE0};
constexpr Rgb kLineInk{0x55, 0x55, 0x55};
constexpr Rgb kLeaderInk{0xA0, 0xA0, 0xA0};

constexpr std::string_view kHalfNormalTitle = "Gráfico seminormal de los efectos";
constexpr std::string_view kEffectsTitle = "Efectos por columna";
constexpr std::string_view kZAxisTitle = "z (cuantil seminormal)";
constexpr std::string_view kEffectAxisTitle = "Efecto E";
constexpr std::string_view kAbsEffect = "|E|";

// The figure's look, in base text sizes unless said otherwise.
struct DesignMetrics {
    double padding;
    double panelGap;
    double leftShare; // of the panels' width, for the half-normal plot
    double titleSize;
    double lineSpacing;
    double titleGap;
    double legendRow;
    double legendSwatch;
    double legendGap;
    double legendItemGap;
    double tickLength;
    double labelGap;
    double pointRadius;
    double pointLabelSize; // of the base size
    double pointLabelGap;
    double pointLabelShare; // of the plot's width, at most
    double rowPitch;        // least, per bar
    double barShare;        // of a row's pitch
    double rightReserve;
    double frameWidth;
    double gridWidth;
    double lineWidth;
    double zeroWidth;
    double leaderWidth;
    double leastAspect; // the figure's height at least this times its width
    double pad;         // of an axis span, at each end
};

constexpr DesignMetrics kDesign{
    .padding = 0.6,
    .panelGap = 2.0,
    .leftShare = 0.5,
    .titleSize = 1.05,
    .lineSpacing = 1.2,
    .titleGap = 0.3,
    .legendRow = 1.5,
    .legendSwatch = 0.65,
    .legendGap = 0.4,
    .legendItemGap = 1.4,
    .tickLength = 0.35,
    .labelGap = 0.3,
    .pointRadius = 0.3,
    .pointLabelSize = 0.85,
    .pointLabelGap = 0.35,
    .pointLabelShare = 0.4,
    .rowPitch = 1.35,
    .barShare = 0.6,
    .rightReserve = 1.2,
    .frameWidth = 0.06,
    .gridWidth = 0.05,
    .lineWidth = 0.1,
    .zeroWidth = 0.09,
    .leaderWidth = 0.04,
    .leastAspect = 0.45,
    .pad = 0.06,
};

constexpr TickRule kVerticalTicks{3.0, 1.8};
constexpr TickRule kHorizontalTicks{4.0, 1.0};

bool positiveFinite(double value) {
    return std::isfinite(value) && value > 0;
}

struct Box {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;

    double width() const { return right - left; }
    double height() const { return bottom - top; }
    bool overlaps(const Box& o) const {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    bool within(const Box& o) const {
        return left >= o.left && right <= o.right && top >= o.top && bottom <= o.bottom;
    }
};

class Pen {
public:
    Pen(DisplayList& list, double f) : list_(list), f_(f) {}
    double f() const { return f_; }

    void line(double x1, double y1, double x2, double y2, double width, Rgb color,
              bool dashed = false) {
        list_.items.emplace_back(LinePrimitive{x1, y1, x2, y2, width * f_, color, dashed});
    }
    void rect(double x, double y, double w, double h, Rgb color, bool filled = true) {
        list_.items.emplace_back(
            RectPrimitive{x, y, w, h, color, filled, filled ? 0 : kDesign.lineWidth * f_});
    }
    void dot(double x, double y, double radius, Rgb color) {
        list_.items.emplace_back(DotPrimitive{x, y, radius, color});
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

// The box of a text anchored at its middle (capitals 0.716 of the size).
Box middleTextBox(double x, double y, double width, double size, HAlign align) {
    const double left = align == HAlign::Left    ? x
                        : align == HAlign::Right ? x - width
                                                 : x - width / 2;
    const double baseline = y + 0.716 * size / 2;
    return {left, baseline - kFontAscent * size, left + width, baseline + kFontDescent * size};
}

// ---- What each column is.

enum class ColumnKind { Factor, Significant, Dummy };

std::vector<ColumnKind> columnKinds(const design::DesignStudy& study, const ResponseAnalysis& a) {
    std::vector<ColumnKind> kinds(a.effects.size(), ColumnKind::Dummy);
    for (std::size_t c = 0; c < kinds.size() && c < study.columns.size(); ++c) {
        if (study.columns[c].factor >= 0) {
            kinds[c] = ColumnKind::Factor;
        }
    }
    for (const design::FactorVerdict& v : a.verdicts) {
        const auto c = static_cast<std::size_t>(v.column);
        if (c < kinds.size()) {
            kinds[c] = v.verdict == "SIGNIFICATIVO" ? ColumnKind::Significant : ColumnKind::Factor;
        }
    }
    return kinds;
}

Rgb inkOf(ColumnKind kind) {
    switch (kind) {
    case ColumnKind::Significant:
        return kDesignSignificantInk;
    case ColumnKind::Dummy:
        return kDesignDummyInk;
    case ColumnKind::Factor:
        break;
    }
    return kDesignFactorInk;
}

std::string columnName(const design::DesignStudy& study, std::size_t c) {
    return c < study.columns.size() ? study.columns[c].name : std::to_string(c + 1);
}

// ---- The legend.

enum class Swatch { Dot, HollowSquare, DashedLine, Band };

struct LegendItem {
    Swatch swatch;
    Rgb color;
    std::string text;
};

std::vector<LegendItem> legendItems(bool withLimit) {
    std::vector<LegendItem> items = {
        {Swatch::Dot, kDesignFactorInk, "Factor"},
        {Swatch::Dot, kDesignSignificantInk, "Factor SIGNIFICATIVO"},
        {Swatch::HollowSquare, kDesignDummyInk, "Ficticio"},
        {Swatch::DashedLine, kLineInk, "E_crit"},
    };
    if (withLimit) {
        items.push_back({Swatch::Band, kDesignBandFill, "Equivalencia ±δ"});
    }
    return items;
}

double legendItemWidth(const LegendItem& item, double f) {
    const double swatch =
        item.swatch == Swatch::DashedLine ? 2 * kDesign.legendSwatch : kDesign.legendSwatch;
    return (swatch + kDesign.legendGap) * f + estimatedTextWidth(item.text, f);
}

std::vector<std::vector<LegendItem>> legendRows(const std::vector<LegendItem>& items, double width,
                                                double f) {
    std::vector<std::vector<LegendItem>> rows;
    double used = 0;
    for (const LegendItem& item : items) {
        const double need = legendItemWidth(item, f);
        if (rows.empty() || used + kDesign.legendItemGap * f + need > width) {
            rows.emplace_back();
            used = need;
        } else {
            used += kDesign.legendItemGap * f + need;
        }
        rows.back().push_back(item);
    }
    return rows;
}

void drawLegendRow(Pen& pen, const std::vector<LegendItem>& row, double centreX, double y) {
    const double f = pen.f();
    double rowWidth = -kDesign.legendItemGap * f;
    for (const LegendItem& item : row) {
        rowWidth += kDesign.legendItemGap * f + legendItemWidth(item, f);
    }
    double x = centreX - rowWidth / 2;
    const double side = kDesign.legendSwatch * f;
    for (const LegendItem& item : row) {
        double swatch = side;
        switch (item.swatch) {
        case Swatch::Dot:
            pen.dot(x + side / 2, y, kDesign.pointRadius * f * 1.2, item.color);
            break;
        case Swatch::HollowSquare:
            pen.rect(x + side * 0.15, y - side * 0.35, side * 0.7, side * 0.7, item.color, false);
            break;
        case Swatch::DashedLine:
            swatch = 2 * side;
            pen.line(x, y, x + swatch, y, kDesign.lineWidth, item.color, true);
            break;
        case Swatch::Band:
            pen.rect(x, y - side / 2, side, side, item.color);
            break;
        }
        pen.text(x + swatch + kDesign.legendGap * f, y, item.text, 1, false, HAlign::Left,
                 VAlign::Middle, kInk);
        x += legendItemWidth(item, f) + kDesign.legendItemGap * f;
    }
}

// ---- The frame: titles, legend, the two panels' plots.

struct Frame {
    std::vector<std::vector<LegendItem>> legend;
    std::vector<std::string> titles[2];
    Box whole[2]; // each panel, title to axis title
    Box plot[2];
    double legendTop = 0;
};

double belowPlot(double f) {
    return (kDesign.tickLength + kDesign.labelGap + 2 * kDesign.lineSpacing) * f;
}

Frame frameFor(double width, double height, double f, bool withLimit) {
    Frame fr;
    const double inner = std::max(width - 2 * kDesign.padding * f, f);
    fr.legend = legendRows(legendItems(withLimit), inner, f);
    const double panels = std::max(inner - kDesign.panelGap * f, f);
    const double leftWidth = panels * kDesign.leftShare;
    const double top = kDesign.padding * f;
    const double bottom = height - kDesign.padding * f;
    fr.whole[0] = {kDesign.padding * f, top, kDesign.padding * f + leftWidth, bottom};
    fr.whole[1] = {fr.whole[0].right + kDesign.panelGap * f, top, width - kDesign.padding * f,
                   bottom};
    fr.titles[0] = wrapText(kHalfNormalTitle, fr.whole[0].width(), kDesign.titleSize * f, true);
    fr.titles[1] = wrapText(kEffectsTitle, fr.whole[1].width(), kDesign.titleSize * f, true);
    const std::size_t titleLines = std::max(fr.titles[0].size(), fr.titles[1].size());
    fr.legendTop = top +
                   static_cast<double>(titleLines) * kDesign.lineSpacing * kDesign.titleSize * f +
                   kDesign.titleGap * f;
    // The legend, then a text line for the |E| label and the ±E_crit labels.
    const double plotTop = fr.legendTop +
                           static_cast<double>(fr.legend.size()) * kDesign.legendRow * f +
                           kDesign.lineSpacing * f;
    const double plotBottom = std::max(bottom - belowPlot(f), plotTop + f);
    for (int p = 0; p < 2; ++p) {
        fr.plot[p] = {fr.whole[p].left, plotTop, fr.whole[p].right, plotBottom};
    }
    return fr;
}

void drawTitles(Pen& pen, const Frame& fr) {
    const double f = pen.f();
    for (int p = 0; p < 2; ++p) {
        double y = fr.whole[p].top;
        for (const std::string& line : fr.titles[p]) {
            pen.text((fr.whole[p].left + fr.whole[p].right) / 2, y, line, kDesign.titleSize, true,
                     HAlign::Centre, VAlign::Top, kInk);
            y += kDesign.lineSpacing * kDesign.titleSize * f;
        }
    }
    double y = fr.legendTop + kDesign.legendRow * f / 2;
    for (const auto& row : fr.legend) {
        drawLegendRow(pen, row, (fr.whole[0].left + fr.whole[1].right) / 2, y);
        y += kDesign.legendRow * f;
    }
}

// A horizontal axis under the plot: grid, ticks, labels, title.
void drawHorizontalAxis(Pen& pen, const Box& plot, const Box& whole, const AxisMap& map,
                        std::string_view title, std::string_view separator) {
    const double f = pen.f();
    TickRule rule = kHorizontalTicks;
    rule.boundLow = whole.left;
    rule.boundHigh = whole.right;
    const double labelTop = plot.bottom + (kDesign.tickLength + kDesign.labelGap) * f;
    for (const Tick& tick : horizontalTicks(map, f, rule, separator)) {
        pen.line(tick.position, plot.top, tick.position, plot.bottom, kDesign.gridWidth, kGridInk);
        pen.line(tick.position, plot.bottom, tick.position, plot.bottom + kDesign.tickLength * f,
                 kDesign.frameWidth, kFrameInk);
        pen.text(tick.position, labelTop, tick.label, 1, false, HAlign::Centre, VAlign::Top,
                 kAxisInk);
    }
    pen.text((plot.left + plot.right) / 2, labelTop + kDesign.lineSpacing * f, std::string(title),
             1, false, HAlign::Centre, VAlign::Top, kInk);
}

// ---- The half-normal plot.

struct PlacedLabels {
    std::vector<Box> taken;
};

// A label beside its point: the first place, right or left and then ever
// further up or down, that stays in the plot and clear of the other labels
// and the points; a leader line when it is away from its point's height.
void placeLabel(Pen& pen, PlacedLabels& placed, const Box& plot, double x, double y,
                const std::string& label, Rgb color) {
    const double f = pen.f();
    const double size = kDesign.pointLabelSize * f;
    // A long name is cut to a share of the plot's width.
    const std::vector<std::string> fitted =
        fitTextLines(label, kDesign.pointLabelShare * plot.width() / size, 0, 1);
    const std::string text = fitted.empty() ? std::string() : fitted.front();
    const double width = estimatedTextWidth(text, size);
    const double gap = kDesign.pointLabelGap * f;
    const double step = (kFontAscent + kFontDescent) * size * 1.05;
    constexpr int kMostSteps = 24;
    for (int k = 0; k <= 2 * kMostSteps; ++k) {
        const double dy = (k % 2 == 1 ? -1 : 1) * ((k + 1) / 2) * step;
        for (const HAlign align : {HAlign::Left, HAlign::Right}) {
            const double tx = align == HAlign::Left ? x + gap : x - gap;
            const Box box = middleTextBox(tx, y + dy, width, size, align);
            const bool clear = std::none_of(placed.taken.begin(), placed.taken.end(),
                                            [&](const Box& b) { return b.overlaps(box); });
            if (clear && box.within(plot)) {
                if (dy != 0) {
                    pen.line(x, y, align == HAlign::Left ? box.left : box.right, y + dy,
                             kDesign.leaderWidth, kLeaderInk);
                }
                pen.text(tx, y + dy, text, kDesign.pointLabelSize, false, align, VAlign::Middle,
                         color);
                placed.taken.push_back(box);
                return;
            }
        }
    }
    pen.text(x + gap, y, text, kDesign.pointLabelSize, false, HAlign::Left, VAlign::Middle, color);
}

void drawHalfNormal(Pen& pen, Box plot, const Box& whole, const design::DesignStudy& study,
                    const ResponseAnalysis& a, const std::vector<ColumnKind>& kinds,
                    std::string_view separator) {
    const double f = pen.f();
    std::vector<double> zs = {0};
    std::vector<double> es = {0};
    for (const design::HalfNormalPoint& p : a.half_normal) {
        zs.push_back(p.z);
        es.push_back(p.abs_effect);
    }
    if (a.e_crit) {
        es.push_back(*a.e_crit);
    }
    // The vertical axis's labels take their room on the left.
    AxisMap yMap{axisSpan(es, kDesign.pad), plot.bottom, plot.top};
    const std::vector<Tick> yTicks = verticalTicks(yMap, f, kVerticalTicks, separator);
    double labelWidth = 0;
    for (const Tick& tick : yTicks) {
        labelWidth = std::max(labelWidth, estimatedTextWidth(tick.label, f));
    }
    plot.left += labelWidth + (kDesign.labelGap + kDesign.tickLength) * f;
    plot.right -= kDesign.rightReserve * f;
    for (const Tick& tick : yTicks) {
        const double y = yMap(tick.value);
        pen.line(plot.left, y, plot.right, y, kDesign.gridWidth, kGridInk);
        pen.line(plot.left - kDesign.tickLength * f, y, plot.left, y, kDesign.frameWidth,
                 kFrameInk);
        pen.text(plot.left - (kDesign.tickLength + kDesign.labelGap) * f, y, tick.label, 1, false,
                 HAlign::Right, VAlign::Middle, kAxisInk);
    }
    pen.text(plot.left, plot.top - kDesign.labelGap * f, std::string(kAbsEffect), 1, false,
             HAlign::Left, VAlign::Baseline, kInk);
    const AxisMap xMap{axisSpan(zs, kDesign.pad), plot.left, plot.right};
    drawHorizontalAxis(pen, plot, whole, xMap, kZAxisTitle, separator);
    pen.rect(plot.left, plot.top, plot.width(), plot.height(), kFrameInk, false);

    PlacedLabels placed;
    // The line through the origin, of slope the effects' standard error,
    // up to the top of the plot.
    const std::optional<double> se = estimateStandardError(a);
    const double zHigh = static_cast<double>(xMap.span.hi);
    const double eHigh = static_cast<double>(yMap.span.hi);
    if (se && positiveFinite(*se)) {
        const double zEnd = std::min(zHigh, eHigh / *se);
        pen.line(xMap(0), yMap(0), xMap(zEnd), yMap(zEnd * *se), kDesign.lineWidth, kLineInk);
    }
    if (a.e_crit && std::isfinite(*a.e_crit)) {
        const double y = yMap(*a.e_crit);
        pen.line(plot.left, y, plot.right, y, kDesign.lineWidth, kLineInk, true);
        const double size = kDesign.pointLabelSize * f;
        const std::string text = "E_crit";
        const double x = plot.right - kDesign.labelGap * f;
        const double textY = y - kDesign.labelGap * f - 0.716 * size / 2;
        const Box box =
            middleTextBox(x, textY, estimatedTextWidth(text, size), size, HAlign::Right);
        if (box.within(plot)) {
            pen.text(x, textY, text, kDesign.pointLabelSize, false, HAlign::Right, VAlign::Middle,
                     kLineInk);
            placed.taken.push_back(box);
        }
    }
    // The markers first, so that no label covers one.
    const double r = kDesign.pointRadius * f;
    for (const design::HalfNormalPoint& p : a.half_normal) {
        if (std::isfinite(p.z) && std::isfinite(p.abs_effect)) {
            placed.taken.push_back(
                {xMap(p.z) - r, yMap(p.abs_effect) - r, xMap(p.z) + r, yMap(p.abs_effect) + r});
        }
    }
    for (const design::HalfNormalPoint& p : a.half_normal) {
        if (!std::isfinite(p.z) || !std::isfinite(p.abs_effect)) {
            continue;
        }
        const auto c = static_cast<std::size_t>(p.column);
        const ColumnKind kind = c < kinds.size() ? kinds[c] : ColumnKind::Dummy;
        const double x = xMap(p.z);
        const double y = yMap(p.abs_effect);
        if (kind == ColumnKind::Dummy) {
            pen.rect(x - r, y - r, 2 * r, 2 * r, inkOf(kind), false);
        } else {
            pen.dot(x, y, r, inkOf(kind));
        }
        placeLabel(pen, placed, plot, x, y, columnName(study, c), inkOf(kind));
    }
}

// ---- The effects as bars.

void drawEffects(Pen& pen, Box plot, const Box& whole, const design::DesignStudy& study,
                 const ResponseAnalysis& a, const std::vector<ColumnKind>& kinds,
                 std::optional<double> bound, std::string_view separator) {
    const double f = pen.f();
    double nameWidth = 0;
    for (std::size_t c = 0; c < a.effects.size(); ++c) {
        nameWidth = std::max(nameWidth, estimatedTextWidth(columnName(study, c), f));
    }
    // The names take at most a third of the panel; longer ones are cut.
    nameWidth = std::min(nameWidth, whole.width() / 3);
    plot.left += nameWidth + kDesign.labelGap * f;
    plot.right -= kDesign.rightReserve * f;

    std::vector<double> values = {0};
    values.insert(values.end(), a.effects.begin(), a.effects.end());
    if (a.e_crit) {
        values.insert(values.end(), {-*a.e_crit, *a.e_crit});
    }
    if (bound) {
        values.insert(values.end(), {-*bound, *bound});
    }
    const AxisMap map{axisSpan(values, kDesign.pad), plot.left, plot.right};
    if (bound) {
        pen.rect(map(-*bound), plot.top, map(*bound) - map(-*bound), plot.height(),
                 kDesignBandFill);
    }
    drawHorizontalAxis(pen, plot, whole, map, kEffectAxisTitle, separator);
    pen.rect(plot.left, plot.top, plot.width(), plot.height(), kFrameInk, false);
    if (a.e_crit && std::isfinite(*a.e_crit)) {
        const double labelY = plot.top - kDesign.labelGap * f;
        for (const double e : {-*a.e_crit, *a.e_crit}) {
            pen.line(map(e), plot.top, map(e), plot.bottom, kDesign.lineWidth, kLineInk, true);
        }
        pen.text(map(-*a.e_crit), labelY, std::string(kMinusSign) + "E_crit",
                 kDesign.pointLabelSize, false, HAlign::Right, VAlign::Baseline, kLineInk);
        pen.text(map(*a.e_crit), labelY, "+E_crit", kDesign.pointLabelSize, false, HAlign::Left,
                 VAlign::Baseline, kLineInk);
    }
    const double zero = map(0);
    const std::size_t rows = std::max<std::size_t>(a.effects.size(), 1);
    const double pitch = plot.height() / static_cast<double>(rows);
    const double bar = kDesign.barShare * pitch;
    for (std::size_t c = 0; c < a.effects.size(); ++c) {
        const double y = plot.top + (static_cast<double>(c) + 0.5) * pitch;
        const ColumnKind kind = c < kinds.size() ? kinds[c] : ColumnKind::Dummy;
        std::vector<std::string> name = fitTextLines(columnName(study, c), nameWidth / f, 0, 1);
        pen.text(plot.left - kDesign.labelGap * f, y, name.empty() ? "" : name.front(), 1, false,
                 HAlign::Right, VAlign::Middle, inkOf(kind));
        if (std::isfinite(a.effects[c])) {
            const double end = map(a.effects[c]);
            pen.rect(std::min(zero, end), y - bar / 2, std::fabs(end - zero), bar, inkOf(kind),
                     kind != ColumnKind::Dummy);
        }
    }
    pen.line(zero, plot.top, zero, plot.bottom, kDesign.zeroWidth, kInk);
}

void checkBox(double width, double height, double fontSize) {
    if (!positiveFinite(width) || !positiveFinite(height) || !positiveFinite(fontSize)) {
        throw std::invalid_argument("a figure needs a finite, positive width, height and size");
    }
}

} // namespace

std::optional<double> estimateStandardError(const ResponseAnalysis& a) {
    switch (a.estimate) {
    case Estimate::Dummy:
        return a.dummy ? std::optional(a.dummy->se) : std::nullopt;
    case Estimate::Nominal:
        return a.nominal ? std::optional(a.nominal->se) : std::nullopt;
    case Estimate::Dong:
        return a.dong.s1;
    case Estimate::Lenth:
        return a.lenth.pse;
    }
    return std::nullopt;
}

std::optional<double> equivalenceBound(const ResponseAnalysis& a, std::optional<double> limitPct) {
    if (!limitPct) {
        return std::nullopt;
    }
    const double bound = *limitPct / 100 * std::fabs(a.percent_base.value);
    return std::isfinite(bound) ? std::optional(bound) : std::nullopt;
}

double designFigureHeight(std::size_t columns, double width, double fontSize) {
    const Frame fr = frameFor(width, width, fontSize, true);
    const double rows = static_cast<double>(std::max<std::size_t>(columns, 2));
    const double needed = fr.plot[0].top + rows * kDesign.rowPitch * fontSize +
                          belowPlot(fontSize) + kDesign.padding * fontSize;
    return std::max(needed, kDesign.leastAspect * width);
}

DisplayList composeDesignFigure(const design::DesignStudy& study, const ResponseAnalysis& analysis,
                                std::optional<double> limitPct, double width, double height,
                                std::string_view decimalSeparator, double fontSize) {
    checkBox(width, height, fontSize);
    DisplayList list{width, height, {}};
    Pen pen(list, fontSize);
    const std::optional<double> bound = equivalenceBound(analysis, limitPct);
    const Frame fr = frameFor(width, height, fontSize, bound.has_value());
    drawTitles(pen, fr);
    const std::vector<ColumnKind> kinds = columnKinds(study, analysis);
    drawHalfNormal(pen, fr.plot[0], fr.whole[0], study, analysis, kinds, decimalSeparator);
    drawEffects(pen, fr.plot[1], fr.whole[1], study, analysis, kinds, bound, decimalSeparator);
    return list;
}

DisplayList composeDesignFigures(const design::DesignStudy& study,
                                 const std::vector<ResponseAnalysis>& analyses,
                                 std::optional<double> limitPct, double width,
                                 std::string_view decimalSeparator) {
    if (!positiveFinite(width)) {
        throw std::invalid_argument("a figure needs a finite, positive width");
    }
    const double f = width / 70;
    DisplayList all{width, 0, {}};
    for (std::size_t r = 0; r < analyses.size(); ++r) {
        const ResponseAnalysis& a = analyses[r];
        const std::string unit = r < study.responses.size() ? study.responses[r].unit : "";
        const double headingTop = all.height + kDesign.padding * f;
        all.items.emplace_back(
            TextPrimitive{width / 2, headingTop,
                          "Respuesta: " + a.response + (unit.empty() ? "" : " (" + unit + ")"),
                          1.2 * f, true, HAlign::Centre, VAlign::Top, kInk});
        const double top = headingTop + kDesign.lineSpacing * 1.2 * f;
        const double height = designFigureHeight(a.effects.size(), width, f);
        appendShifted(all,
                      composeDesignFigure(study, a, limitPct, width, height, decimalSeparator, f),
                      0, top);
        all.height = top + height;
    }
    if (analyses.empty()) {
        all.height = width * kDesign.leastAspect;
    }
    return all;
}

} // namespace robustez
