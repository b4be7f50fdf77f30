#pragma once

#include <string>
#include <string_view>

namespace robustez {

// Windows-1252, the code page of study files; texts inside the program are
// UTF-8.

// Windows-1252 bytes to UTF-8 text. The five bytes that Windows-1252 leaves
// undefined map to the control characters of the same number.
std::string cp1252ToUtf8(std::string_view bytes);

// UTF-8 text to Windows-1252 bytes; a character the code page cannot hold
// becomes '?', and so does each byte of malformed UTF-8.
std::string utf8ToCp1252(std::string_view text);

// True when every character of the UTF-8 text can be written in Windows-1252
// inside one line of a study file: malformed UTF-8, characters outside the
// code page, CR (which would end the line) and 0x1A (which would end the
// file) cannot.
bool fitsCp1252(std::string_view text);

} // namespace robustez
