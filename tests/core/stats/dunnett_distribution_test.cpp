#include "core/stats/dunnett_distribution.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <stdexcept>
#include <utility>

namespace robustez {
namespace {

long hundredths(double v) {
    return std::lround(v * 100.0);
}

TEST(DunnettDistribution, OneTreatmentIsStudentsT) {
    // Closed forms of P(|T| < c): df 1 (Cauchy) and df 2.
    for (double c : {0.3, 1.0, 2.5, 4.3, 12.7}) {
        EXPECT_NEAR(dunnettTwoSidedProbability(1, 0.5, 1, c), 2.0 / std::numbers::pi * std::atan(c),
                    1e-10)
            << c;
        EXPECT_NEAR(dunnettTwoSidedProbability(1, 0.5, 2, c), c / std::sqrt(2.0 + c * c), 1e-10)
            << c;
    }
    // R: sprintf("%.9f", qt(0.975, c(1, 10, 20))).
    EXPECT_NEAR(dunnettTwoSidedQuantile(1, 0.5, 1, 0.05), 12.706204736, 1e-7);
    EXPECT_NEAR(dunnettTwoSidedQuantile(1, 0.5, 10, 0.05), 2.228138852, 1e-7);
    EXPECT_NEAR(dunnettTwoSidedQuantile(1, 0.5, 20, 0.05), 2.085963447, 1e-7);
}

// Two treatments against one control, correlation 1/2, computed in R by
// numerical integration (integrate, rel.tol 1e-12):
// P(|T1| < c, |T2| < c) = E_S[ integral of phi(x) (Phi(x + c sqrt(2) S) -
// Phi(x - c sqrt(2) S))^2 dx ], S^2 ~ chi2(df) / df; the quantiles solved for
// 0.95 with uniroot (tol 1e-13). mvtnorm's pmvt agrees to its 1e-6 error.
TEST(DunnettDistribution, TwoTreatmentsAgreeWithAnIndependentIntegration) {
    for (auto [c, p] : {std::pair{1.0, 0.4616586531}, {2.0, 0.8445133175}, {3.0, 0.9580224123}}) {
        EXPECT_NEAR(dunnettTwoSidedProbability(2, 0.5, 6, c), p, 1e-9) << c;
    }
    for (auto [df, critical] : {std::pair{3, 3.8665099},
                                {5, 3.0302359},
                                {6, 2.8627501},
                                {9, 2.6139344},
                                {11, 2.5320002},
                                {12, 2.5023668},
                                {15, 2.4391901},
                                {18, 2.3985664},
                                {21, 2.3702589},
                                {24, 2.3494078},
                                {27, 2.3334115}}) {
        EXPECT_NEAR(dunnettTwoSidedCritical(df), critical, 2e-7) << "df " << df;
    }
    // Dunnett's published two-sided table (1955), two treatments: df 5, 6,
    // 9 and 11 read 3.03, 2.86, 2.61 and 2.53.
    for (auto [df, published] : {std::pair{5, 303L}, {6, 286L}, {9, 261L}, {11, 253L}}) {
        EXPECT_EQ(hundredths(dunnettTwoSidedCritical(df)), published) << "df " << df;
    }
}

TEST(DunnettDistribution, ProbabilityIsADistributionFunctionOfC) {
    EXPECT_EQ(dunnettTwoSidedProbability(2, 0.5, 6, 0.0), 0.0);
    EXPECT_EQ(dunnettTwoSidedProbability(2, 0.5, 6, -1.0), 0.0);
    double previous = 0.0;
    for (double c : {0.5, 1.0, 2.0, 3.0, 5.0, 10.0}) {
        const double p = dunnettTwoSidedProbability(2, 0.5, 6, c);
        EXPECT_GT(p, previous) << c;
        EXPECT_LE(p, 1.0) << c;
        previous = p;
    }
    EXPECT_GT(previous, 0.999);
    // Both events together are rarer than either alone, and correlation
    // makes them more likely together than independence would.
    const double single = dunnettTwoSidedProbability(1, 0.5, 9, 2.5);
    const double joint = dunnettTwoSidedProbability(2, 0.5, 9, 2.5);
    const double independent = dunnettTwoSidedProbability(2, 0.0, 9, 2.5);
    EXPECT_LT(joint, single);
    EXPECT_GT(joint, independent);
}

TEST(DunnettDistribution, RejectsArgumentsOutsideItsDomain) {
    EXPECT_THROW(dunnettTwoSidedProbability(0, 0.5, 6, 2.0), std::invalid_argument);
    EXPECT_THROW(dunnettTwoSidedProbability(2, 1.0, 6, 2.0), std::invalid_argument);
    EXPECT_THROW(dunnettTwoSidedProbability(2, -0.1, 6, 2.0), std::invalid_argument);
    EXPECT_THROW(dunnettTwoSidedProbability(2, 0.5, 0, 2.0), std::invalid_argument);
    EXPECT_THROW(dunnettTwoSidedCritical(6, 0.0), std::invalid_argument);
    EXPECT_THROW(dunnettTwoSidedCritical(6, 1.0), std::invalid_argument);
    EXPECT_THROW(dunnettTwoSidedCritical(-3), std::invalid_argument);
}

} // namespace
} // namespace robustez
