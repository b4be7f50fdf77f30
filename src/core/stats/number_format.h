#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace robustez {

// The result number format: general format with 6 significant digits.
// Zero is "0"; otherwise the value is rounded to 6 significant digits (half
// away from zero on the exact binary value), trailing zeros dropped, and
// written in fixed notation for decimal exponents -3..6 (0.d1d2... x 10^e)
// and in scientific notation ("1.23457E6", "1.234E-5") otherwise.
std::string formatResult(double value, std::string_view decimalSeparator);

// The decimals of a value as typed: the digits after its decimal separator,
// 0 without one; nothing for a value typed with an exponent ("E" or "e").
std::optional<int> typedDecimals(std::string_view text, std::string_view decimalSeparator);

// A mean, or a difference of means, of measured values whose most decimals
// as typed are dataDecimals: in fixed notation with dataDecimals + 1
// decimals (fewer when needed to keep to 15 significant digits; rounded
// half away from zero on the exact binary value) whenever that shows more
// significant digits than formatResult, trailing zeros counted; exactly zero
// as "0" with those decimals. Otherwise, and without dataDecimals (values
// typed with an exponent), as formatResult.
std::string formatMeasured(double value, std::optional<int> dataDecimals,
                           std::string_view decimalSeparator);

} // namespace robustez
