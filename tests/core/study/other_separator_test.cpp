#include "core/study/other_separator.h"

#include "core/study/study_fixtures.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace robustez {
namespace {

using testing::studyWithValues;

TEST(OtherSeparator, EveryRefusedValueConvertsWithTheOtherOne) {
    // The expected answers follow from the decimal grammar: digits with one
    // separator of the locale, an optional exponent, spaces around.
    struct Case {
        std::vector<std::string> values;
        std::string separator;
        bool expected;
    };
    const Case cases[] = {
        {{"100.10", "99.5", "100"}, ",", true},  // points under a comma
        {{"100,10", "99,5", "100"}, ".", true},  // commas under a point
        {{"100,10"}, "", true},                  // an empty separator reads as "."
        {{"100.10", "99.5", "100"}, ".", false}, // every value converts
        {{"100", "99", "101"}, ",", false},      // no separator at all
        {{"100.10", "abc"}, ",", false},         // one refused value stays refused
        {{"1O3", "1.5"}, ",", false},            // nothing to swap in 1O3
        {{"100.10", ""}, ",", true},             // an empty cell is missing, not refused
        {{"", ""}, ",", false},
        {{}, ",", false},
        {{" 1.5E2 ", "-0.25e-3"}, ",", true},
        {{"1.234,5"}, ",", false}, // thousands separators stay refused
        {{"1,0,0"}, ".", false},
        {{"100.10"}, "\xd9\xab", false}, // a separator that is neither
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const std::string& value : c.values) {
            shown += "«" + value + "» ";
        }
        EXPECT_EQ(writtenWithOtherSeparator(c.values, c.separator), c.expected)
            << shown << "with «" << c.separator << "»";
    }
    EXPECT_EQ(otherDecimalSeparator("."), ",");
    EXPECT_EQ(otherDecimalSeparator(","), ".");
    EXPECT_EQ(otherDecimalSeparator("\xd9\xab"), "");
    EXPECT_EQ(withPointAndCommaSwapped("1.234,5"), "1,234.5");
}

TEST(OtherSeparator, StudyCellsTheirConversionAndTheNote) {
    // Settings are free text and never converted; values that already
    // convert stay as they are.
    const StudyRecord points = studyWithValues(
        {"1.0 mL/min", "0.9 mL/min", "1.1 mL/min"},
        {{{"100.10", "100", "99.5"}, {"99", "98.75", "99.25"}, {"101", "102", "1.5E2"}}});
    const std::vector<ValueCell> cells = cellsWithOtherSeparator(points, ",");
    EXPECT_EQ(cells, (std::vector<ValueCell>{{1, 2}, {1, 4}, {2, 3}, {2, 4}, {3, 4}}));
    EXPECT_FALSE(valuesComplete(points, ","));
    const StudyRecord converted = withCellsConverted(points, cells);
    EXPECT_TRUE(valuesComplete(converted, ","));
    EXPECT_EQ(converted.value(1, 1), "100,10");
    EXPECT_EQ(converted.value(1, 2), "100");
    EXPECT_EQ(converted.value(3, 3), "1,5E2");
    EXPECT_EQ(converted.levelSetting(1), "1.0 mL/min");
    EXPECT_TRUE(cellsWithOtherSeparator(converted, ",").empty());
    EXPECT_TRUE(cellsWithOtherSeparator(points, ".").empty());

    const StudyRecord commas = withCellsConverted(points, cells);
    struct Case {
        const StudyRecord* study;
        const char* separator;
        std::string note;
    };
    const StudyRecord mixed = studyWithValues({"", "", ""}, {{{"1.5"}, {"x"}, {"2"}}});
    const Case cases[] = {
        {&points, ",", " (los valores del archivo están escritos con punto decimal)"},
        {&commas, ".", " (los valores del archivo están escritos con coma decimal)"},
        {&points, ".", ""},
        {&commas, ",", ""},
        {&mixed, ",", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(otherSeparatorNote(*c.study, c.separator), c.note) << c.separator;
    }
}

} // namespace
} // namespace robustez
