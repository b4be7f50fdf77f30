#include "core/report/study_json.h"

#include "core/platform/scratch_folder.h"
#include "core/study/study_fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace robustez {
namespace {

StudyRecord headedStudy(const std::array<std::vector<std::string>, 3>& values) {
    StudyRecord study = testing::studyWithValues({"25 °C", "20 \"C\"", "30"}, values);
    study.methodName = "Valoración";
    study.analystName = "Ana\tPérez";
    study.dateText = "12/03/1999";
    study.conditionName = "Temperatura";
    return study;
}

// Evidence with a distinct value in every field, so that a value written
// under the wrong name shows.
StudyEvidence handMadeEvidence() {
    StudyEvidence e;
    e.results.mean = {0, 100.75, 99.5, 103.5};
    e.results.sdNormal = 1.25;
    e.results.sdBaja = 2.5;
    e.results.sdAlta = 3.75;
    e.results.cvNormal = 1.5;
    e.results.cvBaja = 2.75;
    e.results.cvAlta = 4.125;
    e.results.grandMean = 101.25;
    e.results.sdTotal = 5.5;
    e.results.cvTotal = 6.25;
    e.df = 3;
    e.pooledSd = 0.875;
    e.criticalTable = 3.53;
    e.criticalExact = 3.5294117647058822;
    e.comparisons[0] = {kLevelBaja, -1.25, -1.2406947890818858, -0.5, 0.75, -9, 6.5, true, true};
    e.comparisons[1] = {kLevelAlta, 2.75, 2.7295, 1.125, 0.0625, -4.5, 10, false, false};
    e.equivalenceLimitPct = 8;
    return e;
}

TEST(StudyJson, EveryMemberInItsPlace) {
    StudyOutcome outcome;
    outcome.path = "dir/caf\xE9.w1o"; // Latin-1, not UTF-8
    outcome.study = headedStudy({{{"100", "101.5"}, {"99", "100"}, {"103", "1E2"}}});
    outcome.evidence = handMadeEvidence();
    outcome.equivalenceLimitPct = 8;
    EXPECT_EQ(json::toJson(outcomeJson(outcome, ".")),
              "{\"file\":\"dir/caf\xEF\xBF\xBD.w1o\",\"method\":\"Valoración\","
              "\"analyst\":\"Ana\\tPérez\",\"date\":\"12/03/1999\",\"replicates\":2,"
              "\"condition\":\"Temperatura\",\"levels\":["
              "{\"name\":\"Normal\",\"setting\":\"25 °C\",\"values\":[100,101.5],"
              "\"mean\":100.75,\"sd\":1.25,\"cv_pct\":1.5},"
              "{\"name\":\"Baja\",\"setting\":\"20 \\\"C\\\"\",\"values\":[99,100],"
              "\"mean\":99.5,\"sd\":2.5,\"cv_pct\":2.75},"
              "{\"name\":\"Alta\",\"setting\":\"30\",\"values\":[103,100],"
              "\"mean\":103.5,\"sd\":3.75,\"cv_pct\":4.125}],"
              "\"total\":{\"mean\":101.25,\"sd\":5.5,\"cv_pct\":6.25},"
              "\"df\":3,\"pooled_sd\":0.875,\"critical_t_table\":3.53,"
              "\"critical_t_exact\":3.5294117647058822,\"comparisons\":["
              "{\"level\":\"Baja\",\"difference\":-1.25,"
              "\"relative_difference_pct\":-1.2406947890818858,\"t\":-0.5,\"p_adjusted\":0.75,"
              "\"ci95_low\":-9,\"ci95_high\":6.5,\"verdict\":\"TOLERANTE\","
              "\"equivalence\":\"EQUIVALENTE\"},"
              "{\"level\":\"Alta\",\"difference\":2.75,\"relative_difference_pct\":2.7295,"
              "\"t\":1.125,\"p_adjusted\":0.0625,\"ci95_low\":-4.5,\"ci95_high\":10,"
              "\"verdict\":\"NO TOLERANTE\",\"equivalence\":\"EQUIVALENCIA NO DEMOSTRADA\"}],"
              "\"equivalence_limit_pct\":8,\"error\":null}");
}

TEST(StudyJson, FailedComputationLeavesItsResultsNull) {
    // The computation failed: the data stay, a cell that does not convert
    // (here under a "," locale) is null, the limit stays as given.
    StudyOutcome failed;
    failed.path = "mal.w1o";
    failed.study = headedStudy({{{"100", "101,5"}, {"99", "1O3"}, {"103", "1.5"}}});
    failed.error = "'1O3' is not a valid floating point value";
    failed.equivalenceLimitPct = 2.5;
    EXPECT_EQ(json::toJson(outcomeJson(failed, ",")),
              "{\"file\":\"mal.w1o\",\"method\":\"Valoración\",\"analyst\":\"Ana\\tPérez\","
              "\"date\":\"12/03/1999\",\"replicates\":2,\"condition\":\"Temperatura\","
              "\"levels\":[{\"name\":\"Normal\",\"setting\":\"25 °C\",\"values\":[100,101.5],"
              "\"mean\":null,\"sd\":null,\"cv_pct\":null},"
              "{\"name\":\"Baja\",\"setting\":\"20 \\\"C\\\"\",\"values\":[99,null],"
              "\"mean\":null,\"sd\":null,\"cv_pct\":null},"
              "{\"name\":\"Alta\",\"setting\":\"30\",\"values\":[103,null],"
              "\"mean\":null,\"sd\":null,\"cv_pct\":null}],"
              "\"total\":null,\"df\":null,\"pooled_sd\":null,\"critical_t_table\":null,"
              "\"critical_t_exact\":null,\"comparisons\":null,\"equivalence_limit_pct\":2.5,"
              "\"error\":\"'1O3' is not a valid floating point value\"}");
}

// A member of a JSON object, null when there is none.
const json::Value& memberOf(const json::Value& object, std::string_view name) {
    static const json::Value none;
    for (const auto& [key, value] : std::get<json::Object>(object.data)) {
        if (key == name) {
            return value;
        }
    }
    return none;
}

class StudyJsonFile : public testing::ScratchFolder {};

TEST_F(StudyJsonFile, RelativeDifferenceBeyondADoubleIsNullAndTheRestIsGiven) {
    // Normal about 1e-300 under Baja's 1e10 and Alta's 2: Baja's
    // 100 * 1e10 / 1e-300 = 1e312 is beyond a double, Alta's 2e302 is not.
    const std::filesystem::path path = dir_ / "diminuta.w1o";
    writeBytes(path, "Pesada\r\nAna\r\n01/02/2026\r\n3\r\nT\r\n20\r\n"
                     "1e-300\r\n1.1e-300\r\n0.9e-300\r\n18\r\n1e10\r\n1.1e10\r\n0.9e10\r\n"
                     "25\r\n2\r\n2.2\r\n1.8\r\n");
    const StudyOutcome outcome = examineStudyFile(testing::utf8Path(path), ".", 5.0);
    EXPECT_FALSE(outcome.error) << *outcome.error;
    const json::Value object = outcomeJson(outcome, ".");
    const std::string text = json::toJson(object);
    EXPECT_NE(text.find("\"error\":null}"), std::string::npos) << text;
    EXPECT_EQ(std::get<long long>(memberOf(object, "df").data), 6);
    const auto& comparisons = std::get<json::Array>(memberOf(object, "comparisons").data);
    ASSERT_EQ(comparisons.size(), 2u);
    EXPECT_NE(text.find("{\"level\":\"Baja\",\"difference\":1e+10,"
                        "\"relative_difference_pct\":null,\"t\":21.2132"),
              std::string::npos)
        << text;
    EXPECT_NEAR(std::get<double>(memberOf(comparisons[1], "relative_difference_pct").data), 2e302,
                1e-12 * 2e302);
    EXPECT_EQ(std::get<std::string>(memberOf(comparisons[0], "verdict").data), "NO TOLERANTE");
    EXPECT_EQ(std::get<std::string>(memberOf(comparisons[1], "verdict").data), "TOLERANTE");
    for (const json::Value& c : comparisons) {
        for (std::string_view name : {"ci95_low", "ci95_high", "p_adjusted"}) {
            EXPECT_TRUE(std::isfinite(std::get<double>(memberOf(c, name).data))) << name;
        }
    }
}

} // namespace
} // namespace robustez
