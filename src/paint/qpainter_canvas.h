#pragma once

#include "core/report/page_canvas.h"

#include <QFont>
#include <QPoint>
#include <QString>

#include <vector>

class QPagedPaintDevice;
class QPainter;

namespace robustez {

// A page canvas that draws with QPainter on a paged device: a QPrinter for
// the real printer, a QPdfWriter for a PDF file. The device must outlive the
// canvas. Text is drawn with its top-left corner at the given point (the
// baseline lies one font ascent lower); lines use a 1-dot pen.
//
// The page is kept until endDocument(), which opens the device, paints the
// whole page and closes it. An aborted document therefore never reaches the
// device: no half page is printed (Qt cannot take back a job already handed
// to CUPS) and no PDF file is written.
//
// With Pages::KeptForOneDocument, endDocument() only keeps its page and
// paintKeptPages() paints all kept pages, in order, as the pages of one
// document: several copies of a page become one file instead of each copy
// rewriting it.
class QPainterCanvas : public PageCanvas {
public:
    enum class Pages { OneDocumentEach, KeptForOneDocument };

    // `outputFile`, when not empty, names the file the device writes (a
    // PDF); a document that fails while it is being written removes it.
    explicit QPainterCanvas(QPagedPaintDevice& device, QString outputFile = {},
                            Pages pages = Pages::OneDocumentEach);

    QPainterCanvas(const QPainterCanvas&) = delete;
    QPainterCanvas& operator=(const QPainterCanvas&) = delete;

    void beginDocument() override;
    // Paints the page on the device, or keeps it for paintKeptPages();
    // throws RobustezError when the device cannot be opened or finished.
    void endDocument() override;
    // Drops the page being drawn and every kept page.
    void abortDocument() override;
    // Paints the kept pages as one document (nothing when none is kept) and
    // forgets them; throws as endDocument() does.
    void paintKeptPages();

    void setFont(std::string_view name, int pointSize) override;
    int textWidth(std::string_view text) const override;
    void textOut(int x, int y, std::string_view text) override;
    void line(int x1, int y1, int x2, int y2) override;

    int dpiX() const override;
    int dpiY() const override;
    int printableWidth() const override;

    // The font set last, as the device resolves it.
    QFont currentFont() const { return font_; }

private:
    // One drawing operation of the page, painted at endDocument().
    struct Operation {
        enum class Kind { Font, Text, Line } kind;
        QFont font;
        QPoint from;
        QPoint to;
        QString text;
    };

    using Page = std::vector<Operation>;

    // Opens the device, paints `pages` with a new sheet between them and
    // closes it.
    void paint(const std::vector<Page>& pages);
    // Begins painting on the device; throws when it cannot be opened.
    void open(QPainter& painter);
    // Removes the half-written file and throws.
    [[noreturn]] void failToFinish();
    static void paintPage(QPainter& painter, const Page& page);

    QPagedPaintDevice& device_;
    QString outputFile_;
    Pages pages_;
    QFont font_;
    Page page_;
    std::vector<Page> kept_;
};

} // namespace robustez
