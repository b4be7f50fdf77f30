#pragma once

#include "core/study/study_record.h"

#include <string>
#include <string_view>
#include <vector>

namespace robustez {

// Values written under the other decimal separator: a study saved where the
// separator is "." and read where it is "," (or the reverse).

// "," for "." (or an empty separator, which reads as "."), "." for ",";
// empty for any other separator.
std::string_view otherDecimalSeparator(std::string_view separator);

// The text with every '.' made ',' and every ',' made '.'.
std::string withPointAndCommaSwapped(std::string_view text);

// True when some value does not convert with the separator (tryToDecimal)
// and every value that does not convert does once '.' and ',' are swapped in
// it. An empty text is a missing value, written with no separator: it counts
// for neither.
bool writtenWithOtherSeparator(const std::vector<std::string>& values, std::string_view separator);

// A value cell of the study grid.
struct ValueCell {
    int level = 0; // the grid column, 1 to 3
    int row = 0;   // the grid row, 2 onwards

    bool operator==(const ValueCell&) const = default;
};

// The value cells (rows 2 to the grid's last row, levels 1 to 3) that do not
// convert with the separator, when writtenWithOtherSeparator holds for the
// study's values; none otherwise.
std::vector<ValueCell> cellsWithOtherSeparator(const StudyRecord& study,
                                               std::string_view separator);

// The study with '.' and ',' swapped in those cells.
StudyRecord withCellsConverted(StudyRecord study, const std::vector<ValueCell>& cells);

// What a failure of the study gets appended when its values are written
// with the other separator: " (los valores del archivo están escritos con
// punto decimal)" or "... con coma decimal"; empty otherwise.
std::string otherSeparatorNote(const StudyRecord& study, std::string_view separator);

} // namespace robustez
