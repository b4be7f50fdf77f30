// Pasting a block copied from a spreadsheet into the study grid: where it
// goes, what it refuses, the typing rules it follows, and its undo.
#include "app/frame/main_form.h"
#include "app/frame/window_test_support.h"
#include "app/study/study_grid.h"
#include "app/study/study_window.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

using robustez::PastedBlock;
using testing_support::acceptCountAndEnterGrid;
using testing_support::BoxAnswerer;
using testing_support::focusControl;
using testing_support::Frame;
using testing_support::localDecimals;
using testing_support::pressKey;
using testing_support::settle;
using testing_support::typeText;

namespace {

const QString kTooLarge =
    QStringLiteral("El bloque pegado no cabe en la tabla a partir de la celda seleccionada.");
const QString kBadCharacters = QStringLiteral("El texto pegado contiene caracteres no válidos.");

// The grid's texts below the header row, row by row, cells joined by '|'.
QStringList rows(TFinforma* study) {
    const robustez::StudyGrid grid = study->studyRecord().grid;
    QStringList texts;
    for (int row = 1; row < grid.rowCount(); ++row) {
        texts << QString::fromStdString(grid.cell(1, row) + "|" + grid.cell(2, row) + "|" +
                                        grid.cell(3, row));
    }
    return texts;
}

void paste(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
    pressKey(Qt::Key_V, Qt::ControlModifier);
}

// Cells as "column,row=text", joined by '|'.
QString placed(const QList<robustez::CellText>& cells) {
    QStringList texts;
    for (const robustez::CellText& cell : cells) {
        texts << QStringLiteral("%1,%2=%3").arg(cell.column).arg(cell.row).arg(cell.text);
    }
    return texts.join(QLatin1Char('|'));
}

QString editorText() {
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    return editor != nullptr ? editor->text() : QStringLiteral("<no editor>");
}

} // namespace

class PasteTest : public QObject {
    Q_OBJECT

private slots:
    void splitsAsSpreadsheetsCopy();
    void emptyLastColumnsAndValuesAreChecked();
    void blocksFillTheGridAsTyping();
    void refusedPastesChangeNothing();
    void undoRestoresTheCellsBeforeThePaste();
    void viewOnlyStudyTakesNoPaste();
};

void PasteTest::splitsAsSpreadsheetsCopy() {
    using robustez::splitPastedText;
    QCOMPARE(splitPastedText("a\tb\r\nc\td\r\n"), PastedBlock({{"a", "b"}, {"c", "d"}}));
    QCOMPARE(splitPastedText("a\rb\nc"), PastedBlock({{"a"}, {"b"}, {"c"}}));
    QCOMPARE(splitPastedText("a\n\n"), PastedBlock({{"a"}, {""}}));
    QCOMPARE(splitPastedText("\t\n"), PastedBlock({{"", ""}}));
    QCOMPARE(splitPastedText(""), PastedBlock());
}

void PasteTest::emptyLastColumnsAndValuesAreChecked() {
    using robustez::planPaste;
    using robustez::refusedValueMessage;
    using robustez::separatorQuestion;
    // Every line ends in a tab, the last one twice: those columns go, and
    // three values fit from Normal. A column with text on one line stays.
    QCOMPARE(placed(robustez::placePastedText("1\t2\t3\t\r\n4\t5\t6\t\t\r\n", 1, 2, 4, 6)),
             QStringLiteral("1,2=1|2,2=2|3,2=3|1,3=4|2,3=5|3,3=6"));
    QCOMPARE(placed(robustez::placePastedText("1\t\n2\tx\n", 2, 2, 4, 6)),
             QStringLiteral("2,2=1|3,2=|2,3=2|3,3=x"));
    QVERIFY(robustez::placePastedText("\t\r\n\t\r\n", 1, 2, 4, 6).isEmpty());

    // Under a decimal comma the settings row stays free text; a point value
    // is refused, and swapping its separator makes it one.
    const robustez::PastePlan plan = planPaste("25.5 °C\t20 °C\n99.87\t100\n", 1, 1, 4, 6, ",");
    QCOMPARE(placed(plan.refused), QStringLiteral("1,2=99.87"));
    QVERIFY(plan.convertible);
    QCOMPARE(placed(robustez::withSeparatorsSwapped(plan)),
             QStringLiteral("1,1=25.5 °C|2,1=20 °C|1,2=99,87|2,2=100"));
    QCOMPARE(separatorQuestion(plan.refused.size(), ","),
             QStringLiteral("Hay 1 valor pegado con punto (.) como separador decimal, pero su "
                            "sistema usa la coma (,). ¿Cambiar el punto por la coma al pegarlo?"));
    const robustez::PastePlan commas = planPaste("1,5\t2.5\n3,5\t4\n", 2, 3, 4, 6, ".");
    QCOMPARE(placed(commas.refused), QStringLiteral("2,3=1,5|2,4=3,5"));
    QVERIFY(commas.convertible);
    QCOMPARE(
        separatorQuestion(commas.refused.size(), "."),
        QStringLiteral("Hay 2 valores pegados con coma (,) como separador decimal, pero su "
                       "sistema usa el punto (.). ¿Cambiar la coma por el punto al pegarlos?"));

    // Text and empty cells are refused too, in reading order; no swap helps.
    const robustez::PastePlan mixed = planPaste("abc\t99.87\n\t1,5\n", 1, 2, 4, 6, ",");
    QCOMPARE(placed(mixed.refused), QStringLiteral("1,2=abc|2,2=99.87|1,3="));
    QVERIFY(!mixed.convertible);
    QCOMPARE(
        refusedValueMessage(mixed.refused.first()),
        QStringLiteral("Algún dato pegado no es un valor numérico: Normal, muestra 1: «abc»."));
    QCOMPARE(refusedValueMessage(mixed.refused.last()),
             QStringLiteral("Algún dato pegado no es un valor numérico: Normal, muestra 2: «»."));
    QVERIFY(!planPaste("1.5\n\n", 1, 2, 4, 6, ",").convertible);
}

void PasteTest::blocksFillTheGridAsTyping() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    main.FileNew();
    TFinforma* study = acceptCountAndEnterGrid(main, QStringLiteral("3"));
    auto* grid = study->grid();
    main.setCommandEnabled("mnuinforme", false);
    main.setEstado(QString());

    // Three rows of values from a spreadsheet, each line ended by CR LF,
    // pasted at the first value of Normal: the text stays as copied.
    // The values are written with the system's decimal separator.
    grid->setCurrentCell(1, 2);
    paste(localDecimals("99.8\t98.7\t101.2\r\n100\t1.0\t103\r\n1.5E2\t99\t104\r\n"));
    const QStringList values = {localDecimals("100|1.0|103"), localDecimals("1.5E2|99|104")};
    QCOMPARE(rows(study), QStringList({"||", localDecimals("99.8|98.7|101.2")}) + values);
    QCOMPARE(main.estadoText(), QStringLiteral("Modificado"));
    QCOMPARE(editorText(), localDecimals("99.8"));
    // It filled the last cell: as typed there, Tab now leaves the grid,
    // whose check passes on the pasted values and keeps the grid.
    QVERIFY(main.isCommandEnabled("mnuinforme"));
    pressKey(Qt::Key_Tab);
    settle();
    QCOMPARE(boxes.texts.size(), 0);
    QCOMPARE(focusControl(), grid);

    // The settings row and the first values, by the grid's menu. The block
    // ends in the last column but not the last row: Tab moves between cells.
    QAction* entry = study->findChild<QMenu*>("pmenu")->actions().value(2);
    QCOMPARE(entry->objectName(), QStringLiteral("pmnupegar"));
    QCOMPARE(entry->text(), QStringLiteral("&Pegar"));
    QCOMPARE(entry->statusTip(),
             QStringLiteral("Pega un bloque de valores copiado de una hoja de cálculo"));
    grid->setTabMovesBetweenCells(false);
    grid->setCurrentCell(1, 1);
    QGuiApplication::clipboard()->setText(localDecimals("25 °C\t20 °C\t30 °C\r\n100.1\t99.1\t102"));
    entry->trigger();
    QCOMPARE(rows(study),
             QStringList({"25 °C|20 °C|30 °C", localDecimals("100.1|99.1|102")}) + values);
    QVERIFY(grid->tabMovesBetweenCells());

    // One value goes into the current cell only.
    grid->setCurrentCell(2, 3);
    paste(localDecimals("99.4\n"));
    QCOMPARE(rows(study).at(2), localDecimals("100|99.4|103"));
    QCOMPARE(boxes.texts.size(), 0);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void PasteTest::refusedPastesChangeNothing() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    main.FileNew();
    TFinforma* study = main.studyWindow();
    const QStringList fresh = rows(study);
    // Before the count is accepted, as entering the grid.
    QGuiApplication::clipboard()->setText(QStringLiteral("1\t2\n"));
    boxes.expect(QStringLiteral("Falta aceptar el número de muestras (replicas)."));
    study->findChild<QAction*>("pmnupegar")->trigger();
    QCOMPARE(rows(study), fresh);

    acceptCountAndEnterGrid(main, QStringLiteral("2"));
    study->grid()->setCurrentCell(1, 3);
    typeText(QStringLiteral("7"));
    main.setEstado(QString());
    const QStringList before = {"||", "||", "7||"};
    QCOMPARE(rows(study), before);
    const struct {
        int column, row;
        const char* text;
        QString message;
    } cases[] = {
        {2, 2, "1\t2\t3\r\n",
         kTooLarge + "\nEl bloque tiene 1 fila y 3 columnas; desde la celda actual caben 2 "
                     "filas y 2 columnas."},
        {1, 3, "1\n2\n",
         kTooLarge + "\nEl bloque tiene 2 filas y 1 columna; desde la celda actual caben 1 fila "
                     "y 3 columnas."},
        {1, 2, "1\t2\n3\t4Ω\n", kBadCharacters + "\nCarácter «Ω» en Baja, muestra 2."},
        {1, 1, "→", kBadCharacters + "\nCarácter «→» en Normal, valor de la condición."},
        {2, 1, "x\ty😀", kBadCharacters + "\nCarácter «😀» en Alta, valor de la condición."},
    };
    for (const auto& c : cases) {
        study->grid()->setCurrentCell(c.column, c.row);
        boxes.expect(c.message);
        paste(QString::fromUtf8(c.text));
        QCOMPARE(boxes.texts.last(), c.message);
        QCOMPARE(rows(study), before);
    }
    QCOMPARE(boxes.texts.size(), 6);
    QCOMPARE(main.estadoText(), QString());

    // Values go in only as the grid's check takes them, with the system's
    // decimal separator; settings stay free text. The messages for either
    // separator, written out.
    const bool comma = QLocale::system().decimalPoint() == QStringLiteral(",");
    const QString other = comma ? QStringLiteral(".") : QStringLiteral(",");
    const auto otherDecimals = [&other](QString text) {
        return text.replace(QLatin1Char('#'), other);
    };
    const QString notNumeric = otherDecimals(
        QStringLiteral("Algún dato pegado no es un valor numérico: Normal, muestra 1: «1#5»."));
    study->grid()->setCurrentCell(1, 1);
    boxes.expect(notNumeric);
    paste(otherDecimals(QStringLiteral("25 °C\t20 °C\n1#5\tabc\n")));
    QCOMPARE(rows(study), before);
    // Written with the other separator: one question; No pastes nothing,
    // Yes converts them.
    const QString question =
        comma ? QStringLiteral("Hay 2 valores pegados con punto (.) como separador decimal, pero "
                               "su sistema usa la coma (,). ¿Cambiar el punto por la coma al "
                               "pegarlos?")
              : QStringLiteral("Hay 2 valores pegados con coma (,) como separador decimal, pero su "
                               "sistema usa el punto (.). ¿Cambiar la coma por el punto al "
                               "pegarlos?");
    const QString block = otherDecimals(QStringLiteral("25 °C\t\n1#5\t2#25\n"));
    study->grid()->setCurrentCell(1, 1);
    boxes.expect(question, QMessageBox::No);
    paste(block);
    QCOMPARE(rows(study), before);
    boxes.expect(question, QMessageBox::Yes);
    paste(block);
    QCOMPARE(rows(study), QStringList({"25 °C||", localDecimals("1.5|2.25|"), "7||"}));
    QCOMPARE(boxes.texts.size(), 9);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void PasteTest::undoRestoresTheCellsBeforeThePaste() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    main.FileNew();
    TFinforma* study = acceptCountAndEnterGrid(main, QStringLiteral("2"));
    study->grid()->setCurrentCell(1, 2);
    typeText(QStringLiteral("5"));
    const QStringList typed = {"||", "5||", "||"};
    const QStringList pasted = {"||", "7|8|", "9|10|"};
    paste(QStringLiteral("7\t8\n9\t10\n"));
    QCOMPARE(rows(study), pasted);
    pressKey(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(rows(study), typed);
    QCOMPARE(editorText(), QStringLiteral("5"));
    pressKey(Qt::Key_Z, Qt::ControlModifier); // one step only
    QCOMPARE(rows(study), typed);
    // The same with the keys on the grid itself rather than its editor.
    QTest::keyClick(study->grid(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(rows(study), pasted);
    QTest::keyClick(study->grid(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(rows(study), typed);
    // Typing after a paste ends its undo: Ctrl+Z is the editor's own again.
    paste(QStringLiteral("7\t8\n9\t10\n"));
    typeText(QStringLiteral("1"));
    pressKey(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(rows(study), pasted);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void PasteTest::viewOnlyStudyTakesNoPaste() {
    BoxAnswerer boxes;
    QTemporaryDir dir;
    QFile file(dir.filePath("estudio.w1o"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("M\r\nA\r\nF\r\n2\r\nC\r\n" + QByteArray("25\r\n1\r\n2\r\n").repeated(3));
    file.close();
    Frame frame;
    TMainForm& main = *frame.main;
    QVERIFY(main.openStudyFile(file.fileName()));
    TFinforma* study = main.studyWindow();
    QVERIFY(study->isViewOnly());
    const QStringList shown = rows(study);
    QCOMPARE(shown.at(1), QStringLiteral("1|1|1"));
    main.setEstado(QString());
    QGuiApplication::clipboard()->setText(QStringLiteral("9\t9\n"));
    study->grid()->setCurrentCell(1, 2);
    QVERIFY(!study->findChild<QAction*>("pmnupegar")->isEnabled());
    study->pmnupegarClick();
    QTest::keyClick(study->grid(), Qt::Key_V, Qt::ControlModifier);
    settle();
    QCOMPARE(rows(study), shown);
    QCOMPARE(main.estadoText(), QString());
    QVERIFY(boxes.texts.isEmpty());
}

ROBUSTEZ_WINDOW_TEST_MAIN(PasteTest)
#include "paste_test.moc"
