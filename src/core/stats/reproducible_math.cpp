#include "core/stats/reproducible_math.h"

#include "core/stats/double_double.h"

#include <array>
#include <cmath>
#include <stdexcept>

namespace robustez {

namespace {

using namespace dd;

// atan(j / 8) for j = 0..8 (hi and lo of each, from bc -l at 60 digits).
constexpr std::array<DoubleDouble, 9> kAtanEighths = {{
    {0.0, 0.0},
    {0.12435499454676144, -3.1253241424539383e-18},
    {0.24497866312686414, 1.0698755618734451e-17},
    {0.35877067027057225, -2.4623815582638635e-17},
    {0.4636476090008061, 2.2698777452961687e-17},
    {0.5585993153435624, -5.4556305485916264e-18},
    {0.6435011087932844, 1.5834785051444286e-17},
    {0.7188299996216245, -2.1478388444456983e-17},
    {0.7853981633974483, 3.061616997868383e-17},
}};

constexpr DoubleDouble kHalfPi = {1.5707963267948966, 6.123233995736766e-17};

// 1 / (2k + 1) for k = 0..13, the coefficients of atan v = sum (-1)^k v^(2k+1) / (2k+1).
constexpr std::array<DoubleDouble, 14> kOddReciprocals = {{
    {1.0, 0.0},
    {0.3333333333333333, 1.850371707708594e-17},
    {0.2, -1.1102230246251566e-17},
    {0.14285714285714285, 7.93016446160826e-18},
    {0.1111111111111111, 6.1679056923619804e-18},
    {0.09090909090909091, -2.523234146875356e-18},
    {0.07692307692307693, -4.270088556250602e-18},
    {0.06666666666666667, 9.251858538542971e-19},
    {0.058823529411764705, 8.163404592832033e-19},
    {0.05263157894736842, 2.921639538487254e-18},
    {0.047619047619047616, 2.64338815386942e-18},
    {0.043478260869565216, 1.206764157201257e-18},
    {0.04, -8.326672684688674e-19},
    {0.037037037037037035, 2.05596856412066e-18},
}};

// atan v for |v| <= 1/16 + a little: the Taylor series, whose first omitted
// term is below 2^-112 of the sum.
DoubleDouble atanSeries(DoubleDouble v) {
    const DoubleDouble w = v * v;
    DoubleDouble sum = kOddReciprocals.back();
    for (size_t k = kOddReciprocals.size() - 1; k-- > 0;) {
        sum = kOddReciprocals[k] - w * sum;
    }
    return v * sum;
}

// atan a for 0 <= a <= 1: atan a = atan c + atan((a - c) / (1 + a c)) with c
// the nearest eighth, so that the series' argument is at most 1/16.
DoubleDouble atanOfUnitInterval(DoubleDouble a) {
    const auto j = static_cast<size_t>(std::floor(a.hi * 8 + 0.5));
    const DoubleDouble c = {static_cast<double>(j) / 8};
    const DoubleDouble v = (a - c) / (DoubleDouble{1} + a * c);
    return kAtanEighths[j] + atanSeries(v);
}

} // namespace

double reproducibleAtan(double x) {
    const double u = std::fabs(x);
    if (std::isnan(x) || u < 0x1p-27) {
        return x; // atan x = x (1 - x^2 / 3 + ...): within half an ulp of x
    }
    DoubleDouble angle;
    if (u <= 1) {
        angle = atanOfUnitInterval({u});
    } else if (u < 0x1p60) {
        angle = kHalfPi - atanOfUnitInterval(DoubleDouble{1} / DoubleDouble{u});
    } else {
        angle = kHalfPi - DoubleDouble{1 / u}; // the next term, 1 / (3 u^3), is below 2^-180
    }
    return std::copysign(angle.hi, x);
}

double hypotOne(double t) {
    const double u = std::fabs(t);
    if (std::isnan(t) || u >= 0x1p60) {
        return u; // sqrt(1 + t^2) = |t| (1 + 1 / (2 t^2) + ...): within half an ulp of |t|
    }
    const DoubleDouble square = twoProduct(u, u);
    return squareRoot(DoubleDouble{1} + square).hi;
}

double powHalfInteger(double y, int m) {
    if (std::isnan(y)) {
        return y;
    }
    if (!(y >= 0 && y <= 1) || m < 0) {
        throw std::invalid_argument("powHalfInteger takes 0 <= y <= 1 and m >= 0");
    }
    // Binary powering of y to the whole part of m / 2; every partial product
    // lies between the result and 1, so none underflows before the result.
    DoubleDouble power{1};
    DoubleDouble square{y};
    for (int e = m / 2; e > 0; e /= 2) {
        if (e % 2 == 1) {
            power = power * square;
        }
        if (e > 1) {
            square = square * square;
        }
    }
    if (m % 2 == 1) {
        power = power * squareRoot({y});
    }
    return power.hi;
}

} // namespace robustez
