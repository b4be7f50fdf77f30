// Feeds arbitrary bytes to the study-file decoder. Whatever decodes must
// encode, decode again to the same study, encode to the same bytes, and
// compose a text report (or fail with one of the core's own errors) under
// both decimal separators.
#include "core/report/text_report.h"
#include "core/study/errors.h"
#include "core/study/study_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void compose(const robustez::StudyRecord& study, std::string_view separator) {
    robustez::RobustnessResults results;
    std::vector<std::string> lines;
    const int sampleRows = study.grid.rowCount() - 2;
    try {
        robustez::composeTextReport(study, separator, results, lines);
        check(lines.size() == static_cast<std::size_t>(26 + sampleRows));
    } catch (const robustez::RobustezError&) {
        // The computation failed: the data lines stay, nothing after them.
        check(lines.size() == static_cast<std::size_t>(10 + sampleRows));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    robustez::StudyRecord study;
    try {
        study = robustez::decodeStudy(bytes);
    } catch (const robustez::RobustezError&) {
        return 0;
    }
    const int n = study.grid.rowCount() - 2;
    check(n >= 2 && n <= 10);

    const std::string encoded = robustez::encodeStudy(study);
    const robustez::StudyRecord again = robustez::decodeStudy(encoded);
    check(again.methodName == study.methodName);
    check(again.analystName == study.analystName);
    check(again.dateText == study.dateText);
    check(again.replicateCountText == study.replicateCountText);
    check(again.conditionName == study.conditionName);
    for (int level = 1; level <= 3; ++level) {
        for (int row = 0; row <= n + 1; ++row) {
            check(again.grid.cell(level, row) == study.grid.cell(level, row));
        }
    }
    check(robustez::encodeStudy(again) == encoded);
    // Everything the decoder produced can be written back to the code page.
    check(robustez::fitsCp1252(study.methodName));
    check(robustez::utf8ToCp1252(robustez::cp1252ToUtf8(bytes)) == bytes);

    compose(study, ".");
    compose(study, ",");
    return 0;
}
