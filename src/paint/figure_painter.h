#pragma once

#include "core/report/evidence_figure.h"
#include "core/report/summary.h"
#include "core/stats/evidence.h"
#include "core/study/study_record.h"

#include <QPageSize>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <string_view>

class QPainter;

namespace robustez {

// Paints a display list into `target` (in the painter's coordinates): the
// list's box is scaled alike in both directions to the largest size that
// fits and centred. Texts are set in Liberation Sans (Arial where it is
// missing) at their size times the scale. The painter's state is restored.
void paintDisplayList(QPainter& painter, const DisplayList& list, const QRectF& target);

// The files. Each is written whole or not at all (an existing file is
// replaced only once the new one is complete); a file that cannot be
// written throws FileError("No se puede escribir el archivo <path>").

// The detail page as a one-page PDF of the given page size (portrait).
void writeDetailPdf(const QString& path, const StudyEvidence& evidence, const StudyRecord& study,
                    std::string_view decimalSeparator,
                    const QPageSize& pageSize = QPageSize(QPageSize::A4));

// The detail page as an SVG drawing of `size` units (points for a page).
void writeDetailSvg(const QString& path, const StudyEvidence& evidence, const StudyRecord& study,
                    std::string_view decimalSeparator, const QSizeF& size);

// The detail page as a PNG image of `size` pixels on a white ground.
void writeDetailPng(const QString& path, const StudyEvidence& evidence, const StudyRecord& study,
                    std::string_view decimalSeparator, const QSize& size);

// The evidence figure alone as an SVG drawing of `size` units.
void writeFigureSvg(const QString& path, const StudyEvidence& evidence,
                    std::string_view decimalSeparator, const QSizeF& size = QSizeF(900, 480));

// The summary's forest plot, whole (every condition), kSummaryFigureWidth
// wide and as tall as its lines need: as an SVG drawing in pixels, and as a
// PNG image of scale times as many pixels on a white ground.
void writeSummaryFigureSvg(const QString& path, const SummaryStudies& summary,
                           std::string_view decimalSeparator);
void writeSummaryFigurePng(const QString& path, const SummaryStudies& summary,
                           std::string_view decimalSeparator, double scale = 2);

// Any drawing of pixel units (a figure): as an SVG drawing of its size at
// 96 pixels per inch, titled, and as a PNG image of scale times as many
// pixels; both on a white ground.
void writeDrawingSvg(const QString& path, const DisplayList& drawing, const QString& title);
void writeDrawingPng(const QString& path, const DisplayList& drawing, double scale = 2);

} // namespace robustez
