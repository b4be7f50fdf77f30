#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace robustez::design {

// A robustness screen by a two-level design: several operating conditions
// (factors) changed at once between a low and a high setting, in the runs of
// a balanced, orthogonal design, with nominal runs spread among them to watch
// drift. Plain data; the designs are in designs.h, the analysis in
// design_analysis.h, the file in design_file.h.

// A factor as the analyst typed it. The settings are kept as typed: numbers
// (written with "." inside the program; asymmetric intervals allowed) or, for
// a qualitative factor such as a column lot, two texts (low and high; the
// nominal setting may be either or empty).
struct DesignFactor {
    std::string name;
    std::string unit;
    std::string low;
    std::string nominal;
    std::string high;
};

// A measured quantity ("Contenido", "Resolución", "Tiempo de retención").
struct DesignResponse {
    std::string name;
    std::string unit;
};

enum class RunType { Design, Nominal };

// One run of the study, in run order.
struct DesignRun {
    RunType type = RunType::Design;
    // Design runs: the 1-based row of the design in standard order.
    // Nominal runs: the 1-based count among the nominal runs.
    int standardIndex = 0;
    // One code per column of the design: -1 (low) or +1 (high) for a design
    // run, 0 for every column of a nominal run.
    std::vector<int> codes;
    // One value per response; empty until measured.
    std::vector<std::optional<double>> values;
};

enum class DesignKind { PlackettBurman, Fractional, Full, Table };

// A column of the design: a factor's (factor is its index in
// DesignStudy::factors) or a dummy's (factor == -1, named "Ficticio 1",
// "Ficticio 2", ... in column order).
struct DesignColumn {
    std::string name;
    int factor = -1;
};

struct DesignStudy {
    std::string method;
    std::string analyst;
    std::string date;
    std::vector<DesignFactor> factors;
    std::vector<DesignResponse> responses;
    DesignKind kind = DesignKind::PlackettBurman;
    // The design's name in the catalogue (designs.h), empty for a run table.
    std::string design;
    // Every column of the design, in column order; a catalogue design of N
    // runs has N - 1.
    std::vector<DesignColumn> columns;
    int nominalRuns = 0;
    bool randomOrder = true;
    std::uint64_t seed = 0;
    // The runs in run order: N design runs and nominalRuns nominal runs.
    std::vector<DesignRun> runs;
};

} // namespace robustez::design
