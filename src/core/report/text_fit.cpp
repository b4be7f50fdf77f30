#include "core/report/text_fit.h"

#include "core/report/evidence_figure.h"
#include "core/text/utf8.h"

#include <cstddef>

namespace robustez {
namespace {

constexpr std::string_view kEllipsis = "…";

// The text when it fits; else its longest start that fits with "…" after it
// (trailing spaces dropped), or nothing when not even "…" fits.
std::string shortened(std::string_view text, double width, double size) {
    if (estimatedTextWidth(text, size) <= width) {
        return std::string(text);
    }
    const double room = width - estimatedTextWidth(kEllipsis, size);
    if (room < 0) {
        return {};
    }
    double used = 0;
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t length = decodeUtf8(text.substr(end)).length;
        used += estimatedTextWidth(text.substr(end, length), size);
        if (used > room) {
            break;
        }
        end += length;
    }
    while (end > 0 && text[end - 1] == ' ') {
        --end;
    }
    return std::string(text.substr(0, end)) + std::string(kEllipsis);
}

} // namespace

std::vector<std::string> fitTextLines(std::string_view text, double width, int spareLines,
                                      double size) {
    if (estimatedTextWidth(text, size) <= width) {
        return {std::string(text)};
    }
    std::vector<std::string> lines;
    if (spareLines > 0) {
        lines = wrapText(text, width, size, false);
    }
    const std::size_t most = 1 + static_cast<std::size_t>(spareLines > 0 ? spareLines : 0);
    if (!lines.empty() && lines.size() <= most) {
        return lines;
    }
    // The lines that fit, then the rest on the last line, cut.
    std::string rest = lines.empty() ? std::string(text) : lines[most - 1];
    for (std::size_t i = most; i < lines.size(); ++i) {
        rest.append(1, ' ').append(lines[i]);
    }
    lines.resize(lines.empty() ? 0 : most - 1);
    lines.push_back(shortened(rest, width, size));
    return lines;
}

} // namespace robustez
