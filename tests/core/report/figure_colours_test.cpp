// Colour means one thing in every drawing: red marks "NO TOLERANTE" (a
// comparison's interval and marker, its legend swatch, its verdict text) and
// nothing else. Levels, warnings and messages are told apart otherwise.

#include "core/report/detail_page.h"
#include "core/report/evidence_figure.h"
#include "core/report/summary_figure.h"
#include "core/report/summary_page.h"
#include "core/study/study_fixtures.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

namespace robustez {
namespace {

bool isRed(const Rgb& c) {
    return c.red >= 0x90 && c.red > 2 * c.green && c.red > 2 * c.blue;
}

struct RedInk {
    std::size_t shapes = 0;
    std::vector<std::string> texts;
};

RedInk redInk(const std::vector<DisplayList>& lists) {
    RedInk found;
    for (const DisplayList& list : lists) {
        for (const Primitive& item : list.items) {
            std::visit(
                [&](const auto& p) {
                    if (!isRed(p.color)) {
                        return;
                    }
                    if constexpr (std::is_same_v<std::decay_t<decltype(p)>, TextPrimitive>) {
                        found.texts.push_back(p.text);
                    } else {
                        ++found.shapes;
                    }
                },
                item);
        }
    }
    return found;
}

StudyRecord study(const std::string& method, const std::string& condition,
                  const std::vector<std::string>& alta) {
    StudyRecord s = testing::studyWithValues(
        {"25", "20", "30"},
        {{{"100", "101", "102"}, {"99", "100", "101"}, {alta[0], alta[1], alta[2]}}});
    s.methodName = method;
    s.conditionName = condition;
    return s;
}

StudyOutcome outcomeOf(const std::string& path, const StudyRecord& s) {
    StudyOutcome outcome;
    outcome.path = path;
    outcome.study = s;
    outcome.evidence = computeEvidence(s, ".");
    return outcome;
}

TEST(FigureColours, RedMarksNoToleranteOnly) {
    // Alta 103 104 105 against Normal 100 101 102: t = 3.67 > 2.86, NO
    // TOLERANTE; Alta 101 102 103: t = 1.22, TOLERANTE (Baja is tolerant in
    // both). Each comparison is an interval with two caps and a marker: four
    // shapes; a forest plot adds its legend's swatch.
    const StudyRecord notTolerant = study("Valoración", "Temperatura", {"103", "104", "105"});
    const StudyRecord tolerant = study("Otro método", "Flujo", {"101", "102", "103"});
    const StudyEvidence notTolerantEvidence = computeEvidence(notTolerant, ".");
    const StudyEvidence tolerantEvidence = computeEvidence(tolerant, ".");

    SummaryStudies summary;
    summary.studies = {outcomeOf("t.w1o", notTolerant), outcomeOf("f.w1o", tolerant)};
    // A study read but not computed, and the warning of two methods.
    StudyOutcome failed;
    failed.path = "ph.w1o";
    failed.study = study("Valoración", "pH", {"1O3", "104", "105"});
    failed.error = "'1O3' is not a valid floating point value";
    summary.studies.push_back(failed);

    struct Case {
        const char* drawing;
        std::vector<DisplayList> lists;
        std::size_t redShapes;
    };
    const Case cases[] = {
        {"evidence figure, tolerant", {composeEvidenceFigure(tolerantEvidence, 900, 480, ".")}, 0},
        {"evidence figure, Alta not tolerant",
         {composeEvidenceFigure(notTolerantEvidence, 900, 480, ".")},
         4},
        {"detail page, tolerant",
         {composeDetailPage(tolerantEvidence, tolerant, 595, 842, ".")},
         0},
        {"detail page, Alta not tolerant",
         {composeDetailPage(notTolerantEvidence, notTolerant, 595, 842, ".")},
         4},
        {"summary figure", {composeSummaryFigure(summary, 900, ".")}, 4 + 1},
        {"summary pages", composeSummaryPages(summary, 595, 842, ".", "Impreso"), 4 + 1},
    };
    for (const Case& c : cases) {
        const RedInk red = redInk(c.lists);
        EXPECT_EQ(red.shapes, c.redShapes) << c.drawing;
        for (const std::string& text : red.texts) {
            EXPECT_EQ(text, "NO TOLERANTE") << c.drawing;
        }
    }
}

} // namespace
} // namespace robustez
