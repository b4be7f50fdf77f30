#pragma once

namespace robustez {

// Logarithms, exponentials and the distributions the two-level screen needs,
// built only from IEEE 754 addition, subtraction, multiplication, division
// and square root (as reproducible_math.h), so that they give the same bits on
// every conforming platform (compiled without fused multiply-adds). They are
// not always correctly rounded: the elementary functions are within about 2
// units in the last place; Student's t within 1e-12 relative from 1 to 1000
// degrees of freedom (5e-12 below 1), usually within 1e-14.

// log x for x > 0 (NaN for x < 0 or NaN, -infinity for 0, infinity for
// infinity).
double reproducibleLog(double x);

// log(1 + w) for w > -1, accurate for small w.
double reproducibleLog1p(double w);

// e^x (0 below about -745, infinity above about 709.78, NaN for NaN).
double reproducibleExp(double x);

// x^y = e^(y log x) for x > 0.
double reproduciblePow(double x, double y);

// log Gamma(x) for x > 0.
double logGamma(double x);

// The regularized incomplete beta function I_x(a, b) for a, b > 0 and
// 0 <= x <= 1.
double regularizedBeta(double x, double a, double b);

// P(|T| >= |t|) for Student's t with df > 0 degrees of freedom (whole or
// fractional).
double studentTTwoSidedP(double t, double df);

// The quantile of Student's t: the t with P(T <= t) = p, for 0 < p < 1 and
// df > 0 (whole or fractional).
double studentTQuantile(double p, double df);

// Student's t with df > 0 degrees of freedom, its constant B(df / 2, 1 / 2)
// and the first terms of its continued fractions computed once for many
// calls; the same results as the two functions above.
class StudentT {
public:
    explicit StudentT(double df);
    double df() const { return df_; }
    double twoSidedP(double t) const;
    double quantile(double p) const;

    // The first terms of the continued fraction of I_x(a, b) without their
    // x: d1 = -(a + b) x / (a + 1), then for m = 1, 2, ...
    // d(2m) = m (b - m) x / ((a + 2m - 1)(a + 2m)) and
    // d(2m+1) = -(a + m)(a + b + m) x / ((a + 2m)(a + 2m + 1)), each
    // numerator and denominator as the terms of a general (a, b) round them.
    struct FractionTerms {
        static constexpr int kCount = 24; // values of m
        // (a + 1) / (a + b + 2): below it the fraction of x converges
        // quickly, above it that of 1 - x.
        double turn = 0;
        double firstNumerator = 0;
        double firstDenominator = 0;
        double numerators[2 * kCount] = {};
        double denominators[2 * kCount] = {};
        FractionTerms() = default;
        FractionTerms(double a, double b);
    };

private:
    double df_;
    double logBeta_;
    double inverseBeta_;
    // For (df / 2, 1 / 2) and (1 / 2, df / 2).
    FractionTerms wide_;
    FractionTerms narrow_;
};

// The standard normal quantile Phi^-1(p) for 0 < p < 1 (Wichura's algorithm
// AS 241, about 1e-16 relative).
double normalQuantile(double p);

} // namespace robustez
