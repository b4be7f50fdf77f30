#include "paint/figure_painter.h"

#include "core/report/detail_page.h"
#include "core/report/summary_figure.h"
#include "core/study/errors.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QMarginsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPen>
#include <QSaveFile>
#include <QStringList>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <variant>

namespace robustez {
namespace {

// PDF pages are drawn at this resolution, in dots per inch.
constexpr int kPdfResolution = 1200;
// SVG drawings: a page is measured in points, a figure in pixels.
constexpr int kPointResolution = 72;
constexpr int kPixelResolution = 96;
// Dashes and gaps of a dashed line, in line widths.
constexpr qreal kDash = 5;
constexpr qreal kDashGap = 3.5;

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QColor toColor(Rgb color) {
    return QColor(color.red, color.green, color.blue);
}

// The list's box on the target: one scale for both directions, centred.
struct Placement {
    double scale = 1;
    double left = 0;
    double top = 0;

    QPointF at(double x, double y) const { return {left + x * scale, top + y * scale}; }
};

Placement placementOf(const DisplayList& list, const QRectF& target) {
    if (!(list.width > 0 && list.height > 0)) {
        return {0, target.left(), target.top()};
    }
    const double scale = std::min(target.width() / list.width, target.height() / list.height);
    return {scale, target.left() + (target.width() - list.width * scale) / 2,
            target.top() + (target.height() - list.height * scale) / 2};
}

QFont fontOf(const TextPrimitive& text, double pixelSize, const QPaintDevice* device) {
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    font.setStyleHint(QFont::SansSerif);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setBold(text.bold);
    const int dpi = device != nullptr ? device->logicalDpiY() : kPixelResolution;
    font.setPointSizeF(pixelSize * 72.0 / dpi);
    return font;
}

void paintLine(QPainter& painter, const LinePrimitive& line, const Placement& place) {
    QPen pen(toColor(line.color), line.width * place.scale);
    pen.setCapStyle(Qt::FlatCap);
    if (line.dashed) {
        pen.setDashPattern({kDash, kDashGap});
    }
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawLine(place.at(line.x1, line.y1), place.at(line.x2, line.y2));
}

void paintDot(QPainter& painter, const DotPrimitive& dot, const Placement& place) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(toColor(dot.color));
    const double radius = dot.radius * place.scale;
    painter.drawEllipse(place.at(dot.x, dot.y), radius, radius);
}

void paintRect(QPainter& painter, const RectPrimitive& rect, const Placement& place) {
    const QRectF box(place.at(rect.x, rect.y), QSizeF(rect.width, rect.height) * place.scale);
    if (rect.filled) {
        painter.fillRect(box, toColor(rect.color));
        return;
    }
    QPen pen(toColor(rect.color), rect.lineWidth * place.scale);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box);
}

// Raster devices set fonts in whole pixels: the text is set at the nearest
// whole size and scaled to its own, so that it is as wide as laid out.
void paintText(QPainter& painter, const TextPrimitive& text, const Placement& place) {
    const double pixelSize = text.size * place.scale;
    if (!(pixelSize > 0) || text.text.empty()) {
        return;
    }
    const double wholeSize = std::max(1.0, std::round(pixelSize));
    const QFont font = fontOf(text, wholeSize, painter.device());
    const QFontMetricsF metrics(font, painter.device());
    const QString content = toQString(text.text);
    QPointF offset; // of the baseline's start from the anchor, at the whole size
    const qreal width = metrics.horizontalAdvance(content);
    switch (text.align) {
    case HAlign::Left:
        break;
    case HAlign::Centre:
        offset.rx() = -width / 2;
        break;
    case HAlign::Right:
        offset.rx() = -width;
        break;
    }
    switch (text.valign) {
    case VAlign::Top:
        offset.ry() = metrics.ascent();
        break;
    case VAlign::Middle:
        offset.ry() = metrics.capHeight() / 2;
        break;
    case VAlign::Baseline:
        break;
    }
    painter.save();
    painter.translate(place.at(text.x, text.y));
    painter.scale(pixelSize / wholeSize, pixelSize / wholeSize);
    painter.setFont(font);
    painter.setPen(toColor(text.color));
    painter.drawText(offset, content);
    painter.restore();
}

[[noreturn]] void cannotWrite(const QString& path) {
    throw FileError("No se puede escribir el archivo " + path.toStdString());
}

// A file that replaces the one at `path` only when committed whole.
class OutputFile {
public:
    explicit OutputFile(const QString& path) : file_(path) {
        if (!file_.open(QIODevice::WriteOnly)) {
            cannotWrite(path);
        }
    }

    QIODevice* device() { return &file_; }

    void commit() {
        if (!file_.commit()) {
            cannotWrite(file_.fileName());
        }
    }

private:
    QSaveFile file_;
};

// Paints the list over the whole device, on a white ground when asked.
void paintOn(QPaintDevice& device, const DisplayList& list, const QRectF& area, bool whiteGround,
             const QString& path) {
    QPainter painter;
    if (!painter.begin(&device)) {
        cannotWrite(path);
    }
    if (whiteGround) {
        painter.fillRect(area, Qt::white);
    }
    paintDisplayList(painter, list, area);
    if (!painter.end()) {
        cannotWrite(path);
    }
}

void writeSvg(const QString& path, const DisplayList& list, int resolution, const QString& title) {
    OutputFile file(path);
    {
        QSvgGenerator generator;
        generator.setOutputDevice(file.device());
        generator.setResolution(resolution);
        generator.setSize(QSize(static_cast<int>(std::ceil(list.width)),
                                static_cast<int>(std::ceil(list.height))));
        generator.setViewBox(QRectF(0, 0, list.width, list.height));
        generator.setTitle(title);
        paintOn(generator, list, QRectF(0, 0, list.width, list.height), true, path);
    }
    file.commit();
}

const QString kDetailDocumentTitle = QStringLiteral("Detalle estadístico");

} // namespace

void paintDisplayList(QPainter& painter, const DisplayList& list, const QRectF& target) {
    const Placement place = placementOf(list, target);
    if (!(place.scale > 0) || !std::isfinite(place.scale)) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    for (const Primitive& item : list.items) {
        std::visit(
            [&](const auto& p) {
                using Kind = std::decay_t<decltype(p)>;
                if constexpr (std::is_same_v<Kind, LinePrimitive>) {
                    paintLine(painter, p, place);
                } else if constexpr (std::is_same_v<Kind, DotPrimitive>) {
                    paintDot(painter, p, place);
                } else if constexpr (std::is_same_v<Kind, RectPrimitive>) {
                    paintRect(painter, p, place);
                } else {
                    paintText(painter, p, place);
                }
            },
            item);
    }
    painter.restore();
}

void writeDetailPdf(const QString& path, const StudyEvidence& evidence, const StudyRecord& study,
                    std::string_view decimalSeparator, const QPageSize& pageSize) {
    const QSizeF points = pageSize.size(QPageSize::Point);
    const DisplayList page =
        composeDetailPage(evidence, study, points.width(), points.height(), decimalSeparator);
    OutputFile file(path);
    {
        QPdfWriter writer(file.device());
        writer.setPageSize(pageSize);
        writer.setPageOrientation(QPageLayout::Portrait);
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(kPdfResolution);
        writer.setTitle(kDetailDocumentTitle);
        writer.setCreator(QStringLiteral("Robustez"));
        paintOn(writer, page, QRectF(0, 0, writer.width(), writer.height()), false, path);
    }
    file.commit();
}

void writeDetailSvg(const QString& path, const StudyEvidence& evidence, const StudyRecord& study,
                    std::string_view decimalSeparator, const QSizeF& size) {
    writeSvg(path,
             composeDetailPage(evidence, study, size.width(), size.height(), decimalSeparator),
             kPointResolution, kDetailDocumentTitle);
}

void writeDetailPng(const QString& path, const StudyEvidence& evidence, const StudyRecord& study,
                    std::string_view decimalSeparator, const QSize& size) {
    const DisplayList page =
        composeDetailPage(evidence, study, size.width(), size.height(), decimalSeparator);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        cannotWrite(path);
    }
    paintOn(image, page, QRectF(QPointF(0, 0), QSizeF(size)), true, path);
    OutputFile file(path);
    if (!image.save(file.device(), "PNG")) {
        cannotWrite(path);
    }
    file.commit();
}

void writeFigureSvg(const QString& path, const StudyEvidence& evidence,
                    std::string_view decimalSeparator, const QSizeF& size) {
    writeSvg(path, composeEvidenceFigure(evidence, size.width(), size.height(), decimalSeparator),
             kPixelResolution, QStringLiteral("Evidencia estadística"));
}

const QString kSummaryDocumentTitle = QStringLiteral("Resumen de robustez");

void writeSummaryFigureSvg(const QString& path, const SummaryStudies& summary,
                           std::string_view decimalSeparator) {
    writeSvg(path, composeSummaryFigure(summary, kSummaryFigureWidth, decimalSeparator),
             kPixelResolution, kSummaryDocumentTitle);
}

void writeSummaryFigurePng(const QString& path, const SummaryStudies& summary,
                           std::string_view decimalSeparator, double scale) {
    writeDrawingPng(path, composeSummaryFigure(summary, kSummaryFigureWidth, decimalSeparator),
                    scale);
}

void writeDrawingSvg(const QString& path, const DisplayList& drawing, const QString& title) {
    writeSvg(path, drawing, kPixelResolution, title);
}

void writeDrawingPng(const QString& path, const DisplayList& drawing, double scale) {
    const QSize size(static_cast<int>(std::ceil(drawing.width * scale)),
                     static_cast<int>(std::ceil(drawing.height * scale)));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        cannotWrite(path);
    }
    paintOn(image, drawing, QRectF(QPointF(0, 0), QSizeF(size)), true, path);
    OutputFile file(path);
    if (!image.save(file.device(), "PNG")) {
        cannotWrite(path);
    }
    file.commit();
}

} // namespace robustez
