#include "core/stats/dunnett_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <utility>

namespace robustez {
namespace {

// The error df of a study with n replicates at three levels is 3(n - 1).
// Those that no published table lists hold computed quantiles.
const std::set<int> kComputedRow2Df = {3, 12, 15, 18, 21, 24, 27};

// The double that the decimal text of v's hundredths reads as.
double nearestTwoDecimal(double v) {
    const long hundredths = std::lround(v * 100.0);
    char text[32];
    std::snprintf(text, sizeof text, "%ld.%02ld", hundredths / 100, hundredths % 100);
    return std::strtod(text, nullptr);
}

// The cells a study reads: two treatments, df = 3(n - 1) for n = 2 to 10.
// The two-sided 5 % quantile of Dunnett's statistic (correlation 1/2) computed
// in R by numerical integration, P(|T1| < c, |T2| < c) = E_S[ integral of
// phi(x) (Phi(x + c sqrt(2) S) - Phi(x - c sqrt(2) S))^2 dx ] with
// S^2 ~ chi2(df) / df, solved for 0.95 with uniroot (tol 1e-13): 3.8665099,
// 2.8627501, 2.6139344, 2.5023668, 2.4391901, 2.3985664, 2.3702589,
// 2.3494078, 2.3334115. The table holds them rounded to hundredths; df 6 and
// 9 agree with Dunnett's published table (1955: 2.86, 2.61).
TEST(DunnettTable, ReadsTheCellsTheStudiesNeed) {
    const std::pair<int, double> cells[] = {{3, 3.87},  {6, 2.86},  {9, 2.61},
                                            {12, 2.50}, {15, 2.44}, {18, 2.40},
                                            {21, 2.37}, {24, 2.35}, {27, 2.33}};
    for (const auto& [df, value] : cells) {
        EXPECT_EQ(dunnettCritical(2, df), value) << "df " << df;
        EXPECT_EQ(DunnettTable::cell(2, df), value) << "df " << df;
    }
}

TEST(DunnettTable, EmptyAndOutsideCellsReadAsZero) {
    for (auto [k, df] : {std::pair{1, 14},
                         {1, 15},
                         {1, 1},
                         {1, 21},
                         {6, 13},
                         {2, 13},
                         {2, 20},
                         {2, 30},
                         {12, 104},
                         {5, 104}}) {
        EXPECT_FALSE(DunnettTable::cell(k, df).has_value()) << k << ", " << df;
        EXPECT_EQ(dunnettCritical(k, df), 0.0) << k << ", " << df;
    }
    for (auto [k, df] : {std::pair{0, 5},
                         {13, 5},
                         {-1, 5},
                         {2, 0},
                         {2, 105},
                         {2, -12},
                         {1000000, 1000000},
                         {-2147483647 - 1, 6}}) {
        EXPECT_FALSE(DunnettTable::cell(k, df).has_value()) << k << ", " << df;
        EXPECT_EQ(dunnettCritical(k, df), 0.0) << k << ", " << df;
    }
}

TEST(DunnettTable, EveryStoredValueIsTheDoubleNearestItsHundredths) {
    int checked = 0;
    for (int k = 1; k <= DunnettTable::kMaxTreatments; ++k) {
        for (int df = 1; df <= DunnettTable::kMaxDf; ++df) {
            if (const auto v = DunnettTable::cell(k, df)) {
                EXPECT_EQ(*v, nearestTwoDecimal(*v)) << k << ", " << df;
                EXPECT_EQ(dunnettCritical(k, df), *v);
                ++checked;
            }
        }
    }
    EXPECT_EQ(checked, DunnettTable::storedCellCount());
}

TEST(DunnettTable, HoldsThePublishedCellsAndTheComputedRow2Cells) {
    int published = 0;
    int computed = 0;
    for (int k = 1; k <= DunnettTable::kMaxTreatments; ++k) {
        for (int df = 1; df <= DunnettTable::kMaxDf; ++df) {
            if (!DunnettTable::cell(k, df)) {
                continue;
            }
            if (k == 2 && kComputedRow2Df.contains(df)) {
                ++computed;
            } else {
                ++published;
            }
        }
    }
    EXPECT_EQ(published, 134);
    EXPECT_EQ(computed, 7);
}

TEST(DunnettTable, ValuesFallWithDfAndRiseWithTheNumberOfTreatments) {
    // A critical value never grows with more error df, and at one df it
    // grows with every treatment added: a slip in the data breaks either.
    for (int k = 1; k <= DunnettTable::kMaxTreatments; ++k) {
        double previous = 0.0;
        for (int df = 1; df <= DunnettTable::kMaxDf; ++df) {
            if (const auto v = DunnettTable::cell(k, df)) {
                if (previous > 0.0) {
                    EXPECT_LE(*v, previous) << k << ", " << df;
                }
                previous = *v;
            }
        }
    }
    for (int df = 1; df <= DunnettTable::kMaxDf; ++df) {
        double previous = 0.0;
        for (int k = 1; k <= DunnettTable::kMaxTreatments; ++k) {
            if (const auto v = DunnettTable::cell(k, df)) {
                EXPECT_GT(*v, previous) << k << ", " << df;
                previous = *v;
            }
        }
    }
}

} // namespace
} // namespace robustez
