#pragma once

#include "core/design/design_analysis.h"
#include "core/design/design_study.h"
#include "core/report/design_table.h"
#include "core/report/display_list.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace robustez {

// The printable result pages of a robustness screen by two-level design,
// each a display list over the whole page (units of points for A4 or
// Letter), one page per response (a page continues on the next when its
// response's tables and figure do not fit): the title; the method, analyst,
// date, the design and the response; the factors with their settings; the
// effects table (column, E, %E, t, p, E_crit, verdict and, with a limit,
// equivalence; "SIGNIFICATIVO" in the significant colour); the estimate
// used and the base of %E; the conclusion; the intervals without a
// significant effect; and the design figure (design_figure.h). Numbers are
// in the result format, p as formatPValue writes it, "—" for a value that
// is not defined. Every page ends with "Página i de N".
// Throws std::invalid_argument for a page that is not finite and positive.
std::vector<DisplayList> composeDesignPages(const design::DesignStudy& study,
                                            const std::vector<design::ResponseAnalysis>& analyses,
                                            std::optional<double> limitPct, double pageWidth,
                                            double pageHeight, std::string_view decimalSeparator);

inline constexpr std::string_view kDesignTitle = "CRIBADO DE ROBUSTEZ POR DISEÑO DE DOS NIVELES";

// The design's line: "Diseño: <kind> <name>, N ensayos de diseño, k
// columnas, n ensayos nominales[, orden ...]".
std::string designLine(const design::DesignStudy& study);

} // namespace robustez
