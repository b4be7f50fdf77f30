#include "core/report/summary.h"

#include "core/stats/evidence_tables.h"
#include "core/stats/number_format.h"
#include "core/study/conversions.h"
#include "core/study/study_record.h"

#include <algorithm>
#include <array>
#include <map>

namespace robustez {

namespace {

constexpr std::array<std::string_view, 6> kStudyHeadings = {
    "Condición", "Normal", "Baja", "Alta", "n", "Media Normal",
};

// The comparison columns, after "Baja: " or "Alta: ".
constexpr std::array<std::string_view, 7> kComparisonHeadings = {
    "diferencia", "diferencia relativa (%)",     "t",
    "p ajustado", "IC 95 % simultáneo inferior", "IC 95 % simultáneo superior",
    "veredicto",
};
constexpr std::string_view kEquivalenceHeading = "equivalencia";

constexpr std::array<int, 2> kChangedLevels = {kLevelBaja, kLevelAlta};

std::string_view levelName(int level) {
    return kGridHeaders[static_cast<std::size_t>(level)];
}

void addDistinct(std::vector<std::string>& texts, const std::string& text) {
    if (!text.empty() && std::find(texts.begin(), texts.end(), text) == texts.end()) {
        texts.push_back(text);
    }
}

std::string joined(const std::vector<std::string>& texts, std::string_view separator) {
    std::string out;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        out += (i > 0 ? std::string(separator) : std::string()) + texts[i];
    }
    return out;
}

std::string conditionOf(const StudyOutcome& outcome) {
    return outcome.study ? outcome.study->conditionName : std::string();
}

std::map<std::string, std::size_t> conditionCounts(const SummaryStudies& summary) {
    std::map<std::string, std::size_t> counts;
    for (const StudyOutcome& outcome : summary.studies) {
        ++counts[conditionOf(outcome)];
    }
    return counts;
}

std::vector<std::string> headerRow(bool withEquivalence) {
    std::vector<std::string> header(kStudyHeadings.begin(), kStudyHeadings.end());
    for (int level : kChangedLevels) {
        for (std::string_view heading : kComparisonHeadings) {
            header.push_back(std::string(levelName(level)) + ": " + std::string(heading));
        }
        if (withEquivalence) {
            header.push_back(std::string(levelName(level)) + ": " +
                             std::string(kEquivalenceHeading));
        }
    }
    return header;
}

std::string countText(const StudyOutcome& outcome) {
    int n = 0;
    return outcome.study && tryToInteger(outcome.study->replicateCountText, n) ? std::to_string(n)
                                                                               : std::string();
}

// The label, the settings and n: what every row starts with.
std::vector<std::string> studyCells(const StudyOutcome& outcome, const std::string& label) {
    std::vector<std::string> cells = {label};
    for (int level = kLevelNormal; level <= kLevelAlta; ++level) {
        cells.push_back(outcome.study ? outcome.study->levelSetting(level) : std::string());
    }
    cells.push_back(countText(outcome));
    return cells;
}

std::vector<std::string> studyRow(const StudyOutcome& outcome, const std::string& label,
                                  std::size_t width, std::string_view separator) {
    std::vector<std::string> row = studyCells(outcome, label);
    if (!hasResult(outcome)) {
        row.emplace_back();
        row.push_back(outcome.error.value_or(std::string()));
        row.resize(width);
        return row;
    }
    const StudyEvidence& evidence = *outcome.evidence;
    row.push_back(
        formatMeasured(evidence.results.mean[kLevelNormal], evidence.valueDecimals, separator));
    const EvidenceTables tables = composeEvidenceTables(evidence, separator);
    for (std::size_t r = 1; r < tables.comparisons.size(); ++r) {
        const auto& cells = tables.comparisons[r];
        row.insert(row.end(), cells.begin() + 1, cells.end()); // the level is in the heading
    }
    row.resize(width);
    return row;
}

std::string cleanCell(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return text;
}

void appendTsvLine(std::string& out, const std::vector<std::string>& row) {
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (i > 0) {
            out += '\t';
        }
        out += cleanCell(row[i]);
    }
    out += '\n';
}

// The comparisons of the computed studies that `fails` picks.
template <typename Fails>
std::vector<SummaryItem> itemsWhere(const SummaryStudies& summary, Fails fails) {
    std::vector<SummaryItem> items;
    for (std::size_t s = 0; s < summary.studies.size(); ++s) {
        if (!hasResult(summary.studies[s])) {
            continue;
        }
        for (const ComparisonEvidence& c : summary.studies[s].evidence->comparisons) {
            if (fails(c)) {
                items.push_back({s, c.level});
            }
        }
    }
    return items;
}

// "Temperatura (Alta), Flujo (Baja)"
std::string itemList(const std::vector<SummaryItem>& items,
                     const std::vector<std::string>& labels) {
    std::vector<std::string> texts;
    for (const SummaryItem& item : items) {
        texts.push_back(labels[item.study] + " (" + std::string(levelName(item.level)) + ")");
    }
    return joined(texts, ", ");
}

bool anyResult(const SummaryStudies& summary) {
    return std::any_of(summary.studies.begin(), summary.studies.end(), hasResult);
}

// The judgement lines share one form: every comparison passes, some fail
// (listed), or studies are missing.
struct JudgementTexts {
    std::string complete;   // before the all-pass text and the list
    std::string incomplete; // before the incomplete texts
    std::string allPass;
    std::string failing; // before the list
    std::string passWithResult;
};

const JudgementTexts kToleranceTexts = {
    "CONCLUSIÓN: ",
    "CONCLUSIÓN INCOMPLETA: ",
    "el método es TOLERANTE a todas las condiciones estudiadas.",
    "el método NO ES TOLERANTE a: ",
    "el método es TOLERANTE a las condiciones con resultado.",
};

constexpr std::string_view kNoResult = "ningún estudio tiene resultado.";

std::string judgementLine(const JudgementTexts& texts, const SummaryStudies& summary,
                          const std::vector<SummaryItem>& failing) {
    if (!failing.empty()) {
        return texts.complete + texts.failing + itemList(failing, studyLabels(summary)) + ".";
    }
    if (!anyResult(summary)) {
        return texts.incomplete + std::string(kNoResult);
    }
    return failedStudies(summary).empty() ? texts.complete + texts.allPass
                                          : texts.incomplete + texts.passWithResult;
}

JudgementTexts equivalenceTexts(double limitPct, std::string_view separator) {
    const std::string limit = "(límite " + formatResult(limitPct, separator) + " %): ";
    return {
        "CONCLUSIÓN DE EQUIVALENCIA " + limit,
        "CONCLUSIÓN DE EQUIVALENCIA INCOMPLETA " + limit,
        "EQUIVALENTE en todas las condiciones estudiadas.",
        "EQUIVALENCIA NO DEMOSTRADA en: ",
        "EQUIVALENTE en las condiciones con resultado.",
    };
}

json::Value itemsJson(const SummaryStudies& summary, const std::vector<SummaryItem>& items) {
    json::Array array;
    for (const SummaryItem& item : items) {
        const StudyOutcome& outcome = summary.studies[item.study];
        array.push_back(json::Object{
            {"file", outcome.path},
            {"condition", conditionOf(outcome)},
            {"level", levelName(item.level)},
        });
    }
    return array;
}

json::Value conclusionJson(SummaryConclusion conclusion) {
    switch (conclusion) {
    case SummaryConclusion::Tolerant:
        return "TOLERANTE";
    case SummaryConclusion::NotTolerant:
        return "NO TOLERANTE";
    case SummaryConclusion::Incomplete:
        break;
    }
    return {};
}

} // namespace

SummaryStudies examineSummaryFiles(const std::vector<std::string>& paths,
                                   std::string_view decimalSeparator,
                                   std::optional<double> equivalenceLimitPct) {
    SummaryStudies summary;
    summary.equivalenceLimitPct = equivalenceLimitPct;
    for (const std::string& path : paths) {
        summary.studies.push_back(examineStudyFile(path, decimalSeparator, equivalenceLimitPct));
    }
    return summary;
}

bool hasResult(const StudyOutcome& outcome) {
    return outcome.study.has_value() && outcome.evidence.has_value();
}

std::string fileNameOf(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

SummaryHeading summaryHeading(const SummaryStudies& summary) {
    SummaryHeading heading;
    heading.studyCount = summary.studies.size();
    for (const StudyOutcome& outcome : summary.studies) {
        if (outcome.study) {
            addDistinct(heading.methods, outcome.study->methodName);
            addDistinct(heading.analysts, outcome.study->analystName);
            addDistinct(heading.dates, outcome.study->dateText);
        }
    }
    return heading;
}

std::vector<std::string> summaryHeadingLines(const SummaryHeading& heading) {
    std::vector<std::string> lines = {
        std::string(kSummaryTitle),
        "Nombre del método: " + (heading.methods.empty() ? std::string() : heading.methods[0]),
        "Analistas: " + joined(heading.analysts, "; "),
        "Fechas: " + joined(heading.dates, "; "),
        "Número de estudios: " + std::to_string(heading.studyCount),
    };
    if (heading.methods.size() > 1) {
        lines.push_back(
            "AVISO: los estudios nombran más de un método: " + joined(heading.methods, "; ") + ".");
    }
    return lines;
}

std::vector<std::string> studyLabels(const SummaryStudies& summary) {
    const std::map<std::string, std::size_t> counts = conditionCounts(summary);
    std::vector<std::string> labels;
    for (const StudyOutcome& outcome : summary.studies) {
        const std::string condition = conditionOf(outcome);
        const std::string file = fileNameOf(outcome.path);
        if (condition.empty()) {
            labels.push_back(file);
        } else if (!hasResult(outcome) || counts.at(condition) > 1) {
            labels.push_back(condition + " [" + file + "]");
        } else {
            labels.push_back(condition);
        }
    }
    return labels;
}

SummaryTable composeSummaryTable(const SummaryStudies& summary, std::string_view decimalSeparator) {
    SummaryTable table;
    table.header = headerRow(summary.equivalenceLimitPct.has_value());
    const std::vector<std::string> labels = studyLabels(summary);
    for (std::size_t s = 0; s < summary.studies.size(); ++s) {
        table.rows.push_back(
            studyRow(summary.studies[s], labels[s], table.header.size(), decimalSeparator));
    }
    return table;
}

std::string summaryTsv(const SummaryTable& table) {
    std::string out;
    appendTsvLine(out, table.header);
    for (const auto& row : table.rows) {
        appendTsvLine(out, row);
    }
    return out;
}

std::vector<SummaryItem> notTolerantItems(const SummaryStudies& summary) {
    return itemsWhere(summary, [](const ComparisonEvidence& c) { return !c.tolerant; });
}

std::vector<SummaryItem> notEquivalentItems(const SummaryStudies& summary) {
    return itemsWhere(summary, [](const ComparisonEvidence& c) { return c.equivalent == false; });
}

std::vector<std::size_t> failedStudies(const SummaryStudies& summary) {
    std::vector<std::size_t> failed;
    for (std::size_t s = 0; s < summary.studies.size(); ++s) {
        if (!hasResult(summary.studies[s])) {
            failed.push_back(s);
        }
    }
    return failed;
}

SummaryConclusion summaryConclusion(const SummaryStudies& summary) {
    if (!notTolerantItems(summary).empty()) {
        return SummaryConclusion::NotTolerant;
    }
    return anyResult(summary) && failedStudies(summary).empty() ? SummaryConclusion::Tolerant
                                                                : SummaryConclusion::Incomplete;
}

std::vector<std::string> summaryConclusionLines(const SummaryStudies& summary,
                                                std::string_view decimalSeparator) {
    std::vector<std::string> lines = {
        judgementLine(kToleranceTexts, summary, notTolerantItems(summary))};
    const std::vector<std::size_t> failed = failedStudies(summary);
    if (!failed.empty()) {
        std::vector<std::string> names;
        for (std::size_t s : failed) {
            names.push_back(fileNameOf(summary.studies[s].path));
        }
        lines.push_back("Estudios sin resultado: " + joined(names, ", ") + ".");
    }
    if (summary.equivalenceLimitPct) {
        lines.push_back(
            judgementLine(equivalenceTexts(*summary.equivalenceLimitPct, decimalSeparator), summary,
                          notEquivalentItems(summary)));
    }
    return lines;
}

std::string summaryText(const SummaryStudies& summary, std::string_view decimalSeparator) {
    std::string out;
    for (const std::string& line : summaryHeadingLines(summaryHeading(summary))) {
        out += line + "\n";
    }
    out += '\n';
    out += summaryTsv(composeSummaryTable(summary, decimalSeparator));
    out += '\n';
    for (const std::string& line : summaryConclusionLines(summary, decimalSeparator)) {
        out += line + "\n";
    }
    return out;
}

json::Value summaryJson(const SummaryStudies& summary, std::string_view decimalSeparator) {
    json::Array methods;
    for (const std::string& method : summaryHeading(summary).methods) {
        methods.emplace_back(method);
    }
    json::Array studies;
    json::Array failed;
    for (const StudyOutcome& outcome : summary.studies) {
        studies.push_back(outcomeJson(outcome, decimalSeparator));
        if (!hasResult(outcome)) {
            failed.emplace_back(outcome.path);
        }
    }
    return json::Object{
        {"method_names", std::move(methods)},
        {"studies", std::move(studies)},
        {"not_tolerant", itemsJson(summary, notTolerantItems(summary))},
        {"not_equivalent", itemsJson(summary, notEquivalentItems(summary))},
        {"failed", std::move(failed)},
        {"conclusion", conclusionJson(summaryConclusion(summary))},
        {"equivalence_limit_pct", json::numberOrNull(summary.equivalenceLimitPct)},
    };
}

} // namespace robustez
