#pragma once

#include "core/stats/robustness.h"
#include "core/study/study_record.h"

#include <string>
#include <string_view>
#include <vector>

namespace robustez {

// Composes the text report of a study, appending one line at a time to
// `lines` (26 + n lines for n sample rows). The robustness computation runs
// into `results` after the data lines; when it fails, the lines composed so
// far stay in `lines` and the error propagates.
void composeTextReport(const StudyRecord& study, std::string_view decimalSeparator,
                       RobustnessResults& results, std::vector<std::string>& lines);

} // namespace robustez
