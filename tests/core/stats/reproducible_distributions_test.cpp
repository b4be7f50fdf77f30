#include "core/stats/reproducible_distributions.h"

#include <gtest/gtest.h>

#include <cmath>

namespace robustez {
namespace {

double relativeError(double value, double reference) {
    if (reference == 0) {
        return std::fabs(value);
    }
    return std::fabs(value - reference) / std::fabs(reference);
}

// Every reference value below was printed by R 4.2 (Debian's r-base-core)
// with sprintf("%.17g"): qt(p, df), 2 * pt(t, df, lower.tail = FALSE),
// qnorm(p), log(x), exp(x), lgamma(x) and pbeta(x, 2.5, 0.5).
struct Quantile {
    double p;
    double df;
    double t;
};
constexpr Quantile kQuantiles[] = {
    // Near the centre, on both sides of 0.75, below 0.5, far in the lower
    // tail, and many degrees of freedom.
    {0.51000000000000001, 1, 0.031426266043351254},
    {0.55000000000000004, 23, 0.12705645108225286},
    {0.69999999999999996, 0.5, 1.0095258786071923},
    {0.73999999999999999, 3, 0.72666198737944476},
    {0.76000000000000001, 3, 0.80441234545044493},
    {0.29999999999999999, 4, -0.56864906304970553},
    {1e-10, 7, -53.835579484673751},
    {0.97499999999999998, 1000, 1.9623390808264076},
    {0.59999999999999998, 0.33333333333333331, 0.47498360589354149},
    {0.97499999999999998, 0.33333333333333331, 2579.4326770817343},
    {0.99887999999999999, 0.33333333333333331, 28687332.13112653},
    {0.59999999999999998, 1, 0.32491969623290634},
    {0.97499999999999998, 1, 12.706204736174694},
    {0.99887999999999999, 1, 284.20408265901381},
    {0.59999999999999998, 1.3333333333333333, 0.30678850120479878},
    {0.97499999999999998, 1.3333333333333333, 7.1915850107804689},
    {0.99887999999999999, 1.3333333333333333, 74.508218533399358},
    {0.59999999999999998, 2, 0.28867513459481314},
    {0.97499999999999998, 2, 4.3026527297494619},
    {0.99887999999999999, 2, 21.093343311492152},
    {0.59999999999999998, 3, 0.27667066233268983},
    {0.97499999999999998, 3, 3.1824463052837078},
    {0.99887999999999999, 3, 9.8270183323037248},
    {0.59999999999999998, 7, 0.26316686135202277},
    {0.97499999999999998, 7, 2.3646242515927844},
    {0.99887999999999999, 7, 4.6879016674692595},
    {0.59999999999999998, 7.666666666666667, 0.26229976888619572},
    {0.97499999999999998, 7.666666666666667, 2.3235730462727444},
    {0.99887999999999999, 7.666666666666667, 4.4958063649420534},
    {0.59999999999999998, 11, 0.25955586047627038},
    {0.97499999999999998, 11, 2.2009851600916388},
    {0.99887999999999999, 11, 3.95845021094267},
    {0.59999999999999998, 23, 0.25629705991468532},
    {0.97499999999999998, 23, 2.0686576104190482},
    {0.99887999999999999, 23, 3.4383684637703111},
    {0.59999999999999998, 100, 0.25402218245822766},
    {0.97499999999999998, 100, 1.9839715185235516},
    {0.99887999999999999, 100, 3.1373463845174272},
};

struct TwoSided {
    double t;
    double df;
    double p;
};
constexpr TwoSided kTwoSided[] = {
    {3, 1000, 0.0027667090442381899},
    {0.5, 200, 0.61762475231646075},
    {1e-10, 5, 0.99999999992407873},
    {0.10000000000000001, 1, 0.93654896513889285},
    {1, 1, 0.49999999999999956},
    {2.5, 1, 0.24223788318168671},
    {10, 1, 0.06345103486110712},
    {100, 1, 0.0063659855298165095},
    {0.10000000000000001, 2, 0.92946543841414009},
    {1, 2, 0.42264973081037427},
    {2.5, 2, 0.1296117202215108},
    {10, 2, 0.0098524570233256923},
    {100, 2, 9.9985002499562581e-05},
    {0.10000000000000001, 3, 0.92665234880080583},
    {1, 3, 0.39100221895577053},
    {2.5, 3, 0.087706647008065505},
    {10, 3, 0.0021283990584141494},
    {100, 3, 2.2045219231849109e-06},
    {0.10000000000000001, 5, 0.9242301411546604},
    {1, 5, 0.36321746764912255},
    {2.5, 5, 0.054490099342376204},
    {10, 5, 0.00017094757574296357},
    {100, 5, 1.8960014224623655e-09},
    {0.10000000000000001, 11, 0.92214359277714619},
    {1, 11, 0.33880069619620179},
    {2.5, 11, 0.029506374087364146},
    {10, 11, 7.3929928414552482e-07},
    {100, 11, 1.2491729568915382e-17},
    {0.10000000000000001, 23, 0.92121087416644543},
    {1, 23, 0.32771580614285878},
    {2.5, 23, 0.019994122327887099},
    {10, 23, 7.644623107838496e-10},
    {100, 23, 7.3318263219345753e-32},
};

struct Pair {
    double x;
    double y;
};
constexpr Pair kNormalQuantiles[] = {
    {0.50009999999999999, 0.00025066283008800752},
    {0.59999999999999998, 0.25334710313579978},
    {0.90000000000000002, 1.2815515655446008},
    {0.97499999999999998, 1.9599639845400536},
    {0.98999999999999999, 2.3263478740408408},
    {0.99999899999999997, 4.7534243088170891},
    {1e-10, -6.3613409024040557},
};
constexpr Pair kLogs[] = {
    {1e-300, -690.77552789821368},
    {1e-10, -23.025850929940457},
    {0.001, -6.9077552789821368},
    {0.69999999999999996, -0.35667494393873245},
    {0.98999999999999999, -0.010050335853501451},
    {1.5, 0.40546510810816438},
    {10, 2.3025850929940459},
    {12345.678, 9.4210613212918322},
    {1.0000000000000001e+300, 690.77552789821368},
};
constexpr Pair kExps[] = {
    {-700, 9.8596765437597708e-305},
    {-20, 2.0611536224385579e-09},
    {-1, 0.36787944117144233},
    {-1e-10, 0.99999999989999999},
    {0.29999999999999999, 1.3498588075760032},
    {1, 2.7182818284590451},
    {5, 148.4131591025766},
    {50, 5.184705528587072e+21},
    {700, 1.0142320547350045e+304},
};
constexpr Pair kLogGammas[] = {
    {0.16666666666666666, 1.7167334350782406},
    {0.5, 0.57236494292470008},
    {1, 0},
    {2.5, 0.28468287047291918},
    {7, 6.5792512120101012},
    {11.5, 16.292000476567242},
    {100, 359.1342053695754},
};
constexpr Pair kBetas[] = {
    {0.20000000000000001, 0.0065662718275630054},
    {0.5, 0.075586818421612398},
    {0.90000000000000002, 0.48958974456442772},
};

TEST(ReproducibleDistributions, StudentTAgainstR) {
    // Whole and fractional degrees of freedom (Lenth's k / 3), p from 0.6 to
    // the simultaneous level of 23 effects.
    for (const Quantile& c : kQuantiles) {
        const double tolerance = c.df < 1 ? 5e-12 : 1e-12;
        EXPECT_LT(relativeError(studentTQuantile(c.p, c.df), c.t), tolerance)
            << "qt(" << c.p << ", " << c.df << ")";
        if (c.p >= 0.25) { // 1 - p exact: the quantile's mirror image
            EXPECT_LT(relativeError(studentTQuantile(1 - c.p, c.df), -c.t), tolerance)
                << "qt(" << 1 - c.p << ", " << c.df << ")";
        }
    }
    for (const TwoSided& c : kTwoSided) {
        EXPECT_LT(relativeError(studentTTwoSidedP(c.t, c.df), c.p), 1e-12)
            << "t = " << c.t << ", df = " << c.df;
        EXPECT_EQ(studentTTwoSidedP(-c.t, c.df), studentTTwoSidedP(c.t, c.df));
    }
    EXPECT_EQ(studentTTwoSidedP(0, 5), 1);
    EXPECT_EQ(studentTTwoSidedP(INFINITY, 5), 0);
    EXPECT_EQ(studentTQuantile(0.5, 3), 0);
    // So near the centre R's qt loses digits; the reference is the first
    // term of the series, (p - 1/2) / f(0) with f(0) = 8 / (3 pi sqrt 5) for
    // five degrees of freedom (Python's decimal at 40 digits; the next term
    // is 1e-13 of it).
    EXPECT_LT(relativeError(studentTQuantile(0.5000001, 5), 2.6343055227536903e-07), 1e-12);
    EXPECT_TRUE(std::isnan(studentTQuantile(1, 3)));
    EXPECT_TRUE(std::isnan(studentTTwoSidedP(1, 0)));
}

TEST(ReproducibleDistributions, ElementaryFunctionsAgainstR) {
    for (const Pair& c : kNormalQuantiles) {
        EXPECT_LT(relativeError(normalQuantile(c.x), c.y), 1e-15) << "qnorm(" << c.x << ")";
    }
    for (const Pair& c : kLogs) {
        EXPECT_LT(relativeError(reproducibleLog(c.x), c.y), 3e-16) << "log(" << c.x << ")";
    }
    for (const Pair& c : kExps) {
        EXPECT_LT(relativeError(reproducibleExp(c.x), c.y), 3e-16) << "exp(" << c.x << ")";
    }
    for (const Pair& c : kLogGammas) {
        // Absolute: lgamma(1) is 0.
        EXPECT_LT(std::fabs(logGamma(c.x) - c.y), 1e-14 * std::max(1.0, std::fabs(c.y)))
            << "lgamma(" << c.x << ")";
    }
    for (const Pair& c : kBetas) {
        EXPECT_LT(relativeError(regularizedBeta(c.x, 2.5, 0.5), c.y), 1e-13)
            << "pbeta(" << c.x << ", 2.5, 0.5)";
    }
    // log1p keeps the digits that log(1 + w) loses (R: log1p(1e-10),
    // 0.95^(1/3)).
    EXPECT_LT(relativeError(reproducibleLog1p(1e-10), 9.9999999995000007e-11), 1e-16);
    EXPECT_LT(relativeError(reproduciblePow(0.95, 1.0 / 3), 0.9830475724915585), 3e-16);
    EXPECT_EQ(reproducibleLog(1), 0);
    EXPECT_EQ(reproducibleExp(0), 1);
    EXPECT_EQ(reproducibleLog(0), -INFINITY);
    EXPECT_TRUE(std::isnan(reproducibleLog(-1)));
    EXPECT_EQ(reproducibleExp(-800), 0);
    EXPECT_EQ(reproducibleExp(800), INFINITY);
}

} // namespace
} // namespace robustez
