#pragma once

#include <cmath>
#include <cstddef>

namespace robustez::dd {

// Double-double arithmetic: a value is the unevaluated sum of two doubles,
// about 106 significant bits, built from IEEE additions, multiplications,
// divisions and square roots only, so that every platform gives the same
// bits. Whatever includes this must be compiled without contraction of
// a * b + c into a fused multiply-add (-ffp-contract=off): the exact
// products below rely on each product being rounded on its own.

// An unevaluated sum hi + lo with |lo| <= half an ulp of hi, so that hi is
// the sum rounded to a double.
struct DoubleDouble {
    double hi = 0;
    double lo = 0;
};

// a + b exactly, given |a| >= |b| or a = 0.
inline DoubleDouble quickTwoSum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

// a + b exactly.
inline DoubleDouble twoSum(double a, double b) {
    const double s = a + b;
    const double bPart = s - a;
    const double aPart = s - bPart;
    return {s, (a - aPart) + (b - bPart)};
}

// Veltkamp's split of a into two halves of 26 significant bits each.
inline DoubleDouble split(double a) {
    const double scaled = 134217729.0 * a; // 2^27 + 1
    const double high = scaled - (scaled - a);
    return {high, a - high};
}

// a * b exactly (Dekker), for |a|, |b| below 2^995.
inline DoubleDouble twoProduct(double a, double b) {
    const double p = a * b;
    const DoubleDouble x = split(a);
    const DoubleDouble y = split(b);
    const double error = ((x.hi * y.hi - p) + x.hi * y.lo + x.lo * y.hi) + x.lo * y.lo;
    return {p, error};
}

inline DoubleDouble operator+(DoubleDouble a, DoubleDouble b) {
    DoubleDouble s = twoSum(a.hi, b.hi);
    const DoubleDouble t = twoSum(a.lo, b.lo);
    s = quickTwoSum(s.hi, s.lo + t.hi);
    return quickTwoSum(s.hi, s.lo + t.lo);
}

inline DoubleDouble operator-(DoubleDouble a) {
    return {-a.hi, -a.lo};
}

inline DoubleDouble operator-(DoubleDouble a, DoubleDouble b) {
    return a + -b;
}

inline DoubleDouble operator*(DoubleDouble a, DoubleDouble b) {
    const DoubleDouble p = twoProduct(a.hi, b.hi);
    return quickTwoSum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

// a / b, three quotient digits of a double each.
inline DoubleDouble operator/(DoubleDouble a, DoubleDouble b) {
    const double q1 = a.hi / b.hi;
    DoubleDouble r = a - b * DoubleDouble{q1};
    const double q2 = r.hi / b.hi;
    r = r - b * DoubleDouble{q2};
    const double q3 = r.hi / b.hi;
    return quickTwoSum(q1, q2) + DoubleDouble{q3};
}

// a / b for a double b > 0 and a finite quotient: the bits of
// a / DoubleDouble{b} with the products by b's zero low part left out. Each
// of them added +0 to a product's error term, which is never -0 (it starts
// with the difference of two equal or unequal finite values), so leaving
// them out changes nothing.
inline DoubleDouble divide(DoubleDouble a, double b) {
    const auto times = [b](double q) {
        const DoubleDouble p = twoProduct(b, q);
        return quickTwoSum(p.hi, p.lo);
    };
    const double q1 = a.hi / b;
    DoubleDouble r = a - times(q1);
    const double q2 = r.hi / b;
    r = r - times(q2);
    const double q3 = r.hi / b;
    return quickTwoSum(q1, q2) + DoubleDouble{q3};
}

// q[i] = divide(a[i], b[i]) for i < n, the same bits: the steps of four
// divisions taken side by side, so that the processor overlaps their long
// chains of dependent operations.
inline void divideEach(const DoubleDouble* a, const double* b, DoubleDouble* q, std::size_t n) {
    constexpr std::size_t kLanes = 4;
    std::size_t i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        double q1[kLanes];
        double q2[kLanes];
        double q3[kLanes];
        DoubleDouble r[kLanes];
        for (std::size_t j = 0; j < kLanes; ++j) {
            q1[j] = a[i + j].hi / b[i + j];
        }
        for (std::size_t j = 0; j < kLanes; ++j) {
            const DoubleDouble p = twoProduct(b[i + j], q1[j]);
            r[j] = a[i + j] - quickTwoSum(p.hi, p.lo);
        }
        for (std::size_t j = 0; j < kLanes; ++j) {
            q2[j] = r[j].hi / b[i + j];
        }
        for (std::size_t j = 0; j < kLanes; ++j) {
            const DoubleDouble p = twoProduct(b[i + j], q2[j]);
            r[j] = r[j] - quickTwoSum(p.hi, p.lo);
        }
        for (std::size_t j = 0; j < kLanes; ++j) {
            q3[j] = r[j].hi / b[i + j];
        }
        for (std::size_t j = 0; j < kLanes; ++j) {
            q[i + j] = quickTwoSum(q1[j], q2[j]) + DoubleDouble{q3[j]};
        }
    }
    for (; i < n; ++i) {
        q[i] = divide(a[i], b[i]);
    }
}

// sqrt(a) for a >= 0: the double root with one Newton correction.
inline DoubleDouble squareRoot(DoubleDouble a) {
    if (a.hi <= 0) {
        return {};
    }
    const double root = std::sqrt(a.hi);
    const DoubleDouble square = twoProduct(root, root);
    const double residual = ((a.hi - square.hi) - square.lo) + a.lo;
    return quickTwoSum(root, residual / (2 * root));
}

} // namespace robustez::dd
