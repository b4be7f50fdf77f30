// The QPainter canvas on real paged devices: fonts sized for the device,
// widths, and documents that are aborted.

#include "core/report/page_layouts.h"
#include "core/study/errors.h"
#include "paint/qpainter_canvas.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFontInfo>
#include <QGuiApplication>
#include <QPdfWriter>
#include <QPrinter>
#include <QTemporaryDir>

namespace robustez {
namespace {

StudyRecord studyWithCount(const std::string& count) {
    StudyRecord study = newStudyRecord();
    sizeGridForCount(study.grid, 3);
    study.replicateCountText = count;
    return study;
}

TEST(QPainterCanvas, FontIsSizedForTheDeviceResolution) {
    QTemporaryDir dir;
    for (int dpi : {300, 600, 1200}) {
        SCOPED_TRACE(dpi);
        QPdfWriter writer(dir.filePath(QStringLiteral("font.pdf")));
        writer.setResolution(dpi);
        QPainterCanvas canvas(writer);
        EXPECT_EQ(canvas.dpiX(), dpi);
        EXPECT_EQ(canvas.dpiY(), dpi);
        EXPECT_EQ(canvas.printableWidth(), writer.width());
        canvas.setFont("ARIAL", 12);
        const QFontInfo info(canvas.currentFont());
        EXPECT_EQ(info.family(), QStringLiteral("Liberation Sans"));
        // 12 points are 12/72 inch: 50, 100 and 200 dots.
        EXPECT_EQ(info.pixelSize(), dpi / 6);
        // Metric-compatible with Arial: "Control de Calidad" advances 16963
        // of 2048 font units per em, 99.4 points at 12 points.
        const double widthPt = canvas.textWidth("Control de Calidad") * 72.0 / dpi;
        EXPECT_NEAR(widthPt, 99.4, 1.0);
        EXPECT_EQ(canvas.textWidth(""), 0);
    }
}

TEST(QPainterCanvas, AbortedPdfLeavesNoFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("aborted.pdf"));
    QPdfWriter writer(path);
    writer.setResolution(600);
    QPainterCanvas canvas(writer, path);
    EXPECT_THROW(printGeneralPage(canvas, PrintLayout::Laser, studyWithCount("x")),
                 ConversionError);
    EXPECT_FALSE(QFile::exists(path));

    // An existing file is left as it was.
    {
        QFile existing(path);
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
        existing.write("old");
    }
    EXPECT_THROW(printGeneralPage(canvas, PrintLayout::Laser, studyWithCount("x")),
                 ConversionError);
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("old"));

    // A finished page is kept.
    const QString done = dir.filePath(QStringLiteral("done.pdf"));
    QPdfWriter second(done);
    QPainterCanvas finished(second, done);
    printGeneralPage(finished, PrintLayout::DeskJet, studyWithCount("3"));
    QFile file(done);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5) == "%PDF-");
}

TEST(QPainterCanvas, AbortedPrintJobPrintsNothing) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("job.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    QPainterCanvas canvas(printer);
    EXPECT_THROW(printGeneralPage(canvas, PrintLayout::Laser, studyWithCount("")), ConversionError);
    EXPECT_NE(printer.printerState(), QPrinter::Active);
    EXPECT_FALSE(QFile::exists(path));

    // The same canvas prints the next document whole.
    printGeneralPage(canvas, PrintLayout::Laser, studyWithCount("3"));
    EXPECT_TRUE(QFile::exists(path));
}

TEST(QPainterCanvas, KeptPagesArePaintedAsOneDocument) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("copies.pdf"));
    QPdfWriter writer(path);
    QPainterCanvas canvas(writer, path, QPainterCanvas::Pages::KeptForOneDocument);
    // A failing document drops the pages kept before it.
    printGeneralPage(canvas, PrintLayout::Laser, studyWithCount("3"));
    EXPECT_THROW(printGeneralPage(canvas, PrintLayout::Laser, studyWithCount("x")),
                 ConversionError);
    canvas.paintKeptPages();
    EXPECT_FALSE(QFile::exists(path));

    for (int copy = 0; copy < 3; ++copy)
        printGeneralPage(canvas, PrintLayout::Laser, studyWithCount("3"));
    EXPECT_FALSE(QFile::exists(path));
    canvas.paintKeptPages();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray pdf = file.readAll();
    EXPECT_EQ(pdf.count("/Type /Page") - pdf.count("/Type /Pages"), 3);
}

TEST(QPainterCanvas, UnopenableDeviceIsAnError) {
    QPdfWriter writer(QStringLiteral("/nonexistent-directory/out.pdf"));
    QPainterCanvas canvas(writer, QStringLiteral("/nonexistent-directory/out.pdf"));
    try {
        printResultsPage(canvas, PrintLayout::Laser, studyWithCount("3"), RobustnessResults{}, ".");
        ADD_FAILURE() << "no error";
    } catch (const RobustezError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "No se puede escribir el archivo /nonexistent-directory/out.pdf");
    }
}

} // namespace
} // namespace robustez

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
