#pragma once

#include "core/design/design_analysis.h"
#include "core/design/run_table.h"
#include "core/report/json.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace robustez {

// The report of a robustness screen by two-level design (robustez-informe
// --diseno): a design file or a run table, read and analysed.

// What was read from one file and what became of it.
struct DesignOutcome {
    std::string path;
    std::optional<design::DesignStudy> study;
    // One per factor: how its low level was told (a run table's reading);
    // empty for a design file.
    std::vector<design::LowLevelRule> lowLevel;
    std::vector<design::ResponseAnalysis> analyses;
    std::optional<double> equivalenceLimitPct;
    // The message when the file could not be read or analysed.
    std::optional<std::string> error;
};

// Reads the file (a design file when it starts with the format's first line,
// otherwise a run table, its values in `decimalSeparator`'s notation) and
// analyses every response. A failure is kept in `error`.
DesignOutcome examineDesignFile(const std::string& path, std::string_view decimalSeparator,
                                std::optional<double> limitPct,
                                std::optional<design::Estimate> estimate);
// The same with the caller's analyser, kept from one file to the next.
DesignOutcome examineDesignFile(const std::string& path, std::string_view decimalSeparator,
                                std::optional<double> limitPct,
                                std::optional<design::Estimate> estimate,
                                design::DesignAnalyser& analyser);

// The Spanish text report of a file that was analysed, line by line, numbers
// in the result format with the given separator.
std::string designReportText(const DesignOutcome& outcome, std::string_view decimalSeparator);

// The JSON object of one file, with no white space: file, design, factors,
// alpha, equivalence_limit_pct, responses, error; every key but file and
// error null for a file that failed. Appended to `out`, or returned.
// `texts` keeps the numbers' texts from one object to the next.
void appendDesignOutcomeJson(std::string& out, const DesignOutcome& outcome,
                             json::NumberTexts& texts);
std::string designOutcomeJsonText(const DesignOutcome& outcome);

// Reads and analyses every file as examineDesignFile does, on a few threads,
// and hands `write` the files' JSON lines (each its object and a line feed),
// in the files' order, whole lines at a time. False when a file could not be
// read or analysed. `threads` caps the threads that read and analyse (0: as
// many as the machine has processors, at most 8; 1: this thread alone).
bool writeDesignJsonLines(const std::vector<std::string>& paths, std::string_view decimalSeparator,
                          std::optional<double> limitPct, std::optional<design::Estimate> estimate,
                          const std::function<void(std::string_view)>& write, unsigned threads = 0);

// "ficticios", "nominales", "dong", "lenth" as the command line writes them.
std::optional<design::Estimate> estimateFromOption(std::string_view text);

} // namespace robustez
