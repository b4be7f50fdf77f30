#include "core/stats/dunnett_distribution.h"

#include "core/stats/dunnett_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <stdexcept>

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
    EXPECT_NEAR(dunnettTwoSidedQuantile(1, 0.5, 1, 0.05), 12.706204736, 1e-7);
    EXPECT_NEAR(dunnettTwoSidedQuantile(1, 0.5, 10, 0.05), 2.228138852, 1e-7);
    EXPECT_NEAR(dunnettTwoSidedQuantile(1, 0.5, 20, 0.05), 2.085963447, 1e-7);
    EXPECT_EQ(hundredths(dunnettTwoSidedQuantile(1, 0.5, 10, 0.05)), 223);
    EXPECT_EQ(hundredths(dunnettTwoSidedQuantile(1, 0.5, 20, 0.05)), 209);
}

TEST(DunnettDistribution, TwoTreatmentsReproduceThePublishedCells) {
    for (auto [df, published] : {std::pair{5, 303L}, {6, 286L}, {9, 261L}, {11, 253L}}) {
        EXPECT_EQ(hundredths(dunnettTwoSidedCritical(df)), published) << "df " << df;
    }
}

TEST(DunnettDistribution, ComputedRow2CellsOfTheTableMatchTheDistribution) {
    for (int df : {3, 12, 15, 18, 21, 24, 27}) {
        const double exact = dunnettTwoSidedCritical(df);
        // At 1 - alpha exactly, and not so near a rounding boundary that the
        // stored hundredths could be in doubt.
        EXPECT_NEAR(dunnettTwoSidedProbability(2, 0.5, df, exact), 0.95, 1e-9) << "df " << df;
        const double third = exact * 100.0 - std::floor(exact * 100.0);
        EXPECT_GT(std::abs(third - 0.5), 1e-4) << "df " << df;
        EXPECT_EQ(dunnettCritical(2, df), static_cast<double>(hundredths(exact)) / 100.0)
            << "df " << df << ": " << exact;
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
