// Times the analysis of a two-level screen as the program runs it: a 24-run
// Plackett-Burman design (ten factors, thirteen dummies) with three nominal
// runs and ten responses, every response analysed with its four estimates.
#include "core/design/design_analysis.h"
#include "core/design/designs.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

namespace {

robustez::design::DesignStudy measuredStudy() {
    using namespace robustez::design;
    DesignStudy study;
    for (int f = 0; f < 10; ++f) {
        study.factors.push_back({"Factor " + std::to_string(f + 1), "", "9", "10", "11"});
    }
    for (int v = 0; v < 10; ++v) {
        study.responses.push_back({"Respuesta " + std::to_string(v + 1), ""});
    }
    study.design = "PB24";
    study.nominalRuns = 3;
    study.seed = 2026;
    layOutStudy(study);
    // Values from a fixed generator: a trend on the first factors plus noise.
    SplitMix64 noise(7);
    for (DesignRun& run : study.runs) {
        for (std::size_t v = 0; v < run.values.size(); ++v) {
            double value = 100 + static_cast<double>(noise.below(200)) / 100;
            if (run.type == RunType::Design) {
                value += 0.8 * run.codes[v % 4] - 0.3 * run.codes[4];
            }
            run.values[v] = value;
        }
    }
    return study;
}

// As robustez-informe analyses file after file: one analyser, its buffers
// and quantiles kept from one study to the next.
void BM_AnalyseScreen24Runs10Responses(benchmark::State& state) {
    const robustez::design::DesignStudy study = measuredStudy();
    robustez::design::DesignAnalyser analyser;
    for (auto _ : state) {
        auto results = analyser.analyseStudy(study, 2.0);
        benchmark::DoNotOptimize(results);
    }
}
BENCHMARK(BM_AnalyseScreen24Runs10Responses)->Unit(benchmark::kMicrosecond);

// As the program's effects window analyses one study: a fresh analyser,
// every quantile computed anew.
void BM_AnalyseScreen24Runs10ResponsesFresh(benchmark::State& state) {
    const robustez::design::DesignStudy study = measuredStudy();
    for (auto _ : state) {
        auto results = robustez::design::analyseStudy(study, 2.0);
        benchmark::DoNotOptimize(results);
    }
}
BENCHMARK(BM_AnalyseScreen24Runs10ResponsesFresh)->Unit(benchmark::kMicrosecond);

} // namespace
