#include "core/report/design_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace robustez {
namespace {

// A 2 x 2 screen whose %E overflows: the nominal runs' mean (the base of %E)
// is 1e-300 and A's effect 1e10, so 100 E / base is beyond the largest double.
// An overflowing or undefined number is "—", never a number it is not (the
// report tool used to write "0" for this %E).
TEST(DesignTable, UndefinedAndOverflowingNumbersAreDashes) {
    design::DesignStudy study;
    study.columns = {{"A", 0}, {"B", 1}};
    design::AnalysisInput input;
    input.response = "Y";
    input.matrix = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
    input.names = {"A", "B"};
    input.dummy = {false, false};
    input.settings = {std::nullopt, std::nullopt};
    input.design = {0, 1e10, 0, 1e10};
    input.nominal = {1e-300, 1e-300};
    input.delta = 1;
    const design::ResponseAnalysis a = design::analyseResponse(input);
    const DesignEffectsTable table = designEffectsTable(study, a, ".");

    struct Cell {
        std::size_t row;
        std::size_t column;
        const char* text;
    };
    // E by hand: mean(1e10, 1e10) - mean(0, 0); B's effect 0, its %E 0.
    const Cell cells[] = {
        {0, 0, "A"}, {0, 1, "1E10"}, {0, 2, "—"}, {0, 3, "—"},
        {0, 4, "—"}, {1, 1, "0"},    {1, 2, "0"},
    };
    ASSERT_EQ(table.rows.size(), 2u);
    for (const Cell& c : cells) {
        EXPECT_EQ(table.rows[c.row][c.column], c.text) << c.row << ", " << c.column;
    }
    EXPECT_EQ(table.header.back(), "Equivalencia");
    EXPECT_EQ(designEffectsTable(study, a, ".", EquivalenceColumn::Never).header.back(),
              "Veredicto");
}

} // namespace
} // namespace robustez
