#include "core/report/display_list.h"

#include <type_traits>
#include <utility>

namespace robustez {

void appendShifted(DisplayList& into, const DisplayList& part, double dx, double dy) {
    for (Primitive item : part.items) {
        std::visit(
            [&](auto& p) {
                if constexpr (std::is_same_v<std::decay_t<decltype(p)>, LinePrimitive>) {
                    p.x1 += dx;
                    p.y1 += dy;
                    p.x2 += dx;
                    p.y2 += dy;
                } else {
                    p.x += dx;
                    p.y += dy;
                }
            },
            item);
        into.items.push_back(std::move(item));
    }
}

} // namespace robustez
