// The study window: the fixed entry path, the count and grid checks, the
// grid's hidden rows, the modified mark and the commands it switches.
#include "app/frame/main_form.h"
#include "app/frame/window_test_support.h"
#include "app/results/results_window.h"
#include "app/study/study_grid.h"
#include "app/study/study_window.h"

#include <QAbstractItemView>
#include <QAction>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolTip>
#include <QtTest>

using testing_support::acceptCountAndEnterGrid;
using testing_support::BoxAnswerer;
using testing_support::clickInto;
using testing_support::focusControl;
using testing_support::Frame;
using testing_support::localDecimals;
using testing_support::pressKey;
using testing_support::settle;
using testing_support::typeText;

namespace {

const QString kAccept = QStringLiteral("Falta aceptar el número de muestras (replicas).");
const QString kNotNumeric = QStringLiteral("Algún dato capturado no es un valor numérico.");

QString missing(int row, const char* level) {
    return QStringLiteral("Falta capturar el %1 ª dato del equipo en %2.")
        .arg(row)
        .arg(QString::fromUtf8(level));
}

template <class T> T* control(TFinforma* study, const char* name) {
    T* found = study->findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) {
        qFatal("no control %s", name);
    }
    return found;
}

// The grid's open cell editor.
QLineEdit* cellEditor() {
    settle();
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    if (editor == nullptr ||
        qobject_cast<QAbstractItemView*>(editor->parentWidget()->parentWidget()) == nullptr) {
        qFatal("no cell editor has the focus");
    }
    return editor;
}

QString cell(TFinforma* study, int column, int row) {
    return QString::fromStdString(study->studyRecord().grid.cell(column, row));
}

// A count typed and the message it brings.
struct Case {
    const char* text;
    const char* message;
};

// A new study with the count accepted and the focus in the grid.
TFinforma* studyInGrid(TMainForm& main, const QString& count) {
    main.FileNew();
    return acceptCountAndEnterGrid(main, count);
}

// Types each text into the current cell and moves on with Tab.
void typeCells(const QStringList& texts) {
    for (const QString& text : texts) {
        typeText(text);
        pressKey(Qt::Key_Tab);
    }
}

} // namespace

class StudyWindowTest : public QObject {
    Q_OBJECT

private slots:
    void newStudyAndTheFixedPath();
    void countMessages();
    void acceptButtonChecksTheCountItself();
    void gridRefusedBeforeAcceptance();
    void gridLeaveCheck();
    void hiddenRowsComeBack();
    void modifiedFromEveryEditButTheCondition();
    void lastCellTypingEnablesInforme();
    void onlyWindows1252CanBeTyped();
    void textBeingTypedIsPartOfTheStudy();
    void popupRunsDunnett();
    void pageSwitchNeverTypesIntoHiddenControls();
    void aClickRunsTheLeaveHandlerFirst();
    void gridOptionsAndItsMenuOverTheEditor();
    void focusLeftForNowhereComesBack();
    void aClickOrMnemonicOnTheSecondPageStands();
    void theGridGrowsAndSmallWindowsScroll();
    void shortenedTextsShowWholeAsTooltips();
};

void StudyWindowTest::newStudyAndTheFixedPath() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    main.FileNew();
    TFinforma* study = main.studyWindow();
    QVERIFY(study != nullptr);
    QCOMPARE(study->documentName(), QStringLiteral("Nuevo"));
    QCOMPARE(control<QTabWidget>(study, "Thojas")->currentIndex(), 0);
    QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(study, "emetodo"));
    QVERIFY(!main.isCommandEnabled("mnucalculos"));
    QVERIFY(!main.isCommandEnabled("mnudunet"));
    const robustez::StudyRecord fresh = study->studyRecord();
    QCOMPARE(fresh.replicateCountText, std::string("3"));
    QCOMPARE(fresh.grid.rowCount(), 6);
    QCOMPARE(cell(study, 0, 0), QStringLiteral("Muestra"));
    QCOMPARE(cell(study, 1, 0), QStringLiteral("Normal"));
    QCOMPARE(cell(study, 2, 0), QStringLiteral("Baja"));
    QCOMPARE(cell(study, 3, 0), QStringLiteral("Alta"));
    QCOMPARE(cell(study, 0, 1), QString());
    QCOMPARE(cell(study, 0, 5), QStringLiteral("4"));
    QCOMPARE(control<QLineEdit>(study, "emetodo")->maxLength(), 60);
    QCOMPARE(control<QLineEdit>(study, "efecha")->maxLength(), 20);
    QCOMPARE(control<QLineEdit>(study, "ereplica1")->maxLength(), 2);
    QCOMPARE(control<QLineEdit>(study, "eoperacion")->maxLength(), 30);
    QCOMPARE(study->grid()->geometry(), QRect(24, 128, 465, 161));

    // Enter in an empty edit moves nothing; with text it moves on.
    pressKey(Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(study, "emetodo"));
    typeText("HPLC");
    pressKey(Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(study, "eanalista"));
    typeText("Ana");
    pressKey(Qt::Key_Enter);
    QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(study, "efecha"));
    typeText("1/2/99");
    pressKey(Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(study, "efecha"));

    // The second page: count, accept button, condition, grid.
    // The grid's popup entry is usable from the start; the menu entry is not.
    QVERIFY(main.isCommandEnabled("pmnudunet"));
    QVERIFY(!main.isCommandEnabled("mnudunet"));
    control<QTabWidget>(study, "Thojas")->setCurrentIndex(1);
    clickInto(control<QLineEdit>(study, "ereplica1"));
    pressKey(Qt::Key_Backspace);
    typeText("2");
    pressKey(Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), control<QPushButton>(study, "botonok1"));
    QTest::mouseClick(control<QPushButton>(study, "botonok1"), Qt::LeftButton);
    settle();
    QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(study, "eoperacion"));
    QCOMPARE(study->grid()->model()->rowCount(), 4);
    QCOMPARE(cell(study, 0, 2), QStringLiteral("1"));
    QCOMPARE(cell(study, 0, 3), QStringLiteral("2"));
    QVERIFY(main.isCommandEnabled("mnucalculos"));
    for (const char* off : {"mnudunet", "mnuinforme", "FileSaveItem", "spdguardar1",
                            "FileSaveAsItem", "FilePrintItem", "spdprint", "pmnudunet"}) {
        QVERIFY2(!main.isCommandEnabled(off), off);
    }
    typeText("Temperatura");
    pressKey(Qt::Key_Tab);
    QCOMPARE(focusControl(), study->grid());
    for (const char* on :
         {"mnucalculos", "mnudunet", "mnuinforme", "FileSaveItem", "spdguardar1", "FileSaveAsItem",
          "FilePrintItem", "spdprint", "printlasser", "pmnudunet"}) {
        QVERIFY2(main.isCommandEnabled(on), on);
    }
    QCOMPARE(study->grid()->currentIndex(), study->grid()->model()->index(1, 1));
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void StudyWindowTest::countMessages() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    main.FileNew();
    TFinforma* study = main.studyWindow();
    auto* count = control<QLineEdit>(study, "ereplica1");
    control<QTabWidget>(study, "Thojas")->setCurrentIndex(1);
    const Case cases[] = {
        {"", "Falta capturar el número de valoraciones"},
        {"a", "El valor de captura no es un valor numérico."},
        {"1", "Datos fuera de límite, 2-10 valoraciones (Replicaciones)."},
        {"11", "Datos fuera de límite, 2-10 valoraciones (Replicaciones)."},
    };
    for (const Case& c : cases) {
        clickInto(count);
        settle();
        count->setText(QString::fromUtf8(c.text));
        boxes.expect(QString::fromUtf8(c.message));
        pressKey(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), count);
        QCOMPARE(count->text(), QString::fromUtf8(c.text)); // nothing is cleared
    }
    QCOMPARE(boxes.texts.size(), 4);
    QCOMPARE(boxes.captions.first(), QStringLiteral("Robustez del Método"));
    // A valid count left with Tab goes on to the accept button, and Tab from
    // the button to the condition edit.
    count->setText(QStringLiteral("10"));
    pressKey(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), control<QPushButton>(study, "botonok1"));
    pressKey(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(study, "eoperacion"));
    QCOMPARE(study->grid()->model()->rowCount(), 6); // never accepted
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void StudyWindowTest::acceptButtonChecksTheCountItself() {
    // The button's accelerator pressed from the grid with a count the count
    // edit's own check never saw: the button checks it and the grid keeps
    // its size and its values.
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    TFinforma* study = studyInGrid(main, QStringLiteral("2"));
    typeCells({"25", "20", "30", "1", "2", "3", "4", "5", "6"});
    auto* count = control<QLineEdit>(study, "ereplica1");
    const Case cases[] = {
        {"1", "Datos fuera de límite, 2-10 valoraciones (Replicaciones)."},
        {"11", "Datos fuera de límite, 2-10 valoraciones (Replicaciones)."},
        {"x", "'x' is not a valid integer value"},
    };
    for (const Case& c : cases) {
        count->setText(QString::fromUtf8(c.text));
        boxes.expectContaining(QString::fromUtf8(c.message));
        // The accelerator presses the button with a short animation.
        QTest::keyClick(study->grid(), Qt::Key_P, Qt::AltModifier);
        QTRY_COMPARE(boxes.pending(), 0);
        settle();
        // The box's first line is the message; an error box explains it below.
        QCOMPARE(boxes.texts.last().section(QLatin1Char('\n'), 0, 0), QString::fromUtf8(c.message));
        QCOMPARE(study->grid()->model()->rowCount(), 4);
        QCOMPARE(cell(study, 3, 3), QStringLiteral("6"));
    }
    QCOMPARE(boxes.texts.size(), 3);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void StudyWindowTest::gridRefusedBeforeAcceptance() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    main.FileNew();
    TFinforma* study = main.studyWindow();
    control<QTabWidget>(study, "Thojas")->setCurrentIndex(1);
    clickInto(control<QLineEdit>(study, "ereplica1"));
    pressKey(Qt::Key_Tab); // count "3" is valid: to the button
    pressKey(Qt::Key_Tab); // the button left: to the condition edit
    QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(study, "eoperacion"));
    // Entering the grid is refused; sending the focus to the count edit
    // leaves the grid, whose check reports its first empty cell.
    boxes.expect(kAccept);
    boxes.expect(missing(2, "Normal"));
    pressKey(Qt::Key_Tab);
    QCOMPARE(boxes.texts, QStringList({kAccept, missing(2, "Normal")}));
    QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(study, "ereplica1"));
    QCOMPARE(control<QTabWidget>(study, "Thojas")->currentIndex(), 1);
    QVERIFY(!main.isCommandEnabled("FileSaveItem"));
    QVERIFY(!main.isCommandEnabled("mnudunet"));
    // Accepting the count then lets the grid in.
    pressKey(Qt::Key_Return);
    pressKey(Qt::Key_Space);
    pressKey(Qt::Key_Tab);
    QCOMPARE(focusControl(), study->grid());
    QVERIFY(main.isCommandEnabled("FileSaveItem"));
    QCOMPARE(boxes.texts.size(), 2);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void StudyWindowTest::gridLeaveCheck() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    TFinforma* study = studyInGrid(main, QStringLiteral("2"));
    QCOMPARE(focusControl(), study->grid());
    // Settings row left empty; Baja's first value missing.
    boxes.expect(missing(2, "Baja"));
    typeCells({"", "", ""});
    typeCells({localDecimals("99.8"), "", localDecimals("98.7")});
    typeCells({localDecimals("100.2"), localDecimals("99.9"), localDecimals("99.1")});
    // The last cell was typed: Tab now leaves the grid and its check runs.
    // The faulty cell becomes current, ready to be typed, nothing selected.
    QCOMPARE(boxes.texts, QStringList({missing(2, "Baja")}));
    QCOMPARE(focusControl(), study->grid());
    QVERIFY(study->grid()->tabMovesBetweenCells());
    QCOMPARE(study->grid()->currentIndex(), study->grid()->model()->index(2, 2));
    QVERIFY(!cellEditor()->hasSelectedText());
    // A value that is not a number, found when the user clicks elsewhere.
    typeText(localDecimals("1.2.3"));
    boxes.expect(kNotNumeric);
    QTest::mouseClick(study->findChild<QPushButton*>("botonok1"), Qt::LeftButton);
    settle();
    QCOMPARE(boxes.texts.last(), kNotNumeric);
    QCOMPARE(focusControl(), study->grid());
    QCOMPARE(study->grid()->currentIndex(), study->grid()->model()->index(2, 2));
    QCOMPARE(cellEditor()->text(), localDecimals("1.2.3"));
    QVERIFY(!cellEditor()->hasSelectedText());
    for (int i = 0; i < 5; ++i) {
        pressKey(Qt::Key_Backspace);
    }
    typeText(localDecimals("99.5"));
    // All values numeric: the check is silent and the user's move stands, so
    // a wrong condition name can be mended.
    const int seen = int(boxes.texts.size());
    clickInto(study->findChild<QLineEdit*>("eoperacion"));
    settle();
    typeText("X");
    QCOMPARE(int(boxes.texts.size()), seen);
    QCOMPARE(QApplication::focusWidget(), study->findChild<QLineEdit*>("eoperacion"));
    QCOMPARE(study->studyRecord().conditionName, std::string("X"));
    QCOMPARE(cell(study, 2, 2), localDecimals("99.5"));
    QCOMPARE(cell(study, 1, 2), localDecimals("99.8"));
    // Tab out of the last cell: checked, and typing goes on at its end.
    pressKey(Qt::Key_Tab);
    study->grid()->setCurrentCell(3, 3);
    settle();
    typeText("1");
    pressKey(Qt::Key_Tab);
    settle();
    QCOMPARE(focusControl(), study->grid());
    QCOMPARE(study->grid()->currentIndex(), study->grid()->model()->index(3, 3));
    typeText("7");
    QCOMPARE(cell(study, 3, 3), localDecimals("99.117"));
    // A click on another cell puts the caret at the end of its text.
    const QModelIndex normalFirst = study->grid()->model()->index(2, 1);
    QTest::mouseClick(study->grid()->viewport(), Qt::LeftButton, {},
                      study->grid()->visualRect(normalFirst).center());
    QVERIFY(!cellEditor()->hasSelectedText());
    typeText("5");
    QCOMPARE(cell(study, 1, 2), localDecimals("99.85"));
    QCOMPARE(int(boxes.texts.size()), seen);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void StudyWindowTest::hiddenRowsComeBack() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    TFinforma* study = studyInGrid(main, QStringLiteral("5"));
    QCOMPARE(study->grid()->model()->rowCount(), 7);
    typeCells({"25", "20", "30"});
    for (int sample = 1; sample <= 5; ++sample) {
        typeCells(
            {QString::number(sample), QString::number(10 + sample), QString::number(20 + sample)});
    }
    // Accept n = 3: three samples shown, the rest kept hidden. The grid takes
    // the focus back from a click; the button's accelerator still presses it.
    auto* count = study->findChild<QLineEdit*>("ereplica1");
    count->setText(QStringLiteral("3"));
    QTest::keyClick(study->grid(), Qt::Key_P, Qt::AltModifier);
    QTRY_COMPARE(study->grid()->model()->rowCount(), 5);
    settle();
    QCOMPARE(study->grid()->model()->index(4, 0).data().toString(), QStringLiteral("3"));
    QCOMPARE(study->grid()->model()->index(4, 3).data().toString(), QStringLiteral("23"));
    // Accept n = 5 again: the fourth and fifth values are back.
    count->setText(QStringLiteral("5"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_P, Qt::AltModifier);
    QTRY_COMPARE(study->grid()->model()->rowCount(), 7);
    settle();
    QCOMPARE(study->grid()->model()->index(5, 1).data().toString(), QStringLiteral("4"));
    QCOMPARE(study->grid()->model()->index(6, 2).data().toString(), QStringLiteral("15"));
    QCOMPARE(study->grid()->model()->index(6, 0).data().toString(), QStringLiteral("5"));
    QCOMPARE(study->grid()->model()->index(1, 3).data().toString(), QStringLiteral("30"));
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void StudyWindowTest::modifiedFromEveryEditButTheCondition() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    main.FileNew();
    TFinforma* study = main.studyWindow();
    for (const char* name : {"emetodo", "eanalista", "efecha"}) {
        main.setEstado(QString());
        clickInto(study->findChild<QLineEdit*>(name));
        typeText("x");
        QCOMPARE(main.estadoText(), QStringLiteral("Modificado"));
    }
    // A key counts when it changes the text: Backspace deleting a character
    // does; Backspace in an empty edit, Enter and Escape change nothing.
    struct Key {
        const char* text; // the edit's text before the key
        Qt::Key key;
        bool marks;
    };
    const Key keys[] = {{"12/03", Qt::Key_Backspace, true}, {"", Qt::Key_Backspace, false},
                        {"12/03", Qt::Key_Return, false},   {"12/03", Qt::Key_Escape, false},
                        {"", Qt::Key_Delete, false},        {"", Qt::Key_5, true}};
    auto* date = study->findChild<QLineEdit*>("efecha");
    for (const Key& key : keys) {
        date->setText(QString::fromUtf8(key.text));
        main.setEstado(QString());
        pressKey(key.key);
        QCOMPARE(main.estadoText(), key.marks ? QStringLiteral("Modificado") : QString());
    }
    control<QTabWidget>(study, "Thojas")->setCurrentIndex(1);
    main.setEstado(QString());
    clickInto(study->findChild<QLineEdit*>("ereplica1"));
    typeText("4");
    QCOMPARE(main.estadoText(), QStringLiteral("Modificado"));
    study->findChild<QLineEdit*>("ereplica1")->setText(QStringLiteral("3"));
    pressKey(Qt::Key_Return);
    pressKey(Qt::Key_Space);
    QCOMPARE(QApplication::focusWidget(), study->findChild<QLineEdit*>("eoperacion"));
    main.setEstado(QString());
    typeText("Flujo");
    QCOMPARE(main.estadoText(), QString());
    pressKey(Qt::Key_Tab);
    typeText("7");
    QCOMPARE(main.estadoText(), QStringLiteral("Modificado"));
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void StudyWindowTest::lastCellTypingEnablesInforme() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    TFinforma* study = studyInGrid(main, QStringLiteral("2"));
    main.setCommandEnabled("mnuinforme", false);
    // Typing in the last column but not the last row keeps Tab between cells.
    study->grid()->setCurrentCell(3, 2);
    typeText("5");
    QVERIFY(study->grid()->tabMovesBetweenCells());
    QVERIFY(!main.isCommandEnabled("mnuinforme"));
    // Typing elsewhere changes nothing either.
    study->grid()->setCurrentCell(1, 3);
    typeText("5");
    QVERIFY(!main.isCommandEnabled("mnuinforme"));
    study->grid()->setCurrentCell(3, 3);
    typeText("5");
    QVERIFY(main.isCommandEnabled("mnuinforme"));
    QVERIFY(!study->grid()->tabMovesBetweenCells());
    // The next Tab leaves the grid: its check reports the first empty value.
    boxes.expect(missing(2, "Normal"));
    pressKey(Qt::Key_Tab);
    QCOMPARE(boxes.texts.size(), 1);
    QCOMPARE(focusControl(), study->grid());
    QVERIFY(study->grid()->tabMovesBetweenCells());
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void StudyWindowTest::onlyWindows1252CanBeTyped() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    main.FileNew();
    TFinforma* study = main.studyWindow();
    typeText(QStringLiteral("Método€ñΩ中ª"));
    QCOMPARE(study->findChild<QLineEdit*>("emetodo")->text(), QStringLiteral("Método€ñª"));
    main.setEstado(QString());
    main.studyWindow()->findChild<QLineEdit*>("emetodo")->clear();
    main.studyWindow()->parentWidget()->close();
    QTRY_VERIFY(main.studyWindow() == nullptr);
    TFinforma* inGrid = studyInGrid(main, QStringLiteral("2"));
    typeText(QStringLiteral("25 °C→"));
    QCOMPARE(cell(inGrid, 1, 1), QStringLiteral("25 °C"));
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void StudyWindowTest::textBeingTypedIsPartOfTheStudy() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    TFinforma* study = studyInGrid(main, QStringLiteral("3"));
    study->grid()->setCurrentCell(2, 3);
    typeText("12,5");
    // Not confirmed by Enter or Tab, the editor still open.
    QVERIFY(qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr);
    QVERIFY(study->grid()->isAncestorOf(QApplication::focusWidget()));
    QCOMPARE(study->studyRecord().value(robustez::kLevelBaja, 2), std::string("12,5"));
    pressKey(Qt::Key_Backspace);
    QCOMPARE(study->studyRecord().value(robustez::kLevelBaja, 2), std::string("12,"));
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void StudyWindowTest::popupRunsDunnett() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    TFinforma* study = studyInGrid(main, QStringLiteral("2"));
    // The window asks the frame for the command; here only counted.
    int runs = 0;
    QObject::disconnect(study, &TFinforma::dunnettRequested, &main, nullptr);
    QObject::connect(study, &TFinforma::dunnettRequested, [&runs] { ++runs; });
    auto* popupEntry = study->findChild<QAction*>("pmnudunet");
    QCOMPARE(popupEntry->text(), QStringLiteral("&t de Dunnett"));
    QVERIFY(popupEntry->isEnabled());
    popupEntry->trigger();
    QCOMPARE(runs, 1);
    QCOMPARE(study->grid()->toolTip(), QStringLiteral("opciones botón derecho"));
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void StudyWindowTest::pageSwitchNeverTypesIntoHiddenControls() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    main.FileNew();
    TFinforma* study = main.studyWindow();
    auto* tabs = control<QTabWidget>(study, "Thojas");
    auto clickTab = [tabs](int index) {
        QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {},
                          tabs->tabBar()->tabRect(index).center());
        settle();
    };
    auto* method = control<QLineEdit>(study, "emetodo");

    // Into the second page and straight back: the count edit's leave handler
    // must not pull the typing into the page that is no longer shown.
    clickTab(1);
    clickInto(control<QLineEdit>(study, "ereplica1"));
    settle();
    clickTab(0);
    QTest::mouseClick(method, Qt::LeftButton);
    settle();
    typeText(QStringLiteral("Mi método"));
    QCOMPARE(method->text(), QStringLiteral("Mi método"));
    QVERIFY(control<QLineEdit>(study, "eoperacion")->text().isEmpty());

    // From the grid back to the first page: the grid's cells keep their text.
    clickTab(1);
    auto* count = control<QLineEdit>(study, "ereplica1");
    clickInto(count);
    settle();
    count->selectAll();
    typeText(QStringLiteral("2"));
    pressKey(Qt::Key_Return); // to the accept button
    // Enter on the accept button presses it, as Space does.
    pressKey(Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(study, "eoperacion"));
    QCOMPARE(study->grid()->model()->rowCount(), 4);
    pressKey(Qt::Key_Tab); // into the grid
    typeText(QStringLiteral("25"));
    pressKey(Qt::Key_Tab);
    // Leaving the grid still checks it.
    boxes.expect(QStringLiteral("Falta capturar el 2 ª dato del equipo en Normal."));
    clickTab(0);
    QTest::mouseClick(method, Qt::LeftButton);
    settle();
    method->selectAll();
    typeText(QStringLiteral("Otro"));
    QCOMPARE(method->text(), QStringLiteral("Otro"));
    QCOMPARE(study->studyRecord().levelSetting(1), std::string("25"));
    QCOMPARE(study->studyRecord().levelSetting(2), std::string());

    // The grid's popup entry shows its hint in the status line when highlighted.
    auto* popup = study->findChild<QMenu*>("pmenu");
    popup->popup(QPoint(10, 10));
    popup->setActiveAction(study->findChild<QAction*>("pmnudunet"));
    QCOMPARE(main.statusLineText(), QStringLiteral("Presenta lista de promedios y t de Dunnett"));
    popup->hide();
    QVERIFY(main.statusLineText().isEmpty());
    QCOMPARE(boxes.pending(), 0);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void StudyWindowTest::aClickRunsTheLeaveHandlerFirst() {
    // A mouse click both leaves the control that had the focus and acts on the
    // one clicked; the leave handler runs first, as when the two come apart.
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    main.FileNew();
    TFinforma* study = main.studyWindow();
    control<QTabWidget>(study, "Thojas")->setCurrentIndex(1);
    auto* count = control<QLineEdit>(study, "ereplica1");
    auto* accept = control<QPushButton>(study, "botonok1");
    auto* condition = control<QLineEdit>(study, "eoperacion");
    clickInto(count);
    settle();

    // An invalid count: the leave check answers and keeps the focus, so the
    // button does not click; the grid keeps its size.
    count->selectAll();
    typeText(QStringLiteral("1"));
    boxes.expect(QStringLiteral("Datos fuera de límite, 2-10 valoraciones (Replicaciones)."));
    QTest::mouseClick(accept, Qt::LeftButton);
    settle();
    QCOMPARE(QApplication::focusWidget(), count);
    QCOMPARE(study->grid()->model()->rowCount(), 6);
    QCOMPARE(boxes.texts.size(), 1);

    // A valid count: accepted, and the next keys name the condition.
    count->selectAll();
    typeText(QStringLiteral("5"));
    QTest::mouseClick(accept, Qt::LeftButton);
    typeText(QStringLiteral("Flujo"));
    QCOMPARE(condition->text(), QStringLiteral("Flujo"));
    QCOMPARE(QApplication::focusWidget(), condition);
    QCOMPARE(study->grid()->model()->rowCount(), 7);

    // A right click into the grid from the condition edit enters the grid
    // before its menu opens, so the menu's entry is already available.
    QObject::disconnect(study, &TFinforma::dunnettRequested, &main, nullptr);
    auto* grid = study->grid();
    const QPoint inCell = grid->visualRect(grid->model()->index(2, 1)).center();
    QTest::mousePress(grid->viewport(), Qt::RightButton, {}, inCell);
    QContextMenuEvent menuRequest(QContextMenuEvent::Mouse, inCell,
                                  grid->viewport()->mapToGlobal(inCell));
    QApplication::sendEvent(grid->viewport(), &menuRequest);
    auto* popup = study->findChild<QMenu*>("pmenu");
    QTRY_VERIFY(popup->isVisible());
    QVERIFY(study->findChild<QAction*>("pmnudunet")->isEnabled());
    QVERIFY(main.isCommandEnabled("FileSaveItem"));
    popup->hide();
    settle();
    QCOMPARE(boxes.texts.size(), 1);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void StudyWindowTest::gridOptionsAndItsMenuOverTheEditor() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    TFinforma* study = studyInGrid(main, QStringLiteral("2"));
    QObject::disconnect(study, &TFinforma::dunnettRequested, &main, nullptr);
    auto* grid = study->grid();
    auto* popup = study->findChild<QMenu*>("pmenu");

    // The first options: ranges can be selected, and the column borders of
    // the header row dragged.
    QCOMPARE(grid->selectionMode(), QAbstractItemView::ContiguousSelection);
    const auto dragBorder = [grid](int column, int by) {
        const int border = grid->columnViewportPosition(column) + grid->columnWidth(column) - 1;
        const int y = grid->rowViewportPosition(0) + grid->rowHeight(0) / 2;
        QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, QPoint(border, y));
        QTest::mouseMove(grid->viewport(), QPoint(border + by, y));
        QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, QPoint(border + by, y));
        settle();
    };
    dragBorder(1, 30);
    QCOMPARE(grid->columnWidth(1), 140);
    QCOMPARE(grid->columnWidth(2), 110);

    // Right click on the cell being edited, and the menu key while typing,
    // open the grid's menu, not the editor's own.
    typeText(QStringLiteral("25"));
    for (const auto reason : {QContextMenuEvent::Mouse, QContextMenuEvent::Keyboard}) {
        main.activateWindow(); // back from the menu (no window manager here)
        settle();
        QWidget* editor = QApplication::focusWidget();
        QVERIFY(qobject_cast<QLineEdit*>(editor) != nullptr && grid->isAncestorOf(editor));
        QContextMenuEvent request(reason, QPoint(5, 5), editor->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(editor, &request);
        QTRY_VERIFY(popup->isVisible());
        QCOMPARE(QApplication::activePopupWidget(), popup);
        popup->hide();
        settle();
    }

    // Once the window switches the grid to its working options, neither is offered.
    main.activateWindow();
    settle();
    typeCells({"", "20", "30", "99", "98"});
    typeText(QStringLiteral("97")); // the last cell: option set B
    QCOMPARE(grid->selectionMode(), QAbstractItemView::SingleSelection);
    dragBorder(2, 30);
    QCOMPARE(grid->columnWidth(2), 110);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void StudyWindowTest::focusLeftForNowhereComesBack() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    TFinforma* study = studyInGrid(main, QStringLiteral("2"));
    typeText("7");
    // A command chosen from the menus with the keyboard leaves the focus on
    // the menu bar, with no menu highlighted: it comes back to the cell, and
    // typing goes on at its end.
    main.menuBar()->setFocus(Qt::MenuBarFocusReason);
    settle();
    QCOMPARE(focusControl(), study->grid());
    typeText("1");
    QCOMPARE(cell(study, 1, 1), QStringLiteral("71"));
    // Nowhere at all: the same.
    QApplication::focusWidget()->clearFocus();
    settle();
    typeText("2");
    QCOMPARE(cell(study, 1, 1), QStringLiteral("712"));
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void StudyWindowTest::aClickOrMnemonicOnTheSecondPageStands() {
    // From a control of the second page the user clicks another one, presses
    // its mnemonic, or Tab; then Backspace and "4" are typed. The field that
    // reads "4" afterwards is where the keys landed; the leave checks still
    // run and answer.
    enum class Start { Count, Accept, Condition };
    enum class Move { Click, Mnemonic, Tab };
    struct Case {
        const char* what;
        const char* count; // typed into the count edit first
        Start start;
        Move move;
        const char* target;     // clicked control, or the key of its mnemonic
        const char* message;    // the leave check's message, or nullptr
        const char* landed;     // "ereplica1", "eoperacion" or "grid"
        const char* countAfter; // the count edit's text after the keys
    };
    const Case cases[] = {
        {"click on the count from the condition", "3", Start::Condition, Move::Click, "ereplica1",
         nullptr, "ereplica1", "4"},
        {"Alt+N from the condition", "3", Start::Condition, Move::Mnemonic, "N", nullptr,
         "ereplica1", "4"},
        {"click on the count from the accept button", "3", Start::Accept, Move::Click, "ereplica1",
         nullptr, "ereplica1", "4"},
        {"Alt+N from the accept button", "3", Start::Accept, Move::Mnemonic, "N", nullptr,
         "ereplica1", "4"},
        {"click on the condition from the count", "3", Start::Count, Move::Click, "eoperacion",
         nullptr, "eoperacion", "3"},
        {"Alt+O from the count", "3", Start::Count, Move::Mnemonic, "O", nullptr, "eoperacion",
         "3"},
        {"Tab from the accept button goes to the condition", "3", Start::Accept, Move::Tab, "",
         nullptr, "eoperacion", "3"},
        {"Tab from the condition goes into the grid", "3", Start::Condition, Move::Tab, "", nullptr,
         "grid", "3"},
        // The count's check still answers a chosen move and keeps the focus,
        // with the caret at the end of the count to mend.
        {"Alt+O with a count out of range", "11", Start::Count, Move::Mnemonic, "O",
         "Datos fuera de límite, 2-10 valoraciones (Replicaciones).", "ereplica1", "14"},
        {"click on the condition with an empty count", "", Start::Count, Move::Click, "eoperacion",
         "Falta capturar el número de valoraciones", "ereplica1", "4"},
    };
    for (const Case& c : cases) {
        BoxAnswerer boxes;
        Frame frame;
        TMainForm& main = *frame.main;
        main.FileNew();
        TFinforma* study = main.studyWindow();
        control<QTabWidget>(study, "Thojas")->setCurrentIndex(1);
        auto* count = control<QLineEdit>(study, "ereplica1");
        clickInto(count);
        settle();
        if (c.start != Start::Count) {
            pressKey(Qt::Key_Return); // to the accept button
        }
        if (c.start == Start::Condition) {
            pressKey(Qt::Key_Return); // accepted: to the condition edit
        }
        count->setText(QString::fromUtf8(c.count));
        if (c.message != nullptr) {
            boxes.expect(QString::fromUtf8(c.message));
        }
        switch (c.move) {
        case Move::Click:
            clickInto(control<QLineEdit>(study, c.target));
            break;
        case Move::Mnemonic:
            pressKey(Qt::Key(Qt::Key_A + (c.target[0] - 'A')), Qt::AltModifier);
            break;
        case Move::Tab:
            pressKey(Qt::Key_Tab);
            break;
        }
        settle();
        pressKey(Qt::Key_Backspace);
        typeText(QStringLiteral("4"));
        const robustez::StudyRecord record = study->studyRecord();
        const QString landed = QString::fromUtf8(c.landed);
        const QStringList got = {QString::fromStdString(record.replicateCountText),
                                 QString::fromStdString(record.conditionName), cell(study, 1, 1),
                                 QString::number(boxes.texts.size())};
        const QStringList expected = {QString::fromUtf8(c.countAfter),
                                      landed == "eoperacion" ? QStringLiteral("4") : QString(),
                                      landed == "grid" ? QStringLiteral("4") : QString(),
                                      QString::number(c.message != nullptr ? 1 : 0)};
        QVERIFY2(got == expected,
                 qPrintable(QStringLiteral("%1: count, condition, setting, boxes "
                                           "%2, expected %3")
                                .arg(QString::fromUtf8(c.what), got.join(QStringLiteral(" | ")),
                                     expected.join(QStringLiteral(" | ")))));
        QVERIFY2(boxes.unexpected.isEmpty(), c.what);
    }
}

// The tooltip a pointer resting on the cell shows, or "" for none.
QString cellTooltip(QAbstractItemView* view, int row, int column) {
    QToolTip::hideText();
    (void)QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 3000);
    const QPoint at = view->visualRect(view->model()->index(row, column)).center();
    QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &help);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

void StudyWindowTest::theGridGrowsAndSmallWindowsScroll() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    TFinforma* study = studyInGrid(main, QStringLiteral("10"));
    auto* sub = qobject_cast<QMdiSubWindow*>(study->parentWidget());
    auto* grid = study->grid();
    const auto* page2 =
        qobject_cast<QScrollArea*>(grid->parentWidget()->parentWidget()->parentWidget());
    QVERIFY(page2 != nullptr);
    // Restored at its designed size: the grid at its designed place.
    QCOMPARE(sub->size(), QSize(688, 375));
    QCOMPARE(grid->geometry(), QRect(24, 128, 465, 161));
    QVERIFY(!page2->verticalScrollBar()->isVisible());
    QVERIFY(!page2->horizontalScrollBar()->isVisible());

    // Taller windows give the grid their extra height, row for row.
    struct Taller {
        int by;
        int gridHeight;
    };
    for (const Taller t : {Taller{24, 185}, Taller{150, 311}, Taller{0, 161}}) {
        sub->resize(sub->width(), sub->height() + t.by);
        settle();
        QCOMPARE(grid->geometry(), QRect(24, 128, 465, t.gridHeight));
        sub->resize(sub->width(), sub->height() - t.by);
        settle();
    }
    // Maximized, all 12 rows (headers, settings, 10 samples of 24 pixels) show.
    sub->showMaximized();
    settle();
    QVERIFY(grid->height() > 161);
    QVERIFY(!grid->verticalScrollBar()->isVisible());
    QVERIFY(grid->rowViewportPosition(11) + grid->rowHeight(11) <= grid->viewport()->height());
    // Restored: the designed size again, exactly.
    sub->showNormal();
    settle();
    QCOMPARE(sub->size(), QSize(688, 375));
    QCOMPARE(grid->geometry(), QRect(24, 128, 465, 161));

    // A tile smaller than the page scrolls, and follows the focus.
    sub->resize(300, 200);
    settle();
    QVERIFY(page2->verticalScrollBar()->isVisible());
    QVERIFY(page2->horizontalScrollBar()->isVisible());
    QCOMPARE(grid->geometry(), QRect(24, 128, 465, 161));
    // Every value typed, so that leaving the grid is silent; from the grid at
    // the page's bottom, a click on the count edit (at 54 pixels from the
    // page's top, 8 of margin) brings it into sight.
    for (int column = 1; column <= 3; ++column) {
        for (int row = 2; row <= 11; ++row) {
            grid->gridModel()->setCellText(column, row, "1");
        }
    }
    page2->verticalScrollBar()->setValue(page2->verticalScrollBar()->maximum());
    QVERIFY(page2->verticalScrollBar()->value() > 54);
    clickInto(control<QLineEdit>(study, "ereplica1"));
    settle();
    QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(study, "ereplica1"));
    // The count edit (54 to 78) is in sight.
    QVERIFY(page2->verticalScrollBar()->value() <= 54);
    QVERIFY(page2->verticalScrollBar()->value() + page2->viewport()->height() >= 78);
    // The first page scrolls too.
    control<QTabWidget>(study, "Thojas")->setCurrentIndex(0);
    settle();
    const auto* page1 = qobject_cast<QScrollArea*>(
        control<QLineEdit>(study, "emetodo")->parentWidget()->parentWidget()->parentWidget());
    QVERIFY(page1 != nullptr && page1->horizontalScrollBar()->isVisible());
    main.setEstado(QString());
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void StudyWindowTest::shortenedTextsShowWholeAsTooltips() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    TFinforma* study = studyInGrid(main, QStringLiteral("2"));
    auto* grid = study->grid();
    // 30 characters do not fit in the 129 pixels of the condition edit.
    const QString longName = QStringLiteral("Temperatura de la columna (°C)");
    auto* condition = control<QLineEdit>(study, "eoperacion");
    struct EditCase {
        QString text;
        QString tip;
    };
    for (const EditCase& c : {EditCase{longName, longName}, EditCase{QStringLiteral("pH"), {}},
                              EditCase{QString(), {}}}) {
        condition->setText(c.text);
        QCOMPARE(condition->toolTip(), c.tip);
    }
    // A cell shortened with "…" shows its whole text; the others the grid's
    // own tooltip. The current cell is elsewhere, its editor open.
    grid->setCurrentCell(3, 3);
    settle();
    grid->gridModel()->setCellText(1, 1, longName.toStdString());
    grid->gridModel()->setCellText(2, 1, "25 °C");
    QCOMPARE(cellTooltip(grid, 1, 1), longName);
    QCOMPARE(cellTooltip(grid, 1, 2), QStringLiteral("opciones botón derecho"));

    // The results window: a long setting and a long verdict row.
    robustez::ResultsTables tables;
    const std::string longRow = "CONDICIONES DE OPERACIÓN DE LA COLUMNA CROMATOGRÁFICA";
    const std::string longSetting = "Temperatura del horno de la columna (°C)";
    tables.lower[0] = {longRow, longSetting, "t", "x"};
    tables.lower[1] = {"Normal", "25 °C", "", ""};
    TFinfo results;
    results.fill(tables);
    results.show();
    QVERIFY(QTest::qWaitForWindowExposed(&results));
    QCOMPARE(cellTooltip(results.stgdunet, 0, 1), QString::fromStdString(longSetting));
    QCOMPARE(cellTooltip(results.stgdunet, 0, 0), QString::fromStdString(longRow));
    QCOMPARE(cellTooltip(results.stgdunet, 1, 1), QString());
    QCOMPARE(cellTooltip(results.stgdunet, 1, 0), QString());
    QToolTip::hideText();
    main.setEstado(QString());
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

ROBUSTEZ_WINDOW_TEST_MAIN(StudyWindowTest)
#include "study_window_test.moc"
