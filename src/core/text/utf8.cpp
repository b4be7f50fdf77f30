#include "core/text/utf8.h"

namespace robustez {

namespace {

constexpr unsigned char kContinuationMin = 0x80;
constexpr unsigned char kContinuationMax = 0xBF;

// The length of the well-formed sequences a byte starts, and the range its
// second byte must fall in; length 0 for a byte that starts none. The narrow
// ranges after E0, ED, F0 and F4 keep out overlong forms, surrogates and code
// points beyond U+10FFFF.
struct Lead {
    std::size_t length;
    unsigned char secondMin;
    unsigned char secondMax;
};

Lead leadOf(unsigned char byte) {
    if (byte < 0x80) {
        return {1, 0, 0};
    }
    if (byte >= 0xC2 && byte <= 0xDF) {
        return {2, kContinuationMin, kContinuationMax};
    }
    if (byte == 0xE0) {
        return {3, 0xA0, kContinuationMax};
    }
    if (byte == 0xED) {
        return {3, kContinuationMin, 0x9F};
    }
    if (byte >= 0xE1 && byte <= 0xEF) {
        return {3, kContinuationMin, kContinuationMax};
    }
    if (byte == 0xF0) {
        return {4, 0x90, kContinuationMax};
    }
    if (byte == 0xF4) {
        return {4, kContinuationMin, 0x8F};
    }
    if (byte >= 0xF1 && byte <= 0xF3) {
        return {4, kContinuationMin, kContinuationMax};
    }
    return {0, 0, 0};
}

} // namespace

Utf8Step decodeUtf8(std::string_view text) {
    const auto byte = [text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const Lead lead = leadOf(byte(0));
    if (lead.length == 0) {
        return {};
    }
    // The payload bits of the lead byte: 7, 5, 4 or 3 of them.
    char32_t codePoint = byte(0) & (0xFFu >> (lead.length == 1 ? 1 : lead.length + 1));
    for (std::size_t i = 1; i < lead.length; ++i) {
        const unsigned char min = i == 1 ? lead.secondMin : kContinuationMin;
        const unsigned char max = i == 1 ? lead.secondMax : kContinuationMax;
        if (i >= text.size() || byte(i) < min || byte(i) > max) {
            return {kReplacementCharacter, i, false};
        }
        codePoint = (codePoint << 6) | (byte(i) & 0x3Fu);
    }
    return {codePoint, lead.length, true};
}

void appendUtf8(std::string& out, char32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

} // namespace robustez
