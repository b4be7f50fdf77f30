#include "core/report/text_report.h"
#include "core/study/study_fixtures.h"

#include "core/study/errors.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace robustez {
namespace {

std::string sp(int count) {
    return std::string(static_cast<std::size_t>(count), ' ');
}

// The worked example: n = 3, Normal 100 101 102, Baja 99 100 101, Alta 103 104 105.
StudyRecord workedExample() {
    StudyRecord study = robustez::testing::workedExampleGrid({"25", "20", "30"});
    study.methodName = "Valoración";
    study.analystName = "Q.F.B. María Pérez";
    study.dateText = "07/12/2026";
    study.conditionName = "Temperatura";
    return study;
}

// The 29 lines of the worked example's report, written out by hand.
std::vector<std::string> expectedWorkedReport() {
    return {
        "ROBUSTEZ (TOLERANCIA A CONDICIONES DE OPERACIÓN)",
        " ",
        "Nombre del método Valoración",
        "Nombre del Analista Q.F.B. María Pérez",
        "Fecha: 07/12/2026",
        "Número de Muestras (Replicaciones): 3",
        "Condiciones de Operación: Temperatura",
        " ",
        "MUESTRA" + sp(7) + "NORMAL" + sp(15) + "BAJA" + sp(16) + "ALTA",
        "Muestra" + sp(14) + "25" + sp(25) + "20" + sp(19) + "30",
        "1" + sp(23) + "100" + sp(20) + "99" + sp(18) + "103",
        "2" + sp(23) + "101" + sp(20) + "100" + sp(18) + "104",
        "3" + sp(23) + "102" + sp(20) + "101" + sp(18) + "105",
        " ",
        "MUESTRA" + sp(3) + "MEDIA ARITMÉTICA" + sp(5) + "DESVIACIÓN ESTANDAR" + sp(6) +
            "COEFICIENTE DE VARIACIÓN",
        "Normal" + sp(13) + "101" + sp(22) + "1" + sp(36) + "0.990099",
        "Baja" + sp(17) + "100" + sp(22) + "1" + sp(38) + "1",
        "Alta" + sp(19) + "104" + sp(22) + "1" + sp(38) + "0.961538",
        "Total" + sp(17) + "101.667" + sp(22) + "2" + sp(38) + "1.96721",
        " ",
        " ",
        "CONDICIONES DE OPERACIÓN" + sp(6) + "t DE DUNNETT CALCULADA" + sp(6) + "INTERPRETACIÓN",
        "Normal" + sp(10) + "25",
        "Baja" + sp(15) + "20" + sp(26) + "-1.22474" + sp(37) + "TOLERANTE",
        "Alta" + sp(15) + "30" + sp(26) + "3.67423" + sp(37) + "NO TOLERANTE",
        " ",
        " ",
        "Diferencia Absoluta D1 = 1",
        "Diferencia Absoluta D2 = 3",
    };
}

TEST(TextReport, WorkedExampleLineByLine) {
    RobustnessResults results;
    std::vector<std::string> lines;
    composeTextReport(workedExample(), ".", results, lines);

    const std::vector<std::string> expected = expectedWorkedReport();
    ASSERT_EQ(lines.size(), 29u);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(lines[i], expected[i]) << "line " << i + 1;
    }
    // The headings keep their documented widths (in characters, not bytes).
    EXPECT_EQ(lines[8].size(), 59u);
    EXPECT_EQ(lines[14].size(), 80u + 3); // accented letters take two bytes each
    EXPECT_EQ(lines[21].size(), 72u + 2);
    // The shared results are filled by the run.
    EXPECT_DOUBLE_EQ(results.mean[1], 101.0);
    EXPECT_DOUBLE_EQ(results.criticalT, 2.86);

    // A second report of the same study is identical.
    RobustnessResults again;
    std::vector<std::string> second;
    composeTextReport(workedExample(), ".", again, second);
    EXPECT_EQ(second, lines);
}

TEST(TextReport, CommaSeparatorWritesEveryNumberWithComma) {
    RobustnessResults results;
    std::vector<std::string> lines;
    composeTextReport(workedExample(), ",", results, lines);
    ASSERT_EQ(lines.size(), 29u);
    EXPECT_EQ(lines[15], "Normal" + sp(13) + "101" + sp(22) + "1" + sp(36) + "0,990099");
    EXPECT_EQ(lines[18], "Total" + sp(17) + "101,667" + sp(22) + "2" + sp(38) + "1,96721");
    EXPECT_EQ(lines[23], "Baja" + sp(15) + "20" + sp(26) + "-1,22474" + sp(37) + "TOLERANTE");

    // Values typed with the locale's comma are read and printed as typed.
    StudyRecord study = workedExample();
    study.grid.setCell(1, 2, "99,5");
    study.grid.setCell(1, 3, "101,5");
    lines.clear();
    composeTextReport(study, ",", results, lines);
    EXPECT_EQ(lines[10], "1" + sp(23) + "99,5" + sp(20) + "99" + sp(18) + "103");
    EXPECT_EQ(lines[15].substr(0, 24), "Normal" + sp(13) + "101" + sp(2));
}

TEST(TextReport, FailedComputationKeepsTheDataLines) {
    StudyRecord study = workedExample();
    study.grid.setCell(2, 3, "abc"); // Baja, sample 2
    RobustnessResults results;
    std::vector<std::string> lines;
    try {
        composeTextReport(study, ".", results, lines);
        FAIL() << "the report must fail";
    } catch (const ConversionError& error) {
        EXPECT_STREQ(error.what(), "'abc' is not a valid floating point value");
    }
    // Steps 1 to 11: ten lines of information and headings, one per sample row.
    const std::vector<std::string> expected = expectedWorkedReport();
    ASSERT_EQ(lines.size(), 13u);
    for (std::size_t i = 0; i < 13; ++i) {
        if (i == 11) {
            EXPECT_EQ(lines[i], "2" + sp(23) + "101" + sp(20) + "abc" + sp(18) + "104");
        } else {
            EXPECT_EQ(lines[i], expected[i]) << "line " << i + 1;
        }
    }

    // An empty cell fails with the empty text; an arithmetic fault also stops
    // the report after the data lines.
    study.grid.setCell(2, 3, "");
    lines.clear();
    EXPECT_THROW(
        {
            try {
                composeTextReport(study, ".", results, lines);
            } catch (const ConversionError& error) {
                EXPECT_STREQ(error.what(), "'' is not a valid floating point value");
                throw;
            }
        },
        ConversionError);
    EXPECT_EQ(lines.size(), 13u);

    StudyRecord flat = workedExample();
    for (int level = 1; level <= 3; ++level) {
        for (int row = 2; row <= 4; ++row) {
            flat.grid.setCell(level, row, "100");
        }
    }
    lines.clear();
    EXPECT_THROW(composeTextReport(flat, ".", results, lines), ArithmeticError);
    EXPECT_EQ(lines.size(), 13u);
}

TEST(TextReport, SampleLinesFollowTheGridNotTheCount) {
    // The grid was sized for five samples; the count edit now says 3.
    StudyRecord study = workedExample();
    sizeGridForCount(study.grid, 5);
    study.grid.setCell(1, 5, "98");
    study.grid.setCell(1, 6, "97");
    RobustnessResults results;
    std::vector<std::string> lines;
    composeTextReport(study, ".", results, lines);
    ASSERT_EQ(lines.size(), 31u);
    EXPECT_EQ(lines[13], "4" + sp(23) + "98" + sp(20) + sp(18));
    EXPECT_EQ(lines[14], "5" + sp(23) + "97" + sp(20) + sp(18));
    // The statistics still read three samples per level.
    EXPECT_EQ(lines[17], "Normal" + sp(13) + "101" + sp(22) + "1" + sp(36) + "0.990099");

    // A grid smaller than the count lists fewer rows; the hidden cells are
    // still read by the computation.
    study = workedExample();
    study.grid.setRowCount(4);
    lines.clear();
    composeTextReport(study, ".", results, lines);
    ASSERT_EQ(lines.size(), 28u);
    EXPECT_EQ(lines[11], "2" + sp(23) + "101" + sp(20) + "100" + sp(18) + "104");
    EXPECT_EQ(lines[12], " ");
    EXPECT_EQ(lines.back(), "Diferencia Absoluta D2 = 3");
}

TEST(TextReport, EmptyFieldsKeepLabelsAndSpaces) {
    StudyRecord study = workedExample();
    study.methodName.clear();
    study.analystName.clear();
    study.dateText.clear();
    study.conditionName.clear();
    for (int level = 1; level <= 3; ++level) {
        study.grid.setCell(level, 1, "");
    }
    RobustnessResults results;
    std::vector<std::string> lines{"earlier line"};
    composeTextReport(study, ".", results, lines);
    ASSERT_EQ(lines.size(), 30u);
    EXPECT_EQ(lines[0], "earlier line");
    EXPECT_EQ(lines[3], "Nombre del método ");
    EXPECT_EQ(lines[4], "Nombre del Analista ");
    EXPECT_EQ(lines[5], "Fecha: ");
    EXPECT_EQ(lines[7], "Condiciones de Operación: ");
    EXPECT_EQ(lines[10], "Muestra" + sp(14 + 25 + 19));
    EXPECT_EQ(lines[23], "Normal" + sp(10));
    EXPECT_EQ(lines[24], "Baja" + sp(15 + 26) + "-1.22474" + sp(37) + "TOLERANTE");
}

TEST(TextReport, LevelLabelsOfTheDunnettLinesComeFromTheGrid) {
    StudyRecord study = workedExample();
    study.grid.setCell(2, 0, "Low");
    study.grid.setCell(3, 0, "High");
    study.grid.setCell(1, 0, "Control"); // not used: the literal "Normal" stays
    // A setting longer than the fixed runs pushes the columns along.
    study.grid.setCell(3, 1, "30 °C, horno 2");
    RobustnessResults results;
    std::vector<std::string> lines;
    composeTextReport(study, ".", results, lines);
    ASSERT_EQ(lines.size(), 29u);
    EXPECT_EQ(lines[15].substr(0, 6), "Normal");
    EXPECT_EQ(lines[22], "Normal" + sp(10) + "25");
    EXPECT_EQ(lines[23], "Low" + sp(15) + "20" + sp(26) + "-1.22474" + sp(37) + "TOLERANTE");
    EXPECT_EQ(lines[24],
              "High" + sp(15) + "30 °C, horno 2" + sp(26) + "3.67423" + sp(37) + "NO TOLERANTE");
}

} // namespace
} // namespace robustez
