#pragma once

namespace robustez {

// Elementary functions built only from the operations that IEEE 754 requires
// to be correctly rounded: addition, subtraction, multiplication, division
// and square root. They therefore give the same bits on every conforming
// platform, which the C library's atan, pow and hypot do not: glibc and the
// Windows runtimes round some of their last bits differently.
//
// Each is evaluated in double-double arithmetic (about 106 bits) and rounded
// once at the end, so its result is the correctly rounded value except in
// cases too rare to meet (the evaluation error is far below 2^-100 of the
// result).

// atan x in [-pi/2, pi/2]. NaN gives NaN, +-infinity gives +-pi/2 and a zero
// keeps its sign.
double reproducibleAtan(double x);

// sqrt(1 + t^2), without overflow or underflow. NaN gives NaN and
// +-infinity gives infinity.
double hypotOne(double t);

// y^(m / 2) for 0 <= y <= 1 and m >= 0 (1 for m = 0, even for y = 0). NaN
// gives NaN; a y outside [0, 1] or a negative m throws std::invalid_argument.
double powHalfInteger(double y, int m);

} // namespace robustez
