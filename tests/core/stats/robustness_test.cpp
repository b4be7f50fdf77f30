#include "core/stats/number_format.h"
#include "core/stats/robustness.h"
#include "core/study/errors.h"
#include "core/study/study_fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace robustez;

namespace {

using Level = std::vector<std::string>;

StudyRecord studyOf(const Level& normal, const Level& baja, const Level& alta) {
    return robustez::testing::studyWithValues({"", "", ""}, {normal, baja, alta});
}

StudyRecord workedExample() {
    return studyOf({"100", "101", "102"}, {"99", "100", "101"}, {"103", "104", "105"});
}

std::string fmt(double value) {
    return formatResult(value, ".");
}

// Runs the computation and returns the error message ("" when it succeeds).
std::string runExpectingError(const StudyRecord& study, RobustnessResults& results,
                              std::string_view separator = ".") {
    try {
        computeRobustness(study, separator, results);
    } catch (const RobustezError& e) {
        return e.what();
    }
    return "";
}

RobustnessResults sentinelResults() {
    RobustnessResults r;
    r.mean = {0, -7, -7, -7};
    r.tValue = {0, -7, -7, -7};
    r.absDiff = {0, 0, -7, -7};
    r.criticalT = r.grandMean = r.sdNormal = r.sdBaja = r.sdAlta = -7;
    r.cvNormal = r.cvBaja = r.cvAlta = r.sdTotal = r.cvTotal = -7;
    return r;
}

bool summaryUntouched(const RobustnessResults& r) {
    for (double v : {r.grandMean, r.sdNormal, r.sdBaja, r.sdAlta, r.cvNormal, r.cvBaja, r.cvAlta,
                     r.sdTotal, r.cvTotal}) {
        if (v != -7) {
            return false;
        }
    }
    return true;
}

} // namespace

// The worked example by exact arithmetic: means 101, 100, 104, each level's
// standard deviation 1, so the error mean square is 1 and the standard error
// of a difference sqrt(2/3). t = -1 / sqrt(2/3) = -sqrt(1.5) = -1.2247449 and
// 3 sqrt(1.5) = 3.6742346; coefficients of variation 100/101 = 0.99009901,
// 1 and 100/104 = 0.96153846. All nine values: mean 915/9 = 101.66667, sum
// of squares about it 32, so 32/8 = 4 and the standard deviation 2; its
// coefficient of variation 200 / (915/9) = 1.9672131. The critical value is
// the table's for df 6: 2.86 (Dunnett's published table; 2.8627501 by
// numerical integration in R).
TEST(Robustness, WorkedExampleFieldByField) {
    RobustnessResults r;
    computeRobustness(workedExample(), ".", r);
    EXPECT_EQ(r.mean[1], 101);
    EXPECT_EQ(r.mean[2], 100);
    EXPECT_EQ(r.mean[3], 104);
    EXPECT_EQ(r.criticalT, 2.86);
    EXPECT_EQ(r.tValue[1], 0);
    EXPECT_EQ(fmt(r.tValue[2]), "-1.22474");
    EXPECT_EQ(fmt(r.tValue[3]), "3.67423");
    EXPECT_EQ(toleranceVerdict(r.tValue[2], r.criticalT), "TOLERANTE");
    EXPECT_EQ(toleranceVerdict(r.tValue[3], r.criticalT), "NO TOLERANTE");
    EXPECT_EQ(r.absDiff[2], 1);
    EXPECT_EQ(r.absDiff[3], 3);
    EXPECT_EQ(r.sdNormal, 1);
    EXPECT_EQ(r.sdBaja, 1);
    EXPECT_EQ(r.sdAlta, 1);
    EXPECT_EQ(fmt(r.cvNormal), "0.990099");
    EXPECT_EQ(fmt(r.cvBaja), "1");
    EXPECT_EQ(fmt(r.cvAlta), "0.961538");
    EXPECT_EQ(fmt(r.grandMean), "101.667");
    EXPECT_EQ(fmt(r.sdTotal), "2");
    EXPECT_EQ(fmt(r.cvTotal), "1.96721");
    EXPECT_EQ(levelSd(r, 2), r.sdBaja);
    EXPECT_EQ(levelCv(r, 3), r.cvAlta);

    // Nothing carries over from one run to the next.
    RobustnessResults again = sentinelResults();
    computeRobustness(workedExample(), ".", again);
    EXPECT_EQ(again, r);
}

TEST(Robustness, VariantWithLowerAltaIsTolerant) {
    RobustnessResults r;
    computeRobustness(studyOf({"100", "101", "102"}, {"99", "100", "101"}, {"102", "103", "104"}),
                      ".", r);
    // Alta 1 lower than in the worked example: t = 2 / sqrt(2/3) = sqrt(6) = 2.4494897.
    EXPECT_EQ(fmt(r.tValue[3]), "2.44949");
    EXPECT_EQ(toleranceVerdict(r.tValue[3], r.criticalT), "TOLERANTE");
}

TEST(Robustness, DegreesOfFreedomFollowTheCount) {
    // df = 3(n - 1); the two-sided 5 % quantiles for two treatments, by
    // numerical integration in R (see the table's tests): 3.8665099 (df 3),
    // 2.6139344 (df 9), 2.3334115 (df 27), read rounded from the table.
    struct Case {
        Level normal, baja, alta;
        double critical;
    };
    const Case cases[] = {
        {{"1", "2"}, {"2", "3"}, {"3", "5"}, 3.87},
        {{"1", "2", "3", "4"}, {"2", "3", "4", "6"}, {"3", "5", "6", "7"}, 2.61},
        {{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"},
         {"2", "3", "4", "6", "5", "6", "7", "8", "9", "10"},
         {"3", "5", "6", "7", "5", "6", "7", "8", "9", "12"},
         2.33},
    };
    for (const Case& c : cases) {
        RobustnessResults r;
        computeRobustness(studyOf(c.normal, c.baja, c.alta), ".", r);
        EXPECT_EQ(r.criticalT, c.critical) << c.normal.size();
    }
}

TEST(Robustness, VerdictAtAndAroundTheCriticalValue) {
    // mse = 15000, se = sqrt(2/3 * 15000) = 100 and Alta lies 286 above Normal:
    // t = 2.86 exactly, which is not tolerant; Baja lies 286 below.
    RobustnessResults r;
    computeRobustness(
        studyOf({"-50", "100", "250"}, {"-336", "-186", "-36"}, {"386", "386", "386"}), ".", r);
    EXPECT_EQ(r.criticalT, 2.86);
    EXPECT_EQ(r.tValue[3], 2.86);
    EXPECT_EQ(r.tValue[2], -2.86);
    EXPECT_EQ(toleranceVerdict(r.tValue[3], r.criticalT), "NO TOLERANTE");
    EXPECT_EQ(toleranceVerdict(r.tValue[2], r.criticalT), "NO TOLERANTE");
    EXPECT_EQ(toleranceVerdict(std::nextafter(2.86, 0.0), 2.86), "TOLERANTE");
    EXPECT_EQ(toleranceVerdict(-3.5, 2.86), "NO TOLERANTE");
    EXPECT_TRUE(isTolerant(-2.85, 2.86));
}

TEST(Robustness, SumsOfSquaresAreTakenAboutTheMean) {
    // Balance weights: the one-pass form loses the third digit here. In units
    // of 1e-5 above 50, Normal is 12, 15, 9, 13: mean 12.25, squares about it
    // 18.75, variance 6.25, so the standard deviation is 2.5e-5 exactly and
    // the mean 50.0001225.
    RobustnessResults r;
    computeRobustness(studyOf({"50.00012", "50.00015", "50.00009", "50.00013"},
                              {"50.00011", "50.00014", "50.00010", "50.00012"},
                              {"50.00016", "50.00012", "50.00011", "50.00014"}),
                      ".", r);
    EXPECT_EQ(fmt(r.sdNormal), "2.5E-5");
    EXPECT_NEAR(r.sdNormal, 2.5e-5, 1e-13);
    EXPECT_EQ(fmt(r.mean[1]), "50.0001");

    // A constant level has exactly zero spread even with non-representable values.
    computeRobustness(studyOf({"0.1", "0.1", "0.1"}, {"0.2", "0.3", "0.4"}, {"0.7", "0.7", "0.7"}),
                      ".", r);
    EXPECT_EQ(r.sdNormal, 0);
    EXPECT_EQ(r.sdAlta, 0);
    EXPECT_EQ(r.cvNormal, 0);
}

TEST(Robustness, ConversionFailuresStopWhereTheyArise) {
    RobustnessResults r = sentinelResults();
    StudyRecord study = workedExample();
    study.replicateCountText = "x3";
    EXPECT_EQ(runExpectingError(study, r), "'x3' is not a valid integer value");
    EXPECT_EQ(r, sentinelResults());

    study = workedExample();
    study.grid.setCell(2, 3, "");
    EXPECT_EQ(runExpectingError(study, r), "'' is not a valid floating point value");
    EXPECT_EQ(r.mean[1], 101); // level 1 was complete
    EXPECT_EQ(r.mean[2], -7);
    EXPECT_EQ(r.criticalT, -7);

    r = sentinelResults();
    study = workedExample();
    study.grid.setCell(3, 4, "1.2.3");
    EXPECT_EQ(runExpectingError(study, r), "'1.2.3' is not a valid floating point value");
    EXPECT_EQ(r.mean[2], 100);
    EXPECT_EQ(r.mean[3], -7);

    // A count larger than the grid reads the rows the grid keeps: empty here.
    r = sentinelResults();
    study = workedExample();
    study.replicateCountText = "4";
    EXPECT_EQ(runExpectingError(study, r), "'' is not a valid floating point value");
}

TEST(Robustness, CommaLocale) {
    RobustnessResults r;
    computeRobustness(
        studyOf({"99,5", "100,5", "101"}, {"99", "100", "101"}, {"103", "104", "105"}), ",", r);
    EXPECT_EQ(formatResult(r.mean[1], ","), "100,333"); // 301 / 3
    EXPECT_EQ(
        runExpectingError(
            studyOf({"99.5", "100", "101"}, {"99", "100", "101"}, {"103", "104", "105"}), r, ","),
        "'99.5' is not a valid floating point value");
}

TEST(Robustness, ArithmeticFaultsKeepTheFieldsWrittenBeforeThem) {
    // Every level constant: mse = 0, and t of level 1 is 0 / 0.
    RobustnessResults r = sentinelResults();
    EXPECT_EQ(runExpectingError(studyOf({"5", "5", "5"}, {"6", "6", "6"}, {"7", "7", "7"}), r),
              "Invalid floating point operation");
    EXPECT_EQ(r.mean[3], 7);
    EXPECT_EQ(r.criticalT, 2.86);
    EXPECT_EQ(r.tValue[1], -7);
    EXPECT_TRUE(summaryUntouched(r));

    // A level whose mean is 0 with spread: division by zero at its coefficient of
    // variation, after means, t values and differences.
    r = sentinelResults();
    EXPECT_EQ(
        runExpectingError(studyOf({"100", "101", "102"}, {"-1", "0", "1"}, {"1", "2", "3"}), r),
        "Floating point division by zero");
    EXPECT_EQ(r.mean[2], 0);
    // Every level's standard deviation is 1: t = (2 - 101) / sqrt(2/3) = -99 sqrt(1.5).
    EXPECT_NEAR(r.tValue[3], -99 * std::sqrt(1.5), 1e-9);
    EXPECT_EQ(r.absDiff[2], 101);
    EXPECT_EQ(r.absDiff[3], 99);
    EXPECT_TRUE(summaryUntouched(r));

    // A constant level at 0: 0 / 0 at its coefficient of variation.
    r = sentinelResults();
    EXPECT_EQ(runExpectingError(studyOf({"1", "2", "3"}, {"0", "0", "0"}, {"1", "2", "3"}), r),
              "Invalid floating point operation");
    EXPECT_EQ(r.absDiff[2], 2);
    EXPECT_TRUE(summaryUntouched(r));

    // All values together average 0: the total coefficient of variation.
    r = sentinelResults();
    EXPECT_EQ(
        runExpectingError(studyOf({"1", "2", "3"}, {"-4", "-3", "-2"}, {"0.5", "1", "1.5"}), r),
        "Floating point division by zero");
    EXPECT_EQ(r.mean[3], 1);
    EXPECT_TRUE(summaryUntouched(r));

    // One replicate: no degrees of freedom, 0 / 0 for the error mean square.
    r = sentinelResults();
    EXPECT_EQ(runExpectingError(studyOf({"1"}, {"2"}, {"3"}), r),
              "Invalid floating point operation");
    EXPECT_EQ(r.mean[3], 3);
    EXPECT_EQ(r.criticalT, -7);

    // Zero and negative counts never read the grid and never crash.
    StudyRecord study = workedExample();
    for (const char* count : {"0", "-3", "-9"}) {
        study.replicateCountText = count;
        r = sentinelResults();
        EXPECT_EQ(runExpectingError(study, r), "Invalid floating point operation") << count;
    }

    // Values near the top of the double range: results beyond it overflow.
    r = sentinelResults();
    EXPECT_EQ(runExpectingError(studyOf({"1e308", "1.5e308", "1.7e308"},
                                        {"-1e308", "-1.5e308", "-1.7e308"}, {"1", "2", "3"}),
                                r),
              "Floating point overflow");
}
