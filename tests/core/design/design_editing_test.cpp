#include "core/design/design_editing.h"

#include "core/design/designs.h"
#include "core/study/errors.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace robustez::design {
namespace {

TEST(DesignEditing, SettingsAreKeptWithAPointAndShownInTheLocalesNotation) {
    struct Case {
        std::string typed, separator, kept;
    };
    const std::vector<Case> cases = {
        {"25,5", ",", "25.5"},   {"-1,5e3", ",", "-1.5e3"},
        {"25", ",", "25"},       {"lote B", ",", "lote B"},
        {"1,2,3", ",", "1,2,3"}, {"25.5", ".", "25.5"},
        {"", ",", ""},           {"2.5", ",", "2.5"}, // not a number under ","
    };
    for (const Case& c : cases) {
        EXPECT_EQ(keptSetting(c.typed, c.separator), c.kept) << c.typed;
    }
    EXPECT_EQ(shownSetting("25.5", ","), "25,5");
    EXPECT_EQ(shownSetting("lote 2.1", ","), "lote 2.1");
    EXPECT_EQ(shownSetting("25.5", "."), "25.5");
}

DesignStudy screen(const std::string& design, int factors, int nominal, std::uint64_t seed) {
    DesignStudy study;
    for (int f = 0; f < factors; ++f) {
        std::string name = "F";
        name += std::to_string(f);
        study.factors.push_back({name, "", "1", "2", "3"});
    }
    study.responses = {{"Contenido", "%"}, {"Resolución", ""}};
    study.design = design;
    study.nominalRuns = nominal;
    study.seed = seed;
    layOutStudy(study);
    // Every run measured: a value that names its run, and one missing.
    for (std::size_t r = 0; r < study.runs.size(); ++r) {
        study.runs[r].values = {double(r + 1), std::nullopt};
    }
    return study;
}

// Which runs are the same experiment after a change, and how many values are
// left without a run. The expected counts follow from the designs: a design
// run survives where the same factor settings occur, nominal runs by number.
TEST(DesignEditing, ValuesFollowTheRunsThatSurviveAChange) {
    struct Case {
        const char* what;
        DesignStudy before, after;
        int survivingDesignRuns, survivingNominalRuns;
    };
    const std::vector<Case> cases = {
        {"another seed", screen("PB12", 5, 3, 1), screen("PB12", 5, 3, 99), 12, 3},
        {"standard order", screen("PB12", 5, 3, 1),
         [] {
             DesignStudy s = screen("PB12", 5, 3, 1);
             s.randomOrder = false;
             layOutStudy(s);
             return s;
         }(),
         12, 3},
        {"fewer nominal runs", screen("PB8", 3, 3, 5), screen("PB8", 3, 1, 5), 8, 1},
        {"more nominal runs", screen("PB8", 3, 1, 5), screen("PB8", 3, 4, 5), 8, 1},
        // Any three columns of PB8 hold the eight settings of 2^3 once.
        {"PB8 to 2^3", screen("PB8", 3, 2, 5), screen("2^3", 3, 2, 7), 8, 2},
        // A factor more: the runs measured never set it.
        {"a factor more", screen("PB8", 3, 2, 5), screen("PB8", 4, 2, 5), 0, 2},
        {"a factor less", screen("PB8", 3, 2, 5), screen("PB8", 2, 2, 5), 0, 2},
        // Two factors in PB8: each of the four settings twice, paired in order.
        {"two factors, new seed", screen("PB8", 2, 0, 5), screen("PB8", 2, 0, 6), 8, 0},
    };
    for (const Case& c : cases) {
        const std::vector<int> origin = survivingRuns(c.before, c.after);
        ASSERT_EQ(origin.size(), c.after.runs.size()) << c.what;
        int design = 0;
        int nominal = 0;
        std::set<int> used;
        for (std::size_t r = 0; r < origin.size(); ++r) {
            if (origin[r] < 0) {
                continue;
            }
            EXPECT_TRUE(used.insert(origin[r]).second) << c.what << ": a run used twice";
            const DesignRun& was = c.before.runs[std::size_t(origin[r])];
            const DesignRun& is = c.after.runs[r];
            EXPECT_EQ(was.type, is.type) << c.what;
            if (is.type == RunType::Nominal) {
                EXPECT_EQ(was.standardIndex, is.standardIndex) << c.what;
                ++nominal;
            } else {
                ++design;
                EXPECT_EQ(factorCodes(c.before, was), factorCodes(c.after, is)) << c.what;
                if (c.before.design == c.after.design) {
                    EXPECT_EQ(was.standardIndex, is.standardIndex) << c.what;
                }
            }
        }
        EXPECT_EQ(design, c.survivingDesignRuns) << c.what;
        EXPECT_EQ(nominal, c.survivingNominalRuns) << c.what;

        DesignStudy after = c.after;
        const int dropped = carryValues(c.before, after);
        EXPECT_EQ(dropped, int(c.before.runs.size()) - design - nominal) << c.what;
        for (std::size_t r = 0; r < origin.size(); ++r) {
            ASSERT_EQ(after.runs[r].values.size(), 2U);
            EXPECT_EQ(after.runs[r].values[0],
                      origin[r] < 0 ? std::nullopt : std::optional<double>(origin[r] + 1))
                << c.what;
            EXPECT_FALSE(after.runs[r].values[1]);
        }
    }
}

TEST(DesignEditing, APastedBlockIsPlacedAndCheckedCellByCell) {
    // 4 runs, 2 responses, the block from run 2, response 1; a decimal comma.
    const PastedResponses good = readPastedResponses("1,5\t2\r\n\t-3e2\t\n", 1, 0, 4, 2, ",");
    ASSERT_EQ(good.cells.size(), 3U);
    EXPECT_TRUE(good.refused.empty());
    const std::vector<std::tuple<std::size_t, std::size_t, std::string>> expected = {
        {1, 0, "1,5"}, {1, 1, "2"}, {2, 1, "-3e2"}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(good.cells[i].run, std::get<0>(expected[i]));
        EXPECT_EQ(good.cells[i].response, std::get<1>(expected[i]));
        EXPECT_EQ(good.cells[i].text, std::get<2>(expected[i]));
    }

    const PastedResponses points = readPastedResponses("1.5\n2.25\n", 0, 1, 4, 2, ",");
    EXPECT_EQ(points.refused.size(), 2U);
    EXPECT_TRUE(points.convertible);
    const PastedResponses words = readPastedResponses("1.5\nabc\n", 0, 1, 4, 2, ",");
    EXPECT_FALSE(words.convertible);
    DesignStudy study;
    study.responses = {{"Contenido", "%"}, {"Resolución", ""}};
    EXPECT_EQ(refusedResponseMessage(study, words.refused.back()),
              "Algún dato pegado no es un valor numérico: Resolución, corrida 2: «abc».");

    EXPECT_TRUE(readPastedResponses("\n\t\n", 0, 0, 4, 2, ",").cells.empty());
    try {
        readPastedResponses("1\t2\n3\t4\n", 3, 1, 4, 2, ",");
        FAIL() << "a block too large was taken";
    } catch (const RobustezError& error) {
        EXPECT_STREQ(error.what(), "El bloque pegado no cabe en la tabla a partir de la celda "
                                   "seleccionada.\nEl bloque tiene 2 filas y 2 columnas; desde la "
                                   "celda actual caben 1 fila y 1 columna.");
    }
}

} // namespace
} // namespace robustez::design
