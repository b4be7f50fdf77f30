#include "core/stats/dunnett_table.h"

#include <cstddef>

namespace robustez {

namespace {

// A run of consecutive cells of row k, df from dfFrom to dfTo inclusive, that
// hold one value.
struct Run {
    int k;
    int dfFrom;
    int dfTo;
    double value;
};

// The stored cells, row by row. Below df 5 a row repeats its df-5 value; a
// df between two tabulated ones repeats the value of the lower one.
// clang-format off
constexpr Run kRuns[] = {
    // k = 1: Student's t.
    {1, 2, 5, 2.57}, {1, 6, 6, 2.45}, {1, 7, 7, 2.36}, {1, 8, 8, 2.31}, {1, 9, 9, 2.26},
    {1, 10, 10, 2.23}, {1, 11, 11, 2.20}, {1, 12, 12, 2.18}, {1, 13, 13, 2.16}, {1, 16, 16, 2.12},
    {1, 17, 17, 2.11}, {1, 18, 18, 2.10}, {1, 19, 20, 2.09},
    // k = 2. The cells at df 3, 12, 15, 18, 21, 24 and 27 (the error df of
    // studies with 2 and with 5 to 10 replicates) are the exact two-sided 5 %
    // quantiles for two treatments at that df, rounded to two decimals; see
    // dunnettTwoSidedCritical.
    {2, 3, 3, 3.87}, {2, 4, 5, 3.03}, {2, 6, 6, 2.86}, {2, 7, 7, 2.75}, {2, 8, 8, 2.67},
    {2, 9, 9, 2.61}, {2, 10, 10, 2.57}, {2, 11, 11, 2.53}, {2, 12, 12, 2.50}, {2, 15, 15, 2.44},
    {2, 18, 18, 2.40}, {2, 21, 21, 2.37}, {2, 24, 24, 2.35}, {2, 27, 27, 2.33},
    // k = 3.
    {3, 4, 5, 3.29}, {3, 6, 6, 3.10}, {3, 7, 7, 2.97}, {3, 8, 8, 2.88}, {3, 9, 9, 2.81},
    {3, 10, 10, 2.76}, {3, 11, 11, 2.72}, {3, 12, 12, 2.68}, {3, 13, 13, 2.65}, {3, 14, 14, 2.63},
    {3, 15, 15, 2.61}, {3, 16, 16, 2.59}, {3, 17, 17, 2.58}, {3, 18, 18, 2.56}, {3, 19, 19, 2.55},
    {3, 20, 21, 2.54}, {3, 24, 24, 2.51},
    // k = 4.
    {4, 4, 5, 3.48}, {4, 6, 6, 3.26}, {4, 7, 7, 3.12}, {4, 8, 8, 3.02}, {4, 9, 9, 2.95},
    {4, 10, 10, 2.89}, {4, 11, 11, 2.84}, {4, 12, 12, 2.81}, {4, 13, 13, 2.78}, {4, 14, 14, 2.75},
    {4, 15, 15, 2.73}, {4, 16, 16, 2.71}, {4, 17, 17, 2.69}, {4, 18, 18, 2.68}, {4, 19, 19, 2.66},
    {4, 20, 20, 2.65}, {4, 24, 24, 2.61}, {4, 28, 28, 2.61}, {4, 32, 32, 2.58},
    // k = 5.
    {5, 4, 5, 3.62}, {5, 6, 6, 3.39}, {5, 7, 7, 3.24}, {5, 8, 8, 3.13}, {5, 9, 9, 3.05},
    {5, 10, 10, 2.99}, {5, 11, 11, 2.94}, {5, 12, 12, 2.90}, {5, 13, 13, 2.87}, {5, 14, 14, 2.84},
    {5, 15, 15, 2.82}, {5, 16, 16, 2.80}, {5, 17, 17, 2.78}, {5, 18, 18, 2.76}, {5, 19, 19, 2.75},
    {5, 20, 20, 2.73}, {5, 25, 25, 2.70}, {5, 30, 30, 2.66}, {5, 35, 35, 2.66}, {5, 40, 40, 2.62},
    // k = 6 to 12: the multiples of k from 2k to 8k.
    {6, 12, 12, 2.98}, {6, 18, 18, 2.83}, {6, 24, 24, 2.76}, {6, 30, 30, 2.72}, {6, 36, 36, 2.72},
    {6, 42, 42, 2.68}, {6, 48, 48, 2.68},
    {7, 14, 14, 2.97}, {7, 21, 21, 2.86}, {7, 28, 28, 2.81}, {7, 35, 35, 2.77}, {7, 42, 42, 2.73},
    {7, 49, 49, 2.73}, {7, 56, 56, 2.73},
    {8, 16, 16, 2.97}, {8, 24, 24, 2.86}, {8, 32, 32, 2.82}, {8, 40, 40, 2.77}, {8, 48, 48, 2.77},
    {8, 56, 56, 2.77}, {8, 64, 64, 2.73},
    {9, 18, 18, 2.98}, {9, 27, 27, 2.90}, {9, 36, 36, 2.86}, {9, 45, 45, 2.81}, {9, 54, 54, 2.81},
    {9, 63, 63, 2.77}, {9, 72, 72, 2.77},
    {10, 20, 20, 2.98}, {10, 30, 30, 2.89}, {10, 40, 40, 2.85}, {10, 50, 50, 2.85},
    {10, 60, 60, 2.80}, {10, 70, 70, 2.80}, {10, 80, 80, 2.80},
    {11, 22, 22, 3.02}, {11, 33, 33, 2.92}, {11, 44, 44, 2.87}, {11, 55, 55, 2.87},
    {11, 66, 66, 2.83}, {11, 77, 77, 2.83}, {11, 88, 88, 2.83},
    {12, 24, 24, 3.00}, {12, 36, 36, 2.95}, {12, 48, 48, 2.90}, {12, 60, 60, 2.86},
    {12, 72, 72, 2.86}, {12, 84, 84, 2.86}, {12, 96, 96, 2.86},
};
// clang-format on

using Grid = std::array<std::array<std::optional<double>, DunnettTable::kMaxDf>,
                        DunnettTable::kMaxTreatments>;

// Expands the runs into the grid. A run outside the grid, or two runs that
// share a cell, make the constant evaluation fail, so a slip in the data
// above does not compile.
constexpr Grid expand() {
    Grid grid{};
    for (const Run& run : kRuns) {
        if (run.k < 1 || run.k > DunnettTable::kMaxTreatments || run.dfFrom < 1 ||
            run.dfTo > DunnettTable::kMaxDf || run.dfFrom > run.dfTo) {
            throw "run outside the table";
        }
        for (int df = run.dfFrom; df <= run.dfTo; ++df) {
            auto& cell =
                grid[static_cast<std::size_t>(run.k - 1)][static_cast<std::size_t>(df - 1)];
            if (cell.has_value()) {
                throw "overlapping runs";
            }
            cell = run.value;
        }
    }
    return grid;
}

constexpr Grid kGrid = expand();

constexpr int countStored() {
    int count = 0;
    for (const auto& row : kGrid) {
        for (const auto& cell : row) {
            count += cell.has_value() ? 1 : 0;
        }
    }
    return count;
}

constexpr int kStoredCells = countStored();
static_assert(kStoredCells == 141);

} // namespace

std::optional<double> DunnettTable::cell(int k, int df) {
    if (k < 1 || k > kMaxTreatments || df < 1 || df > kMaxDf) {
        return std::nullopt;
    }
    return kGrid[static_cast<std::size_t>(k - 1)][static_cast<std::size_t>(df - 1)];
}

int DunnettTable::storedCellCount() {
    return kStoredCells;
}

double dunnettCritical(int k, int df) {
    return DunnettTable::cell(k, df).value_or(0.0);
}

} // namespace robustez
