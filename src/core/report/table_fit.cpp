#include "core/report/table_fit.h"

#include "core/report/text_fit.h"

#include <algorithm>
#include <numeric>

namespace robustez {

namespace {

double total(const std::vector<double>& widths) {
    return std::accumulate(widths.begin(), widths.end(), 0.0);
}

// Widths from `from` towards `to` (each at least its `from`), sharing out
// `room` in proportion to what each still lacks; all of `to` when the room
// allows it.
std::vector<double> grownTowards(const std::vector<double>& from, const std::vector<double>& to,
                                 double room) {
    const double lacking = total(to) - total(from);
    const double share = lacking > room ? std::max(room, 0.0) / lacking : 1.0;
    std::vector<double> widths(from.size());
    for (std::size_t c = 0; c < from.size(); ++c) {
        widths[c] = from[c] + (to[c] - from[c]) * share;
    }
    return widths;
}

} // namespace

double widestWord(std::string_view text, bool bold) {
    double widest = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        widest = std::max(widest, estimatedTextWidth(text.substr(start, end - start), 1, bold));
        start = end + 1;
    }
    return widest;
}

FittedColumns fitColumns(const std::vector<ColumnNeeds>& needs, double size, double maxWidth,
                         double leastShrink, bool shareRest) {
    std::vector<double> least;
    std::vector<double> body;
    std::vector<double> whole;
    for (const ColumnNeeds& n : needs) {
        least.push_back(n.least);
        body.push_back(std::max(n.least, n.body));
        whole.push_back(std::max({n.least, n.body, n.whole}));
    }
    FittedColumns fitted;
    const double bodySize = std::max(maxWidth / std::max(total(body), 1.0), leastShrink * size);
    fitted.size = std::min({size, bodySize, maxWidth / std::max(total(least), 1.0)});
    // The size lets every longest word in: the room is negative only by a
    // rounding.
    const double available = maxWidth / fitted.size;
    std::vector<double> widths = grownTowards(least, body, available - total(least));
    widths = grownTowards(widths, whole, available - total(widths));
    const double rest = shareRest ? std::max(available - total(widths), 0.0) : 0.0;
    for (double& w : widths) {
        w = (w + rest / static_cast<double>(widths.size())) * fitted.size;
    }
    fitted.widths = std::move(widths);
    return fitted;
}

} // namespace robustez
