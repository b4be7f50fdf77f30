#pragma once

#include "core/report/display_list.h"
#include "core/report/summary.h"

#include <string_view>
#include <vector>

namespace robustez {

// The printable pages of the summary, each a display list over the whole
// page (units of points for A4 or Letter): the title on every page; on the
// first, the heading lines; the table, one block per study (its Baja and
// Alta comparisons on two lines, the interval as "[low; high]"; a study
// without result shows its message across the comparison columns), its
// heading repeated on each page it continues on; the conclusion lines; the
// forest plot (summary_figure.h), at most kForestConditionsPerPage conditions on a page, its
// parts continued on further pages. Every page ends with the caller's footer
// text on the left and "Página i de N" on the right.
// Throws std::invalid_argument for a page that is not finite and positive.
std::vector<DisplayList> composeSummaryPages(const SummaryStudies& summary, double pageWidth,
                                             double pageHeight, std::string_view decimalSeparator,
                                             std::string_view footer);

} // namespace robustez
