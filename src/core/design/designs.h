#pragma once

#include "core/design/design_study.h"

#include <cstdint>
#include <string>
#include <vector>

namespace robustez::design {

// A two-level design of the catalogue. Every design of N runs has N - 1
// columns: a Plackett-Burman design its N - 1 cyclic columns; a factorial its
// main-effect columns (the base factors, then the generated ones) followed by
// the remaining interaction columns of the base factors, named by their word
// ("AB", "ACD"), shortest words first.
struct Design {
    DesignKind kind = DesignKind::PlackettBurman;
    std::string name;
    int runs = 0;
    // The resolution of a fractional factorial (3, 4, 5); 0 otherwise.
    int resolution = 0;
    // The generators of a fractional factorial, e.g. "D=AB".
    std::vector<std::string> generators;
    // One name per column: "1", "2", ... for a Plackett-Burman design, the
    // letter or word of each column for a factorial.
    std::vector<std::string> columnNames;
    // runs x (runs - 1), each -1 or +1, in standard order.
    std::vector<std::vector<int>> matrix;
};

// Every design of the catalogue, built once, in this order and under these
// names: the Plackett-Burman designs "PB8", "PB12", "PB16", "PB20", "PB24";
// the fractional factorials of 8 runs "2^(4-1) IV" (D=ABC), "2^(5-2) III"
// (D=AB, E=AC), "2^(6-3) III" (D=AB, E=AC, F=BC), "2^(7-4) III" (D=AB, E=AC,
// F=BC, G=ABC) and of 16 runs "2^(5-1) V" (E=ABCD), "2^(6-2) IV" (E=ABC,
// F=BCD), "2^(7-3) IV" (E=ABC, F=BCD, G=ACD), "2^(8-4) IV" (E=BCD, F=ACD,
// G=ABC, H=ABD), "2^(15-11) III" (E=AB, F=AC, G=AD, H=BC, J=BD, K=CD, L=ABC,
// M=ABD, N=ACD, O=BCD, P=ABCD; no letter I); the full factorials "2^2",
// "2^3", "2^4".
const std::vector<Design>& designCatalogue();

// The catalogue's design of that name, or nullptr.
const Design* findDesign(const std::string& name);

// The smallest Plackett-Burman design with at least k + 3 columns, so that at
// least three are left for dummies. Throws RobustezError for k < 1 or k > 20.
const Design& proposedDesign(int factors);

// Every design of the catalogue with at least k columns, in catalogue order.
// Throws RobustezError for k < 1 or k > 23.
std::vector<const Design*> designsFor(int factors);

// Whether every column sums to 0 and X'X = N I (each entry +-1, a
// rectangular matrix with at least one row).
bool isBalancedOrthogonal(const std::vector<std::vector<int>>& matrix);

// The design's columns for a study whose factors take the first
// factors.size() columns; the others are dummies "Ficticio 1", "Ficticio 2",
// ... in column order. Throws RobustezError when there are more factors than
// columns.
std::vector<DesignColumn> designColumns(int columnCount, const std::vector<DesignFactor>& factors);

// A reproducible stream of 64-bit numbers (splitmix64): the same seed gives
// the same numbers on every platform.
class SplitMix64 {
public:
    explicit SplitMix64(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    // A uniform draw from 0 .. bound - 1 (bound >= 1), without the bias of a
    // bare remainder: draws in the short last cycle are rejected.
    std::uint64_t below(std::uint64_t bound);

private:
    std::uint64_t state_;
};

// The design rows' order: 0 .. rows - 1 in standard order, or shuffled by
// Fisher-Yates from the seed.
std::vector<int> runOrder(int rows, bool randomOrder, std::uint64_t seed);

// Where the nominal runs go among N design runs: for each nominal run, the
// number of design runs before it. One goes at the start; two or more at the
// start, at the end and evenly between (rounded, halves up).
std::vector<int> nominalPositions(int designRuns, int nominalRuns);

// The runs of a study in run order: the design's rows (each row's codes in
// full, its 1-based standard index) in runOrder, with the nominal runs placed
// by nominalPositions (codes all 0). Every run gets `responses` empty values.
// Throws RobustezError for nominalRuns outside 0 .. 12.
std::vector<DesignRun> layOutRuns(const std::vector<std::vector<int>>& matrix, int nominalRuns,
                                  bool randomOrder, std::uint64_t seed, int responses);

// The study's columns and runs from its design (looked up by name), factors,
// responses, nominal runs, order and seed. Throws RobustezError when the
// design is not in the catalogue or has too few columns.
void layOutStudy(DesignStudy& study);

} // namespace robustez::design
