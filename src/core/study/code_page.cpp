#include "core/study/code_page.h"

#include "core/text/utf8.h"

#include <array>
#include <cstddef>

namespace robustez {

namespace {

// Code points of the bytes 0x80..0x9F in Windows-1252. The five bytes the
// code page leaves undefined map to the C1 control of the same number, so
// that every byte survives a round trip through UTF-8.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// CR ends a line of a study file and 0x1A ends the file.
constexpr char32_t kCarriageReturn = U'\r';
constexpr char32_t kEndOfFile = U'\x1a';

char32_t byteToCodePoint(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) {
        return kHighControls[byte - 0x80];
    }
    return byte;
}

// The Windows-1252 byte of a code point, or -1 when the code page has none.
int codePointToByte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        return static_cast<int>(cp);
    }
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == cp) {
            return static_cast<int>(0x80 + i);
        }
    }
    return -1;
}

} // namespace

std::string cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        appendUtf8(out, byteToCodePoint(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string utf8ToCp1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const Utf8Step step = decodeUtf8(text);
        if (!step.wellFormed) {
            out.append(step.length, '?');
        } else {
            const int byte = codePointToByte(step.codePoint);
            out += byte < 0 ? '?' : static_cast<char>(byte);
        }
        text.remove_prefix(step.length);
    }
    return out;
}

bool fitsCp1252(std::string_view text) {
    while (!text.empty()) {
        const Utf8Step step = decodeUtf8(text);
        if (!step.wellFormed || step.codePoint == kCarriageReturn || step.codePoint == kEndOfFile ||
            codePointToByte(step.codePoint) < 0) {
            return false;
        }
        text.remove_prefix(step.length);
    }
    return true;
}

} // namespace robustez
