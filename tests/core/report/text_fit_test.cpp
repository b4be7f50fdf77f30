#include "core/report/text_fit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace robustez {
namespace {

TEST(TextFit, WrapsWhereThereIsRoomElseCutsWithAnEllipsis) {
    // Widths in thousandths of an em (size 1000). The expected lines were
    // worked out with the advance widths read from LiberationSans-Regular.ttf
    // (its hmtx and cmap tables, by a small Python script): greedy wrapping at
    // spaces, a word wider than a line broken between characters, the rest of
    // the text on the last line cut to its longest start that fits with "…"
    // (1000 wide), trailing spaces dropped. For example "Temperatura de la" is
    // 8171 wide and "Temperatura de la columna" 12229.
    struct Case {
        std::string text;
        double width;
        int spareLines;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"Baja", 2002, 0, {"Baja"}}, // 2001.5 wide: fits, whatever the spare lines
        {"Baja", 2002, 3, {"Baja"}},
        {"Baja", 1990, 0, {"B…"}},
        {"Temperatura de la columna", 9000, 1, {"Temperatura de la", "columna"}},
        {"Temperatura de la columna", 9000, 0, {"Temperatura de l…"}},
        {"Treinta y cinco grados centígrados, baño", 7000, 1, {"Treinta y cinco", "grados centí…"}},
        {"Treinta y cinco grados centígrados, baño",
         7000,
         2,
         {"Treinta y cinco", "grados", "centígrados,…"}},
        {"Treinta y cinco grados centígrados, baño",
         7000,
         3,
         {"Treinta y cinco", "grados", "centígrados,", "baño"}},
        {"Cromatografía líquida", 2900, 1, {"Crom", "ato…"}},
        {"Cromatografía líquida", 2900, 3, {"Crom", "atogra", "fía", "líqui…"}},
        {"ííííí", 1300, 0, {"í…"}},    // cut between characters, not bytes
        {"ab cdef", 2500, 0, {"ab…"}}, // "ab " fits, the space is dropped
        {"Baja", 900, 0, {""}},        // not even "…" fits
        {"", 0, 0, {""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text + " in " + std::to_string(c.width) + " with " +
                     std::to_string(c.spareLines) + " spare lines");
        EXPECT_EQ(fitTextLines(c.text, c.width, c.spareLines, 1000), c.lines);
    }
}

} // namespace
} // namespace robustez
