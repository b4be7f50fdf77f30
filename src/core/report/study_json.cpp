#include "core/report/study_json.h"

#include "core/stats/robustness.h"
#include "core/study/conversions.h"
#include "core/study/other_separator.h"
#include "core/study/study_file.h"

#include <array>
#include <exception>

namespace robustez {

namespace {

using json::Array;
using json::Object;
using json::Value;

// A result when there is one, null otherwise.
template <typename Read> Value resultOrNull(const StudyEvidence* evidence, Read read) {
    return evidence ? Value(read(*evidence)) : Value();
}

Value cellValue(const std::string& text, std::string_view decimalSeparator) {
    double value = 0;
    return tryToDecimal(text, decimalSeparator, value) ? Value(value) : Value();
}

Value levelJson(const StudyRecord& study, int level, int n, const StudyEvidence* evidence,
                std::string_view decimalSeparator) {
    Array values;
    for (int replicate = 1; replicate <= n; ++replicate) {
        values.push_back(cellValue(study.value(level, replicate), decimalSeparator));
    }
    return Object{
        {"name", study.levelName(level)},
        {"setting", study.levelSetting(level)},
        {"values", std::move(values)},
        {"mean", resultOrNull(evidence,
                              [level](const StudyEvidence& e) {
                                  return e.results.mean[static_cast<std::size_t>(level)];
                              })},
        {"sd", resultOrNull(evidence,
                            [level](const StudyEvidence& e) { return levelSd(e.results, level); })},
        {"cv_pct",
         resultOrNull(evidence,
                      [level](const StudyEvidence& e) { return levelCv(e.results, level); })},
    };
}

Value totalJson(const RobustnessResults& results) {
    return Object{
        {"mean", results.grandMean},
        {"sd", results.sdTotal},
        {"cv_pct", results.cvTotal},
    };
}

Value comparisonJson(const ComparisonEvidence& c) {
    return Object{
        {"level", kGridHeaders[static_cast<std::size_t>(c.level)]},
        {"difference", c.difference},
        {"relative_difference_pct", c.relativeDifferencePct},
        {"t", c.t},
        {"p_adjusted", c.pAdjusted},
        {"ci95_low", c.ciLow},
        {"ci95_high", c.ciHigh},
        {"verdict", c.tolerant ? "TOLERANTE" : "NO TOLERANTE"},
        {"equivalence", c.equivalent ? Value(equivalenceVerdict(*c.equivalent)) : Value()},
    };
}

Value comparisonsJson(const StudyEvidence& evidence) {
    Array comparisons;
    for (const ComparisonEvidence& c : evidence.comparisons) {
        comparisons.push_back(comparisonJson(c));
    }
    return comparisons;
}

// The member names, in their order; the object is built in the same order.
constexpr std::array<std::string_view, 15> kMembers = {"file",
                                                       "method",
                                                       "analyst",
                                                       "date",
                                                       "replicates",
                                                       "condition",
                                                       "levels",
                                                       "total",
                                                       "df",
                                                       "pooled_sd",
                                                       "critical_t_table",
                                                       "critical_t_exact",
                                                       "comparisons",
                                                       "equivalence_limit_pct",
                                                       "error"};

Object nullMembers() {
    Object object;
    for (std::string_view name : kMembers) {
        object.emplace_back(std::string(name), Value());
    }
    return object;
}

void set(Object& object, std::string_view name, Value value) {
    for (auto& member : object) {
        if (member.first == name) {
            member.second = std::move(value);
            return;
        }
    }
}

} // namespace

StudyOutcome examineStudyFile(const std::string& path, std::string_view decimalSeparator,
                              std::optional<double> equivalenceLimitPct) {
    StudyOutcome outcome;
    outcome.path = path;
    outcome.equivalenceLimitPct = equivalenceLimitPct;
    try {
        outcome.study = loadStudyFile(path);
        outcome.evidence = computeEvidence(*outcome.study, decimalSeparator, equivalenceLimitPct);
    } catch (const std::exception& e) {
        outcome.error = e.what();
        // Values written where the other decimal separator is used: the
        // message says so, since the file itself is sound.
        if (outcome.study) {
            *outcome.error += otherSeparatorNote(*outcome.study, decimalSeparator);
        }
    }
    return outcome;
}

Value outcomeJson(const StudyOutcome& outcome, std::string_view decimalSeparator) {
    Object object = nullMembers();
    set(object, "file", outcome.path);
    if (outcome.error) {
        set(object, "error", *outcome.error);
    }
    if (!outcome.study) {
        return object;
    }
    const StudyRecord& study = *outcome.study;
    const StudyEvidence* evidence = outcome.evidence ? &*outcome.evidence : nullptr;
    set(object, "method", study.methodName);
    set(object, "analyst", study.analystName);
    set(object, "date", study.dateText);
    set(object, "condition", study.conditionName);
    set(object, "equivalence_limit_pct", json::numberOrNull(outcome.equivalenceLimitPct));
    int n = 0;
    if (!tryToInteger(study.replicateCountText, n)) {
        return object;
    }
    set(object, "replicates", n);
    Array levels;
    for (int level = kLevelNormal; level <= kLevelAlta; ++level) {
        levels.push_back(levelJson(study, level, n, evidence, decimalSeparator));
    }
    set(object, "levels", std::move(levels));
    if (!evidence) {
        return object;
    }
    set(object, "total", totalJson(evidence->results));
    set(object, "df", evidence->df);
    set(object, "pooled_sd", evidence->pooledSd);
    set(object, "critical_t_table", evidence->criticalTable);
    set(object, "critical_t_exact", evidence->criticalExact);
    set(object, "comparisons", comparisonsJson(*evidence));
    return object;
}

} // namespace robustez
