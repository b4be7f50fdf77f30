#include "core/report/json.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

namespace robustez::json {
namespace {

std::string asJsonString(std::string_view text) {
    std::string out;
    appendString(out, text);
    return out;
}

std::string number(double value) {
    std::string out;
    appendNumber(out, value);
    return out;
}

TEST(Json, StringsAreEscapedAndMadeValidUtf8) {
    EXPECT_EQ(asJsonString("a\"b\\c/d"), R"("a\"b\\c/d")");
    EXPECT_EQ(asJsonString(std::string("\b\f\n\r\t\x01\x1F\x7F", 8)), R"("\b\f\n\r\t\u0001\u001f)"
                                                                      "\x7F\"");
    EXPECT_EQ(asJsonString(std::string("a\0b", 3)), R"("a\u0000b")");
    EXPECT_EQ(asJsonString("Valoración 25 °C"), "\"Valoración 25 °C\"");

    // Ill-formed sequences and the U+FFFD each gets, by the maximal subparts
    // of Unicode 15, section 3.9 (Table 3-8 and the examples around it).
    const std::string r = "\xEF\xBF\xBD";
    const struct {
        std::string in, out;
    } cases[] = {
        {"\xFF", r},
        {"caf\xE9.w1o", "caf" + r + ".w1o"}, // Latin-1 é
        {"a\xC3", "a" + r},                  // cut short at the end
        {"\xE2\x82x", r + "x"},              // one U+FFFD for E2 82
        {"\xF0\x9F\x98", r},                 // one for F0 9F 98
        {"\xED\xA0\x80", r + r + r},         // a surrogate: ED then two stray bytes
        {"\xC0\xAF", r + r},                 // overlong: C0 never starts a sequence
        {"\xF4\x90\x80\x80", r + r + r + r}, // beyond U+10FFFF
        {"\x80\xBF", r + r},
        {"\xF0\x9F\x98\x80 \xE2\x82\xAC \xC3\xB1", "\xF0\x9F\x98\x80 \xE2\x82\xAC \xC3\xB1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(validUtf8(c.in), c.out) << c.in;
        EXPECT_EQ(asJsonString(c.in), '"' + c.out + '"');
    }
}

TEST(Json, NumbersAreTheShortestThatReadBackExactly) {
    // Expected forms: the shortest round-trip representations (the digits
    // Python's repr gives for the same doubles, exponent style aside).
    EXPECT_EQ(number(101), "101");
    EXPECT_EQ(number(0.1), "0.1");
    EXPECT_EQ(number(-1.2247448713915890), "-1.224744871391589");
    EXPECT_EQ(number(1.0 / 3), "0.3333333333333333");
    EXPECT_EQ(number(1e-5), "1e-05");
    EXPECT_EQ(number(5e-324), "5e-324");
    EXPECT_EQ(number(-0.0), "-0");
    EXPECT_EQ(number(NAN), "null");
    EXPECT_EQ(number(-INFINITY), "null");

    const std::regex grammar(R"(-?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?)");
    for (const double value :
         {0.1, 2.0 / 3, 101.66666666666667, 1e21, 1.7976931348623157e308, 2.2250738585072014e-308,
          4.9406564584124654e-324, 123456.789e-12, -98765.4321, 0.9900990099009901}) {
        const std::string text = number(value);
        EXPECT_TRUE(std::regex_match(text, grammar)) << text;
        const double back = std::strtod(text.c_str(), nullptr);
        EXPECT_EQ(std::memcmp(&back, &value, sizeof value), 0) << text;
        // One digit fewer no longer reads back (shortest form).
        const std::string mantissa = text.substr(0, text.find_first_of("eE"));
        const std::string digits = std::regex_replace(mantissa, std::regex("^[-0.]+|\\."), "");
        if (digits.size() > 1) {
            char shorter[40];
            std::snprintf(shorter, sizeof shorter, "%.*e", static_cast<int>(digits.size()) - 2,
                          value);
            EXPECT_NE(std::strtod(shorter, nullptr), value) << text;
        }
    }
}

TEST(Json, ValuesKeepTheirOrderAndNesting) {
    const Value value = Object{
        {"z", 1},
        {"a", Array{nullptr, true, false, "x", 2.5, Object{}}},
        {"m", numberOrNull(std::nullopt)},
        {"k\"", numberOrNull(-3.0)},
        {"e", Array{}},
    };
    EXPECT_EQ(toJson(value),
              R"({"z":1,"a":[null,true,false,"x",2.5,{}],"m":null,"k\"":-3,"e":[]})");
}

// The writer gives the bytes of the tree of the same values: commas after
// empty and nested objects and arrays, keys escaped, optional values null.
TEST(Json, TheWriterWritesWhatTheTreeWould) {
    std::string out = "x";
    Writer w(out);
    w.beginObject();
    w.key("z");
    w.integer(1);
    w.key("a");
    w.beginArray();
    w.null();
    w.boolean(true);
    w.boolean(false);
    w.string("x");
    w.number(2.5);
    w.beginObject();
    w.endObject();
    w.beginArray();
    w.endArray();
    w.integer(-9007199254740993LL);
    w.endArray();
    w.key("m");
    w.number(std::optional<double>());
    w.quotedKey(quotedKey("k\""));
    w.number(std::optional<double>(-3.0));
    w.key("s\n");
    w.stringOrNull(std::nullopt);
    w.key("t");
    w.stringOrNull(std::string("caf\xE9"));
    w.key("e");
    w.beginArray();
    w.endArray();
    w.endObject();
    const Value tree = Object{
        {"z", 1},
        {"a", Array{nullptr, true, false, "x", 2.5, Object{}, Array{}, -9007199254740993LL}},
        {"m", numberOrNull(std::nullopt)},
        {"k\"", numberOrNull(-3.0)},
        {"s\n", nullptr},
        {"t", "caf\xE9"},
        {"e", Array{}},
    };
    // Appended after what the string held.
    ASSERT_EQ(out.substr(0, 1), "x");
    out.erase(0, 1);
    EXPECT_EQ(out, toJson(tree));
    EXPECT_EQ(out, R"({"z":1,"a":[null,true,false,"x",2.5,{},[],-9007199254740993],"m":null,)"
                   R"("k\"":-3,"s\n":null,"t":")"
                   "caf\xEF\xBF\xBD"
                   R"(","e":[]})");
}

// Numbers written through the kept texts read as appendNumber writes them,
// whether kept, replaced by another of the same slot, or never kept.
TEST(Json, KeptNumberTextsAreTheNumbers) {
    NumberTexts texts;
    std::vector<double> values = {
        0.05, -0.0, 0.0, NAN, INFINITY, 5e-324, 2.4469118511449666, -2.2250738585072014e-308,
        1e21, 1e-7};
    for (int i = 0; i < 3000; ++i) {
        values.push_back(std::ldexp(1.0 + i * 0.000123, i % 2100 - 1075));
        values.push_back(values[static_cast<std::size_t>(i * 7) % values.size()]);
    }
    std::string kept;
    std::string plain;
    for (const double value : values) {
        texts.append(kept, value);
        appendNumber(plain, value);
        kept += ',';
        plain += ',';
    }
    EXPECT_EQ(kept, plain);
}

// The digits are those of std::to_chars (the standard library's Ryu, another
// algorithm): random bit patterns, the neighbours of powers of two and ten,
// subnormals, numbers with few decimals, integers beyond 2^53 written in full.
TEST(Json, NumbersAreThoseOfToChars) {
    std::vector<double> values = {0.0,
                                  -0.0,
                                  5e-324,
                                  1e-323,
                                  8e-323,
                                  2.2250738585072014e-308,
                                  1.7976931348623157e308,
                                  1e21,
                                  1e22,
                                  1e23,
                                  9007199254740993.0,
                                  36028797018963968.0,
                                  123456789012345678.0,
                                  1e-5,
                                  1e-4,
                                  0.001};
    for (int e = -1075; e < 1024; ++e) {
        const double power = std::ldexp(1.0, e);
        values.insert(values.end(),
                      {power, std::nextafter(power, 0.0), std::nextafter(power, INFINITY)});
    }
    for (int e = -323; e < 309; ++e) {
        const double power = std::strtod(("1e" + std::to_string(e)).c_str(), nullptr);
        values.insert(values.end(), {power, 3 * power, std::nextafter(power, 0.0),
                                     std::nextafter(power, INFINITY)});
    }
    std::uint64_t state = 20261208;
    for (int i = 0; i < 200000; ++i) {
        // SplitMix64.
        state += 0x9E3779B97F4A7C15ULL;
        std::uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        z ^= z >> 31;
        double random = 0;
        std::memcpy(&random, &z, sizeof random);
        values.push_back(random);
        values.push_back(static_cast<double>(z % 100000000) / std::pow(10.0, z % 13));
        values.push_back(std::ldexp(static_cast<double>(z >> 11), static_cast<int>(z % 24)));
        values.push_back(static_cast<double>(z >> 40) * 1e-320);
    }
    for (const double value : values) {
        if (!std::isfinite(value)) {
            continue;
        }
        char buffer[64];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        ASSERT_EQ(number(value), std::string(buffer, result.ptr)) << value;
    }
}

} // namespace
} // namespace robustez::json
