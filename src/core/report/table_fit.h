#pragma once

#include <string_view>
#include <vector>

namespace robustez {

// What one column of a page table needs, in ems at text size 1, padding
// included.
struct ColumnNeeds {
    double least = 0; // its longest word
    double body = 0;  // its longest body cell on one line
    double whole = 0; // its body cells and heading on one line
};

// The width of the widest space-separated word of `text`, in ems at size 1.
double widestWord(std::string_view text, bool bold);

// A table's text size and column widths, fitted within `maxWidth` page units.
struct FittedColumns {
    double size = 0;            // the text size
    std::vector<double> widths; // in page units
};

// The asked text size, smaller (down to leastShrink of it) rather than body
// cells wrapped, and smaller still when the longest words need it. Every
// column gets its longest word; then room for its body on one line; then for
// its heading; and, with shareRest, what is left in equal parts.
FittedColumns fitColumns(const std::vector<ColumnNeeds>& needs, double size, double maxWidth,
                         double leastShrink, bool shareRest);

} // namespace robustez
