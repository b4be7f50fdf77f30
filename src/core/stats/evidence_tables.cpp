#include "core/stats/evidence_tables.h"

#include "core/stats/number_format.h"

#include <cmath>
#include <string_view>

namespace robustez {

namespace {

constexpr std::string_view kComparisonHeadings[] = {
    "Nivel",
    "Diferencia",
    "Diferencia relativa (%)",
    "t",
    "p ajustado",
    "IC 95 % simultáneo inferior",
    "IC 95 % simultáneo superior",
    "Veredicto",
};
constexpr std::string_view kEquivalenceHeading = "Equivalencia";

// A number that is absent (NaN; nor is an infinity written) shows as a dash.
constexpr std::string_view kAbsent = "\u2014";

std::string numberCell(double value, std::string_view separator) {
    return std::isfinite(value) ? formatResult(value, separator) : std::string(kAbsent);
}

// A difference of means: with one decimal more than the data had as typed.
std::string differenceCell(double value, std::optional<int> dataDecimals,
                           std::string_view separator) {
    return std::isfinite(value) ? formatMeasured(value, dataDecimals, separator)
                                : std::string(kAbsent);
}

std::vector<std::string> headingRow(bool withEquivalence) {
    std::vector<std::string> row(std::begin(kComparisonHeadings), std::end(kComparisonHeadings));
    if (withEquivalence) {
        row.emplace_back(kEquivalenceHeading);
    }
    return row;
}

std::vector<std::string> comparisonRow(const ComparisonEvidence& c, std::optional<int> dataDecimals,
                                       std::string_view separator) {
    std::vector<std::string> row = {
        std::string(kGridHeaders[static_cast<size_t>(c.level)]),
        differenceCell(c.difference, dataDecimals, separator),
        numberCell(c.relativeDifferencePct, separator),
        numberCell(c.t, separator),
        formatPValue(c.pAdjusted, separator),
        numberCell(c.ciLow, separator),
        numberCell(c.ciHigh, separator),
        c.tolerant ? "TOLERANTE" : "NO TOLERANTE",
    };
    if (c.equivalent) {
        row.emplace_back(equivalenceVerdict(*c.equivalent));
    }
    return row;
}

void appendLine(std::string& out, const std::vector<std::string>& row) {
    for (size_t i = 0; i < row.size(); ++i) {
        if (i > 0) {
            out += '\t';
        }
        out += row[i];
    }
    out += '\n';
}

} // namespace

EvidenceTables composeEvidenceTables(const StudyEvidence& evidence,
                                     std::string_view decimalSeparator) {
    EvidenceTables tables;
    const bool withLimit = evidence.equivalenceLimitPct.has_value();
    tables.comparisons.push_back(headingRow(withLimit));
    for (const ComparisonEvidence& comparison : evidence.comparisons) {
        tables.comparisons.push_back(
            comparisonRow(comparison, evidence.valueDecimals, decimalSeparator));
    }
    tables.summary = {
        {"Grados de libertad", std::to_string(evidence.df)},
        {"Desviación estándar combinada", numberCell(evidence.pooledSd, decimalSeparator)},
        {"t crítica (tabla)", numberCell(evidence.criticalTable, decimalSeparator)},
        {"t crítica exacta", numberCell(evidence.criticalExact, decimalSeparator)},
    };
    if (withLimit) {
        tables.summary.push_back({"Límite de equivalencia (% de la media Normal)",
                                  formatResult(*evidence.equivalenceLimitPct, decimalSeparator)});
    }
    return tables;
}

std::string tabSeparatedText(const EvidenceTables& tables) {
    std::string out;
    for (const auto& row : tables.comparisons) {
        appendLine(out, row);
    }
    out += '\n';
    for (const auto& row : tables.summary) {
        appendLine(out, row);
    }
    return out;
}

} // namespace robustez
