// The window "Resumen de robustez" through the frame's command: three studies
// of one method, one of them not tolerant and one that cannot be computed.
// The worked example's numbers by hand: Normal 100, 101, 102 (mean 101),
// Baja 99, 100, 101, Alta 103, 104, 105; pooled variance 1, standard error
// sqrt(2/3); Baja differs by -1 (t = -1.22474), Alta by +3 (t = 3.67423 >
// 2.86, NO TOLERANTE).
#include "app/frame/help_viewer.h"
#include "app/frame/main_form.h"
#include "app/frame/window_test_support.h"
#include "app/results/detail_window.h"
#include "app/results/summary_window.h"

#include <QAction>
#include <QClipboard>
#include <QDate>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>

#include "core/report/summary_figure.h"

#include <cmath>

using testing_support::BoxAnswerer;
using testing_support::Frame;
using testing_support::localDecimals;
using testing_support::settle;

namespace {

// A study file: Windows-1252, every line ended by CR LF. Its date is far from
// any day the tests run, so the date of printing cannot be taken for it.
void writeStudy(const QString& path, const QString& condition, const QStringList& levels) {
    QStringList lines = {QStringLiteral("Valoración"), QStringLiteral("Ana"),
                         QStringLiteral("15/06/2001"), QStringLiteral("3"), condition};
    lines << levels;
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    for (const QString& line : lines) {
        file.write(line.toLatin1() + "\r\n");
    }
}

QString pdfText(const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class SummaryWindowTest : public QObject {
    Q_OBJECT

private slots:
    void threeStudiesOfAMethod();
    void aFileIsInTheSummaryOnce();
    void savedFiguresAreWholeAndOneSize();
    void longTextsWrapOrShowWhole();
    void opensShowingTableTextAndFigure();
};

void SummaryWindowTest::threeStudiesOfAMethod() {
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("ajustes"));
    const QString temperature = dir.filePath("temperatura.w1o");
    const QString flow = dir.filePath("flujo.w1o");
    const QString broken = dir.filePath("roto.w1o");
    writeStudy(temperature, QStringLiteral("Temperatura"),
               {"25", "100", "101", "102", "20", "99", "100", "101", "30", "103", "104", "105"});
    writeStudy(
        flow, QStringLiteral("Flujo"),
        {"1.0", "100", "101", "102", "0.9", "100", "101", "102", "1.1", "101", "101", "101"});
    writeStudy(broken, QStringLiteral("pH"),
               {"3.0", "100", "abc", "102", "2.8", "99", "100", "101", "3.2", "103", "104", "105"});

    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    HelpViewer::instance().setHelpFile(defaultHelpFilePath());
    QVERIFY(main.isCommandEnabled("mnuresumen"));
    main.setSummaryDialog([&](QWidget*) { return QStringList{temperature, flow, broken}; });
    main.findChild<QAction*>("mnuresumen")->trigger();
    settle();
    auto* window = main.findChild<TFresumen*>();
    QVERIFY(window != nullptr);
    QCOMPARE(main.activeChild(), window);
    QTableWidget* table = window->stgresumen;
    QCOMPARE(table->rowCount(), 3);
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("Temperatura"));
    QCOMPARE(table->item(1, 0)->text(), QStringLiteral("Flujo"));
    QVERIFY(table->item(2, 0)->text().contains(QStringLiteral("roto.w1o")));
    QCOMPARE(table->item(0, 5)->text(), localDecimals("101.0"));
    const QString conclusion = window->lconclusion->text();
    QVERIFY2(conclusion.contains(
                 QStringLiteral("CONCLUSIÓN: el método NO ES TOLERANTE a: Temperatura (Alta).")),
             qPrintable(conclusion));
    QVERIFY(conclusion.contains(QStringLiteral("Estudios sin resultado: roto.w1o.")));

    // Ctrl+C: the table as tab-separated text, header first.
    QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
    const QStringList copied = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'));
    QVERIFY(copied.at(0).startsWith(
        QStringLiteral("Condición\tNormal\tBaja\tAlta\tn\tMedia Normal\t")));
    QVERIFY2(copied.at(1).startsWith(localDecimals("Temperatura\t25\t20\t30\t3\t101.0\t-1.0\t")),
             qPrintable(copied.at(1)));
    QVERIFY(copied.at(1).contains(localDecimals("\t-1.22474\t")));
    QVERIFY(copied.at(1).contains(localDecimals("\t3.67423\t")));
    QVERIFY(copied.at(1).contains(QStringLiteral("NO TOLERANTE")));

    // Quitar: the failed study leaves; the conclusion no longer lists it.
    table->setCurrentCell(2, 0);
    window->botonquitar->click();
    QCOMPARE(window->files(), QStringList({temperature, flow}));
    QCOMPARE(table->rowCount(), 2);
    QVERIFY(!window->lconclusion->text().contains(QStringLiteral("Estudios sin resultado")));
    // Agregar: more files after the ones shown.
    window->askStudyFiles = [&](QWidget*) { return QStringList{broken}; };
    window->botonagregar->click();
    QCOMPARE(window->files(), QStringList({temperature, flow, broken}));

    // The limit is judged at once and shared with "Detalle estadístico".
    window->elimite->setText(QStringLiteral("2"));
    QCOMPARE(QSettings().value(QLatin1String(TFdetalle::kLimitSetting)).toString(),
             QStringLiteral("2"));
    QVERIFY(window->lconclusion->text().contains(QStringLiteral("EQUIVALENCIA NO DEMOSTRADA")));

    // Saved as PDF, SVG and PNG by the name's extension.
    for (const char* name : {"resumen.pdf", "resumen.svg", "resumen.png"}) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        window->askSavePath = [&](QWidget*, const QString&) { return path; };
        window->botonguardar->click();
        QVERIFY2(QFile::exists(path), name);
    }
    QVERIFY(pdfText(dir.filePath("resumen.pdf")).contains(QStringLiteral("Temperatura")));
    QVERIFY(!QImage(dir.filePath("resumen.png")).isNull());
    QFile svg(dir.filePath("resumen.svg"));
    QVERIFY(svg.open(QIODevice::ReadOnly) && svg.readAll().contains("<svg"));

    // Printed on Letter: numbered pages with the date of printing.
    const QString printed = dir.filePath("impreso.pdf");
    window->printSetup = [&](QPrinter& printer, QWidget*) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printed);
        printer.setPageSize(QPageSize(QPageSize::Letter));
        return true;
    };
    // The date is read before and after printing: a run across midnight
    // prints either day.
    const QDate dayBefore = QDate::currentDate();
    window->botonimprimir->click();
    const QDate dayAfter = QDate::currentDate();
    const QString text = pdfText(printed);
    QVERIFY2(text.contains(QStringLiteral("Página 1 de")), qPrintable(text));
    const QString format = QStringLiteral("dd/MM/yyyy");
    QVERIFY2(text.contains(dayBefore.toString(format)) || text.contains(dayAfter.toString(format)),
             qPrintable(text));

    // F1 opens the window's own help topic.
    QTest::keyClick(window->elimite, Qt::Key_F1);
    QCOMPARE(HelpViewer::instance().currentTopic(), QStringLiteral("resumen.html"));
    HelpViewer::instance().close();

    // It is the last child: closing it applies the last-child rule.
    main.mnucloseClick();
    settle();
    QCOMPARE(main.childCount(), 0);
    QVERIFY(main.isCommandEnabled("FileNewItem"));
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

// The same file chosen again (by another path, or twice in one choice) is
// not added again; the status line names it.
void SummaryWindowTest::aFileIsInTheSummaryOnce() {
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("ajustes"));
    const QString a = dir.filePath("a.w1o");
    const QString b = dir.filePath("b.w1o");
    writeStudy(a, QStringLiteral("Temperatura"),
               {"25", "100", "101", "102", "20", "99", "100", "101", "30", "103", "104", "105"});
    writeStudy(b, QStringLiteral("Flujo"),
               {"1.0", "100", "101", "102", "0.9", "99", "100", "101", "1.1", "101", "102", "103"});
    const QString aAgain = dir.path() + QStringLiteral("/./a.w1o");

    struct Case {
        QStringList chosen;
        QStringList files; // after the choice
        QString hint;      // empty: none
    };
    const QList<Case> cases = {
        {{b}, {a, b}, {}},
        {{aAgain}, {a}, QStringLiteral("Ya está en el resumen: a.w1o.")},
        {{b, a, b}, {a, b}, QStringLiteral("Ya están en el resumen: a.w1o, b.w1o.")},
    };
    for (const Case& c : cases) {
        TFresumen window({a}, ".");
        QSignalSpy hints(&window, &TFresumen::hintChanged);
        window.askStudyFiles = [&](QWidget*) { return c.chosen; };
        window.botonagregar->click();
        QCOMPARE(window.files(), c.files);
        QCOMPARE(window.stgresumen->rowCount(), int(c.files.size()));
        QCOMPARE(window.summary().studies.size(), std::size_t(c.files.size()));
        QCOMPARE(hints.size(), c.hint.isEmpty() ? 0 : 1);
        if (!c.hint.isEmpty()) {
            QCOMPARE(hints.front().front().toString(), c.hint);
        }
    }

    // Through the frame, the hint reaches the status line.
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    main.setSummaryDialog([&](QWidget*) { return QStringList{a}; });
    main.findChild<QAction*>("mnuresumen")->trigger();
    settle();
    auto* window = main.findChild<TFresumen*>();
    QVERIFY(window != nullptr);
    window->askStudyFiles = [&](QWidget*) { return QStringList{a}; };
    window->botonagregar->click();
    QCOMPARE(main.statusLineText(), QStringLiteral("Ya está en el resumen: a.w1o."));
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

// Twenty-five conditions: the forest plot runs over two pages, but the PNG
// and the SVG hold it whole, at the width the report tool writes too.
void SummaryWindowTest::savedFiguresAreWholeAndOneSize() {
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("ajustes"));
    QStringList files;
    for (int i = 1; i <= 25; ++i) {
        const QString path = dir.filePath(QStringLiteral("c%1.w1o").arg(i));
        writeStudy(path, QStringLiteral("Condición %1").arg(i),
                   {"1", "100", "101", "102", "2", "99", "100", "101", "3", "101", "102", "103"});
        files << path;
    }
    TFresumen window(files, ".");
    const robustez::DisplayList figure =
        robustez::composeSummaryFigure(window.summary(), robustez::kSummaryFigureWidth, ".");
    QCOMPARE(robustez::kSummaryFigureWidth, 900.0);

    const QString png = dir.filePath("resumen.png");
    const QString svg = dir.filePath("resumen.svg");
    for (const QString& path : {png, svg}) {
        window.askSavePath = [&](QWidget*, const QString&) { return path; };
        window.botonguardar->click();
        QVERIFY(QFile::exists(path));
    }
    const QImage image(png);
    QCOMPARE(image.width(), 1800);
    QCOMPARE(image.height(), int(std::ceil(2 * figure.height)));
    QFile file(svg);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString drawing = QString::fromUtf8(file.readAll());
    QVERIFY2(drawing.contains(QStringLiteral("viewBox=\"0 0 900 ")), qPrintable(drawing.left(400)));
    QVERIFY(drawing.contains(QStringLiteral("Condición 25")));
}

// A long condition wraps in a column of sensible width; a word too long for
// it is shortened, and its whole text is the cell's tooltip.
void SummaryWindowTest::longTextsWrapOrShowWhole() {
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("ajustes"));
    const QString words = dir.filePath("palabras.w1o");
    const QString word = dir.filePath("palabra.w1o");
    const QString longName = QStringLiteral(
        "Temperatura del horno de la columna cromatográfica medida a la entrada del inyector");
    const QString longWord = QStringLiteral("Temperatura_del_horno_de_la_columna_cromatográfica");
    const QStringList levels = {"25",  "100", "101", "102", "20",  "99",
                                "100", "101", "30",  "103", "104", "105"};
    writeStudy(words, longName, levels);
    writeStudy(word, longWord, levels);
    TFresumen window({words, word}, ".");
    window.resize(TFresumen::kDesignSize);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTableWidget* table = window.stgresumen;
    QVERIFY(table->columnWidth(0) <= TFresumen::kDesignSize.width() / 4);
    QVERIFY(table->rowHeight(0) >= 2 * table->fontMetrics().height());

    struct Case {
        int row;
        int column;
        QString tip; // empty: the text is whole, no tooltip
    };
    const QList<Case> cases = {{0, 0, {}}, {1, 0, longWord}, {0, 4, {}}};
    for (const Case& c : cases) {
        QToolTip::hideText(); // after a short delay
        QTRY_VERIFY(!QToolTip::isVisible());
        const QRect cell = table->visualRect(table->model()->index(c.row, c.column));
        QHelpEvent help(QEvent::ToolTip, cell.center(),
                        table->viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(table->viewport(), &help);
        QCOMPARE(QToolTip::isVisible() ? QToolTip::text() : QString(), c.tip);
    }
    QToolTip::hideText();
}

// On a 1280 x 1024 screen the window opens showing its table, text and
// figure, nothing to scroll: five studies need more than the design size.
void SummaryWindowTest::opensShowingTableTextAndFigure() {
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("ajustes"));
    QStringList files;
    for (const char* name : {"temperatura", "flujo", "ph", "columna", "longitud"}) {
        const QString path = dir.filePath(QString::fromLatin1(name) + ".w1o");
        writeStudy(path, QString::fromLatin1(name),
                   {"1", "100", "101", "102", "2", "99", "100", "101", "3", "103", "104", "105"});
        files << path;
    }
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    main.resize(1280, 1024 - 40); // the screen less a panel
    settle();
    main.setSummaryDialog([&](QWidget*) { return files; });
    main.findChild<QAction*>("mnuresumen")->trigger();
    settle();
    auto* window = main.findChild<TFresumen*>();
    QVERIFY(window != nullptr);
    auto* scroller = window->findChild<QScrollArea*>();
    QVERIFY(scroller != nullptr);
    QVERIFY2(scroller->widget()->height() <= scroller->viewport()->height(),
             qPrintable(QStringLiteral("%1 > %2")
                            .arg(scroller->widget()->height())
                            .arg(scroller->viewport()->height())));
    QVERIFY(!scroller->verticalScrollBar()->isVisible());
    // The figure at its full height, every table row in view.
    QCOMPARE(window->figura->height(), window->figura->heightForWidth(window->figura->width()));
    QTableWidget* table = window->stgresumen;
    const int lastRowBottom = table->rowViewportPosition(4) + table->rowHeight(4);
    QVERIFY(lastRowBottom <= table->viewport()->height());
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

ROBUSTEZ_WINDOW_TEST_MAIN(SummaryWindowTest)
#include "summary_window_test.moc"
