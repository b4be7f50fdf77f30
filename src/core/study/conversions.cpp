#include "core/study/conversions.h"

#include "core/study/errors.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace robustez {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Where the parts of a typed decimal lie, once it follows the grammar.
struct DecimalSpan {
    size_t begin = 0;                          // the sign or first digit
    size_t end = 0;                            // after the last exponent digit
    size_t separator = std::string_view::npos; // the decimal separator, if any
    bool plusSign = false;
};

// Checks the decimal grammar: spaces, an optional sign, digits with at most
// one separator (at least one digit), an optional exponent with digits, spaces.
bool scanDecimal(std::string_view text, std::string_view separator, DecimalSpan& span) {
    size_t i = 0;
    const size_t end = text.size();
    while (i < end && text[i] == ' ') {
        ++i;
    }
    span.begin = i;
    if (i < end && (text[i] == '+' || text[i] == '-')) {
        span.plusSign = text[i] == '+';
        ++i;
    }
    size_t mantissaDigits = 0;
    while (i < end) {
        if (isDigit(text[i])) {
            ++mantissaDigits;
            ++i;
        } else if (span.separator == std::string_view::npos && text[i] == separator[0] &&
                   text.substr(i, separator.size()) == separator) {
            span.separator = i;
            i += separator.size();
        } else {
            break;
        }
    }
    if (mantissaDigits == 0) {
        return false;
    }
    if (i < end && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        if (i < end && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        const size_t exponentBegin = i;
        while (i < end && isDigit(text[i])) {
            ++i;
        }
        if (i == exponentBegin) {
            return false;
        }
    }
    span.end = i;
    while (i < end && text[i] == ' ') {
        ++i;
    }
    return i == end;
}

// The number as std::from_chars reads it: no plus sign, a full stop as the
// decimal separator.
std::string normalisedNumber(std::string_view text, std::string_view separator,
                             const DecimalSpan& span) {
    std::string out;
    out.reserve(span.end - span.begin);
    size_t i = span.begin + (span.plusSign ? 1 : 0);
    while (i < span.end) {
        if (i == span.separator) {
            out.push_back('.');
            i += separator.size();
        } else {
            out.push_back(text[i++]);
        }
    }
    return out;
}

// True when the number's magnitude is at least 1 (so a value out of
// range is an overflow rather than an underflow).
bool magnitudeAtLeastOne(std::string_view normalised) {
    size_t i = normalised.empty() || normalised[0] != '-' ? 0 : 1;
    // Position of the first non-zero digit relative to the decimal point.
    long long intDigits = 0;
    bool seenPoint = false;
    long long leadingFractionZeros = 0;
    bool seenNonZero = false;
    for (; i < normalised.size() && normalised[i] != 'e' && normalised[i] != 'E'; ++i) {
        const char c = normalised[i];
        if (c == '.') {
            seenPoint = true;
        } else if (!seenNonZero && c == '0') {
            if (seenPoint) {
                ++leadingFractionZeros;
            }
        } else {
            if (!seenNonZero) {
                seenNonZero = true;
            }
            if (!seenPoint) {
                ++intDigits;
            }
        }
    }
    if (!seenNonZero) {
        return false;
    }
    long long exponent = 0;
    if (i < normalised.size()) {
        ++i;
        bool negative = false;
        if (i < normalised.size() && (normalised[i] == '+' || normalised[i] == '-')) {
            negative = normalised[i] == '-';
            ++i;
        }
        for (; i < normalised.size(); ++i) {
            if (exponent < 1'000'000'000LL) {
                exponent = exponent * 10 + (normalised[i] - '0');
            }
        }
        if (negative) {
            exponent = -exponent;
        }
    }
    const long long decimalExponent =
        (intDigits > 0 ? intDigits : -leadingFractionZeros) + exponent;
    return decimalExponent > 0;
}

} // namespace

namespace {

std::string quotedMessage(std::string_view text, std::string_view tail) {
    std::string message;
    message.reserve(text.size() + tail.size() + 2);
    message.push_back('\'');
    message.append(text);
    message.push_back('\'');
    message.append(tail);
    return message;
}

} // namespace

std::string integerErrorMessage(std::string_view text) {
    return quotedMessage(text, " is not a valid integer value");
}

std::string decimalErrorMessage(std::string_view text) {
    return quotedMessage(text, " is not a valid floating point value");
}

bool tryToInteger(std::string_view text, int& value) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) {
        return false;
    }
    int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        if (!isDigit(text[i])) {
            return false;
        }
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > int64_t{std::numeric_limits<int>::max()} + 1) {
            return false;
        }
    }
    const int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue > std::numeric_limits<int>::max()) {
        return false;
    }
    value = static_cast<int>(signedValue);
    return true;
}

int toInteger(std::string_view text) {
    int value = 0;
    if (!tryToInteger(text, value)) {
        throw ConversionError(integerErrorMessage(text));
    }
    return value;
}

bool tryToDecimal(std::string_view text, std::string_view decimalSeparator, double& value) {
    if (decimalSeparator.empty()) {
        decimalSeparator = ".";
    }
    DecimalSpan span;
    if (!scanDecimal(text, decimalSeparator, span)) {
        return false;
    }
    // Most typed values can be read in place; the others are rewritten first.
    std::string rewritten;
    std::string_view number = text.substr(span.begin, span.end - span.begin);
    if (span.plusSign || (span.separator != std::string_view::npos && decimalSeparator != ".")) {
        rewritten = normalisedNumber(text, decimalSeparator, span);
        number = rewritten;
    }
    double parsed = 0;
    const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), parsed);
    if (ec == std::errc::result_out_of_range) {
        if (magnitudeAtLeastOne(number)) {
            return false;
        }
        parsed = number[0] == '-' ? -0.0 : 0.0;
    } else if (ec != std::errc() || ptr != number.data() + number.size() ||
               !std::isfinite(parsed)) {
        return false;
    }
    value = parsed;
    return true;
}

double toDecimal(std::string_view text, std::string_view decimalSeparator) {
    double value = 0;
    if (!tryToDecimal(text, decimalSeparator, value)) {
        throw ConversionError(decimalErrorMessage(text));
    }
    return value;
}

} // namespace robustez
