#include "paint/pages_pdf.h"

#include "core/study/errors.h"
#include "paint/figure_painter.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace robustez {
namespace {

// Fine enough for the rules and small texts of a page.
constexpr int kPagesPdfResolution = 1200;

[[noreturn]] void cannotWrite(const QString& path) {
    throw FileError("No se puede escribir el archivo " + path.toStdString());
}

} // namespace

void writePagesPdf(const QString& path, const std::vector<DisplayList>& pages,
                   const QPageSize& pageSize, const QString& title, const QString& creator) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        cannotWrite(path);
    }
    {
        QPdfWriter writer(&file);
        writer.setPageSize(pageSize);
        writer.setPageOrientation(QPageLayout::Portrait);
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(kPagesPdfResolution);
        writer.setTitle(title);
        writer.setCreator(creator);
        const QRectF area(0, 0, writer.width(), writer.height());
        QPainter painter;
        if (!painter.begin(&writer)) {
            cannotWrite(path);
        }
        for (std::size_t i = 0; i < pages.size(); ++i) {
            if (i > 0 && !writer.newPage()) {
                cannotWrite(path);
            }
            paintDisplayList(painter, pages[i], area);
        }
        if (!painter.end()) {
            cannotWrite(path);
        }
    }
    if (!file.commit()) {
        cannotWrite(path);
    }
}

} // namespace robustez
