#pragma once

#include "core/report/json.h"
#include "core/report/study_json.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace robustez {

// The summary of a whole robustness study of a method: several study files,
// each varying one operating condition, judged together in the order given.

struct SummaryStudies {
    std::vector<StudyOutcome> studies; // in the order given
    std::optional<double> equivalenceLimitPct;
};

// Examines every file (examineStudyFile); a file that cannot be read or
// computed keeps its place with its error.
SummaryStudies examineSummaryFiles(const std::vector<std::string>& paths,
                                   std::string_view decimalSeparator,
                                   std::optional<double> equivalenceLimitPct);

// True when the study was read and computed.
bool hasResult(const StudyOutcome& outcome);

// The last component of a path ('/' or '\' separated).
std::string fileNameOf(std::string_view path);

// The texts the studies name: distinct, in their first order, empty texts
// left out (an empty field names nothing).
struct SummaryHeading {
    std::vector<std::string> methods;
    std::vector<std::string> analysts;
    std::vector<std::string> dates;
    std::size_t studyCount = 0;
};

SummaryHeading summaryHeading(const SummaryStudies& summary);

// The title, "Nombre del método: " with the first method, "Analistas: ",
// "Fechas: " (each list "; "-separated), "Número de estudios: N", and, when
// the studies name more than one method, the warning
// "AVISO: los estudios nombran más de un método: A; B."
std::vector<std::string> summaryHeadingLines(const SummaryHeading& heading);

inline constexpr std::string_view kSummaryTitle =
    "RESUMEN DE ROBUSTEZ (TOLERANCIA A CONDICIONES DE OPERACIÓN)";

// How each study is named in the table, the conclusion and the figure: its
// condition name; followed by " [file name]" when another study has the
// same condition name or when the study has no result; the file name alone
// when it names no condition (or could not be read).
std::vector<std::string> studyLabels(const SummaryStudies& summary);

// The table of the summary: one row per study, cell texts as the detail
// tables show them (result number format, the Normal mean and the
// differences by formatMeasured, the given separator, p by formatPValue). Columns: "Condición", the
// settings "Normal", "Baja", "Alta", "n", "Media Normal", then for Baja and for Alta (headed "Baja:
// ..." and "Alta: ..."): diferencia, diferencia relativa (%), t, p ajustado, IC 95 % simultáneo
// inferior and superior, veredicto, and, with a limit, equivalencia. A study without result has its
// label, the settings and n it could read, and its message in the first comparison cell
// (kSummaryMessageColumn); the other cells are empty.
struct SummaryTable {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
};

inline constexpr std::size_t kSummaryMessageColumn = 6;

SummaryTable composeSummaryTable(const SummaryStudies& summary, std::string_view decimalSeparator);

// The table as tab-separated text: the header, then one line per row, each
// ended by a line feed; tabs and line breaks inside a cell become spaces.
std::string summaryTsv(const SummaryTable& table);

// A comparison named by its study (index into the studies) and level
// (kLevelBaja, kLevelAlta).
struct SummaryItem {
    std::size_t study = 0;
    int level = 0;

    bool operator==(const SummaryItem&) const = default;
};

std::vector<SummaryItem> notTolerantItems(const SummaryStudies& summary);
// The comparisons not shown equivalent (none without a limit).
std::vector<SummaryItem> notEquivalentItems(const SummaryStudies& summary);
// The studies without result, by index.
std::vector<std::size_t> failedStudies(const SummaryStudies& summary);

// Tolerant: every study computed and every comparison tolerant.
// NotTolerant: some computed comparison is not tolerant.
// Incomplete: otherwise (some study, or every one, has no result).
enum class SummaryConclusion { Tolerant, NotTolerant, Incomplete };

SummaryConclusion summaryConclusion(const SummaryStudies& summary);

// The conclusion lines:
//   "CONCLUSIÓN: el método es TOLERANTE a todas las condiciones estudiadas."
//   "CONCLUSIÓN: el método NO ES TOLERANTE a: Temperatura (Alta), Flujo (Baja)."
//   "CONCLUSIÓN INCOMPLETA: el método es TOLERANTE a las condiciones con resultado."
//   "CONCLUSIÓN INCOMPLETA: ningún estudio tiene resultado."
// then, when studies have no result, "Estudios sin resultado: a.w1o, b.w1o.";
// then, with a limit L, "CONCLUSIÓN DE EQUIVALENCIA (límite L %): " followed
// by "EQUIVALENTE en todas las condiciones estudiadas.", or
// "EQUIVALENCIA NO DEMOSTRADA en: Temperatura (Baja), Temperatura (Alta).",
// or, with studies without result and the others equivalent,
// "CONCLUSIÓN DE EQUIVALENCIA INCOMPLETA (límite L %): EQUIVALENTE en las
// condiciones con resultado." (or "... ningún estudio tiene resultado.").
std::vector<std::string> summaryConclusionLines(const SummaryStudies& summary,
                                                std::string_view decimalSeparator);

// The summary as text: the heading lines, an empty line, the table
// (summaryTsv), an empty line, the conclusion lines; every line ended by a
// line feed.
std::string summaryText(const SummaryStudies& summary, std::string_view decimalSeparator);

// The summary as one JSON object, members in this order: method_names,
// studies (outcomeJson of each), not_tolerant and not_equivalent (objects
// {file, condition, level}: the path as given, the condition name as read),
// failed (the paths as given), conclusion ("TOLERANTE", "NO TOLERANTE" or
// null when incomplete), equivalence_limit_pct (number or null).
json::Value summaryJson(const SummaryStudies& summary, std::string_view decimalSeparator);

} // namespace robustez
