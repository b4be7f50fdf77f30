#include "core/design/designs.h"

#include "core/study/errors.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace robustez::design {

namespace {

// The first rows of the cyclic Plackett-Burman designs (Plackett and Burman,
// 1946): each further row is the previous one shifted one place to the
// right, and a last row of minus signs closes the design.
struct PlackettBurmanRow {
    int runs;
    std::string_view signs;
};

constexpr PlackettBurmanRow kPlackettBurmanRows[] = {
    {8, "+++-+--"},
    {12, "++-+++---+-"},
    {16, "++++-+-++--+---"},
    {20, "++--++++-+-+----++-"},
    {24, "+++++-+-++--++--+-+----"},
};

// A fractional factorial: its base factors (a full factorial in standard
// order) and one generated column per generator word over them.
struct FractionPlan {
    std::string_view name;
    int baseFactors;
    int resolution;
    // Each "X=WORD": the generated column's letter and its word.
    std::vector<std::string_view> generators;
};

// Letters of the columns, I left out as it names the identity.
constexpr std::string_view kLetters = "ABCDEFGHJKLMNOP";

const std::vector<FractionPlan>& fractionPlans() {
    static const std::vector<FractionPlan> plans = {
        {"2^(4-1) IV", 3, 4, {"D=ABC"}},
        {"2^(5-2) III", 3, 3, {"D=AB", "E=AC"}},
        {"2^(6-3) III", 3, 3, {"D=AB", "E=AC", "F=BC"}},
        {"2^(7-4) III", 3, 3, {"D=AB", "E=AC", "F=BC", "G=ABC"}},
        {"2^(5-1) V", 4, 5, {"E=ABCD"}},
        {"2^(6-2) IV", 4, 4, {"E=ABC", "F=BCD"}},
        {"2^(7-3) IV", 4, 4, {"E=ABC", "F=BCD", "G=ACD"}},
        {"2^(8-4) IV", 4, 4, {"E=BCD", "F=ACD", "G=ABC", "H=ABD"}},
        {"2^(15-11) III",
         4,
         3,
         {"E=AB", "F=AC", "G=AD", "H=BC", "J=BD", "K=CD", "L=ABC", "M=ABD", "N=ACD", "O=BCD",
          "P=ABCD"}},
    };
    return plans;
}

// The word of a subset of the base factors (bit i for the i-th letter).
std::string wordOf(unsigned subset) {
    std::string word;
    for (std::size_t i = 0; i < kLetters.size(); ++i) {
        if (subset & (1u << i)) {
            word += kLetters[i];
        }
    }
    return word;
}

unsigned subsetOf(std::string_view word) {
    unsigned subset = 0;
    for (const char letter : word) {
        subset |= 1u << kLetters.find(letter);
    }
    return subset;
}

// The column of a product of base factors over the 2^base runs in standard
// order (the first factor changes fastest, every factor starts low).
std::vector<int> productColumn(int base, unsigned subset) {
    const int runs = 1 << base;
    std::vector<int> column(static_cast<std::size_t>(runs), 1);
    for (int run = 0; run < runs; ++run) {
        for (int f = 0; f < base; ++f) {
            if ((subset & (1u << f)) && !(run & (1 << f))) {
                column[static_cast<std::size_t>(run)] = -column[static_cast<std::size_t>(run)];
            }
        }
    }
    return column;
}

// The subsets of the base factors with at least two members, shortest first,
// then in the order of their words.
std::vector<unsigned> interactionSubsets(int base) {
    std::vector<unsigned> subsets;
    for (unsigned s = 1; s < (1u << base); ++s) {
        if ((s & (s - 1)) != 0) {
            subsets.push_back(s);
        }
    }
    std::stable_sort(subsets.begin(), subsets.end(), [](unsigned a, unsigned b) {
        const std::string wa = wordOf(a);
        const std::string wb = wordOf(b);
        return wa.size() != wb.size() ? wa.size() < wb.size() : wa < wb;
    });
    return subsets;
}

// A factorial over `base` factors: the base columns, the generated columns,
// then every other product of the base factors.
Design factorial(DesignKind kind, std::string name, int base, int resolution,
                 const std::vector<std::string_view>& generators) {
    Design design;
    design.kind = kind;
    design.name = std::move(name);
    design.runs = 1 << base;
    design.resolution = resolution;
    std::vector<unsigned> subsets;
    for (int f = 0; f < base; ++f) {
        subsets.push_back(1u << f);
        design.columnNames.push_back(std::string(1, kLetters[static_cast<std::size_t>(f)]));
    }
    for (const std::string_view generator : generators) {
        design.generators.emplace_back(generator);
        subsets.push_back(subsetOf(generator.substr(2)));
        design.columnNames.emplace_back(generator.substr(0, 1));
    }
    for (const unsigned s : interactionSubsets(base)) {
        if (std::find(subsets.begin(), subsets.end(), s) == subsets.end()) {
            subsets.push_back(s);
            design.columnNames.push_back(wordOf(s));
        }
    }
    design.matrix.assign(static_cast<std::size_t>(design.runs), {});
    for (const unsigned s : subsets) {
        const std::vector<int> column = productColumn(base, s);
        for (std::size_t run = 0; run < column.size(); ++run) {
            design.matrix[run].push_back(column[run]);
        }
    }
    return design;
}

Design plackettBurman(const PlackettBurmanRow& row) {
    Design design;
    design.kind = DesignKind::PlackettBurman;
    design.name = "PB" + std::to_string(row.runs);
    design.runs = row.runs;
    const int columns = row.runs - 1;
    for (int c = 0; c < columns; ++c) {
        design.columnNames.push_back(std::to_string(c + 1));
    }
    for (int r = 0; r < columns; ++r) {
        std::vector<int> signs;
        for (int c = 0; c < columns; ++c) {
            const char sign =
                row.signs[static_cast<std::size_t>(((c - r) % columns + columns) % columns)];
            signs.push_back(sign == '+' ? 1 : -1);
        }
        design.matrix.push_back(std::move(signs));
    }
    design.matrix.emplace_back(static_cast<std::size_t>(columns), -1);
    return design;
}

std::vector<Design> buildCatalogue() {
    std::vector<Design> designs;
    for (const PlackettBurmanRow& row : kPlackettBurmanRows) {
        designs.push_back(plackettBurman(row));
    }
    for (const FractionPlan& plan : fractionPlans()) {
        designs.push_back(factorial(DesignKind::Fractional, std::string(plan.name),
                                    plan.baseFactors, plan.resolution, plan.generators));
    }
    for (int k = 2; k <= 4; ++k) {
        designs.push_back(factorial(DesignKind::Full, "2^" + std::to_string(k), k, 0, {}));
    }
    return designs;
}

int columnCount(const Design& design) {
    return design.runs - 1;
}

} // namespace

const std::vector<Design>& designCatalogue() {
    static const std::vector<Design> catalogue = buildCatalogue();
    return catalogue;
}

const Design* findDesign(const std::string& name) {
    for (const Design& design : designCatalogue()) {
        if (design.name == name) {
            return &design;
        }
    }
    return nullptr;
}

const Design& proposedDesign(int factors) {
    if (factors < 1 || factors > 20) {
        throw RobustezError("El número de factores debe estar entre 1 y 20.");
    }
    const Design* best = nullptr;
    for (const Design& design : designCatalogue()) {
        if (design.kind == DesignKind::PlackettBurman && columnCount(design) >= factors + 3 &&
            (best == nullptr || design.runs < best->runs)) {
            best = &design;
        }
    }
    return *best;
}

std::vector<const Design*> designsFor(int factors) {
    if (factors < 1 || factors > 23) {
        throw RobustezError("El número de factores debe estar entre 1 y 23.");
    }
    std::vector<const Design*> designs;
    for (const Design& design : designCatalogue()) {
        if (columnCount(design) >= factors) {
            designs.push_back(&design);
        }
    }
    return designs;
}

bool isBalancedOrthogonal(const std::vector<std::vector<int>>& matrix) {
    if (matrix.empty()) {
        return false;
    }
    const std::size_t columns = matrix.front().size();
    for (const std::vector<int>& row : matrix) {
        if (row.size() != columns) {
            return false;
        }
        for (const int code : row) {
            if (code != 1 && code != -1) {
                return false;
            }
        }
    }
    for (std::size_t a = 0; a < columns; ++a) {
        int sum = 0;
        for (const std::vector<int>& row : matrix) {
            sum += row[a];
        }
        if (sum != 0) {
            return false;
        }
        for (std::size_t b = a + 1; b < columns; ++b) {
            int product = 0;
            for (const std::vector<int>& row : matrix) {
                product += row[a] * row[b];
            }
            if (product != 0) {
                return false;
            }
        }
    }
    return true;
}

std::vector<DesignColumn> designColumns(int columnCount, const std::vector<DesignFactor>& factors) {
    if (static_cast<int>(factors.size()) > columnCount) {
        throw RobustezError("El diseño tiene menos columnas que factores.");
    }
    std::vector<DesignColumn> columns;
    int dummies = 0;
    for (int c = 0; c < columnCount; ++c) {
        if (c < static_cast<int>(factors.size())) {
            columns.push_back({factors[static_cast<std::size_t>(c)].name, c});
        } else {
            columns.push_back({"Ficticio " + std::to_string(++dummies), -1});
        }
    }
    return columns;
}

std::uint64_t SplitMix64::next() {
    state_ += 0x9e3779b97f4a7c15ULL;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

std::uint64_t SplitMix64::below(std::uint64_t bound) {
    // 2^64 mod bound: the draws under it would make the remainder uneven.
    const std::uint64_t threshold = (0 - bound) % bound;
    std::uint64_t draw = next();
    while (draw < threshold) {
        draw = next();
    }
    return draw % bound;
}

std::vector<int> runOrder(int rows, bool randomOrder, std::uint64_t seed) {
    std::vector<int> order;
    for (int i = 0; i < rows; ++i) {
        order.push_back(i);
    }
    if (randomOrder) {
        SplitMix64 random(seed);
        for (int i = rows - 1; i > 0; --i) {
            const auto j = static_cast<int>(random.below(static_cast<std::uint64_t>(i) + 1));
            std::swap(order[static_cast<std::size_t>(i)], order[static_cast<std::size_t>(j)]);
        }
    }
    return order;
}

std::vector<int> nominalPositions(int designRuns, int nominalRuns) {
    std::vector<int> positions;
    if (nominalRuns == 1) {
        positions.push_back(0);
    }
    if (nominalRuns >= 2) {
        const int gaps = nominalRuns - 1;
        for (int j = 0; j < nominalRuns; ++j) {
            positions.push_back((2 * j * designRuns + gaps) / (2 * gaps));
        }
    }
    return positions;
}

std::vector<DesignRun> layOutRuns(const std::vector<std::vector<int>>& matrix, int nominalRuns,
                                  bool randomOrder, std::uint64_t seed, int responses) {
    if (nominalRuns < 0 || nominalRuns > 12) {
        throw RobustezError("El número de ensayos nominales debe estar entre 0 y 12.");
    }
    const int rows = static_cast<int>(matrix.size());
    const std::size_t columns = matrix.empty() ? 0 : matrix.front().size();
    const std::vector<int> order = runOrder(rows, randomOrder, seed);
    const std::vector<int> positions = nominalPositions(rows, nominalRuns);
    const std::vector<std::optional<double>> empty(static_cast<std::size_t>(responses));
    std::vector<DesignRun> runs;
    std::size_t nextNominal = 0;
    for (int before = 0; before <= rows; ++before) {
        while (nextNominal < positions.size() && positions[nextNominal] == before) {
            ++nextNominal;
            runs.push_back({RunType::Nominal, static_cast<int>(nextNominal),
                            std::vector<int>(columns, 0), empty});
        }
        if (before < rows) {
            const int row = order[static_cast<std::size_t>(before)];
            runs.push_back(
                {RunType::Design, row + 1, matrix[static_cast<std::size_t>(row)], empty});
        }
    }
    return runs;
}

void layOutStudy(DesignStudy& study) {
    const Design* design = findDesign(study.design);
    if (design == nullptr) {
        throw RobustezError("El diseño \"" + study.design + "\" no está en el catálogo.");
    }
    study.kind = design->kind;
    study.columns = designColumns(columnCount(*design), study.factors);
    study.runs = layOutRuns(design->matrix, study.nominalRuns, study.randomOrder, study.seed,
                            static_cast<int>(study.responses.size()));
}

} // namespace robustez::design
