#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace robustez::axis {

// The axes of the figures: the range an axis spans over its values, the map
// of that range onto box units, and the round ticks along it with their
// labels. Ranges are computed in extended precision: no overflow near the
// largest doubles.

using Wide = long double;

// A closed range of values, lo < hi once it is an axis's.
struct Span {
    Wide lo = 0;
    Wide hi = 0;
};

// The narrowest axis, per unit of the magnitude of its values: data that
// agree to nine significant digits still spread over the plot.
constexpr Wide kLeastRelativeWidth = 1e-9L;

// The ticks of an axis and the decimal place of their last digit (0 for
// steps of 1, 2 or 5, -1 for 0.25, 1 for 10).
struct TickValues {
    std::vector<double> values;
    int lastPlace = 0;
};

// The minus sign of the figures' texts.
constexpr std::string_view kMinusSign = "\u2212";

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

// How dense the ticks of an axis may be, in base text sizes.
struct TickRule {
    double lengthPerTick; // the axis length per intended tick
    double leastSpacing;  // between two ticks (vertical) or two labels (horizontal)
    double boundLow = 0;  // horizontal labels lie within [boundLow, boundHigh]
    double boundHigh = 0;
};

// The finite values' range, empty (nullopt) without any.
std::optional<Span> finiteSpan(const std::vector<double>& values);

// An axis range over the values: as wide as their spread, but at least
// leastRelativeWidth of their magnitude, [-1, 1] when there are none or all
// are zero, widened by padFraction of its width at both ends.
Span axisSpan(const std::vector<double>& values, double padFraction,
              Wide leastRelativeWidth = kLeastRelativeWidth);

// The round values (1, 2, 2.5 or 5 times a power of ten apart) within the
// span, about `target` intervals of it; those beyond a double are left out.
TickValues niceTicks(const Span& span, int target);

// A tick's label: written to the axis's last place, trailing zeros dropped,
// in fixed or scientific notation as the whole axis is, with the separator
// and U+2212 as the minus sign.
std::string tickLabel(double value, int lastPlace, bool fixed, std::string_view separator);

// The ticks of about `target` intervals, labelled in one notation: fixed
// when every tick other than zero lies where the result format writes fixed
// notation (1E-4 up to below 1E6), scientific otherwise.
std::vector<Tick> ticksFor(const AxisMap& map, int target, std::string_view separator);

// The ticks of a vertical axis: the most (up to 7) at least leastSpacing
// apart with distinct labels.
std::vector<Tick> verticalTicks(const AxisMap& map, double fontSize, const TickRule& rule,
                                std::string_view separator);

// The ticks of a horizontal axis with centred labels: those whose label
// would leave the bounds are dropped; the most (up to 7) whose labels keep
// leastSpacing apart and are distinct.
std::vector<Tick> horizontalTicks(const AxisMap& map, double fontSize, const TickRule& rule,
                                  std::string_view separator);

} // namespace robustez::axis
