#include "core/text/utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace robustez {
namespace {

// The text decoded step by step: each step's code point, and its length.
struct Steps {
    std::vector<char32_t> codePoints;
    std::vector<std::size_t> lengths;
};

Steps decodeAll(std::string_view text) {
    Steps steps;
    while (!text.empty()) {
        const Utf8Step step = decodeUtf8(text);
        if (!step.wellFormed) {
            EXPECT_EQ(step.codePoint, kReplacementCharacter);
        }
        steps.codePoints.push_back(step.codePoint);
        steps.lengths.push_back(step.length);
        text.remove_prefix(step.length);
    }
    return steps;
}

using Lengths = std::vector<std::size_t>;

TEST(Utf8, WellFormedSequencesAtTheEdgesOfTheirRanges) {
    const struct {
        std::string bytes;
        char32_t codePoint;
    } cases[] = {
        {std::string(1, '\0'), 0},
        {"\x7F", 0x7F},
        {"\xC2\x80", 0x80},
        {"\xDF\xBF", 0x7FF},
        {"\xE0\xA0\x80", 0x800},
        {"\xED\x9F\xBF", 0xD7FF},
        {"\xEE\x80\x80", 0xE000},
        {"\xEF\xBF\xBD", 0xFFFD},
        {"\xEF\xBF\xBF", 0xFFFF},
        {"\xF0\x90\x80\x80", 0x10000},
        {"\xF4\x8F\xBF\xBF", 0x10FFFF},
    };
    for (const auto& c : cases) {
        const Utf8Step step = decodeUtf8(c.bytes + "x");
        EXPECT_TRUE(step.wellFormed) << std::hex << static_cast<unsigned long>(c.codePoint);
        EXPECT_EQ(step.codePoint, c.codePoint);
        EXPECT_EQ(step.length, c.bytes.size());
        std::string encoded;
        appendUtf8(encoded, c.codePoint);
        EXPECT_EQ(encoded, c.bytes);
    }
}

TEST(Utf8, IllFormedSequencesTakeTheirMaximalSubpart) {
    const char32_t r = kReplacementCharacter;
    // Stray continuation bytes, and bytes that never start a sequence (C0 and
    // C1 could only start overlong forms, F5..FF only code points past
    // U+10FFFF): one byte each.
    EXPECT_EQ(decodeAll("\x80\xBF").lengths, (Lengths{1, 1}));
    EXPECT_EQ(decodeAll("\xC0\xAF").lengths, (Lengths{1, 1}));
    EXPECT_EQ(decodeAll("\xC1\xBF").lengths, (Lengths{1, 1}));
    EXPECT_EQ(decodeAll("\xF5\x80\x80\x80").lengths, (Lengths{1, 1, 1, 1}));
    EXPECT_EQ(decodeAll("\xFF").codePoints, (std::vector<char32_t>{r}));
    // Overlong three- and four-byte forms, surrogates and code points past
    // U+10FFFF fail at their second byte: the lead byte alone is the subpart.
    EXPECT_EQ(decodeAll("\xE0\x80\xAF").lengths, (Lengths{1, 1, 1}));
    EXPECT_EQ(decodeAll("\xE0\x9F\xBF").lengths, (Lengths{1, 1, 1}));
    EXPECT_EQ(decodeAll("\xF0\x8F\xBF\xBF").lengths, (Lengths{1, 1, 1, 1}));
    EXPECT_EQ(decodeAll("\xED\xA0\x80").lengths, (Lengths{1, 1, 1}));
    EXPECT_EQ(decodeAll("\xED\xBF\xBF").lengths, (Lengths{1, 1, 1}));
    EXPECT_EQ(decodeAll("\xF4\x90\x80\x80").lengths, (Lengths{1, 1, 1, 1}));
    // Sequences cut short, by the end of the text or by a byte that cannot
    // continue them: everything up to the cut is one subpart.
    EXPECT_EQ(decodeAll("\xC3").lengths, (Lengths{1}));
    EXPECT_EQ(decodeAll("\xE2\x82").lengths, (Lengths{2}));
    EXPECT_EQ(decodeAll("\xF0\x9F\x98").lengths, (Lengths{3}));
    EXPECT_EQ(decodeAll("\xF1\x80"
                        "A")
                  .lengths,
              (Lengths{2, 1}));
    EXPECT_EQ(decodeAll("\xE2\x82\xE2\x82\xAC").codePoints, (std::vector<char32_t>{r, 0x20AC}));

    // The example of the Unicode Standard, section 3.9: 61 F1 80 80 E1 80 C2
    // 62 80 63 80 BF 64 reads as a, three U+FFFD, b, U+FFFD, c, two U+FFFD, d.
    const Steps example = decodeAll("\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64");
    EXPECT_EQ(example.codePoints,
              (std::vector<char32_t>{U'a', r, r, r, U'b', r, U'c', r, r, U'd'}));
    EXPECT_EQ(example.lengths, (Lengths{1, 3, 2, 1, 1, 1, 1, 1, 1, 1}));
}

} // namespace
} // namespace robustez
