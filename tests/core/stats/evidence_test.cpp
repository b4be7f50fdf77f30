#include "core/stats/evidence.h"
#include "core/stats/evidence_tables.h"

#include "core/stats/dunnett_distribution.h"
#include "core/stats/dunnett_table.h"
#include "core/study/errors.h"
#include "core/study/study_fixtures.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace robustez {
namespace {

// Reference values come from R 4.2.2 with mvtnorm 1.1-3 unless stated:
//   alg <- TVPACK(abseps = 1e-14)
//   Fl  <- function(h, k, nu, r) pmvt(lower = c(-Inf, -Inf), upper = c(h, k), df = nu,
//                                     corr = matrix(c(1, r, r, 1), 2), algorithm = alg)
//   p   <- function(t, nu) 1 - (Fl(t, t, nu, .5) - 2 * Fl(-t, t, nu, .5) + Fl(-t, -t, nu, .5))
//   crit <- function(nu) uniroot(function(c) p(c, nu) - 0.05, c(1, 30), tol = 1e-15)$root

struct Case {
    int df;
    double x, expected;
};

constexpr double kInf = HUGE_VAL;

TEST(Evidence, StudentAndBivariateTMatchR) {
    // pt(x, df, lower.tail = FALSE)
    for (auto [df, t, upper] : {Case{3, 0.5, 0.32572398242407552},
                                {3, -2, 0.93033701572057836},
                                {6, 10, 2.8959913774768124e-05},
                                {27, -1.7, 0.94968777114372682},
                                {27, 40, 7.1493756511607138e-26},
                                {9, 1e3, 2.5458033039484779e-24}}) {
        EXPECT_NEAR(studentUpperTail(df, t), upper, 1e-12 * upper) << df << " " << t;
    }
    for (double t : {-3.0, 0.0, 0.4, 7.0}) { // closed forms for 1 and 2 df
        EXPECT_NEAR(studentUpperTail(1, t), 0.5 - std::atan(t) / std::numbers::pi, 1e-15) << t;
        EXPECT_NEAR(studentUpperTail(2, t), 0.5 - t / (2 * std::sqrt(2 + t * t)), 1e-15) << t;
    }
    EXPECT_EQ(studentUpperTail(4, -kInf), 1);
    EXPECT_EQ(studentUpperTail(4, DBL_MAX), 0);

    // Fl(h, k, df, rho)
    const struct {
        int df;
        double h, k, rho, lower;
    } cdfs[] = {
        {5, -0.3, 2.2, -0.9, 0.34884721979769062}, {4, 0.7, -1.1, 0.95, 0.16641108374826627},
        {27, 1.5, 0.4, 0.3, 0.62301935713514356},  {7, 0, -1.1, 0.5, 0.12224953073849527},
        {6, -2, -1.1, 0.5, 0.026362910916889415},  {3, -1.1, -2, -0.5, 0.0056420816743842812},
        {2, 1.5, 2.2, 0, 0.80662710165943907}};
    for (const auto& c : cdfs) {
        EXPECT_NEAR(bivariateStudentLower(c.df, c.h, c.k, c.rho), c.lower, 1e-14) << c.df << c.h;
    }
    // P(T1 < 0, T2 < 0) = 1/4 + asin(rho) / (2 pi); an infinite limit leaves one margin.
    EXPECT_NEAR(bivariateStudentLower(5, -0.0, 0, -0.5), 1.0 / 6, 1e-16);
    EXPECT_EQ(bivariateStudentLower(5, kInf, 1.3, 0.2), 1 - studentUpperTail(5, 1.3));
    EXPECT_EQ(bivariateStudentLower(5, 1.3, -kInf, 0.2), 0);

    EXPECT_THROW(studentUpperTail(0, 1), std::invalid_argument);
    for (double rho : {1.0, -1.0, std::nan("")}) {
        EXPECT_THROW(bivariateStudentLower(3, 0, 0, rho), std::invalid_argument);
    }
    EXPECT_THROW(bivariateStudentLower(-2, 0, 0, 0.5), std::invalid_argument);
}

TEST(Evidence, AdjustedPValueMatchesRAndKeepsItsRelativePrecision) {
    for (auto [df, t, p] : {Case{3, 0.7, 0.73315596764749058},
                            {3, -2.5, 0.14051865118885865},
                            {6, 1.9, 0.17750493695871195},
                            {6, -4, 0.012664294253518782},
                            {9, 2.6, 0.051127412945304096},
                            {9, -0.2, 0.97122145350395095},
                            {27, -2.3, 0.053705054581855372},
                            {27, 3.1, 0.0085191211741780792}}) {
        EXPECT_NEAR(dunnettAdjustedPValue(df, t), p, 1e-14) << df << " " << t;
        EXPECT_EQ(dunnettAdjustedPValue(df, -t), dunnettAdjustedPValue(df, t));
        // The same by inclusion and exclusion of the orthants.
        const double c = std::fabs(t);
        EXPECT_NEAR(4 * studentUpperTail(df, c) - 2 * (bivariateStudentLower(df, -c, -c, 0.5) +
                                                       bivariateStudentLower(df, -c, -c, -0.5)),
                    p, 1e-14);
    }
    // Near p = 0.005, where a finite series of the distribution would cancel
    // two of its digits, the full relative precision too. mpmath at 40
    // digits, by quadrature of the two sector integrals over theta:
    //   2/pi (S(t, 1/sqrt 3) + S(t, sqrt 3)),
    //   S(h, a) = quad((1 + h^2 / (df cos^2 theta))^(-df/2), [0, atan a]).
    for (auto [df, t, p] : {Case{6, 4.67, 0.0061444595287970695661},
                            {12, 3.62, 0.0065501828254686857592},
                            {18, 3.46, 0.0052887068898859945031},
                            {21, 3.0, 0.012805216641808370045},
                            {24, 3.33, 0.0053314615178914201192},
                            {27, 3.06, 0.009392266978353044126}}) {
        EXPECT_NEAR(dunnettAdjustedPValue(df, t), p, 4e-15 * p) << df << " " << t;
    }
    // Far tails, where 1 - P(box) is useless. In R, by the conditional law of T2 given T1:
    //   U <- function(c, nu, r) { g <- function(t) dt(t, nu) * pt((c - r * t) *
    //          sqrt((nu + 1) / ((1 - r^2) * (nu + t^2))), nu + 1, lower.tail = FALSE)
    //        b <- c * 1.05^(0:400); s <- sum(sapply(1:400, function(i)
    //          integrate(g, b[i], b[i + 1], rel.tol = 2e-14, abs.tol = 0)$value))
    //        s + integrate(g, b[401], Inf, rel.tol = 2e-14, abs.tol = 1e-17 * s)$value }
    //   4 * pt(c, nu, lower.tail = FALSE) - 2 * (U(c, nu, .5) + U(c, nu, -.5))
    // (mpmath at 40 digits gives the same values.)
    for (auto [df, t, p] : {Case{3, 1e3, 3.6647320026364958e-09},
                            {3, 1e6, 3.6647461941363323e-18},
                            {6, 100, 1.231221771327905e-10},
                            {9, 100, 9.6478338636331562e-15},
                            {27, 30, 5.7002099571892431e-22},
                            {27, 100, 6.1707720781554013e-36}}) {
        EXPECT_NEAR(dunnettAdjustedPValue(df, t), p, 1e-12 * p) << df << " " << t;
    }
    // 1 df in closed form: integrating the radial tail over the sectors
    // gives 2/pi (asin(1/2 / r) + asin(sqrt(3)/2 / r)), r = sqrt(1 + t^2).
    for (double t : {0.5, 3.0, 1e6}) {
        const double r = std::sqrt(1 + t * t);
        const double p =
            2 / std::numbers::pi * (std::asin(0.5 / r) + std::asin(std::numbers::sqrt3 / 2 / r));
        EXPECT_NEAR(dunnettAdjustedPValue(1, t), p, 1e-13 * p) << t;
    }
    for (int df : {1, 3, 6, 9, 27}) {
        EXPECT_EQ(dunnettAdjustedPValue(df, -0.0), 1);
        double previous = 1;
        for (double t : {1e-300, 0.3, 2.0, 8.0, 1e6, 1e100, 1e300, DBL_MAX, kInf}) {
            const double p = dunnettAdjustedPValue(df, -t);
            EXPECT_TRUE(p >= 0 && p <= previous) << df << " " << t << " " << p;
            previous = p;
        }
        EXPECT_EQ(previous, 0);
    }
    EXPECT_THROW(dunnettAdjustedPValue(0, 2), std::invalid_argument);
}

TEST(Evidence, ExactCriticalValueAgreesWithRAndWithQuadrature) {
    const double fromR[] = {
        // crit(nu), nu = 3..27
        3.866509901956807, 3.310351945931925, 3.030235946577998, 2.862750146200368,
        2.751701724588578, 2.6728115799796,   2.613934390625909, 2.568338876031626,
        2.532000205799617, 2.502366759841554, 2.477743827563469, 2.456962351764113,
        2.43919010102872,  2.423818682157478, 2.410393122374454, 2.398566433088946,
        2.388069402183822, 2.378689980181316, 2.370258886975764, 2.362639355598635,
        2.355719690108853, 2.349407776749441, 2.343626975700746, 2.33831300482746,
        2.333411546928458};
    for (int df = 3; df <= 27; ++df) {
        const double c = dunnettExactCritical(df);
        EXPECT_NEAR(c, fromR[df - 3], 1e-12) << df;
        EXPECT_NEAR(c, dunnettTwoSidedCritical(df), 1e-8) << df;
        EXPECT_NEAR(dunnettAdjustedPValue(df, c), 0.05, 1e-15) << df;
        if (df % 3 == 0) { // the table holds c rounded to two decimals
            EXPECT_LE(std::fabs(dunnettCritical(2, df) - c), 0.005) << df;
        }
    }
    EXPECT_NEAR(dunnettExactCritical(1), 17.36944845503398, 1e-11);
    // Beyond the cached range, above the normal limit 2.212127746578627
    // (pmvnorm with Miwa(steps = 4096)).
    EXPECT_GT(dunnettExactCritical(4000), 2.212127746578627);
    EXPECT_LT(dunnettExactCritical(4000), dunnettExactCritical(1000));
    EXPECT_THROW(dunnettExactCritical(0), std::invalid_argument);
}

TEST(Evidence, WorkedExample) {
    // Means 101, 100, 104; mse = 1 on 6 df; SE = sqrt(2/3); p from p(-1 / sqrt(2/3), 6)
    // and p(3 / sqrt(2/3), 6); c = crit(6).
    const StudyRecord study = testing::workedExampleGrid({"", "", ""});
    const StudyEvidence e = computeEvidence(study, ",");
    RobustnessResults plain;
    computeRobustness(study, ",", plain);
    EXPECT_EQ(e.results, plain);
    EXPECT_EQ(e.df, 6);
    EXPECT_EQ(e.mse, 1);
    EXPECT_EQ(e.pooledSd, 1);
    EXPECT_NEAR(e.standardError, std::sqrt(2.0 / 3), 1e-16);
    EXPECT_EQ(e.criticalTable, 2.86);
    EXPECT_NEAR(e.criticalExact, 2.862750146200368, 1e-12);
    EXPECT_FALSE(e.equivalenceLimitPct);
    EXPECT_TRUE(e.values[0].empty());
    EXPECT_EQ(e.values[1], (std::vector<double>{100, 101, 102}));
    EXPECT_EQ(e.values[2], (std::vector<double>{99, 100, 101}));
    EXPECT_EQ(e.values[3], (std::vector<double>{103, 104, 105}));
    const double halfWidth = 2.862750146200368 * std::sqrt(2.0 / 3);
    const struct {
        int level;
        double difference, p;
        std::string_view verdict, pText;
    } expected[] = {{kLevelBaja, -1, 0.41785502174273859, "TOLERANTE", "0,4179"},
                    {kLevelAlta, 3, 0.018423785554187444, "NO TOLERANTE", "0,0184"}};
    for (size_t i = 0; i < 2; ++i) {
        const ComparisonEvidence& c = e.comparisons[i];
        EXPECT_EQ(c.level, expected[i].level);
        EXPECT_EQ(c.difference, expected[i].difference);
        EXPECT_NEAR(c.relativeDifferencePct, expected[i].difference * 100 / 101, 1e-14);
        EXPECT_EQ(c.t, plain.tValue[static_cast<size_t>(c.level)]);
        EXPECT_EQ(c.t, c.difference / e.standardError);
        EXPECT_NEAR(c.pAdjusted, expected[i].p, 1e-14);
        EXPECT_EQ(formatPValue(c.pAdjusted, ","), expected[i].pText);
        EXPECT_NEAR(c.ciLow, expected[i].difference - halfWidth, 1e-12);
        EXPECT_NEAR(c.ciHigh, expected[i].difference + halfWidth, 1e-12);
        EXPECT_EQ(c.tolerant, expected[i].verdict == "TOLERANTE");
        EXPECT_EQ(toleranceVerdict(c.t, e.criticalTable), expected[i].verdict);
        EXPECT_FALSE(c.equivalent);
    }
    // Baja's interval [-3.34, 1.34] lies within +-4 % of 101, Alta's [0.66, 5.34] does not.
    const StudyEvidence limited = computeEvidence(study, ",", 4.0);
    EXPECT_EQ(limited.equivalenceLimitPct, 4.0);
    EXPECT_EQ(limited.comparisons[0].equivalent, true);
    EXPECT_EQ(limited.comparisons[1].equivalent, false);
    EXPECT_EQ(equivalenceVerdict(false), "EQUIVALENCIA NO DEMOSTRADA");
    EXPECT_THROW(computeEvidence(study, ",", 0.0), std::invalid_argument);
}

TEST(Evidence, EquivalenceBoundsAreIncluded) {
    StudyEvidence e;
    e.results.mean[kLevelNormal] = -200;
    e.comparisons[0].ciLow = -5; // touches -2.5 % of |-200|
    e.comparisons[0].ciHigh = 1;
    e.comparisons[1].ciLow = 0.5;
    e.comparisons[1].ciHigh = 5; // touches +2.5 %
    setEquivalenceLimit(e, 2.5);
    EXPECT_TRUE(e.comparisons[0].equivalent.value() && e.comparisons[1].equivalent.value());
    setEquivalenceLimit(e, std::nextafter(2.5, 0.0));
    EXPECT_FALSE(e.comparisons[0].equivalent.value() || e.comparisons[1].equivalent.value());
    setEquivalenceLimit(e, DBL_MAX); // an infinite bound holds every finite interval
    EXPECT_EQ(e.comparisons[1].equivalent, true);
    for (double bad : {0.0, -1.0, std::nan(""), kInf}) {
        EXPECT_THROW(setEquivalenceLimit(e, bad), std::invalid_argument) << bad;
        EXPECT_EQ(e.equivalenceLimitPct, DBL_MAX);
    }
    setEquivalenceLimit(e, std::nullopt);
    EXPECT_FALSE(e.equivalenceLimitPct || e.comparisons[0].equivalent ||
                 e.comparisons[1].equivalent);
}

TEST(Evidence, PValueText) {
    EXPECT_EQ(formatPValue(0.05, ","), "0,0500");
    EXPECT_EQ(formatPValue(0.00005, ","), "< 0,0001");
    EXPECT_EQ(formatPValue(0.0, "."), "< 0.0001");
    EXPECT_EQ(formatPValue(0.0001, ","), "0,0001");
    EXPECT_EQ(formatPValue(1, ","), "1,0000");
    EXPECT_EQ(formatPValue(0.99996, ","), "1,0000");
    EXPECT_EQ(formatPValue(0.03125, "."), "0.0313"); // an exact binary half rounds away from zero
    EXPECT_THROW(formatPValue(std::nan(""), "."), std::invalid_argument);
    EXPECT_THROW(formatPValue(1.5, "."), std::invalid_argument);
}

template <class Run> std::string errorOf(Run run) {
    try {
        run();
    } catch (const RobustezError& e) {
        return e.what();
    }
    return "";
}

TEST(Evidence, FailsLikeTheComputation) {
    StudyRecord emptyCell = testing::workedExampleGrid({"", "", ""});
    emptyCell.grid.setCell(2, 3, "");
    const StudyRecord constant = testing::studyWithValues(
        {"", "", ""}, {{{"5", "5", "5"}, {"5", "5", "5"}, {"7", "7", "7"}}});
    RobustnessResults r;
    for (const StudyRecord* study : {&std::as_const(emptyCell), &constant}) {
        const std::string expected = errorOf([&] { computeRobustness(*study, ".", r); });
        EXPECT_NE(expected, "");
        EXPECT_EQ(errorOf([&] { computeEvidence(*study, "."); }), expected);
    }
}

// Normal's mean 1e-300 under Baja's 1e10 and Alta's 2: the computation
// succeeds, with both verdicts, but 100 * 1e10 / 1e-300 = 1e312 is beyond a
// double, while Alta's 100 * 2 / 1e-300 = 2e302 is not.
StudyRecord tinyNormalStudy() {
    return testing::studyWithValues(
        {"", "", ""},
        {{{"1e-300", "1.1e-300", "0.9e-300"}, {"1e10", "1.1e10", "0.9e10"}, {"2", "2.2", "1.8"}}});
}

TEST(Evidence, RelativeDifferenceBeyondADoubleIsAbsentAndTheRestStays) {
    const StudyRecord study = tinyNormalStudy();
    RobustnessResults plain;
    EXPECT_EQ(errorOf([&] { computeRobustness(study, ".", plain); }), "");
    const StudyEvidence e = computeEvidence(study, ".", 5.0);
    EXPECT_EQ(e.results, plain);
    // By hand: squares about the means 2 (1e9)^2 + 2 (0.2)^2 (Normal's
    // vanish) over 6 df; SE = sqrt(2 mse / 3); the differences 1e10 and 2.
    const double mse = (2e18 + 0.08) / 6;
    const double se = std::sqrt(2 * mse / 3);
    EXPECT_EQ(e.df, 6);
    EXPECT_NEAR(e.mse, mse, 1e-12 * mse);
    EXPECT_NEAR(e.standardError, se, 1e-12 * se);
    const ComparisonEvidence& baja = e.comparisons[0];
    const ComparisonEvidence& alta = e.comparisons[1];
    EXPECT_TRUE(std::isnan(baja.relativeDifferencePct));
    EXPECT_NEAR(alta.relativeDifferencePct, 2e302, 1e-12 * 2e302);
    const double differences[2] = {1e10, 2};
    for (size_t i = 0; i < 2; ++i) {
        const ComparisonEvidence& c = e.comparisons[i];
        EXPECT_EQ(c.difference, differences[i]);
        EXPECT_NEAR(c.t, differences[i] / se, 1e-12 * differences[i] / se);
        const double tolerance = 1e-12 * (differences[i] + se);
        EXPECT_NEAR(c.ciLow, differences[i] - e.criticalExact * se, tolerance);
        EXPECT_NEAR(c.ciHigh, differences[i] + e.criticalExact * se, tolerance);
        EXPECT_TRUE(c.pAdjusted >= 0 && c.pAdjusted <= 1);
        // A bound of 5e-302 holds neither interval.
        EXPECT_EQ(c.equivalent, false);
    }
    EXPECT_FALSE(baja.tolerant); // t = 21.2
    EXPECT_TRUE(alta.tolerant);  // t = 4.2e-9
    EXPECT_LT(baja.pAdjusted, 0.0001);
    EXPECT_GT(alta.pAdjusted, 0.9999);

    // The tables show the one absent number as a dash, everything else as
    // usual: t = 1e10 / SE = 21.2132034, the interval 1e10 -+ 2.86275 SE =
    // 8650486639.19 .. 11349513360.8.
    const EvidenceTables tables = composeEvidenceTables(e, ".");
    ASSERT_EQ(tables.comparisons.size(), 3u);
    EXPECT_EQ(
        tables.comparisons[1],
        (std::vector<std::string>{"Baja", "1E10", "\u2014", "21.2132", "< 0.0001", "8.65049E9",
                                  "1.13495E10", "NO TOLERANTE", "EQUIVALENCIA NO DEMOSTRADA"}));
    EXPECT_EQ(tables.comparisons[2][2], "2E302");
    EXPECT_EQ(tables.comparisons[2][7], "TOLERANTE");
    EXPECT_NE(tabSeparatedText(tables).find("Baja\t1E10\t\u2014\t"), std::string::npos);
}

} // namespace
} // namespace robustez
