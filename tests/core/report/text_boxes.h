#pragma once

// Drawn texts as the boxes they cover, measured with the typeface's own
// advance widths, and the faults among them: a text beyond the printable
// width, two texts over each other.

#include "core/report/evidence_figure.h"

#include <string>
#include <vector>

namespace robustez::test {

// One drawn text: from its top-left corner, its width across and its height
// down.
struct Box {
    double left, top, right, bottom;
    std::string text;
};

inline bool overlap(const Box& a, const Box& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

inline std::string where(const Box& box) {
    return "\"" + box.text + "\" at (" + std::to_string(int(box.left)) + ", " +
           std::to_string(int(box.top)) + ")";
}

// Every box outside [left, right] and every two boxes that overlap, one a
// line; empty when there is none.
inline std::string faults(const std::vector<Box>& boxes, double left, double right) {
    std::string found;
    for (size_t i = 0; i < boxes.size(); ++i) {
        if (boxes[i].left < left || boxes[i].right > right) {
            found += where(boxes[i]) + " beyond the width\n";
        }
        for (size_t j = i + 1; j < boxes.size(); ++j) {
            if (overlap(boxes[i], boxes[j])) {
                found += where(boxes[i]) + " over " + where(boxes[j]) + "\n";
            }
        }
    }
    return found;
}

// Every box beyond [0, width] and every two boxes that overlap.
inline std::string faults(const std::vector<Box>& boxes, int width) {
    return faults(boxes, 0.0, static_cast<double>(width));
}

// The texts of a display list that hang from their top (VAlign::Top), from
// the top of the ascent to the bottom of the descent.
inline std::vector<Box> textBoxes(const DisplayList& list) {
    std::vector<Box> boxes;
    for (const Primitive& item : list.items) {
        const auto* t = std::get_if<TextPrimitive>(&item);
        if (t == nullptr || t->text.empty()) {
            continue;
        }
        const double width = estimatedTextWidth(t->text, t->size, t->bold);
        const double left = t->align == HAlign::Left     ? t->x
                            : t->align == HAlign::Centre ? t->x - width / 2
                                                         : t->x - width;
        boxes.push_back(
            {left, t->y, left + width, t->y + (kFontAscent + kFontDescent) * t->size, t->text});
    }
    return boxes;
}

} // namespace robustez::test
