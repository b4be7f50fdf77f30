#include "core/report/figure_axis.h"

#include "core/report/text_fit.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <utility>

namespace robustez::axis {
namespace {

// Tick labels. Each tick is written to its axis's last place, trailing zeros
// dropped, in one notation for the whole axis: fixed when every tick other
// than zero lies where the result format writes fixed notation (1E-4 up to
// below 1E6), scientific otherwise. Minus signs are U+2212, as in the titles.

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

bool labelsDistinct(const std::vector<Tick>& ticks) {
    for (size_t i = 1; i < ticks.size(); ++i) {
        if (ticks[i].label == ticks[i - 1].label) {
            return false;
        }
    }
    return true;
}

constexpr int kMostTicks = 7;

int firstTarget(double length, double perTick) {
    return std::clamp(static_cast<int>(length / perTick), 2, kMostTicks);
}

} // namespace

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

// An axis range over the values: as wide as their spread, but at least
// kLeastRelativeWidth of their magnitude, [-1, 1] when there are none or all
// are zero, widened by padFraction of its width at both ends. Computed in
// extended precision: no overflow near the largest doubles.
Span axisSpan(const std::vector<double>& values, double padFraction, Wide leastRelativeWidth) {
    const std::optional<Span> data = finiteSpan(values);
    if (!data || (data->lo == 0 && data->hi == 0)) {
        return {-1, 1};
    }
    Span span = *data;
    const Wide magnitude = std::max(std::fabs(span.lo), std::fabs(span.hi));
    const Wide leastWidth = magnitude * leastRelativeWidth;
    if (span.hi - span.lo < leastWidth) {
        const Wide middle = (span.lo + span.hi) / 2;
        span = {middle - leastWidth / 2, middle + leastWidth / 2};
    }
    const Wide pad = (span.hi - span.lo) * padFraction;
    return {span.lo - pad, span.hi + pad};
}

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

std::vector<Tick> ticksFor(const AxisMap& map, int target, std::string_view separator) {
    const TickValues values = niceTicks(map.span, target);
    const bool fixed = fixedNotation(values);
    std::vector<Tick> ticks;
    for (double value : values.values) {
        ticks.push_back({value, map(value), tickLabel(value, values.lastPlace, fixed, separator)});
    }
    return ticks;
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

} // namespace robustez::axis
