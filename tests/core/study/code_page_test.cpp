#include "core/study/code_page.h"

#include <gtest/gtest.h>

#include <string>

namespace robustez {
namespace {

TEST(CodePage, Conversions) {
    // Every byte survives the trip to UTF-8 and back, the five undefined
    // ones included.
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    const std::string utf8 = cp1252ToUtf8(all);
    EXPECT_TRUE(fitsCp1252(utf8.substr(utf8.find(' '))));
    EXPECT_EQ(utf8ToCp1252(utf8), all);

    EXPECT_EQ(cp1252ToUtf8("\x80\x81\x9f\xaa\xb0\xd1\xe9"), "€\u0081Ÿª°Ñé");
    EXPECT_EQ(utf8ToCp1252("Método Ñ ª ° €"), "M\xe9todo \xd1 \xaa \xb0 \x80");
    // Characters outside the code page and malformed UTF-8 become '?'.
    EXPECT_EQ(utf8ToCp1252("a日b"), "a?b");
    EXPECT_EQ(utf8ToCp1252("x\xff\xc3"), "x??");
    EXPECT_EQ(utf8ToCp1252("\xc0\xaf"), "??");      // overlong '/'
    EXPECT_EQ(utf8ToCp1252("\xed\xa0\x80"), "???"); // surrogate
    EXPECT_EQ(utf8ToCp1252("\xe2\x82"), "??");      // truncated €
    EXPECT_EQ(utf8ToCp1252("\u0080"), "?");         // C1 control with no byte
    // One '?' for each malformed byte, also where a sequence cut short is
    // followed by a character: F0 9F 98 is a smiley without its last byte.
    EXPECT_EQ(utf8ToCp1252("\xf0\x9f\x98\xc3\xa9"), "???\xe9");
    EXPECT_EQ(utf8ToCp1252("\xf4\x90\x80\x80z"), "????z"); // beyond U+10FFFF

    EXPECT_TRUE(fitsCp1252("Método Ñ ª ° € “x” —"));
    EXPECT_TRUE(fitsCp1252("a\nb")); // a lone LF survives the file
    EXPECT_TRUE(fitsCp1252(""));
    EXPECT_FALSE(fitsCp1252("日本"));
    EXPECT_FALSE(fitsCp1252("\xff"));
    EXPECT_FALSE(fitsCp1252("a\rb"));  // would end the line
    EXPECT_FALSE(fitsCp1252("a\x1a")); // would end the file
    // Malformed forms of characters the code page holds: an overlong 'A', an
    // overlong é, and é cut short.
    EXPECT_FALSE(fitsCp1252("\xc1\x81"));
    EXPECT_FALSE(fitsCp1252("\xe0\x83\xa9"));
    EXPECT_FALSE(fitsCp1252("caf\xc3"));
}

} // namespace
} // namespace robustez
