#include "core/stats/reproducible_distributions.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace robustez {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// log 2 as a sum: the high part has its last 32 bits zero, so that k * high
// is exact for every exponent k of a double.
constexpr double kLog2High = 6.93147180369123816490e-01;
constexpr double kLog2Low = 1.90821492927058770002e-10;

// 1 / j! for j = 0..13.
constexpr double kInverseFactorials[] = {1.0,
                                         1.0,
                                         1.0 / 2,
                                         1.0 / 6,
                                         1.0 / 24,
                                         1.0 / 120,
                                         1.0 / 720,
                                         1.0 / 5040,
                                         1.0 / 40320,
                                         1.0 / 362880,
                                         1.0 / 3628800,
                                         1.0 / 39916800,
                                         1.0 / 479001600,
                                         1.0 / 6227020800};

// 2^k for -1022 <= k <= 1023, from its bits.
double powerOfTwo(int k) {
    return std::bit_cast<double>(static_cast<std::uint64_t>(k + 1023) << 52);
}

// x * 2^k: exact unless the result is subnormal.
double scaleByPowerOfTwo(double x, int k) {
    if (k > 1023) {
        return x * powerOfTwo(1023) * powerOfTwo(k - 1023);
    }
    if (k < -1022) {
        // The exact step first, the one that may round last.
        return x * powerOfTwo(k + 1022) * powerOfTwo(-1022);
    }
    return x * powerOfTwo(k);
}

// log(1 + f) for |f| up to sqrt(2) - 1 about, with f exact: with
// s = f / (2 + f), log(1 + f) = 2 s + 2 s^3 / 3 + 2 s^5 / 5 + ..., written as
// f - (f^2 / 2 - s (f^2 / 2 + R)) with R = 2 s^2 / 3 + 2 s^4 / 5 + ... so that
// the leading f carries no rounding. `extra` is added to the small part
// (k log 2's low half).
double logOnePlusReduced(double f, double extra, double leading) {
    const double s = f / (2 + f);
    const double w = s * s;
    double series = 2.0 / 25;
    for (int j = 11; j >= 1; --j) {
        series = 2.0 / (2 * j + 1) + w * series;
    }
    const double r = w * series;
    const double halfSquare = 0.5 * f * f;
    return leading - ((halfSquare - (s * (halfSquare + r) + extra)) - f);
}

// Stirling's series beyond its leading terms: log Gamma(z) - ((z - 1/2) log z
// - z + log(2 pi) / 2) for z >= 15, to double precision in eight terms.
double stirlingCorrection(double z) {
    const double inverse = 1 / z;
    const double inverseSquare = inverse * inverse;
    // B_2j / (2j (2j - 1)) for j = 1..8.
    constexpr double kStirling[] = {1.0 / 12,   -1.0 / 360,      1.0 / 1260, -1.0 / 1680,
                                    1.0 / 1188, -691.0 / 360360, 1.0 / 156,  -3617.0 / 122400};
    double correction = kStirling[7];
    for (int j = 6; j >= 0; --j) {
        correction = kStirling[j] + inverseSquare * correction;
    }
    return correction * inverse;
}

// log B(a, b). With a large argument the difference log Gamma(big + small) -
// log Gamma(big) is taken from Stirling's series term by term, so that the
// two large logarithms never cancel.
double logBeta(double a, double b) {
    const double big = std::max(a, b);
    const double small = std::min(a, b);
    if (big < 15) {
        return logGamma(a) + logGamma(b) - logGamma(a + b);
    }
    const double sum = big + small;
    const double difference = (big - 0.5) * reproducibleLog1p(small / big) +
                              small * reproducibleLog(sum) - small + stirlingCorrection(sum) -
                              stirlingCorrection(big);
    return logGamma(small) - difference;
}

// The continued fraction of I_x(a, b),
//   1 / (1 + d1 / (1 + d2 / (1 + ...))),
// d(2m+1) = -(a + m)(a + b + m) x / ((a + 2m)(a + 2m + 1)),
// d(2m) = m (b - m) x / ((a + 2m - 1)(a + 2m)),
// which converges quickly for x < (a + 1) / (a + b + 2). Its convergents
// come from the three-term recurrence of their numerators and denominators
// (the divisions stay out of the recurrence's chain), rescaled when they grow
// or shrink too far, until two successive ones agree to a unit in the last
// place. `terms`, when given, holds the first terms of this (a, b).
double betaContinuedFraction(double x, double a, double b,
                             const StudentT::FractionTerms* terms = nullptr) {
    double numerator = 1; // of the last convergent
    double denominator = 1;
    double numeratorBefore = 0; // of the one before
    double denominatorBefore = 1;
    const auto apply = [&](double d) {
        const double nextNumerator = numerator + d * numeratorBefore;
        const double nextDenominator = denominator + d * denominatorBefore;
        numeratorBefore = numerator;
        denominatorBefore = denominator;
        numerator = nextNumerator;
        denominator = nextDenominator;
    };
    if (terms != nullptr) {
        apply(terms->firstNumerator * x / terms->firstDenominator);
    } else {
        apply(-(a + b) * x / (a + 1));
    }
    double value = numerator / denominator;
    for (int m = 1; m <= 10000; ++m) {
        if (terms != nullptr && m <= StudentT::FractionTerms::kCount) {
            const std::size_t i = 2 * static_cast<std::size_t>(m - 1);
            apply(terms->numerators[i] * x / terms->denominators[i]);
            apply(terms->numerators[i + 1] * x / terms->denominators[i + 1]);
        } else {
            const double m2 = 2.0 * m;
            apply(m * (b - m) * x / ((a - 1 + m2) * (a + m2)));
            apply(-(a + m) * (a + b + m) * x / ((a + m2) * (a + 1 + m2)));
        }
        const double size = std::fabs(denominator);
        if (size > 1e150 || size < 1e-150) {
            const double scale = 1 / denominator;
            numerator *= scale;
            numeratorBefore *= scale;
            denominatorBefore *= scale;
            denominator = 1;
        }
        // |numerator / denominator - value| within an ulp, without dividing.
        if (std::fabs(numerator - value * denominator) <= 2.3e-16 * std::fabs(numerator)) {
            return numerator / denominator;
        }
        value = numerator / denominator;
    }
    return value;
}

// log x, from x or from y = 1 - x, whichever keeps more digits.
double logFromPair(double x, double y) {
    return x < 0.5 ? reproducibleLog(x) : reproducibleLog1p(-y);
}

// I_x(a, b) given both x and y = 1 - x, each to full precision.
// I_x(a, b) from its front factor x^a y^b / B(a, b), x and y = 1 - x;
// `terms` and `swapped`, when given, hold the first terms of the continued
// fractions of (a, b) and (b, a).
double incompleteBetaFromFront(double a, double b, double x, double y, double front,
                               const StudentT::FractionTerms* terms = nullptr,
                               const StudentT::FractionTerms* swapped = nullptr) {
    const double turn = terms != nullptr ? terms->turn : (a + 1) / (a + b + 2);
    if (x < turn) {
        return front * betaContinuedFraction(x, a, b, terms) / a;
    }
    return 1 - front * betaContinuedFraction(y, b, a, swapped) / b;
}

double incompleteBeta(double a, double b, double x, double y, double logB) {
    if (x <= 0) {
        return 0;
    }
    if (y <= 0) {
        return 1;
    }
    // x^a y^b / B(a, b); a half power is a square root, one logarithm fewer.
    double front = 0;
    if (b == 0.5) {
        front = reproducibleExp(a * logFromPair(x, y) - logB) * std::sqrt(y);
    } else if (a == 0.5) {
        front = reproducibleExp(b * logFromPair(y, x) - logB) * std::sqrt(x);
    } else {
        front = reproducibleExp(a * logFromPair(x, y) + b * logFromPair(y, x) - logB);
    }
    return incompleteBetaFromFront(a, b, x, y, front);
}

// x^(n / 2) for 0 <= x <= 1 by binary powering (and a square root for odd n):
// a few products, each partial one between the result and 1.
double halfIntegerPower(double x, int n) {
    double power = 1;
    double square = x;
    for (int e = n / 2; e > 0; e /= 2) {
        if (e % 2 == 1) {
            power *= square;
        }
        if (e > 1) {
            square *= square;
        }
    }
    return n % 2 == 1 ? power * std::sqrt(x) : power;
}

// x = df / (df + t^2) and y = t^2 / (df + t^2) for t >= 0, each to full
// precision.
void studentPair(double t, double df, double& x, double& y) {
    if (t > 1e100) {
        x = df / t / t;
        y = 1;
        return;
    }
    const double square = t * t;
    x = df / (df + square);
    y = square / (df + square);
}

// P(T > t) for t >= 0; inverseB is 1 / B(df / 2, 1 / 2); `wide` and
// `narrow`, when given, the first terms of the continued fractions of
// (df / 2, 1 / 2) and (1 / 2, df / 2).
double studentUpperTail(double t, double df, double logB, double inverseB,
                        const StudentT::FractionTerms* wide = nullptr,
                        const StudentT::FractionTerms* narrow = nullptr) {
    double x = 0;
    double y = 0;
    studentPair(t, df, x, y);
    if (x <= 0) {
        return 0;
    }
    if (y <= 0) {
        return 0.5;
    }
    // The front factor x^(df/2) y^(1/2) / B: for whole degrees of freedom
    // (up to 200, where the powering loses under 1e-14) by products alone.
    const double a = df / 2;
    double front = 0;
    if (df <= 200 && df == static_cast<double>(static_cast<int>(df))) {
        front = halfIntegerPower(x, static_cast<int>(df)) * std::sqrt(y) * inverseB;
    } else {
        front = reproducibleExp(a * logFromPair(x, y) - logB) * std::sqrt(y);
    }
    return 0.5 * incompleteBetaFromFront(a, 0.5, x, y, front, wide, narrow);
}

double studentDensity(double t, double df, double logB) {
    const double logKernel = -(df + 1) / 2 * reproducibleLog1p(t * t / df);
    return reproducibleExp(logKernel - logB) / std::sqrt(df);
}

// The t > 0 where h(t) = 0, for an h that rises with t and is nearly linear
// in u = log t: Newton's method in u, kept inside the bracket found so far,
// from t0. h returns its value and sets its slope dh/du.
template <typename Function> double solveInLogT(double t0, Function h) {
    double u = reproducibleLog(t0);
    double below = -kInfinity; // h < 0 here
    double above = kInfinity;  // h > 0 here
    for (int iteration = 0; iteration < 200; ++iteration) {
        double slope = 0;
        const double value = h(reproducibleExp(u), slope);
        if (value == 0) {
            break;
        }
        if (value < 0) {
            below = u;
        } else {
            above = u;
        }
        double next = u - value / slope;
        if (!std::isfinite(next) || next <= below || next >= above) {
            if (std::isfinite(below) && std::isfinite(above)) {
                next = 0.5 * (below + above);
            } else {
                next = value < 0 ? u + 2 : u - 2;
            }
        }
        const bool done = std::fabs(next - u) <= 4e-16 * std::max(1.0, std::fabs(u));
        u = next;
        if (done || above - below <= 4e-16 * std::max(1.0, std::fabs(u))) {
            break;
        }
    }
    return reproducibleExp(u);
}

} // namespace

double reproducibleLog(double x) {
    if (std::isnan(x) || x < 0) {
        return kNaN;
    }
    if (x == 0) {
        return -kInfinity;
    }
    if (std::isinf(x)) {
        return x;
    }
    int exponent = 0;
    double m = std::frexp(x, &exponent); // exact: x = m 2^exponent, 0.5 <= m < 1
    if (m < 0.70710678118654752) {
        m *= 2;
        --exponent;
    }
    const double k = exponent;
    return logOnePlusReduced(m - 1, k * kLog2Low, k * kLog2High);
}

double reproducibleLog1p(double w) {
    if (std::isnan(w) || w < -1) {
        return kNaN;
    }
    if (w == -1) {
        return -kInfinity;
    }
    if (w > -0.29 && w < 0.41) {
        return logOnePlusReduced(w, 0, 0);
    }
    const double u = 1 + w;
    // The rounding of 1 + w, put back to first order.
    return reproducibleLog(u) + (w - (u - 1)) / u;
}

double reproducibleExp(double x) {
    if (std::isnan(x)) {
        return x;
    }
    if (x > 709.782712893384) {
        return kInfinity;
    }
    if (x < -745.2) {
        return 0;
    }
    // x = k log 2 + r with |r| <= log 2 / 2, then e^r by its Taylor series,
    // whose first omitted term is below 1e-17 of the sum.
    const double k =
        static_cast<double>(static_cast<long long>(x * 1.4426950408889634 + (x < 0 ? -0.5 : 0.5)));
    const double r = (x - k * kLog2High) - k * kLog2Low;
    // e^r - 1 = r + r^2 (c2 + r c3 + ...), the powers of r grouped (Estrin)
    // so that the products do not wait on each other.
    const double* c = kInverseFactorials;
    const double r2 = r * r;
    const double r4 = r2 * r2;
    const double r8 = r4 * r4;
    const double low = (c[2] + r * c[3]) + r2 * (c[4] + r * c[5]);
    const double middle = (c[6] + r * c[7]) + r2 * (c[8] + r * c[9]);
    const double high = (c[10] + r * c[11]) + r2 * (c[12] + r * c[13]);
    const double tail = r + r2 * (low + r4 * middle + r8 * high);
    return scaleByPowerOfTwo(1 + tail, static_cast<int>(k));
}

double reproduciblePow(double x, double y) {
    return reproducibleExp(y * reproducibleLog(x));
}

double logGamma(double x) {
    if (std::isnan(x) || x <= 0) {
        return kNaN;
    }
    // Gamma(x) = Gamma(x + n) / (x (x + 1) ... (x + n - 1)), with x + n >= 15
    // where Stirling's series converges to double precision in eight terms.
    double z = x;
    double product = 1;
    while (z < 15) {
        product *= z;
        z += 1;
    }
    constexpr double kHalfLogTwoPi = 0.91893853320467274178;
    const double stirling =
        (z - 0.5) * reproducibleLog(z) - z + kHalfLogTwoPi + stirlingCorrection(z);
    return stirling - reproducibleLog(product);
}

double regularizedBeta(double x, double a, double b) {
    if (std::isnan(x) || !(a > 0) || !(b > 0)) {
        return kNaN;
    }
    if (x <= 0) {
        return 0;
    }
    if (x >= 1) {
        return 1;
    }
    return incompleteBeta(a, b, x, 1 - x, logBeta(a, b));
}

StudentT::FractionTerms::FractionTerms(double a, double b)
    : turn((a + 1) / (a + b + 2)), firstNumerator(-(a + b)), firstDenominator(a + 1) {
    for (int m = 1; m <= kCount; ++m) {
        const double m2 = 2.0 * m;
        const std::size_t i = 2 * static_cast<std::size_t>(m - 1);
        numerators[i] = m * (b - m);
        denominators[i] = (a - 1 + m2) * (a + m2);
        numerators[i + 1] = -(a + m) * (a + b + m);
        denominators[i + 1] = (a + m2) * (a + 1 + m2);
    }
}

StudentT::StudentT(double df)
    : df_(df), logBeta_(df > 0 ? logBeta(df / 2, 0.5) : kNaN),
      inverseBeta_(reproducibleExp(-logBeta_)), wide_(df / 2, 0.5), narrow_(0.5, df / 2) {}

double StudentT::twoSidedP(double t) const {
    const double df = df_;
    if (std::isnan(t) || !(df > 0)) {
        return kNaN;
    }
    const double u = std::fabs(t);
    if (std::isinf(u)) {
        return 0;
    }
    return 2 * studentUpperTail(u, df, logBeta_, inverseBeta_, &wide_, &narrow_);
}

double StudentT::quantile(double p) const {
    const double df = df_;
    if (std::isnan(p) || !(df > 0) || !(p > 0 && p < 1)) {
        return kNaN;
    }
    if (p == 0.5) {
        return 0;
    }
    // The quantile of 1 - p is minus that of p; the tail probability is taken
    // from whichever of the two keeps it exact.
    const double sign = p < 0.5 ? -1 : 1;
    const double q = p < 0.5 ? p : 1 - p; // 1 - p is exact for p >= 0.5
    const double logB = logBeta_;
    if (q > 0.25) {
        // Near the centre: P(|T| < t) = I_y(1/2, df/2) = 1 - 2q (exact),
        // rising with t, from t = (1 - 2q) / (2 f(0)).
        const double central = 1 - 2 * q;
        const double logCentral = reproducibleLog(central);
        const double t0 = central * std::sqrt(df) * reproducibleExp(logB) / 2;
        return sign * solveInLogT(t0, [&](double t, double& slope) {
                   double x = 0;
                   double y = 0;
                   studentPair(t, df, x, y);
                   const double inside = incompleteBeta(0.5, df / 2, y, x, logB);
                   slope = 2 * t * studentDensity(t, df, logB) / inside;
                   return reproducibleLog(inside) - logCentral;
               });
    }
    // In the tail: P(T > t) = q, falling as t rises, from the tail's leading
    // term for few degrees of freedom and the Cornish-Fisher expansion about
    // the normal quantile otherwise.
    const double logQ = reproducibleLog(q);
    double t0 = 0;
    if (df < 3) {
        t0 = std::sqrt(df) * reproducibleExp(-(reproducibleLog(q * df) + logB) / df);
    } else {
        const double z = std::fabs(normalQuantile(p));
        const double z2 = z * z;
        t0 = z + z * (z2 + 1) / (4 * df) + z * ((5 * z2 + 16) * z2 + 3) / (96 * df * df);
    }
    return sign * solveInLogT(t0, [&](double t, double& slope) {
               const double tail = studentUpperTail(t, df, logB, inverseBeta_, &wide_, &narrow_);
               slope = t * studentDensity(t, df, logB) / tail;
               // Written to rise with t, as the solver expects.
               return logQ - reproducibleLog(tail);
           });
}

double studentTTwoSidedP(double t, double df) {
    return StudentT(df).twoSidedP(t);
}

double studentTQuantile(double p, double df) {
    return StudentT(df).quantile(p);
}

double normalQuantile(double p) {
    if (std::isnan(p) || !(p > 0 && p < 1)) {
        return kNaN;
    }
    // Wichura, Algorithm AS 241 (Applied Statistics 37, 1988): rational
    // approximations in three regions.
    const double q = p - 0.5;
    const auto rational = [](const double(&num)[8], const double(&den)[7], double r) {
        double n = num[7];
        for (int i = 6; i >= 0; --i) {
            n = n * r + num[i];
        }
        double d = den[6];
        for (int i = 5; i >= 0; --i) {
            d = d * r + den[i];
        }
        return n / (d * r + 1);
    };
    if (std::fabs(q) <= 0.425) {
        constexpr double a[8] = {3.3871328727963666080e0, 1.3314166789178437745e2,
                                 1.9715909503065514427e3, 1.3731693765509461125e4,
                                 4.5921953931549871457e4, 6.7265770927008700853e4,
                                 3.3430575583588128105e4, 2.5090809287301226727e3};
        constexpr double b[7] = {4.2313330701600911252e1, 6.8718700749205790830e2,
                                 5.3941960214247511077e3, 2.1213794301586595867e4,
                                 3.9307895800092710610e4, 2.8729085735721942674e4,
                                 5.2264952788528545610e3};
        return q * rational(a, b, 0.180625 - q * q);
    }
    double r = q < 0 ? p : 1 - p;
    r = std::sqrt(-reproducibleLog(r));
    double value = 0;
    if (r <= 5) {
        constexpr double c[8] = {1.42343711074968357734e0,  4.63033784615654529590e0,
                                 5.76949722146069140550e0,  3.64784832476320460504e0,
                                 1.27045825245236838258e0,  2.41780725177450611770e-1,
                                 2.27238449892691845833e-2, 7.74545014278341407640e-4};
        constexpr double d[7] = {2.05319162663775882187e0,  1.67638483018380384940e0,
                                 6.89767334985100004550e-1, 1.48103976427480074590e-1,
                                 1.51986665636164571966e-2, 5.47593808499534494600e-4,
                                 1.05075007164441684324e-9};
        value = rational(c, d, r - 1.6);
    } else {
        constexpr double e[8] = {6.65790464350110377720e0,  5.46378491116411436990e0,
                                 1.78482653991729133580e0,  2.96560571828504891230e-1,
                                 2.65321895265761230930e-2, 1.24266094738807843860e-3,
                                 2.71155556874348757815e-5, 2.01033439929228813265e-7};
        constexpr double f[7] = {5.99832206555887937690e-1, 1.36929880922735805310e-1,
                                 1.48753612908506148525e-2, 7.86869131145613259100e-4,
                                 1.84631831751005468180e-5, 1.42151175831644588870e-7,
                                 2.04426310338993978564e-15};
        value = rational(e, f, r - 5);
    }
    return q < 0 ? -value : value;
}

} // namespace robustez
