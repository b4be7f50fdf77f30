#include "core/study/other_separator.h"

#include "core/study/conversions.h"

namespace robustez {

namespace {

bool converts(std::string_view text, std::string_view separator) {
    double value = 0;
    return tryToDecimal(text, separator, value);
}

} // namespace

std::string_view otherDecimalSeparator(std::string_view separator) {
    if (separator.empty() || separator == ".") {
        return ",";
    }
    if (separator == ",") {
        return ".";
    }
    return {};
}

std::string withPointAndCommaSwapped(std::string_view text) {
    std::string swapped(text);
    for (char& c : swapped) {
        if (c == '.') {
            c = ',';
        } else if (c == ',') {
            c = '.';
        }
    }
    return swapped;
}

bool writtenWithOtherSeparator(const std::vector<std::string>& values, std::string_view separator) {
    // Only a separator that is one of the two can take a swapped value.
    if (otherDecimalSeparator(separator).empty()) {
        return false;
    }
    bool someRefused = false;
    for (const std::string& text : values) {
        if (text.empty() || converts(text, separator)) {
            continue;
        }
        if (!converts(withPointAndCommaSwapped(text), separator)) {
            return false;
        }
        someRefused = true;
    }
    return someRefused;
}

std::vector<ValueCell> cellsWithOtherSeparator(const StudyRecord& study,
                                               std::string_view separator) {
    std::vector<std::string> values;
    std::vector<ValueCell> refused;
    for (int level = 1; level <= kLevelCount; ++level) {
        for (int row = 2; row < study.grid.rowCount(); ++row) {
            const std::string& text = study.grid.cell(level, row);
            values.push_back(text);
            if (!text.empty() && !converts(text, separator)) {
                refused.push_back({level, row});
            }
        }
    }
    if (!writtenWithOtherSeparator(values, separator)) {
        refused.clear();
    }
    return refused;
}

StudyRecord withCellsConverted(StudyRecord study, const std::vector<ValueCell>& cells) {
    for (const ValueCell& cell : cells) {
        study.grid.setCell(cell.level, cell.row,
                           withPointAndCommaSwapped(study.grid.cell(cell.level, cell.row)));
    }
    return study;
}

std::string otherSeparatorNote(const StudyRecord& study, std::string_view separator) {
    if (cellsWithOtherSeparator(study, separator).empty()) {
        return {};
    }
    const std::string_view other = otherDecimalSeparator(separator);
    return std::string(" (los valores del archivo están escritos con ") +
           (other == "," ? "coma" : "punto") + " decimal)";
}

} // namespace robustez
