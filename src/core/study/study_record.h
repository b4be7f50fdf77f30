#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace robustez {

// The three levels of the operating condition, numbered as the grid columns.
inline constexpr int kLevelCount = 3;
inline constexpr int kLevelNormal = 1;
inline constexpr int kLevelBaja = 2;
inline constexpr int kLevelAlta = 3;

// The study grid as a store of cell texts by column and row. Shrinking the
// row count hides rows without clearing them; a cell that was never written,
// or that lies beyond the current row count, reads as the text it last held
// (empty when it never held any).
class StudyGrid {
public:
    static constexpr int kColumnCount = 4;

    int rowCount() const { return rowCount_; }
    void setRowCount(int rows);

    const std::string& cell(int column, int row) const;
    void setCell(int column, int row, std::string text);

private:
    int rowCount_ = 6;
    std::array<std::vector<std::string>, kColumnCount> columns_;
};

// One robustness study, every field as the text the user typed.
struct StudyRecord {
    std::string methodName;
    std::string analystName;
    std::string dateText;
    std::string replicateCountText = "3";
    std::string conditionName;
    StudyGrid grid;

    // Row 0 of level column i: "Normal", "Baja", "Alta".
    const std::string& levelName(int level) const { return grid.cell(level, 0); }
    // Row 1 of level column i.
    const std::string& levelSetting(int level) const { return grid.cell(level, 1); }
    // Replicate r (1-based) of level i: row r + 1 of column i.
    const std::string& value(int level, int replicate) const {
        return grid.cell(level, replicate + 1);
    }
};

// The fixed header texts of the grid.
inline constexpr std::array<std::string_view, StudyGrid::kColumnCount> kGridHeaders = {
    "Muestra", "Normal", "Baja", "Alta"};

// Writes "Muestra", "Normal", "Baja", "Alta" into row 0.
void writeGridHeaders(StudyGrid& grid);

// Writes the sample numbers "1".."rowCount-2" into column 0 of rows 2 onwards.
void writeSampleNumbers(StudyGrid& grid);

// Sets the grid to n + 2 rows, then writes the headers and sample numbers.
void sizeGridForCount(StudyGrid& grid, int n);

// A new, empty study: count "3", a 6-row grid with headers and samples "1".."4".
StudyRecord newStudyRecord();

// True when the study could be computed as it stands: its count is a whole
// number from 2 to 10 and every value of the three levels is present and a
// number with the given decimal separator, as the grid's check takes them.
// The settings are free text and not looked at.
bool valuesComplete(const StudyRecord& study, std::string_view decimalSeparator);

} // namespace robustez
