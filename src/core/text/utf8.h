#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace robustez {

inline constexpr char32_t kReplacementCharacter = U'\uFFFD';

// One step through UTF-8 text: the character at its start and the bytes it
// takes. An ill-formed sequence (a stray continuation byte, a byte that never
// starts a sequence, an overlong form, a surrogate, a code point beyond
// U+10FFFF, a sequence cut short) reads as U+FFFD and takes its maximal
// subpart, as Unicode recommends: the longest start of a well-formed sequence
// found there, or else one byte.
struct Utf8Step {
    char32_t codePoint = kReplacementCharacter;
    std::size_t length = 1;
    bool wellFormed = false;
};

// The step at the start of `text`, which must not be empty.
Utf8Step decodeUtf8(std::string_view text);

// Appends the UTF-8 form of a code point (at most U+10FFFF, no surrogate).
void appendUtf8(std::string& out, char32_t codePoint);

} // namespace robustez
