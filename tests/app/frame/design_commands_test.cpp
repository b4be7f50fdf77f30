// The frame's commands of the design screen: their states as the windows
// come and go, the estado panel's mark, opening design files and run tables,
// saving, Salir, the worksheet's printing, the effects and F1.
#include "app/design/design_effects_window.h"
#include "app/design/design_window.h"
#include "app/frame/help_viewer.h"
#include "app/frame/main_form.h"
#include "app/frame/window_test_support.h"
#include "app/study/study_window.h"
#include "core/design/design_analysis.h"
#include "core/design/design_file.h"
#include "core/design/run_table.h"

#include <QFile>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <functional>
#include <string>

using robustez::design::DesignStudy;
using testing_support::BoxAnswerer;
using testing_support::Frame;
using testing_support::settle;

namespace {

std::string separator() {
    return QLocale::system().decimalPoint().toStdString();
}

void writeFile(const QString& path, const std::string& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), qint64(bytes.size()));
}

std::string readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

// The example screen of the examples folder: a Plackett-Burman design of 8
// runs with 4 factors and 3 dummies, 3 nominal runs and two responses (the
// second "Resolución"), every value measured.
std::string exampleFile() {
    return readFile(QStringLiteral(ROBUSTEZ_EXAMPLES_DIR "/diseno_pb8.w1d"));
}

DesignStudy example() {
    return robustez::design::decodeDesignFile(exampleFile());
}

// Two studies are the same when their design files are the same bytes.
std::string fileOf(const DesignStudy& study) {
    return robustez::design::encodeDesignFile(study);
}

QMdiSubWindow* subOf(QWidget* child) {
    return qobject_cast<QMdiSubWindow*>(child->parentWidget());
}

void activate(TMainForm& main, QWidget* child) {
    main.mdiArea()->setActiveSubWindow(subOf(child));
    settle();
}

// The commands a step of the table checks, and those of them enabled.
const QStringList kCommands = {
    "FileNewItem",  "FileOpenItem", "FileNewDesignItem", "FileOpenDesignItem", "mnuclose",
    "FileSaveItem", "spdguardar1",  "FileSaveAsItem",    "FilePrintItem",      "spdprint",
    "printlasser",  "printhoja",    "mnucalculos",       "mnudunet",           "mnudetalle",
    "mnuinforme",   "mnuefectos",   "WindowTileItem",    "spdcascada"};

QStringList enabledOf(const TMainForm& main) {
    QStringList on;
    for (const QString& name : kCommands) {
        if (main.isCommandEnabled(name)) {
            on.append(name);
        }
    }
    return on;
}

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

// Closes every child window, answering No to the close question of a
// modified design.
void closeAll(TMainForm& main, BoxAnswerer& boxes) {
    for (TFdiseno* design : main.designWindows()) {
        if (design->isModified()) {
            boxes.expectContaining(QString(), QMessageBox::No);
        }
    }
    main.setEstado(QString());
    main.mdiArea()->closeAllSubWindows();
    settle();
}

} // namespace

class DesignCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void commandStatesFollowTheActiveWindow();
    void estadoShowsTheActiveWindowsMark();
    void openingDesignsAndRunTables();
    void saveCommandsWorkOnTheActiveDesign();
    void salirStopsAtTheFirstRefusal();
    void worksheetPrintsForThePaperChosen();
    void effectsNeedEveryResponse();
    void helpKeyInTheDesignWindow();
    void commandLineOpensDesigns();

private:
    QTemporaryDir dir_;
};

// The command states as the user meets them: a table of steps (window
// events and the study's events) and the commands each leaves enabled.
void DesignCommandsTest::commandStatesFollowTheActiveWindow() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    const QString path = dir_.filePath("estados.w1d");
    robustez::design::saveDesignFile(path.toStdString(), example());
    QPointer<TFdiseno> first;
    QPointer<TFdiseno> second;
    QPointer<TFinforma> study;

    const QStringList always = {"FileNewDesignItem", "FileOpenDesignItem"};
    const QStringList design =
        always + QStringList{"mnuclose",      "FileSaveItem",   "spdguardar1", "FileSaveAsItem",
                             "FilePrintItem", "spdprint",       "printhoja",   "mnucalculos",
                             "mnuefectos",    "WindowTileItem", "spdcascada"};
    const QStringList free = {"FileNewItem", "FileOpenItem"};
    const QStringList studyGrid = {"FileSaveItem", "spdguardar1", "FileSaveAsItem", "FilePrintItem",
                                   "spdprint",     "printlasser", "mnucalculos",    "mnudunet",
                                   "mnudetalle",   "mnuinforme"};
    const QStringList windows = {"mnuclose", "WindowTileItem", "spdcascada"};
    const struct {
        const char* step;
        std::function<void()> act;
        QStringList on;
    } steps[] = {
        {"start", [] {}, free + always},
        {"Nuevo diseño",
         [&] {
             main.FileNewDesign();
             first = main.activeDesignWindow();
         },
         free + design},
        {"Nuevo (estudio)",
         [&] {
             main.FileNew();
             study = main.studyWindow();
         },
         always + windows},
        {"the study's grid entered",
         [&] { main.applyCommandColumn(robustez::CommandEvent::GridEntered); },
         always + windows + studyGrid},
        {"the design window active", [&] { activate(main, first); }, design},
        // The study's events while a design window is active are remembered
        // for the study, and the design keeps its own commands.
        {"the study's count accepted behind the design",
         [&] { main.applyCommandColumn(robustez::CommandEvent::CountAccepted); }, design},
        {"the study window active", [&] { activate(main, study); },
         always + windows + QStringList{"mnucalculos"}},
        {"the design window active again", [&] { activate(main, first); }, design},
        // The study behind it comes to the front with its own states.
        {"C&errar on the design window", [&] { main.mnucloseClick(); },
         always + windows + QStringList{"mnucalculos"}},
        {"Abrir diseño", [&] { second = main.openDesignFile(path); }, design},
        {"Efectos del diseño", [&] { main.mnuefectosClick(); },
         always + windows + QStringList{"mnucalculos"}},
        {"C&errar on the study",
         [&] {
             activate(main, study);
             main.mnucloseClick();
             settle();
         },
         // The effects window in front of the study comes to the front.
         free + always + windows + QStringList{"mnucalculos"}},
        {"the design window active again", [&] { activate(main, second); }, free + design},
        // The study's rule leaves its Cálculos menu on, its entries off.
        {"every window closed", [&] { closeAll(main, boxes); },
         free + always + QStringList{"mnucalculos"}},
    };
    for (const auto& step : steps) {
        step.act();
        settle();
        QVERIFY2(sorted(enabledOf(main)) == sorted(step.on),
                 qPrintable(QStringLiteral("%1: %2").arg(step.step, enabledOf(main).join(' '))));
    }
    QCOMPARE(main.childCount(), 0);
    QVERIFY(first == nullptr && second == nullptr && study == nullptr);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

// The estado panel shows the active window's mark, and each window's close
// question reads its own.
void DesignCommandsTest::estadoShowsTheActiveWindowsMark() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    const QString design = dir_.filePath("marca.w1d");
    const QString table = dir_.filePath("marca.tsv");
    robustez::design::saveDesignFile(design.toStdString(), example());
    writeFile(table, robustez::design::encodeRunTable(example(), separator()));
    const QString modified = QStringLiteral("Modificado");

    main.FileNew();
    TFinforma* study = main.studyWindow();
    main.setEstado(modified); // the study was changed
    TFdiseno* saved = main.openDesignFile(design);
    QVERIFY(saved != nullptr && !saved->isModified());
    QCOMPARE(main.estadoText(), QString());
    QCOMPARE(main.modifiedMark(), modified);
    activate(main, study);
    QCOMPARE(main.estadoText(), modified);

    main.setEstado(QString()); // the study saved
    TFdiseno* fromTable = main.openDesignFile(table);
    QVERIFY(fromTable != nullptr && fromTable->isModified());
    QCOMPARE(main.estadoText(), modified);
    QCOMPARE(main.modifiedMark(), QString());
    activate(main, saved);
    QCOMPARE(main.estadoText(), QString());

    // The unchanged study closes without a question while a changed design
    // is active; the design's mark stays with it.
    activate(main, fromTable);
    QVERIFY(subOf(study)->close());
    settle();
    QVERIFY(main.studyWindow() == nullptr);
    QCOMPARE(boxes.texts.size(), 0);
    activate(main, fromTable);
    QCOMPARE(main.estadoText(), modified);
    closeAll(main, boxes);
    QCOMPARE(main.estadoText(), QString());
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

// A design file opens as saved, a run table as a new design; a file that
// cannot be read leaves no window; a design file open already comes to the
// front instead of opening twice.
void DesignCommandsTest::openingDesignsAndRunTables() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    QStringList chosen;
    main.setOpenDesignDialog([&chosen](QWidget*, const QString&) {
        return chosen.isEmpty() ? QString() : chosen.takeFirst();
    });
    const DesignStudy study = example();
    writeFile(dir_.filePath("abrir.w1d"), fileOf(study));
    writeFile(dir_.filePath("abrir.tsv"), robustez::design::encodeRunTable(study, separator()));
    writeFile(dir_.filePath("abrir.txt"), robustez::design::encodeRunTable(study, separator()));
    std::string damaged = exampleFile();
    damaged.replace(damaged.find("Ensayos\t11"), 10, "Ensayos\t12");
    writeFile(dir_.filePath("dañado.w1d"), damaged);
    writeFile(dir_.filePath("mala.tsv"), "Flujo\tTipo\tContenido\n0.9\tdiseño\tx\n");

    const struct {
        const char* file;
        bool opens;
        bool saved;              // opened as its file, not as a new design
        const char* boxContains; // the error box, when it does not open
    } cases[] = {
        {"abrir.w1d", true, true, nullptr},      {"abrir.tsv", true, false, nullptr},
        {"abrir.txt", true, false, nullptr},     {"dañado.w1d", false, false, "Línea"},
        {"mala.tsv", false, false, "Columna 1"}, {"no_existe.w1d", false, false, "File not found"},
    };
    for (const auto& c : cases) {
        const QString path = dir_.filePath(QString::fromUtf8(c.file));
        const int before = main.childCount();
        if (c.boxContains != nullptr) {
            boxes.expectContaining(QString::fromUtf8(c.boxContains));
        }
        chosen = {path};
        main.fileOpenDesign();
        settle();
        QCOMPARE(main.childCount(), before + (c.opens ? 1 : 0));
        QCOMPARE(boxes.pending(), 0);
        if (!c.opens) {
            continue;
        }
        TFdiseno* window = main.activeDesignWindow();
        QVERIFY2(window != nullptr, c.file);
        QCOMPARE(window->documentName(), c.saved ? path : QStringLiteral("Nuevo"));
        QCOMPARE(window->isModified(), !c.saved);
        if (c.saved) {
            QCOMPARE(fileOf(window->designStudy()), fileOf(study));
        } else {
            // A run table keeps the runs, settings and values, not the design's name.
            const DesignStudy read = window->designStudy();
            QCOMPARE(read.runs.size(), study.runs.size());
            QCOMPARE(read.factors.size(), study.factors.size());
            for (std::size_t r = 0; r < read.runs.size(); ++r) {
                QCOMPARE(read.runs[r].values, study.runs[r].values);
            }
        }
    }
    // The design file again, named another way: its window comes to the front.
    TFdiseno* first = main.designWindows().first();
    QCOMPARE(first->documentName(), dir_.filePath("abrir.w1d"));
    QVERIFY(main.activeDesignWindow() != first);
    const int open = main.childCount();
    chosen = {dir_.path() + QStringLiteral("/./abrir.w1d")};
    main.fileOpenDesign();
    settle();
    QCOMPARE(main.childCount(), open);
    QCOMPARE(main.activeDesignWindow(), first);
    // A cancelled dialog opens nothing.
    main.fileOpenDesign();
    QCOMPARE(main.childCount(), open);
    closeAll(main, boxes);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

// The design window's save dialog answered from a list ("" = cancel); the
// names it was shown with.
struct SaveAnswers {
    QStringList proposed;
    QStringList answers;
    void attach(TFdiseno* window) {
        window->askSavePath = [this](QWidget*, const QString& name) {
            proposed << name;
            return answers.isEmpty() ? QString() : answers.takeFirst();
        };
    }
};

const QString kQuestion = QStringLiteral("Se realizaron cambios!\nQuiere guardar su información?");

// Guardar, Guardar como and Cerrar work on the active design window and
// leave the study, its mark and its save dialog alone.
void DesignCommandsTest::saveCommandsWorkOnTheActiveDesign() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    const QString table = dir_.filePath("guardar.tsv");
    writeFile(table, robustez::design::encodeRunTable(example(), separator()));
    main.FileNew();
    main.setEstado(QStringLiteral("Modificado"));
    TFdiseno* design = main.openDesignFile(table);
    QVERIFY(design != nullptr && design->isModified());
    SaveAnswers dialog;
    dialog.attach(design);
    const QString first = dir_.filePath("guardado.w1d");
    const QString second = dir_.filePath("guardado_como.w1d");
    const struct {
        const char* command;
        QString answer;
        QString proposed;
        QString document; // after the command
    } steps[] = {
        // A new design is saved through the dialog, then to its own file.
        {"FileSaveItem", first, QStringLiteral("Nuevo"), first},
        {"spdguardar1", QString(), QString(), first},
        {"FileSaveAsItem", QString(), first, first}, // cancelled
        {"FileSaveAsItem", second, first, second},
    };
    for (const auto& step : steps) {
        dialog.proposed.clear();
        dialog.answers = {step.answer};
        if (!step.answer.isEmpty()) {
            QFile::remove(step.answer);
        }
        if (auto* action = main.findChild<QAction*>(step.command)) {
            action->trigger();
        } else {
            QTest::mouseClick(main.findChild<QToolButton*>(step.command), Qt::LeftButton);
        }
        settle();
        QCOMPARE(dialog.proposed,
                 step.proposed.isEmpty() ? QStringList() : QStringList{step.proposed});
        QCOMPARE(design->documentName(), step.document);
        QVERIFY(!design->isModified());
        QCOMPARE(main.estadoText(), QString());
        // The file holds the design as the window shows it.
        QCOMPARE(readFile(step.document), fileOf(design->designStudy()));
    }
    QCOMPARE(readFile(first), readFile(second));
    // Saved as a design file, the run table analyses as the table itself.
    using robustez::design::analyseStudy;
    const auto fromTable =
        analyseStudy(robustez::design::loadScreenFile(table.toStdString(), separator()));
    const auto fromFile = analyseStudy(robustez::design::loadDesignFile(first.toStdString()));
    QCOMPARE(fromFile.size(), fromTable.size());
    for (std::size_t r = 0; r < fromFile.size(); ++r) {
        QVERIFY(fromFile[r].effects == fromTable[r].effects);
        QVERIFY(fromFile[r].e_crit == fromTable[r].e_crit);
        QVERIFY(fromFile[r].conclusion == fromTable[r].conclusion);
    }
    QCOMPARE(main.modifiedMark(), QStringLiteral("Modificado"));
    QVERIFY(frame.saveProposals.isEmpty());
    QVERIFY(!QFile::exists(QFileInfo(first).path() + QStringLiteral("/Nuevo.w1o")));

    // Cerrar on a changed design asks; Escape keeps it.
    TFdiseno* changed = main.openDesignFile(table);
    QVERIFY(changed != nullptr && changed->isModified());
    boxes.expectEscape(kQuestion);
    main.mnucloseClick();
    settle();
    QCOMPARE(main.activeDesignWindow(), changed);
    boxes.expect(kQuestion, QMessageBox::No);
    main.mnucloseClick();
    settle();
    QVERIFY(!main.designWindows().contains(changed));
    QCOMPARE(boxes.pending(), 0);
    QVERIFY(main.studyWindow() != nullptr);
    main.setEstado(QString());
    closeAll(main, boxes);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

// Salir asks the study and every changed design, the one in front first,
// and stops at the first refusal: Escape, or a save cancelled.
void DesignCommandsTest::salirStopsAtTheFirstRefusal() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    const QString table = dir_.filePath("salir.tsv");
    writeFile(table, robustez::design::encodeRunTable(example(), separator()));
    main.FileNew();
    main.setEstado(QStringLiteral("Modificado"));
    TFdiseno* back = main.openDesignFile(table);
    TFdiseno* front = main.openDesignFile(table);
    SaveAnswers dialog;
    dialog.attach(back);
    const QString kStudyQuestion = kQuestion;

    // The study is let go, the design in front answers Escape: the other
    // design is not asked and the program stays.
    boxes.expect(kStudyQuestion, QMessageBox::No);
    boxes.expectEscape(kQuestion);
    main.FileExit();
    settle();
    QVERIFY(main.isVisible());
    QVERIFY(main.studyWindow() == nullptr);
    QCOMPARE(main.designWindows(), (QList<TFdiseno*>{back, front}));
    QCOMPARE(boxes.texts.size(), 2);

    // The design in front let go, the other one's save cancelled.
    boxes.expect(kQuestion, QMessageBox::No);
    boxes.expect(kQuestion, QMessageBox::Yes);
    QTest::mouseClick(main.findChild<QToolButton*>("spdexit"), Qt::LeftButton);
    settle();
    QVERIFY(main.isVisible());
    QCOMPARE(main.designWindows(), QList<TFdiseno*>{back});
    QCOMPARE(dialog.proposed, QStringList{QStringLiteral("Nuevo")});
    QVERIFY(back->isModified());

    // Saved, the last one lets the program end.
    const QString saved = dir_.filePath("salir.w1d");
    dialog.answers = {saved};
    boxes.expect(kQuestion, QMessageBox::Yes);
    main.FileExit();
    settle();
    QVERIFY(!main.isVisible());
    QCOMPARE(main.childCount(), 0);
    QCOMPARE(robustez::design::loadDesignFile(saved.toStdString()).runs.size(),
             example().runs.size());
    QCOMPARE(boxes.pending(), 0);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

// What a PDF tool of poppler says of a file: its text (pdftotext) or its
// description (pdfinfo); empty when the tool is missing.
QString popplerOutput(const char* tool, const QStringList& arguments) {
    const QString program = QStandardPaths::findExecutable(QString::fromLatin1(tool));
    if (program.isEmpty()) {
        return {};
    }
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// "Hoja de trabajo" and the print button print the active design's
// worksheet through the print dialog, on the paper chosen there.
void DesignCommandsTest::worksheetPrintsForThePaperChosen() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    DesignStudy study = example();
    for (robustez::design::DesignRun& run : study.runs) {
        for (auto& value : run.values) {
            value.reset(); // before anything is measured
        }
    }
    const QString path = dir_.filePath("hoja.w1d");
    writeFile(path, fileOf(study));
    QVERIFY(main.openDesignFile(path) != nullptr);
    const struct {
        const char* file;
        QPageSize::PageSizeId paper;
        bool accepted;
        const char* command;
        const char* pageSize; // pdfinfo's
    } cases[] = {
        {"hoja_a4.pdf", QPageSize::A4, true, "printhoja", "(A4)"},
        {"hoja_carta.pdf", QPageSize::Letter, true, "spdprint", "612 x 792 pts (letter)"},
        {"cancelada.pdf", QPageSize::A4, false, "printhoja", nullptr},
    };
    for (const auto& c : cases) {
        const QString out = dir_.filePath(QString::fromUtf8(c.file));
        int asked = 0;
        main.setWorksheetPrintSetup([&](QPrinter& printer, QWidget*) {
            ++asked;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(out);
            printer.setPageSize(QPageSize(c.paper));
            return c.accepted;
        });
        if (auto* action = main.findChild<QAction*>(c.command)) {
            action->trigger();
        } else {
            QTest::mouseClick(main.findChild<QToolButton*>(c.command), Qt::LeftButton);
        }
        settle();
        QCOMPARE(asked, 1);
        QCOMPARE(QFile::exists(out), c.accepted);
        if (!c.accepted) {
            continue;
        }
        QVERIFY(readFile(out).starts_with("%PDF"));
        const QString info = popplerOutput("pdfinfo", {out});
        const QString text = popplerOutput("pdftotext", {QStringLiteral("-layout"), out, "-"});
        if (info.isEmpty() || text.isEmpty()) {
            qInfo("pdfinfo or pdftotext missing: the PDF's pages and text are not read");
            continue;
        }
        QVERIFY2(info.contains(QString::fromLatin1(c.pageSize)), qPrintable(info));
        // The page as the worksheet lays it out: method, settings in the
        // locale's notation, the sign-off lines, one page.
        for (const QString& part : {QStringLiteral("HOJA DE TRABAJO"),
                                    QStringLiteral("Valoración de paracetamol por HPLC"),
                                    testing_support::localDecimals(QStringLiteral("0.9")),
                                    QStringLiteral("lote B"), QStringLiteral("Realizó:"),
                                    QStringLiteral("Revisó:"), QStringLiteral("Página 1 de 1")}) {
            QVERIFY2(text.contains(part), qPrintable(part));
        }
    }
    closeAll(main, boxes);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

// "&Efectos del diseño" opens a snapshot of the active design; a response
// not measured in every run is named in an error box and opens no window.
void DesignCommandsTest::effectsNeedEveryResponse() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    DesignStudy incomplete = example();
    incomplete.runs[6].values[1].reset(); // run 7, "Resolución"
    DesignStudy withoutResponses = example();
    withoutResponses.responses.clear();
    for (robustez::design::DesignRun& run : withoutResponses.runs) {
        run.values.clear();
    }
    const struct {
        const char* file; // none: a new design
        DesignStudy study;
        QString box;
    } refused[] = {
        {"incompleto.w1d", incomplete,
         QStringLiteral("Falta el valor de Resolución en el ensayo 7")},
        {"sin_respuestas.w1d", withoutResponses, QStringLiteral("no tiene respuestas")},
        {nullptr, {}, QString()}, // no factor, no run
    };
    for (const auto& c : refused) {
        if (c.file != nullptr) {
            const QString path = dir_.filePath(QString::fromLatin1(c.file));
            writeFile(path, fileOf(c.study));
            QVERIFY(main.openDesignFile(path) != nullptr);
        } else {
            main.FileNewDesign();
        }
        const int open = main.childCount();
        boxes.expectContaining(c.box);
        main.mnuefectosClick();
        settle();
        QCOMPARE(boxes.pending(), 0);
        QCOMPARE(main.childCount(), open);
    }

    const QString complete = dir_.filePath("completo.w1d");
    writeFile(complete, exampleFile());
    TFdiseno* design = main.openDesignFile(complete);
    main.mnuefectosClick();
    settle();
    QCOMPARE(main.childCount(), 5);
    auto* effects = qobject_cast<TFefectos*>(main.activeChild());
    QVERIFY(effects != nullptr);
    QCOMPARE(effects->windowTitle(), QStringLiteral("Efectos del diseño — completo.w1d"));
    QCOMPARE(subOf(effects)->size(),
             TFefectos::kDesignSize.boundedTo(main.mdiArea()->viewport()->size()));
    // Its design window is not needed any more.
    QVERIFY(subOf(design)->close());
    settle();
    QVERIFY(main.activeChild() != nullptr);
    closeAll(main, boxes);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

// F1 in a design window opens its help topic; in the study window it stays
// the contents.
void DesignCommandsTest::helpKeyInTheDesignWindow() {
    Frame frame;
    TMainForm& main = *frame.main;
    HelpViewer& viewer = HelpViewer::instance();
    viewer.setHelpFile(defaultHelpFilePath());
    QStringList problems;
    viewer.reportProblem = [&problems](const QString& text) { problems << text; };
    main.FileNew();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
    QCOMPARE(viewer.currentTopic(), QStringLiteral("contenido.html"));
    viewer.close();
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    main.FileNewDesign();
    TFdiseno* design = main.activeDesignWindow();
    QVERIFY(design != nullptr);
    settle();
    QWidget* focus = QApplication::focusWidget();
    QVERIFY(focus != nullptr && design->isAncestorOf(focus));
    QTest::keyClick(focus, Qt::Key_F1);
    QCOMPARE(viewer.currentTopic(), QStringLiteral("diseno.html"));
    // The effects window's F1 reaches its own topic through the frame.
    const QString path = dir_.filePath("ayuda.w1d");
    writeFile(path, exampleFile());
    main.openDesignFile(path);
    main.mnuefectosClick();
    QVERIFY(qobject_cast<TFefectos*>(main.activeChild()) != nullptr);
    QTest::keyClick(main.activeChild(), Qt::Key_F1);
    QCOMPARE(viewer.currentTopic(), QStringLiteral("efectos.html"));
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(' ')));
    viewer.close();
}

// A design file or a run table named on the command line opens as a design,
// a study file as a study.
void DesignCommandsTest::commandLineOpensDesigns() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    const QString design = dir_.filePath("linea.w1d");
    const QString table = dir_.filePath("linea.TSV");
    writeFile(design, exampleFile());
    writeFile(table, robustez::design::encodeRunTable(example(), separator()));
    const struct {
        QString path;
        bool design;
    } cases[] = {{design, true},
                 {table, true},
                 {dir_.filePath("linea.txt"), true},
                 {dir_.filePath("linea.w1o"), false},
                 {dir_.filePath("linea"), false}};
    for (const auto& c : cases) {
        QCOMPARE(TMainForm::opensAsDesign(c.path), c.design);
    }
    main.openCommandLineStudy({QStringLiteral("robustez"), design});
    QVERIFY(main.activeDesignWindow() != nullptr);
    QCOMPARE(main.activeDesignWindow()->documentName(), design);
    main.openCommandLineStudy({QStringLiteral("robustez"), table});
    QVERIFY(main.activeDesignWindow() != nullptr);
    QCOMPARE(main.activeDesignWindow()->documentName(), QStringLiteral("Nuevo"));
    QCOMPARE(main.childCount(), 2);
    QVERIFY(main.studyWindow() == nullptr);
    closeAll(main, boxes);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

ROBUSTEZ_WINDOW_TEST_MAIN(DesignCommandsTest)
#include "design_commands_test.moc"
