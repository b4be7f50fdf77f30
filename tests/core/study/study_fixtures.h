#pragma once

// Studies built in memory for the core tests.
#include "core/study/study_record.h"

#include <array>
#include <string>
#include <vector>

namespace robustez::testing {

// A study whose count is the number of values per level, with the grid sized
// to it and the settings in row 1; the header fields are left to the caller.
inline StudyRecord studyWithValues(const std::array<std::string, 3>& settings,
                                   const std::array<std::vector<std::string>, 3>& levels) {
    StudyRecord study = newStudyRecord();
    const int n = static_cast<int>(levels[0].size());
    study.replicateCountText = std::to_string(n);
    sizeGridForCount(study.grid, n);
    for (int level = 1; level <= 3; ++level) {
        const auto& values = levels[static_cast<size_t>(level - 1)];
        study.grid.setCell(level, 1, settings[static_cast<size_t>(level - 1)]);
        for (size_t r = 0; r < values.size(); ++r) {
            study.grid.setCell(level, static_cast<int>(r) + 2, values[r]);
        }
    }
    return study;
}

// The worked example's grid: Normal 100 101 102, Baja 99 100 101, Alta 103
// 104 105, with the given settings.
inline StudyRecord workedExampleGrid(const std::array<std::string, 3>& settings) {
    return studyWithValues(settings,
                           {{{"100", "101", "102"}, {"99", "100", "101"}, {"103", "104", "105"}}});
}

} // namespace robustez::testing
