// The design figure and the design result pages as display lists: where the
// half-normal points and the effect bars are drawn, read back through the
// axes' own tick labels; which items are red; the pages' texts, numbers and
// fit within the printable width.

#include "core/design/design_analysis.h"
#include "core/design/designs.h"
#include "core/report/design_figure.h"
#include "core/report/design_page.h"
#include "core/report/text_fit.h"

#include "text_boxes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

namespace robustez {
namespace {

using design::AnalysisInput;
using design::DesignStudy;
using design::ResponseAnalysis;

template <class T> std::vector<T> itemsOf(const DisplayList& list) {
    std::vector<T> found;
    for (const Primitive& item : list.items) {
        if (const T* p = std::get_if<T>(&item)) {
            found.push_back(*p);
        }
    }
    return found;
}

// A label read as a number written with "," (the minus sign U+2212).
std::optional<double> labelValue(std::string text) {
    const std::string minus = "\u2212";
    if (const size_t at = text.find(minus); at != std::string::npos) {
        text.replace(at, minus.size(), "-");
    }
    std::replace(text.begin(), text.end(), ',', '.');
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size() ? std::optional(value) : std::nullopt;
}

// A linear axis read from two of its tick labels: value -> position.
struct ReadAxis {
    double v0 = 0, p0 = 0, v1 = 1, p1 = 1;
    double operator()(double v) const { return p0 + (v - v0) * (p1 - p0) / (v1 - v0); }
};

// The axis of the ticks labelled with numbers, anchored as given, within
// [left, right) across.
ReadAxis readAxis(const DisplayList& list, HAlign align, VAlign valign, double left, double right,
                  bool horizontal) {
    std::vector<std::pair<double, double>> ticks;
    for (const TextPrimitive& t : itemsOf<TextPrimitive>(list)) {
        if (t.align == align && t.valign == valign && t.x >= left && t.x < right) {
            if (const auto v = labelValue(t.text)) {
                ticks.emplace_back(*v, horizontal ? t.x : t.y);
            }
        }
    }
    EXPECT_GE(ticks.size(), 2u);
    if (ticks.size() < 2) {
        return {};
    }
    return {ticks.front().first, ticks.front().second, ticks.back().first, ticks.back().second};
}

// A PB8 screen: four factors, three dummies. The responses were made as
// 100 + x1 + 0.25 x2 + 0.05 x3 + 0.005 x4 + 0.02 x5 - 0.03 x6 + 0.01 x7
// over the design's rows; their effects, by exact rational arithmetic
// (Python fractions), are 2, 1/2, 1/10, 1/100, 1/25, -3/50, 1/50 and their
// mean is 100.
const std::vector<double> kEffects = {2, 0.5, 0.1, 0.01, 0.04, -0.06, 0.02};

DesignStudy screenStudy(const std::string& firstName = "Temperatura") {
    DesignStudy study;
    study.method = "Valoración por HPLC";
    study.analyst = "Analista";
    study.date = "08/12/2026";
    study.design = "PB8";
    study.factors = {{firstName, "°C", "25", "30", "35"},
                     {"Flujo", "mL/min", "0.9", "1.0", "1.1"},
                     {"pH", "", "2.8", "3.0", "3.2"},
                     {"Lote", "", "A", "", "B"}};
    study.responses = {{"Contenido", "%"}};
    study.columns = design::designColumns(7, study.factors);
    return study;
}

ResponseAnalysis screenAnalysis(std::optional<double> delta) {
    AnalysisInput input;
    input.response = "Contenido";
    input.matrix = design::findDesign("PB8")->matrix;
    input.names = {"Temperatura", "Flujo", "pH", "Lote", "Ficticio 1", "Ficticio 2", "Ficticio 3"};
    input.dummy = {false, false, false, false, true, true, true};
    input.settings.resize(7);
    input.design = {101.335, 99.245, 98.865, 100.685, 99.195, 100.755, 101.225, 98.695};
    input.delta = delta;
    input.requested = design::Estimate::Dummy;
    return design::analyseResponse(input);
}

// From R: qnorm(0.5 + 0.5 * ((1:7) - 0.5) / 7), the half-normal scores of
// the columns by ascending |E| (4, 7, 5, 6, 3, 2, 1); the dummies' se =
// sqrt((0.04^2 + 0.06^2 + 0.02^2) / 3) and E_crit = qt(0.975, 3) * se.
const double kScores[] = {0.089642351075762516, 0.271880005399260716, 0.463707751457178963,
                          0.674489750196081705, 0.920822976368378621, 1.241866791843320161,
                          1.802743090739190590};
const int kAscending[] = {3, 6, 4, 5, 2, 1, 0};
constexpr double kEcrit = 0.13749739527433233;

bool sameInk(Rgb a, Rgb b) {
    return a == b;
}

TEST(DesignFigure, PointsBarsAndLinesWhereTheAxesSayRedOnlyForSignificantFactors) {
    const DesignStudy study = screenStudy();
    for (const std::optional<double> limit : {std::optional<double>(), std::optional(1.0)}) {
        SCOPED_TRACE(limit ? "with a limit" : "without a limit");
        const ResponseAnalysis a = screenAnalysis(limit);
        ASSERT_TRUE(a.e_crit);
        EXPECT_NEAR(*a.e_crit, kEcrit, 1e-12);
        const double width = 900;
        const double height = 420;
        const DisplayList figure = composeDesignFigure(study, a, limit, width, height, ",", 12);

        // Left panel: z across, |E| up; right panel: E across.
        const ReadAxis zAxis = readAxis(figure, HAlign::Centre, VAlign::Top, 0, width / 2, true);
        const ReadAxis eUp = readAxis(figure, HAlign::Right, VAlign::Middle, 0, width / 2, false);
        const ReadAxis eAcross =
            readAxis(figure, HAlign::Centre, VAlign::Top, width / 2, width, true);
        const double tol = 1e-6 * width;

        const auto dots = itemsOf<DotPrimitive>(figure);
        const auto rects = itemsOf<RectPrimitive>(figure);
        for (int i = 0; i < 7; ++i) {
            const int c = kAscending[i];
            const double x = zAxis(kScores[i]);
            const double y = eUp(std::fabs(kEffects[static_cast<size_t>(c)]));
            const bool dummy = c >= 4;
            const Rgb ink = c <= 1  ? kDesignSignificantInk
                            : dummy ? kDesignDummyInk
                                    : kDesignFactorInk;
            bool found = false;
            if (dummy) {
                for (const RectPrimitive& r : rects) {
                    found = found || (!r.filled && sameInk(r.color, ink) &&
                                      std::fabs(r.x + r.width / 2 - x) < tol &&
                                      std::fabs(r.y + r.height / 2 - y) < tol);
                }
            } else {
                for (const DotPrimitive& d : dots) {
                    found = found || (sameInk(d.color, ink) && std::fabs(d.x - x) < tol &&
                                      std::fabs(d.y - y) < tol);
                }
            }
            EXPECT_TRUE(found) << "column " << c + 1 << " at (" << x << ", " << y << ")";
        }

        // The bars: one per column, from 0 to E, in column order downwards.
        std::vector<RectPrimitive> bars;
        for (const RectPrimitive& r : rects) {
            // Taller than a legend swatch (under a text size), shorter than the plot.
            if (r.x >= width / 2 && r.height > 12 && r.height < height / 7) {
                bars.push_back(r);
            }
        }
        ASSERT_EQ(bars.size(), 7u);
        for (size_t c = 0; c < 7; ++c) {
            const double from = std::min(eAcross(0), eAcross(kEffects[c]));
            const double to = std::max(eAcross(0), eAcross(kEffects[c]));
            EXPECT_NEAR(bars[c].x, from, tol) << c;
            EXPECT_NEAR(bars[c].x + bars[c].width, to, tol) << c;
            EXPECT_EQ(bars[c].filled, c < 4) << c;
            if (c > 0) {
                EXPECT_GT(bars[c].y, bars[c - 1].y);
            }
            EXPECT_TRUE(sameInk(bars[c].color, c <= 1  ? kDesignSignificantInk
                                               : c < 4 ? kDesignFactorInk
                                                       : kDesignDummyInk));
        }

        // E_crit: dashed across the half-normal plot, and at -E_crit and
        // +E_crit down the bars.
        int across = 0;
        int down = 0;
        for (const LinePrimitive& l : itemsOf<LinePrimitive>(figure)) {
            if (!l.dashed) {
                continue;
            }
            across += l.x2 < width / 2 && std::fabs(l.y1 - eUp(kEcrit)) < tol &&
                      std::fabs(l.y2 - l.y1) < tol;
            down += l.x1 > width / 2 && std::fabs(l.x2 - l.x1) < tol &&
                    (std::fabs(l.x1 - eAcross(kEcrit)) < tol ||
                     std::fabs(l.x1 - eAcross(-kEcrit)) < tol);
        }
        EXPECT_EQ(across, 1);
        EXPECT_EQ(down, 2);

        // With a limit of 1 %, delta = 1 % of |base| = 1 (the mean, 100).
        int bands = 0;
        for (const RectPrimitive& r : rects) {
            if (sameInk(r.color, kDesignBandFill) && r.height > 12) {
                ++bands;
                EXPECT_NEAR(r.x, eAcross(-1), tol);
                EXPECT_NEAR(r.x + r.width, eAcross(1), tol);
            }
        }
        EXPECT_EQ(bands, limit ? 1 : 0);

        // Red: the two significant factors' dots, bars and labels, and the
        // legend's dot; nothing else.
        int redDots = 0;
        int redRects = 0;
        std::vector<std::string> redTexts;
        for (const DotPrimitive& d : dots) {
            redDots += sameInk(d.color, kDesignSignificantInk);
        }
        for (const RectPrimitive& r : rects) {
            redRects += sameInk(r.color, kDesignSignificantInk);
        }
        for (const TextPrimitive& t : itemsOf<TextPrimitive>(figure)) {
            if (sameInk(t.color, kDesignSignificantInk)) {
                redTexts.push_back(t.text);
            }
        }
        EXPECT_EQ(redDots, 3);
        EXPECT_EQ(redRects, 2);
        std::sort(redTexts.begin(), redTexts.end());
        EXPECT_EQ(redTexts,
                  (std::vector<std::string>{"Flujo", "Flujo", "Temperatura", "Temperatura"}));

        // Every column is labelled in the half-normal plot.
        for (const design::DesignColumn& column : study.columns) {
            const auto texts = itemsOf<TextPrimitive>(figure);
            EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [&](const TextPrimitive& t) {
                return t.text == column.name && t.x < width / 2;
            })) << column.name;
        }
    }
}

// Every coordinate and size of the list finite.
bool allFinite(const DisplayList& list) {
    for (const Primitive& item : list.items) {
        const bool finite = std::visit(
            [](const auto& p) {
                using Kind = std::decay_t<decltype(p)>;
                if constexpr (std::is_same_v<Kind, LinePrimitive>) {
                    return std::isfinite(p.x1 + p.y1 + p.x2 + p.y2 + p.width);
                } else if constexpr (std::is_same_v<Kind, DotPrimitive>) {
                    return std::isfinite(p.x + p.y + p.radius);
                } else if constexpr (std::is_same_v<Kind, RectPrimitive>) {
                    return std::isfinite(p.x + p.y + p.width + p.height + p.lineWidth);
                } else {
                    return std::isfinite(p.x + p.y + p.size);
                }
            },
            item);
        if (!finite) {
            return false;
        }
    }
    return true;
}

TEST(DesignFigure, DegenerateAnalysesDrawOnlyFiniteCoordinates) {
    const DesignStudy study = screenStudy();
    const double nan = std::nan("");
    struct Case {
        const char* name;
        std::vector<double> effects;
        std::optional<double> eCrit;
        double base;
    };
    const std::vector<Case> cases = {
        {"every effect zero", {0, 0, 0, 0, 0, 0, 0}, 0.0, 100},
        {"no critical effect", {1, -2, 3, 0, 0.1, 0.2, -0.1}, std::nullopt, 100},
        {"effects near the largest double", {1e307, -1e307, 1, 0, 1, 1, 1}, 1e306, 1e308},
        {"an effect that is not a number", {1, nan, 0.5, 0, 0.1, 0.1, 0.1}, 0.3, 100},
        {"a base of zero", {1, 0.5, 0.2, 0, 0.1, 0.1, 0.1}, 0.3, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResponseAnalysis a;
        a.response = "Contenido";
        a.effects = c.effects;
        a.e_crit = c.eCrit;
        a.percent_base.value = c.base;
        for (size_t i = 0; i < c.effects.size(); ++i) {
            a.half_normal.push_back({static_cast<int>(i), std::fabs(c.effects[i]), kScores[i]});
        }
        for (const std::optional<double> limit : {std::optional<double>(), std::optional(5.0)}) {
            const DisplayList figure = composeDesignFigure(study, a, limit, 800, 400, ".", 11);
            EXPECT_TRUE(allFinite(figure));
            const std::vector<DisplayList> pages =
                composeDesignPages(study, {a}, limit, 595.276, 841.89, ".");
            for (const DisplayList& page : pages) {
                EXPECT_TRUE(allFinite(page));
            }
        }
    }
    const ResponseAnalysis a = screenAnalysis(std::nullopt);
    for (const double bad : {0.0, -1.0, std::numeric_limits<double>::infinity(), nan}) {
        EXPECT_THROW(composeDesignFigure(study, a, std::nullopt, bad, 400, ".", 11),
                     std::invalid_argument);
        EXPECT_THROW(composeDesignFigure(study, a, std::nullopt, 800, 400, ".", bad),
                     std::invalid_argument);
        EXPECT_THROW(composeDesignPages(study, {a}, std::nullopt, bad, 800, "."),
                     std::invalid_argument);
    }
}

// The texts of a display list as boxes: their widths as laid out, from the
// top of the ascent to the bottom of the descent.
std::vector<test::Box> textBoxesOf(const DisplayList& list, double dx) {
    std::vector<test::Box> boxes;
    for (const TextPrimitive& t : itemsOf<TextPrimitive>(list)) {
        if (t.text.empty()) {
            continue;
        }
        const double width = estimatedTextWidth(t.text, t.size, t.bold);
        const double left = t.align == HAlign::Left     ? t.x
                            : t.align == HAlign::Centre ? t.x - width / 2
                                                        : t.x - width;
        const double baseline = t.valign == VAlign::Top      ? t.y + kFontAscent * t.size
                                : t.valign == VAlign::Middle ? t.y + 0.716 * t.size / 2
                                                             : t.y;
        boxes.push_back({left - dx, baseline - kFontAscent * t.size, left - dx + width,
                         baseline + kFontDescent * t.size, t.text});
    }
    return boxes;
}

// The screen of a PB24 design with 20 factors of long names: its tables
// run over more than one page.
DesignStudy wideStudy() {
    DesignStudy study;
    study.method = "Método con un nombre bastante largo para ocupar más de una línea del "
                   "encabezado de la página impresa";
    study.analyst = "Analista";
    study.date = "08/12/2026";
    study.design = "PB24";
    for (int i = 1; i <= 20; ++i) {
        study.factors.push_back(
            {"Factor de operación número " + std::to_string(i) + " con un nombre largo", "mL/min",
             "0.9", "1.0", "1.1"});
    }
    study.responses = {{"Resolución entre los picos del principio activo", ""}};
    study.columns = design::designColumns(23, study.factors);
    return study;
}

ResponseAnalysis wideAnalysis(std::optional<double> delta) {
    AnalysisInput input;
    input.response = "Resolución entre los picos del principio activo";
    input.matrix = design::findDesign("PB24")->matrix;
    const DesignStudy study = wideStudy();
    for (const design::DesignColumn& column : study.columns) {
        input.names.push_back(column.name);
        input.dummy.push_back(column.factor < 0);
    }
    input.settings.resize(23);
    for (size_t r = 0; r < input.matrix.size(); ++r) {
        double y = 2.5;
        for (size_t c = 0; c < 23; ++c) {
            y += input.matrix[r][c] * 0.01 * static_cast<double>((c * 7 + r * 3) % 11) / 11;
        }
        input.design.push_back(y + 0.2 * input.matrix[r][0]);
    }
    input.delta = delta;
    return design::analyseResponse(input);
}

TEST(DesignPage, TextsFitThePrintableWidthAndNeverOverlap) {
    // A4 and Letter in points.
    const double papers[][2] = {{595.276, 841.89}, {612, 792}};
    struct Case {
        const char* name;
        DesignStudy study;
        std::vector<ResponseAnalysis> analyses;
        std::optional<double> limit;
    };
    const std::vector<Case> cases = {
        {"PB8", screenStudy(), {screenAnalysis(std::nullopt)}, std::nullopt},
        {"PB8 with a limit", screenStudy(), {screenAnalysis(2.0)}, 2.0},
        {"PB8 long factor name",
         screenStudy("Temperatura del horno de la columna cromatográfica (termostato)"),
         {screenAnalysis(2.0)},
         2.0},
        {"PB24", wideStudy(), {wideAnalysis(1.0), wideAnalysis(std::nullopt)}, 1.0},
    };
    for (const Case& c : cases) {
        for (const auto& paper : papers) {
            SCOPED_TRACE(std::string(c.name) + " " + std::to_string(paper[0]));
            const std::vector<DisplayList> pages =
                composeDesignPages(c.study, c.analyses, c.limit, paper[0], paper[1], ",");
            ASSERT_GE(pages.size(), c.analyses.size());
            const double margin = 0.06 * paper[0];
            for (size_t i = 0; i < pages.size(); ++i) {
                const DisplayList& page = pages[i];
                EXPECT_EQ(test::faults(textBoxesOf(page, margin),
                                       static_cast<int>(std::ceil(paper[0] - 2 * margin))),
                          "")
                    << "page " << i + 1;
                const auto texts = itemsOf<TextPrimitive>(page);
                EXPECT_EQ(texts.front().text, kDesignTitle);
                EXPECT_EQ(texts.back().text, "Página " + std::to_string(i + 1) + " de " +
                                                 std::to_string(pages.size()));
                for (const test::Box& box : textBoxesOf(page, 0)) {
                    EXPECT_LE(box.bottom, paper[1] - margin) << box.text;
                    EXPECT_GE(box.top, margin) << box.text;
                }
            }
        }
    }
}

// The texts on one line of a page (drawn from their tops at the same
// height), left to right.
std::vector<std::vector<std::string>> textRows(const DisplayList& page) {
    std::vector<TextPrimitive> texts = itemsOf<TextPrimitive>(page);
    std::stable_sort(texts.begin(), texts.end(),
                     [](const TextPrimitive& a, const TextPrimitive& b) {
                         return a.y < b.y || (a.y == b.y && a.x < b.x);
                     });
    std::vector<std::vector<std::string>> rows;
    double y = -1;
    for (const TextPrimitive& t : texts) {
        if (rows.empty() || t.y != y) {
            rows.emplace_back();
            y = t.y;
        }
        rows.back().push_back(t.text);
    }
    return rows;
}

TEST(DesignPage, EffectsTableInTheResultFormatWithTheVerdictsAndTheConclusion) {
    const DesignStudy study = screenStudy();
    const std::vector<DisplayList> pages =
        composeDesignPages(study, {screenAnalysis(1.0)}, 1.0, 595.276, 841.89, ",");
    ASSERT_EQ(pages.size(), 1u);
    const auto rows = textRows(pages[0]);
    // t = E / se and p = 2 pt(-|t|, 3), from R with se and E_crit as
    // above: t 46.2910049886, 11.5727512472, 2.31455024943, 0.231455024943,
    // -1.38873014966; p 2.2195e-05, 0.0013855, 0.10360, 0.83185, 0.25906.
    // %E = E, the base being 100.
    const std::vector<std::vector<std::string>> expected = {
        {"Temperatura", "2", "2", "46,291", "< 0,0001", "0,137497", "SIGNIFICATIVO",
         "EQUIVALENCIA NO DEMOSTRADA"},
        {"Flujo", "0,5", "0,5", "11,5728", "0,0014", "0,137497", "SIGNIFICATIVO", "EQUIVALENTE"},
        {"pH", "0,1", "0,1", "2,31455", "0,1036", "0,137497", "NO SIGNIFICATIVO", "EQUIVALENTE"},
        {"Lote", "0,01", "0,01", "0,231455", "0,8318", "0,137497", "NO SIGNIFICATIVO",
         "EQUIVALENTE"},
        {"Ficticio 2", "-0,06", "-0,06", "-1,38873", "0,2591", "0,137497", "(ficticio)", ""},
    };
    for (const auto& row : expected) {
        std::vector<std::string> drawn = row;
        if (drawn.back().empty()) {
            drawn.pop_back();
        }
        EXPECT_NE(std::find(rows.begin(), rows.end(), drawn), rows.end()) << row.front();
    }
    const auto texts = itemsOf<TextPrimitive>(pages[0]);
    const auto has = [&](const std::string& text) {
        return std::any_of(texts.begin(), texts.end(),
                           [&](const TextPrimitive& t) { return t.text == text; });
    };
    EXPECT_TRUE(has("Estimación usada: efectos de los factores ficticios, E_crit = 0,137497"));
    EXPECT_TRUE(has("Base del %E (media de diseño) = 100"));
    EXPECT_TRUE(has("Límite de equivalencia: 1 % de la base, δ = 1"));
    EXPECT_TRUE(has("Respuesta: Contenido (%)"));
    for (const TextPrimitive& t : texts) {
        if (t.text.find("SIGNIFICATIVO") == 0) {
            EXPECT_TRUE(t.color == kDesignSignificantInk) << t.text;
        }
        if (t.text.find("NO SIGNIFICATIVO") == 0) {
            EXPECT_FALSE(t.color == kDesignSignificantInk) << t.text;
        }
    }
}

} // namespace
} // namespace robustez
