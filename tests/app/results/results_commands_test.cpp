// "&t de Dunnett" and "&Informe" run on a study typed in the real study
// window: the results window and the report window, their snapshots, their
// errors and the closing orders of the child windows.
#include "app/frame/about_box.h"
#include "app/frame/help_viewer.h"
#include "app/frame/main_form.h"
#include "app/frame/window_test_support.h"
#include "app/results/detail_window.h"
#include "app/results/report_window.h"
#include "app/results/results_window.h"
#include "app/study/study_grid.h"
#include "app/study/study_window.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegion>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

using testing_support::BoxAnswerer;
using testing_support::clickInto;
using testing_support::focusControl;
using testing_support::Frame;
using testing_support::localDecimals;
using testing_support::pressKey;
using testing_support::settle;
using testing_support::typeText;

namespace {

// The error box of a study with an empty value: the message, then what to do.
const QString kMissingValueBox = QStringLiteral(
    "'' is not a valid floating point value\nFalta un valor del estudio (una celda de "
    "valores está vacía): capture todos los valores de cada nivel antes de "
    "calcular.");

using Rows = QList<QStringList>;

// Types a study along the window's path: method, analyst, date, count n,
// condition, then the settings row and the values row by row. The last value
// stays in the cell editor, not confirmed.
void typeStudy(TMainForm& main, const QStringList& settings, const Rows& samples) {
    main.FileNew();
    TFinforma* study = main.studyWindow();
    typeText(QStringLiteral("Valoración"));
    pressKey(Qt::Key_Return);
    typeText(QStringLiteral("Ana"));
    pressKey(Qt::Key_Return);
    typeText(QStringLiteral("07/12/2026"));
    study->findChild<QTabWidget*>("Thojas")->setCurrentIndex(1);
    auto* count = study->findChild<QLineEdit*>("ereplica1");
    clickInto(count);
    settle();
    count->selectAll();
    typeText(QString::number(samples.size()));
    pressKey(Qt::Key_Return);
    pressKey(Qt::Key_Space);
    typeText(QStringLiteral("Temperatura"));
    pressKey(Qt::Key_Tab);
    QStringList cells = settings;
    for (const QStringList& row : samples) {
        cells += row;
    }
    for (qsizetype i = 0; i < cells.size(); ++i) {
        typeText(cells[i]);
        if (i + 1 < cells.size()) {
            pressKey(Qt::Key_Tab);
        }
    }
}

const QStringList kSettings = {"25", "20", "30"};
const Rows kWorkedExample = {{"100", "99", "103"}, {"101", "100", "104"}, {"102", "101", "105"}};

QStringList cellsOf(const QTableWidget* grid) {
    QStringList cells;
    for (int r = 0; r < grid->rowCount(); ++r) {
        for (int c = 0; c < grid->columnCount(); ++c) {
            const QTableWidgetItem* item = grid->item(r, c);
            cells << (item != nullptr ? item->text() : QString());
        }
    }
    return cells;
}

QStringList flatten(const Rows& rows) {
    QStringList cells;
    for (const QStringList& row : rows) {
        cells += row;
    }
    return cells;
}

// The open child windows of one kind, in the order they were opened.
template <typename Window> QList<Window*> childWindows(TMainForm& main) {
    QList<Window*> windows;
    for (QMdiSubWindow* sub : main.mdiArea()->subWindowList()) {
        if (auto* w = qobject_cast<Window*>(sub->widget())) {
            windows << w;
        }
    }
    return windows;
}

QList<TFinfo*> resultsWindows(TMainForm& main) {
    return childWindows<TFinfo>(main);
}
QList<Tfrminforme*> reportWindows(TMainForm& main) {
    return childWindows<Tfrminforme>(main);
}

void run(TMainForm& main, const char* command) {
    QAction* action = main.findChild<QAction*>(command);
    QVERIFY(action != nullptr);
    QVERIFY2(action->isEnabled(), command);
    action->trigger();
    settle();
}

QMdiSubWindow* frameOf(QWidget* child) {
    return qobject_cast<QMdiSubWindow*>(child->parentWidget());
}

QString spaces(int n) {
    return QString(n, QLatin1Char(' '));
}

} // namespace

class ResultsCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void workedExampleIntoBothWindows();
    void verdictsAtAndBeyondTheCriticalValue();
    void emptySettingsRow();
    void twoRunsAreIndependentSnapshots();
    void errorsOpenNoResultsAndCutTheReport();
    void keyAndClickCloseTheReport();
    void closingOrders();
    void studyNamedOnTheCommandLine();
    void windowsOpenInFrontOfAMaximizedStudy();
    void f1InTheMenusAsksTheirHelpContexts();
    void exitClosesEveryWindowOfTheProgram();
    void detailWindowOfTheWorkedExample();
    void childWindowsStayInsideAndUsable();
    void closingAWindowLeavesTheStudyAsItWas();
    void windowsNameTheirStudy();
    void cascadeAndCerrarLeaveEveryWindowInView();
};

void ResultsCommandsTest::workedExampleIntoBothWindows() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    typeStudy(main, kSettings, kWorkedExample);

    run(main, "mnudunet");
    QCOMPARE(resultsWindows(main).size(), 1);
    TFinfo* results = resultsWindows(main).front();
    QCOMPARE(results->windowTitle(),
             QStringLiteral("Lista de medias aritméticas y t de Dunnett calculada — Nuevo"));
    QCOMPARE(cellsOf(results->stgdunet1),
             flatten({{"", "MEDIA ARITMÉTICA", "  DESVIACIÓN", " COEFICIENTE ", " DIFERENCIA "},
                      {"MUESTRA", "", "   ESTÁNDAR", " DE VARIACIÓN", " ABSOLUTA"},
                      {"Normal", "101", "1", localDecimals("0.990099"), "|d1|= 1"},
                      {"Baja", "100", "1", "1", "|d2|= 3"},
                      {"Alta", "104", "1", localDecimals("0.961538"), ""},
                      {"Total", localDecimals("101.667"), "2", localDecimals("1.96721"), ""}}));
    QCOMPARE(cellsOf(results->stgdunet),
             flatten({{"       CONDICIONES      DE", "    OPERACIÓN", "  t DE DUNET CALCULADA ",
                       "         INTERPRETACIÓN"},
                      {"MUESTRA", "Temperatura", "", ""},
                      {"Normal", "25", "", ""},
                      {"Baja", "20", localDecimals("-1.22474"), "TOLERANTE"},
                      {"Alta", "30", localDecimals("3.67423"), "NO TOLERANTE"}}));
    // Centred in the frame's client area, or at its left edge when wider.
    const QRect area = main.mdiArea()->viewport()->rect();
    const QRect placed = frameOf(results)->geometry();
    const int centredX = qMax(0, (area.width() - placed.width()) / 2);
    QVERIFY2(qAbs(placed.x() - centredX) <= 1,
             qPrintable(QStringLiteral("x %1, expected %2").arg(placed.x()).arg(centredX)));

    run(main, "mnuinforme");
    QCOMPARE(reportWindows(main).size(), 1);
    const QStringList expected = {
        "ROBUSTEZ (TOLERANCIA A CONDICIONES DE OPERACIÓN)",
        " ",
        "Nombre del método Valoración",
        "Nombre del Analista Ana",
        "Fecha: 07/12/2026",
        "Número de Muestras (Replicaciones): 3",
        "Condiciones de Operación: Temperatura",
        " ",
        "MUESTRA       NORMAL               BAJA                ALTA",
        "Muestra" + spaces(14) + "25" + spaces(25) + "20" + spaces(19) + "30",
        "1" + spaces(23) + "100" + spaces(20) + "99" + spaces(18) + "103",
        "2" + spaces(23) + "101" + spaces(20) + "100" + spaces(18) + "104",
        "3" + spaces(23) + "102" + spaces(20) + "101" + spaces(18) + "105",
        " ",
        "MUESTRA   MEDIA ARITMÉTICA     DESVIACIÓN ESTANDAR      COEFICIENTE DE VARIACIÓN",
        "Normal" + spaces(13) + "101" + spaces(22) + "1" + spaces(36) + localDecimals("0.990099"),
        "Baja" + spaces(17) + "100" + spaces(22) + "1" + spaces(38) + "1",
        "Alta" + spaces(19) + "104" + spaces(22) + "1" + spaces(38) + localDecimals("0.961538"),
        "Total" + spaces(17) + localDecimals("101.667") + spaces(22) + "2" + spaces(38) +
            localDecimals("1.96721"),
        " ",
        " ",
        "CONDICIONES DE OPERACIÓN      t DE DUNNETT CALCULADA      INTERPRETACIÓN",
        "Normal" + spaces(10) + "25",
        "Baja" + spaces(15) + "20" + spaces(26) + localDecimals("-1.22474") + spaces(37) +
            "TOLERANTE",
        "Alta" + spaces(15) + "30" + spaces(26) + localDecimals("3.67423") + spaces(37) +
            "NO TOLERANTE",
        " ",
        " ",
        "Diferencia Absoluta D1 = 1",
        "Diferencia Absoluta D2 = 3",
    };
    QCOMPARE(reportWindows(main).front()->lines(), expected);
    QCOMPARE(reportWindows(main).front()->windowTitle(), QStringLiteral("Informe — Nuevo"));
    // The results grids and the report use the normal weight of "System"; only
    // the study grid is bold (the frame's own font is bold).
    for (const QWidget* text :
         {static_cast<QWidget*>(results->stgdunet1), static_cast<QWidget*>(results->stgdunet),
          static_cast<QWidget*>(reportWindows(main).front()->mminforme)}) {
        QVERIFY2(!text->font().bold(), text->objectName().toLatin1());
        QCOMPARE(text->font().family(), QStringLiteral("System"));
    }
    QVERIFY(main.studyWindow()->grid()->font().bold());
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void ResultsCommandsTest::verdictsAtAndBeyondTheCriticalValue() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    // mse = 15000 and se = 100: Baja lies 286 below Normal, Alta 286 above, so
    // both t values equal the critical value 2.86 in size.
    typeStudy(main, kSettings,
              {{"-50", "-336", "386"}, {"100", "-186", "386"}, {"250", "-36", "386"}});
    run(main, "mnudunet");
    TFinfo* results = resultsWindows(main).front();
    QCOMPARE(results->stgdunet->item(3, 2)->text(), localDecimals("-2.86"));
    QCOMPARE(results->stgdunet->item(3, 3)->text(), QStringLiteral("NO TOLERANTE"));
    QCOMPARE(results->stgdunet->item(4, 2)->text(), localDecimals("2.86"));
    QCOMPARE(results->stgdunet->item(4, 3)->text(), QStringLiteral("NO TOLERANTE"));
    QCOMPARE(results->stgdunet->item(2, 2)->text(), QString());
    QCOMPARE(results->stgdunet->item(2, 3)->text(), QString());
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void ResultsCommandsTest::emptySettingsRow() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    typeStudy(main, {"", "", ""}, kWorkedExample);
    run(main, "mnudunet");
    TFinfo* results = resultsWindows(main).front();
    for (int row = 2; row <= 4; ++row) {
        QCOMPARE(results->stgdunet->item(row, 1)->text(), QString());
    }
    run(main, "mnuinforme");
    const QStringList lines = reportWindows(main).front()->lines();
    QCOMPARE(lines.size(), 29);
    QCOMPARE(lines[9], "Muestra" + spaces(14 + 25 + 19));
    QCOMPARE(lines[22], "Normal" + spaces(10));
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void ResultsCommandsTest::twoRunsAreIndependentSnapshots() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    typeStudy(main, kSettings, kWorkedExample);
    run(main, "mnudunet");
    run(main, "mnuinforme");
    const QStringList firstResults = cellsOf(resultsWindows(main).front()->stgdunet1);
    const QStringList firstReport = reportWindows(main).front()->lines();

    // The study is closed with Cerrar and another one typed with a different Alta.
    QPointer<TFinforma> study = main.studyWindow();
    boxes.expect(QStringLiteral("Se realizaron cambios!\nQuiere guardar su información?"),
                 QMessageBox::No);
    main.mdiArea()->setActiveSubWindow(frameOf(study));
    run(main, "mnuclose");
    QTRY_VERIFY(study.isNull());
    QVERIFY(main.isCommandEnabled("FileNewItem"));
    typeStudy(main, kSettings,
              {{"100", "99", "103"}, {"101", "100", "104"}, {"102", "101", "108"}});
    run(main, "mnudunet");
    run(main, "mnuinforme");
    QCOMPARE(resultsWindows(main).size(), 2);
    QCOMPARE(reportWindows(main).size(), 2);
    QCOMPARE(cellsOf(resultsWindows(main).front()->stgdunet1), firstResults);
    QCOMPARE(reportWindows(main).front()->lines(), firstReport);
    QCOMPARE(resultsWindows(main).back()->stgdunet1->item(4, 1)->text(), QStringLiteral("105"));
    QCOMPARE(resultsWindows(main).front()->stgdunet1->item(4, 1)->text(), QStringLiteral("104"));
    QVERIFY(reportWindows(main).back()->lines() != firstReport);

    // Running the report twice on an unchanged study gives identical windows.
    run(main, "mnuinforme");
    QCOMPARE(reportWindows(main).back()->lines(), reportWindows(main).at(1)->lines());
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void ResultsCommandsTest::errorsOpenNoResultsAndCutTheReport() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    // The last cell is left empty.
    typeStudy(main, kSettings, {{"100", "99", "103"}, {"101", "100", "104"}, {"102", "101", ""}});
    boxes.expect(kMissingValueBox);
    run(main, "mnudunet");
    QVERIFY(resultsWindows(main).isEmpty());
    boxes.expect(kMissingValueBox);
    run(main, "mnuinforme");
    QCOMPARE(reportWindows(main).size(), 1);
    const QStringList lines = reportWindows(main).front()->lines();
    QCOMPARE(lines.size(), 13); // the general information and the data lines only
    QCOMPARE(lines.last(), "3" + spaces(23) + "102" + spaces(20) + "101" + spaces(18));
    QCOMPARE(boxes.pending(), 0);
    QCOMPARE(boxes.captions, QStringList({"Robustez del Método", "Robustez del Método"}));
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void ResultsCommandsTest::keyAndClickCloseTheReport() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    typeStudy(main, kSettings, kWorkedExample);
    run(main, "mnuinforme");
    run(main, "mnuinforme");
    QList<Tfrminforme*> reports = reportWindows(main);
    QCOMPARE(reports.size(), 2);
    QPointer<Tfrminforme> first = reports[0];
    QPointer<Tfrminforme> second = reports[1];
    second->mminforme->setFocus();
    QTest::keyClick(second->mminforme, Qt::Key_Right);
    QTRY_VERIFY(second.isNull());
    QTest::mouseClick(first->mminforme->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    QTRY_VERIFY(first.isNull());
    // The study window remains: closing reports changed no command.
    QVERIFY(main.isCommandEnabled("mnuinforme"));
    QVERIFY(main.isCommandEnabled("FileSaveItem"));
    QVERIFY(!main.isCommandEnabled("FileNewItem"));
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void ResultsCommandsTest::closingOrders() {
    const QString prompt = QStringLiteral("Se realizaron cambios!\nQuiere guardar su información?");
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    typeStudy(main, kSettings, kWorkedExample);
    run(main, "mnudunet");
    run(main, "mnuinforme");
    QPointer<TFinfo> results = resultsWindows(main).front();
    QPointer<Tfrminforme> report = reportWindows(main).front();

    // Closing the results window while the study is open changes nothing.
    frameOf(results)->close();
    QTRY_VERIFY(results.isNull());
    QVERIFY(main.isCommandEnabled("mnudunet"));
    QVERIFY(main.isCommandEnabled("mnuclose"));
    QVERIFY(!main.isCommandEnabled("FileNewItem"));

    // The study closed first by its close box: the study commands go off at
    // once, Nuevo and Abrir stay off while the report remains.
    run(main, "mnudunet");
    results = resultsWindows(main).front();
    QPointer<TFinforma> study = main.studyWindow();
    boxes.expect(prompt, QMessageBox::No);
    frameOf(study)->close();
    QTRY_VERIFY(study.isNull());
    for (const char* name :
         {"FileSaveItem", "spdguardar1", "FileSaveAsItem", "FilePrintItem", "spdprint", "mnudunet",
          "mnuinforme", "FileNewItem", "spdnuevo", "FileOpenItem", "spdabrir1"}) {
        QVERIFY2(!main.isCommandEnabled(name), name);
    }
    QVERIFY(main.isCommandEnabled("mnuclose"));

    // Cerrar on the results window closes only it.
    main.mdiArea()->setActiveSubWindow(frameOf(results));
    run(main, "mnuclose");
    QTRY_VERIFY(results.isNull());
    QVERIFY(!main.isCommandEnabled("FileNewItem"));

    // The report closes last: the frame is back in its no-document state.
    QTest::keyClick(report->mminforme, Qt::Key_Escape);
    QTRY_VERIFY(report.isNull());
    for (const char* name : {"FileNewItem", "spdnuevo", "FileOpenItem", "spdabrir1"}) {
        QVERIFY2(main.isCommandEnabled(name), name);
    }
    for (const char* name : {"mnuclose", "spdclose", "FileSaveItem", "FileSaveAsItem",
                             "WindowTileItem", "WindowCascadeItem", "FilePrintItem", "spdprint",
                             "spdguardar1", "spdmosaico", "spdcascada", "mnudunet", "mnuinforme"}) {
        QVERIFY2(!main.isCommandEnabled(name), name);
    }
    QCOMPARE(main.childCount(), 0);
    QCOMPARE(boxes.pending(), 0);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void ResultsCommandsTest::studyNamedOnTheCommandLine() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ejemplo.w1o"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("M\xe9todo\r\nAna\r\n07/12/2026\r\n3\r\nTemperatura\r\n25\r\n100\r\n101\r\n"
                   "102\r\n20\r\n99\r\n100\r\n101\r\n30\r\n103\r\n104\r\n105\r\n");
    }
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    main.openCommandLineStudy({QStringLiteral("robustez"), QStringLiteral("ejemplo.w1o")});
    QDir::setCurrent(previous);
    settle();
    TFinforma* study = main.studyWindow();
    QVERIFY(study != nullptr);
    QCOMPARE(study->documentName(), QFileInfo(path).absoluteFilePath());
    QVERIFY(study->isViewOnly());
    QCOMPARE(study->studyRecord().methodName, std::string("Método"));
    run(main, "mnudunet");
    QCOMPARE(resultsWindows(main).front()->stgdunet->item(4, 3)->text(),
             QStringLiteral("NO TOLERANTE"));
    QVERIFY(!main.isCommandEnabled("FileSaveItem"));

    // No argument: nothing opens; a missing file: the error box.
    Frame other;
    other.main->openCommandLineStudy({QStringLiteral("robustez")});
    QVERIFY(other.main->studyWindow() == nullptr);
    // A missing file: the error box, and no window left behind.
    boxes.expect(QStringLiteral("File not found\nEl archivo no existe: compruebe su nombre y su "
                                "carpeta; quizá se movió, cambió de nombre o se borró."));
    other.main->openCommandLineStudy({QStringLiteral("robustez"), dir.filePath("falta.w1o")});
    settle();
    QCOMPARE(boxes.pending(), 0);
    QVERIFY(other.main->studyWindow() == nullptr);
    QVERIFY(other.main->isCommandEnabled("FileNewItem"));
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void ResultsCommandsTest::windowsOpenInFrontOfAMaximizedStudy() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    typeStudy(main, kSettings, kWorkedExample); // the last value still in the editor
    TFinforma* study = main.studyWindow();
    QMdiSubWindow* studyFrame = frameOf(study);
    studyFrame->showMaximized();
    settle();
    const robustez::StudyGrid typed = study->studyRecord().grid;
    const auto studyUnchanged = [&] {
        const robustez::StudyGrid now = study->studyRecord().grid;
        for (int column = 1; column <= 3; ++column) {
            for (int row = 1; row <= 4; ++row) {
                QCOMPARE(now.cell(column, row), typed.cell(column, row));
            }
        }
    };
    const QRect area = main.mdiArea()->viewport()->rect();
    // Each command's window opens in front, active and maximized like the
    // study; the next key goes to it (a key closes the report window), and no
    // cell of the study changes. Restored, it takes its design size.
    struct Case {
        const char* command;
        QSize designSize;
        bool closedByAKey;
    };
    for (const Case& c : {Case{"mnudunet", TFinfo::kDesignSize, false},
                          Case{"pmnudunet", TFinfo::kDesignSize, false},
                          Case{"mnuinforme", Tfrminforme::kDesignSize, true}}) {
        const auto open = [&]() -> QMdiSubWindow* {
            main.mdiArea()->setActiveSubWindow(studyFrame);
            studyFrame->showMaximized();
            settle();
            if (QByteArray(c.command) == "pmnudunet") {
                study->findChild<QAction*>("pmnudunet")->trigger();
                settle();
            } else {
                run(main, c.command);
            }
            return main.mdiArea()->activeSubWindow();
        };
        QPointer<QMdiSubWindow> opened = open();
        QVERIFY(opened != studyFrame);
        QVERIFY2(opened->isMaximized(), c.command);
        QWidget* focus = QApplication::focusWidget();
        QVERIFY2(focus != nullptr && opened->isAncestorOf(focus), c.command);
        pressKey(Qt::Key_9);
        studyUnchanged();
        const bool closed = opened.isNull() || !opened->isVisible();
        QCOMPARE(closed, c.closedByAKey);
        if (closed) {
            opened = open(); // another one, to restore
            QVERIFY2(opened->isMaximized(), c.command);
        }
        opened->showNormal();
        settle();
        QCOMPARE(opened->size(), c.designSize);
        QVERIFY(area.contains(opened->geometry()));
        opened->close();
        settle();
    }
    QCOMPARE(resultsWindows(main).size(), 0);
    QCOMPARE(reportWindows(main).size(), 0);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void ResultsCommandsTest::f1InTheMenusAsksTheirHelpContexts() {
    // The program's own wiring: startExtras installs the menus' F1 handling.
    Frame frame;
    TMainForm& main = *frame.main;
    main.startExtras();
    HelpViewer& viewer = HelpViewer::instance();
    QStringList problems;
    viewer.reportProblem = [&problems](const QString& text) { problems << text; };
    const auto topicAfterF1 = [&viewer](QWidget* target) {
        viewer.hide();
        viewer.browser()->clear();
        QTest::keyClick(target, Qt::Key_F1);
        return viewer.isVisible() ? viewer.currentTopic() : QString();
    };
    QMenuBar* bar = main.menuBar();
    auto* fileMenu = main.findChild<QMenu*>("FileMenu");
    const QPoint fileTitle = bar->actionGeometry(fileMenu->menuAction()).center();

    // A menu opened by a click, no entry highlighted: the menu's own context.
    QTest::mouseClick(bar, Qt::LeftButton, {}, fileTitle);
    QTRY_VERIFY(fileMenu->isVisible());
    QVERIFY(fileMenu->activeAction() == nullptr);
    QCOMPARE(topicAfterF1(fileMenu), QStringLiteral("archivo.html"));
    // An entry highlighted: the entry's context.
    fileMenu->setActiveAction(main.findChild<QAction*>("FileOpenItem"));
    QCOMPARE(topicAfterF1(fileMenu), QStringLiteral("abrir.html"));
    fileMenu->close();
    settle();

    // A title highlighted with Alt, its menu closed: that menu's context.
    main.activateWindow();
    settle();
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &main, Qt::Key_Alt);
    QTRY_VERIFY(bar->hasFocus());
    QTest::keyClick(bar, Qt::Key_Right); // "&Cálculos" is greyed at start: "&Ventana"
    QCOMPARE(topicAfterF1(bar), QStringLiteral("ventana.html"));
    QTest::keyClick(bar, Qt::Key_Escape);
    settle();

    // Elsewhere F1 is the shortcut of "&Contenido".
    viewer.hide();
    main.activateWindow();
    main.FileNew();
    settle();
    QCOMPARE(topicAfterF1(QApplication::focusWidget()), QStringLiteral("contenido.html"));
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(" | ")));
    viewer.hide();
}

void ResultsCommandsTest::exitClosesEveryWindowOfTheProgram() {
    Frame frame;
    TMainForm& main = *frame.main;
    main.startExtras();
    HelpViewer::instance().reportProblem = [](const QString&) {};
    main.HelpContents();
    main.HelpAbout();
    main.printLasserClick();
    settle();
    QList<QWidget*> others;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w != &main && w->isVisible()) {
            others << w;
        }
    }
    QVERIFY(others.contains(&HelpViewer::instance()));
    QVERIFY(others.size() >= 3); // help, About, the print dialog (and the splash)
    main.FileExit();
    settle();
    // No window of the program is left open, so its event loop ends.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        QVERIFY2(!w->isVisible(), w->metaObject()->className());
    }
}

QStringList tableRows(const QTableWidget* table) {
    QStringList rows;
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table->columnCount(); ++c) {
            const QTableWidgetItem* item = table->item(r, c);
            cells << (item != nullptr ? item->text() : QString());
        }
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

void ResultsCommandsTest::detailWindowOfTheWorkedExample() {
    QTemporaryDir dir;
    // The limit typed is remembered in the user's settings: keep them here.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    typeStudy(main, kSettings, kWorkedExample);
    TFinforma* study = main.studyWindow();
    QVERIFY(study->findChild<QAction*>("pmnudetalle")->isEnabled());
    run(main, "mnudetalle");
    QCOMPARE(childWindows<TFdetalle>(main).size(), 1);
    TFdetalle* detail = childWindows<TFdetalle>(main).front();
    QCOMPARE(detail->windowTitle(), QStringLiteral("Detalle estadístico — Nuevo"));
    QCOMPARE(main.mdiArea()->activeSubWindow(), frameOf(detail));
    QCOMPARE(main.findChild<QAction*>("mnudetalle")->property("helpContext").toInt(),
             TFdetalle::kHelpContext);

    // Means 101, 100, 104; mse 1, df 6, SE = sqrt(2/3); p and the exact
    // critical value 2.86275 from R's mvtnorm (see the core's evidence tests);
    // intervals d +- 2.862750146 * sqrt(2/3) = d +- 2.33743.
    const QString heading = QStringLiteral(
        "Nivel|Diferencia|Diferencia relativa (%)|t|p ajustado|IC 95 % simultáneo inferior|"
        "IC 95 % simultáneo superior|Veredicto");
    const QStringList comparisons = {
        heading,
        localDecimals("Baja|-1.0|-0.990099|-1.22474|0.4179|-3.33743|1.33743|TOLERANTE"),
        localDecimals("Alta|3.0|2.9703|3.67423|0.0184|0.662574|5.33743|NO TOLERANTE"),
    };
    QCOMPARE(tableRows(detail->stgcomparaciones), comparisons);
    const QStringList summary = {"Grados de libertad|6", "Desviación estándar combinada|1",
                                 localDecimals("t crítica (tabla)|2.86"),
                                 localDecimals("t crítica exacta|2.86275")};
    QCOMPARE(tableRows(detail->stgresumen), summary);
    QVERIFY(detail->elimite->text().isEmpty());
    QCOMPARE(detail->findChild<QLabel*>()->text(),
             QStringLiteral("&Límite de equivalencia (% de la media Normal)"));
    QVERIFY(!detail->stgcomparaciones->font().bold());
    // Made small (a tile of Mosaico), the window scrolls: nothing overlaps.
    frameOf(detail)->resize(700, 240);
    settle();
    QVERIFY(detail->stgresumen->geometry().top() > detail->stgcomparaciones->geometry().bottom());
    QVERIFY(detail->figura->geometry().top() > detail->stgresumen->geometry().bottom());
    QVERIFY(detail->figura->height() >= detail->figura->minimumHeight());
    frameOf(detail)->resize(TFdetalle::kDesignSize);

    // A snapshot: changing the study leaves the window as it was.
    study->grid()->gridModel()->setCellText(1, 2, "90");
    QCOMPARE(tableRows(detail->stgcomparaciones), comparisons);

    // The limit judges at once: +-4 % of 101 holds Baja's interval, not Alta's.
    detail->elimite->setText(QStringLiteral("4"));
    QCOMPARE(tableRows(detail->stgcomparaciones),
             QStringList({heading + "|Equivalencia", comparisons[1] + "|EQUIVALENTE",
                          comparisons[2] + "|EQUIVALENCIA NO DEMOSTRADA"}));
    QCOMPARE(tableRows(detail->stgresumen).last(),
             QStringLiteral("Límite de equivalencia (% de la media Normal)|4"));
    // Ctrl+C copies both tables as a spreadsheet pastes them.
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(detail->stgresumen, Qt::Key_C, Qt::ControlModifier);
    const auto tabbed = [](const QStringList& rows) {
        return QStringList(rows)
                   .replaceInStrings(QStringLiteral("|"), QStringLiteral("\t"))
                   .join(QLatin1Char('\n')) +
               QLatin1Char('\n');
    };
    QCOMPARE(QGuiApplication::clipboard()->text(), tabbed(tableRows(detail->stgcomparaciones)) +
                                                       QLatin1Char('\n') +
                                                       tabbed(tableRows(detail->stgresumen)));
    QVERIFY(QGuiApplication::clipboard()->text().contains(
        localDecimals("Alta\t3.0\t2.9703\t3.67423\t0.0184\t0.662574\t5.33743\tNO TOLERANTE\t"
                      "EQUIVALENCIA NO DEMOSTRADA\n")));
    // Not a limit: no judgement.
    detail->elimite->setText(QStringLiteral("-2"));
    QCOMPARE(tableRows(detail->stgcomparaciones), comparisons);
    detail->elimite->setText(QStringLiteral("4"));

    // The figure and the tables saved in the format the name asks for.
    const QStringList formats = {"pdf", "svg", "png"};
    for (const QString& format : formats) {
        detail->askSavePath = [&dir, format](QWidget*, const QString&) {
            return dir.filePath(QStringLiteral("detalle.") + format);
        };
        detail->botonguardar->click();
    }
    QFile pdf(dir.filePath("detalle.pdf"));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(5) == "%PDF-");
    QFile svg(dir.filePath("detalle.svg"));
    QVERIFY(svg.open(QIODevice::ReadOnly));
    const QByteArray svgText = svg.readAll();
    QVERIFY(svgText.contains("<svg"));
    QVERIFY(svgText.contains("EQUIVALENCIA NO DEMOSTRADA"));
    QCOMPARE(QImage(dir.filePath("detalle.png")).isNull(), false);
    // A file that cannot be written: the error box, nothing else.
    detail->askSavePath = [&dir](QWidget*, const QString&) {
        return dir.filePath(QStringLiteral("falta/detalle.pdf"));
    };
    boxes.expect(QStringLiteral("No se puede escribir el archivo ") +
                 dir.filePath(QStringLiteral("falta/detalle.pdf")) +
                 QStringLiteral("\nCompruebe que la carpeta existe, que tiene permiso para "
                                "escribir en ella y que el disco tiene espacio libre."));
    detail->botonguardar->click();
    settle();
    QCOMPARE(boxes.pending(), 0);

    // The limit is remembered for the next window; F1 asks for its topic.
    run(main, "mnudetalle");
    TFdetalle* second = childWindows<TFdetalle>(main).back();
    QVERIFY(second != detail);
    QCOMPARE(second->elimite->text(), QStringLiteral("4"));
    // Computed afresh: Normal now 90, 101, 102, so Baja lies 100 - 293/3 = 7/3 above.
    QCOMPARE(tableRows(second->stgcomparaciones)[1].section('|', 1, 1), localDecimals("2.33333"));
    HelpViewer& viewer = HelpViewer::instance();
    QStringList helpProblems;
    viewer.reportProblem = [&helpProblems](const QString& text) { helpProblems << text; };
    viewer.browser()->clear();
    second->elimite->setFocus();
    QTest::keyClick(second->elimite, Qt::Key_F1);
    QCOMPARE(viewer.currentTopic(), QStringLiteral("detalle.html"));
    // F1 on its highlighted menu entry, through the program's own wiring.
    main.startExtras();
    viewer.browser()->clear();
    auto* calculations = main.findChild<QMenu*>("mnucalculos");
    calculations->popup(main.mapToGlobal(QPoint(10, 10)));
    QVERIFY(QTest::qWaitForWindowExposed(calculations));
    calculations->setActiveAction(main.findChild<QAction*>("mnudetalle"));
    QTest::keyClick(calculations, Qt::Key_F1);
    QCOMPARE(viewer.currentTopic(), QStringLiteral("detalle.html"));
    calculations->close();
    viewer.hide();
    main.activateWindow();
    settle();
    QVERIFY2(helpProblems.isEmpty(), qPrintable(helpProblems.join(" | ")));

    // The last-child rule: the study closed first, the detail windows last.
    main.setEstado(QString());
    frameOf(study)->close();
    settle();
    QVERIFY(!main.isCommandEnabled("FileNewItem"));
    QVERIFY(!main.isCommandEnabled("mnudetalle"));
    frameOf(second)->close();
    frameOf(detail)->close();
    settle();
    QVERIFY(main.isCommandEnabled("FileNewItem"));
    QVERIFY(!main.isCommandEnabled("mnuclose"));

    // A study that does not compute opens no window.
    typeStudy(main, kSettings, {{"100", "99", "103"}, {"", "100", "104"}});
    boxes.expect(kMissingValueBox);
    run(main, "mnudetalle");
    QCOMPARE(childWindows<TFdetalle>(main).size(), 0);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void ResultsCommandsTest::childWindowsStayInsideAndUsable() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    typeStudy(main, kSettings, kWorkedExample);
    const QRect area = main.mdiArea()->viewport()->rect();
    const auto allInside = [&] {
        for (QMdiSubWindow* sub : main.mdiArea()->subWindowList()) {
            QVERIFY2(area.contains(sub->geometry()),
                     qPrintable(QString::fromLatin1(sub->widget()->metaObject()->className()) +
                                QStringLiteral(" %1,%2 %3x%4")
                                    .arg(sub->x())
                                    .arg(sub->y())
                                    .arg(sub->width())
                                    .arg(sub->height())));
        }
    };
    // However many windows the commands open, each lies inside the client area.
    for (const char* command : {"mnudunet", "mnuinforme", "mnudetalle", "mnuinforme", "mnuinforme",
                                "mnudunet", "mnuinforme"}) {
        main.mdiArea()->setActiveSubWindow(frameOf(main.studyWindow()));
        run(main, command);
        allInside();
    }
    // Cascada keeps each window at a usable size: its design size as far as
    // the client area allows.
    main.WindowCascade();
    settle();
    allInside();
    for (QMdiSubWindow* sub : main.mdiArea()->subWindowList()) {
        const QSize wanted = sub->widget()->sizeHint().boundedTo(area.size() * 3 / 4);
        QVERIFY2(sub->widget()->width() >= wanted.width() - 1 &&
                     sub->widget()->height() >= wanted.height() - 1,
                 sub->widget()->metaObject()->className());
        QVERIFY(sub->widget()->width() >= 300);
    }
    // A results window made smaller than its grids scrolls to them.
    QMdiSubWindow* small = frameOf(resultsWindows(main).front());
    small->resize(400, 200);
    settle();
    auto* scroller = resultsWindows(main).front()->findChild<QScrollArea*>();
    QVERIFY(scroller != nullptr && scroller->horizontalScrollBar()->maximum() > 0 &&
            scroller->verticalScrollBar()->maximum() > 0);
    QCOMPARE(main.studyWindow()->sizeHint(), QSize(680, 345));
    QCOMPARE(resultsWindows(main).front()->sizeHint(), TFinfo::kDesignSize);
    QCOMPARE(reportWindows(main).front()->sizeHint(), Tfrminforme::kDesignSize);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void ResultsCommandsTest::closingAWindowLeavesTheStudyAsItWas() {
    // Back in the study after a results or detail window closes, the cell
    // being typed is still the current one: the grid was not left, its check
    // did not run, and the next key goes to that cell, not to the settings.
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    typeStudy(main, kSettings, kWorkedExample);
    TFinforma* study = main.studyWindow();
    const QModelIndex typing = study->grid()->currentIndex();
    QCOMPARE(typing, study->grid()->model()->index(4, 3));
    for (const char* command : {"mnudunet", "mnudetalle"}) {
        run(main, command);
        main.mdiArea()->activeSubWindow()->close();
        settle();
        QCOMPARE(main.mdiArea()->activeSubWindow(), frameOf(study));
        QCOMPARE(study->grid()->currentIndex(), typing);
        QCOMPARE(focusControl(), study->grid());
    }
    typeText(QStringLiteral("0")); // the cell's text is not selected: typing goes on
    QCOMPARE(study->studyRecord().levelSetting(1), std::string("25"));
    QCOMPARE(study->studyRecord().value(3, 3), std::string("1050"));
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void ResultsCommandsTest::windowsNameTheirStudy() {
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    typeStudy(main, kSettings, kWorkedExample);
    // Each window made from the study keeps its own title and names the
    // study: "Nuevo" before it is saved, then its file name without the folder.
    struct Made {
        const char* command;
        const char* title;
    };
    const Made made[] = {
        {"mnudunet", "Lista de medias aritméticas y t de Dunnett calculada"},
        {"mnuinforme", "Informe"},
        {"mnudetalle", "Detalle estadístico"},
    };
    QStringList expected;
    for (const char* study : {"Nuevo", "ejemplo.w1o"}) {
        if (QString::fromUtf8(study) != QStringLiteral("Nuevo")) {
            QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("estudios")));
            frame.saveAnswers.push_back(dir.filePath(QStringLiteral("estudios/") + study));
            main.mdiArea()->setActiveSubWindow(frameOf(main.studyWindow()));
            main.SaveascondicionesClick();
            QCOMPARE(main.studyWindow()->documentName(),
                     dir.filePath(QStringLiteral("estudios/") + study));
        }
        for (const Made& window : made) {
            main.mdiArea()->setActiveSubWindow(frameOf(main.studyWindow()));
            run(main, window.command);
            const QString title =
                QString::fromUtf8(window.title) + QStringLiteral(" — ") + QString::fromUtf8(study);
            QCOMPARE(main.activeChild()->windowTitle(), title);
            QCOMPARE(main.mdiArea()->activeSubWindow()->windowTitle(), title);
            expected << title;
        }
    }
    // Every child window shows the program's icon, not the toolkit's.
    const QImage icon = QIcon(QStringLiteral(":/robustez/robustez.svg")).pixmap(16).toImage();
    QVERIFY(!icon.isNull());
    for (QMdiSubWindow* sub : main.mdiArea()->subWindowList()) {
        QVERIFY2(sub->windowIcon().pixmap(16).toImage() == icon, qPrintable(sub->windowTitle()));
    }
    // Closed, the study leaves the windows made from it open, with their titles.
    main.mdiArea()->setActiveSubWindow(frameOf(main.studyWindow()));
    main.mnucloseClick();
    QTRY_VERIFY(main.studyWindow() == nullptr);
    QStringList titles;
    for (QMdiSubWindow* sub : main.mdiArea()->subWindowList()) {
        titles << sub->widget()->windowTitle();
    }
    QCOMPARE(titles, expected);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void ResultsCommandsTest::cascadeAndCerrarLeaveEveryWindowInView() {
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    // The frame restored to a small size: every window fills its client area.
    main.showNormal();
    main.resize(606, 381);
    settle();
    typeStudy(main, kSettings, kWorkedExample);
    for (const char* command : {"mnudunet", "mnuinforme", "mnudetalle"}) {
        main.mdiArea()->setActiveSubWindow(frameOf(main.studyWindow()));
        run(main, command);
    }
    // The part of a window's title bar that no window in front of it covers.
    const auto titleShown = [&](QMdiSubWindow* sub) {
        const QList<QMdiSubWindow*> stack = main.mdiArea()->subWindowList(QMdiArea::StackingOrder);
        QRegion shown(QRect(sub->pos(), QSize(sub->width(), 8)));
        for (qsizetype i = stack.indexOf(sub) + 1; i < stack.size(); ++i) {
            if (!stack[i]->isHidden()) {
                shown -= stack[i]->geometry();
            }
        }
        return shown.boundingRect().width();
    };
    const QRect area = main.mdiArea()->viewport()->rect();
    // The windows stacked in any order: Cascada, then Cerrar on the window
    // in front. Every other window shows its title bar inside the client area.
    for (const char* front : {"Finforma", "Finfo", "frminforme", "Fdetalle"}) {
        for (QMdiSubWindow* sub : main.mdiArea()->subWindowList()) {
            sub->raise(); // the order they were opened in
        }
        QMdiSubWindow* closing = nullptr;
        for (QMdiSubWindow* sub : main.mdiArea()->subWindowList()) {
            if (sub->widget()->objectName() == QLatin1String(front)) {
                closing = sub;
            }
        }
        QVERIFY2(closing != nullptr, front);
        main.mdiArea()->setActiveSubWindow(closing);
        main.WindowCascade();
        settle();
        const QList<QMdiSubWindow*> windows = main.mdiArea()->subWindowList();
        for (QMdiSubWindow* sub : windows) {
            QVERIFY2(titleShown(sub) >= 100, qPrintable(sub->windowTitle()));
            QVERIFY2(area.contains(sub->geometry()), qPrintable(sub->windowTitle()));
        }
        QCOMPARE(main.mdiArea()->activeSubWindow(), closing);
        if (closing->widget() == main.studyWindow()) {
            continue; // the study stays for the next rounds
        }
        main.mnucloseClick();
        settle();
        QTRY_COMPARE(main.childCount(), int(windows.size()) - 1);
        for (QMdiSubWindow* sub : main.mdiArea()->subWindowList()) {
            QVERIFY2(titleShown(sub) >= 100, qPrintable(sub->windowTitle()));
            QVERIFY(!sub->isMinimized() && !sub->isHidden());
        }
        // The window closed is made again for the next round.
        main.mdiArea()->setActiveSubWindow(frameOf(main.studyWindow()));
        run(main, front == QLatin1String("Finfo")        ? "mnudunet"
                  : front == QLatin1String("frminforme") ? "mnuinforme"
                                                         : "mnudetalle");
    }
    // A minimized window keeps its place along the bottom, uncovered.
    QMdiSubWindow* minimized = frameOf(main.studyWindow());
    minimized->showMinimized();
    settle();
    const QRect icon = minimized->geometry();
    main.WindowCascade();
    settle();
    QCOMPARE(minimized->geometry(), icon);
    for (QMdiSubWindow* sub : main.mdiArea()->subWindowList()) {
        if (sub != minimized) {
            QVERIFY2(!sub->geometry().intersects(icon), qPrintable(sub->windowTitle()));
        }
    }
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

ROBUSTEZ_WINDOW_TEST_MAIN(ResultsCommandsTest)
#include "results_commands_test.moc"
