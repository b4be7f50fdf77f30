// The evidence figure and the detail page as display lists: where the
// values, means, differences and bounds are drawn, read back through the
// axes' own tick labels; degenerate data; the page's texts and layout.

#include "core/report/detail_page.h"
#include "core/report/evidence_figure.h"

#include "core/stats/evidence_tables.h"
#include "core/study/study_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace robustez {
namespace {

template <class T> std::vector<T> itemsOf(const DisplayList& list) {
    std::vector<T> found;
    for (const Primitive& item : list.items) {
        if (const T* p = std::get_if<T>(&item)) {
            found.push_back(*p);
        }
    }
    return found;
}

constexpr std::string_view kMinusSign = "\u2212";

bool hasText(const DisplayList& list, std::string_view text) {
    const auto texts = itemsOf<TextPrimitive>(list);
    return std::any_of(texts.begin(), texts.end(),
                       [&](const TextPrimitive& t) { return t.text == text; });
}

// A tick label read as a number: the given separator is the only one; the
// minus sign may be U+2212.
std::optional<double> labelValue(std::string text, std::string_view separator) {
    const std::string other = separator == "," ? "." : ",";
    if (text.find(other) != std::string::npos) {
        return std::nullopt;
    }
    for (size_t at; (at = text.find(kMinusSign)) != std::string::npos;) {
        text.replace(at, kMinusSign.size(), "-");
    }
    if (const size_t at = text.find(separator); at != std::string::npos) {
        text.replace(at, separator.size(), ".");
    }
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && !text.empty() ? std::optional(value) : std::nullopt;
}

// An axis as its tick labels show it: position = a + b * value, fitted on
// the outermost ticks, every tick checked to lie on the line (in extended
// precision, for values near the largest double).
struct ReadAxis {
    long double a = 0;
    long double b = 0;
    std::vector<std::string> labels;
    double operator()(double value) const { return static_cast<double>(a + b * value); }
};

ReadAxis readAxis(const std::vector<TextPrimitive>& ticks, bool horizontal,
                  std::string_view separator, double tolerance) {
    std::vector<std::pair<double, double>> points; // value, position
    ReadAxis axis;
    for (const TextPrimitive& t : ticks) {
        const std::optional<double> value = labelValue(t.text, separator);
        EXPECT_TRUE(value) << "tick label '" << t.text << "'";
        if (value) {
            points.emplace_back(*value, horizontal ? t.x : t.y);
            axis.labels.push_back(t.text);
        }
    }
    if (points.size() < 2) {
        ADD_FAILURE() << "fewer than two tick labels";
        return axis;
    }
    std::sort(points.begin(), points.end());
    const auto [v0, p0] = points.front();
    const auto [v1, p1] = points.back();
    axis.b = (p1 - p0) / (static_cast<long double>(v1) - v0);
    axis.a = p0 - axis.b * v0;
    for (const auto& [v, p] : points) {
        EXPECT_NEAR(axis(v), p, tolerance) << "tick " << v << " off the axis";
    }
    return axis;
}

// The figure's parts, told apart by how they are drawn: the left panel ends
// where the dashed Normal line ends; its tick labels are right-aligned, the
// difference axis's centred below its plot.
struct FigureParts {
    double leftPlotRight = 0;
    std::vector<DotPrimitive> dots;
    std::vector<LinePrimitive> leftDashed, rightDashed, rightHorizontal, blackVertical,
        leftShortHorizontal;
    std::vector<RectPrimitive> markers, frames;
    ReadAxis valueAxis, differenceAxis;
};

FigureParts partsOf(const DisplayList& figure, std::string_view separator) {
    FigureParts parts;
    const auto lines = itemsOf<LinePrimitive>(figure);
    for (const LinePrimitive& l : lines) {
        if (l.dashed && l.y1 == l.y2) {
            parts.leftPlotRight = std::max(parts.leftPlotRight, l.x2);
        }
    }
    const double split = parts.leftPlotRight;
    double leftPlotLeft = split;
    for (const LinePrimitive& l : lines) {
        if (l.dashed && l.y1 == l.y2) {
            parts.leftDashed.push_back(l);
            leftPlotLeft = std::min(leftPlotLeft, l.x1);
        } else if (l.dashed) {
            parts.rightDashed.push_back(l);
        } else if (l.x1 > split && l.y1 == l.y2) {
            parts.rightHorizontal.push_back(l);
        } else if (l.x1 == l.x2 && l.color == Rgb{0, 0, 0}) {
            parts.blackVertical.push_back(l);
        }
    }
    for (const LinePrimitive& l : lines) { // shorter than a level's column
        if (!l.dashed && l.y1 == l.y2 && l.x1 >= leftPlotLeft && l.x2 <= split &&
            l.x2 - l.x1 < (split - leftPlotLeft) / 3) {
            parts.leftShortHorizontal.push_back(l);
        }
    }
    parts.dots = itemsOf<DotPrimitive>(figure);
    for (const RectPrimitive& r : itemsOf<RectPrimitive>(figure)) {
        (r.filled ? parts.markers : parts.frames).push_back(r);
    }
    std::vector<TextPrimitive> valueTicks, differenceTicks;
    for (const TextPrimitive& t : itemsOf<TextPrimitive>(figure)) {
        if (t.align == HAlign::Right && t.valign == VAlign::Middle && t.x < split) {
            valueTicks.push_back(t);
        } else if (t.align == HAlign::Centre && t.valign == VAlign::Top && t.x > split &&
                   labelValue(t.text, separator)) {
            differenceTicks.push_back(t);
        }
    }
    const double tolerance = 1e-9 * figure.width;
    parts.valueAxis = readAxis(valueTicks, false, separator, tolerance);
    parts.differenceAxis = readAxis(differenceTicks, true, separator, tolerance);
    return parts;
}

// The box a text takes, from the widths the layout assumes and the font's
// ascent and descent; capitals are 0.716 of the size high.
struct TextBox {
    double left, top, right, bottom;
};

TextBox boxOf(const TextPrimitive& t) {
    const double width = estimatedTextWidth(t.text, t.size, t.bold);
    const double left = t.align == HAlign::Left     ? t.x
                        : t.align == HAlign::Centre ? t.x - width / 2
                                                    : t.x - width;
    const double baseline = t.valign == VAlign::Top      ? t.y + kFontAscent * t.size
                            : t.valign == VAlign::Middle ? t.y + 0.716 * t.size / 2
                                                         : t.y;
    return {left, baseline - kFontAscent * t.size, left + width, baseline + kFontDescent * t.size};
}

// Every coordinate finite and within the box, no two texts overlapping.
void expectTidy(const DisplayList& list) {
    const double w = list.width * (1 + 1e-12);
    const double h = list.height * (1 + 1e-12);
    auto inside = [&](double x, double y) { return x >= 0 && x <= w && y >= 0 && y <= h; };
    for (const auto& l : itemsOf<LinePrimitive>(list)) {
        EXPECT_TRUE(inside(l.x1, l.y1) && inside(l.x2, l.y2) && std::isfinite(l.width))
            << l.x1 << "," << l.y1 << " " << l.x2 << "," << l.y2;
    }
    for (const auto& d : itemsOf<DotPrimitive>(list)) {
        EXPECT_TRUE(inside(d.x - d.radius, d.y - d.radius) &&
                    inside(d.x + d.radius, d.y + d.radius))
            << d.x << "," << d.y;
    }
    for (const auto& r : itemsOf<RectPrimitive>(list)) {
        EXPECT_TRUE(inside(r.x, r.y) && inside(r.x + r.width, r.y + r.height)) << r.x << "," << r.y;
    }
    const auto texts = itemsOf<TextPrimitive>(list);
    for (size_t i = 0; i < texts.size(); ++i) {
        const TextBox a = boxOf(texts[i]);
        EXPECT_TRUE(inside(a.left, a.top) && inside(a.right, a.bottom)) << texts[i].text;
        for (size_t j = i + 1; j < texts.size(); ++j) {
            const TextBox b = boxOf(texts[j]);
            EXPECT_FALSE(a.left < b.right && b.left < a.right && a.top < b.bottom &&
                         b.top < a.bottom)
                << "'" << texts[i].text << "' overlaps '" << texts[j].text << "'";
        }
    }
}

StudyEvidence workedExample(std::optional<double> limit = std::nullopt) {
    return computeEvidence(testing::workedExampleGrid({"25", "20", "30"}), ",", limit);
}

TEST(EvidenceFigure, WorkedExampleIsDrawnWhereTheAxesSay) {
    // By hand: Normal 100 101 102, Baja 99 100 101, Alta 103 104 105; means
    // 101, 100, 104; d = -1 and 3; mse = 1, SE = sqrt(2/3), and the exact
    // critical value 2.862750146200368 (R, mvtnorm) gives half-width
    // 2.3374 of the intervals. A limit of 5 % of 101 is a bound of 5.05.
    const double values[3][3] = {{100, 101, 102}, {99, 100, 101}, {103, 104, 105}};
    const double means[3] = {101, 100, 104};
    const double differences[2] = {-1, 3};
    const double halfWidth = 2.862750146200368 * std::sqrt(2.0 / 3);
    constexpr double kTol = 1e-6;

    for (std::optional<double> limit : {std::optional<double>(), std::optional<double>(5.0)}) {
        SCOPED_TRACE(limit ? "limit 5 %" : "no limit");
        const DisplayList figure = composeEvidenceFigure(workedExample(limit), 900, 480, ",");
        EXPECT_EQ(figure.width, 900);
        expectTidy(figure);
        const FigureParts parts = partsOf(figure, ",");
        const ReadAxis& y = parts.valueAxis;
        const ReadAxis& x = parts.differenceAxis;
        EXPECT_LT(y.b, 0); // higher values higher up
        EXPECT_GE(y.labels.size(), 3u);
        EXPECT_GE(x.labels.size(), 3u);

        // The dots: three columns left to right, replicate order within each.
        std::vector<DotPrimitive> dots = parts.dots;
        ASSERT_EQ(dots.size(), 9u);
        std::sort(dots.begin(), dots.end(), [](auto& a, auto& b) { return a.x < b.x; });
        double centres[3];
        for (int level = 0; level < 3; ++level) {
            centres[level] = 0;
            for (int r = 0; r < 3; ++r) {
                const DotPrimitive& dot = dots[static_cast<size_t>(3 * level + r)];
                EXPECT_NEAR(dot.y, y(values[level][r]), kTol) << level << " " << r;
                centres[level] += dot.x / 3;
            }
        }
        EXPECT_LT(dots[2].x, dots[3].x);
        EXPECT_LT(dots[5].x, dots[6].x);

        // Each mean bar at its mean, centred on its column; the dashed line at
        // the Normal mean across the panel.
        ASSERT_EQ(parts.leftShortHorizontal.size(), 3u);
        for (const LinePrimitive& bar : parts.leftShortHorizontal) {
            const int level =
                static_cast<int>(std::min_element(centres, centres + 3,
                                                  [&](double a, double b) {
                                                      return std::fabs(a - (bar.x1 + bar.x2) / 2) <
                                                             std::fabs(b - (bar.x1 + bar.x2) / 2);
                                                  }) -
                                 centres);
            EXPECT_NEAR((bar.x1 + bar.x2) / 2, centres[level], kTol);
            EXPECT_NEAR(bar.y1, y(means[level]), kTol) << level;
        }
        ASSERT_EQ(parts.leftDashed.size(), 1u);
        EXPECT_NEAR(parts.leftDashed[0].y1, y(101), kTol);
        EXPECT_LT(parts.leftDashed[0].x1, centres[0]);
        EXPECT_GT(parts.leftDashed[0].x2, centres[2]);

        // The zero line, the intervals (Baja above Alta) and the differences.
        ASSERT_EQ(parts.blackVertical.size(), 1u);
        EXPECT_NEAR(parts.blackVertical[0].x1, x(0), kTol);
        ASSERT_EQ(parts.rightHorizontal.size(), 2u);
        EXPECT_LT(parts.rightHorizontal[0].y1, parts.rightHorizontal[1].y1);
        ASSERT_EQ(parts.markers.size(), 2u);
        for (size_t i = 0; i < 2; ++i) {
            const LinePrimitive& bar = parts.rightHorizontal[i];
            EXPECT_NEAR(std::min(bar.x1, bar.x2), x(differences[i] - halfWidth), kTol);
            EXPECT_NEAR(std::max(bar.x1, bar.x2), x(differences[i] + halfWidth), kTol);
            const RectPrimitive& marker = parts.markers[i];
            EXPECT_NEAR(marker.x + marker.width / 2, x(differences[i]), kTol);
            EXPECT_NEAR(marker.y + marker.height / 2, bar.y1, kTol);
        }

        // The bounds only with a limit.
        ASSERT_EQ(parts.rightDashed.size(), limit ? 2u : 0u);
        EXPECT_EQ(hasText(figure, "\u2212\u03B4"), limit.has_value());
        EXPECT_EQ(hasText(figure, "+\u03B4"), limit.has_value());
        if (limit) {
            EXPECT_NEAR(parts.rightDashed[0].x1, x(-5.05), kTol);
            EXPECT_NEAR(parts.rightDashed[1].x1, x(5.05), kTol);
        }
        EXPECT_TRUE(hasText(figure, "Valores por nivel"));
        for (std::string_view level : {"Normal", "Baja", "Alta"}) {
            EXPECT_TRUE(hasText(figure, level)) << level;
        }
    }
}

TEST(EvidenceFigure, TickLabelsUseTheSeparator) {
    // Values 0.1 .. 0.45: ticks a tenth or less apart, so some carry decimals.
    const StudyRecord study = testing::studyWithValues(
        {"", "", ""}, {{{"0,1", "0,15", "0,2"}, {"0,2", "0,25", "0,3"}, {"0,35", "0,4", "0,45"}}});
    for (std::string_view separator : {",", "."}) {
        StudyRecord typed = study;
        for (int level = 1; level <= 3; ++level) {
            for (int r = 1; r <= 3; ++r) {
                std::string text = study.value(level, r);
                text.replace(1, 1, separator);
                typed.grid.setCell(level, r + 1, text);
            }
        }
        const FigureParts parts =
            partsOf(composeEvidenceFigure(computeEvidence(typed, separator), 900, 480, separator),
                    separator);
        const auto decimal = [&](const std::string& label) {
            return label.find(separator) != std::string::npos;
        };
        EXPECT_TRUE(
            std::any_of(parts.valueAxis.labels.begin(), parts.valueAxis.labels.end(), decimal));
        EXPECT_TRUE(std::any_of(parts.differenceAxis.labels.begin(),
                                parts.differenceAxis.labels.end(), decimal));
    }
}

// Evidence set field by field, for data the computation never returns.
StudyEvidence handMade(std::array<std::vector<double>, 3> values, double low, double high) {
    StudyEvidence e;
    for (size_t level = 1; level <= 3; ++level) {
        e.values[level] = values[level - 1];
        double mean = 0;
        for (double v : values[level - 1]) {
            mean += v / static_cast<double>(values[level - 1].size());
        }
        e.results.mean[level] = mean;
    }
    for (size_t i = 0; i < 2; ++i) {
        e.comparisons[i].level = static_cast<int>(i) + 2;
        e.comparisons[i].difference = e.results.mean[i + 2] - e.results.mean[1];
        e.comparisons[i].ciLow = low + e.comparisons[i].difference;
        e.comparisons[i].ciHigh = high + e.comparisons[i].difference;
    }
    return e;
}

// Balance weights: 50 g to a hundred-thousandth, within 0.00016 g; Alta
// 0.00014 g above Normal (t = 17.1).
StudyEvidence balanceWeights(std::optional<double> limit = std::nullopt) {
    return computeEvidence(
        testing::studyWithValues({"", "", ""}, {{{"50.00012", "50.00010", "50.00011"},
                                                 {"50.00013", "50.00012", "50.00014"},
                                                 {"50.00025", "50.00026", "50.00024"}}}),
        ".", limit);
}

TEST(EvidenceFigure, HighPrecisionValuesSpreadOverThePlot) {
    // Means 50.00011, 50.00013 and 50.00025: the values span 0.00016, of which
    // Normal's and Alta's means are 0.00014 apart, so they lie most of the
    // plot's height apart.
    const double values[3][3] = {{50.00012, 50.00010, 50.00011},
                                 {50.00013, 50.00012, 50.00014},
                                 {50.00025, 50.00026, 50.00024}};
    const double means[3] = {50.00011, 50.00013, 50.00025};
    for (auto [w, h] : {std::pair(900.0, 480.0), std::pair(360.0, 180.0)}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        const DisplayList figure = composeEvidenceFigure(balanceWeights(), w, h, ".");
        expectTidy(figure);
        const FigureParts parts = partsOf(figure, ".");
        ASSERT_EQ(parts.frames.size(), 2u);
        const RectPrimitive& plot =
            parts.frames[0].x < parts.frames[1].x ? parts.frames[0] : parts.frames[1];
        const ReadAxis& y = parts.valueAxis;
        EXPECT_GE(y.labels.size(), 3u);

        std::vector<LinePrimitive> bars = parts.leftShortHorizontal;
        ASSERT_EQ(bars.size(), 3u);
        std::sort(bars.begin(), bars.end(), [](auto& a, auto& b) { return a.x1 < b.x1; });
        for (size_t level = 0; level < 3; ++level) {
            EXPECT_NEAR(bars[level].y1, y(means[level]), 1e-6 * h) << level;
        }
        EXPECT_GT(bars[0].y1 - bars[2].y1, 0.6 * plot.height);
        EXPECT_GT(bars[0].y1 - bars[1].y1, 0.1 * plot.height);

        std::vector<DotPrimitive> dots = parts.dots;
        ASSERT_EQ(dots.size(), 9u);
        std::sort(dots.begin(), dots.end(), [](auto& a, auto& b) { return a.x < b.x; });
        for (size_t i = 0; i < 9; ++i) {
            EXPECT_NEAR(dots[i].y, y(values[i / 3][i % 3]), 1e-6 * h) << i;
            EXPECT_TRUE(dots[i].y > plot.y && dots[i].y < plot.y + plot.height) << i;
        }
    }
}

// The minus sign of the difference axis's title, "(nivel − Normal)".
std::string titleMinusSign(const DisplayList& figure) {
    for (const TextPrimitive& t : itemsOf<TextPrimitive>(figure)) {
        const size_t at = t.text.find("nivel ");
        if (at != std::string::npos) {
            const size_t from = at + 6;
            return t.text.substr(from, t.text.find(' ', from) - from);
        }
    }
    ADD_FAILURE() << "no difference axis title";
    return "-";
}

TEST(EvidenceFigure, EachAxisWritesItsTicksInOneNotationWithTheTitlesMinus) {
    auto computed = [](std::array<std::vector<std::string>, 3> levels,
                       std::optional<double> limit = std::nullopt) {
        return computeEvidence(testing::studyWithValues({"", "", ""}, levels), ".", limit);
    };
    // With a limit of 0.0001 % the bound is 5.00001e-5: the difference axis
    // runs from about -6e-5 to 1.7e-4, across 1e-4, where the result format
    // turns from scientific to fixed notation.
    const std::vector<std::pair<std::string, StudyEvidence>> cases = {
        {"balance weights", balanceWeights(0.0001)},
        {"negative",
         computed({{{"-100", "-101", "-99"}, {"-98", "-97", "-99"}, {"-103", "-102", "-104"}}},
                  3.0)},
        {"tiny", computed({{{"1e-9", "1.2e-9", "1.1e-9"},
                            {"0.9e-9", "1e-9", "1.3e-9"},
                            {"2e-9", "2.1e-9", "1.9e-9"}}},
                          60.0)},
        {"millions", computed({{{"999999.5", "1000000", "1000000.5"},
                                {"999999", "999999.5", "1000000"},
                                {"1000001", "1000001.5", "1000002"}}})},
    };
    for (const auto& [name, evidence] : cases) {
        SCOPED_TRACE(name);
        const DisplayList figure = composeEvidenceFigure(evidence, 900, 480, ".");
        expectTidy(figure);
        const std::string minus = titleMinusSign(figure);
        EXPECT_EQ(minus, "\u2212");
        const FigureParts parts = partsOf(figure, ".");
        bool anyNegative = false;
        for (const ReadAxis* axis : {&parts.valueAxis, &parts.differenceAxis}) {
            int scientific = 0;
            int fixed = 0;
            for (const std::string& label : axis->labels) {
                EXPECT_EQ(label.find('-'), std::string::npos) << label;
                const double value = labelValue(label, ".").value_or(0);
                if (value < 0) {
                    anyNegative = true;
                    EXPECT_EQ(label.rfind(minus, 0), 0u) << label;
                }
                if (value != 0) {
                    ++(label.find('E') != std::string::npos ? scientific : fixed);
                }
            }
            EXPECT_TRUE(scientific == 0 || fixed == 0)
                << scientific << " scientific, " << fixed << " fixed";
        }
        EXPECT_TRUE(anyNegative);
    }
}

// The boxes of the "−δ" and "+δ" labels.
std::pair<TextBox, TextBox> deltaBoxes(const DisplayList& figure) {
    std::optional<TextBox> minus, plus;
    for (const TextPrimitive& t : itemsOf<TextPrimitive>(figure)) {
        if (t.text == "\u2212\u03B4") {
            minus = boxOf(t);
        } else if (t.text == "+\u03B4") {
            plus = boxOf(t);
        }
    }
    EXPECT_TRUE(minus && plus);
    return {minus.value_or(TextBox{}), plus.value_or(TextBox{})};
}

TEST(EvidenceFigure, BoundLabelsStayApartHoweverNarrowTheBand) {
    // Bounds of 1.01e-3, 1.01e-9 and 1.01e-15 on the worked example's axis of
    // about -4 to 6; 5e-11 on the balance weights' axis of about 2e-4; zero.
    StudyEvidence zeroNormal = handMade({{{-1, 1}, {2, 3}, {-3, -2}}}, -1, 1);
    setEquivalenceLimit(zeroNormal, 10);
    const std::vector<std::pair<std::string, StudyEvidence>> cases = {
        {"1e-3 %", workedExample(1e-3)},   {"1e-9 %", workedExample(1e-9)},
        {"1e-15 %", workedExample(1e-15)}, {"balance weights", balanceWeights(1e-10)},
        {"zero bound", zeroNormal},
    };
    for (const auto& [name, evidence] : cases) {
        for (auto [w, h] : {std::pair(900.0, 480.0), std::pair(360.0, 180.0)}) {
            SCOPED_TRACE(name + " " + std::to_string(w) + "x" + std::to_string(h));
            const DisplayList figure = composeEvidenceFigure(evidence, w, h, ".");
            const auto [minus, plus] = deltaBoxes(figure);
            EXPECT_LT(minus.right, plus.left);
            EXPECT_GT(minus.left, 0);
            EXPECT_LT(plus.right, w);
        }
    }
}

TEST(EvidenceFigure, DegenerateDataStaysFiniteAndTidy) {
    auto computed = [](std::array<std::vector<std::string>, 3> levels,
                       std::optional<double> limit = std::nullopt) {
        return computeEvidence(testing::studyWithValues({"", "", ""}, levels), ".", limit);
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<std::pair<std::string, StudyEvidence>> cases = {
        {"equal within levels", handMade({{{5, 5, 5}, {5, 5, 5}, {7, 7, 7}}}, 0, 0)},
        {"all zero", handMade({{{0, 0}, {0, 0}, {0, 0}}}, 0, 0)},
        {"tiny", computed({{{"1e-9", "1.2e-9", "1.1e-9"},
                            {"0.9e-9", "1e-9", "1.3e-9"},
                            {"2e-9", "2.1e-9", "1.9e-9"}}})},
        {"huge, close together", computed({{{"1e12", "1.000000001e12", "1.000000002e12"},
                                            {"1e12", "1e12", "1.000000003e12"},
                                            {"1.000000001e12", "1e12", "1e12"}}},
                                          1e-6)},
        {"negative",
         computed({{{"-100", "-101", "-99"}, {"-98", "-97", "-99"}, {"-103", "-102", "-104"}}},
                  3.0)},
        {"interval much wider", handMade({{{10, 11}, {11, 12}, {12, 13}}}, -1e6, 1e6)},
        {"interval much narrower", handMade({{{0, 1}, {1e6, 1e6}, {-1e6, -1e6}}}, -1e-3, 1e-3)},
        {"near the largest double", handMade({{{-1e308, 1e308}, {1e308, 1e308}, {0, 0}}}, -1, 1)},
        {"values missing or not finite", handMade({{{}, {nan, 2}, {inf, 3}}}, nan, inf)},
    };
    StudyEvidence zeroNormal = handMade({{{-1, 1}, {2, 3}, {-3, -2}}}, -1, 1);
    setEquivalenceLimit(zeroNormal, 10); // a bound of 0
    cases.emplace_back("zero Normal mean with a limit", zeroNormal);
    StudyEvidence endless =
        computed({{{"1", "2", "3"}, {"2", "3", "4"}, {"3", "4", "6"}}}, DBL_MAX);
    cases.emplace_back("bound beyond a double", endless);

    for (const auto& [name, evidence] : cases) {
        for (auto [w, h] :
             {std::pair(900.0, 480.0), std::pair(640.0, 640.0), std::pair(360.0, 180.0)}) {
            SCOPED_TRACE(name + " " + std::to_string(w) + "x" + std::to_string(h));
            const DisplayList figure = composeEvidenceFigure(evidence, w, h, ".");
            expectTidy(figure);
            const FigureParts parts = partsOf(figure, ".");
            for (const ReadAxis* axis : {&parts.valueAxis, &parts.differenceAxis}) {
                EXPECT_TRUE(std::isfinite(axis->b) && axis->b != 0);
                EXPECT_TRUE(std::adjacent_find(axis->labels.begin(), axis->labels.end()) ==
                            axis->labels.end());
            }
        }
    }
    EXPECT_THROW(composeEvidenceFigure(workedExample(), 0, 480, "."), std::invalid_argument);
    EXPECT_THROW(composeEvidenceFigure(workedExample(), 900, nan, "."), std::invalid_argument);
}

TEST(EvidenceFigure, TextsWrapAtWordsAndWithinWidth) {
    // Widths from the typeface's advance widths in thousandths of the em:
    // "Baja" = 667 + 556 + 222 + 556 = 2001; bold "Alta" = 722 + 278 + 333 + 556.
    EXPECT_DOUBLE_EQ(estimatedTextWidth("Baja", 10), 20.01);
    EXPECT_DOUBLE_EQ(estimatedTextWidth("Alta", 10, true), 18.89);
    EXPECT_DOUBLE_EQ(estimatedTextWidth("á", 1), estimatedTextWidth("a", 1));
    // Ill-formed UTF-8 is measured as one U+FFFD (600) for each maximal
    // subpart: E2 82 is a cut-short sign, C0 AF an overlong '/' whose bytes
    // start nothing.
    EXPECT_DOUBLE_EQ(estimatedTextWidth("\xE2\x82", 1), 0.6);
    EXPECT_DOUBLE_EQ(estimatedTextWidth("\xC0\xAF", 1), 1.2);
    EXPECT_EQ(wrapText("uno dos tres", 1e9, 10, false), std::vector<std::string>{"uno dos tres"});
    // "uno dos" = 556*3 + 278 + 556*2 + 500 = 3558: 35.58 at size 10.
    EXPECT_EQ(wrapText("uno  dos tres", 35.58, 10, false),
              (std::vector<std::string>{"uno dos", "tres"}));
    EXPECT_EQ(wrapText("ñandú", 12, 10, false), (std::vector<std::string>{"ña", "nd", "ú"}));
    EXPECT_TRUE(wrapText("", 10, 10, false).empty());
}

StudyRecord describedStudy() {
    StudyRecord study = testing::workedExampleGrid({"25 °C", "20 °C", "30 °C"});
    study.methodName = "Valoración de paracetamol por HPLC";
    study.analystName = "M. Pérez";
    study.dateText = "12/03/2024";
    study.conditionName = "Temperatura de la columna";
    return study;
}

TEST(DetailPage, HoldsTheStudyTheTablesAndTheFigure) {
    const StudyRecord study = describedStudy();
    const StudyEvidence evidence = computeEvidence(study, ",", 5.0);
    const EvidenceTables tables = composeEvidenceTables(evidence, ",");
    const std::vector<std::string> studyTexts = {
        "Nombre del método: Valoración de paracetamol por HPLC", "Nombre del Analista: M. Pérez",
        "Fecha: 12/03/2024", "Condiciones de Operación: Temperatura de la columna"};

    // A4 portrait in points, Letter, and a landscape image in pixels.
    for (auto [w, h] :
         {std::pair(595.276, 841.89), std::pair(612.0, 792.0), std::pair(1600.0, 1000.0)}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        const DisplayList page = composeDetailPage(evidence, study, w, h, ",");
        expectTidy(page);
        EXPECT_TRUE(hasText(page, "DETALLE ESTADÍSTICO"));
        for (const std::string& text : studyTexts) {
            EXPECT_TRUE(hasText(page, text)) << text;
        }
        // Every body cell whole; a heading may be wrapped at its spaces.
        // The summary's labels and the verdicts are drawn nowhere else.
        std::vector<std::string> tableOnly;
        for (const auto& row : tables.summary) {
            tableOnly.push_back(row[0]);
        }
        for (size_t r = 1; r < tables.comparisons.size(); ++r) {
            tableOnly.insert(tableOnly.end(), tables.comparisons[r].begin() + 7,
                             tables.comparisons[r].end());
        }
        std::string all;
        double tablesBottom = 0;
        for (const TextPrimitive& t : itemsOf<TextPrimitive>(page)) {
            all += t.text + " ";
            if (std::find(tableOnly.begin(), tableOnly.end(), t.text) != tableOnly.end()) {
                tablesBottom = std::max(tablesBottom, t.y);
            }
        }
        EXPECT_GT(tablesBottom, 0);
        for (const auto* table : {&tables.comparisons, &tables.summary}) {
            for (size_t r = 0; r < table->size(); ++r) {
                for (const std::string& cell : (*table)[r]) {
                    if (r == 0 && table == &tables.comparisons) {
                        EXPECT_NE(all.find(cell.substr(0, cell.find(' '))), std::string::npos)
                            << cell;
                    } else {
                        EXPECT_TRUE(hasText(page, cell)) << cell;
                    }
                }
            }
        }
        // The figure below the tables, with its nine dots.
        const auto dots = itemsOf<DotPrimitive>(page);
        EXPECT_EQ(dots.size(), 9u);
        for (const DotPrimitive& dot : dots) {
            EXPECT_GT(dot.y, tablesBottom);
        }
    }
    EXPECT_THROW(composeDetailPage(evidence, study, -1, 800, ","), std::invalid_argument);
}

} // namespace
} // namespace robustez
