#pragma once

// Drawn texts as the boxes they cover, for checking that no text runs over
// another or off the printable width.

#include <cstddef>
#include <string>
#include <vector>

namespace robustez::test {

// One drawn text as the box it covers: from its top-left corner, its width
// across and the em square down.
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

// Every box beyond the printable width and every two boxes that overlap,
// one a line; empty when there is none.
inline std::string faults(const std::vector<Box>& boxes, int width) {
    std::string found;
    for (size_t i = 0; i < boxes.size(); ++i) {
        if (boxes[i].left < 0 || boxes[i].right > width) {
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

} // namespace robustez::test
