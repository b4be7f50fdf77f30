#pragma once

#include <string>
#include <string_view>

namespace robustez {

// Whole-number conversion of a typed text: optional leading spaces, an
// optional sign and decimal digits, nothing else; the value must fit in a
// 32-bit integer. Throws ConversionError("'<text>' is not a valid integer value").
int toInteger(std::string_view text);

// Same grammar as toInteger; returns false instead of throwing.
bool tryToInteger(std::string_view text, int& value);

// Decimal conversion of a typed value in the locale's notation: optional
// leading and trailing spaces, an optional sign, digits with at most one
// decimal separator, and an optional exponent ("E" or "e", optional sign,
// digits). Values beyond the range of a double are not valid; values too
// small for a double become zero. Throws
// ConversionError("'<text>' is not a valid floating point value").
double toDecimal(std::string_view text, std::string_view decimalSeparator);

// Same grammar as toDecimal; returns false instead of throwing.
bool tryToDecimal(std::string_view text, std::string_view decimalSeparator, double& value);

// The messages of the two conversions, with the offending text in place.
std::string integerErrorMessage(std::string_view text);
std::string decimalErrorMessage(std::string_view text);

} // namespace robustez
