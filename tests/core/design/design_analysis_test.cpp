#include "core/design/design_analysis.h"

#include "core/design/designs.h"
#include "core/design/run_table.h"
#include "core/stats/reproducible_distributions.h"
#include "core/study/errors.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace robustez::design {
namespace {

void expectNear(double value, double reference, double relative, const std::string& what) {
    EXPECT_LE(std::fabs(value - reference), relative * std::fabs(reference)) << what;
}

void expectNearAll(const std::vector<std::optional<double>>& values,
                   const std::vector<double>& references, double relative,
                   const std::string& what) {
    ASSERT_EQ(values.size(), references.size()) << what;
    for (std::size_t i = 0; i < values.size(); ++i) {
        ASSERT_TRUE(values[i].has_value()) << what << " " << i;
        expectNear(*values[i], references[i], relative, what + " " + std::to_string(i));
    }
}

std::vector<std::vector<int>> firstColumns(const Design& design, std::size_t k) {
    std::vector<std::vector<int>> matrix;
    for (const std::vector<int>& row : design.matrix) {
        matrix.emplace_back(row.begin(), row.begin() + static_cast<long>(k));
    }
    return matrix;
}

// Every number of an analysis as its bits, every text as it is.
std::string bitsOf(const ResponseAnalysis& r) {
    std::string out = r.response + " " + std::to_string(r.N) + " " + std::to_string(r.n_nominal);
    const auto add = [&out](std::optional<double> v) {
        char text[24];
        std::snprintf(text, sizeof text, " %016llx",
                      v ? static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(*v)) : 0ull);
        out += v ? text : " -";
    };
    const auto addAll = [&add](const auto& values) {
        for (const auto& v : values) {
            add(v);
        }
    };
    add(r.mean_design), add(r.mean_nominal), add(r.percent_base.value), addAll(r.effects);
    addAll(r.percent);
    if (r.dummy) {
        add(r.dummy->se), add(r.dummy->t_crit), add(r.dummy->e_crit);
        addAll(r.dummy->t), addAll(r.dummy->p);
    }
    if (r.nominal) {
        add(r.nominal->s), add(r.nominal->se), add(r.nominal->t_crit), add(r.nominal->e_crit);
        addAll(r.nominal->t), addAll(r.nominal->p);
    }
    add(r.dong.s0), add(r.dong.limit), add(r.dong.s1), add(r.dong.t_crit), add(r.dong.e_crit);
    add(r.lenth.pse), add(r.lenth.d), add(r.lenth.t_me), add(r.lenth.me), add(r.lenth.gamma);
    add(r.lenth.t_sme), add(r.lenth.sme);
    for (const HalfNormalPoint& point : r.half_normal) {
        out += " " + std::to_string(point.column), add(point.abs_effect), add(point.z);
    }
    add(r.e_crit);
    for (const FactorVerdict& v : r.verdicts) {
        out += " " + v.factor + ":" + v.verdict.value_or("-");
    }
    for (const FactorEquivalence& v : r.equivalence.value_or(std::vector<FactorEquivalence>{})) {
        out += " " + v.factor + ":" + v.verdict.value_or("-");
    }
    for (const FactorInterval& v : r.intervals) {
        out += " " + v.factor, add(v.low), add(v.high);
    }
    return out + " " + r.conclusion.value_or("-");
}

// A screen of five factors and six dummies in the 12-run Plackett-Burman
// design, with three nominal runs. The responses were made up as
// 100 + 0.9 pH - 0.6 Flujo + 0.05 Temperatura plus noise, to two decimals.
AnalysisInput constructedScreen() {
    AnalysisInput input;
    input.response = "Contenido";
    input.matrix = findDesign("PB12")->matrix;
    input.names = {"pH",         "Flujo",      "Temperatura", "Columna",    "Longitud de onda",
                   "Ficticio 1", "Ficticio 2", "Ficticio 3",  "Ficticio 4", "Ficticio 5",
                   "Ficticio 6"};
    input.dummy = {false, false, false, false, false, true, true, true, true, true, true};
    input.settings = {NumericSettings{2.8, 3.0, 3.2}, NumericSettings{0.9, 1.0, 1.1},
                      NumericSettings{25, 30, 40}, std::nullopt, NumericSettings{252, 254, 256}};
    input.settings.resize(11);
    input.design = {100.27, 98.65,  101.54, 98.4,  99.67,  99.65,
                    101.39, 100.26, 100.34, 98.55, 101.52, 99.56};
    input.nominal = {99.9, 100.1, 100.3};
    return input;
}

TEST(DesignAnalysis, ConstructedPlackettBurman12AgainstExactArithmeticAndR) {
    AnalysisInput input = constructedScreen();
    input.delta = 1.5;
    const ResponseAnalysis r = analyseResponse(input);

    // Exact: Python's fractions on the doubles of the data, rounded once.
    // (R's lm(y ~ X) gives 2 * coefficients within 1.5e-14 of these.)
    const std::vector<double> effects = {
        1.8066666666666649,      -1.1433333333333333,   0.12333333333333248,  0.00999999999999801,
        -2.3684757858670005e-15, 0.04666666666666922,   0.023333333333338164, -0.029999999999998767,
        -0.01999999999999839,    -0.010000000000002748, 0.03999999999999915};
    EXPECT_EQ(r.effects, effects);
    EXPECT_EQ(r.mean_design, 99.98333333333333);
    EXPECT_EQ(r.mean_nominal, 100.1);
    EXPECT_EQ(r.percent_base.source, BaseSource::Nominal);
    EXPECT_EQ(r.N, 12);
    EXPECT_EQ(r.n_nominal, 3);

    // The rest from R 4.2 on the exact effects above (sprintf "%.17g"):
    // sqrt(sum(E[6:11]^2)/6), qt(.975, df), E / se, 2 * pt(-abs(t), df),
    // the median rules, (1 + 0.95^(1/11)) / 2, qnorm(0.5 + 0.5 * ((1:11 -
    // 0.5) / 11)); the standard deviation of the nominal runs exactly, by
    // Python's decimal at 50 digits.
    constexpr double tol = 1e-12;
    expectNearAll(r.percent,
                  {1.8048618048618033, -1.1421911421911422, 0.12321012321012235,
                   0.0099900099900080037, -2.3661096761908098e-15, 0.04662004662004917,
                   0.023310023310028134, -0.02997002997002874, -0.019980019980018374,
                   -0.0099900099900127361, 0.039960039960039113},
                  tol, "percent");
    ASSERT_TRUE(r.dummy.has_value());
    EXPECT_EQ(r.dummy->n, 6);
    EXPECT_EQ(r.dummy->df, 6);
    expectNear(r.dummy->se, 0.030882093577083724, tol, "dummy se");
    expectNear(r.dummy->t_crit, 2.4469118511449688, tol, "dummy t_crit");
    expectNear(r.dummy->e_crit, 0.075565760761934081, tol, "dummy e_crit");
    expectNearAll(r.dummy->t,
                  {58.502078628740207, -37.022533154350384, 3.9936843344342705, 0.32381224333244624,
                   -7.6694145750032456e-14, 1.5111238022184659, 0.75556190110934796,
                   -0.97143672999749209, -0.6476244866649693, -0.32381224333259967,
                   1.2952489733300152},
                  tol, "dummy t");
    expectNearAll(r.dummy->p,
                  {1.6760196738896948e-09, 2.5913569457928284e-08, 0.0071703991164691417,
                   0.75706992990788913, 0.99999999999994127, 0.18150712620307619, 0.478513484462046,
                   0.36884755590345281, 0.54120018732314623, 0.75706992990777855,
                   0.2428352783493149},
                  tol, "dummy p");
    ASSERT_TRUE(r.nominal.has_value());
    EXPECT_EQ(r.nominal->n, 3);
    EXPECT_EQ(r.nominal->df, 2);
    EXPECT_EQ(r.nominal->s, 0.19999999999999574);
    expectNear(r.nominal->se, 0.11547005383792269, tol, "nominal se");
    expectNear(r.nominal->t_crit, 4.3026527297494619, tol, "nominal t_crit");
    expectNear(r.nominal->e_crit, 0.49682754235005538, tol, "nominal e_crit");
    expectNearAll(r.nominal->p,
                  {0.0040600511404089911, 0.010046383241463983, 0.39731739698346957,
                   0.93887725433720615, 0.99999999999998557, 0.72522596480737977,
                   0.85854977342322625, 0.81931207634226799, 0.87843386522904088,
                   0.93887725433717728, 0.76208452428455675},
                  tol, "nominal p");
    expectNear(r.dong.s0, 0.044999999999998153, tol, "dong s0");
    expectNear(r.dong.limit, 0.11249999999999538, tol, "dong limit");
    EXPECT_EQ(r.dong.m, 8);
    EXPECT_EQ(r.dong.kept, (std::vector<int>{3, 4, 5, 6, 7, 8, 9, 10}));
    expectNear(r.dong.s1, 0.026977356760398374, tol, "dong s1");
    expectNear(r.dong.t_crit, 2.3060041352041658, tol, "dong t_crit");
    expectNear(r.dong.e_crit, 0.062209896246356707, tol, "dong e_crit");
    EXPECT_EQ(r.lenth.used, (std::vector<int>{3, 4, 5, 6, 7, 8, 9, 10}));
    ASSERT_TRUE(r.lenth.pse && r.lenth.me && r.lenth.sme);
    expectNear(*r.lenth.pse, 0.032500000000002416, tol, "lenth pse");
    EXPECT_EQ(r.lenth.d, 11.0 / 3);
    expectNear(r.lenth.t_me, 2.8788781630696243, tol, "lenth t_me");
    expectNear(*r.lenth.me, 0.093563540299769751, tol, "lenth me");
    expectNear(r.lenth.gamma, 0.99767391413390127, 1e-15, "lenth gamma");
    expectNear(r.lenth.t_sme, 6.1668217422789953, tol, "lenth t_sme");
    expectNear(*r.lenth.sme, 0.20042170662408224, tol, "lenth sme");
    const std::vector<int> halfOrder = {4, 3, 9, 8, 6, 7, 10, 5, 2, 1, 0};
    const std::vector<double> halfZ = {
        0.05699967435837431, 0.17174708963751159, 0.28880935507446337, 0.40998332218733663,
        0.5375191062027731,  0.67448975019608171, 0.82549449092923566, 0.99820117215288595,
        1.2074140502222019,  1.489470042327941,   2.0004235691059802};
    ASSERT_EQ(r.half_normal.size(), 11u);
    for (std::size_t i = 0; i < halfOrder.size(); ++i) {
        EXPECT_EQ(r.half_normal[i].column, halfOrder[i]) << i;
        EXPECT_EQ(r.half_normal[i].abs_effect, std::fabs(effects[halfOrder[i]]));
        expectNear(r.half_normal[i].z, halfZ[i], 1e-15, "z " + std::to_string(i));
    }

    // Six dummies decide.
    EXPECT_EQ(r.estimate, Estimate::Dummy);
    ASSERT_TRUE(r.e_crit.has_value());
    EXPECT_EQ(*r.e_crit, r.dummy->e_crit);
    const std::vector<std::string> verdicts = {"SIGNIFICATIVO", "SIGNIFICATIVO", "SIGNIFICATIVO",
                                               "NO SIGNIFICATIVO", "NO SIGNIFICATIVO"};
    ASSERT_EQ(r.verdicts.size(), 5u);
    for (std::size_t i = 0; i < verdicts.size(); ++i) {
        EXPECT_EQ(r.verdicts[i].column, static_cast<int>(i));
        EXPECT_EQ(r.verdicts[i].factor, input.names[i]);
        EXPECT_EQ(r.verdicts[i].verdict, verdicts[i]);
    }
    EXPECT_EQ(r.conclusion,
              "CONCLUSIÓN (Contenido): el método NO ES TOLERANTE a: pH, Flujo, Temperatura.");
    // R: 100 * (abs(E) + e_crit) / 100.1 = 1.88, 1.22, 0.199, 0.0855, 0.0755
    // against 1.5.
    ASSERT_TRUE(r.equivalence.has_value());
    const std::vector<std::string> equivalence = {"EQUIVALENCIA NO DEMOSTRADA", "EQUIVALENTE",
                                                  "EQUIVALENTE", "EQUIVALENTE", "EQUIVALENTE"};
    for (std::size_t i = 0; i < equivalence.size(); ++i) {
        EXPECT_EQ((*r.equivalence)[i].verdict, equivalence[i]) << i;
    }
    // The qualitative column (Columna) has no interval; the others
    // [x0 - (x0 - xL) e / |E|, x0 + (xH - x0) e / |E|] from R.
    const struct {
        int column;
        double low;
        double high;
    } intervals[] = {{0, 2.9916347866315203, 3.0083652133684797},
                     {1, 0.9933907497875859, 1.006609250212414},
                     {2, 26.936523212354004, 36.126953575291992}};
    ASSERT_EQ(r.intervals.size(), std::size(intervals));
    for (std::size_t i = 0; i < std::size(intervals); ++i) {
        EXPECT_EQ(r.intervals[i].column, intervals[i].column);
        expectNear(r.intervals[i].low, intervals[i].low, tol, "low");
        expectNear(r.intervals[i].high, intervals[i].high, tol, "high");
    }

    // The user may ask for another estimate the design gives.
    const struct {
        Estimate estimate;
        double e_crit;
        const char* conclusion;
    } requests[] = {
        {Estimate::Nominal, 0.49682754235005538,
         "CONCLUSIÓN (Contenido): el método NO ES TOLERANTE a: pH, Flujo."},
        {Estimate::Dong, 0.062209896246356707,
         "CONCLUSIÓN (Contenido): el método NO ES TOLERANTE a: pH, Flujo, Temperatura."},
        {Estimate::Lenth, 0.093563540299769751,
         "CONCLUSIÓN (Contenido): el método NO ES TOLERANTE a: pH, Flujo, Temperatura."},
    };
    for (const auto& q : requests) {
        input.requested = q.estimate;
        const ResponseAnalysis asked = analyseResponse(input);
        EXPECT_EQ(asked.estimate, q.estimate);
        ASSERT_TRUE(asked.e_crit.has_value());
        expectNear(*asked.e_crit, q.e_crit, tol, estimateKey(q.estimate));
        EXPECT_EQ(asked.conclusion, q.conclusion);
    }
}

TEST(DesignAnalysis, EffectsAgreeWithLeastSquaresOnRandomDataOfEveryDesign) {
    // The reference: the least-squares coefficients of the orthogonal coded
    // design, b = X'y / N, with E = 2 b, summed in long double.
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> response(-50, 150);
    for (const Design& design : designCatalogue()) {
        for (int trial = 0; trial < 3; ++trial) {
            const std::size_t k = design.matrix.front().size();
            AnalysisInput input;
            input.response = "y";
            input.matrix = design.matrix;
            for (std::size_t c = 0; c < k; ++c) {
                input.names.push_back(std::string("c").append(std::to_string(c)));
                input.dummy.push_back(c % 2 == 1);
            }
            input.settings.resize(k);
            for (int r = 0; r < design.runs; ++r) {
                input.design.push_back(response(random));
            }
            const ResponseAnalysis result = analyseResponse(input);
            long double dummySquares = 0;
            for (std::size_t c = 0; c < k; ++c) {
                long double xty = 0;
                for (std::size_t r = 0; r < input.design.size(); ++r) {
                    xty += design.matrix[r][c] * static_cast<long double>(input.design[r]);
                }
                const auto e = static_cast<double>(2 * xty / design.runs);
                EXPECT_NEAR(result.effects[c], e, 1e-12) << design.name << " " << c;
                if (c % 2 == 1) {
                    dummySquares += static_cast<long double>(e) * e;
                }
            }
            ASSERT_TRUE(result.dummy.has_value());
            const auto se = static_cast<double>(std::sqrt(dummySquares / result.dummy->n));
            expectNear(result.dummy->se, se, 1e-12, design.name + " se");
            EXPECT_EQ(result.dummy->n, static_cast<int>(k / 2));
            EXPECT_EQ(result.percent_base.source, BaseSource::Design);
        }
    }
}

TEST(DesignAnalysis, EdgeCases) {
    // Seven factors, no dummies and no nominal runs, in the 8-run
    // Plackett-Burman design, with responses y = sum x_c E_c / 2 (mean 0)
    // for E = (7.5, -2, 2, 1, -3, 0.5, 2): median |E| = 2, s0 = 3, and
    // 2.5 s0 = 7.5 exactly, kept by Dong (<=), left out by Lenth (<).
    const std::vector<double> designed = {7.5, -2, 2, 1, -3, 0.5, 2};
    AnalysisInput input;
    input.response = "Resolución";
    input.matrix = findDesign("PB8")->matrix;
    for (int c = 0; c < 7; ++c) {
        input.names.push_back("F" + std::to_string(c + 1));
        input.dummy.push_back(false);
    }
    input.settings.resize(7);
    for (const std::vector<int>& row : input.matrix) {
        double y = 0;
        for (std::size_t c = 0; c < 7; ++c) {
            y += row[c] * designed[c] / 2;
        }
        input.design.push_back(y);
    }
    input.delta = 5;
    ResponseAnalysis r = analyseResponse(input);
    EXPECT_EQ(r.effects, designed);
    EXPECT_FALSE(r.dummy.has_value());
    EXPECT_FALSE(r.nominal.has_value());
    EXPECT_EQ(r.dong.s0, 3);
    EXPECT_EQ(r.dong.limit, 7.5);
    EXPECT_EQ(r.dong.m, 7);
    EXPECT_EQ(r.lenth.used, (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(r.lenth.pse, 3.0);
    // R: sqrt(78.5/7), qt(.975, 7) * that, 3 * qt(.975, 7/3),
    // 3 * qt((1 + 0.95^(1/7)) / 2, 7/3); qnorm(0.5 + 0.5 * ((1:7 - 0.5) / 7)).
    expectNear(r.dong.s1, 3.3487737627802976, 1e-15, "s1");
    expectNear(r.dong.e_crit, 7.9185916525679136, 1e-12, "dong e_crit");
    expectNear(*r.lenth.me, 11.292369216247753, 1e-12, "me");
    expectNear(r.lenth.gamma, 0.99634958401049267, 1e-15, "gamma");
    expectNear(*r.lenth.sme, 27.024921341834975, 1e-12, "sme");
    // Ties in |E| keep column order.
    const std::vector<int> order = {5, 3, 1, 2, 6, 4, 0};
    const std::vector<double> z = {0.089642351075762516, 0.27188000539926072, 0.46370775145717896,
                                   0.67448975019608171,  0.92082297636837862, 1.2418667918433202,
                                   1.8027430907391906};
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(r.half_normal[i].column, order[i]);
        expectNear(r.half_normal[i].z, z[i], 1e-15, "z");
    }
    // Dong decides; a base of 0 leaves percents and equivalence empty.
    EXPECT_EQ(r.estimate, Estimate::Dong);
    EXPECT_EQ(r.percent_base.value, 0);
    for (const auto& p : r.percent) {
        EXPECT_FALSE(p.has_value());
    }
    ASSERT_TRUE(r.equivalence.has_value());
    for (const FactorEquivalence& e : *r.equivalence) {
        EXPECT_FALSE(e.verdict.has_value());
    }
    EXPECT_EQ(r.conclusion,
              "CONCLUSIÓN (Resolución): el método es TOLERANTE a todos los factores estudiados.");
    input.requested = Estimate::Dummy;
    EXPECT_THROW(analyseResponse(input), RobustezError);
    input.requested = Estimate::Nominal;
    input.nominal = {1};
    EXPECT_THROW(analyseResponse(input), RobustezError);
    input.nominal.clear();

    // All responses equal: every effect 0, no t or p, critical effects 0,
    // and Lenth's pseudo standard error undefined (no |E| below 0).
    AnalysisInput flat = constructedScreen();
    flat.design.assign(12, 100);
    flat.nominal.assign(3, 100);
    r = analyseResponse(flat);
    EXPECT_EQ(r.effects, std::vector<double>(11, 0));
    EXPECT_EQ(r.dummy->se, 0);
    EXPECT_EQ(r.dummy->e_crit, 0);
    EXPECT_FALSE(r.dummy->t[0].has_value());
    EXPECT_FALSE(r.dummy->p[0].has_value());
    EXPECT_EQ(r.nominal->s, 0);
    EXPECT_FALSE(r.nominal->t[0].has_value());
    EXPECT_EQ(r.dong.m, 11);
    EXPECT_EQ(r.dong.e_crit, 0);
    EXPECT_FALSE(r.lenth.pse.has_value());
    EXPECT_FALSE(r.lenth.me.has_value());
    EXPECT_FALSE(r.lenth.sme.has_value());
    EXPECT_TRUE(r.lenth.used.empty());
    EXPECT_EQ(r.verdicts[0].verdict, "NO SIGNIFICATIVO");
    EXPECT_EQ(r.conclusion,
              "CONCLUSIÓN (Contenido): el método es TOLERANTE a todos los factores estudiados.");
    flat.requested = Estimate::Lenth;
    flat.delta = 1;
    r = analyseResponse(flat);
    EXPECT_FALSE(r.e_crit.has_value());
    EXPECT_FALSE(r.verdicts[0].verdict.has_value());
    EXPECT_FALSE(r.conclusion.has_value());
    EXPECT_FALSE((*r.equivalence)[0].verdict.has_value());
    EXPECT_TRUE(r.intervals.empty());

    // One dummy: its block with one degree of freedom (R: qt(.975, 1)), but
    // three nominal runs decide.
    AnalysisInput oneDummy = constructedScreen();
    oneDummy.matrix = firstColumns(*findDesign("PB12"), 6);
    oneDummy.names.resize(6);
    oneDummy.dummy.resize(6);
    oneDummy.settings.resize(6);
    r = analyseResponse(oneDummy);
    ASSERT_TRUE(r.dummy.has_value());
    EXPECT_EQ(r.dummy->df, 1);
    expectNear(r.dummy->t_crit, 12.706204736174694, 1e-12, "qt(.975, 1)");
    EXPECT_EQ(r.dummy->se, std::fabs(r.effects[5]));
    EXPECT_EQ(r.estimate, Estimate::Nominal);

    // Data scaled by 2^-1000 or 2^900: the same analysis scaled exactly (R's
    // references above times the power of two), no square lost to underflow
    // or overflow.
    for (const double scale : {std::ldexp(1.0, -1000), std::ldexp(1.0, 900)}) {
        AnalysisInput scaled = constructedScreen();
        for (double& v : scaled.design) {
            v *= scale;
        }
        for (double& v : scaled.nominal) {
            v *= scale;
        }
        r = analyseResponse(scaled);
        expectNear(r.dummy->se, 0.030882093577083724 * scale, 1e-12, "scaled dummy se");
        expectNear(r.nominal->s, 0.19999999999999574 * scale, 1e-12, "scaled s");
        expectNear(r.dong.s1, 0.026977356760398374 * scale, 1e-12, "scaled s1");
        EXPECT_EQ(r.conclusion,
                  "CONCLUSIÓN (Contenido): el método NO ES TOLERANTE a: pH, Flujo, Temperatura.");
    }

    // Malformed input.
    AnalysisInput bad = constructedScreen();
    bad.design.pop_back();
    EXPECT_THROW(analyseResponse(bad), RobustezError);
    bad = constructedScreen();
    bad.matrix[0][0] = 0;
    EXPECT_THROW(analyseResponse(bad), RobustezError);
    for (const double wrong : {std::nan(""), HUGE_VAL, 1e300}) {
        bad = constructedScreen();
        bad.nominal[0] = wrong;
        EXPECT_THROW(analyseResponse(bad), RobustezError) << wrong;
    }
}

TEST(DesignAnalysis, StudyAnalysedResponseByResponse) {
    DesignStudy study;
    study.factors = {{"pH", "", "2.8", "3.0", "3.2"},
                     {"Flujo", "mL/min", "0.9", "", "1.1"},
                     {"Temperatura", "°C", "25", "30", "40"},
                     {"Columna", "", "Lote A", "", "Lote B"},
                     {"Longitud de onda", "nm", "252", "254", "256"}};
    study.responses = {{"Contenido", "%"}, {"Resolución", ""}};
    study.design = "PB12";
    study.nominalRuns = 3;
    study.seed = 42;
    layOutStudy(study);
    const AnalysisInput screen = constructedScreen();
    int nominal = 0;
    for (DesignRun& run : study.runs) {
        const double value = run.type == RunType::Design
                                 ? screen.design[static_cast<std::size_t>(run.standardIndex - 1)]
                                 : screen.nominal[static_cast<std::size_t>(nominal++)];
        run.values = {value, 2 * value};
    }
    const std::vector<ResponseAnalysis> results = analyseStudy(study);
    ASSERT_EQ(results.size(), 2u);
    // The rows come in run order; the effects do not depend on it.
    const ResponseAnalysis direct = analyseResponse(screen);
    EXPECT_EQ(results[0].effects, direct.effects);
    EXPECT_EQ(results[0].e_crit, direct.e_crit);
    EXPECT_EQ(results[0].conclusion, direct.conclusion);
    EXPECT_EQ(results[1].response, "Resolución");
    EXPECT_EQ(results[1].effects[0], 2 * direct.effects[0]);
    // Flujo's empty nominal setting is the midpoint; Columna is qualitative.
    ASSERT_EQ(results[0].intervals.size(), 3u);
    EXPECT_EQ(results[0].intervals[1].factor, "Flujo");
    expectNear(results[0].intervals[1].low, 0.9933907497875859, 1e-12, "Flujo");
    EXPECT_FALSE(numericSettings(study.factors[3]).has_value());

    study.runs[4].values[1].reset();
    try {
        analyseStudy(study);
        ADD_FAILURE() << "no error for a missing value";
    } catch (const RobustezError& e) {
        EXPECT_EQ(std::string(e.what()), "Falta el valor de Resolución en el ensayo 5.");
    }
}

// The analyses of a study share their distributions and quantiles, and one
// analyser keeps them and its buffers for the next studies, of other sizes,
// also after an analysis that failed: each response must come out as when
// analysed alone by a fresh analyser, and the shared values as computed anew.
TEST(DesignAnalysis, SharedQuantilesGiveTheResultsOfEachResponseAlone) {
    struct Case {
        const char* design;
        int factors;
        int nominalRuns;
        std::optional<Estimate> requested;
        std::optional<double> delta;
    };
    const std::vector<Case> cases = {{"PB24", 10, 3, std::nullopt, 2.0},
                                     {"PB12", 7, 0, Estimate::Lenth, std::nullopt},
                                     {"2^(7-4) III", 5, 2, Estimate::Nominal, 1.0},
                                     {"PB20", 19, 4, Estimate::Dong, 3.0},
                                     {"PB24", 10, 5, Estimate::Dong, std::nullopt}};
    std::mt19937 generator(2026);
    std::uniform_int_distribution<int> noise(0, 300);
    std::vector<DesignStudy> studies;
    for (const Case& c : cases) {
        DesignStudy study;
        for (int f = 0; f < c.factors; ++f) {
            std::string name = "F";
            name += std::to_string(f + 1);
            study.factors.push_back({name, "", "9", "", "11"});
        }
        study.responses = {{"A", ""}, {"B", ""}, {"C", ""}};
        study.design = c.design;
        study.kind = findDesign(c.design)->kind;
        study.nominalRuns = c.nominalRuns;
        study.seed = 3;
        layOutStudy(study);
        for (DesignRun& run : study.runs) {
            for (std::size_t v = 0; v < run.values.size(); ++v) {
                const double trend = run.type == RunType::Design ? run.codes[v] : 0;
                run.values[v] = 50 + noise(generator) / 100.0 + trend * static_cast<double>(v);
            }
        }
        studies.push_back(study);
    }
    // Twice over, so that the second round meets the first's kept values.
    DesignAnalyser analyser;
    for (int round = 0; round < 2; ++round) {
        for (std::size_t s = 0; s < studies.size(); ++s) {
            const DesignStudy& study = studies[s];
            // The PB12 study has no nominal runs to estimate with.
            EXPECT_THROW(analyser.analyseStudy(studies[1], std::nullopt, Estimate::Nominal),
                         RobustezError);
            const std::vector<ResponseAnalysis> together =
                analyser.analyseStudy(study, cases[s].delta, cases[s].requested);
            ASSERT_EQ(together.size(), 3u);
            for (std::size_t v = 0; v < 3; ++v) {
                AnalysisInput alone;
                alone.response = study.responses[v].name;
                for (const DesignColumn& column : study.columns) {
                    alone.names.push_back(column.name);
                    alone.dummy.push_back(column.factor < 0);
                    alone.settings.push_back(
                        column.factor < 0
                            ? std::nullopt
                            : numericSettings(
                                  study.factors[static_cast<std::size_t>(column.factor)]));
                }
                for (const DesignRun& run : study.runs) {
                    if (run.type == RunType::Design) {
                        alone.matrix.push_back(run.codes);
                    }
                    (run.type == RunType::Design ? alone.design : alone.nominal)
                        .push_back(*run.values[v]);
                }
                alone.delta = cases[s].delta;
                alone.requested = cases[s].requested;
                const ResponseAnalysis& r = together[v];
                std::string what = cases[s].design;
                what += ' ';
                what += alone.response;
                EXPECT_EQ(bitsOf(r), bitsOf(analyseResponse(alone))) << what;
                // The shared values against the functions themselves.
                if (r.dummy) {
                    EXPECT_EQ(r.dummy->t_crit, studentTQuantile(0.975, r.dummy->df)) << what;
                    EXPECT_EQ(r.dummy->p[1], studentTTwoSidedP(*r.dummy->t[1], r.dummy->df));
                }
                if (r.nominal) {
                    EXPECT_EQ(r.nominal->t_crit, studentTQuantile(0.975, r.nominal->df)) << what;
                    EXPECT_EQ(r.nominal->p[0], studentTTwoSidedP(*r.nominal->t[0], r.nominal->df));
                }
                EXPECT_EQ(r.dong.t_crit, studentTQuantile(0.975, r.dong.m)) << what;
                EXPECT_EQ(r.lenth.t_me, studentTQuantile(0.975, r.lenth.d)) << what;
                EXPECT_EQ(r.lenth.t_sme, studentTQuantile(r.lenth.gamma, r.lenth.d)) << what;
                const double k = static_cast<double>(r.half_normal.size());
                EXPECT_EQ(r.half_normal.back().z, normalQuantile(0.5 + 0.5 * ((k - 0.5) / k)));
            }
        }
    }
}

// A published data set read as a run table: Yates' N, P, K experiment on
// peas (R's datasets::npk; Venables & Ripley, MASS, 4th ed., 6.7), 24 plots
// of the 2^3 factorial, N, P and K each at 0 and 1. The effects are exact
// (Python fractions): N 337/60, P -71/60, K -239/60, whose squares times
// 24/4 are the treatment sums of squares 189.28, 8.40 and 95.20 of the
// published analysis of variance. Without dummies or nominal runs Dong's
// algorithm decides; its figures are from R 4.2:
//   E <- c(337/60, -71/60, -239/60); s0 <- 1.5*median(abs(E))
//   s1 <- sqrt(mean(E^2)); qt(0.975, 3) * s1   # 12.837291334420520
TEST(DesignAnalysis, YatesPeasReadAsARunTable) {
    const char* plots[] = {"0\t1\t1\t49.5", "1\t1\t0\t62.8", "0\t0\t0\t46.8", "1\t0\t1\t57",
                           "1\t0\t0\t59.8", "1\t1\t1\t58.5", "0\t0\t1\t55.5", "0\t1\t0\t56",
                           "0\t1\t0\t62.8", "1\t1\t1\t55.8", "1\t0\t0\t69.5", "0\t0\t1\t55",
                           "1\t0\t0\t62",   "1\t1\t1\t48.8", "0\t0\t1\t45.5", "0\t1\t0\t44.2",
                           "1\t1\t0\t52",   "0\t0\t0\t51.5", "1\t0\t1\t49.8", "0\t1\t1\t48.8",
                           "1\t0\t1\t57.2", "1\t1\t0\t59",   "0\t1\t1\t53.2", "0\t0\t0\t56"};
    std::string table = "N\tP\tK\tTipo\tRendimiento\n";
    for (const char* plot : plots) {
        std::string row = plot;
        const std::size_t last = row.rfind('\t');
        table += row.substr(0, last) + "\tdiseño" + row.substr(last) + "\n";
    }
    const DesignStudy study = decodeRunTable(table, ".").study;
    const std::vector<ResponseAnalysis> analyses = analyseStudy(study);
    ASSERT_EQ(analyses.size(), 1u);
    const ResponseAnalysis& a = analyses[0];
    const std::vector<double> effects = {337.0 / 60, -71.0 / 60, -239.0 / 60};
    ASSERT_EQ(a.effects.size(), effects.size());
    for (std::size_t i = 0; i < effects.size(); ++i) {
        expectNear(a.effects[i], effects[i], 1e-14, "effect " + std::to_string(i));
    }
    EXPECT_EQ(a.estimate, Estimate::Dong);
    expectNear(a.dong.s0, 5.975, 1e-14, "s0");
    EXPECT_EQ(a.dong.m, 3);
    expectNear(a.dong.s1, 4.0337809668955611, 1e-14, "s1");
    expectNear(a.dong.t_crit, 3.1824463052837078, 1e-12, "t_crit");
    expectNear(a.dong.e_crit, 12.837291334420520, 1e-12, "e_crit");
    ASSERT_EQ(a.verdicts.size(), 3u);
    for (const FactorVerdict& v : a.verdicts) {
        EXPECT_EQ(v.verdict, "NO SIGNIFICATIVO") << v.factor;
    }
    EXPECT_EQ(a.conclusion,
              "CONCLUSIÓN (Rendimiento): el método es TOLERANTE a todos los factores estudiados.");
}

} // namespace
} // namespace robustez::design
