// Times one study as the program handles it: the values typed as text are
// converted, the statistics computed and every result formatted.
#include "core/stats/evidence.h"
#include "core/stats/number_format.h"
#include "core/stats/robustness.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

robustez::StudyRecord typedStudy() {
    robustez::StudyRecord study = robustez::newStudyRecord();
    study.replicateCountText = "10";
    robustez::sizeGridForCount(study.grid, 10);
    const char* normal[] = {"99.82", "100.13", "100.05", "99.91",  "100.20",
                            "99.87", "100.02", "99.95",  "100.11", "99.99"};
    for (int level = 1; level <= 3; ++level) {
        for (int r = 0; r < 10; ++r) {
            std::string text = normal[r];
            text.back() = static_cast<char>('0' + (r + 3 * level) % 10);
            study.grid.setCell(level, r + 2, text);
        }
    }
    return study;
}

void BM_ComputeAndFormatStudy(benchmark::State& state) {
    const robustez::StudyRecord study = typedStudy();
    for (auto _ : state) {
        robustez::RobustnessResults results;
        robustez::computeRobustness(study, ".", results);
        size_t length = 0;
        for (int i = 1; i <= 3; ++i) {
            length += robustez::formatResult(results.mean[i], ".").size();
            length += robustez::formatResult(robustez::levelSd(results, i), ".").size();
            length += robustez::formatResult(robustez::levelCv(results, i), ".").size();
        }
        for (int i = 2; i <= 3; ++i) {
            length += robustez::formatResult(results.tValue[i], ".").size();
            length += robustez::formatResult(results.absDiff[i], ".").size();
            length += robustez::toleranceVerdict(results.tValue[i], results.criticalT).size();
        }
        for (double v : {results.grandMean, results.sdTotal, results.cvTotal}) {
            length += robustez::formatResult(v, ".").size();
        }
        benchmark::DoNotOptimize(length);
    }
}
BENCHMARK(BM_ComputeAndFormatStudy);

// The evidence of the same study: the computation with its conversions, the
// adjusted p-values, the exact critical value (computed on the first run and
// cached) and the intervals.
void BM_Evidence(benchmark::State& state) {
    const robustez::StudyRecord study = typedStudy();
    for (auto _ : state) {
        const robustez::StudyEvidence evidence = robustez::computeEvidence(study, ".", 1.0);
        benchmark::DoNotOptimize(evidence.comparisons[1].pAdjusted);
    }
}
BENCHMARK(BM_Evidence);

} // namespace
