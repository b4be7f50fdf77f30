#include "study/conversions.h"

#include "study/errors.h"

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

// Parses the decimal grammar into a normalised ASCII text ("-123.45e6") that
// std::from_chars reads; false when the text does not follow the grammar.
bool normaliseDecimal(std::string_view text, std::string_view separator, std::string& out) {
    if (separator.empty()) {
        separator = ".";
    }
    size_t i = 0;
    const size_t end = text.size();
    while (i < end && text[i] == ' ') {
        ++i;
    }
    out.clear();
    out.reserve(end - i);
    if (i < end && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') {
            out.push_back('-');
        }
        ++i;
    }
    size_t mantissaDigits = 0;
    bool seenSeparator = false;
    while (i < end) {
        if (isDigit(text[i])) {
            out.push_back(text[i]);
            ++mantissaDigits;
            ++i;
        } else if (!seenSeparator && text[i] == separator[0] &&
                   text.substr(i, separator.size()) == separator) {
            out.push_back('.');
            seenSeparator = true;
            i += separator.size();
        } else {
            break;
        }
    }
    if (mantissaDigits == 0) {
        return false;
    }
    if (i < end && (text[i] == 'E' || text[i] == 'e')) {
        out.push_back('e');
        ++i;
        if (i < end && (text[i] == '+' || text[i] == '-')) {
            out.push_back(text[i]);
            ++i;
        }
        size_t exponentDigits = 0;
        while (i < end && isDigit(text[i])) {
            out.push_back(text[i]);
            ++exponentDigits;
            ++i;
        }
        if (exponentDigits == 0) {
            return false;
        }
    }
    while (i < end && text[i] == ' ') {
        ++i;
    }
    return i == end;
}

// True when the normalised number's magnitude is at least 1 (so a value out of
// range is an overflow rather than an underflow).
bool magnitudeAtLeastOne(std::string_view normalised) {
    size_t i = normalised.empty() || normalised[0] != '-' ? 0 : 1;
    // Position of the first non-zero digit relative to the decimal point.
    long long intDigits = 0;
    bool seenPoint = false;
    long long leadingFractionZeros = 0;
    bool seenNonZero = false;
    for (; i < normalised.size() && normalised[i] != 'e'; ++i) {
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
    thread_local std::string normalised;
    if (!normaliseDecimal(text, decimalSeparator, normalised)) {
        return false;
    }
    double parsed = 0;
    const char* first = normalised.data();
    const char* last = first + normalised.size();
    const auto [ptr, ec] = std::from_chars(first, last, parsed);
    if (ec == std::errc::result_out_of_range) {
        if (magnitudeAtLeastOne(normalised)) {
            return false;
        }
        parsed = normalised[0] == '-' ? -0.0 : 0.0;
    } else if (ec != std::errc() || ptr != last || !std::isfinite(parsed)) {
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
