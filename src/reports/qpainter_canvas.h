#pragma once

#include "reports/page_canvas.h"

#include <QFont>
#include <QPoint>
#include <QString>

#include <vector>

class QPagedPaintDevice;

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
class QPainterCanvas : public PageCanvas {
public:
    // `outputFile`, when not empty, names the file the device writes (a
    // PDF); a document that fails while it is being written removes it.
    explicit QPainterCanvas(QPagedPaintDevice& device, QString outputFile = {});

    QPainterCanvas(const QPainterCanvas&) = delete;
    QPainterCanvas& operator=(const QPainterCanvas&) = delete;

    void beginDocument() override;
    // Paints the page on the device; throws RobustezError when the device
    // cannot be opened or finished.
    void endDocument() override;
    void abortDocument() override;

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

    QPagedPaintDevice& device_;
    QString outputFile_;
    QFont font_;
    std::vector<Operation> page_;
};

} // namespace robustez
