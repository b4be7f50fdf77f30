#include "core/stats/dunnett_distribution.h"

#include <cmath>
#include <stdexcept>
#include <utility>

namespace robustez {

namespace {

// Gauss-Kronrod 7/15 rule on [-1, 1]: Kronrod nodes (non-negative half,
// odd indices are the Gauss nodes), Kronrod weights, Gauss weights.
constexpr double kKronrodNodes[8] = {
    0.991455371120812639206854697526329, 0.949107912342758524526189684047851,
    0.864864423359769072789712788640926, 0.741531185599394439863864773280788,
    0.586087235467691130294144845693013, 0.405845151377397166906606412076961,
    0.207784955007898467600689403773245, 0.000000000000000000000000000000000};
constexpr double kKronrodWeights[8] = {
    0.022935322010529224963732008058970, 0.063092092629978553290700663189204,
    0.104790010322250183839876322541518, 0.140653259715525918745189590510238,
    0.169004726639267902826583426598550, 0.190350578064785409913256402421014,
    0.204432940075298892414161999234649, 0.209482141084727828012999174891714};
constexpr double kGaussWeights[4] = {
    0.129484966168869693270611432679082, 0.279705391489276667901467771423780,
    0.381830050505118944950369775488975, 0.417959183673469387755102040816327};

// One Gauss-Kronrod 15 panel: the Kronrod estimate and |Kronrod - Gauss|.
template <class F> std::pair<double, double> kronrodPanel(const F& f, double a, double b) {
    const double centre = 0.5 * (a + b);
    const double half = 0.5 * (b - a);
    const double fc = f(centre);
    double kronrod = kKronrodWeights[7] * fc;
    double gauss = kGaussWeights[3] * fc;
    for (int j = 0; j < 7; ++j) {
        const double dx = half * kKronrodNodes[j];
        const double pair = f(centre - dx) + f(centre + dx);
        kronrod += kKronrodWeights[j] * pair;
        if (j % 2 == 1) {
            gauss += kGaussWeights[j / 2] * pair;
        }
    }
    return {kronrod * half, std::abs((kronrod - gauss) * half)};
}

template <class F> double adaptiveKronrod(const F& f, double a, double b, double tol, int depth) {
    const auto [value, error] = kronrodPanel(f, a, b);
    if (error <= tol || depth == 0) {
        return value;
    }
    const double mid = 0.5 * (a + b);
    return adaptiveKronrod(f, a, mid, 0.5 * tol, depth - 1) +
           adaptiveKronrod(f, mid, b, 0.5 * tol, depth - 1);
}

// Integral of f over [a, b] to about tol, starting from `pieces` equal panels
// so that a narrow peak cannot slip between the first nodes.
template <class F> double integrate(const F& f, double a, double b, int pieces, double tol) {
    const double width = (b - a) / pieces;
    double sum = 0.0;
    for (int i = 0; i < pieces; ++i) {
        const double lo = a + i * width;
        const double hi = (i + 1 == pieces) ? b : lo + width;
        sum += adaptiveKronrod(f, lo, hi, tol / pieces, 40);
    }
    return sum;
}

double normalCdf(double x) {
    return 0.5 * std::erfc(-x / std::sqrt(2.0));
}

double normalDensity(double x) {
    constexpr double kInvSqrt2Pi = 0.398942280401432677939946059934;
    return kInvSqrt2Pi * std::exp(-0.5 * x * x);
}

// Beyond this, the standard normal density carries less than 1e-18 of mass.
constexpr double kNormalCut = 9.0;

// P(|Z_i| < w for every i) for k equicorrelated standard normals with
// correlation rho >= 0. Writing Z_i = sqrt(1 - rho) X_i + sqrt(rho) Y with
// independent standard normals, the k events are independent given Y = y:
//   integral phi(y) [Phi((w - a y)/b) - Phi((-w - a y)/b)]^k dy,
// a = sqrt(rho), b = sqrt(1 - rho). The integrand is even in y.
double normalBoxProbability(int k, double rho, double w) {
    if (w <= 0.0) {
        return 0.0;
    }
    const double a = std::sqrt(rho);
    const double b = std::sqrt(1.0 - rho);
    const auto integrand = [k, a, b, w](double y) {
        const double inside = normalCdf((w - a * y) / b) - normalCdf((-w - a * y) / b);
        return normalDensity(y) * std::pow(inside, k);
    };
    return 2.0 * integrate(integrand, 0.0, kNormalCut, 4, 1e-13);
}

// Density of s = sqrt(chi2_df / df).
class ScaleDensity {
public:
    explicit ScaleDensity(int df)
        : df_(df),
          logConst_(std::log(2.0) + 0.5 * df * std::log(0.5 * df) - std::lgamma(0.5 * df)) {}

    double operator()(double s) const {
        if (s <= 0.0) {
            return df_ == 1 ? std::exp(logConst_) : 0.0;
        }
        return std::exp(logConst_ + (df_ - 1) * std::log(s) - 0.5 * df_ * s * s);
    }

private:
    int df_;
    double logConst_;
};

void checkArguments(int k, double rho, int df) {
    if (k < 1) {
        throw std::invalid_argument("k must be at least 1");
    }
    if (!(rho >= 0.0 && rho < 1.0)) {
        throw std::invalid_argument("rho must lie in [0, 1)");
    }
    if (df < 1) {
        throw std::invalid_argument("df must be at least 1");
    }
}

} // namespace

double dunnettTwoSidedProbability(int k, double rho, int df, double c) {
    checkArguments(k, rho, df);
    if (!(c > 0.0)) {
        return 0.0;
    }
    // |T_i| < c  <=>  |Z_i| < c s; average the normal box probability over s.
    // s has mean about 1 and spread about 1/sqrt(2 df); outside this range
    // its density is negligible.
    const double reach = 12.0 / std::sqrt(static_cast<double>(df));
    const double lo = std::max(0.0, 1.0 - reach);
    const double hi = 1.0 + reach;
    const ScaleDensity density(df);
    const auto integrand = [&](double s) {
        return density(s) * normalBoxProbability(k, rho, c * s);
    };
    return integrate(integrand, lo, hi, 16, 1e-12);
}

double dunnettTwoSidedQuantile(int k, double rho, int df, double alpha) {
    checkArguments(k, rho, df);
    if (!(alpha > 0.0 && alpha < 1.0)) {
        throw std::invalid_argument("alpha must lie in (0, 1)");
    }
    const double target = 1.0 - alpha;
    const auto excess = [&](double c) {
        return dunnettTwoSidedProbability(k, rho, df, c) - target;
    };

    // Bracket the root: the probability is 0 at c = 0 and rises to 1.
    double a = 0.0;
    double fa = -target;
    double b = 2.0;
    double fb = excess(b);
    while (fb < 0.0) {
        if (b > 1e7) {
            throw std::domain_error("Dunnett quantile out of range");
        }
        a = b;
        fa = fb;
        b *= 2.0;
        fb = excess(b);
    }

    // Illinois variant of regula falsi: keeps the bracket and converges
    // superlinearly on this smooth, monotone function.
    int lastSide = 0;
    for (int iteration = 0; iteration < 200 && b - a > 1e-11; ++iteration) {
        double c = (a * fb - b * fa) / (fb - fa);
        if (!(c > a && c < b)) {
            c = 0.5 * (a + b);
        }
        const double fc = excess(c);
        if (fc == 0.0) {
            return c;
        }
        if (fc < 0.0) {
            a = c;
            fa = fc;
            if (lastSide == -1) {
                fb *= 0.5;
            }
            lastSide = -1;
        } else {
            b = c;
            fb = fc;
            if (lastSide == 1) {
                fa *= 0.5;
            }
            lastSide = 1;
        }
        if (std::abs(fc) < 1e-15) {
            return c;
        }
    }
    return 0.5 * (a + b);
}

double dunnettTwoSidedCritical(int df, double alpha) {
    return dunnettTwoSidedQuantile(2, 0.5, df, alpha);
}

} // namespace robustez
