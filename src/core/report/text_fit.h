#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace robustez {

// The lines a text is printed in when it has `width` across and may take
// `spareLines` more lines below its own (width in the units of `size`, the
// font's em; measured with the typeface's advance widths): the text itself
// when it fits; else its words wrapped onto at most 1 + spareLines lines; and
// what still does not fit cut at the end of the last line, marked with "…".
std::vector<std::string> fitTextLines(std::string_view text, double width, int spareLines,
                                      double size);

} // namespace robustez
