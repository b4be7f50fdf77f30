#pragma once

#include "core/stats/robustness.h"
#include "core/report/page_canvas.h"
#include "core/study/study_record.h"

#include <string_view>

namespace robustez {

// The two printed layouts of the two pages.
enum class PrintLayout { Laser, DeskJet };
enum class PrintPage { General, Results };

// Draws one page as one document on the canvas: begins the document, draws the
// page header and the page, ends the document. When drawing fails (for example
// a count that is not a whole number), the document is aborted and the error
// propagates. The results page works on its own copy of `results`.
void printGeneralPage(PageCanvas& canvas, PrintLayout layout, const StudyRecord& study);
void printResultsPage(PageCanvas& canvas, PrintLayout layout, const StudyRecord& study,
                      const RobustnessResults& results, std::string_view decimalSeparator);

} // namespace robustez
