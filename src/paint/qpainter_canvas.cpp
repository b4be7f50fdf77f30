#include "paint/qpainter_canvas.h"

#include "core/study/errors.h"

#include <QFile>
#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPen>
#include <QPrinter>

#include <utility>

namespace robustez {
namespace {

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QPainterCanvas::QPainterCanvas(QPagedPaintDevice& device, QString outputFile, Pages pages)
    : device_(device), outputFile_(std::move(outputFile)), pages_(pages) {}

void QPainterCanvas::beginDocument() {
    page_.clear();
}

void QPainterCanvas::endDocument() {
    kept_.push_back(std::exchange(page_, {}));
    if (pages_ == Pages::OneDocumentEach) {
        paintKeptPages();
    }
}

void QPainterCanvas::paintKeptPages() {
    const std::vector<Page> pages = std::exchange(kept_, {});
    if (!pages.empty()) {
        paint(pages);
    }
}

void QPainterCanvas::abortDocument() {
    // Nothing was sent to the device yet: dropping the pages is enough.
    page_.clear();
    kept_.clear();
    if (auto* printer = dynamic_cast<QPrinter*>(&device_);
        printer != nullptr && printer->printerState() == QPrinter::Active) {
        printer->abort();
    }
}

void QPainterCanvas::paint(const std::vector<Page>& pages) {
    QPainter painter;
    open(painter);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i > 0 && !device_.newPage()) {
            painter.end();
            failToFinish();
        }
        paintPage(painter, pages[i]);
    }
    if (!painter.end()) {
        failToFinish();
    }
}

void QPainterCanvas::open(QPainter& painter) {
    if (painter.begin(&device_)) {
        return;
    }
    if (!outputFile_.isEmpty()) {
        throw RobustezError("No se puede escribir el archivo " + outputFile_.toStdString());
    }
    throw RobustezError("No se puede comenzar la impresión");
}

void QPainterCanvas::failToFinish() {
    if (!outputFile_.isEmpty()) {
        QFile::remove(outputFile_);
    }
    throw RobustezError("No se puede terminar la impresión");
}

void QPainterCanvas::paintPage(QPainter& painter, const Page& page) {
    // Each page starts from the painter's state of a fresh document.
    painter.save();
    painter.setPen(QPen(Qt::black, 1));
    for (const Operation& operation : page) {
        switch (operation.kind) {
        case Operation::Kind::Font:
            painter.setFont(operation.font);
            break;
        case Operation::Kind::Text:
            painter.drawText(operation.from, operation.text);
            break;
        case Operation::Kind::Line:
            painter.drawLine(operation.from, operation.to);
            break;
        }
    }
    painter.restore();
}

void QPainterCanvas::setFont(std::string_view name, int pointSize) {
    QFont font(toQString(name));
    font.setPointSize(pointSize);
    // Sized for the device's resolution: pointSize / 72 inch high in dots.
    font_ = QFont(font, &device_);
    page_.push_back({Operation::Kind::Font, font_, {}, {}, {}});
}

int QPainterCanvas::textWidth(std::string_view text) const {
    return QFontMetrics(font_, &device_).horizontalAdvance(toQString(text));
}

void QPainterCanvas::textOut(int x, int y, std::string_view text) {
    const int ascent = QFontMetrics(font_, &device_).ascent();
    page_.push_back({Operation::Kind::Text, {}, QPoint(x, y + ascent), {}, toQString(text)});
}

void QPainterCanvas::line(int x1, int y1, int x2, int y2) {
    page_.push_back({Operation::Kind::Line, {}, QPoint(x1, y1), QPoint(x2, y2), {}});
}

int QPainterCanvas::dpiX() const {
    return device_.logicalDpiX();
}

int QPainterCanvas::dpiY() const {
    return device_.logicalDpiY();
}

int QPainterCanvas::printableWidth() const {
    return device_.width();
}

} // namespace robustez
