// Feeds arbitrary bytes to the design screen's readers: the design-file
// decoder and the run-table reader under both decimal separators. Whatever
// they accept must encode and decode again to the same bytes, and analyse
// with every estimate or fail with one of the core's own errors; nothing may
// crash or throw anything else.
#include "core/design/design_analysis.h"
#include "core/design/design_file.h"
#include "core/design/run_table.h"
#include "core/study/errors.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

using namespace robustez::design;

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void analyse(const DesignStudy& study) {
    const std::optional<Estimate> estimates[] = {std::nullopt, Estimate::Dummy, Estimate::Nominal,
                                                 Estimate::Dong, Estimate::Lenth};
    for (const std::optional<Estimate>& estimate : estimates) {
        try {
            const auto analyses = analyseStudy(study, 5.0, estimate);
            check(analyses.size() == study.responses.size());
        } catch (const robustez::RobustezError&) {
        }
    }
}

// A study the program holds can be written to a design file and read back.
void checkDesignFile(const DesignStudy& study) {
    const std::string encoded = encodeDesignFile(study);
    const DesignStudy again = decodeDesignFile(encoded);
    check(encodeDesignFile(again) == encoded);
}

void readTable(std::string_view bytes, std::string_view separator) {
    RunTableReading reading;
    try {
        reading = decodeRunTable(bytes, separator);
    } catch (const robustez::RobustezError&) {
        return;
    }
    check(reading.lowLevel.size() == reading.study.factors.size());
    checkDesignFile(reading.study);
    analyse(reading.study);
    // The copy reads back, or is refused with a message.
    try {
        decodeRunTable(encodeRunTable(reading.study, separator), separator);
    } catch (const robustez::RobustezError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        const DesignStudy study = decodeDesignFile(bytes);
        checkDesignFile(study);
        analyse(study);
    } catch (const robustez::RobustezError&) {
    }
    readTable(bytes, ".");
    readTable(bytes, ",");
    return 0;
}
