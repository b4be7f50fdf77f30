#pragma once

#include "core/stats/evidence.h"
#include "core/report/evidence_figure.h"
#include "core/study/study_record.h"

#include <string_view>

namespace robustez {

// The printable detail page of the statistical evidence, as a display list
// over the whole page (margins included): the title "DETALLE ESTADÍSTICO",
// the study's method, analyst, date and operating condition (and the
// levels' settings when any is given), the comparisons table and the
// summary of composeEvidenceTables drawn as ruled grids, and the evidence
// figure below them. The same layout serves a portrait sheet (A4, Letter;
// units of points) and a landscape image (units of pixels): the text size
// follows the page, the summary stands beside the study lines when there is
// room, table columns share the width and wrap their headings first, and
// the figure takes the height that is left.
// Throws std::invalid_argument for a page that is not finite and positive.
DisplayList composeDetailPage(const StudyEvidence& evidence, const StudyRecord& study,
                              double pageWidth, double pageHeight,
                              std::string_view decimalSeparator);

inline constexpr std::string_view kDetailTitle = "DETALLE ESTADÍSTICO";

} // namespace robustez
