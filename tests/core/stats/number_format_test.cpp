#include "core/stats/number_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

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
