#pragma once

#include <cstdint>
#include <string>
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

// The verdict's colours, the only use of colour for a result: a comparison
// judged "TOLERANTE" and one judged "NO TOLERANTE" (the only red).
inline constexpr Rgb kTolerantInk{0x1F, 0x4E, 0x9A};
inline constexpr Rgb kNotTolerantInk{0xC0, 0x1C, 0x28};

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

// Appends the items of `part` to `into`, moved by (dx, dy).
void appendShifted(DisplayList& into, const DisplayList& part, double dx, double dy);

} // namespace robustez
