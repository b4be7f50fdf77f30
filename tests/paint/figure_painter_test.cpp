// The display lists painted with QPainter: the text widths the layout
// assumes against the real font, where the primitives land on an image, and
// the PDF, SVG and PNG files read back.

#include "core/report/detail_page.h"
#include "paint/figure_painter.h"

#include "core/study/errors.h"
#include "core/study/study_fixtures.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include <cmath>
#include <functional>
#include <stdexcept>
#include <string>

namespace robustez {
namespace {

StudyRecord describedStudy() {
    StudyRecord study = testing::workedExampleGrid({"25 °C", "20 °C", "30 °C"});
    study.methodName = "Valoración de paracetamol por HPLC";
    study.analystName = "M. Pérez";
    study.dateText = "12/03/2024";
    study.conditionName = "Temperatura de la columna";
    return study;
}

// The worked example with a limit of 5 %: Baja TOLERANTE and EQUIVALENTE,
// Alta NO TOLERANTE and not shown equivalent (its interval reaches 5.34 >
// 5.05); p 0.4179 and 0.0184 from R (mvtnorm).
StudyEvidence limitedExample() {
    return computeEvidence(describedStudy(), ",", 5.0);
}

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(30000)) << program.toStdString();
    EXPECT_EQ(process.exitCode(), 0) << program.toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

QByteArray contents(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

TEST(FigurePainter, LayoutWidthsMatchTheFont) {
    QImage device(10, 10, QImage::Format_ARGB32_Premultiplied);
    for (bool bold : {false, true}) {
        QFont font;
        font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
        font.setHintingPreference(QFont::PreferNoHinting);
        font.setBold(bold);
        font.setPixelSize(200);
        EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("Liberation Sans"));
        const QFontMetricsF metrics(font, &device);
        EXPECT_NEAR(metrics.ascent() / 200, kFontAscent, 0.01);
        EXPECT_NEAR(metrics.descent() / 200, kFontDescent, 0.01);
        for (const char* text :
             {"IC 95 % simultáneo inferior", "EQUIVALENCIA NO DEMOSTRADA", "NO TOLERANTE",
              "Límite de equivalencia (% de la media Normal)", "-0,990099 2.86275E-12",
              "Diferencia (nivel \u2212 Normal)", "+\u03B4 \u2212\u03B4", "Niveles: 25 °C; Ñú",
              "DETALLE ESTADÍSTICO", "Grados de libertad", "Valores por nivel"}) {
            const double real = metrics.horizontalAdvance(QString::fromUtf8(text));
            // Never narrower than the text (kerning only tightens it), at
            // most 1.5 % wider.
            const double estimate = estimatedTextWidth(text, 200, bold);
            EXPECT_GE(estimate, 0.999 * real) << text << (bold ? " bold" : "");
            EXPECT_LE(estimate, 1.015 * real) << text << (bold ? " bold" : "");
        }
    }
}

// The colour of the image at a point of the list, as painted scaled into
// `target`.
QColor colourAt(const QImage& image, const QRectF& target, const DisplayList& list, double x,
                double y) {
    const double scale = std::min(target.width() / list.width, target.height() / list.height);
    const double left = target.left() + (target.width() - list.width * scale) / 2;
    const double top = target.top() + (target.height() - list.height * scale) / 2;
    return image.pixelColor(static_cast<int>(std::floor(left + x * scale)),
                            static_cast<int>(std::floor(top + y * scale)));
}

TEST(FigurePainter, PrimitivesLandWhereTheListPutsThem) {
    const DisplayList figure = composeEvidenceFigure(limitedExample(), 900, 480, ",");
    // Twice the size across, centred down a taller image: 120 pixels above.
    QImage image(1800, 1200, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    const QRectF target(0, 0, 1800, 1200);
    {
        QPainter painter(&image);
        paintDisplayList(painter, figure, target);
    }
    int dots = 0;
    for (const Primitive& item : figure.items) {
        if (const auto* dot = std::get_if<DotPrimitive>(&item)) {
            const QColor c = colourAt(image, target, figure, dot->x, dot->y);
            EXPECT_EQ(c, QColor(dot->color.red, dot->color.green, dot->color.blue))
                << dot->x << "," << dot->y;
            ++dots;
        }
        if (const auto* rect = std::get_if<RectPrimitive>(&item); rect && rect->filled) {
            const QColor c = colourAt(image, target, figure, rect->x + rect->width / 2,
                                      rect->y + rect->height / 2);
            EXPECT_EQ(c, QColor(rect->color.red, rect->color.green, rect->color.blue));
        }
    }
    EXPECT_EQ(dots, 9);
    // Nothing above the centred box, something in it.
    const auto whiteRows = [&](int from, int to) {
        for (int y = from; y < to; ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixelColor(x, y) != QColor(Qt::white)) {
                    return false;
                }
            }
        }
        return true;
    };
    EXPECT_TRUE(whiteRows(0, 119));
    EXPECT_TRUE(whiteRows(1081, 1200));
    EXPECT_FALSE(whiteRows(121, 1079));
}

// The columns of the image holding ink (not white).
std::pair<int, int> inkColumns(const QImage& image) {
    int first = image.width();
    int last = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 160) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
        }
    }
    return {first, last};
}

TEST(FigurePainter, TextsAreAsWideAsLaidOutAtAnySize) {
    // Raster fonts come in whole pixels; a text between them must still span
    // the width the layout gave it (the ink lies within the advance, less the
    // side bearings of about 1 % of the size).
    const std::string text = "Límite de equivalencia (% de la media Normal)";
    for (double size : {9.4, 12.66, 13.0, 17.5}) {
        for (HAlign align : {HAlign::Left, HAlign::Right}) {
            SCOPED_TRACE(std::to_string(size));
            const double width = estimatedTextWidth(text, size);
            const double x = align == HAlign::Left ? 20 : 20 + width;
            DisplayList list{width + 40, 3 * size, {}};
            list.items.emplace_back(
                TextPrimitive{x, size, text, size, false, align, VAlign::Top, Rgb{}});
            QImage image(static_cast<int>(list.width), static_cast<int>(list.height),
                         QImage::Format_RGB32);
            image.fill(Qt::white);
            {
                QPainter painter(&image);
                paintDisplayList(painter, list, QRectF(0, 0, list.width, list.height));
            }
            const auto [first, last] = inkColumns(image);
            EXPECT_NEAR(first, 20, 0.15 * size);
            EXPECT_NEAR(last + 1, 20 + width, 0.15 * size);
        }
    }
}

TEST(FigurePainter, PdfHoldsTheDetailPage) {
    QTemporaryDir dir;
    const StudyEvidence evidence = limitedExample();
    for (const auto& [size, pageSizeText] :
         {std::pair(QPageSize(QPageSize::A4), "595 x 842 pts (A4)"),
          std::pair(QPageSize(QPageSize::Letter), "612 x 792 pts (letter)")}) {
        const QString path = dir.filePath(QStringLiteral("detalle.pdf"));
        writeDetailPdf(path, evidence, describedStudy(), ",", size);
        const QString info = run(QStringLiteral("pdfinfo"), {path});
        EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))));
        EXPECT_TRUE(info.contains(QString::fromUtf8(pageSizeText))) << info.toStdString();

        const QString text = run(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
        for (const char* expected : {"DETALLE ESTADÍSTICO",
                                     "Nombre del método: Valoración de paracetamol por HPLC",
                                     "Nombre del Analista: M. Pérez",
                                     "Fecha: 12/03/2024",
                                     "Condiciones de Operación: Temperatura de la columna",
                                     "Veredicto",
                                     "Equivalencia",
                                     "TOLERANTE",
                                     "NO TOLERANTE",
                                     "EQUIVALENTE",
                                     "EQUIVALENCIA NO DEMOSTRADA",
                                     "0,4179",
                                     "0,0184",
                                     "-0,990099",
                                     "2,86275",
                                     "Grados de libertad",
                                     "Límite de equivalencia (% de la media Normal)",
                                     "Valores por nivel",
                                     "Diferencia (nivel \u2212 Normal)",
                                     "\u2212\u03B4"}) {
            EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
        }
    }
}

TEST(FigurePainter, SvgAndPngFiles) {
    QTemporaryDir dir;
    const StudyEvidence evidence = limitedExample();

    const QString figure = dir.filePath(QStringLiteral("figura.svg"));
    writeFigureSvg(figure, evidence, ",");
    EXPECT_TRUE(QSvgRenderer(figure).isValid());
    const QByteArray svg = contents(figure);
    EXPECT_EQ(svg.count("<circle"), 9); // one per replicate value
    for (const char* text : {">Valores por nivel<", ">Normal<", ">Alta<", "+\u03B4<"}) {
        EXPECT_TRUE(svg.contains(text)) << text;
    }
    EXPECT_FALSE(svg.contains("DETALLE"));

    const QString page = dir.filePath(QStringLiteral("detalle.svg"));
    writeDetailSvg(page, evidence, describedStudy(), ",", QSizeF(595, 842));
    EXPECT_TRUE(QSvgRenderer(page).isValid());
    const QByteArray pageSvg = contents(page);
    EXPECT_EQ(pageSvg.count("<circle"), 9);
    for (const char* text : {">DETALLE ESTADÍSTICO<", ">EQUIVALENCIA NO DEMOSTRADA<", ">0,0184<"}) {
        EXPECT_TRUE(pageSvg.contains(text)) << text;
    }

    const QString png = dir.filePath(QStringLiteral("detalle.png"));
    writeDetailPng(png, evidence, describedStudy(), ",", QSize(1600, 1000));
    const QImage image(png);
    ASSERT_EQ(image.size(), QSize(1600, 1000));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::white)); // in the margin
    // The composed page's dots, at one pixel per unit.
    const DisplayList list = composeDetailPage(evidence, describedStudy(), 1600, 1000, ",");
    for (const Primitive& item : list.items) {
        if (const auto* dot = std::get_if<DotPrimitive>(&item)) {
            EXPECT_EQ(image.pixelColor(static_cast<int>(dot->x), static_cast<int>(dot->y)),
                      QColor(dot->color.red, dot->color.green, dot->color.blue));
        }
    }
}

TEST(FigurePainter, FilesFailWholeAndLeaveOldFilesAlone) {
    const StudyEvidence evidence = limitedExample();
    const StudyRecord study = describedStudy();
    // Each writer with a good size, or an empty one (which cannot be composed).
    using Writer = std::function<void(const QString&, bool)>;
    const std::pair<QString, Writer> writers[] = {
        {QStringLiteral("x.pdf"),
         [&](const QString& p, bool good) {
             writeDetailPdf(p, evidence, study, ",", good ? QPageSize(QPageSize::A4) : QPageSize());
         }},
        {QStringLiteral("x.svg"),
         [&](const QString& p, bool good) {
             writeDetailSvg(p, evidence, study, ",", good ? QSizeF(595, 842) : QSizeF());
         }},
        {QStringLiteral("f.svg"),
         [&](const QString& p, bool good) {
             writeFigureSvg(p, evidence, ",", good ? QSizeF(900, 480) : QSizeF(0, 480));
         }},
        {QStringLiteral("x.png"),
         [&](const QString& p, bool good) {
             writeDetailPng(p, evidence, study, ",", good ? QSize(800, 600) : QSize(800, 0));
         }},
    };
    QTemporaryDir dir;
    for (const auto& [name, write] : writers) {
        SCOPED_TRACE(name.toStdString());
        const QString path = QStringLiteral("/nonexistent-directory/") + name;
        try {
            write(path, true);
            ADD_FAILURE() << "no error";
        } catch (const FileError& error) {
            EXPECT_EQ(std::string(error.what()),
                      "No se puede escribir el archivo " + path.toStdString());
        }
        const QString existing = dir.filePath(name);
        {
            QFile file(existing);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("old");
        }
        EXPECT_THROW(write(existing, false), std::invalid_argument);
        EXPECT_EQ(contents(existing), QByteArray("old"));
        write(existing, true);
        EXPECT_GT(contents(existing).size(), 1000);
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
