#pragma once

#include <array>
#include <optional>

namespace robustez {

// Critical values of Dunnett's two-sided test at the 5 % level, rounded to
// two decimals: row k is the number of treatment means compared with one
// control (1 to 12), column df the error degrees of freedom (1 to 104).
// Row 1 is Student's t. Cells without a value are empty.
class DunnettTable {
public:
    static constexpr int kMaxTreatments = 12;
    static constexpr int kMaxDf = 104;

    // The value of cell (k, df), or nothing for an empty cell or one
    // outside the table.
    static std::optional<double> cell(int k, int df);

    // The number of cells that hold a value.
    static int storedCellCount();
};

// The critical value for k treatments and df degrees of freedom: a direct
// read of one cell, no interpolation. An empty cell, or one outside the
// table, reads as 0.
double dunnettCritical(int k, int df);

} // namespace robustez
