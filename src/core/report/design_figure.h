#pragma once

#include "core/design/design_analysis.h"
#include "core/design/design_study.h"
#include "core/report/display_list.h"

#include <optional>
#include <string_view>
#include <vector>

namespace robustez {

// The figures of a robustness screen by two-level design, as display lists.

inline constexpr Rgb kDesignFactorInk{0x1F, 0x4E, 0x9A};
// Only a factor whose verdict is "SIGNIFICATIVO" is drawn in this colour.
inline constexpr Rgb kDesignSignificantInk{0xC0, 0x1C, 0x28};
inline constexpr Rgb kDesignDummyInk{0x70, 0x70, 0x70};
inline constexpr Rgb kDesignBandFill{0xD9, 0xEF, 0xD9};

// The figure of one response in a width x height box, texts of base size
// fontSize: a legend across the top (a factor's dot, a significant factor's
// dot, a dummy's hollow square, the dashed line of the critical effect and,
// with a limit, the swatch of the equivalence band); left, the half-normal
// plot: each column's |E| against its z as a dot (a factor) or a hollow
// square (a dummy), labelled with the column's name, the line through the
// origin of slope the estimate's standard error, and |E| = E_crit dashed;
// right, each column's effect as a horizontal bar from 0, in column order
// from the top, dashed lines at -E_crit and +E_crit and, with a limit L,
// a band from -δ to +δ behind the bars (δ = L % of |base of %E|). Factors
// are kDesignFactorInk, significant ones kDesignSignificantInk, dummies
// kDesignDummyInk (outlined). Values that are not finite are left out.
// Throws std::invalid_argument for a box or size that is not finite and
// positive.
DisplayList composeDesignFigure(const design::DesignStudy& study,
                                const design::ResponseAnalysis& analysis,
                                std::optional<double> limitPct, double width, double height,
                                std::string_view decimalSeparator, double fontSize);

// The height composeDesignFigure needs at base size fontSize for the bars
// of `columns` columns to have a row each.
double designFigureHeight(std::size_t columns, double width, double fontSize);

// The figures of every response, one under the other, each headed by the
// response's name, `width` wide with the text size following the width:
// what the report tool writes as SVG.
DisplayList composeDesignFigures(const design::DesignStudy& study,
                                 const std::vector<design::ResponseAnalysis>& analyses,
                                 std::optional<double> limitPct, double width,
                                 std::string_view decimalSeparator);

// The standard error of the effects behind the estimate used: the dummies'
// or the nominal runs' se, Dong's s1 or Lenth's PSE; empty when undefined.
std::optional<double> estimateStandardError(const design::ResponseAnalysis& analysis);

// The bound δ of the equivalence limit: limitPct % of |the base of %E|;
// empty without a limit or when not finite.
std::optional<double> equivalenceBound(const design::ResponseAnalysis& analysis,
                                       std::optional<double> limitPct);

} // namespace robustez
