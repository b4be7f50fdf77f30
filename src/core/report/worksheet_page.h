#pragma once

#include "core/design/design_study.h"
#include "core/report/evidence_figure.h"

#include <string>
#include <string_view>
#include <vector>

namespace robustez {

// The worksheet of a two-level screen ("Hoja de trabajo"), the page the
// analyst takes to the instrument before anything is measured, as display
// lists over whole portrait pages (units of points for A4 or Letter). The
// first page: the title, the method, analyst, date and design, and the
// factors with their settings (Factor, Unidad, Bajo, Nominal, Alto). Then
// the runs in run order: the run's number, its type, each factor's setting
// to use (the nominal settings in a nominal run; dummies have no column) and
// a box per response, headed by its name and unit, empty until measured
// (a measured value in the result number format). The runs continue on
// further pages under their heading row; the lines "Realizó:" and "Revisó:"
// with their dates close the last. Every page ends with "Página i de N".
// A text wider than its cell wraps where the row has room and is otherwise
// shortened with "…".
// Throws std::invalid_argument for a page that is not finite and positive.
std::vector<DisplayList> composeWorksheetPages(const design::DesignStudy& study, double pageWidth,
                                               double pageHeight,
                                               std::string_view decimalSeparator);

// The setting of factor `factor` to use in `run`, as typed, numbers with the
// given decimal separator.
std::string worksheetSetting(const design::DesignStudy& study, std::size_t factor,
                             const design::DesignRun& run, std::string_view decimalSeparator);

inline constexpr std::string_view kWorksheetTitle = "HOJA DE TRABAJO";

} // namespace robustez
