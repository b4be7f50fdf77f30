#include "core/report/text_fit.h"

#include "core/text/utf8.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace robustez {
namespace {

// ---------------------------------------------------------------------------
// Text widths: the advance widths of Helvetica, which Arial and Liberation
// Sans share, in thousandths of the em, for ' ' to '~'.

constexpr std::array<unsigned short, 95> kRegularWidths = {
    278,  278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278, // ' '../
    556,  556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556, // 0..?
    1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778, // @..O
    667,  778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556, // P.._
    333,  556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556, // `..o
    556,  556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584,      // p..~
};

constexpr std::array<unsigned short, 95> kBoldWidths = {
    278, 333, 474, 556, 556, 889, 722, 238, 333, 333, 389, 584, 278, 333, 278, 278, // ' '../
    556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 333, 333, 584, 584, 584, 611, // 0..?
    975, 722, 722, 722, 722, 667, 611, 778, 722, 278, 556, 722, 611, 833, 722, 778, // @..O
    667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 333, 278, 333, 584, 556, // P.._
    333, 556, 611, 556, 611, 556, 333, 611, 611, 278, 278, 556, 278, 889, 611, 611, // `..o
    611, 611, 389, 556, 333, 611, 556, 778, 556, 556, 500, 389, 280, 389, 584,      // p..~
};

// U+00C0..U+00FF measured as the ASCII letter or sign of their width (of
// about it for a few signs); the accented i's are as wide as 'I'.
constexpr std::string_view kLatin1StandIns = "AAAAAAWCEEEEIIIIDNOOOOO+OUUUUYPn"
                                             "aaaaaamceeeeIIIIonooooo+ouuuuypy";

struct SpecialWidth {
    char32_t code;
    unsigned short regular;
    unsigned short bold;
};

constexpr SpecialWidth kSpecialWidths[] = {
    {U'\u00A0', 278, 278}, {U'\u00A1', 333, 333},   {U'\u00B0', 400, 400},   {U'\u00B1', 584, 584},
    {U'\u00B5', 556, 611}, {U'\u00B7', 278, 278},   {U'\u00BF', 611, 611},   {U'\u03B4', 556, 611},
    {U'\u2013', 556, 556}, {U'\u2014', 1000, 1000}, {U'\u2026', 1000, 1000}, {U'\u2212', 584, 584},
};

constexpr unsigned short kOtherWidth = 600;

// The code point starting at `i`, moving `i` past it; an ill-formed
// sequence is one replacement character for its maximal subpart.
char32_t nextCodePoint(std::string_view text, size_t& i) {
    const Utf8Step step = decodeUtf8(text.substr(i));
    i += step.length;
    return step.codePoint;
}

unsigned short codePointWidth(char32_t code, bool bold) {
    if (code >= 0xC0 && code <= 0xFF) {
        code = static_cast<unsigned char>(kLatin1StandIns[code - 0xC0]);
    }
    if (code >= 0x20 && code <= 0x7E) {
        return (bold ? kBoldWidths : kRegularWidths)[code - 0x20];
    }
    for (const SpecialWidth& special : kSpecialWidths) {
        if (special.code == code) {
            return bold ? special.bold : special.regular;
        }
    }
    return kOtherWidth;
}

// The text split at its spaces.
std::vector<std::string_view> wordsOf(std::string_view text) {
    std::vector<std::string_view> words;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = std::min(text.find(' ', start), text.size());
        if (end > start) {
            words.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return words;
}

// A word wider than maxWidth in pieces that fit (at least one code point each).
std::vector<std::string> brokenWord(std::string_view word, double maxWidth, double size,
                                    bool bold) {
    std::vector<std::string> pieces(1);
    for (size_t i = 0; i < word.size();) {
        const size_t start = i;
        nextCodePoint(word, i);
        const std::string_view piece = word.substr(start, i - start);
        if (!pieces.back().empty() &&
            estimatedTextWidth(pieces.back() + std::string(piece), size, bold) > maxWidth) {
            pieces.emplace_back();
        }
        pieces.back() += piece;
    }
    return pieces;
}

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

double estimatedTextWidth(std::string_view utf8, double size, bool bold) {
    long thousandths = 0;
    for (size_t i = 0; i < utf8.size();) {
        thousandths += codePointWidth(nextCodePoint(utf8, i), bold);
    }
    return static_cast<double>(thousandths) * size / 1000;
}

std::vector<std::string> wrapText(std::string_view utf8, double maxWidth, double size, bool bold) {
    std::vector<std::string> lines;
    for (std::string_view word : wordsOf(utf8)) {
        if (!lines.empty()) {
            std::string longer = lines.back();
            longer.append(1, ' ').append(word);
            if (estimatedTextWidth(longer, size, bold) <= maxWidth) {
                lines.back() = std::move(longer);
                continue;
            }
        }
        if (estimatedTextWidth(word, size, bold) <= maxWidth) {
            lines.emplace_back(word);
            continue;
        }
        for (std::string& piece : brokenWord(word, maxWidth, size, bold)) {
            lines.push_back(std::move(piece));
        }
    }
    return lines;
}

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
