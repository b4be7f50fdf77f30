#include "calc/number_format.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace robustez {

namespace {

constexpr int kSignificantDigits = 6;

// A value rounded to at most 6 significant digits: the digit string without
// trailing zeros and the exponent e of 0.d1d2... x 10^e.
struct RoundedDecimal {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

// Splits the output of to_chars in scientific form ("d.ddde+XX") into its
// digits and the exponent of the first digit.
void splitScientific(std::string_view text, std::string& digits, int& firstDigitExponent) {
    digits.clear();
    size_t i = 0;
    for (; i < text.size() && text[i] != 'e'; ++i) {
        if (text[i] != '.') {
            digits.push_back(text[i]);
        }
    }
    firstDigitExponent = 0;
    if (i < text.size()) {
        std::from_chars(text.data() + i + 1 + (text[i + 1] == '+' ? 1 : 0),
                        text.data() + text.size(), firstDigitExponent);
    }
}

// The exact decimal expansion of a double: its significant digits and the
// exponent of the first one. A double needs at most 767 significant digits.
void exactDigits(double magnitude, std::string& digits, int& firstDigitExponent) {
    static thread_local std::array<char, 800> buffer;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                      std::chars_format::scientific, 780);
    splitScientific(
        std::string_view(buffer.data(), static_cast<size_t>(result.ptr - buffer.data())), digits,
        firstDigitExponent);
}

// True when the magnitude is exactly halfway between two 6-digit neighbours.
bool isExactTie(double magnitude) {
    std::string digits;
    int exponent = 0;
    exactDigits(magnitude, digits, exponent);
    if (digits.size() <= kSignificantDigits || digits[kSignificantDigits] != '5') {
        return false;
    }
    for (size_t i = kSignificantDigits + 1; i < digits.size(); ++i) {
        if (digits[i] != '0') {
            return false;
        }
    }
    return true;
}

// Adds one unit in the last place of a digit string; returns true when the
// carry ran out of the first digit ("999999" becomes "100000" with carry).
bool incrementDigits(std::string& digits) {
    for (size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return false;
        }
        digits[i] = '0';
    }
    digits.insert(digits.begin(), '1');
    digits.pop_back();
    return true;
}

// Rounds exact digits half away from zero: a seventh digit of 5 or more,
// whatever follows it, rounds the magnitude up.
void roundExactDigits(std::string& digits, int& firstExponent) {
    if (digits.size() <= kSignificantDigits) {
        return;
    }
    const bool up = digits[kSignificantDigits] >= '5';
    digits.resize(kSignificantDigits);
    if (up && incrementDigits(digits)) {
        ++firstExponent;
    }
}

RoundedDecimal roundToSignificant(double value) {
    RoundedDecimal rounded;
    rounded.negative = std::signbit(value);
    const double magnitude = std::fabs(value);

    std::string digits;
    int firstExponent = 0;
    if (magnitude < std::numeric_limits<double>::min()) {
        // Subnormal values carry fewer than 6 significant digits of precision, so
        // their shortest form says nothing about the rounded one.
        exactDigits(magnitude, digits, firstExponent);
        roundExactDigits(digits, firstExponent);
    } else {
        std::array<char, 64> buffer;
        // Shortest representation first: with at most 6 digits it is the rounded
        // value itself, since the double lies far closer to it than half a unit
        // of the sixth digit.
        auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                    std::chars_format::scientific);
        splitScientific(
            std::string_view(buffer.data(), static_cast<size_t>(result.ptr - buffer.data())),
            digits, firstExponent);
        if (digits.size() == kSignificantDigits + 1 && digits[kSignificantDigits] == '5' &&
            isExactTie(magnitude)) {
            // Half away from zero: drop the 5 and round the magnitude up.
            roundExactDigits(digits, firstExponent);
        } else if (digits.size() > kSignificantDigits) {
            // Correct rounding of the exact value; half-even and half-away differ
            // only on exact ties, handled above.
            result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                   std::chars_format::scientific, kSignificantDigits - 1);
            splitScientific(
                std::string_view(buffer.data(), static_cast<size_t>(result.ptr - buffer.data())),
                digits, firstExponent);
        }
    }
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }
    rounded.digits = std::move(digits);
    rounded.exponent = firstExponent + 1;
    return rounded;
}

std::string fixedNotation(const RoundedDecimal& r, std::string_view separator) {
    std::string text = r.negative ? "-" : "";
    if (r.exponent <= 0) {
        text += '0';
        text += separator;
        text.append(static_cast<size_t>(-r.exponent), '0');
        text += r.digits;
        return text;
    }
    const auto integerDigits = static_cast<size_t>(r.exponent);
    if (r.digits.size() <= integerDigits) {
        text += r.digits;
        text.append(integerDigits - r.digits.size(), '0');
        return text;
    }
    text.append(r.digits, 0, integerDigits);
    text += separator;
    text.append(r.digits, integerDigits);
    return text;
}

std::string scientificNotation(const RoundedDecimal& r, std::string_view separator) {
    std::string text = r.negative ? "-" : "";
    text += r.digits[0];
    if (r.digits.size() > 1) {
        text += separator;
        text.append(r.digits, 1);
    }
    text += 'E';
    text += std::to_string(r.exponent - 1);
    return text;
}

} // namespace

std::string formatResult(double value, std::string_view decimalSeparator) {
    if (value == 0 || !std::isfinite(value)) {
        // The computation never hands over an infinity or a NaN; should one
        // arrive it is not written as "inf" or "nan".
        return "0";
    }
    const RoundedDecimal rounded = roundToSignificant(value);
    if (rounded.exponent >= -3 && rounded.exponent <= 6) {
        return fixedNotation(rounded, decimalSeparator);
    }
    return scientificNotation(rounded, decimalSeparator);
}

} // namespace robustez
