#include "core/stats/number_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

using namespace robustez;

TEST(ResultNumberFormat, WorkedExamples) {
    EXPECT_EQ(formatResult(101.33333, "."), "101.333");
    EXPECT_EQ(formatResult(-1.2247449, "."), "-1.22474");
    EXPECT_EQ(formatResult(100, "."), "100");
    EXPECT_EQ(formatResult(0.0001, "."), "0.0001");
    EXPECT_EQ(formatResult(0.00001234, "."), "1.234E-5");
    EXPECT_EQ(formatResult(1234567, "."), "1.23457E6");
    EXPECT_EQ(formatResult(0, "."), "0");
    EXPECT_EQ(formatResult(-0.0, "."), "0");
    EXPECT_EQ(formatResult(123.4, "."), "123.4");
    EXPECT_EQ(formatResult(0.5, "."), "0.5");
    EXPECT_EQ(formatResult(0.00012, "."), "0.00012");
    EXPECT_EQ(formatResult(1, "."), "1");
    EXPECT_EQ(formatResult(3.6742346141747673, "."), "3.67423");
    EXPECT_EQ(formatResult(0.99009900990099, "."), "0.990099");
    EXPECT_EQ(formatResult(101.66666666666667, "."), "101.667");
    EXPECT_EQ(formatResult(2.5e-5, "."), "2.5E-5");
}

TEST(ResultNumberFormat, FixedAndScientificBoundaries) {
    EXPECT_EQ(formatResult(999999, "."), "999999");
    EXPECT_EQ(formatResult(1000000, "."), "1E6");
    EXPECT_EQ(formatResult(123456, "."), "123456");
    EXPECT_EQ(formatResult(100000, "."), "100000");
    EXPECT_EQ(formatResult(0.001, "."), "0.001");
    EXPECT_EQ(formatResult(0.000999999, "."), "0.000999999");
    EXPECT_EQ(formatResult(0.0001, "."), "0.0001");
    EXPECT_EQ(formatResult(0.0000999, "."), "9.99E-5");
    EXPECT_EQ(formatResult(-12345678, "."), "-1.23457E7");
    EXPECT_EQ(formatResult(1e100, "."), "1E100");
    EXPECT_EQ(formatResult(-2.5e-300, "."), "-2.5E-300");
    EXPECT_EQ(formatResult(std::numeric_limits<double>::max(), "."), "1.79769E308");
    EXPECT_EQ(formatResult(std::numeric_limits<double>::denorm_min(), "."), "4.94066E-324");
}

TEST(ResultNumberFormat, RoundsHalfAwayFromZeroOnTheExactBinaryValue) {
    // 999999.5 is exact in binary: a tie, rounded up, carrying into a new digit.
    EXPECT_EQ(formatResult(999999.5, "."), "1E6");
    EXPECT_EQ(formatResult(-999999.5, "."), "-1E6");
    EXPECT_EQ(formatResult(100000.5, "."), "100001");
    EXPECT_EQ(formatResult(100002.5, "."), "100003");
    EXPECT_EQ(formatResult(0.0009999995, "."), "0.001");
    EXPECT_EQ(formatResult(99999.95, "."), "99999.9"); // binary value lies below the tie
    EXPECT_EQ(formatResult(1.0000005, "."), "1");
    EXPECT_EQ(formatResult(1234.125, "."), "1234.13"); // exact tie
    EXPECT_EQ(formatResult(-1234.125, "."), "-1234.13");
    EXPECT_EQ(formatResult(0.1234565, "."), "0.123456"); // binary value lies below the tie
    EXPECT_EQ(formatResult(9.9999995, "."), "10");       // carries into a new digit
}

TEST(ResultNumberFormat, UsesTheLocaleSeparator) {
    EXPECT_EQ(formatResult(101.33333, ","), "101,333");
    EXPECT_EQ(formatResult(0.00001234, ","), "1,234E-5");
    EXPECT_EQ(formatResult(100, ","), "100");
    EXPECT_EQ(formatResult(0.5, ","), "0,5");
}

TEST(ResultNumberFormat, NeverWritesInfinityOrNan) {
    EXPECT_EQ(formatResult(std::numeric_limits<double>::infinity(), "."), "0");
    EXPECT_EQ(formatResult(std::nan(""), "."), "0");
}

// Means and differences of measured values: the expected texts were rounded
// by hand from the exact binary value of each double (Python's
// fractions.Fraction(x) * 10**k, then half away from zero).
TEST(MeasuredNumberFormat, FixedWithOneDecimalMoreThanTheDataWhenThatShowsMore) {
    struct Case {
        double value;
        std::optional<int> dataDecimals;
        const char* separator;
        const char* expected;
    };
    const Case cases[] = {
        // Means of data such as 1308564.2: nine digits instead of 1.30857E6.
        {1308570.4333333333, 1, ".", "1308570.43"},
        {-1308568.6666666667, 1, ".", "-1308568.67"},
        {1308570.4333333333, 1, ",", "1308570,43"},
        {1308570.4333333333, std::nullopt, ".", "1.30857E6"}, // typed with an exponent
        {11.8, 1, ".", "11.80"},
        // Whole-number data: one decimal, the trailing zero counted.
        {101, 0, ".", "101.0"},
        {-1, 0, ".", "-1.0"},
        {0, 0, ".", "0.0"},
        {-0.0, 2, ",", "0,000"},
        // Fewer significant digits than six: the result format stays.
        {-0.13333333333333333, 1, ".", "-0.133333"},
        {0.00001, 0, ".", "1E-5"}, // would read 0.0
        {9.96, 0, ".", "9.96"},    // 10.0 shows no more
        // Exact tie 10000.125 rounds away from zero; 100002.665 lies below
        // its tie in binary (…664999999…).
        {10000.125, 1, ".", "10000.13"},
        {100002.665, 1, ".", "100002.66"},
        {100002.675, 1, ".", "100002.68"},
        {99999.96, 0, ".", "100000.0"}, // carries into a new digit
        // At most 15 significant digits: decimals given up first.
        {123456789012.34567, 4, ".", "123456789012.346"},
        {9999999999999.996, 1, ".", "10000000000000.0"},
        {1e16, 0, ".", "1E16"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatMeasured(c.value, c.dataDecimals, c.separator), c.expected)
            << c.value << " with " << c.dataDecimals.value_or(-1) << " decimals";
    }
}

TEST(MeasuredNumberFormat, DecimalsAsTyped) {
    struct Case {
        const char* text;
        const char* separator;
        std::optional<int> expected;
    };
    const Case cases[] = {
        {"100", ".", 0},   {"1308564.2", ".", 1}, {" 100.250 ", ".", 3}, {"-.5", ".", 1},
        {"5.", ".", 0},    {"1,25", ",", 2},      {"1.25", ",", 0},      {"1.5E3", ".", {}},
        {"2e-3", ".", {}}, {"1,5e2", ",", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(typedDecimals(c.text, c.separator), c.expected) << c.text;
    }
}
