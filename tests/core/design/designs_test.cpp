#include "core/design/designs.h"

#include "core/study/errors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <string>
#include <vector>

namespace robustez::design {
namespace {

int columnIndex(const Design& design, const std::string& name) {
    const auto it = std::find(design.columnNames.begin(), design.columnNames.end(), name);
    return it == design.columnNames.end() ? -1 : static_cast<int>(it - design.columnNames.begin());
}

// The product, run by run, of the columns named by the letters of a word.
std::vector<int> productOf(const Design& design, const std::string& word) {
    std::vector<int> product(static_cast<std::size_t>(design.runs), 1);
    for (const char letter : word) {
        const int c = columnIndex(design, std::string(1, letter));
        EXPECT_GE(c, 0) << design.name << " " << letter;
        for (int r = 0; r < design.runs; ++r) {
            product[static_cast<std::size_t>(r)] *=
                design.matrix[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
        }
    }
    return product;
}

std::vector<int> columnOf(const Design& design, int c) {
    std::vector<int> column;
    for (const std::vector<int>& row : design.matrix) {
        column.push_back(row[static_cast<std::size_t>(c)]);
    }
    return column;
}

TEST(Designs, EveryDesignIsBalancedAndOrthogonalWithItsPublishedRows) {
    const struct {
        const char* name;
        DesignKind kind;
        int runs;
        int resolution;
        // Plackett and Burman (1946): the first row of the cyclic designs.
        const char* firstRow;
    } expected[] = {
        {"PB8", DesignKind::PlackettBurman, 8, 0, "+++-+--"},
        {"PB12", DesignKind::PlackettBurman, 12, 0, "++-+++---+-"},
        {"PB16", DesignKind::PlackettBurman, 16, 0, "++++-+-++--+---"},
        {"PB20", DesignKind::PlackettBurman, 20, 0, "++--++++-+-+----++-"},
        {"PB24", DesignKind::PlackettBurman, 24, 0, "+++++-+-++--++--+-+----"},
        {"2^(4-1) IV", DesignKind::Fractional, 8, 4, nullptr},
        {"2^(5-2) III", DesignKind::Fractional, 8, 3, nullptr},
        {"2^(6-3) III", DesignKind::Fractional, 8, 3, nullptr},
        {"2^(7-4) III", DesignKind::Fractional, 8, 3, nullptr},
        {"2^(5-1) V", DesignKind::Fractional, 16, 5, nullptr},
        {"2^(6-2) IV", DesignKind::Fractional, 16, 4, nullptr},
        {"2^(7-3) IV", DesignKind::Fractional, 16, 4, nullptr},
        {"2^(8-4) IV", DesignKind::Fractional, 16, 4, nullptr},
        {"2^(15-11) III", DesignKind::Fractional, 16, 3, nullptr},
        {"2^2", DesignKind::Full, 4, 0, nullptr},
        {"2^3", DesignKind::Full, 8, 0, nullptr},
        {"2^4", DesignKind::Full, 16, 0, nullptr},
    };
    ASSERT_EQ(designCatalogue().size(), std::size(expected));
    for (const auto& e : expected) {
        const Design* design = findDesign(e.name);
        ASSERT_NE(design, nullptr) << e.name;
        EXPECT_EQ(design->kind, e.kind) << e.name;
        EXPECT_EQ(design->runs, e.runs) << e.name;
        EXPECT_EQ(design->resolution, e.resolution) << e.name;
        ASSERT_EQ(design->matrix.size(), static_cast<std::size_t>(e.runs)) << e.name;
        EXPECT_EQ(design->matrix.front().size(), static_cast<std::size_t>(e.runs - 1)) << e.name;
        EXPECT_EQ(design->columnNames.size(), static_cast<std::size_t>(e.runs - 1)) << e.name;
        EXPECT_TRUE(isBalancedOrthogonal(design->matrix)) << e.name;
        if (e.firstRow != nullptr) {
            std::string first;
            for (const int code : design->matrix.front()) {
                first += code > 0 ? '+' : '-';
            }
            EXPECT_EQ(first, e.firstRow);
            // Each next row is the previous one shifted right; the last is all low.
            for (int r = 1; r + 1 < e.runs; ++r) {
                std::vector<int> shifted = design->matrix[static_cast<std::size_t>(r - 1)];
                std::rotate(shifted.rbegin(), shifted.rbegin() + 1, shifted.rend());
                EXPECT_EQ(design->matrix[static_cast<std::size_t>(r)], shifted) << e.name << r;
            }
            EXPECT_EQ(design->matrix.back(), std::vector<int>(e.runs - 1, -1)) << e.name;
        } else {
            // Standard order: A changes every run, B every two, and the
            // first run has every base factor low.
            EXPECT_EQ(columnOf(*design, 0)[0], -1);
            EXPECT_EQ(columnOf(*design, 0)[1], 1);
            EXPECT_EQ(columnOf(*design, 1)[1], -1);
            EXPECT_EQ(columnOf(*design, 1)[2], 1);
        }
    }
    EXPECT_EQ(findDesign("PB28"), nullptr);
    // The test itself rejects what is not balanced or orthogonal.
    const std::vector<std::vector<int>> unbalanced = {{1, 1}, {1, -1}, {-1, 1}, {1, -1}};
    const std::vector<std::vector<int>> correlated = {{1, 1}, {1, 1}, {-1, -1}, {-1, -1}};
    const std::vector<std::vector<int>> notTwoLevel = {{1, 0}, {-1, 0}};
    EXPECT_FALSE(isBalancedOrthogonal(unbalanced));
    EXPECT_FALSE(isBalancedOrthogonal(correlated));
    EXPECT_FALSE(isBalancedOrthogonal(notTwoLevel));
    EXPECT_FALSE(isBalancedOrthogonal({}));
}

TEST(Designs, GeneratedAndInteractionColumnsAreTheProductsOfTheirWords) {
    for (const Design& design : designCatalogue()) {
        if (design.kind == DesignKind::PlackettBurman) {
            continue;
        }
        // Every generator "X=WORD": column X is the product of WORD's columns.
        std::vector<unsigned> words;
        for (const std::string& generator : design.generators) {
            ASSERT_EQ(generator[1], '=') << generator;
            const int c = columnIndex(design, generator.substr(0, 1));
            ASSERT_GE(c, 0) << generator;
            EXPECT_EQ(columnOf(design, c), productOf(design, generator.substr(2)))
                << design.name << " " << generator;
            unsigned word = 0;
            for (const char letter : generator) {
                if (letter != '=') {
                    word ^= 1u << (letter - 'A');
                }
            }
            words.push_back(word);
        }
        // Every column named by a word of several letters is their product.
        for (std::size_t c = 0; c < design.columnNames.size(); ++c) {
            if (design.columnNames[c].size() > 1) {
                EXPECT_EQ(columnOf(design, static_cast<int>(c)),
                          productOf(design, design.columnNames[c]))
                    << design.name << " " << design.columnNames[c];
            }
        }
        // The resolution is the shortest word of the defining relation, the
        // products of every subset of the generators' words.
        if (!words.empty()) {
            int shortest = 100;
            for (unsigned subset = 1; subset < (1u << words.size()); ++subset) {
                unsigned word = 0;
                for (std::size_t g = 0; g < words.size(); ++g) {
                    if (subset & (1u << g)) {
                        word ^= words[g];
                    }
                }
                shortest = std::min(shortest, std::popcount(word));
            }
            EXPECT_EQ(design.resolution, shortest) << design.name;
        }
    }
    EXPECT_EQ(findDesign("2^(7-4) III")->generators,
              (std::vector<std::string>{"D=AB", "E=AC", "F=BC", "G=ABC"}));
    EXPECT_EQ(findDesign("2^(4-1) IV")->columnNames,
              (std::vector<std::string>{"A", "B", "C", "D", "AB", "AC", "BC"}));
}

TEST(Designs, ProposalAndChoiceByNumberOfFactors) {
    // The smallest Plackett-Burman design leaving three columns for dummies.
    const struct {
        int factors;
        const char* proposed;
    } proposals[] = {{1, "PB8"},   {4, "PB8"},   {5, "PB12"},  {8, "PB12"},  {9, "PB16"},
                     {12, "PB16"}, {13, "PB20"}, {16, "PB20"}, {17, "PB24"}, {20, "PB24"}};
    for (const auto& p : proposals) {
        EXPECT_EQ(proposedDesign(p.factors).name, p.proposed) << p.factors;
    }
    EXPECT_THROW(proposedDesign(0), RobustezError);
    EXPECT_THROW(proposedDesign(21), RobustezError);
    for (int k = 1; k <= 23; ++k) {
        const std::vector<const Design*> offered = designsFor(k);
        for (const Design& design : designCatalogue()) {
            const bool fits = design.runs - 1 >= k;
            const bool listed = std::find(offered.begin(), offered.end(), &design) != offered.end();
            EXPECT_EQ(listed, fits) << k << " " << design.name;
        }
    }
    EXPECT_EQ(designsFor(23).size(), 1u);
    EXPECT_EQ(designsFor(3).size(), designCatalogue().size());
    EXPECT_THROW(designsFor(24), RobustezError);
    EXPECT_THROW(designsFor(0), RobustezError);

    const std::vector<DesignFactor> factors = {{"pH", "", "2.8", "3.0", "3.2"},
                                               {"Flujo", "mL/min", "0.9", "1.0", "1.1"}};
    const std::vector<DesignColumn> columns = designColumns(5, factors);
    const std::vector<std::pair<std::string, int>> expected = {
        {"pH", 0}, {"Flujo", 1}, {"Ficticio 1", -1}, {"Ficticio 2", -1}, {"Ficticio 3", -1}};
    ASSERT_EQ(columns.size(), expected.size());
    for (std::size_t c = 0; c < columns.size(); ++c) {
        EXPECT_EQ(columns[c].name, expected[c].first);
        EXPECT_EQ(columns[c].factor, expected[c].second);
    }
    EXPECT_THROW(designColumns(1, factors), RobustezError);
}

TEST(Designs, RunsLaidOutWithNominalRunsAndASeededOrder) {
    // Expected positions: round(j N / (n - 1)), halves up, by Python's
    // fractions.
    const struct {
        int designRuns;
        int nominalRuns;
        std::vector<int> positions;
    } layouts[] = {
        {12, 0, {}},
        {12, 1, {0}},
        {12, 2, {0, 12}},
        {12, 3, {0, 6, 12}},
        {12, 5, {0, 3, 6, 9, 12}},
        {8, 4, {0, 3, 5, 8}},
        {4, 12, {0, 0, 1, 1, 1, 2, 2, 3, 3, 3, 4, 4}},
        {24, 12, {0, 2, 4, 7, 9, 11, 13, 15, 17, 20, 22, 24}},
        {20, 7, {0, 3, 7, 10, 13, 17, 20}},
    };
    for (const auto& l : layouts) {
        EXPECT_EQ(nominalPositions(l.designRuns, l.nominalRuns), l.positions)
            << l.designRuns << " " << l.nominalRuns;
    }

    // The orders of an independent re-implementation in Python of
    // splitmix64 and the Fisher-Yates shuffle with rejection of the short
    // last cycle; splitmix64 from seed 0 starts with the reference
    // implementation's published outputs.
    SplitMix64 random(0);
    EXPECT_EQ(random.next(), 0xe220a8397b1dcdafULL);
    EXPECT_EQ(random.next(), 0x6e789e6aa1b965f4ULL);
    EXPECT_EQ(random.next(), 0x06c45d188009454fULL);
    const struct {
        int rows;
        std::uint64_t seed;
        std::vector<int> order;
    } orders[] = {
        {12, 20261208, {10, 4, 5, 0, 2, 11, 8, 3, 1, 7, 6, 9}},
        {24, 1, {7, 20, 21, 12, 23, 22, 11, 3, 5,  16, 18, 15,
                 4, 19, 10, 8,  6,  9,  13, 1, 14, 0,  2,  17}},
        {8, 0xFFFFFFFFFFFFFFFFULL, {7, 3, 5, 4, 2, 6, 1, 0}},
    };
    for (const auto& o : orders) {
        EXPECT_EQ(runOrder(o.rows, true, o.seed), o.order) << o.seed;
    }
    EXPECT_EQ(runOrder(4, false, 99), (std::vector<int>{0, 1, 2, 3}));

    const Design& pb8 = *findDesign("PB8");
    const std::vector<DesignRun> runs = layOutRuns(pb8.matrix, 3, true, 20261208, 2);
    ASSERT_EQ(runs.size(), 11u);
    const std::vector<int> order = runOrder(8, true, 20261208);
    std::size_t designSeen = 0;
    int nominalSeen = 0;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const DesignRun& run = runs[i];
        EXPECT_EQ(run.values.size(), 2u);
        EXPECT_FALSE(run.values[0].has_value());
        // Nominal runs first, in the middle (after 4 design runs) and last.
        const bool nominal = i == 0 || i == 5 || i == 10;
        EXPECT_EQ(run.type == RunType::Nominal, nominal) << i;
        if (nominal) {
            EXPECT_EQ(run.standardIndex, ++nominalSeen);
            EXPECT_EQ(run.codes, std::vector<int>(7, 0));
        } else {
            const int row = order[designSeen++];
            EXPECT_EQ(run.standardIndex, row + 1);
            EXPECT_EQ(run.codes, pb8.matrix[static_cast<std::size_t>(row)]);
        }
    }
    EXPECT_THROW(layOutRuns(pb8.matrix, 13, true, 1, 1), RobustezError);

    DesignStudy study;
    study.factors = {{"pH", "", "2.8", "3.0", "3.2"}};
    study.responses = {{"Contenido", "%"}};
    study.design = "PB12";
    study.nominalRuns = 2;
    study.randomOrder = false;
    layOutStudy(study);
    EXPECT_EQ(study.columns.size(), 11u);
    EXPECT_EQ(study.columns[10].name, "Ficticio 10");
    ASSERT_EQ(study.runs.size(), 14u);
    EXPECT_EQ(study.runs.front().type, RunType::Nominal);
    EXPECT_EQ(study.runs[1].standardIndex, 1);
    EXPECT_EQ(study.runs.back().type, RunType::Nominal);
    study.design = "PB99";
    EXPECT_THROW(layOutStudy(study), RobustezError);
}

} // namespace
} // namespace robustez::design
