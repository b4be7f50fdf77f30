#pragma once

#include "core/design/design_analysis.h"
#include "core/design/design_study.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace robustez {

// The texts of one response's analysis as the result pages, the effects
// window and the report tool write them: numbers in the result format, p as
// formatPValue writes it, "—" for a value that is not defined (empty or not
// finite).

inline constexpr std::string_view kDesignUndefined = "—";

// A number, and a p-value, written so.
std::string designNumber(const std::optional<double>& value, std::string_view decimalSeparator);
std::string designPValue(const std::optional<double>& value, std::string_view decimalSeparator);

// The effects table: header "Columna", "E", "%E", "t", "p", "E_crit",
// "Veredicto" and, when the analysis judged equivalence and the column is
// asked for, "Equivalencia"; a row per column of the design. t and p are
// the estimate's own (the dummies' or the nominal runs'), "—" for Dong and
// Lenth; a dummy's verdict is "(ficticio)" and its equivalence empty.
// `significant` tells, per row, whether the verdict is "SIGNIFICATIVO".
struct DesignEffectsTable {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
    std::vector<bool> significant;
};

enum class EquivalenceColumn { WhenJudged, Never };

DesignEffectsTable
designEffectsTable(const design::DesignStudy& study, const design::ResponseAnalysis& analysis,
                   std::string_view decimalSeparator,
                   EquivalenceColumn equivalence = EquivalenceColumn::WhenJudged);

// The table as tab-separated lines, header first, each ended by "\n".
std::string designEffectsTsv(const DesignEffectsTable& table);

// The estimate's name as the reports write it ("algoritmo de Dong").
std::string_view estimateName(design::Estimate estimate);

// "Estimación usada: <name>, E_crit = <value>".
std::string designEstimateLine(const design::ResponseAnalysis& analysis,
                               std::string_view decimalSeparator);

// The figures of an estimate: "Ficticios: n = 3, gl = 3, se(E) = ..., t crítica
// = ..., E_crit = ...", "Nominales: n, s, gl, se(E), t crítica, E_crit", "Dong:
// s0, límite, m, s1, t crítica, E_crit", "Lenth: s0, límite, PSE, d, ME,
// SME"; empty for an estimate the design cannot give.
std::optional<std::string> designEstimateFigures(const design::ResponseAnalysis& analysis,
                                                 design::Estimate estimate,
                                                 std::string_view decimalSeparator);

// "Base del %E (media nominal) = <value>" (or "media de diseño").
std::string designBaseLine(const design::ResponseAnalysis& analysis,
                           std::string_view decimalSeparator);

// "Límite de equivalencia: <L> % de la base, δ = <bound>"; empty without a
// limit or when its bound is not defined.
std::optional<std::string> designLimitLine(const design::ResponseAnalysis& analysis,
                                           std::optional<double> limitPct,
                                           std::string_view decimalSeparator);

// The conclusion; without a critical effect "CONCLUSIÓN (<response>): sin
// efecto crítico, no hay veredicto.".
std::string designConclusionLine(const design::ResponseAnalysis& analysis);

// Whether the conclusion names factors the method is not tolerant to.
bool designNotTolerant(const design::ResponseAnalysis& analysis);

// "Equivalencia (<factor>): <verdict>" for every factor, when judged.
std::vector<std::string> designEquivalenceLines(const design::ResponseAnalysis& analysis);

// "Intervalo sin efecto significativo (<factor>): <low> a <high>" for every
// significant numeric factor.
std::vector<std::string> designIntervalLines(const design::ResponseAnalysis& analysis,
                                             std::string_view decimalSeparator);

} // namespace robustez
