#pragma once

#include "core/report/json.h"
#include "core/stats/evidence.h"
#include "core/study/study_record.h"

#include <optional>
#include <string>
#include <string_view>

namespace robustez {

// What the report tool learned from one study file.
struct StudyOutcome {
    std::string path;
    std::optional<StudyRecord> study;      // absent when the file could not be loaded
    std::optional<StudyEvidence> evidence; // absent when loading or the computation failed
    std::optional<std::string> error;      // the message the text report shows
    std::optional<double> equivalenceLimitPct;
};

// Loads the study file and computes its evidence; a failure of either is
// kept as the outcome's error, followed by otherSeparatorNote when the
// study's values are written with the other decimal separator.
StudyOutcome examineStudyFile(const std::string& path, std::string_view decimalSeparator,
                              std::optional<double> equivalenceLimitPct);

// The outcome as one JSON object, members in this order: file, method,
// analyst, date, replicates, condition, levels, total, df, pooled_sd,
// critical_t_table, critical_t_exact, comparisons, equivalence_limit_pct,
// error. Without evidence the results are null (the levels keep their name,
// setting and values); without a study every member but file and error is
// null. A value cell that does not convert is null.
json::Value outcomeJson(const StudyOutcome& outcome, std::string_view decimalSeparator);

} // namespace robustez
