#pragma once

#include "core/stats/robustness.h"
#include "core/study/study_record.h"

#include <array>
#include <string>
#include <string_view>

namespace robustez {

// The texts of the two grids of the results window, cell by cell: the upper
// grid (means, standard deviations, coefficients of variation, differences)
// with 6 rows of 5 columns, the lower grid (settings, t values, verdicts) with
// 5 rows of 4 columns. Cells without a text are empty.
struct ResultsTables {
    static constexpr int kUpperRows = 6;
    static constexpr int kUpperColumns = 5;
    static constexpr int kLowerRows = 5;
    static constexpr int kLowerColumns = 4;

    using Upper = std::array<std::array<std::string, kUpperColumns>, kUpperRows>;
    using Lower = std::array<std::array<std::string, kLowerColumns>, kLowerRows>;

    Upper upper;
    Lower lower;
};

// Fills the tables from computed results and the study's condition name,
// level names and level settings. Numbers are written in the result number
// format with the given decimal separator.
ResultsTables composeResultsTables(const RobustnessResults& results, const StudyRecord& study,
                                   std::string_view decimalSeparator);

} // namespace robustez
