// Times what "&Abrir..." and "&Informe" do for a study of ten replicates: the
// file's bytes decoded into a study, the statistics computed and the text
// report composed.
#include "core/report/text_report.h"
#include "core/study/study_file.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

// The bytes of a study file with n = 10, accents included.
std::string studyFileBytes() {
    std::string bytes = "Valoraci\xf3n de \xe1"
                        "cido acetilsalic\xed"
                        "lico\r\nQ.F.B. Mar\xed"
                        "a P\xe9rez\r\n07/12/2026\r\n10\r\nTemperatura\r\n";
    const char* settings[] = {"25 \xb0"
                              "C",
                              "20 \xb0"
                              "C",
                              "30 \xb0"
                              "C"};
    const char* values[] = {"99.82", "100.13", "100.05", "99.91",  "100.20",
                            "99.87", "100.02", "99.95",  "100.11", "99.99"};
    for (int level = 0; level < 3; ++level) {
        bytes += std::string(settings[level]) + "\r\n";
        for (int r = 0; r < 10; ++r) {
            std::string text = values[r];
            text.back() = static_cast<char>('0' + (r + 3 * level) % 10);
            bytes += text + "\r\n";
        }
    }
    return bytes;
}

void BM_LoadComputeComposeReport(benchmark::State& state) {
    const std::string bytes = studyFileBytes();
    for (auto _ : state) {
        const robustez::StudyRecord study = robustez::decodeStudy(bytes);
        robustez::RobustnessResults results;
        std::vector<std::string> lines;
        robustez::composeTextReport(study, ".", results, lines);
        benchmark::DoNotOptimize(lines.data());
        if (lines.size() != 36) {
            state.SkipWithError("the report must have 36 lines");
            break;
        }
    }
}
BENCHMARK(BM_LoadComputeComposeReport);

} // namespace
