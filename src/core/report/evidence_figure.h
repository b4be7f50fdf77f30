#pragma once

#include "core/stats/evidence.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace robustez {

// A drawing as a list of primitives, painted in order, in abstract units: x
// to the right and y downwards within a width x height box. Sizes (text
// size, line width, dot radius) are in the same units, so a drawing scales
// as a whole with the box it is painted into. The window, the PDF page and
// the SVG and PNG files all paint the same list.

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    bool operator==(const Rgb&) const = default;
};

struct LinePrimitive {
    double x1 = 0;
    double y1 = 0;
    double x2 = 0;
    double y2 = 0;
    double width = 1;
    Rgb color;
    bool dashed = false;
};

// A filled circle.
struct DotPrimitive {
    double x = 0;
    double y = 0;
    double radius = 1;
    Rgb color;
};

// A rectangle, filled, or outlined with a line of lineWidth.
struct RectPrimitive {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    Rgb color;
    bool filled = true;
    double lineWidth = 1;
};

enum class HAlign { Left, Centre, Right };
// Top: the top of the font's ascent; Middle: the middle of the capitals;
// Baseline: the baseline.
enum class VAlign { Top, Middle, Baseline };

// One line of UTF-8 text in the sans-serif typeface (Liberation Sans or
// Arial), its size the font's em in box units, anchored at (x, y).
struct TextPrimitive {
    double x = 0;
    double y = 0;
    std::string text;
    double size = 1;
    bool bold = false;
    HAlign align = HAlign::Left;
    VAlign valign = VAlign::Baseline;
    Rgb color;
};

using Primitive = std::variant<LinePrimitive, DotPrimitive, RectPrimitive, TextPrimitive>;

struct DisplayList {
    double width = 0;
    double height = 0;
    std::vector<Primitive> items;
};

// The verdict's colours, the only use of colour for a result: a comparison
// judged "TOLERANTE" and one judged "NO TOLERANTE" (the only red).
inline constexpr Rgb kTolerantInk{0x1F, 0x4E, 0x9A};
inline constexpr Rgb kNotTolerantInk{0xC0, 0x1C, 0x28};

// The width of a text at the given size, from the advance widths of the
// typeface (metric-compatible Liberation Sans / Arial; kerning ignored),
// for laying texts out without a font at hand.
double estimatedTextWidth(std::string_view utf8, double size, bool bold = false);

// The typeface's ascent and descent per unit of size.
inline constexpr double kFontAscent = 0.905;
inline constexpr double kFontDescent = 0.212;

// The words of a text broken into lines no wider than maxWidth; a word
// wider than that is broken between characters. An empty text is no line.
std::vector<std::string> wrapText(std::string_view utf8, double maxWidth, double size, bool bold);

// Appends the items of `part` to `into`, moved by (dx, dy).
void appendShifted(DisplayList& into, const DisplayList& part, double dx, double dy);

// The figure of the evidence in a width x height box. Left, "Valores por
// nivel": the replicate values of Normal, Baja and Alta as dots in three
// columns (side by side in replicate order), each level's mean as a short
// bar, the Normal mean as a dashed line across the panel, and a value axis.
// The levels are told apart by place and label, all in one grey ink.
// Right, "Diferencias frente a Normal (IC 95 % simultáneo)": each changed
// level's difference as a square marker within its simultaneous interval,
// in kTolerantInk or kNotTolerantInk by its verdict, a
// solid line at zero, and, while an equivalence limit is set, dashed lines
// at -bound and +bound labelled "−δ" and "+δ"; its axis takes in zero, both
// intervals and the bounds. Each axis spans its values' own spread, down to
// a spread of a billionth of their magnitude. Tick labels have the digits
// their spacing needs, in one notation per axis (fixed or scientific, as the
// result number format would choose), with the separator and the titles'
// minus sign, U+2212. Values that are not finite are left out; every
// coordinate is finite.
// Throws std::invalid_argument for a box that is not finite and positive.
DisplayList composeEvidenceFigure(const StudyEvidence& evidence, double width, double height,
                                  std::string_view decimalSeparator);

// The same with the base text size given (the detail page passes its own).
DisplayList composeEvidenceFigure(const StudyEvidence& evidence, double width, double height,
                                  std::string_view decimalSeparator, double fontSize);

} // namespace robustez
