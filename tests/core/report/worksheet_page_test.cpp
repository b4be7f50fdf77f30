// The worksheet of a design screen: its runs and settings in run order, its
// texts apart and within the printable width, its pages.
#include "core/report/worksheet_page.h"

#include "core/design/design_file.h"
#include "core/design/designs.h"

#include "text_boxes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace robustez {
namespace {

using design::DesignStudy;

// The example screen of the examples folder (diseno_pb8.w1d).
constexpr std::string_view kExampleFile = "ROBUSTEZ-DISENO\t1\n"
                                          "Método\tValoración de paracetamol por HPLC\n"
                                          "Analista\tQ.F.B. María Pérez\n"
                                          "Fecha\t08/12/2026\n"
                                          "Diseño\tPB8\tplackett-burman\n"
                                          "Ensayos nominales\t3\n"
                                          "Orden\taleatorio\t20261208\n"
                                          "Factores\t4\n"
                                          "Temperatura de la columna\t°C\t25\t30\t35\n"
                                          "Flujo\tmL/min\t0.9\t1.0\t1.1\n"
                                          "pH de la fase móvil\t\t2.8\t3.0\t3.2\n"
                                          "Lote de columna\t\tlote A\t\tlote B\n"
                                          "Respuestas\t2\n"
                                          "Contenido\t%\n"
                                          "Resolución\t\n"
                                          "Columnas\t7\n"
                                          "Temperatura de la columna\t1\n"
                                          "Flujo\t2\n"
                                          "pH de la fase móvil\t3\n"
                                          "Lote de columna\t4\n"
                                          "Ficticio 1\tficticio\n"
                                          "Ficticio 2\tficticio\n"
                                          "Ficticio 3\tficticio\n"
                                          "Ensayos\t11\n"
                                          "1\tnominal\t1\t0\t0\t0\t0\t0\t0\t0\t99.65\t2.42\n"
                                          "2\tdiseño\t5\t-1\t1\t-1\t-1\t1\t1\t1\t98.99\t2.53\n"
                                          "3\tdiseño\t2\t-1\t1\t1\t1\t-1\t1\t-1\t99.16\t2.95\n"
                                          "4\tdiseño\t8\t-1\t-1\t-1\t-1\t-1\t-1\t-1\t99.27\t2.62\n"
                                          "5\tdiseño\t1\t1\t1\t1\t-1\t1\t-1\t-1\t99.99\t2.25\n"
                                          "6\tnominal\t2\t0\t0\t0\t0\t0\t0\t0\t99.58\t2.39\n"
                                          "7\tdiseño\t6\t1\t-1\t1\t-1\t-1\t1\t1\t100.2\t2.31\n"
                                          "8\tdiseño\t3\t-1\t-1\t1\t1\t1\t-1\t1\t99.17\t2.9\n"
                                          "9\tdiseño\t7\t1\t1\t-1\t1\t-1\t-1\t1\t99.99\t1.84\n"
                                          "10\tdiseño\t4\t1\t-1\t-1\t1\t1\t1\t-1\t100.04\t1.81\n"
                                          "11\tnominal\t3\t0\t0\t0\t0\t0\t0\t0\t99.64\t2.42\n";

struct Paper {
    const char* name;
    double width, height; // points
};
constexpr Paper kA4{"a4", 595.28, 841.89};
constexpr Paper kLetter{"letter", 612, 792};

// The report tool's PDF pages keep a quarter inch (18 points) from each edge
// for the printer.
constexpr double kPrinterMargin = 18;

// The texts of a page as lines: the texts at one height, left to right,
// joined by "|", top to bottom.
std::vector<std::string> textLines(const DisplayList& page) {
    std::map<double, std::vector<std::pair<double, std::string>>> byHeight;
    for (const Primitive& item : page.items) {
        if (const auto* t = std::get_if<TextPrimitive>(&item)) {
            byHeight[t->y].emplace_back(t->x, t->text);
        }
    }
    std::vector<std::string> lines;
    for (auto& [y, texts] : byHeight) {
        std::sort(texts.begin(), texts.end());
        std::string line;
        for (const auto& [x, text] : texts) {
            line += (line.empty() ? "" : "|") + text;
        }
        lines.push_back(line);
    }
    return lines;
}

// The lines of the runs' rows: a number, then "diseño" or "nominal".
std::vector<std::string> runLines(const std::vector<DisplayList>& pages) {
    std::vector<std::string> runs;
    for (const DisplayList& page : pages) {
        for (const std::string& line : textLines(page)) {
            const std::size_t bar = line.find('|');
            if (bar != std::string::npos && bar > 0 &&
                line.find_first_not_of("0123456789") == bar &&
                (line.compare(bar + 1, 7, "diseño") == 0 ||
                 line.compare(bar + 1, 7, "nominal") == 0)) {
                runs.push_back(line);
            }
        }
    }
    return runs;
}

std::string withSeparator(std::string text, const std::string& separator) {
    std::replace(text.begin(), text.end(), '.', separator[0]);
    return text;
}

// Each run's settings read off the example file by hand: a code of -1 is the
// factor's low setting, 1 its high one, a nominal run the nominal settings
// (Lote de columna has none, an empty cell); then the values as the file
// writes them, which the result format (6 significant digits) leaves alone.
TEST(Worksheet, EveryRunWithItsSettingsInRunOrder) {
    const std::vector<std::string> settings = {
        "1|nominal|30|1.0|3.0",        "2|diseño|25|1.1|2.8|lote A", "3|diseño|25|1.1|3.2|lote B",
        "4|diseño|25|0.9|2.8|lote A",  "5|diseño|35|1.1|3.2|lote A", "6|nominal|30|1.0|3.0",
        "7|diseño|35|0.9|3.2|lote A",  "8|diseño|25|0.9|3.2|lote B", "9|diseño|35|1.1|2.8|lote B",
        "10|diseño|35|0.9|2.8|lote B", "11|nominal|30|1.0|3.0"};
    const std::vector<std::string> values = {
        "99.65|2.42", "98.99|2.53", "99.16|2.95", "99.27|2.62",  "99.99|2.25", "99.58|2.39",
        "100.2|2.31", "99.17|2.9",  "99.99|1.84", "100.04|1.81", "99.64|2.42"};
    struct Case {
        std::string separator;
        bool measured;
    };
    for (const Case& c : {Case{".", true}, Case{",", true}, Case{".", false}, Case{",", false}}) {
        SCOPED_TRACE("separator " + c.separator + (c.measured ? " measured" : " not measured"));
        DesignStudy study = design::decodeDesignFile(kExampleFile);
        if (!c.measured) {
            for (design::DesignRun& run : study.runs) {
                std::fill(run.values.begin(), run.values.end(), std::nullopt);
            }
        }
        const auto pages = composeWorksheetPages(study, kA4.width, kA4.height, c.separator);
        std::vector<std::string> expected;
        for (std::size_t r = 0; r < settings.size(); ++r) {
            // The run's number keeps its digits; the rest takes the separator.
            const std::size_t bar = settings[r].find('|');
            std::string line =
                settings[r].substr(0, bar) + withSeparator(settings[r].substr(bar), c.separator);
            if (c.measured) {
                line += "|" + withSeparator(values[r], c.separator);
            }
            expected.push_back(line);
        }
        EXPECT_EQ(runLines(pages), expected);
        ASSERT_EQ(pages.size(), 1u);
        const std::vector<std::string> lines = textLines(pages[0]);
        for (const char* heading :
             {"HOJA DE TRABAJO", "Método: Valoración de paracetamol por HPLC",
              "Analista: Q.F.B. María Pérez", "Fecha: 08/12/2026",
              "Diseño: Plackett-Burman PB8, 8 ensayos de diseño y 3 nominales",
              "Factor|Unidad|Bajo|Nominal|Alto", "Página 1 de 1"}) {
            EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
                return l.find(heading) != std::string::npos;
            })) << heading;
        }
        EXPECT_NE(std::find(lines.begin(), lines.end(),
                            withSeparator("Flujo|mL/min|0.9|1.0|1.1", c.separator)),
                  lines.end());
        EXPECT_NE(std::find(lines.begin(), lines.end(), "Lote de columna|lote A|lote B"),
                  lines.end());
    }
}

// A PB24 screen laid out by the catalogue: `factors` factors, twelve nominal
// runs and ten responses, each name `wide` times as long.
DesignStudy bigScreen(int factors, int wide) {
    DesignStudy study;
    study.method = "Valoración de impurezas orgánicas volátiles por cromatografía de gases";
    study.analyst = "Q.F.B. María Guadalupe Hernández";
    study.date = "08/12/2026";
    std::string longer;
    for (int i = 1; i < wide; ++i) {
        longer += " de la fase móvil amortiguada";
    }
    for (int k = 1; k <= factors; ++k) {
        if (k % 5 == 0) {
            study.factors.push_back({"Columna" + longer + " " + std::to_string(k), "",
                                     "Zorbax Eclipse Plus C18 lote 1234", "",
                                     "Kinetex C18 lote 98765"});
        } else {
            study.factors.push_back(
                {"Factor" + longer + " " + std::to_string(k), "mL/min", "0.95", "1.00", "1.05"});
        }
    }
    for (int k = 1; k <= 10; ++k) {
        study.responses.push_back({"Respuesta" + longer + " " + std::to_string(k), "%"});
    }
    study.design = "PB24";
    study.nominalRuns = 12;
    study.seed = 7;
    design::layOutStudy(study);
    return study;
}

TEST(Worksheet, NoTextRunsOverAnotherOrOffThePage) {
    struct Case {
        const char* name;
        DesignStudy study;
    };
    DesignStudy measured = bigScreen(20, 1);
    for (design::DesignRun& run : measured.runs) {
        std::fill(run.values.begin(), run.values.end(), -0.000123456789);
    }
    const std::vector<Case> cases = {
        {"example", design::decodeDesignFile(kExampleFile)},
        {"5 factors", bigScreen(5, 1)},
        {"20 factors", bigScreen(20, 1)},
        {"20 factors measured", measured},
        {"23 long factors", bigScreen(23, 4)},
        {"3 long factors", bigScreen(3, 6)},
    };
    for (const Case& c : cases) {
        for (const Paper& paper : {kA4, kLetter}) {
            SCOPED_TRACE(std::string(c.name) + " " + paper.name);
            const auto pages = composeWorksheetPages(c.study, paper.width, paper.height, ",");
            for (std::size_t p = 0; p < pages.size(); ++p) {
                const std::vector<test::Box> boxes = test::textBoxes(pages[p]);
                EXPECT_EQ(test::faults(boxes, kPrinterMargin, paper.width - kPrinterMargin), "")
                    << "page " << p + 1;
                for (const test::Box& box : boxes) {
                    EXPECT_LE(box.bottom, paper.height - kPrinterMargin) << test::where(box);
                }
            }
        }
    }
}

// The number of each run's row, page by page.
std::vector<std::vector<int>> runNumbersByPage(const std::vector<DisplayList>& pages) {
    std::vector<std::vector<int>> numbers;
    for (const DisplayList& page : pages) {
        auto& found = numbers.emplace_back();
        for (const std::string& line : runLines({page})) {
            found.push_back(std::stoi(line));
        }
    }
    return numbers;
}

std::size_t textCount(const DisplayList& page, const std::string& text) {
    return static_cast<std::size_t>(
        std::count_if(page.items.begin(), page.items.end(), [&](const Primitive& item) {
            const auto* t = std::get_if<TextPrimitive>(&item);
            return t != nullptr && t->text == text;
        }));
}

// Five factors leave room for the responses' boxes beside the settings:
// one table of 36 runs. Twenty factors and ten boxes do not fit across even
// at the least text size (each setting's word, about 2.8 ems with its
// padding, and each box's 4.5 ems add up to about 126 ems, some 770 points
// at 6.1 points an em, against 523 of A4's content width): the settings
// come first, then the boxes, each a table of the 36 runs.
TEST(Worksheet, RunsContinueOnFurtherPagesUnderTheirHeading) {
    struct Case {
        int factors;
        int tables;
    };
    for (const Case& c : {Case{5, 1}, Case{20, 2}}) {
        for (const Paper& paper : {kA4, kLetter}) {
            SCOPED_TRACE(std::to_string(c.factors) + " factors, " + paper.name);
            const DesignStudy study = bigScreen(c.factors, 1);
            ASSERT_EQ(study.runs.size(), 36u);
            const auto pages = composeWorksheetPages(study, paper.width, paper.height, ".");
            ASSERT_GE(pages.size(), 2u);
            const auto numbers = runNumbersByPage(pages);
            std::vector<int> all;
            for (std::size_t p = 0; p < pages.size(); ++p) {
                const std::string footer =
                    "Página " + std::to_string(p + 1) + " de " + std::to_string(pages.size());
                const auto lines = textLines(pages[p]);
                EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
                    return l.find(footer) != std::string::npos;
                })) << footer;
                // The runs' heading row on each page they continue on, and
                // no page without runs but the last (for the sign-off).
                if (!numbers[p].empty()) {
                    EXPECT_GE(textCount(pages[p], "Tipo"), 1u) << "page " << p + 1;
                } else {
                    EXPECT_EQ(p + 1, pages.size()) << "a page without runs before the last";
                }
                all.insert(all.end(), numbers[p].begin(), numbers[p].end());
                const bool signs =
                    std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
                        return l.rfind("Realizó:", 0) == 0 || l.rfind("Revisó:", 0) == 0;
                    });
                EXPECT_EQ(signs, p + 1 == pages.size()) << "page " << p + 1;
            }
            std::vector<int> expected;
            for (int t = 0; t < c.tables; ++t) {
                for (int i = 1; i <= 36; ++i) {
                    expected.push_back(i);
                }
            }
            EXPECT_EQ(all, expected);
        }
    }
}

} // namespace
} // namespace robustez
