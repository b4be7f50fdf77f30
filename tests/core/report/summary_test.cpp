// The summary of several studies of one method: its table, its conclusion
// lines, its JSON, the forest plot and the pages, from study files and from
// evidence made by hand.
//
// Expected numbers: the worked example (Normal 100 101 102, Baja 99 100 101,
// Alta 103 104 105) has pooled SD 1, SE = sqrt(2/3), d = -1 and 3, relative
// differences -100/101 and 300/101 %, intervals d -+ c SE with
// c SE = 2.86275 * 0.816497 = 2.33743, and p = 0.4179 and 0.0184 from R's
// mvtnorm (see the tool's tests). A "Flujo" study with the same Normal and
// Baja and Alta 101 102 103 has d = +1 for Alta: relative 100/101 %,
// t = sqrt(1.5) = 1.22474, the same p as Baja (p depends on |t| only), and
// interval 1 -+ 2.33743.

#include "core/report/summary.h"
#include "core/report/summary_figure.h"
#include "core/report/summary_page.h"
#include "core/stats/evidence_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

namespace robustez {
namespace {

using Lines = std::vector<std::string>;

// A study file: Windows-1252, CR LF after every line.
std::string studyBytes(const std::string& method, const std::string& condition,
                       const Lines& levels) {
    std::string bytes = method + "\r\nAna\r\n12/03/1999\r\n3\r\n" + condition + "\r\n";
    for (const std::string& line : levels) {
        bytes += line + "\r\n";
    }
    return bytes;
}

const Lines kWorkedLevels = {"25",  "100", "101", "102", "20",  "99",
                             "100", "101", "30",  "103", "104", "105"};
const Lines kFlujoLevels = {"1.0", "100", "101", "102", "0.9", "99",
                            "100", "101", "1.1", "101", "102", "103"};
const Lines kFailingLevels = {"3.0", "100", "101", "102", "2.8", "99",
                              "100", "101", "3.2", "1O3", "104", "105"};

class SummaryFiles : public ::testing::Test {
protected:
    std::filesystem::path dir =
        std::filesystem::path(::testing::TempDir()) /
        ("robustez-summary-" +
         std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    void SetUp() override { std::filesystem::create_directories(dir); }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string write(const std::string& name, const std::string& bytes) {
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    // "Valoraci\xF3n" is "Valoración" in Windows-1252.
    SummaryStudies threeStudies(std::optional<double> limit = std::nullopt) {
        return examineSummaryFiles(
            {write("temperatura.w1o", studyBytes("Valoraci\xF3n", "Temperatura", kWorkedLevels)),
             write("flujo.w1o", studyBytes("Valoraci\xF3n", "Flujo", kFlujoLevels)),
             write("ph.w1o", studyBytes("Valoraci\xF3n", "pH", kFailingLevels))},
            ".", limit);
    }
};

TEST_F(SummaryFiles, RowsConclusionAndJsonOfThreeStudies) {
    const SummaryStudies summary = threeStudies();
    const SummaryTable table = composeSummaryTable(summary, ".");
    ASSERT_EQ(table.header.size(), 20u);
    EXPECT_EQ(table.header[6], "Baja: diferencia");
    EXPECT_EQ(table.header[19], "Alta: veredicto");
    ASSERT_EQ(table.rows.size(), 3u);
    EXPECT_EQ(
        table.rows[0],
        (Lines{"Temperatura", "25",       "20",     "30",       "3",       "101.0",       "-1.0",
               "-0.990099",   "-1.22474", "0.4179", "-3.33743", "1.33743", "TOLERANTE",   "3.0",
               "2.9703",      "3.67423",  "0.0184", "0.662574", "5.33743", "NO TOLERANTE"}));
    EXPECT_EQ(table.rows[1],
              (Lines{"Flujo",     "1.0",      "0.9",    "1.1",      "3",       "101.0",     "-1.0",
                     "-0.990099", "-1.22474", "0.4179", "-3.33743", "1.33743", "TOLERANTE", "1.0",
                     "0.990099",  "1.22474",  "0.4179", "-1.33743", "3.33743", "TOLERANTE"}));
    Lines failed(20);
    failed[0] = "pH [ph.w1o]";
    failed[1] = "3.0";
    failed[2] = "2.8";
    failed[3] = "3.2";
    failed[4] = "3";
    failed[kSummaryMessageColumn] = "'1O3' is not a valid floating point value";
    EXPECT_EQ(table.rows[2], failed);

    EXPECT_EQ(summaryConclusionLines(summary, "."),
              (Lines{"CONCLUSIÓN: el método NO ES TOLERANTE a: Temperatura (Alta).",
                     "Estudios sin resultado: ph.w1o."}));
    EXPECT_EQ(summaryConclusion(summary), SummaryConclusion::NotTolerant);

    // The studies are exactly the --json objects; the rest by hand.
    std::string studies;
    for (const StudyOutcome& outcome : summary.studies) {
        studies += (studies.empty() ? "" : ",") + json::toJson(outcomeJson(outcome, "."));
    }
    // Paths as JSON strings (a Windows path's backslashes are escaped).
    const std::string temperatura = json::toJson(summary.studies[0].path);
    const std::string ph = json::toJson(summary.studies[2].path);
    EXPECT_EQ(json::toJson(summaryJson(summary, ".")),
              "{\"method_names\":[\"Valoración\"],\"studies\":[" + studies +
                  "],\"not_tolerant\":[{\"file\":" + temperatura +
                  ",\"condition\":\"Temperatura\",\"level\":\"Alta\"}],"
                  "\"not_equivalent\":[],\"failed\":[" +
                  ph + "],\"conclusion\":\"NO TOLERANTE\",\"equivalence_limit_pct\":null}");

    // The text: heading, an empty line, the table, an empty line, the lines.
    const std::string text = summaryText(summary, ".");
    EXPECT_EQ(text.substr(0, text.find("\n\n") + 2),
              "RESUMEN DE ROBUSTEZ (TOLERANCIA A CONDICIONES DE OPERACIÓN)\n"
              "Nombre del método: Valoración\nAnalistas: Ana\nFechas: 12/03/1999\n"
              "Número de estudios: 3\n\n");
    EXPECT_NE(text.find("\n\nCONCLUSIÓN: el método NO ES TOLERANTE a: Temperatura (Alta).\n"
                        "Estudios sin resultado: ph.w1o.\n"),
              std::string::npos);
}

// Data of seven significant digits and one decimal: the means and the
// differences with two decimals, so that the difference can be checked from
// the means. By hand: Normal 1308564.2, .3, .4 has mean 1308564.3; Baja
// 1308576.0, .1, .2 mean 1308576.1 (d = +11.8); Alta 1308554.1, .2, .3 mean
// 1308554.2 (d = -10.1). One value typed with an exponent keeps the result
// number format (1308564.3 to six digits is 1.30856E6).
TEST_F(SummaryFiles, MeansAndDifferencesShowTheDigitsOfTheData) {
    struct Case {
        const char* firstNormal;
        const char* mean;
        const char* baja;
        const char* alta;
    };
    const Case cases[] = {
        {"1308564.2", "1308564.30", "11.80", "-10.10"},
        {"1.3085642E6", "1.30856E6", "11.8", "-10.1"},
    };
    for (const Case& c : cases) {
        const Lines levels = {"25", c.firstNormal, "1308564.3", "1308564.4",
                              "20", "1308576.0",   "1308576.1", "1308576.2",
                              "30", "1308554.1",   "1308554.2", "1308554.3"};
        const SummaryStudies summary = examineSummaryFiles(
            {write("grande.w1o", studyBytes("M", "Temperatura", levels))}, ".", std::nullopt);
        ASSERT_TRUE(hasResult(summary.studies[0])) << summary.studies[0].error.value_or("");
        const Lines row = composeSummaryTable(summary, ".").rows[0];
        EXPECT_EQ(row[5], c.mean) << c.firstNormal;
        EXPECT_EQ(row[6], c.baja) << c.firstNormal;
        EXPECT_EQ(row[13], c.alta) << c.firstNormal;
        // The detail's comparisons: the same differences.
        const EvidenceTables detail = composeEvidenceTables(*summary.studies[0].evidence, ".");
        EXPECT_EQ(detail.comparisons[1][1], c.baja) << c.firstNormal;
        EXPECT_EQ(detail.comparisons[2][1], c.alta) << c.firstNormal;
    }
}

TEST_F(SummaryFiles, ConclusionsWithAndWithoutFailuresAndLimits) {
    const std::string temperatura = write("t.w1o", studyBytes("M", "Temperatura", kWorkedLevels));
    const std::string flujo = write("f.w1o", studyBytes("M", "Flujo", kFlujoLevels));
    const std::string missing = (dir / "falta.w1o").string();

    SummaryStudies tolerant = examineSummaryFiles({flujo}, ".", std::nullopt);
    EXPECT_EQ(summaryConclusionLines(tolerant, "."),
              Lines{"CONCLUSIÓN: el método es TOLERANTE a todas las condiciones estudiadas."});
    EXPECT_EQ(summaryConclusion(tolerant), SummaryConclusion::Tolerant);

    // A lost study never leaves "all conditions" standing.
    const SummaryStudies incomplete = examineSummaryFiles({flujo, missing}, ".", std::nullopt);
    EXPECT_EQ(summaryConclusionLines(incomplete, "."),
              (Lines{"CONCLUSIÓN INCOMPLETA: el método es TOLERANTE a las condiciones con "
                     "resultado.",
                     "Estudios sin resultado: falta.w1o."}));
    EXPECT_EQ(summaryConclusion(incomplete), SummaryConclusion::Incomplete);
    EXPECT_NE(json::toJson(summaryJson(incomplete, ".")).find("\"conclusion\":null,"),
              std::string::npos);
    const SummaryStudies none = examineSummaryFiles({missing}, ".", 5.0);
    EXPECT_EQ(summaryConclusionLines(none, "."),
              (Lines{"CONCLUSIÓN INCOMPLETA: ningún estudio tiene resultado.",
                     "Estudios sin resultado: falta.w1o.",
                     "CONCLUSIÓN DE EQUIVALENCIA INCOMPLETA (límite 5 %): ningún estudio tiene "
                     "resultado."}));

    // Bounds 5.5 % of 101 = 5.555 hold every interval (widest end 5.33743);
    // 5 % (5.05) holds all but Temperatura's Alta.
    EXPECT_EQ(summaryConclusionLines(examineSummaryFiles({temperatura, flujo}, ",", 5.5), ",")[1],
              "CONCLUSIÓN DE EQUIVALENCIA (límite 5,5 %): EQUIVALENTE en todas las condiciones "
              "estudiadas.");
    const SummaryStudies five = examineSummaryFiles({temperatura, flujo, missing}, ".", 5.0);
    EXPECT_EQ(summaryConclusionLines(five, ".")[2],
              "CONCLUSIÓN DE EQUIVALENCIA (límite 5 %): EQUIVALENCIA NO DEMOSTRADA en: "
              "Temperatura (Alta).");
    EXPECT_EQ(notEquivalentItems(five), (std::vector<SummaryItem>{{0, 3}}));
    EXPECT_EQ(composeSummaryTable(five, ".").header.size(), 22u);
}

TEST_F(SummaryFiles, DuplicateConditionsMarkedAndMethodsWarned) {
    const SummaryStudies summary = examineSummaryFiles(
        {write("t1.w1o", studyBytes("Valoraci\xF3n", "Temperatura", kWorkedLevels)),
         write("t2.w1o", studyBytes("Otro", "Temperatura", kWorkedLevels)),
         write("x.w1o", studyBytes("Valoraci\xF3n", "", kFlujoLevels))},
        ".", std::nullopt);
    EXPECT_EQ(studyLabels(summary),
              (Lines{"Temperatura [t1.w1o]", "Temperatura [t2.w1o]", "x.w1o"}));
    EXPECT_EQ(summaryConclusionLines(summary, ".")[0],
              "CONCLUSIÓN: el método NO ES TOLERANTE a: Temperatura [t1.w1o] (Alta), "
              "Temperatura [t2.w1o] (Alta).");
    const Lines heading = summaryHeadingLines(summaryHeading(summary));
    ASSERT_EQ(heading.size(), 6u);
    EXPECT_EQ(heading[1], "Nombre del método: Valoración");
    EXPECT_EQ(heading[5], "AVISO: los estudios nombran más de un método: Valoración; Otro.");
    EXPECT_EQ(json::toJson(summaryJson(summary, "."))
                  .rfind("{\"method_names\":[\"Valoración\",\"Otro\"],", 0),
              0u);

    // A cell's tab or line break does not break the tab-separated text.
    SummaryTable table{{"a", "b"}, {{"x\ty", "1\n2"}}};
    EXPECT_EQ(summaryTsv(table), "a\tb\nx y\t1 2\n");
}

// ---- The forest plot and the pages, from evidence made by hand: Normal
// mean 200, so a difference d is d / 2 %.

template <class T> std::vector<T> itemsOf(const DisplayList& list) {
    std::vector<T> found;
    for (const Primitive& item : list.items) {
        if (const T* p = std::get_if<T>(&item)) {
            found.push_back(*p);
        }
    }
    return found;
}

StudyOutcome madeStudy(const std::string& condition, double relBaja, double relAlta,
                       bool altaTolerant, std::optional<double> limit) {
    StudyOutcome outcome;
    outcome.path = condition + ".w1o";
    outcome.study = StudyRecord{};
    outcome.study->conditionName = condition;
    StudyEvidence e;
    e.results.mean = {0, 200, 200, 200};
    e.comparisons[0] = {kLevelBaja,      2 * relBaja,     relBaja, 0,           1,
                        2 * relBaja - 2, 2 * relBaja + 2, true,    std::nullopt};
    e.comparisons[1] = {kLevelAlta,      2 * relAlta,     relAlta,      0,           1,
                        2 * relAlta - 2, 2 * relAlta + 2, altaTolerant, std::nullopt};
    e.equivalenceLimitPct = limit;
    outcome.evidence = e;
    return outcome;
}

std::size_t countRects(const DisplayList& list, Rgb color) {
    const auto rects = itemsOf<RectPrimitive>(list);
    return static_cast<std::size_t>(std::count_if(
        rects.begin(), rects.end(), [&](const auto& r) { return r.filled && r.color == color; }));
}

// The figure's level labels: right-aligned, centred on their row.
std::size_t forestRows(const DisplayList& list) {
    const auto texts = itemsOf<TextPrimitive>(list);
    return static_cast<std::size_t>(std::count_if(texts.begin(), texts.end(), [](const auto& t) {
        return (t.text == "Baja" || t.text == "Alta") && t.align == HAlign::Right;
    }));
}

TEST(SummaryFigure, OneLinePerComparisonColoursBandAndFiniteValues) {
    SummaryStudies summary;
    summary.studies = {madeStudy("A", -1, 3, false, std::nullopt),
                       madeStudy("B", 0.5, 1, true, std::nullopt)};
    summary.studies.push_back(
        StudyOutcome{"mal.w1o", std::nullopt, std::nullopt, "File not found", std::nullopt});
    // A comparison whose values are not finite draws nothing.
    summary.studies[1].evidence->comparisons[0].relativeDifferencePct = NAN;
    summary.studies[1].evidence->comparisons[0].ciHigh = INFINITY;

    const DisplayList plain = composeSummaryFigure(summary, 900, ".");
    EXPECT_EQ(forestRows(plain), 4u);
    // Markers plus the legend's one of each colour.
    EXPECT_EQ(countRects(plain, kForestNotTolerantInk), 1u + 1u);
    EXPECT_EQ(countRects(plain, kForestTolerantInk), 2u + 1u);
    EXPECT_EQ(countRects(plain, kForestBandFill), 0u);
    for (const LinePrimitive& l : itemsOf<LinePrimitive>(plain)) {
        EXPECT_TRUE(std::isfinite(l.x1) && std::isfinite(l.x2) && std::isfinite(l.y1));
    }

    // With a 2 % limit: the band and its swatch; the band is centred on the
    // zero line, and the marker of A's Alta (3 %) lies 1.5 half-bands right.
    summary.equivalenceLimitPct = 2;
    const DisplayList limited = composeSummaryFigure(summary, 900, ".");
    ASSERT_EQ(countRects(limited, kForestBandFill), 2u);
    std::vector<RectPrimitive> band;
    std::vector<RectPrimitive> notTolerant;
    for (const RectPrimitive& r : itemsOf<RectPrimitive>(limited)) {
        (r.color == kForestBandFill ? band : notTolerant).push_back(r);
    }
    // The swatch is the smaller of the two; the band spans the plot.
    const RectPrimitive wide = band[0].height > band[1].height ? band[0] : band[1];
    const double zero = wide.x + wide.width / 2;
    const auto lines = itemsOf<LinePrimitive>(limited);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const LinePrimitive& l) {
        return l.x1 == l.x2 && std::fabs(l.x1 - zero) < 1e-9 && l.color == Rgb{0, 0, 0};
    }));
    std::erase_if(notTolerant, [](const auto& r) { return r.color != kForestNotTolerantInk; });
    ASSERT_EQ(notTolerant.size(), 2u); // the legend's swatch first, then A's Alta
    EXPECT_NEAR((notTolerant[1].x + notTolerant[1].width / 2 - zero) / (wide.width / 2), 1.5, 1e-9);
}

TEST(SummaryFigure, PagesCarryTwentyConditionsAtMostAndEveryFooter) {
    SummaryStudies summary;
    for (int i = 1; i <= 50; ++i) {
        std::string name = "C";
        name += std::to_string(i);
        summary.studies.push_back(madeStudy(name, -1, i % 5, i % 5 != 4, 2.0));
    }
    summary.equivalenceLimitPct = 2;
    const std::vector<DisplayList> pages =
        composeSummaryPages(summary, 595.276, 841.89, ".", "Impreso el 01/02/2026 10:00");
    ASSERT_GE(pages.size(), 2u);
    std::size_t rows = 0;
    for (std::size_t p = 0; p < pages.size(); ++p) {
        EXPECT_LE(forestRows(pages[p]), 40u); // 20 conditions, two rows each
        rows += forestRows(pages[p]);
        const auto texts = itemsOf<TextPrimitive>(pages[p]);
        const std::string number =
            "Página " + std::to_string(p + 1) + " de " + std::to_string(pages.size());
        for (const std::string& footer : {number, std::string("Impreso el 01/02/2026 10:00")}) {
            EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [&](const auto& t) {
                return t.text == footer;
            })) << footer;
        }
        for (const TextPrimitive& t : texts) {
            EXPECT_GE(t.size, 6.0) << t.text; // points: readable on paper
        }
    }
    EXPECT_EQ(rows, 100u);

    // Twenty conditions alone fit on one page's plot.
    summary.studies.resize(20);
    const std::vector<DisplayList> twenty = composeSummaryPages(summary, 612, 792, ".", "");
    EXPECT_TRUE(std::any_of(twenty.begin(), twenty.end(),
                            [](const DisplayList& p) { return forestRows(p) == 40; }));
}

// The page shows of a study without result what the window's row shows: its
// settings and n as read, beside its message (the pH study: settings 3.0,
// 2.8, 3.2, n 3, and a value typed "1O3").
TEST_F(SummaryFiles, PageShowsWhatIsReadOfAFailedStudy) {
    const SummaryStudies summary = threeStudies();
    const std::vector<DisplayList> pages = composeSummaryPages(summary, 595, 842, ".", "Impreso");
    std::vector<std::string> texts;
    for (const DisplayList& page : pages) {
        for (const TextPrimitive& t : itemsOf<TextPrimitive>(page)) {
            texts.push_back(t.text);
        }
    }
    const auto shown = [&](const std::string& part) {
        return std::any_of(texts.begin(), texts.end(),
                           [&](const std::string& t) { return t.find(part) != std::string::npos; });
    };
    for (const char* part : {"[ph.w1o]", "(2.8)", "(3.2)", "'1O3'"}) {
        EXPECT_TRUE(shown(part)) << part;
    }
    EXPECT_TRUE(std::find(texts.begin(), texts.end(), "3.0") != texts.end());
}

} // namespace
} // namespace robustez
