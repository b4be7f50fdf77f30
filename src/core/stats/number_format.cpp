#include "core/stats/number_format.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace robustez {

namespace {

constexpr int kSignificantDigits = 6;

// A double needs at most 767 significant digits to be written exactly.
constexpr int kExactPrecision = 780;

// Significant digits of a decimal value and the exponent of the first one
// (1.234e2 has the digits "1234" and the exponent 2).
struct Digits {
    std::array<char, kExactPrecision + 2> text;
    int size = 0;
    int firstExponent = 0;

    char operator[](int i) const { return text[static_cast<size_t>(i)]; }
    char& operator[](int i) { return text[static_cast<size_t>(i)]; }
};

// Splits to_chars' scientific form ("d.ddde+XX") into digits and exponent.
void splitScientific(const char* first, const char* last, Digits& digits) {
    const char* p = first;
    digits.size = 0;
    for (; p != last && *p != 'e'; ++p) {
        if (*p != '.') {
            digits[digits.size++] = *p;
        }
    }
    digits.firstExponent = 0;
    if (p != last) {
        ++p; // 'e'
        if (*p == '+') {
            ++p;
        }
        std::from_chars(p, last, digits.firstExponent);
    }
}

// The shortest digits that read back as the same double.
void shortestDigits(double magnitude, Digits& digits) {
    std::array<char, 32> buffer;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                      std::chars_format::scientific);
    splitScientific(buffer.data(), result.ptr, digits);
}

// Every significant digit of the exact binary value.
void exactDigits(double magnitude, Digits& digits) {
    std::array<char, kExactPrecision + 16> buffer;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                      std::chars_format::scientific, kExactPrecision);
    splitScientific(buffer.data(), result.ptr, digits);
}

// Adds one unit in the last place; a carry out of the first digit turns
// "999999" into "1" followed by zeros and raises the exponent.
void incrementLastDigit(Digits& digits) {
    for (int i = digits.size; i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return;
        }
        digits[i] = '0';
    }
    digits[0] = '1';
    ++digits.firstExponent;
}

// Rounds exact digits to 6 half away from zero: a seventh digit of 5 or
// more, whatever follows it, rounds the magnitude up.
void roundExactDigits(Digits& digits) {
    if (digits.size <= kSignificantDigits) {
        return;
    }
    const bool up = digits[kSignificantDigits] >= '5';
    digits.size = kSignificantDigits;
    if (up) {
        incrementLastDigit(digits);
    }
}

// True when the digits after the sixth lie within a ten-thousandth of a half
// unit of the sixth digit ("5000...", "4999..."): there the shortest form may
// round differently from the exact value, which is then consulted.
bool nearHalfUnit(const Digits& digits) {
    const auto digitAt = [&](int i) { return i < digits.size ? digits[i] : '0'; };
    bool allZeros = digitAt(kSignificantDigits) == '5';
    bool allNines = digitAt(kSignificantDigits) == '4';
    for (int i = kSignificantDigits + 1; i < kSignificantDigits + 4; ++i) {
        allZeros = allZeros && digitAt(i) == '0';
        allNines = allNines && digitAt(i) == '9';
    }
    return allZeros || allNines;
}

// The magnitude rounded to 6 significant digits, half away from zero on its
// exact binary value.
void roundToSignificant(double magnitude, Digits& digits) {
    // Subnormal values hold too few digits of precision for their shortest form
    // to stand for them; they are rounded from their exact digits.
    if (magnitude >= std::numeric_limits<double>::min()) {
        shortestDigits(magnitude, digits);
        if (digits.size <= kSignificantDigits) {
            return; // the double lies far closer to these digits than half a unit
        }
        if (!nearHalfUnit(digits)) {
            // The shortest form and the exact value differ by less than half an
            // ulp, far from the half unit: both round the same way.
            roundExactDigits(digits);
            return;
        }
    }
    exactDigits(magnitude, digits);
    roundExactDigits(digits);
}

void dropTrailingZeros(Digits& digits) {
    while (digits.size > 1 && digits[digits.size - 1] == '0') {
        --digits.size;
    }
}

void appendDigits(std::string& text, const Digits& digits, int from, int to) {
    text.append(digits.text.data() + from, static_cast<size_t>(to - from));
}

// e is the exponent of 0.d1d2... x 10^e, between -3 and 6.
void writeFixed(std::string& text, const Digits& digits, int e, std::string_view separator) {
    if (e <= 0) {
        text += '0';
        text += separator;
        text.append(static_cast<size_t>(-e), '0');
        appendDigits(text, digits, 0, digits.size);
        return;
    }
    if (digits.size <= e) {
        appendDigits(text, digits, 0, digits.size);
        text.append(static_cast<size_t>(e - digits.size), '0');
        return;
    }
    appendDigits(text, digits, 0, e);
    text += separator;
    appendDigits(text, digits, e, digits.size);
}

void writeScientific(std::string& text, const Digits& digits, int e, std::string_view separator) {
    text += digits[0];
    if (digits.size > 1) {
        text += separator;
        appendDigits(text, digits, 1, digits.size);
    }
    text += 'E';
    std::array<char, 8> exponent;
    const auto result = std::to_chars(exponent.data(), exponent.data() + exponent.size(), e - 1);
    text.append(exponent.data(), result.ptr);
}

} // namespace

std::string formatResult(double value, std::string_view decimalSeparator) {
    if (value == 0 || !std::isfinite(value)) {
        // The computation never hands over an infinity or a NaN; should one
        // arrive it is not written as "inf" or "nan".
        return "0";
    }
    Digits digits;
    roundToSignificant(std::fabs(value), digits);
    dropTrailingZeros(digits);
    const int e = digits.firstExponent + 1;

    std::string text;
    text.reserve(16);
    if (std::signbit(value)) {
        text += '-';
    }
    if (e >= -3 && e <= 6) {
        writeFixed(text, digits, e, decimalSeparator);
    } else {
        writeScientific(text, digits, e, decimalSeparator);
    }
    return text;
}

} // namespace robustez

namespace robustez {

namespace {

constexpr int kMostMeasuredDigits = 15;

// Enough decimals to write any double exactly in fixed notation (a double
// has at most 1074 binary, so as many decimal, fractional digits).
constexpr int kExactDecimals = 1080;

// The magnitude rounded to `decimals` decimals, half away from zero on its
// exact binary value: the digits without separator, the last `decimals` of
// them the fraction (at least one integer digit).
std::string roundedFixedDigits(double magnitude, int decimals) {
    std::string exact(kExactDecimals + 320, '\0');
    const auto result = std::to_chars(exact.data(), exact.data() + exact.size(), magnitude,
                                      std::chars_format::fixed, kExactDecimals);
    exact.resize(static_cast<size_t>(result.ptr - exact.data()));
    const size_t point = exact.find('.');
    std::string digits = exact.substr(0, point) + exact.substr(point + 1, size_t(decimals));
    if (exact[point + 1 + size_t(decimals)] >= '5') {
        size_t i = digits.size();
        while (i > 0 && digits[i - 1] == '9') {
            digits[--i] = '0';
        }
        if (i == 0) {
            digits.insert(digits.begin(), '1');
        } else {
            ++digits[i - 1];
        }
    }
    return digits;
}

// Significant digits: from the first digit that is not zero to the last one
// written (the mantissa only in scientific notation).
int significantDigits(std::string_view text) {
    int count = 0;
    for (const char c : text) {
        if (c == 'E') {
            break;
        }
        if (c >= '0' && c <= '9' && (count > 0 || c != '0')) {
            ++count;
        }
    }
    return count;
}

std::string withSeparator(const std::string& digits, int decimals, std::string_view separator) {
    const size_t whole = digits.size() - size_t(decimals);
    std::string text = digits.substr(0, whole);
    if (decimals > 0) {
        text += separator;
        text += digits.substr(whole);
    }
    return text;
}

} // namespace

std::optional<int> typedDecimals(std::string_view text, std::string_view decimalSeparator) {
    if (text.find_first_of("Ee") != std::string_view::npos) {
        return std::nullopt;
    }
    const size_t separator =
        decimalSeparator.empty() ? std::string_view::npos : text.find(decimalSeparator);
    if (separator == std::string_view::npos) {
        return 0;
    }
    int decimals = 0;
    for (size_t i = separator + decimalSeparator.size();
         i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        ++decimals;
    }
    return decimals;
}

std::string formatMeasured(double value, std::optional<int> dataDecimals,
                           std::string_view decimalSeparator) {
    if (!dataDecimals || *dataDecimals < 0 || !std::isfinite(value)) {
        return formatResult(value, decimalSeparator);
    }
    int decimals = std::min(*dataDecimals + 1, kMostMeasuredDigits);
    if (value == 0) {
        return withSeparator(std::string(size_t(decimals) + 1, '0'), decimals, decimalSeparator);
    }
    std::string digits = roundedFixedDigits(std::fabs(value), decimals);
    while (significantDigits(digits) > kMostMeasuredDigits && decimals > 0) {
        decimals = std::max(0, decimals - (significantDigits(digits) - kMostMeasuredDigits));
        digits = roundedFixedDigits(std::fabs(value), decimals);
    }
    const std::string general = formatResult(value, decimalSeparator);
    const int shown = significantDigits(digits);
    if (shown > kMostMeasuredDigits || shown <= significantDigits(general)) {
        return general;
    }
    std::string text = std::signbit(value) ? "-" : "";
    text += withSeparator(digits, decimals, decimalSeparator);
    return text;
}

} // namespace robustez
