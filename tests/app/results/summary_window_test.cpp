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
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

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
    QCOMPARE(table->item(0, 5)->text(), QStringLiteral("101"));
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
    QVERIFY2(copied.at(1).startsWith(QStringLiteral("Temperatura\t25\t20\t30\t3\t101\t-1\t")),
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

ROBUSTEZ_WINDOW_TEST_MAIN(SummaryWindowTest)
#include "summary_window_test.moc"
