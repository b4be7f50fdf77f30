#include "core/study/conversions.h"
#include "core/study/errors.h"

#include <gtest/gtest.h>

#include <string>

using namespace robustez;

namespace {

std::string integerError(std::string_view text) {
    try {
        toInteger(text);
    } catch (const ConversionError& e) {
        return e.what();
    }
    return "no error";
}

std::string decimalError(std::string_view text, std::string_view separator) {
    try {
        toDecimal(text, separator);
    } catch (const ConversionError& e) {
        return e.what();
    }
    return "no error";
}

} // namespace

TEST(IntegerConversion, AcceptsLeadingSpacesSignAndDigits) {
    EXPECT_EQ(toInteger("3"), 3);
    EXPECT_EQ(toInteger("10"), 10);
    EXPECT_EQ(toInteger("  7"), 7);
    EXPECT_EQ(toInteger("+4"), 4);
    EXPECT_EQ(toInteger("-3"), -3);
    EXPECT_EQ(toInteger("03"), 3);
    EXPECT_EQ(toInteger("-0"), 0);
    EXPECT_EQ(toInteger("2147483647"), 2147483647);
    EXPECT_EQ(toInteger("-2147483648"), -2147483647 - 1);
}

TEST(IntegerConversion, RefusesEverythingElseWithTheExactMessage) {
    EXPECT_EQ(integerError(""), "'' is not a valid integer value");
    EXPECT_EQ(integerError("a"), "'a' is not a valid integer value");
    for (const char* text : {" ", "-", "+", "3 ", "3.0", "1e1", "0x10", "$10", "2147483648",
                             "-2147483649", "99999999999999999999999", "1 2", "\t3", "３"}) {
        int value = 42;
        EXPECT_FALSE(tryToInteger(text, value)) << text;
        EXPECT_EQ(value, 42) << text;
        EXPECT_EQ(integerError(text), integerErrorMessage(text));
        EXPECT_EQ(integerErrorMessage(text).substr(0, std::string_view(text).size() + 2),
                  std::string("'").append(text).append("'"));
    }
}

TEST(DecimalConversion, AcceptsTheLocaleNotation) {
    EXPECT_DOUBLE_EQ(toDecimal("99.80", "."), 99.8);
    EXPECT_DOUBLE_EQ(toDecimal("  -1.5  ", "."), -1.5);
    EXPECT_DOUBLE_EQ(toDecimal("+2", "."), 2.0);
    EXPECT_DOUBLE_EQ(toDecimal(".5", "."), 0.5);
    EXPECT_DOUBLE_EQ(toDecimal("5.", "."), 5.0);
    EXPECT_DOUBLE_EQ(toDecimal("1.5E2", "."), 150.0);
    EXPECT_DOUBLE_EQ(toDecimal("1.5e-2", "."), 0.015);
    EXPECT_DOUBLE_EQ(toDecimal("2E+3", "."), 2000.0);
    EXPECT_EQ(toDecimal("0.1", "."), 0.1); // nearest double, not an approximation of it
    EXPECT_EQ(toDecimal("1e-400", "."), 0.0);
    EXPECT_EQ(toDecimal("-1E-400", ","), 0.0);
    EXPECT_EQ(toDecimal(" +0,5E-1 ", ","), 0.05);
    EXPECT_EQ(toDecimal("+7", ","), 7.0);
    EXPECT_EQ(toDecimal("4.9e-324", "."), 4.9e-324);
    EXPECT_EQ(toDecimal("1.7976931348623157e308", "."), 1.7976931348623157e308);
    EXPECT_EQ(toDecimal(std::string(5000, '1') + "e-4990", "."), 1.1111111111111111e9);
}

TEST(DecimalConversion, CommaLocaleAcceptsCommaAndRefusesPoint) {
    EXPECT_DOUBLE_EQ(toDecimal("99,5", ","), 99.5);
    EXPECT_DOUBLE_EQ(toDecimal("1,5E2", ","), 150.0);
    EXPECT_EQ(decimalError("99.5", ","), "'99.5' is not a valid floating point value");
    EXPECT_EQ(decimalError("1,000,5", ","), "'1,000,5' is not a valid floating point value");
    EXPECT_EQ(decimalError("99,5", "."), "'99,5' is not a valid floating point value");
}

TEST(DecimalConversion, RefusesEverythingElseWithTheExactMessage) {
    EXPECT_EQ(decimalError("", "."), "'' is not a valid floating point value");
    for (const char* text : {" ",     ".",      "-",     "+.",      "1.2.3",
                             "abc",   "1e",     "1e+",   "e5",      "1,000.5",
                             "1 000", "0x1A",   "inf",   "nan",     "1.5f",
                             "--1",   "+-1",    "1e5.5", "\t1",     "1\n",
                             "1e309", "-1e309", "1E400", "1.8e308", "12345678901234567890e300"}) {
        double value = 42;
        EXPECT_FALSE(tryToDecimal(text, ".", value)) << text;
        EXPECT_EQ(value, 42) << text;
        EXPECT_EQ(decimalError(text, "."), decimalErrorMessage(text));
    }
    // A very long or strange text is refused, never a crash.
    EXPECT_THROW(toDecimal(std::string(1 << 20, '9') + "x", "."), ConversionError);
    EXPECT_THROW(toDecimal(std::string(1 << 20, '9'), "."), ConversionError); // out of range
    EXPECT_THROW(toDecimal(std::string("1\0", 2), "."), ConversionError);
}
