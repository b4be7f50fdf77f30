// The printed pages measured with the typeface's own advance widths: no text
// runs over another or off the printable width, and the pages of ordinary
// studies are drawn dot for dot as before.
#include "core/report/evidence_figure.h"
#include "core/report/page_layouts.h"
#include "core/stats/robustness.h"
#include "core/study/study_fixtures.h"

#include "recording_canvas.h"
#include "text_boxes.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace robustez {
namespace {

using test::Box;
using test::CanvasCall;
using test::RecordingCanvas;
using Kind = CanvasCall::Kind;
using test::Box;
using test::faults;

// A recording canvas whose text widths are those of Liberation Sans / Arial
// at the font size set last, in dots of its resolution.
class MeasuringCanvas : public RecordingCanvas {
public:
    void setFont(std::string_view name, int pointSize) override {
        pointSize_ = pointSize;
        RecordingCanvas::setFont(name, pointSize);
    }
    int textWidth(std::string_view text) const override {
        return static_cast<int>(
            std::ceil(estimatedTextWidth(text, pointSize_ * resolutionY / 72.0)));
    }

private:
    int pointSize_ = 12;
};

// The printable widths of A4 (210 mm, 595.28 pt) and Letter (8.5 in, 612 pt)
// less the 18-point margins of the report tool's PDF pages, in points.
struct Paper {
    const char* name;
    double points;
};
constexpr Paper kA4{"a4", 595.28 - 36};
constexpr Paper kLetter{"letter", 612 - 36};

int paperWidth(const Paper& paper, int dpi) {
    return static_cast<int>(paper.points * dpi / 72);
}

struct Header {
    std::string method;
    std::string analyst;
    std::string date;
    std::string condition;
    std::array<std::string, 3> settings;
    std::string value; // every value's digits, when not the plain ones
};

// A study of n samples per level: level values 100 + j, 99 + j and 103 + j
// (or `value` as typed), with the given header fields and settings.
StudyRecord studyOf(const Header& header, int n) {
    std::array<std::vector<std::string>, 3> levels;
    const int base[] = {100, 99, 103};
    for (int level = 0; level < 3; ++level) {
        for (int j = 0; j < n; ++j) {
            levels[static_cast<size_t>(level)].push_back(
                header.value.empty() ? std::to_string(base[level] + j)
                                     : std::to_string(base[level] + j) + header.value);
        }
    }
    StudyRecord study = robustez::testing::studyWithValues(header.settings, levels);
    study.methodName = header.method;
    study.analystName = header.analyst;
    study.dateText = header.date;
    study.conditionName = header.condition;
    return study;
}

void printPage(PageCanvas& canvas, PrintLayout layout, PrintPage page, const StudyRecord& study) {
    if (page == PrintPage::General) {
        printGeneralPage(canvas, layout, study);
        return;
    }
    RobustnessResults results;
    computeRobustness(study, ".", results);
    printResultsPage(canvas, layout, study, results, ".");
}

MeasuringCanvas canvasFor(int dpi, int width) {
    MeasuringCanvas canvas;
    canvas.resolutionX = canvas.resolutionY = dpi;
    canvas.width = width;
    return canvas;
}

std::vector<Box> textBoxes(const MeasuringCanvas& canvas) {
    std::vector<Box> boxes;
    double em = 0;
    for (const CanvasCall& call : canvas.calls) {
        if (call.kind == Kind::Font) {
            em = call.pointSize * canvas.resolutionY / 72.0;
        } else if (call.kind == Kind::Text && !call.text.empty()) {
            const double width = estimatedTextWidth(call.text, em);
            boxes.push_back(
                {double(call.x), double(call.y), call.x + width, call.y + em, call.text});
        }
    }
    return boxes;
}

const char* layoutName(PrintLayout layout) {
    return layout == PrintLayout::Laser ? "laser" : "deskjet";
}

const char* pageName(PrintPage page) {
    return page == PrintPage::General ? "general" : "results";
}

// Ordinary header fields, and the longest the study window lets one type
// (60, 60, 20 and 30 characters; settings and values have no limit), and a
// method name from a file, which may be longer still.
const Header kOrdinary{"Valoración de ácido acetilsalicílico",
                       "Q.F.B. María Pérez",
                       "07/12/2026",
                       "Temperatura",
                       {"25 °C", "20 °C", "30 °C"},
                       {}};
const Header kEmpty{};
const Header kLongest{"Determinación cromatográfica de impurezas orgánicas volátiles",
                      "Mª Guadalupe Hernández Domínguez de la Fuente y Villaseñor",
                      "miércoles 8/XII/2026",
                      "Temperatura de la columna (°C)",
                      {"Cuarenta grados centígrados más o menos 2",
                       "Treinta y cinco grados centígrados, baño",
                       "Cuarenta y cinco grados centígrados, baño"},
                      ".000000000000001"};
const Header kWideFromFile{std::string(90, 'W'),
                           std::string(70, 'M'),
                           std::string(25, 'W'),
                           std::string(45, 'W'),
                           {std::string(40, 'W'), std::string(40, 'M'), std::string(40, 'W')},
                           ".0000000000000000000000001"};

TEST(PrintedPages, NoTextRunsOverAnotherOrOffThePage) {
    struct StudyCase {
        const char* name;
        const Header* header;
    };
    const StudyCase studies[] = {
        {"ordinary", &kOrdinary},
        {"empty", &kEmpty},
        {"longest typed", &kLongest},
        {"wide from a file", &kWideFromFile},
    };
    for (const StudyCase& s : studies) {
        for (int n : {2, 10}) {
            const StudyRecord study = studyOf(*s.header, n);
            for (PrintLayout layout : {PrintLayout::Laser, PrintLayout::DeskJet}) {
                for (PrintPage page : {PrintPage::General, PrintPage::Results}) {
                    for (const Paper* paper : {&kA4, &kLetter}) {
                        for (int dpi : {300, 600}) {
                            SCOPED_TRACE(std::string(s.name) + " n=" + std::to_string(n) + " " +
                                         layoutName(layout) + " " + pageName(page) + " " +
                                         paper->name + " " + std::to_string(dpi) + " dpi");
                            MeasuringCanvas canvas = canvasFor(dpi, paperWidth(*paper, dpi));
                            printPage(canvas, layout, page, study);
                            EXPECT_EQ(faults(textBoxes(canvas), canvas.width), "");
                        }
                    }
                }
            }
        }
    }
}

// The draw list as lines of text: "text X Y TEXT", "line X1 Y1 X2 Y2",
// "font NAME SIZE", "begin", "end".
std::string drawList(const MeasuringCanvas& canvas) {
    std::ostringstream out;
    for (const CanvasCall& call : canvas.calls) {
        switch (call.kind) {
        case Kind::Begin:
            out << "begin\n";
            break;
        case Kind::End:
            out << "end\n";
            break;
        case Kind::Abort:
            out << "abort\n";
            break;
        case Kind::Font:
            out << "font " << call.text << " " << call.pointSize << "\n";
            break;
        case Kind::Text:
            out << "text " << call.x << " " << call.y << " " << call.text << "\n";
            break;
        case Kind::Line:
            out << "line " << call.x << " " << call.y << " " << call.x2 << " " << call.y2 << "\n";
            break;
        }
    }
    return out.str();
}

// The sections of the expected file: "== NAME" lines, each followed by its
// draw list; lines starting with "#" are comments.
std::map<std::string, std::string> expectedDrawLists() {
    std::ifstream file(ROBUSTEZ_PAGES_AS_PRINTED);
    std::map<std::string, std::string> sections;
    std::string line;
    std::string name;
    while (std::getline(file, line)) {
        if (line.rfind("#", 0) == 0) {
            continue;
        }
        if (line.rfind("== ", 0) == 0) {
            name = line.substr(3);
            continue;
        }
        sections[name] += line + "\n";
    }
    return sections;
}

TEST(PrintedPages, OrdinaryStudiesAreDrawnAsBefore) {
    const std::map<std::string, std::string> expected = expectedDrawLists();
    struct StudyCase {
        const char* name;
        const Header* header;
        int n;
    };
    const StudyCase studies[] = {
        {"ordinary-3", &kOrdinary, 3},
        {"ordinary-10", &kOrdinary, 10},
        {"empty-2", &kEmpty, 2},
    };
    int compared = 0;
    for (const StudyCase& s : studies) {
        const StudyRecord study = studyOf(*s.header, s.n);
        for (PrintLayout layout : {PrintLayout::Laser, PrintLayout::DeskJet}) {
            const int dpi = layout == PrintLayout::Laser ? 600 : 300;
            for (PrintPage page : {PrintPage::General, PrintPage::Results}) {
                for (const Paper* paper : {&kA4, &kLetter}) {
                    const std::string name = std::string(s.name) + " " + layoutName(layout) + " " +
                                             pageName(page) + " " + paper->name;
                    SCOPED_TRACE(name);
                    MeasuringCanvas canvas = canvasFor(dpi, paperWidth(*paper, dpi));
                    printPage(canvas, layout, page, study);
                    const auto found = expected.find(name);
                    if (found == expected.end()) {
                        ADD_FAILURE() << "no expected draw list";
                        continue;
                    }
                    EXPECT_EQ(drawList(canvas), found->second);
                    ++compared;
                }
            }
        }
    }
    EXPECT_EQ(compared, static_cast<int>(expected.size()));
}

} // namespace
} // namespace robustez
