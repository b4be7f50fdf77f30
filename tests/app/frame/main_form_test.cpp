// The main window: start-up states, hints, the command table's columns as
// the user meets them, closing children, tiling and exit.
#include "app/frame/command_table.h"
#include "app/frame/help_viewer.h"
#include "app/frame/main_form.h"
#include "app/frame/window_test_support.h"
#include "app/study/study_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QEnterEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>
#include <QtTest>

#include <map>

using robustez::CommandEvent;
using testing_support::BoxAnswerer;
using testing_support::Frame;

namespace {

// A results or report window as far as the frame is concerned.
class ResultsStandIn : public QWidget {
protected:
    void closeEvent(QCloseEvent* event) override {
        TMainForm::instance()->childWindowClosing();
        event->accept();
    }
};

QStringList enabledOf(const TMainForm& main, const QStringList& names) {
    QStringList on;
    for (const QString& name : names) {
        if (main.isCommandEnabled(name)) {
            on.append(name);
        }
    }
    return on;
}

const QStringList kCommands = {
    "FileNewItem",   "spdnuevo",          "FileOpenItem", "spdabrir1",        "mnuclose",
    "spdclose",      "FileSaveItem",      "spdguardar1",  "FileSaveAsItem",   "FilePrintItem",
    "spdprint",      "mnucalculos",       "mnudunet",     "mnuinforme",       "WindowTileItem",
    "spdmosaico",    "WindowCascadeItem", "spdcascada",   "FileExitItem",     "spdexit",
    "FileMenu",      "WindowMenu",        "HelpMenu",     "HelpContentsItem", "HelpSearchItem",
    "HelpAboutItem", "spdcontenido"};

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

} // namespace

class MainFormTest : public QObject {
    Q_OBJECT

private slots:
    void startStates();
    void menuEntriesAndButtons();
    void hintsInStatusLine();
    void nuevoAllowsOneStudy();
    void cerrarWithResultsWindowActive();
    void closeBoxWithResultsRemaining();
    void tileOneAboveTheOther();
    void windowMenuListsTheWindows();
    void exitAsksTheModifiedStudy();
    void f1OutsideMenusOpensTheContents();
    void tableKeepsItsRules();
};

void MainFormTest::startStates() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    QCOMPARE(main.windowTitle(), QStringLiteral("Robustez (Tolerancia Condiciones de Operación)"));
    QCOMPARE(sorted(enabledOf(main, kCommands)),
             sorted({"FileNewItem", "spdnuevo", "FileOpenItem", "spdabrir1", "FileExitItem",
                     "spdexit", "FileMenu", "WindowMenu", "HelpMenu", "HelpContentsItem",
                     "HelpSearchItem", "HelpAboutItem", "spdcontenido"}));
    // Hidden entries cannot be reached.
    QVERIFY(!main.findChild<QAction*>("printdeskjet")->isVisible());
    QVERIFY(!main.findChild<QAction*>("HelpHowToUseItem")->isVisible());
    QVERIFY(main.findChild<QToolButton*>("spdprint1")->isHidden());
    QCOMPARE(main.findChild<QLabel*>("Paneld")->text(), QStringLiteral("F1 <Ayuda>"));
    QCOMPARE(main.findChild<QLabel*>("StatusLine")->width(), 400);
    QCOMPARE(main.findChild<QLabel*>("estado")->width(), 132);
    QCOMPARE(main.findChild<QWidget*>("SpeedBar")->height(), 33);
    QVERIFY(main.estadoText().isEmpty());
    QVERIFY(main.studyWindow() == nullptr);
    QCOMPARE(main.childCount(), 0);
    // Cerrar, Mosaico and Cascada without a child window do nothing.
    main.mnucloseClick();
    main.WindowTile();
    main.WindowCascade();
    QCOMPARE(main.childCount(), 0);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void MainFormTest::menuEntriesAndButtons() {
    Frame frame;
    TMainForm& main = *frame.main;
    struct Entry {
        const char* name;
        const char* caption;
        int helpContext;
        QKeySequence shortcut;
        const char* statusTip;
    };
    const Entry entries[] = {
        {"FileMenu", "&Archivo", 1, {}, "Crea,abre,guarda e imrpime un archivo"},
        {"FileNewItem", "&Nuevo", 2, QKeySequence(Qt::CTRL | Qt::Key_N), "Crea un nuevo archivo"},
        {"FileOpenItem", "&Abrir...", 3, QKeySequence(Qt::CTRL | Qt::Key_A),
         "Abre un archivo ya existente"},
        {"mnuclose", "C&errar", 4, {}, "Cierra la ventana activa"},
        {"FileSaveItem", "&Guardar", 5, QKeySequence(Qt::CTRL | Qt::Key_G), "Guarda el archivo"},
        {"FileSaveAsItem",
         "Guardar &como...",
         6,
         {},
         "Guarda el archivo con un nuevo nombre y/o trayectoria"},
        {"FilePrintItem", "&Imprimir...", 7, {}, "Imprime el archivo actual"},
        {"printlasser", "Lasser", 0, {}, ""},
        {"printdeskjet", "Deskjet", 0, {}, ""},
        {"FileExitItem", "&Salir", 8, {}, "Salir del módulo KVRDN"},
        {"mnucalculos", "&Cálculos", 10, {}, "Cálculos de Precisión del sistema"},
        {"mnudunet", "&t de Dunnett", 11, {}, "Presenta lista de promedios y t de Dunnett"},
        {"mnuinforme", "&Informe", 19, {}, "Presenta datos y resultados"},
        {"mnudetalle",
         "&Detalle estadístico",
         12,
         {},
         "Presenta valores p, intervalos de confianza y gráfico"},
        {"WindowMenu", "&Ventana", 20, {}, "Arregla las ventanas presentes"},
        {"WindowTileItem", "&Mosaico", 20, {}, "Arregla las ventanas en mosaico"},
        {"WindowCascadeItem", "&Cascada", 20, {}, "Arregla las ventanas en cascada"},
        {"HelpMenu", "A&yuda", 30, {}, "Ayuda del módulo ZELQ"},
        {"HelpContentsItem", "&Contenido", 31, QKeySequence(Qt::Key_F1),
         "Presenta el contenido de la ayuda"},
        {"HelpSearchItem", "&Buscar ayuda sobre...", 32, QKeySequence(Qt::CTRL | Qt::Key_F1),
         "Busca ayuda sobre"},
        {"HelpHowToUseItem", "Como &usar  la ayuda", 0, {}, "Como usar la ayuda"},
        {"HelpAboutItem", "&Acerca...", 33, {}, "Presenta información del programa"},
    };
    for (const Entry& entry : entries) {
        auto* action = main.findChild<QAction*>(entry.name);
        QVERIFY2(action != nullptr, entry.name);
        QCOMPARE(action->text(), QString::fromUtf8(entry.caption));
        QCOMPARE(action->property("helpContext").toInt(), entry.helpContext);
        QCOMPARE(action->shortcut(), entry.shortcut);
        QCOMPARE(action->statusTip(), QString::fromUtf8(entry.statusTip));
    }
    // "&Detalle estadístico" comes right after "&Informe"; the design's
    // "&Efectos del diseño" after them, apart.
    const QList<QAction*> calculations = main.findChild<QMenu*>("mnucalculos")->actions();
    QCOMPARE(calculations.size(), 5);
    QCOMPARE(calculations.at(2)->objectName(), QStringLiteral("mnudetalle"));
    QVERIFY(calculations.at(3)->isSeparator());
    QCOMPARE(calculations.at(4)->objectName(), QStringLiteral("mnuefectos"));
    struct Button {
        const char* name;
        int x;
        int size;
        const char* tip;
        const char* status;
    };
    const Button buttons[] = {
        {"spdnuevo", 8, 25, "Nuevo", "Crea un nuevo archivo"},
        {"spdabrir1", 32, 25, "Abrir", "Abre un archivo ya existente"},
        {"spdguardar1", 56, 25, "Guardar", "Guarda el archivo"},
        {"spdclose", 92, 25, "Cerrar", "Cierra la ventana activa"},
        {"spdprint", 120, 23, "Imprimir Lasser", "Imprime el archivo actual"},
        {"spdprint1", 144, 23, "Imprimir Deskjet", "imprime el archivo actual"},
        {"spdexit", 190, 25, "Salir",
         "Salir del módulo Robustez  (Tolerancia a Condiciones de Operación)"},
        {"spdmosaico", 212, 25, "Mosaico", "Arregla las ventanas en mosaico"},
        {"spdcascada", 236, 25, "Cascada", "Arregla las ventanas en cascada"},
        {"spdcontenido", 260, 25, "Contenido", "Presenta el contenido de la ayuda"},
    };
    for (const Button& b : buttons) {
        auto* button = main.findChild<QToolButton*>(b.name);
        QVERIFY2(button != nullptr, b.name);
        QCOMPARE(button->geometry(), QRect(b.x, b.size == 25 ? 4 : 5, b.size, b.size));
        QCOMPARE(button->toolTip(), QString::fromUtf8(b.tip));
        QCOMPARE(button->statusTip(), QString::fromUtf8(b.status));
        QVERIFY(!button->icon().isNull());
    }
}

void MainFormTest::hintsInStatusLine() {
    Frame frame;
    TMainForm& main = *frame.main;
    // Highlighting "&Archivo": a hint without "|" is shown whole.
    QAction* fileMenu = main.findChild<QAction*>("FileMenu");
    emit main.menuBar()->hovered(fileMenu);
    QCOMPARE(main.statusLineText(), QStringLiteral("Crea,abre,guarda e imrpime un archivo"));
    // Highlighting an entry shows its long part.
    auto* menu = main.findChild<QMenu*>("FileMenu");
    emit menu->hovered(main.findChild<QAction*>("FileSaveAsItem"));
    QCOMPARE(main.statusLineText(),
             QStringLiteral("Guarda el archivo con un nuevo nombre y/o trayectoria"));
    // Resting on the Nuevo button: tooltip "Nuevo", status "Crea un nuevo archivo".
    auto* nuevo = main.findChild<QToolButton*>("spdnuevo");
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), nuevo->mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(nuevo, &enter);
    QCOMPARE(main.statusLineText(), QStringLiteral("Crea un nuevo archivo"));
    QCOMPARE(nuevo->toolTip(), QStringLiteral("Nuevo"));
    main.ShowHint(QStringLiteral("Cálculos|Presenta lista"));
    QCOMPARE(main.statusLineText(), QStringLiteral("Presenta lista"));
    QCOMPARE(QString::fromStdString(std::string(robustez::shortHint("Cálculos|Presenta"))),
             QStringLiteral("Cálculos"));
    QCOMPARE(std::string(robustez::shortHint("sin barra")), std::string("sin barra"));
}

void MainFormTest::nuevoAllowsOneStudy() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    QTest::keyClick(&main, Qt::Key_N, Qt::ControlModifier);
    QVERIFY(main.studyWindow() != nullptr);
    QCOMPARE(main.studyWindow()->documentName(), QStringLiteral("Nuevo"));
    QCOMPARE(sorted(enabledOf(main, kCommands)),
             sorted({"mnuclose", "spdclose", "WindowTileItem", "spdmosaico", "WindowCascadeItem",
                     "spdcascada", "FileExitItem", "spdexit", "FileMenu", "WindowMenu", "HelpMenu",
                     "HelpContentsItem", "HelpSearchItem", "HelpAboutItem", "spdcontenido"}));
    // A second Nuevo or an Abrir is impossible while the study is open.
    QTest::keyClick(&main, Qt::Key_N, Qt::ControlModifier);
    main.findChild<QAction*>("FileNewItem")->trigger();
    QTest::mouseClick(main.findChild<QToolButton*>("spdnuevo"), Qt::LeftButton);
    main.findChild<QAction*>("FileOpenItem")->trigger();
    QCOMPARE(main.childCount(), 1);
    QVERIFY(frame.openProposals.isEmpty());
    // Cerrar on the study brings Nuevo back.
    QTest::mouseClick(main.findChild<QToolButton*>("spdclose"), Qt::LeftButton);
    QTRY_COMPARE(main.childCount(), 0);
    QVERIFY(main.studyWindow() == nullptr);
    QCOMPARE(sorted(enabledOf(main, kCommands)),
             sorted({"FileNewItem", "spdnuevo", "FileOpenItem", "spdabrir1", "FileExitItem",
                     "spdexit", "FileMenu", "WindowMenu", "HelpMenu", "HelpContentsItem",
                     "HelpSearchItem", "HelpAboutItem", "spdcontenido"}));
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void MainFormTest::cerrarWithResultsWindowActive() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    main.FileNew();
    // Bring the study to full use: grid entered.
    main.applyCommandColumn(CommandEvent::GridEntered);
    main.addChildWindow(new ResultsStandIn);
    QCOMPARE(main.childCount(), 2);
    const QStringList before = enabledOf(main, kCommands);
    main.mnucloseClick(); // the results window is active
    QTRY_COMPARE(main.childCount(), 1);
    QVERIFY(main.studyWindow() != nullptr);
    QCOMPARE(enabledOf(main, kCommands), before);
    // Cerrar on the study now resets the commands.
    main.mdiArea()->setActiveSubWindow(main.mdiArea()->subWindowList().first());
    main.mnucloseClick();
    QTRY_COMPARE(main.childCount(), 0);
    QVERIFY(main.isCommandEnabled("FileNewItem"));
    QVERIFY(main.isCommandEnabled("spdabrir1"));
    for (const char* off :
         {"mnuclose", "spdclose", "FileSaveItem", "FileSaveAsItem", "spdguardar1", "FilePrintItem",
          "spdprint", "mnudunet", "mnuinforme", "WindowTileItem", "spdcascada"}) {
        QVERIFY2(!main.isCommandEnabled(off), off);
    }
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void MainFormTest::closeBoxWithResultsRemaining() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    main.FileNew();
    main.applyCommandColumn(CommandEvent::GridEntered);
    auto* results = main.addChildWindow(new ResultsStandIn);
    // Cerrar with a study and another window: the study leaves by its close box.
    QMdiSubWindow* studySub = main.mdiArea()->subWindowList().first();
    QVERIFY(studySub->close());
    QTRY_COMPARE(main.childCount(), 1);
    for (const char* off :
         {"FileSaveItem", "spdguardar1", "FileSaveAsItem", "FilePrintItem", "spdprint", "mnudunet",
          "mnuinforme", "FileNewItem", "spdnuevo", "FileOpenItem", "spdabrir1"}) {
        QVERIFY2(!main.isCommandEnabled(off), off);
    }
    // The study's Cerrar column did not run: Cerrar and the arrangement stay on.
    QVERIFY(main.isCommandEnabled("mnuclose"));
    QVERIFY(main.isCommandEnabled("spdmosaico"));
    // Closing the last window brings Nuevo and Abrir back.
    QVERIFY(results->close());
    QTRY_COMPARE(main.childCount(), 0);
    for (const char* on : {"FileNewItem", "spdnuevo", "FileOpenItem", "spdabrir1"}) {
        QVERIFY2(main.isCommandEnabled(on), on);
    }
    for (const char* off : {"mnuclose", "spdclose", "WindowTileItem", "spdmosaico",
                            "WindowCascadeItem", "spdcascada"}) {
        QVERIFY2(!main.isCommandEnabled(off), off);
    }
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void MainFormTest::tileOneAboveTheOther() {
    Frame frame;
    TMainForm& main = *frame.main;
    main.FileNew();
    main.addChildWindow(new ResultsStandIn);
    main.addChildWindow(new ResultsStandIn);
    main.WindowTile();
    const QRect area = main.mdiArea()->viewport()->rect();
    const QList<QMdiSubWindow*> windows = main.mdiArea()->subWindowList();
    QCOMPARE(windows.size(), 3);
    int y = 0;
    for (QMdiSubWindow* sub : windows) {
        QCOMPARE(sub->geometry().x(), 0);
        QCOMPARE(sub->geometry().width(), area.width());
        QCOMPARE(sub->geometry().y(), y);
        y += sub->geometry().height();
    }
    QCOMPARE(y, area.height());
    main.WindowCascade();
    QVERIFY(windows[0]->geometry().topLeft() != windows[1]->geometry().topLeft());

    // A minimized window keeps its place in the row along the bottom; the
    // others are tiled above that row, not over it.
    windows[1]->showMinimized();
    QApplication::processEvents();
    const QRect icon = windows[1]->geometry();
    main.WindowTile();
    QVERIFY(windows[1]->isMinimized());
    QCOMPARE(windows[1]->geometry(), icon);
    QCOMPARE(windows[0]->geometry().y(), 0);
    QCOMPARE(windows[2]->geometry().y(), windows[0]->geometry().bottom() + 1);
    QCOMPARE(windows[2]->geometry().bottom() + 1, icon.top());
    QCOMPARE(windows[2]->geometry().width(), area.width());
}

namespace {

// The "&Ventana" menu as it opens: each entry's text and, for the list of
// windows, whether it is checked.
struct MenuEntry {
    QString text;
    bool checked;
    bool operator==(const MenuEntry& other) const = default;
};
char* toString(const MenuEntry& entry) {
    return QTest::toString(entry.text + (entry.checked ? QStringLiteral(" (checked)") : QString()));
}
QList<MenuEntry> openWindowMenu(TMainForm& main) {
    auto* menu = main.findChild<QMenu*>("WindowMenu");
    menu->popup(QPoint(0, 0));
    QApplication::processEvents();
    QList<MenuEntry> entries;
    for (const QAction* action : menu->actions()) {
        entries.append(
            {action->isSeparator() ? QStringLiteral("-") : action->text(), action->isChecked()});
    }
    menu->hide();
    return entries;
}
QAction* windowEntry(TMainForm& main, const QString& text) {
    for (QAction* action : main.findChild<QMenu*>("WindowMenu")->actions()) {
        if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}

} // namespace

void MainFormTest::windowMenuListsTheWindows() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    const MenuEntry tile{"&Mosaico", false};
    const MenuEntry cascade{"&Cascada", false};
    const MenuEntry line{"-", false};
    // No window: the menu's own entries only.
    QCOMPARE(openWindowMenu(main), QList<MenuEntry>({tile, cascade}));

    main.FileNew();
    auto* first = new ResultsStandIn;
    first->setWindowTitle(QStringLiteral("Informe — Nuevo"));
    QMdiSubWindow* firstSub = main.addChildWindow(first);
    auto* second = new ResultsStandIn;
    second->setWindowTitle(QStringLiteral("Ácido & base"));
    QMdiSubWindow* secondSub = main.addChildWindow(second);
    QMdiSubWindow* studySub = main.mdiArea()->subWindowList().first();
    // After the entries, one per window in the order they were opened, the
    // active one checked; an ampersand of a title is shown, not underlined.
    // Choosing an entry activates its window, in front.
    struct Step {
        const char* choose;
        QMdiSubWindow* active;
        QList<MenuEntry> menu;
    };
    const Step steps[] = {
        {nullptr,
         secondSub,
         {tile,
          cascade,
          line,
          {"&1 Nuevo", false},
          {"&2 Informe — Nuevo", false},
          {"&3 Ácido && base", true}}},
        {"&1 Nuevo",
         studySub,
         {tile,
          cascade,
          line,
          {"&1 Nuevo", true},
          {"&2 Informe — Nuevo", false},
          {"&3 Ácido && base", false}}},
        {"&2 Informe — Nuevo",
         firstSub,
         {tile,
          cascade,
          line,
          {"&1 Nuevo", false},
          {"&2 Informe — Nuevo", true},
          {"&3 Ácido && base", false}}},
    };
    for (const Step& step : steps) {
        if (step.choose != nullptr) {
            openWindowMenu(main);
            windowEntry(main, QString::fromUtf8(step.choose))->trigger();
            QApplication::processEvents();
        }
        QCOMPARE(main.mdiArea()->activeSubWindow(), step.active);
        QCOMPARE(openWindowMenu(main), step.menu);
    }

    // A minimized window and a window moved out of the client area come back
    // into view when chosen.
    const QRect area = main.mdiArea()->viewport()->rect();
    studySub->showMinimized();
    secondSub->move(area.width() + 200, area.height() + 200);
    main.mdiArea()->setActiveSubWindow(firstSub);
    QApplication::processEvents();
    for (const auto& [text, sub] : {std::pair{QStringLiteral("&1 Nuevo"), studySub},
                                    std::pair{QStringLiteral("&3 Ácido && base"), secondSub}}) {
        openWindowMenu(main);
        windowEntry(main, text)->trigger();
        QApplication::processEvents();
        QCOMPARE(main.mdiArea()->activeSubWindow(), sub);
        QVERIFY(!sub->isMinimized());
        QVERIFY2(area.contains(sub->geometry()), qPrintable(text));
    }

    // Cerrar on the study switches Mosaico and Cascada off; the list stays,
    // and the window right behind the study is the active one.
    main.mdiArea()->setActiveSubWindow(studySub);
    main.mnucloseClick();
    QTRY_COMPARE(main.childCount(), 2);
    QCOMPARE(openWindowMenu(main),
             QList<MenuEntry>(
                 {tile, cascade, line, {"&1 Informe — Nuevo", false}, {"&2 Ácido && base", true}}));
    QVERIFY(!main.findChild<QAction*>("WindowTileItem")->isEnabled());
    QVERIFY(!main.findChild<QAction*>("WindowCascadeItem")->isEnabled());
    QVERIFY(windowEntry(main, "&1 Informe — Nuevo")->isEnabled());
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void MainFormTest::exitAsksTheModifiedStudy() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    main.FileNew();
    main.addChildWindow(new ResultsStandIn);
    main.setEstado(QStringLiteral("Modificado"));
    boxes.expect(QStringLiteral("Se realizaron cambios!\nQuiere guardar su información?"),
                 QMessageBox::No);
    QTest::mouseClick(main.findChild<QToolButton*>("spdexit"), Qt::LeftButton);
    QVERIFY(!main.isVisible());
    QCOMPARE(boxes.texts.size(), 1);
    QCOMPARE(boxes.captions.first(), QStringLiteral("Guardar archivo?"));
    QCOMPARE(boxes.defaults.first(), QMessageBox::Yes);
    QCOMPARE(main.childCount(), 0);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void MainFormTest::f1OutsideMenusOpensTheContents() {
    // F1 in the menus is the help filter's, installed by the program (see the
    // program's tests); elsewhere it is the shortcut of "&Contenido".
    Frame frame;
    TMainForm& main = *frame.main;
    HelpViewer& viewer = HelpViewer::instance();
    viewer.setHelpFile(defaultHelpFilePath());
    QStringList problems;
    viewer.reportProblem = [&problems](const QString& text) { problems << text; };
    main.FileNew();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
    QCOMPARE(viewer.currentTopic(), QStringLiteral("contenido.html"));
    QVERIFY(problems.isEmpty());
    viewer.close();
}

namespace {

// What one event does: object name -> enabled, for the objects it sets.
std::map<std::string, bool> columnOf(CommandEvent event) {
    std::map<std::string, bool> set;
    robustez::applyCommandColumn(
        event, [&set](std::string_view name, bool on) { set[std::string(name)] = on; });
    return set;
}

} // namespace

// The rules the frame's command table must keep, checked on every column.
void MainFormTest::tableKeepsItsRules() {
    using E = CommandEvent;
    Frame frame;
    TMainForm& main = *frame.main;
    main.FileNew();
    TFinforma* study = main.studyWindow();

    // Each object is named once, and is a menu entry or a button of the
    // frame, or an entry of the study grid's menu.
    std::map<std::string, int> rows;
    for (const robustez::CommandRow& row : robustez::commandTable()) {
        for (std::string_view name : row.objectNames) {
            if (name.empty()) {
                continue;
            }
            const QString object = QString::fromUtf8(name.data(), qsizetype(name.size()));
            QVERIFY2(++rows[std::string(name)] == 1, qPrintable(object));
            QVERIFY2(main.findChild<QAction*>(object) != nullptr ||
                         main.findChild<QToolButton*>(object) != nullptr ||
                         study->findChild<QAction*>(object) != nullptr,
                     qPrintable(object));
        }
    }

    // At the start only Nuevo, Abrir and the help button are on.
    for (const auto& [name, on] : columnOf(E::Start)) {
        const bool expected = name == "FileNewItem" || name == "spdnuevo" ||
                              name == "FileOpenItem" || name == "spdabrir1" ||
                              name == "spdcontenido";
        QVERIFY2(on == expected, name.c_str());
    }
    const char* onTheStudy[] = {"FileSaveItem", "spdguardar1", "FileSaveAsItem", "FilePrintItem",
                                "spdprint",     "mnudunet",    "pmnudunet",      "mnudetalle",
                                "pmnudetalle",  "mnuinforme"};
    for (int column = 0; column < robustez::kCommandEventCount; ++column) {
        const auto event = static_cast<E>(column);
        std::map<std::string, bool> set = columnOf(event);
        const QByteArray where = QByteArray::number(column);
        // One study at a time: Nuevo and Abrir go together, Cerrar and the
        // window commands the other way.
        if (set.count("FileNewItem") != 0) {
            const bool free = set["FileNewItem"];
            for (const char* name : {"spdnuevo", "FileOpenItem", "spdabrir1"}) {
                QVERIFY2(set.count(name) == 1 && set[name] == free, where + name);
            }
            for (const char* name : {"mnuclose", "spdclose", "WindowTileItem", "spdcascada"}) {
                QVERIFY2(set.count(name) == 1 && set[name] == !free, where + name);
            }
        } else {
            QVERIFY2(set.count("mnuclose") == 0, where);
        }
        // "&Detalle estadístico" goes with "&t de Dunnett", in the menu and
        // in the grid's menu.
        QCOMPARE(set.count("mnudetalle"), set.count("mnudunet"));
        QCOMPARE(set["mnudetalle"], set["mnudunet"]);
        QCOMPARE(set.count("pmnudetalle"), set.count("pmnudunet"));
        QCOMPARE(set["pmnudetalle"], set["pmnudunet"]);
        // Whenever the study window closes, what works on the study goes off.
        if (event == E::StudyClosed || event == E::CerrarOnStudy || event == E::LastChildClosed) {
            for (const char* name : onTheStudy) {
                QVERIFY2(set.count(name) == 1 && !set[name], where + name);
            }
        }
        // A count accepted waits for the grid; the grid entered allows them all.
        if (event == E::CountAccepted || event == E::GridEntered) {
            for (const char* name : onTheStudy) {
                QVERIFY2(set.count(name) == 1 && set[name] == (event == E::GridEntered),
                         where + name);
            }
        }
    }
    // A study opened from a file is computed but never saved; whether it
    // prints depends on its values, so the column leaves printing alone.
    std::map<std::string, bool> opened = columnOf(E::Abrir);
    QVERIFY(opened["mnudunet"] && opened["mnuinforme"] && opened["mnucalculos"]);
    QVERIFY(!opened["FileSaveItem"] && !opened["FileSaveAsItem"]);
    QCOMPARE(opened.count("FilePrintItem"), size_t(0));
    QCOMPARE(opened.count("spdprint"), size_t(0));
    main.setEstado(QString());
}

ROBUSTEZ_WINDOW_TEST_MAIN(MainFormTest)
#include "main_form_test.moc"
