#pragma once

#include "core/stats/evidence.h"

#include <string>
#include <string_view>
#include <vector>

namespace robustez {

// The texts of the statistical detail, cell by cell, as the detail window,
// the detail page, the report tool and the clipboard show them.
//
// comparisons: a heading row, then one row per changed level ("Baja",
// "Alta"): the level, the difference, the relative difference (%), t, the
// adjusted p, the lower and upper ends of the 95 % simultaneous interval, the
// verdict, and, only while an equivalence limit is set, the equivalence.
// summary: label and value rows: the degrees of freedom, the pooled standard
// deviation, the table's and the exact critical t, and, while a limit is set,
// the limit.
struct EvidenceTables {
    using Table = std::vector<std::vector<std::string>>;
    Table comparisons;
    Table summary;
};

// Numbers in the result number format with the given decimal separator, the
// differences by formatMeasured with the evidence's valueDecimals, p values
// by formatPValue; a number that is absent (NaN, such as a relative
// difference beyond a double) as "—".
EvidenceTables composeEvidenceTables(const StudyEvidence& evidence,
                                     std::string_view decimalSeparator);

// The tables as tab-separated text: one line per row, each line ended by a
// line feed, the comparisons first, one empty line, then the summary.
std::string tabSeparatedText(const EvidenceTables& tables);

} // namespace robustez
