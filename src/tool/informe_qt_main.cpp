// robustez-informe-qt: the drawing half of robustez-informe, which runs it
// with its own arguments for --pdf and --svg: one printed page of a study
// as a PDF file, or the figure of its comparisons as an SVG file; or the
// summary of several studies as PDF pages or its forest plot as SVG; or the
// result pages of a robustness screen by two-level design as PDF or its
// figures as SVG. No display is needed.

#include "core/design/run_table.h"
#include "core/platform/platform.h"
#include "core/report/design_figure.h"
#include "core/report/design_page.h"
#include "core/report/page_layouts.h"
#include "core/report/summary.h"
#include "core/report/summary_figure.h"
#include "core/report/summary_page.h"
#include "core/report/worksheet_page.h"
#include "core/stats/evidence.h"
#include "core/stats/robustness.h"
#include "core/study/errors.h"
#include "core/study/other_separator.h"
#include "core/study/study_file.h"
#include "paint/figure_painter.h"
#include "paint/pages_pdf.h"
#include "paint/qpainter_canvas.h"
#include "tool/design_report.h"
#include "tool/informe_options.h"
#include "tool/locale_separator.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>

#include <cmath>
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace robustez;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

QPageSize::PageSizeId pageSizeOf(InformePaper paper) {
    return paper == InformePaper::Letter ? QPageSize::Letter : QPageSize::A4;
}

// The detail page (--pdf OUT --page detalle [--limite PCT]): the tables and
// the figure on one page of options.paper, the same drawing as the program's
// "Detalle estadístico" window saves. A file that cannot be written throws,
// leaving none.
void drawDetailPagePdf(const InformeOptions& options, const StudyRecord& study,
                       const StudyEvidence& evidence, std::string_view decimalSeparator) {
    writeDetailPdf(QString::fromStdString(options.outputPath), evidence, study, decimalSeparator,
                   QPageSize(pageSizeOf(options.paper)));
}

// The figure of the comparisons alone (--svg OUT [--limite PCT]).
void drawEvidenceFigureSvg(const InformeOptions& options, const StudyEvidence& evidence,
                           std::string_view decimalSeparator) {
    writeFigureSvg(QString::fromStdString(options.outputPath), evidence, decimalSeparator);
}

void writeOut(FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}

// Standard error carries the tool's own messages only: Qt's diagnostics
// (warnings about the environment and the like) are dropped; critical and
// fatal ones still go out.
void qtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        writeOut(stderr, message.toStdString() + "\n");
    }
}

// Prints a failure's message alone on standard error.
int fail(std::string_view message) {
    writeOut(stderr, message);
    writeOut(stderr, "\n");
    std::fflush(stderr);
    return kExitFailure;
}

// The application Qt's painting needs, given only the program's name: none
// of our arguments are Qt's.
struct PaintingApplication {
    int argc;
    QGuiApplication app;
    explicit PaintingApplication(char** argv) : argc(1), app(argc, argv) {}
};

// The general or the results page, drawn at the resolution of its layout.
int printedPagePdf(const InformeOptions& options, const StudyRecord& study,
                   std::string_view separator, char** argv) {
    RobustnessResults results;
    if (options.page == InformePage::Results) {
        // The results page is printed from a fresh computation; a failing one
        // leaves no file.
        try {
            computeRobustness(study, separator, results);
        } catch (const std::exception& e) {
            return fail(e.what() + otherSeparatorNote(study, separator));
        }
    }

    const PaintingApplication painting(argv);
    const QString path = QString::fromStdString(options.outputPath);
    QPdfWriter writer(path);
    writer.setResolution(options.layout == PrintLayout::Laser ? 600 : 300);
    writer.setCreator(QStringLiteral("robustez-informe"));
    writer.setTitle(QStringLiteral("Robustez del Método"));
    // The printable area of a typical printer: a quarter inch from each edge.
    writer.setPageLayout(QPageLayout(QPageSize(pageSizeOf(options.paper)), QPageLayout::Portrait,
                                     QMarginsF(18, 18, 18, 18), QPageLayout::Point));

    try {
        QPainterCanvas canvas(writer, path);
        if (options.page == InformePage::Results) {
            printResultsPage(canvas, options.layout, study, results, separator);
        } else {
            printGeneralPage(canvas, options.layout, study);
        }
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    return 0;
}

// The detail page or the figure: the evidence first (a failing computation
// leaves no file), then the drawing.
int evidenceDrawing(const InformeOptions& options, const StudyRecord& study,
                    std::string_view separator, char** argv) {
    try {
        const StudyEvidence evidence =
            computeEvidence(study, separator, options.equivalenceLimitPct);
        const PaintingApplication painting(argv);
        if (options.mode == InformeMode::Svg) {
            drawEvidenceFigureSvg(options, evidence, separator);
        } else {
            drawDetailPagePdf(options, study, evidence, separator);
        }
    } catch (const std::exception& e) {
        return fail(e.what() + otherSeparatorNote(study, separator));
    }
    return 0;
}

[[noreturn]] void cannotWrite(const QString& path) {
    throw FileError("No se puede escribir el archivo " + path.toStdString());
}

// The footer of the summary's pages: the date and time of printing.
std::string printingFooter() {
    return "Impreso el " +
           QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm")).toStdString();
}

// Paints the lists on the device, one page each, starting a new page of the
// writer between them when there is one.
void paintPages(QPaintDevice& device, QPdfWriter* writer, const std::vector<DisplayList>& pages,
                const QRectF& area, const QString& path) {
    QPainter painter;
    if (!painter.begin(&device)) {
        cannotWrite(path);
    }
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i > 0 && writer != nullptr && !writer->newPage()) {
            cannotWrite(path);
        }
        paintDisplayList(painter, pages[i], area);
    }
    if (!painter.end()) {
        cannotWrite(path);
    }
}

// A figure as one SVG drawing on a white ground, written whole or not at all.
void writeFigureSvgFile(const QString& path, const DisplayList& figure, const QString& title) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        cannotWrite(path);
    }
    {
        QSvgGenerator generator;
        generator.setOutputDevice(&file);
        generator.setResolution(96);
        generator.setSize(QSize(static_cast<int>(std::ceil(figure.width)),
                                static_cast<int>(std::ceil(figure.height))));
        generator.setViewBox(QRectF(0, 0, figure.width, figure.height));
        generator.setTitle(title);
        DisplayList page = figure;
        page.items.insert(page.items.begin(),
                          RectPrimitive{0, 0, figure.width, figure.height, {255, 255, 255}});
        paintPages(generator, nullptr, {page}, QRectF(0, 0, figure.width, figure.height), path);
    }
    if (!file.commit()) {
        cannotWrite(path);
    }
}

// The summary's pages as one PDF file, written whole or not at all.
void writeSummaryPdf(const QString& path, const SummaryStudies& summary, std::string_view separator,
                     InformePaper paper) {
    const QPageSize pageSize(pageSizeOf(paper));
    const QSizeF points = pageSize.size(QPageSize::Point);
    writePagesPdf(
        path,
        composeSummaryPages(summary, points.width(), points.height(), separator, printingFooter()),
        pageSize, QStringLiteral("Resumen de robustez"));
}

// The summary (--pdf OUT --page resumen, --svg OUT --resumen): every study
// keeps its place, one without result with its message; the file is written
// all the same and the status is then 1.
int summaryDrawing(const InformeOptions& options, std::string_view separator, char** argv) {
    const SummaryStudies summary =
        examineSummaryFiles(options.studyPaths, separator, options.equivalenceLimitPct);
    try {
        const PaintingApplication painting(argv);
        const QString path = QString::fromStdString(options.outputPath);
        if (options.mode == InformeMode::Svg) {
            writeSummaryFigureSvg(path, summary, separator);
        } else {
            writeSummaryPdf(path, summary, separator, options.paper);
        }
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    return failedStudies(summary).empty() ? 0 : kExitFailure;
}

// A design screen's worksheet (--pdf OUT --page hoja DISEÑO): a design file
// or a run table, measured or not; one that cannot be read leaves no file.
int worksheetDrawing(const InformeOptions& options, std::string_view separator, char** argv) {
    const std::string& path = options.studyPaths.front();
    design::DesignStudy study;
    try {
        study = design::loadScreenFile(path, separator);
    } catch (const std::exception& e) {
        return fail(path + ": " + e.what());
    }
    const PaintingApplication painting(argv);
    const QPageSize pageSize(pageSizeOf(options.paper));
    const QSizeF points = pageSize.size(QPageSize::Point);
    writePagesPdf(QString::fromStdString(options.outputPath),
                  composeWorksheetPages(study, points.width(), points.height(), separator),
                  pageSize, QStringLiteral("Hoja de trabajo"));
    return 0;
}

// The design figures' width in the SVG file (pixels at 96 per inch).
constexpr double kDesignFigureWidth = 1000;

// A design screen (--pdf OUT --page diseno, --svg OUT --diseno): the file
// read and analysed first (one that cannot be leaves no file), then its
// pages or figures.
int designDrawing(const InformeOptions& options, std::string_view separator, char** argv) {
    const DesignOutcome outcome = examineDesignFile(options.studyPaths.front(), separator,
                                                    options.equivalenceLimitPct, options.estimate);
    if (outcome.error || !outcome.study) {
        return fail(outcome.path + ": " + outcome.error.value_or("no se puede leer"));
    }
    try {
        const PaintingApplication painting(argv);
        const QString path = QString::fromStdString(options.outputPath);
        const QString title = QStringLiteral("Cribado de robustez por diseño");
        if (options.mode == InformeMode::Svg) {
            writeFigureSvgFile(path,
                               composeDesignFigures(*outcome.study, outcome.analyses,
                                                    options.equivalenceLimitPct, kDesignFigureWidth,
                                                    separator),
                               title);
        } else {
            const QPageSize pageSize(pageSizeOf(options.paper));
            const QSizeF points = pageSize.size(QPageSize::Point);
            writePagesPdf(path,
                          composeDesignPages(*outcome.study, outcome.analyses,
                                             options.equivalenceLimitPct, points.width(),
                                             points.height(), separator),
                          pageSize, title);
        }
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    return 0;
}

int draw(const InformeOptions& options, std::string_view separator, char** argv) {
    if (options.mode == InformeMode::Pdf && options.page == InformePage::Worksheet) {
        return worksheetDrawing(options, separator, argv);
    }
    if (options.design) {
        return designDrawing(options, separator, argv);
    }
    if (options.summary) {
        return summaryDrawing(options, separator, argv);
    }
    const StudyRecord study = loadStudyFile(options.studyPaths.front());
    if (options.mode == InformeMode::Pdf && options.page != InformePage::Detail) {
        return printedPagePdf(options, study, separator, argv);
    }
    return evidenceDrawing(options, study, separator, argv);
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args = platform::commandLineArguments(argc, argv);
    const std::string_view separator = systemDecimalSeparator();

    InformeOptions options;
    try {
        options = parseInformeArguments(args, separator);
        if (!options.help && !isDrawingMode(options.mode)) {
            throw UsageError{"robustez-informe-qt sólo dibuja: use --pdf o --svg"};
        }
    } catch (const UsageError& error) {
        writeOut(stderr, "robustez-informe: " + error.message + "\n");
        writeOut(stderr, kInformeUsage);
        return kExitUsage;
    }
    if (options.help) {
        writeOut(stdout, kInformeHelp);
        writeOut(stdout, kInformeUsage);
        return std::fflush(stdout) == 0 ? 0 : kExitFailure;
    }

    qInstallMessageHandler(qtMessages);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    try {
        return draw(options, separator, argv);
    } catch (const std::exception& e) {
        return fail(e.what());
    }
}
