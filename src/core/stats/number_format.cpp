#include "core/stats/number_format.h"

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
