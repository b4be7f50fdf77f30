// Copying tables as a spreadsheet pastes them: the helper's text, and
// "&Copiar" in the results window by Ctrl+C and by either grid's menu.
#include "app/results/results_window.h"
#include "app/ui/table_copy.h"
#include "core/stats/results_tables.h"
#include "core/study/study_fixtures.h"

#include <QAction>
#include <QClipboard>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

class ResultsCopyTest : public QObject {
    Q_OBJECT

private slots:
    void tablesAsTextFromAnywhereInTheWindow();
    void resultsWindowCopiesBothGrids();
};

void ResultsCopyTest::tablesAsTextFromAnywhereInTheWindow() {
    QWidget window;
    auto* first = new QTableWidget(2, 3, &window);
    first->setLocale(QLocale(QLocale::Spanish, QLocale::Spain));
    first->setItem(0, 0, new QTableWidgetItem(QStringLiteral("Normal")));
    first->setItem(0, 2, new QTableWidgetItem(QStringLiteral("99.5"))); // a text stays as it is
    auto* number = new QTableWidgetItem;
    number->setData(Qt::DisplayRole, 1.5); // shown "1,5"
    first->setItem(1, 1, number);
    auto* second = new QTableWidget(1, 3, &window);
    second->setItem(0, 1, new QTableWidgetItem(QString()));
    second->setItem(0, 2, new QTableWidgetItem(QStringLiteral("x")));
    second->setColumnHidden(0, true);
    auto* button = new QPushButton(QStringLiteral("b"), &window);
    robustez::installTableCopy(&window, {first, second});
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    button->setFocus(); // Ctrl+C serves the whole window, not only its tables
    QTest::keyClick(button, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("Normal\t\t99.5\n\t1,5\t\n\n\tx\n"));
}

void ResultsCopyTest::resultsWindowCopiesBothGrids() {
    robustez::StudyRecord study = robustez::testing::workedExampleGrid({"25 °C", "20 °C", "30 °C"});
    study.conditionName = "Temperatura";
    robustez::RobustnessResults results;
    robustez::computeRobustness(study, ",", results);
    QMdiArea area;
    auto* window = new TFinfo;
    window->fill(robustez::composeResultsTables(results, study, ","));
    area.addSubWindow(window)->show();
    area.show();
    QVERIFY(QTest::qWaitForWindowActive(&area));
    const QString expected = QStringLiteral(
        "\tMEDIA ARITMÉTICA\t  DESVIACIÓN\t COEFICIENTE \t DIFERENCIA \n"
        "MUESTRA\t\t   ESTÁNDAR\t DE VARIACIÓN\t ABSOLUTA\n"
        "Normal\t101\t1\t0,990099\t|d1|= 1\n"
        "Baja\t100\t1\t1\t|d2|= 3\n"
        "Alta\t104\t1\t0,961538\t\n"
        "Total\t101,667\t2\t1,96721\t\n"
        "\n"
        "       CONDICIONES      DE\t    OPERACIÓN\t  t DE DUNET CALCULADA \t         "
        "INTERPRETACIÓN\n"
        "MUESTRA\tTemperatura\t\t\n"
        "Normal\t25 °C\t\t\n"
        "Baja\t20 °C\t-1,22474\tTOLERANTE\n"
        "Alta\t30 °C\t3,67423\tNO TOLERANTE\n");
    QClipboard* clipboard = QGuiApplication::clipboard();
    // Ctrl+C in a grid copies both grids, not the grid's current cell alone.
    window->stgdunet->setFocus();
    window->stgdunet->setCurrentCell(3, 2);
    QTest::keyClick(window->stgdunet, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), expected);
    // Each grid's context menu holds the one entry, which does the same.
    auto* copy = window->findChild<QAction*>(QStringLiteral("mnucopiar"));
    QVERIFY(copy != nullptr);
    QCOMPARE(copy->text(), QStringLiteral("&Copiar"));
    QCOMPARE(window->stgdunet1->actions(), QList<QAction*>({copy}));
    QCOMPARE(window->stgdunet->actions(), QList<QAction*>({copy}));
    QCOMPARE(window->stgdunet1->contextMenuPolicy(), Qt::ActionsContextMenu);
    clipboard->clear();
    copy->trigger();
    QCOMPARE(clipboard->text(), expected);
}

QTEST_MAIN(ResultsCopyTest)
#include "results_copy_test.moc"
