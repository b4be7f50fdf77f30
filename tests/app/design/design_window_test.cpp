// The design window: a screen planned by keys, its responses typed and
// pasted, its runs laid out again only after the user agrees, its file saved
// and read back, and its close question.
#include "app/design/design_window.h"
#include "app/frame/window_test_support.h"
#include "core/design/design_editing.h"
#include "core/design/design_file.h"
#include "core/design/designs.h"
#include "core/design/run_table.h"
#include "core/report/worksheet_page.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using robustez::design::DesignStudy;
using robustez::design::RunType;
using testing_support::BoxAnswerer;
using testing_support::localDecimals;

namespace {

// A main window with the design window as the child of its frame.
struct Host {
    QMainWindow main;
    QMdiArea* area = new QMdiArea;
    TFdiseno* design = new TFdiseno;
    Host() {
        main.setCentralWidget(area);
        area->addSubWindow(design)->show();
        main.resize(1000, 700);
        main.show();
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
    }
    ~Host() {
        // Close without the question: the tests check their own closing.
        design->askSavePath = [](QWidget*, const QString&) { return QString(); };
        design->loadDesign(design->designStudy(), QStringLiteral("/nonexistent/x.w1d"));
    }
    template <typename T> T* child(const char* name) const {
        return design->findChild<T*>(QString::fromLatin1(name));
    }
    void page(int index) { child<QTabWidget>("pages")->setCurrentIndex(index); }
};

// Lets a box close and the main window take the focus back (the offscreen
// platform has no window manager to do it).
void settle(QWidget* main) {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        if (QApplication::activeWindow() == nullptr) {
            main->activateWindow();
        }
    }
    if (!QTest::qWaitFor([] { return QApplication::activeModalWidget() == nullptr; }, 1000)) {
        qWarning("a modal box is still open");
    }
}

void type(QWidget* main, const QString& text) {
    for (QChar c : text) {
        QTest::keyClick(QApplication::focusWidget(), char(c.unicode()));
        settle(main);
    }
}

void key(QWidget* main, Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), k, modifiers);
    settle(main);
}

// Three factors, one response, PB8 with two nominal runs in random order.
DesignStudy sampleStudy() {
    DesignStudy study;
    study.method = "Valoración";
    study.analyst = "Ana";
    study.date = "08/12/2026";
    study.factors = {{"Temperatura", "°C", "20", "25", "30"},
                     {"pH", "", "2.9", "3.0", "3.1"},
                     {"Columna", "", "lote A", "lote A", "lote B"}};
    study.responses = {{"Contenido", "%"}};
    study.design = "PB8";
    study.nominalRuns = 2;
    study.seed = 7;
    robustez::design::layOutStudy(study);
    return study;
}

void fillValues(DesignStudy& study) {
    for (std::size_t r = 0; r < study.runs.size(); ++r) {
        study.runs[r].values = {99.0 + 0.25 * double(r)};
    }
}

int responseColumn(const DesignStudy& study) {
    return 2 + int(study.factors.size());
}

} // namespace

class DesignWindowTest : public QObject {
    Q_OBJECT

private slots:
    void aDesignTypedByKeys();
    void pastedResponses();
    void asksBeforeMovingTypedResponses();
    void modifiedOnlyByARealChange();
    void savedAndReadBack();
    void closeQuestion();
    void copiedRunsReadBack();
    void aRunTableKeepsItsRuns();
    void focusStaysWhereTheUserPutIt();
    void runNumbersStayInSight();
};

void DesignWindowTest::aDesignTypedByKeys() {
    Host host;
    BoxAnswerer boxes;
    QWidget* main = &host.main;
    QCOMPARE(host.design->windowTitle(), QStringLiteral("Diseño de robustez — Nuevo"));
    // A new design: one response, no factor and so no run.
    QCOMPARE(host.design->designStudy().responses.size(), 1U);
    QCOMPARE(host.design->designStudy().responses[0].name, std::string("Contenido"));
    QVERIFY(host.design->designStudy().runs.empty());

    settle(main);
    QCOMPARE(QApplication::focusWidget(), host.child<QLineEdit>("emetodo"));
    type(main, "Valoracion");
    key(main, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), host.child<QLineEdit>("eanalista"));
    type(main, "Ana");
    key(main, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), host.child<QLineEdit>("efecha"));
    type(main, "08/12/2026");

    // Tab to the page tabs, Right to "Factores", Alt+T into its table;
    // Insert adds a factor, each cell typed and taken with Enter, Right to
    // the next.
    key(main, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), host.child<QTabWidget>("pages")->tabBar());
    key(main, Qt::Key_Right);
    key(main, Qt::Key_T, Qt::AltModifier);
    auto* factors = host.child<QTableWidget>("tfactores");
    QCOMPARE(testing_support::focusControl(), factors);
    const QList<QStringList> typed = {
        {"Temperatura", "C", "20", "25", "30"},
        {"pH", "", localDecimals("2.9"), localDecimals("3.0"), localDecimals("3.1")},
        {"Columna", "", "lote A", "lote A", "lote B"}};
    for (const QStringList& row : typed) {
        key(main, Qt::Key_Insert);
        for (int c = 0; c < row.size(); ++c) {
            if (!row[c].isEmpty()) {
                type(main, row[c]);
                key(main, Qt::Key_Return);
            }
            if (c + 1 < row.size()) {
                key(main, Qt::Key_Right);
            }
        }
    }
    DesignStudy study = host.design->designStudy();
    QCOMPARE(study.method, std::string("Valoracion"));
    QCOMPARE(study.analyst, std::string("Ana"));
    QCOMPARE(study.date, std::string("08/12/2026"));
    QCOMPARE(study.factors.size(), 3U);
    QCOMPARE(study.factors[1].low, std::string("2.9")); // kept with a point
    QCOMPARE(study.factors[1].high, std::string("3.1"));
    QCOMPARE(study.factors[2].high, std::string("lote B"));
    // Three factors: PB8 (7 columns) leaves four dummies, at least three.
    QCOMPARE(study.design, std::string("PB8"));
    QCOMPARE(study.runs.size(), 8U);
    auto* designs = host.child<QTableWidget>("tdisenos");
    QCOMPARE(designs->item(designs->currentRow(), 0)->text(), QStringLiteral("PB8"));
    QCOMPARE(designs->item(designs->currentRow(), 4)->text(), QStringLiteral("4"));

    // Diseño: two nominal runs typed into the spin box.
    key(main, Qt::Key_PageDown, Qt::ControlModifier);
    QCOMPARE(testing_support::focusControl(), designs);
    key(main, Qt::Key_N, Qt::AltModifier);
    type(main, "2");
    key(main, Qt::Key_Return);
    study = host.design->designStudy();
    QCOMPARE(study.nominalRuns, 2);
    QCOMPARE(study.runs.size(), 10U);

    // Corridas: each run shows the settings to use; responses typed down
    // the column with Enter.
    host.page(3);
    auto* runs = host.child<QTableWidget>("tcorridas");
    for (int r = 0; r < runs->rowCount(); ++r) {
        const std::vector<int> codes = robustez::design::factorCodes(study, study.runs[r]);
        for (int f = 0; f < 3; ++f) {
            const QString expected = codes[f] < 0   ? typed[f][2]
                                     : codes[f] > 0 ? typed[f][4]
                                                    : typed[f][3];
            QCOMPARE(runs->item(r, 2 + f)->text(), expected);
        }
    }
    key(main, Qt::Key_R, Qt::AltModifier);
    runs->setCurrentCell(0, responseColumn(study));
    type(main, localDecimals("99.5"));
    key(main, Qt::Key_Return);
    type(main, "100");
    key(main, Qt::Key_Return);
    study = host.design->designStudy();
    QCOMPARE(study.runs[0].values[0], std::optional<double>(99.5));
    QCOMPARE(study.runs[1].values[0], std::optional<double>(100));
    QVERIFY(!study.runs[2].values[0]);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void DesignWindowTest::pastedResponses() {
    Host host;
    host.design->loadDesign(sampleStudy(), QString());
    host.page(3);
    auto* runs = host.child<QTableWidget>("tcorridas");
    const DesignStudy study = host.design->designStudy();
    const int column = responseColumn(study);
    struct Case {
        const char* what;
        QString clipboard;
        int row;
        QString message;                             // empty: pasted
        std::vector<std::optional<double>> expected; // runs 2..4 after the paste
    };
    const QString other = QLocale::system().decimalPoint() == "," ? "." : ",";
    const QList<Case> cases = {
        {"a block", localDecimals("99.1\n99.2\r\n\n"), 1, {}, {99.1, 99.2, std::nullopt}},
        {"a bad cell",
         localDecimals("98.1\nabc\n98.3\n"),
         1,
         QStringLiteral("Algún dato pegado no es un valor numérico: Contenido, corrida 3: «abc»."),
         {99.1, 99.2, std::nullopt}},
        {"too large",
         "1\n2\n",
         9,
         QStringLiteral("El bloque pegado no cabe en la tabla a partir de la celda seleccionada."
                        "\nEl bloque tiene 2 filas y 1 columna; desde la celda actual caben 1 "
                        "fila y 1 columna."),
         {99.1, 99.2, std::nullopt}},
    };
    for (const Case& c : cases) {
        BoxAnswerer boxes;
        if (!c.message.isEmpty()) {
            boxes.expect(c.message);
        }
        QGuiApplication::clipboard()->setText(c.clipboard);
        runs->setFocus();
        runs->setCurrentCell(c.row, column);
        key(&host.main, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(boxes.pending(), 0);
        VERIFY_NO_UNEXPECTED_BOXES(boxes);
        const DesignStudy now = host.design->designStudy();
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(now.runs[1 + i].values[0], c.expected[i]);
        }
    }
    // The other decimal separator: converted when the user agrees.
    BoxAnswerer boxes;
    boxes.expectContaining(QStringLiteral("como separador decimal"), QMessageBox::Yes);
    QGuiApplication::clipboard()->setText(QStringLiteral("97") + other + "5\n");
    runs->setCurrentCell(5, column);
    host.design->findChild<QAction*>("pmnupegar")->trigger(); // the menu's "&Pegar"
    settle(&host.main);
    QCOMPARE(boxes.pending(), 0);
    QCOMPARE(host.design->designStudy().runs[5].values[0], std::optional<double>(97.5));
    QVERIFY(host.design->isModified());
    // Delete empties the cell again.
    key(&host.main, Qt::Key_Delete);
    QVERIFY(!host.design->designStudy().runs[5].values[0]);
}

void DesignWindowTest::asksBeforeMovingTypedResponses() {
    Host host;
    DesignStudy study = sampleStudy();
    fillValues(study);
    host.design->loadDesign(study, QStringLiteral("/tmp/muestra.w1d"));
    auto* nominal = host.child<QSpinBox>("enominales");
    host.page(2);
    const QString dropOne =
        QStringLiteral("Ya hay respuestas capturadas y este cambio vuelve a disponer las "
                       "corridas.\nCada valor se conserva en su corrida mientras ésta siga en el "
                       "diseño; se descartará 1 valor de una corrida que ya no existe.\n¿Hacer el "
                       "cambio?");
    {
        BoxAnswerer boxes;
        boxes.expect(dropOne, QMessageBox::No);
        nominal->setValue(1);
        QCOMPARE(boxes.pending(), 0);
        VERIFY_NO_UNEXPECTED_BOXES(boxes);
        QCOMPARE(nominal->value(), 2);
        const DesignStudy now = host.design->designStudy();
        QCOMPARE(now.runs.size(), study.runs.size());
        for (std::size_t r = 0; r < now.runs.size(); ++r) {
            QCOMPARE(now.runs[r].values, study.runs[r].values);
        }
        QVERIFY(!host.design->isModified());
    }
    {
        BoxAnswerer boxes;
        boxes.expect(dropOne, QMessageBox::Yes);
        nominal->setValue(1);
        QCOMPARE(boxes.pending(), 0);
        const DesignStudy now = host.design->designStudy();
        QCOMPARE(now.runs.size(), 9U);
        // Every design run keeps its value, found by its row of the design;
        // the first nominal run keeps its own.
        for (const auto& run : now.runs) {
            const auto same =
                std::find_if(study.runs.begin(), study.runs.end(), [&](const auto& o) {
                    return o.type == run.type && o.standardIndex == run.standardIndex;
                });
            QVERIFY(same != study.runs.end());
            QCOMPARE(run.values, same->values);
        }
        QVERIFY(host.design->isModified());
    }
    {
        // A factor's name and a setting's text move no run: no question.
        BoxAnswerer boxes;
        auto* factors = host.child<QTableWidget>("tfactores");
        factors->item(0, 0)->setText(QStringLiteral("Temperatura del horno"));
        factors->item(0, 2)->setText(QStringLiteral("21"));
        VERIFY_NO_UNEXPECTED_BOXES(boxes);
        const DesignStudy now = host.design->designStudy();
        QCOMPARE(now.factors[0].name, std::string("Temperatura del horno"));
        QCOMPARE(now.columns[0].name, std::string("Temperatura del horno"));
        QCOMPARE(now.factors[0].low, std::string("21"));
        QCOMPARE(robustez::design::measuredValueCount(now), 9);
    }
    {
        // Every control that moves runs asks; No leaves it and the runs as
        // they were.
        auto* designs = host.child<QTableWidget>("tdisenos");
        const DesignStudy before = host.design->designStudy();
        const QList<std::pair<const char*, std::function<void()>>> changes = {
            {"order", [&] { host.child<QRadioButton>("restandar")->click(); }},
            {"seed", [&] { host.child<QPushButton>("bsemilla")->click(); }},
            {"design", [&] { designs->setCurrentCell(designs->currentRow() + 1, 0); }},
        };
        for (const auto& [what, change] : changes) {
            BoxAnswerer boxes;
            boxes.expectContaining(QStringLiteral("¿Hacer el cambio?"), QMessageBox::No);
            change();
            settle(&host.main);
            QCOMPARE(boxes.pending(), 0);
            const DesignStudy now = host.design->designStudy();
            QVERIFY2(now.randomOrder && now.seed == before.seed && now.design == before.design,
                     what);
            QVERIFY2(host.child<QRadioButton>("raleatorio")->isChecked(), what);
            QCOMPARE(designs->item(designs->currentRow(), 0)->text(), QStringLiteral("PB8"));
            for (std::size_t r = 0; r < now.runs.size(); ++r) {
                QCOMPARE(now.runs[r].values, before.runs[r].values);
            }
        }
    }
    {
        // A factor more: its runs were never measured; No keeps them all.
        BoxAnswerer boxes;
        boxes.expectContaining(QStringLiteral("se descartarán 8 valores"), QMessageBox::No);
        host.page(1);
        host.child<QPushButton>("bagregar")->click();
        QCOMPARE(boxes.pending(), 0);
        QCOMPARE(host.design->designStudy().factors.size(), 3U);
        QCOMPARE(robustez::design::measuredValueCount(host.design->designStudy()), 9);
    }
}

void DesignWindowTest::modifiedOnlyByARealChange() {
    Host host;
    QSignalSpy spy(host.design, &TFdiseno::modifiedChanged);
    settle(&host.main);
    // Keys that change no text.
    for (Qt::Key k : {Qt::Key_Return, Qt::Key_Left, Qt::Key_Backspace, Qt::Key_Delete}) {
        key(&host.main, k);
    }
    QVERIFY(!host.design->isModified());
    QCOMPARE(spy.count(), 0);
    type(&host.main, "x");
    QVERIFY(host.design->isModified());
    QCOMPARE(spy.count(), 1);

    host.design->loadDesign(sampleStudy(), QStringLiteral("/tmp/muestra.w1d"));
    QVERIFY(!host.design->isModified());
    QCOMPARE(host.design->windowTitle(), QStringLiteral("Diseño de robustez — muestra.w1d"));
    // A cell opened and taken as it was marks nothing.
    host.page(1);
    auto* factors = host.child<QTableWidget>("tfactores");
    factors->setFocus();
    factors->setCurrentCell(0, 0);
    key(&host.main, Qt::Key_F2);
    key(&host.main, Qt::Key_Return);
    QVERIFY(!host.design->isModified());
    // Escape takes a typed cell back.
    type(&host.main, "Horno");
    key(&host.main, Qt::Key_Escape);
    QCOMPARE(host.design->designStudy().factors[0].name, std::string("Temperatura"));
    QCOMPARE(factors->item(0, 0)->text(), QStringLiteral("Temperatura"));
    host.design->loadDesign(sampleStudy(), QString());
    QVERIFY(host.design->isModified()); // a run table's screen is unsaved
}

void DesignWindowTest::savedAndReadBack() {
    QTemporaryDir dir;
    Host host;
    // A new design, without factors yet, is a file too.
    const QString empty = dir.filePath("vacío.w1d");
    host.design->askSavePath = [&empty](QWidget*, const QString&) { return empty; };
    QCOMPARE(host.design->save(), TFdiseno::SaveOutcome::Saved);
    QVERIFY(robustez::design::loadDesignFile(QFile::encodeName(empty).toStdString()).runs.empty());

    DesignStudy study = sampleStudy();
    fillValues(study);
    study.runs[3].values[0].reset();
    host.design->loadDesign(study, QString());
    QStringList proposals;
    QString answer;
    host.design->askSavePath = [&](QWidget*, const QString& proposed) {
        proposals << proposed;
        return answer;
    };
    QSignalSpy names(host.design, &TFdiseno::documentNameChanged);
    QVERIFY(!host.design->responsesComplete()); // run 4 is not measured

    // A response that is not a number is never lost in the file: the save
    // is refused naming it, then the cell is set right.
    auto* runs = host.child<QTableWidget>("tcorridas");
    QTableWidgetItem* cell = runs->item(3, responseColumn(study));
    cell->setText(QStringLiteral("1,2,3"));
    {
        BoxAnswerer boxes;
        boxes.expect(QStringLiteral("Algún dato capturado no es un valor numérico: Contenido, "
                                    "corrida 4: «1,2,3»."));
        QCOMPARE(host.design->save(), TFdiseno::SaveOutcome::Failed);
        QCOMPARE(boxes.pending(), 0);
        QCOMPARE(runs->currentItem(), cell);
        QVERIFY(proposals.isEmpty());
    }
    cell->setText(QString());

    // Cancelled, then failed: the name and the mark stay.
    QCOMPARE(host.design->save(), TFdiseno::SaveOutcome::Cancelled);
    answer = dir.filePath("no/existe/x.w1d");
    {
        BoxAnswerer boxes;
        boxes.expectContaining(QStringLiteral("I/O error"));
        QCOMPARE(host.design->saveAs(), TFdiseno::SaveOutcome::Failed);
        QCOMPARE(boxes.pending(), 0);
    }
    QCOMPARE(host.design->documentName(), QStringLiteral("Nuevo"));
    QVERIFY(host.design->isModified());
    QCOMPARE(proposals, QStringList({"Nuevo", "Nuevo"}));

    answer = dir.filePath("diseño.w1d");
    QCOMPARE(host.design->save(), TFdiseno::SaveOutcome::Saved);
    QCOMPARE(host.design->documentName(), answer);
    QCOMPARE(host.design->windowTitle(), QStringLiteral("Diseño de robustez — diseño.w1d"));
    QVERIFY(!host.design->isModified());
    QCOMPARE(names.count(), 1);

    QFile file(answer);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const DesignStudy read = robustez::design::decodeDesignFile(file.readAll().toStdString());
    QCOMPARE(read.method, study.method);
    QCOMPARE(read.analyst, study.analyst);
    QCOMPARE(read.date, study.date);
    QCOMPARE(read.design, study.design);
    QCOMPARE(read.kind, study.kind);
    QCOMPARE(read.nominalRuns, study.nominalRuns);
    QCOMPARE(read.randomOrder, study.randomOrder);
    QCOMPARE(read.seed, study.seed);
    QCOMPARE(read.factors.size(), study.factors.size());
    for (std::size_t f = 0; f < read.factors.size(); ++f) {
        QCOMPARE(read.factors[f].name, study.factors[f].name);
        QCOMPARE(read.factors[f].unit, study.factors[f].unit);
        QCOMPARE(read.factors[f].low, study.factors[f].low);
        QCOMPARE(read.factors[f].nominal, study.factors[f].nominal);
        QCOMPARE(read.factors[f].high, study.factors[f].high);
    }
    QCOMPARE(read.responses.size(), 1U);
    QCOMPARE(read.responses[0].unit, std::string("%"));
    QCOMPARE(read.columns.size(), study.columns.size());
    QCOMPARE(read.runs.size(), study.runs.size());
    for (std::size_t r = 0; r < read.runs.size(); ++r) {
        QCOMPARE(read.runs[r].type, study.runs[r].type);
        QCOMPARE(read.runs[r].standardIndex, study.runs[r].standardIndex);
        QCOMPARE(read.runs[r].codes, study.runs[r].codes);
        QCOMPARE(read.runs[r].values, study.runs[r].values);
    }

    // Saved again under its name, without the dialog.
    host.page(0);
    host.child<QLineEdit>("emetodo")->setFocus();
    settle(&host.main);
    type(&host.main, "!");
    QCOMPARE(host.design->save(), TFdiseno::SaveOutcome::Saved);
    QCOMPARE(proposals.size(), 3);
    QCOMPARE(names.count(), 1);
}

void DesignWindowTest::closeQuestion() {
    Host host;
    QSignalSpy closed(host.design, &TFdiseno::designClosed);
    host.design->loadDesign(sampleStudy(), QString());
    const QString text = QStringLiteral("Se realizaron cambios!\nQuiere guardar su información?");
    int asked = 0;
    host.design->askSavePath = [&asked](QWidget*, const QString&) {
        ++asked;
        return QString();
    };
    BoxAnswerer boxes;
    boxes.expectEscape(text);             // keeps the window
    boxes.expect(text, QMessageBox::Yes); // the save is cancelled: kept
    boxes.expect(text, QMessageBox::No);  // closes
    auto* frame = host.design->parentWidget();
    for (int attempt = 0; attempt < 3; ++attempt) {
        frame->close();
        settle(&host.main);
        if (attempt < 2) {
            QVERIFY(frame->isVisible());
            QVERIFY(host.design->isModified());
            QCOMPARE(closed.count(), 0);
        }
    }
    QCOMPARE(boxes.pending(), 0);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
    QCOMPARE(boxes.captions.value(0), QStringLiteral("Guardar archivo?"));
    QCOMPARE(asked, 1);
    QCOMPARE(closed.count(), 1);
}

void DesignWindowTest::copiedRunsReadBack() {
    Host host;
    {
        // No factor yet, no run to copy.
        BoxAnswerer boxes;
        boxes.expect(QStringLiteral("El diseño todavía no tiene corridas."));
        host.child<QPushButton>("bcopiar")->click();
        QCOMPARE(boxes.pending(), 0);
    }
    DesignStudy study = sampleStudy();
    fillValues(study);
    host.design->loadDesign(study, QStringLiteral("/tmp/muestra.w1d"));
    host.page(3);
    host.child<QPushButton>("bcopiar")->click();
    const std::string text = QGuiApplication::clipboard()->text().toStdString();
    const DesignStudy read =
        robustez::design::decodeRunTable(text, QLocale::system().decimalPoint().toStdString())
            .study;
    QCOMPARE(read.runs.size(), study.runs.size());
    for (std::size_t r = 0; r < read.runs.size(); ++r) {
        QCOMPARE(read.runs[r].type, study.runs[r].type);
        // The settings to use (a text factor's low level is the one met first).
        for (std::size_t f = 0; f < study.factors.size(); ++f) {
            QCOMPARE(robustez::worksheetSetting(read, f, read.runs[r], "."),
                     robustez::worksheetSetting(study, f, study.runs[r], "."));
        }
        QCOMPARE(read.runs[r].values, study.runs[r].values);
    }
    QCOMPARE(read.factors[1].low, std::string("2.9"));
    QCOMPARE(read.responses[0].name, std::string("Contenido"));
}

void DesignWindowTest::aRunTableKeepsItsRuns() {
    QTemporaryDir dir;
    Host host;
    DesignStudy sample = sampleStudy();
    fillValues(sample);
    const std::string separator = QLocale::system().decimalPoint().toStdString();
    const DesignStudy table = robustez::design::decodeRunTable(
                                  robustez::design::encodeRunTable(sample, separator), separator)
                                  .study;
    host.design->loadDesign(table, QString());
    QVERIFY(host.design->isModified());
    host.page(2);
    auto* designs = host.child<QTableWidget>("tdisenos");
    QCOMPARE(designs->item(designs->currentRow(), 0)->text(), QStringLiteral("Tabla de corridas"));
    QVERIFY(!host.child<QSpinBox>("enominales")->isEnabled());

    // Saved as a design file, the runs are the table's.
    const QString path = dir.filePath("tabla.w1d");
    host.design->askSavePath = [&path](QWidget*, const QString&) { return path; };
    QCOMPARE(host.design->save(), TFdiseno::SaveOutcome::Saved);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const DesignStudy read = robustez::design::decodeDesignFile(file.readAll().toStdString());
    QCOMPARE(read.kind, robustez::design::DesignKind::Table);
    QCOMPARE(read.runs.size(), table.runs.size());
    for (std::size_t r = 0; r < read.runs.size(); ++r) {
        QCOMPARE(read.runs[r].codes, table.runs[r].codes);
        QCOMPARE(read.runs[r].values, table.runs[r].values);
    }

    // A factor more leaves the table's layout for the proposed design, once agreed.
    BoxAnswerer boxes;
    boxes.expectContaining(QStringLiteral("se descartarán 12 valores"), QMessageBox::Yes);
    host.child<QPushButton>("bagregar")->click();
    QCOMPARE(boxes.pending(), 0);
    const DesignStudy now = host.design->designStudy();
    QCOMPARE(now.design, std::string("PB8"));               // 4 factors + 3 dummies fit 7 columns
    QCOMPARE(robustez::design::measuredValueCount(now), 2); // the nominal runs' values
    QCOMPARE(designs->item(0, 0)->text(), QStringLiteral("PB8"));
}

void DesignWindowTest::focusStaysWhereTheUserPutIt() {
    Host host;
    QWidget* other = new QWidget;
    QMdiSubWindow* otherFrame = host.area->addSubWindow(other);
    otherFrame->show();
    auto* designFrame = qobject_cast<QMdiSubWindow*>(host.design->parentWidget());
    host.area->setActiveSubWindow(designFrame);
    settle(&host.main);
    // Alt and a page's mnemonic, then keys of the factors table.
    host.page(1);
    key(&host.main, Qt::Key_T, Qt::AltModifier);
    auto* factors = host.child<QTableWidget>("tfactores");
    key(&host.main, Qt::Key_Insert);
    key(&host.main, Qt::Key_Insert, Qt::ControlModifier);
    QCOMPARE(factors->rowCount(), 2);
    QCOMPARE(testing_support::focusControl(), factors);
    key(&host.main, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(factors->rowCount(), 1);
    // Another window of the frame, and back: the focus is in the table again.
    host.area->setActiveSubWindow(otherFrame);
    settle(&host.main);
    host.area->setActiveSubWindow(designFrame);
    settle(&host.main);
    QCOMPARE(testing_support::focusControl(), factors);
    // From the table's first cell Shift+Tab goes back to the page tabs.
    key(&host.main, Qt::Key_Home, Qt::ControlModifier);
    key(&host.main, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), host.child<QTabWidget>("pages")->tabBar());
    key(&host.main, Qt::Key_Tab);
    QCOMPARE(testing_support::focusControl(), factors);
    // Maximized and restored by the frame, the window keeps the user's control.
    host.page(0);
    QTest::mouseClick(host.child<QLineEdit>("emetodo"), Qt::LeftButton);
    settle(&host.main);
    for (int round = 0; round < 2; ++round) {
        round == 0 ? designFrame->showMaximized() : designFrame->showNormal();
        settle(&host.main);
        QCOMPARE(QApplication::focusWidget(), host.child<QLineEdit>("emetodo"));
    }
    host.page(1);
    QTest::mouseClick(factors->viewport(), Qt::LeftButton, {},
                      factors->visualItemRect(factors->item(0, 0)).center());
    settle(&host.main);
    // A button's mnemonic stands: Alt+G adds a factor, the focus on the new one.
    key(&host.main, Qt::Key_G, Qt::AltModifier);
    QTRY_COMPARE(factors->rowCount(), 2); // a mnemonic clicks after a moment
    QCOMPARE(factors->currentRow(), 1);
}

ROBUSTEZ_WINDOW_TEST_MAIN(DesignWindowTest)
#include "design_window_test.moc"

// A narrow window scrolled right to the last response still shows each
// run's number and type beside it, and the current cell clear of them.
void DesignWindowTest::runNumbersStayInSight() {
    Host host;
    host.design->loadDesign(sampleStudy(), QString());
    host.design->parentWidget()->resize(420, 400);
    host.page(3);
    auto* runs = host.child<QTableWidget>("tcorridas");
    const int last = runs->columnCount() - 1;
    runs->setCurrentCell(runs->rowCount() - 1, last);
    QApplication::processEvents();
    QVERIFY(runs->horizontalScrollBar()->value() > 0);
    auto* leading = host.child<QTableView>("tcorridasFijas");
    QVERIFY(leading != nullptr && leading->isVisible());
    QCOMPARE(leading->width(), runs->columnWidth(0) + runs->columnWidth(1));
    for (int c = 0; c < runs->columnCount(); ++c) {
        QCOMPARE(leading->isColumnHidden(c), c >= 2);
    }
    const QModelIndex number = runs->model()->index(runs->rowCount() - 1, 0);
    QVERIFY(leading->viewport()->rect().contains(leading->visualRect(number)));
    QCOMPARE(leading->model()->data(number).toString(), QString::number(runs->rowCount()));
    QVERIFY(runs->visualRect(runs->currentIndex()).left() >= leading->width());
    // Back to the first factor's column: scrolled out from under the numbers.
    runs->setCurrentCell(0, 2);
    QApplication::processEvents();
    QVERIFY(runs->visualRect(runs->currentIndex()).left() >= leading->width());
}
