#include "core/stats/results_tables.h"
#include "core/study/study_fixtures.h"

#include <gtest/gtest.h>

using namespace robustez;

namespace {

StudyRecord exampleStudy() {
    StudyRecord study = robustez::testing::workedExampleGrid({"25 °C", "20 °C", "30 °C"});
    study.conditionName = "Temperatura";
    return study;
}

} // namespace

TEST(ResultsTables, WorkedExampleCellByCell) {
    const StudyRecord study = exampleStudy();
    RobustnessResults results;
    computeRobustness(study, ".", results);
    const ResultsTables t = composeResultsTables(results, study, ".");

    const ResultsTables::Upper expectedUpper = {{
        {"", "MEDIA ARITMÉTICA", "  DESVIACIÓN", " COEFICIENTE ", " DIFERENCIA "},
        {"MUESTRA", "", "   ESTÁNDAR", " DE VARIACIÓN", " ABSOLUTA"},
        {"Normal", "101", "1", "0.990099", "|d1|= 1"},
        {"Baja", "100", "1", "1", "|d2|= 3"},
        {"Alta", "104", "1", "0.961538", ""},
        {"Total", "101.667", "2", "1.96721", ""},
    }};
    const ResultsTables::Lower expectedLower = {{
        {"       CONDICIONES      DE", "    OPERACIÓN", "  t DE DUNET CALCULADA ",
         "         INTERPRETACIÓN"},
        {"MUESTRA", "Temperatura", "", ""},
        {"Normal", "25 °C", "", ""},
        {"Baja", "20 °C", "-1.22474", "TOLERANTE"},
        {"Alta", "30 °C", "3.67423", "NO TOLERANTE"},
    }};
    EXPECT_EQ(t.upper, expectedUpper);
    EXPECT_EQ(t.lower, expectedLower);
}

TEST(ResultsTables, NegativeTAtTheCriticalValueEmptySettingsAndCommaSeparator) {
    StudyRecord study = exampleStudy();
    for (int level = 1; level <= 3; ++level) {
        study.grid.setCell(level, 1, "");
    }
    RobustnessResults results;
    results.mean = {0, 10.5, 9, 12};
    results.tValue = {0, 0, -2.86, 2.859};
    results.absDiff = {0, 0, 1.5, 1.5};
    results.criticalT = 2.86;
    const ResultsTables t = composeResultsTables(results, study, ",");
    EXPECT_EQ(t.lower[2][1], "");
    EXPECT_EQ(t.lower[3][1], "");
    EXPECT_EQ(t.lower[4][1], "");
    EXPECT_EQ(t.lower[3][2], "-2,86");
    EXPECT_EQ(t.lower[3][3], "NO TOLERANTE");
    EXPECT_EQ(t.lower[4][3], "TOLERANTE");
    EXPECT_EQ(t.upper[2][1], "10,5");
    EXPECT_EQ(t.upper[2][4], "|d1|= 1,5");
}
