#pragma once

#include <string_view>

namespace robustez {

// The drawing surface of one printed page: a print job on a printer, a PDF
// file, or a recording canvas in the tests. Coordinates are device units
// (dots) from the top-left corner of the printable area; text is UTF-8 and is
// drawn with its top-left corner at the given point.
class PageCanvas {
public:
    virtual ~PageCanvas() = default;

    virtual void beginDocument() = 0;
    virtual void endDocument() = 0;
    // Drops a document that could not be finished.
    virtual void abortDocument() = 0;

    virtual void setFont(std::string_view name, int pointSize) = 0;
    virtual int textWidth(std::string_view text) const = 0;
    virtual void textOut(int x, int y, std::string_view text) = 0;
    virtual void line(int x1, int y1, int x2, int y2) = 0;

    // Resolution in dots per inch, and the printable width in dots.
    virtual int dpiX() const = 0;
    virtual int dpiY() const = 0;
    virtual int printableWidth() const = 0;
};

} // namespace robustez
