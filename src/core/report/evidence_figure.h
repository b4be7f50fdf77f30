#pragma once

#include "core/report/display_list.h"
#include "core/report/text_fit.h"
#include "core/stats/evidence.h"

#include <string>
#include <string_view>

namespace robustez {

// The figure of the evidence in a width x height box. Left, "Valores por
// nivel": the replicate values of Normal, Baja and Alta as dots in three
// columns (side by side in replicate order), each level's mean as a short
// bar, the Normal mean as a dashed line across the panel, and a value axis.
// The levels are told apart by place and label, all in one grey ink.
// Right, "Diferencias frente a Normal (IC 95 % simultáneo)": each changed
// level's difference as a square marker within its simultaneous interval,
// in kTolerantInk or kNotTolerantInk by its verdict, a
// solid line at zero, and, while an equivalence limit is set, dashed lines
// at -bound and +bound labelled "−δ" and "+δ"; its axis takes in zero, both
// intervals and the bounds. Each axis spans its values' own spread, down to
// a spread of a billionth of their magnitude. Tick labels have the digits
// their spacing needs, in one notation per axis (fixed or scientific, as the
// result number format would choose), with the separator and the titles'
// minus sign, U+2212. Values that are not finite are left out; every
// coordinate is finite.
// Throws std::invalid_argument for a box that is not finite and positive.
DisplayList composeEvidenceFigure(const StudyEvidence& evidence, double width, double height,
                                  std::string_view decimalSeparator);

// The same with the base text size given (the detail page passes its own).
DisplayList composeEvidenceFigure(const StudyEvidence& evidence, double width, double height,
                                  std::string_view decimalSeparator, double fontSize);

} // namespace robustez
