#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace robustez {

// The width of a text at the given size, from the advance widths of the
// typeface (metric-compatible Liberation Sans / Arial; kerning ignored),
// for laying texts out without a font at hand.
double estimatedTextWidth(std::string_view utf8, double size, bool bold = false);

// The typeface's ascent and descent per unit of size.
inline constexpr double kFontAscent = 0.905;
inline constexpr double kFontDescent = 0.212;

// The words of a text broken into lines no wider than maxWidth; a word
// wider than that is broken between characters. An empty text is no line.
std::vector<std::string> wrapText(std::string_view utf8, double maxWidth, double size, bool bold);

// The lines a text is printed in when it has `width` across and may take
// `spareLines` more lines below its own (width in the units of `size`, the
// font's em; measured with the typeface's advance widths): the text itself
// when it fits; else its words wrapped onto at most 1 + spareLines lines; and
// what still does not fit cut at the end of the last line, marked with "…".
std::vector<std::string> fitTextLines(std::string_view text, double width, int spareLines,
                                      double size);

} // namespace robustez
