#include "core/stats/evidence.h"

#include "core/stats/number_format.h"
#include "core/stats/reproducible_math.h"
#include "core/study/conversions.h"
#include "core/study/errors.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <map>
#include <mutex>
#include <numbers>
#include <stdexcept>
#include <string>

namespace robustez {

// The distribution functions rest on one integral. For (X, Y) the standard
// spherical bivariate t with df degrees of freedom, the radius R has
// P(R > r) = (1 + r^2 / df)^(-df / 2) and the angle is uniform and
// independent of it, so the probability that the point lies beyond the line
// X = h (h >= 0) and within angle atan(a) above the X axis is
//
//   T(h, a) = 1 / (2 pi) * S(h, a),
//   S(h, a) = integral over 0 < theta < atan a of (1 + h^2 / (df cos^2 theta))^(-df / 2),
//
// Student's counterpart of Owen's T function. With y = df / (df + h^2),
// q = 1 - y, tan phi = a sqrt(q) and C_e = integral over 0 < psi < phi of
// cos^e psi (e = 0, 1, 2, ...), S has a series in the manner of Dunnett and
// Sobel (1954), finite for integer df:
//
//   S = sqrt(q) * (y^(df/2) C_df + y^(df/2 + 1) C_(df+2) + ...)
//     = B - sqrt(q) * (y^(e0/2) C_e0 + y^(e0/2 + 1) C_(e0+2) + ... + y^(df/2 - 1) C_(df-2))
//
// with e0 = 0 and B = atan a for even df, e0 = 1 and B = atan(sin phi sqrt(df) / h)
// for odd df. The finite form is exact; the infinite tail, all of whose terms
// are positive, keeps full relative precision where S is small (h large) and
// the finite form would subtract nearly equal numbers. Either costs O(df).

namespace {

constexpr double kPi = std::numbers::pi;

// S is about y^(df / 2) times B, so the finite form loses about
// log10(1 / y^(df / 2)) of its digits, which its last-bit errors (of B, of
// each term) then fill: already 1e-13 of S near y^(df / 2) = 1/100, where
// adjusted p-values near 0.005 lie. Below y^(df / 2) = 0.3, half a digit, the
// tail is summed instead; it needs about 40 / ln(1 / y) terms, at most 16 df.
constexpr double kTailSwitch = 0.3;

void requireDegreesOfFreedom(int df) {
    if (df < 1) {
        throw std::invalid_argument("degrees of freedom must be at least 1");
    }
}

// C_e = integral over 0 < psi < phi of cos^e psi, stepping e by two:
// C_(e+2) = (cos^(e+1) phi sin phi + (e + 1) C_e) / (e + 2), every term
// positive.
class CosinePowerIntegral {
public:
    // Starts at e = parity (0 or 1).
    CosinePowerIntegral(int parity, double phi, double sinPhi, double cosPhi)
        : exponent_(parity), value_(parity == 0 ? phi : sinPhi),
          cosPower_(parity == 0 ? cosPhi : cosPhi * cosPhi), sinPhi_(sinPhi),
          cosSquared_(cosPhi * cosPhi) {}

    int exponent() const { return exponent_; }
    double value() const { return value_; }

    void next() {
        value_ = (cosPower_ * sinPhi_ + (exponent_ + 1) * value_) / (exponent_ + 2);
        cosPower_ *= cosSquared_;
        exponent_ += 2;
    }

private:
    int exponent_;
    double value_;
    double cosPower_; // cos^(exponent + 1) phi
    double sinPhi_;
    double cosSquared_;
};

// S(h, a) for h > 0 and a > 0 (a may be infinite).
double sectorIntegral(int df, double h, double a) {
    const double ratio = h / std::sqrt(static_cast<double>(df));
    const double r = ratio * ratio;   // h^2 / df, possibly infinite
    const double y = 1 / (1 + r);     // df / (df + h^2)
    const double q = 1 / (1 + 1 / r); // h^2 / (df + h^2)
    const double sqrtQ = std::sqrt(q);

    const double tanPhi = a * sqrtQ;
    double phi = kPi / 2;
    double sinPhi = 1;
    double cosPhi = 0;
    double sinPhiOverRatio = 1 / ratio; // sin phi sqrt(df) / h
    if (!std::isinf(tanPhi)) {
        const double hypotenuse = hypotOne(tanPhi);
        phi = reproducibleAtan(tanPhi);
        sinPhi = tanPhi / hypotenuse;
        cosPhi = 1 / hypotenuse;
        sinPhiOverRatio = a * std::sqrt(y) / hypotenuse;
    }

    const int parity = df % 2;
    CosinePowerIntegral c(parity, phi, sinPhi, cosPhi);
    double yPower = parity == 0 ? 1 : std::sqrt(y); // y^(e / 2)

    const double yPowerHalfDf = powHalfInteger(y, df);
    if (yPowerHalfDf >= kTailSwitch) {
        const double base = parity == 0 ? reproducibleAtan(a) : reproducibleAtan(sinPhiOverRatio);
        double sum = 0;
        for (; c.exponent() < df; c.next()) {
            sum += yPower * c.value();
            yPower *= y;
        }
        return std::max(0.0, base - sqrtQ * sum);
    }

    while (c.exponent() < df) {
        c.next();
    }
    yPower = yPowerHalfDf;
    // Each term is at most y times the one before it, so what remains after a
    // term is at most term * y / (1 - y).
    double sum = 0;
    for (;;) {
        const double term = yPower * c.value();
        sum += term;
        if (!(term * y > q * 1e-17 * sum)) {
            break;
        }
        c.next();
        yPower *= y;
    }
    return sqrtQ * sum;
}

// T(h, a) for any h and a: even in h, odd in a.
double studentOwenT(int df, double h, double a) {
    const double magnitude = std::fabs(a);
    const double s = std::fabs(h) == 0 || magnitude == 0
                         ? reproducibleAtan(magnitude)
                         : sectorIntegral(df, std::fabs(h), magnitude);
    return std::copysign(s / (2 * kPi), a);
}

// P(T < x).
double studentLower(int df, double x) {
    return studentUpperTail(df, -x);
}

// The slope a_h of Owen's decomposition of the orthant below (h, k) for h != 0:
// (k - rho h) / (h sqrt(1 - rho^2)).
double orthantSlope(double h, double k, double rho, double sqrtOneMinusRho2) {
    if (h == 0) {
        return std::copysign(std::numeric_limits<double>::infinity(), k);
    }
    const double numerator = std::fma(-rho, h, k);
    const double denominator = h * sqrtOneMinusRho2;
    if (std::isfinite(numerator) && std::isnormal(denominator)) {
        return numerator / denominator;
    }
    return (k / h - rho) / sqrtOneMinusRho2;
}

// P(max(|T1|, |T2|) >= c) for c > 0: the lines T1 = +-c, T2 = +-c bound a
// rhombus, and each of its four sides is seen from the origin under the
// angles pi/6 and pi/3 either side of its foot, so
// p = 4 (T(c, tan pi/6) + T(c, tan pi/3)).
double dunnettUpperProbability(int df, double c) {
    const double s =
        sectorIntegral(df, c, std::numbers::inv_sqrt3) + sectorIntegral(df, c, std::numbers::sqrt3);
    return std::clamp(2 / kPi * s, 0.0, 1.0);
}

// The c in (0, hi) with dunnettUpperProbability(c) = target, given it lies
// below target at hi: regula falsi with the Illinois weighting, and a
// bisection whenever two steps did not halve the bracket. The result is
// within a unit in the last place of the root.
double solveDunnettUpper(int df, double target, double hi) {
    double lo = 0;
    double fLo = 1 - target; // the probability is 1 at c = 0
    double fHi = dunnettUpperProbability(df, hi) - target;
    int lastSide = 0;
    double widthBefore = hi - lo;
    double widthBeforeLast = 2 * widthBefore;
    for (int step = 0; step < 200; ++step) {
        double x = (lo * fHi - hi * fLo) / (fHi - fLo);
        if (hi - lo > 0.5 * widthBeforeLast || !(x > lo && x < hi)) {
            x = lo + 0.5 * (hi - lo);
        }
        if (!(x > lo && x < hi)) {
            break; // lo and hi are neighbouring doubles
        }
        const double fx = dunnettUpperProbability(df, x) - target;
        if (fx == 0) {
            return x;
        }
        widthBeforeLast = widthBefore;
        widthBefore = hi - lo;
        if (fx > 0) {
            lo = x;
            fLo = fx;
            if (lastSide < 0) {
                fHi *= 0.5;
            }
            lastSide = -1;
        } else {
            hi = x;
            fHi = fx;
            if (lastSide > 0) {
                fLo *= 0.5;
            }
            lastSide = 1;
        }
    }
    return std::fabs(fLo) <= std::fabs(fHi) ? lo : hi;
}

double solveDunnettCritical(int df) {
    constexpr double kAlpha = 0.05;
    double hi = 4;
    while (dunnettUpperProbability(df, hi) > kAlpha) {
        hi *= 2;
    }
    return solveDunnettUpper(df, kAlpha, hi);
}

[[noreturn]] void fail(std::string_view message) {
    throw ArithmeticError(std::string(message));
}

double finiteOrOverflow(double value) {
    if (!std::isfinite(value)) {
        fail(kOverflow);
    }
    return value;
}

// 100 * part / whole, divided in extended precision like the coefficients of
// variation, with the computation's faults for division by zero and zero
// over zero. A result beyond the range of a double is NaN: no number to
// give, but nothing that the other results depend on.
double percentOf(double part, double whole) {
    if (whole == 0) {
        fail(part == 0 || std::isnan(part) ? kInvalidOperation : kDivisionByZero);
    }
    const auto percent = static_cast<double>(static_cast<long double>(part) / whole * 100);
    return std::isfinite(percent) ? percent : std::numeric_limits<double>::quiet_NaN();
}

// The replicate values of each level, converted as the computation converts
// them; called once it has succeeded, so the conversions cannot fail.
std::array<std::vector<double>, 4> convertedValues(const StudyRecord& study,
                                                   std::string_view decimalSeparator) {
    const int n = toInteger(study.replicateCountText);
    std::array<std::vector<double>, 4> values;
    for (int level = 1; level <= kLevelCount; ++level) {
        std::vector<double>& column = values[static_cast<size_t>(level)];
        column.reserve(static_cast<size_t>(n));
        for (int replicate = 1; replicate <= n; ++replicate) {
            column.push_back(toDecimal(study.value(level, replicate), decimalSeparator));
        }
    }
    return values;
}

// The most decimals of the replicate values as typed (the values converted).
std::optional<int> mostTypedDecimals(const StudyRecord& study, std::string_view decimalSeparator) {
    const int n = toInteger(study.replicateCountText);
    int most = 0;
    for (int level = 1; level <= kLevelCount; ++level) {
        for (int replicate = 1; replicate <= n; ++replicate) {
            const std::optional<int> decimals =
                typedDecimals(study.value(level, replicate), decimalSeparator);
            if (!decimals) {
                return std::nullopt;
            }
            most = std::max(most, *decimals);
        }
    }
    return most;
}

} // namespace

double studentUpperTail(int df, double t) {
    requireDegreesOfFreedom(df);
    if (std::isnan(t)) {
        return t;
    }
    const double magnitude = std::fabs(t);
    const double upper =
        magnitude == 0
            ? 0.5
            : sectorIntegral(df, magnitude, std::numeric_limits<double>::infinity()) / kPi;
    return t >= 0 ? upper : 1 - upper;
}

double bivariateStudentLower(int df, double h, double k, double rho) {
    requireDegreesOfFreedom(df);
    if (!(std::fabs(rho) < 1)) {
        throw std::invalid_argument("the correlation must lie strictly between -1 and 1");
    }
    if (std::isnan(h) || std::isnan(k)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    if (h == -std::numeric_limits<double>::infinity() ||
        k == -std::numeric_limits<double>::infinity()) {
        return 0;
    }
    if (std::isinf(h)) {
        return studentLower(df, k);
    }
    if (std::isinf(k)) {
        return studentLower(df, h);
    }
    if (h == 0 && k == 0) {
        // asin rho, through the reproducible arctangent
        return 0.25 + reproducibleAtan(rho / std::sqrt((1 - rho) * (1 + rho))) / (2 * kPi);
    }
    // Owen's decomposition along the ray from the origin through the corner
    // of the orthant, valid for every elliptical distribution.
    const double sqrtOneMinusRho2 = std::sqrt((1 - rho) * (1 + rho));
    const double aH = orthantSlope(h, k, rho, sqrtOneMinusRho2);
    const double aK = orthantSlope(k, h, rho, sqrtOneMinusRho2);
    const bool sameSide = (h >= 0 && k >= 0) || (h < 0 && k < 0);
    const double value = 0.5 * (studentLower(df, h) + studentLower(df, k)) -
                         studentOwenT(df, h, aH) - studentOwenT(df, k, aK) - (sameSide ? 0.0 : 0.5);
    return std::clamp(value, 0.0, 1.0);
}

double dunnettAdjustedPValue(int df, double t) {
    requireDegreesOfFreedom(df);
    if (std::isnan(t)) {
        return t;
    }
    return t == 0 ? 1.0 : dunnettUpperProbability(df, std::fabs(t));
}

double dunnettExactCritical(int df) {
    requireDegreesOfFreedom(df);
    // Each df is solved once: lock-free reads for the common ones, a guarded
    // map beyond them.
    constexpr int kCachedDf = 1000;
    if (df <= kCachedDf) {
        static std::array<std::once_flag, kCachedDf + 1> once;
        static std::array<double, kCachedDf + 1> critical{};
        const auto i = static_cast<size_t>(df);
        std::call_once(once[i], [&] { critical[i] = solveDunnettCritical(df); });
        return critical[i];
    }
    static std::mutex mutex;
    static std::map<int, double> computed;
    const std::lock_guard lock(mutex);
    const auto [it, inserted] = computed.try_emplace(df, 0.0);
    if (inserted) {
        it->second = solveDunnettCritical(df);
    }
    return it->second;
}

StudyEvidence computeEvidence(const StudyRecord& study, std::string_view decimalSeparator,
                              std::optional<double> equivalenceLimitPct) {
    StudyEvidence evidence;
    RobustnessWork work;
    computeRobustness(study, decimalSeparator, evidence.results, &work);
    const RobustnessResults& r = evidence.results;
    evidence.values = convertedValues(study, decimalSeparator);
    evidence.valueDecimals = mostTypedDecimals(study, decimalSeparator);

    evidence.df = work.dfError;
    evidence.mse = work.mse;
    evidence.pooledSd = std::sqrt(work.mse);
    evidence.standardError = work.standardError;
    evidence.criticalTable = r.criticalT;
    evidence.criticalExact = dunnettExactCritical(work.dfError);

    const double halfWidth = finiteOrOverflow(evidence.criticalExact * work.standardError);
    for (int level : {kLevelBaja, kLevelAlta}) {
        const auto i = static_cast<size_t>(level);
        ComparisonEvidence& c = evidence.comparisons[i - 2];
        c.level = level;
        c.difference = r.mean[i] - r.mean[1];
        c.relativeDifferencePct = percentOf(c.difference, r.mean[1]);
        c.t = r.tValue[i];
        c.pAdjusted = dunnettAdjustedPValue(work.dfError, c.t);
        c.ciLow = finiteOrOverflow(c.difference - halfWidth);
        c.ciHigh = finiteOrOverflow(c.difference + halfWidth);
        c.tolerant = isTolerant(c.t, r.criticalT);
    }
    setEquivalenceLimit(evidence, equivalenceLimitPct);
    return evidence;
}

void setEquivalenceLimit(StudyEvidence& evidence, std::optional<double> limitPct) {
    if (limitPct && !(std::isfinite(*limitPct) && *limitPct > 0)) {
        throw std::invalid_argument("the equivalence limit must be a finite percentage above 0");
    }
    evidence.equivalenceLimitPct = limitPct;
    const double bound =
        limitPct ? *limitPct * std::fabs(evidence.results.mean[kLevelNormal]) / 100 : 0;
    for (ComparisonEvidence& c : evidence.comparisons) {
        c.equivalent.reset();
        if (limitPct) {
            c.equivalent = c.ciLow >= -bound && c.ciHigh <= bound;
        }
    }
}

std::string_view equivalenceVerdict(bool equivalent) {
    return equivalent ? "EQUIVALENTE" : "EQUIVALENCIA NO DEMOSTRADA";
}

std::string formatPValue(double p, std::string_view decimalSeparator) {
    if (!(p >= 0 && p <= 1)) {
        throw std::invalid_argument("a p-value lies between 0 and 1");
    }
    if (p < 0.0001) {
        return "< 0" + std::string(decimalSeparator) + "0001";
    }
    // From 0.0001 up a double has at most 66 binary places after the point,
    // so 70 decimals are its exact value; it is rounded to four half away
    // from zero, like the other results.
    std::array<char, 80> text; // "d.ddd...", one digit before the point
    std::to_chars(text.data(), text.data() + text.size(), p, std::chars_format::fixed, 70);
    int tenThousandths = text[0] - '0';
    for (size_t i = 2; i <= 5; ++i) {
        tenThousandths = tenThousandths * 10 + (text[i] - '0');
    }
    if (text[6] >= '5') {
        ++tenThousandths;
    }
    const std::string fraction = std::to_string(tenThousandths % 10000);
    return std::to_string(tenThousandths / 10000) + std::string(decimalSeparator) +
           std::string(4 - fraction.size(), '0') + fraction;
}

} // namespace robustez
