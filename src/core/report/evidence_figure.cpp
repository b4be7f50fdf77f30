#include "core/report/evidence_figure.h"

#include "core/study/study_record.h"
#include "core/text/utf8.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <type_traits>
#include <utility>

namespace robustez {
namespace {

// ---------------------------------------------------------------------------
// Text widths: the advance widths of Helvetica, which Arial and Liberation
// Sans share, in thousandths of the em, for ' ' to '~'.

constexpr std::array<unsigned short, 95> kRegularWidths = {
    278,  278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278, // ' '../
    556,  556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556, // 0..?
    1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778, // @..O
    667,  778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556, // P.._
    333,  556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556, // `..o
    556,  556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584,      // p..~
};

constexpr std::array<unsigned short, 95> kBoldWidths = {
    278, 333, 474, 556, 556, 889, 722, 238, 333, 333, 389, 584, 278, 333, 278, 278, // ' '../
    556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 333, 333, 584, 584, 584, 611, // 0..?
    975, 722, 722, 722, 722, 667, 611, 778, 722, 278, 556, 722, 611, 833, 722, 778, // @..O
    667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 333, 278, 333, 584, 556, // P.._
    333, 556, 611, 556, 611, 556, 333, 611, 611, 278, 278, 556, 278, 889, 611, 611, // `..o
    611, 611, 389, 556, 333, 611, 556, 778, 556, 556, 500, 389, 280, 389, 584,      // p..~
};

// U+00C0..U+00FF measured as the ASCII letter or sign of their width (of
// about it for a few signs); the accented i's are as wide as 'I'.
constexpr std::string_view kLatin1StandIns = "AAAAAAWCEEEEIIIIDNOOOOO+OUUUUYPn"
                                             "aaaaaamceeeeIIIIonooooo+ouuuuypy";

struct SpecialWidth {
    char32_t code;
    unsigned short regular;
    unsigned short bold;
};

constexpr SpecialWidth kSpecialWidths[] = {
    {U'\u00A0', 278, 278}, {U'\u00A1', 333, 333},   {U'\u00B0', 400, 400},   {U'\u00B1', 584, 584},
    {U'\u00B5', 556, 611}, {U'\u00B7', 278, 278},   {U'\u00BF', 611, 611},   {U'\u03B4', 556, 611},
    {U'\u2013', 556, 556}, {U'\u2014', 1000, 1000}, {U'\u2026', 1000, 1000}, {U'\u2212', 584, 584},
};

constexpr unsigned short kOtherWidth = 600;

// The code point starting at `i`, moving `i` past it; an ill-formed
// sequence is one replacement character for its maximal subpart.
char32_t nextCodePoint(std::string_view text, size_t& i) {
    const Utf8Step step = decodeUtf8(text.substr(i));
    i += step.length;
    return step.codePoint;
}

unsigned short codePointWidth(char32_t code, bool bold) {
    if (code >= 0xC0 && code <= 0xFF) {
        code = static_cast<unsigned char>(kLatin1StandIns[code - 0xC0]);
    }
    if (code >= 0x20 && code <= 0x7E) {
        return (bold ? kBoldWidths : kRegularWidths)[code - 0x20];
    }
    for (const SpecialWidth& special : kSpecialWidths) {
        if (special.code == code) {
            return bold ? special.bold : special.regular;
        }
    }
    return kOtherWidth;
}

// The text split at its spaces.
std::vector<std::string_view> wordsOf(std::string_view text) {
    std::vector<std::string_view> words;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = std::min(text.find(' ', start), text.size());
        if (end > start) {
            words.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return words;
}

// A word wider than maxWidth in pieces that fit (at least one code point each).
std::vector<std::string> brokenWord(std::string_view word, double maxWidth, double size,
                                    bool bold) {
    std::vector<std::string> pieces(1);
    for (size_t i = 0; i < word.size();) {
        const size_t start = i;
        nextCodePoint(word, i);
        const std::string_view piece = word.substr(start, i - start);
        if (!pieces.back().empty() &&
            estimatedTextWidth(pieces.back() + std::string(piece), size, bold) > maxWidth) {
            pieces.emplace_back();
        }
        pieces.back() += piece;
    }
    return pieces;
}

// ---------------------------------------------------------------------------
// Axes.

using Wide = long double;

// A closed range of values, lo < hi once it is an axis's.
struct Span {
    Wide lo = 0;
    Wide hi = 0;
};

// The finite values' range, empty (nullopt) without any.
std::optional<Span> finiteSpan(const std::vector<double>& values) {
    std::optional<Span> span;
    for (double v : values) {
        if (!std::isfinite(v)) {
            continue;
        }
        if (!span) {
            span = Span{v, v};
        }
        span->lo = std::min<Wide>(span->lo, v);
        span->hi = std::max<Wide>(span->hi, v);
    }
    return span;
}

// The narrowest axis, per unit of the magnitude of its values: data that
// agree to nine significant digits still spread over the plot.
constexpr Wide kLeastRelativeWidth = 1e-9L;

// An axis range over the values: as wide as their spread, but at least
// kLeastRelativeWidth of their magnitude, [-1, 1] when there are none or all
// are zero, widened by padFraction of its width at both ends. Computed in
// extended precision: no overflow near the largest doubles.
Span axisSpan(const std::vector<double>& values, double padFraction) {
    const std::optional<Span> data = finiteSpan(values);
    if (!data || (data->lo == 0 && data->hi == 0)) {
        return {-1, 1};
    }
    Span span = *data;
    const Wide magnitude = std::max(std::fabs(span.lo), std::fabs(span.hi));
    const Wide leastWidth = magnitude * kLeastRelativeWidth;
    if (span.hi - span.lo < leastWidth) {
        const Wide middle = (span.lo + span.hi) / 2;
        span = {middle - leastWidth / 2, middle + leastWidth / 2};
    }
    const Wide pad = (span.hi - span.lo) * padFraction;
    return {span.lo - pad, span.hi + pad};
}

// The ticks of an axis and the decimal place of their last digit (0 for
// steps of 1, 2 or 5, -1 for 0.25, 1 for 10).
struct TickValues {
    std::vector<double> values;
    int lastPlace = 0;
};

// The round values (1, 2, 2.5 or 5 times a power of ten apart) within the
// span, about `target` intervals of it; those beyond a double are left out.
TickValues niceTicks(const Span& span, int target) {
    const Wide raw = (span.hi - span.lo) / target;
    const int exponent = static_cast<int>(std::floor(std::log10(raw)));
    const Wide decade = std::pow(10.0L, exponent);
    Wide step = 10 * decade;
    TickValues ticks{{}, exponent + 1};
    constexpr std::pair<Wide, int> kMultiples[] = {{1.0L, 0}, {2.0L, 0}, {2.5L, -1}, {5.0L, 0}};
    for (const auto& [multiple, placeBelow] : kMultiples) {
        if (multiple * decade >= raw) {
            step = multiple * decade;
            ticks.lastPlace = exponent + placeBelow;
            break;
        }
    }
    const Wide last = std::floor(span.hi / step);
    for (Wide k = std::ceil(span.lo / step); k <= last; ++k) {
        const auto tick = static_cast<double>(k * step);
        if (std::isfinite(tick)) {
            ticks.values.push_back(tick == 0 ? 0.0 : tick);
        }
    }
    return ticks;
}

// Tick labels. Each tick is written to its axis's last place, trailing zeros
// dropped, in one notation for the whole axis: fixed when every tick other
// than zero lies where the result format writes fixed notation (1E-4 up to
// below 1E6), scientific otherwise. Minus signs are U+2212, as in the titles.

constexpr std::string_view kMinusSign = "\u2212";

// More digits than a double holds, for any place a tick may ask for.
constexpr int kMostDigits = 40;

// std::to_chars in the given format and precision.
std::string charsOf(double value, std::chars_format format, int precision) {
    std::array<char, 2 * kMostDigits> buffer;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format,
                                      std::clamp(precision, 0, kMostDigits));
    return {buffer.data(), result.ptr};
}

// The exponent of to_chars' scientific form ("1.5e-05" has -5).
int exponentOf(std::string_view scientific) {
    std::string_view digits = scientific.substr(scientific.find('e') + 1);
    if (digits.starts_with('+')) {
        digits.remove_prefix(1);
    }
    int exponent = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), exponent);
    return exponent;
}

// A value other than zero in scientific form, its digits down to lastPlace.
std::string scientificChars(double value, int lastPlace) {
    const int estimate = static_cast<int>(std::floor(std::log10(std::fabs(value))));
    std::string chars = charsOf(value, std::chars_format::scientific, estimate - lastPlace);
    // Next to a power of ten the logarithm may be a unit off; the digits say
    // which power it is.
    if (const int exponent = exponentOf(chars); exponent != estimate) {
        chars = charsOf(value, std::chars_format::scientific, exponent - lastPlace);
    }
    return chars;
}

bool fixedNotation(const TickValues& ticks) {
    return std::all_of(ticks.values.begin(), ticks.values.end(), [&](double value) {
        if (value == 0) {
            return true;
        }
        const int exponent = exponentOf(scientificChars(value, ticks.lastPlace));
        return exponent >= -4 && exponent <= 5;
    });
}

// The digits with the trailing zeros of their fraction dropped, and the
// point too when no fraction is left.
std::string withoutTrailingZeros(std::string digits) {
    if (digits.find('.') == std::string::npos) {
        return digits;
    }
    while (digits.back() == '0') {
        digits.pop_back();
    }
    if (digits.back() == '.') {
        digits.pop_back();
    }
    return digits;
}

// The point as the separator, '-' as the minus sign.
std::string withFigureSigns(std::string_view chars, std::string_view separator) {
    std::string text;
    for (char c : chars) {
        if (c == '.') {
            text += separator;
        } else if (c == '-') {
            text += kMinusSign;
        } else {
            text += c;
        }
    }
    return text;
}

std::string tickLabel(double value, int lastPlace, bool fixed, std::string_view separator) {
    if (value == 0) {
        return "0";
    }
    if (fixed) {
        return withFigureSigns(
            withoutTrailingZeros(charsOf(value, std::chars_format::fixed, -lastPlace)), separator);
    }
    const std::string chars = scientificChars(value, lastPlace);
    const std::string mantissa = withoutTrailingZeros(chars.substr(0, chars.find('e')));
    return withFigureSigns(mantissa + "E" + std::to_string(exponentOf(chars)), separator);
}

// A linear map of an axis span onto [from, to] in box units.
struct AxisMap {
    Span span;
    double from = 0;
    double to = 1;

    double operator()(double value) const {
        const Wide fraction = (value - span.lo) / (span.hi - span.lo);
        return from + static_cast<double>((to - from) * fraction);
    }
};

struct Tick {
    double value;
    double position;
    std::string label;
};

bool labelsDistinct(const std::vector<Tick>& ticks) {
    for (size_t i = 1; i < ticks.size(); ++i) {
        if (ticks[i].label == ticks[i - 1].label) {
            return false;
        }
    }
    return true;
}

std::vector<Tick> ticksFor(const AxisMap& map, int target, std::string_view separator) {
    const TickValues values = niceTicks(map.span, target);
    const bool fixed = fixedNotation(values);
    std::vector<Tick> ticks;
    for (double value : values.values) {
        ticks.push_back({value, map(value), tickLabel(value, values.lastPlace, fixed, separator)});
    }
    return ticks;
}

// How dense the ticks of an axis may be, in base text sizes.
struct TickRule {
    double lengthPerTick; // the axis length per intended tick
    double leastSpacing;  // between two ticks (vertical) or two labels (horizontal)
    double boundLow = 0;  // horizontal labels lie within [boundLow, boundHigh]
    double boundHigh = 0;
};

constexpr int kMostTicks = 7;

int firstTarget(double length, double perTick) {
    return std::clamp(static_cast<int>(length / perTick), 2, kMostTicks);
}

// The ticks of a vertical axis: the most (up to 7) at least leastSpacing
// apart with distinct labels.
std::vector<Tick> verticalTicks(const AxisMap& map, double fontSize, const TickRule& rule,
                                std::string_view separator) {
    const double length = std::fabs(map.to - map.from);
    std::vector<Tick> ticks;
    for (int target = firstTarget(length, rule.lengthPerTick * fontSize); target >= 2; --target) {
        ticks = ticksFor(map, target, separator);
        const bool spaced = ticks.size() < 2 || std::fabs(ticks[1].position - ticks[0].position) >=
                                                    rule.leastSpacing * fontSize;
        if (spaced && labelsDistinct(ticks)) {
            break;
        }
    }
    return ticks;
}

// The ticks of a horizontal axis with centred labels: those whose label
// would leave the bounds are dropped; the most (up to 7) whose labels keep
// leastSpacing apart and are distinct.
std::vector<Tick> horizontalTicks(const AxisMap& map, double fontSize, const TickRule& rule,
                                  std::string_view separator) {
    const double length = std::fabs(map.to - map.from);
    std::vector<Tick> kept;
    for (int target = firstTarget(length, rule.lengthPerTick * fontSize); target >= 2; --target) {
        kept.clear();
        for (Tick& tick : ticksFor(map, target, separator)) {
            const double half = estimatedTextWidth(tick.label, fontSize) / 2;
            if (tick.position - half >= rule.boundLow && tick.position + half <= rule.boundHigh) {
                kept.push_back(std::move(tick));
            }
        }
        bool spaced = true;
        for (size_t i = 1; i < kept.size(); ++i) {
            const double halves = (estimatedTextWidth(kept[i - 1].label, fontSize) +
                                   estimatedTextWidth(kept[i].label, fontSize)) /
                                  2;
            spaced = spaced && kept[i].position - kept[i - 1].position >=
                                   halves + rule.leastSpacing * fontSize;
        }
        if (kept.size() >= 2 && spaced && labelsDistinct(kept)) {
            break;
        }
    }
    return kept;
}

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

double estimatedTextWidth(std::string_view utf8, double size, bool bold) {
    long thousandths = 0;
    for (size_t i = 0; i < utf8.size();) {
        thousandths += codePointWidth(nextCodePoint(utf8, i), bold);
    }
    return static_cast<double>(thousandths) * size / 1000;
}

std::vector<std::string> wrapText(std::string_view utf8, double maxWidth, double size, bool bold) {
    std::vector<std::string> lines;
    for (std::string_view word : wordsOf(utf8)) {
        if (!lines.empty()) {
            std::string longer = lines.back();
            longer.append(1, ' ').append(word);
            if (estimatedTextWidth(longer, size, bold) <= maxWidth) {
                lines.back() = std::move(longer);
                continue;
            }
        }
        if (estimatedTextWidth(word, size, bold) <= maxWidth) {
            lines.emplace_back(word);
            continue;
        }
        for (std::string& piece : brokenWord(word, maxWidth, size, bold)) {
            lines.push_back(std::move(piece));
        }
    }
    return lines;
}

void appendShifted(DisplayList& into, const DisplayList& part, double dx, double dy) {
    for (Primitive item : part.items) {
        std::visit(
            [&](auto& p) {
                if constexpr (std::is_same_v<std::decay_t<decltype(p)>, LinePrimitive>) {
                    p.x1 += dx;
                    p.y1 += dy;
                    p.x2 += dx;
                    p.y2 += dy;
                } else {
                    p.x += dx;
                    p.y += dy;
                }
            },
            item);
        into.items.push_back(std::move(item));
    }
}

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
