#pragma once

#include <string>
#include <string_view>

namespace robustez {

// The result number format: general format with 6 significant digits.
// Zero is "0"; otherwise the value is rounded to 6 significant digits (half
// away from zero on the exact binary value), trailing zeros dropped, and
// written in fixed notation for decimal exponents -3..6 (0.d1d2... x 10^e)
// and in scientific notation ("1.23457E6", "1.234E-5") otherwise.
std::string formatResult(double value, std::string_view decimalSeparator);

} // namespace robustez
