// The window "Efectos del diseño" on the example screen examples/diseno_pb8.w1d
// (Plackett-Burman 8: four factors, three dummies, three nominal runs; the
// responses Contenido and Resolución).
//
// The expected numbers were computed with R from Debian, independently of
// the program: lm(y ~ X) on the coded design (X the 8 x 7 matrix of -1/+1),
// each effect E = 2 b; the base of %E the mean of the nominal runs; from the
// dummies se = sqrt(mean(E_d^2)), t = E / se, p = 2 pt(-|t|, 3), E_crit =
// qt(0.975, 3) se; from the nominal runs se = 2 sd(nominal) / sqrt(8), p =
// 2 pt(-|t|, 2), E_crit = qt(0.975, 2) se; Dong's E_crit qt(0.975, m) s1 and
// Lenth's ME qt(0.975, 7/3) PSE; printed with sprintf("%.6g") and p with
// sprintf("%.4f"); the dummies' and nominal runs' se and t quantile too.
#include "app/design/design_effects_window.h"
#include "app/frame/help_viewer.h"
#include "app/frame/main_form.h"
#include "app/frame/window_test_support.h"
#include "app/results/detail_window.h"
#include "core/design/run_table.h"

#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

#include <array>

using robustez::design::DesignStudy;
using robustez::design::Estimate;
using robustez::design::RunType;
using testing_support::localDecimals;

namespace {

std::string systemSeparator() {
    return QLocale::system().decimalPoint().toStdString();
}

DesignStudy example() {
    return robustez::design::loadScreenFile(ROBUSTEZ_EXAMPLES_DIR "/diseno_pb8.w1d",
                                            systemSeparator());
}

// The example with only `nominal` of its nominal runs and, without dummies,
// its dummy columns turned into factors.
DesignStudy variant(int nominal, bool dummies) {
    DesignStudy study = example();
    std::vector<robustez::design::DesignRun> runs;
    int kept = 0;
    for (const robustez::design::DesignRun& run : study.runs) {
        if (run.type == RunType::Design || kept++ < nominal) {
            runs.push_back(run);
        }
    }
    study.runs = runs;
    study.nominalRuns = nominal;
    if (!dummies) {
        for (robustez::design::DesignColumn& column : study.columns) {
            if (column.factor < 0) {
                column.factor = int(study.factors.size());
                study.factors.push_back({column.name, "", "1", "2", "3"});
            }
        }
    }
    return study;
}

QString pdfText(const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The letter after '&' in a text ("&&" is a plain '&'), lower case; empty
// without one.
QString mnemonicOf(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == u'&') {
            if (text[i + 1] != u'&') {
                return text.mid(i + 1, 1).toLower();
            }
            ++i;
        }
    }
    return {};
}

QStringList rowTexts(const QTableWidget* table, int row) {
    QStringList texts;
    for (int c = 0; c < table->columnCount(); ++c) {
        texts << table->item(row, c)->text();
    }
    return texts;
}

QStringList headerTexts(const QTableWidget* table) {
    QStringList texts;
    for (int c = 0; c < table->columnCount(); ++c) {
        texts << table->horizontalHeaderItem(c)->text();
    }
    return texts;
}

void useTemporarySettings(const QTemporaryDir& dir) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("ajustes"));
    QSettings().remove(QLatin1String(TFdetalle::kLimitSetting));
}

} // namespace

class DesignEffectsTest : public QObject {
    Q_OBJECT

private slots:
    void tableAgreesWithAnIndependentFit();
    void estimatesTheDesignCannotGiveAreDisabled();
    void limitJudgesEquivalence();
    void copySaveAndPrint();
    void mnemonicsAreTheWindowsOwn();
};

void DesignEffectsTest::tableAgreesWithAnIndependentFit() {
    QTemporaryDir dir;
    useTemporarySettings(dir);
    TFefectos window(example(), QStringLiteral("/datos/diseno_pb8.w1d"), systemSeparator());
    QCOMPARE(window.windowTitle(), QStringLiteral("Efectos del diseño — diseno_pb8.w1d"));
    QCOMPARE(window.cbrespuesta->count(), 2);
    QCOMPARE(window.cbrespuesta->itemText(0), QStringLiteral("Contenido (%)"));
    QCOMPARE(window.cbrespuesta->itemText(1), QStringLiteral("Resolución"));
    // Three dummies: the dummies' estimate by default, every one offered.
    QCOMPARE(window.defaultEstimate(), Estimate::Dummy);
    QVERIFY(window.rbestimacion[0]->isChecked());
    for (QRadioButton* radio : window.rbestimacion) {
        QVERIFY(radio->isEnabled());
    }

    struct Case {
        int response;
        Estimate estimate;
        int row;
        const char* cells;         // E, %E, t, p, E_crit, verdict, tab-separated
        const char* estimateLines; // the estimate and its figures
    };
    const Case cases[] = {
        {0, Estimate::Dummy, 0, "0.9075\t0.910931\t14.1333\t0.0008\t0.204345\tSIGNIFICATIVO",
         "Estimación usada: efectos de los factores ficticios, E_crit = 0.204345\n"
         "Ficticios: n = 3, gl = 3, se(E) = 0.0642099, t crítica = 3.18245, E_crit = 0.204345"},
        {0, Estimate::Dummy, 5, "-0.0075\t-0.00752836\t-0.116804\t0.9144\t0.204345\t(ficticio)",
         nullptr},
        {0, Estimate::Nominal, 1, "-0.1375\t-0.13802\t-5.13623\t0.0359\t0.115185\tSIGNIFICATIVO",
         "Estimación usada: ensayos nominales, E_crit = 0.115185"},
        {0, Estimate::Dong, 2, "0.0575\t0.0577174\t—\t—\t0.187119\tNO SIGNIFICATIVO",
         "Estimación usada: algoritmo de Dong, E_crit = 0.187119"},
        {0, Estimate::Lenth, 0, "0.9075\t0.910931\t—\t—\t0.239963\tSIGNIFICATIVO",
         "Estimación usada: método de Lenth, E_crit = 0.239963"},
        {1, Estimate::Dummy, 2, "0.4025\t16.7012\t11.837\t0.0013\t0.108215\tSIGNIFICATIVO",
         nullptr},
        {1, Estimate::Nominal, 3,
         "-0.0525\t-2.17842\t-4.28661\t0.0503\t0.0526965\tNO SIGNIFICATIVO",
         "Estimación usada: ensayos nominales, E_crit = 0.0526965\nNominales: n = 3, s = "
         "0.0173205, gl = 2, se(E) = 0.0122474, t crítica = 4.30265, E_crit = 0.0526965"},
        {1, Estimate::Dong, 0, "-0.6975\t-28.9419\t—\t—\t0.0929062\tSIGNIFICATIVO", nullptr},
        {1, Estimate::Lenth, 6, "-0.0125\t-0.518672\t—\t—\t0.0988082\t(ficticio)", nullptr},
    };
    for (const Case& c : cases) {
        window.showResponse(c.response);
        window.rbestimacion[std::size_t(c.estimate)]->click();
        QVERIFY(window.rbestimacion[std::size_t(c.estimate)]->isChecked());
        QTableWidget* table = window.stgefectos;
        QCOMPARE(headerTexts(table),
                 QStringList({"Columna", "E", "%E", "t", "p", "E_crit", "Veredicto"}));
        QCOMPARE(table->rowCount(), 7);
        QCOMPARE(rowTexts(table, c.row).mid(1).join(QLatin1Char('\t')),
                 localDecimals(QString::fromUtf8(c.cells)));
        if (c.estimateLines != nullptr) {
            QVERIFY2(window.lestimacion->text().startsWith(
                         localDecimals(QString::fromUtf8(c.estimateLines))),
                     qPrintable(window.lestimacion->text()));
        }
    }
    QCOMPARE(window.stgefectos->item(0, 0)->text(), QStringLiteral("Temperatura de la columna"));
    QVERIFY(
        window.lestimacion->text().contains(localDecimals("Base del %E (media nominal) = 2.41")));
    // Resolución by Lenth: both factors beyond the margin, with their intervals.
    QCOMPARE(window.lconclusion->text(),
             QStringLiteral("CONCLUSIÓN (Resolución): el método NO ES TOLERANTE a: Temperatura "
                            "de la columna, pH de la fase móvil."));
    QVERIFY(window.lintervalos->text().startsWith(
        QStringLiteral("Intervalo sin efecto significativo (Temperatura de la columna): ")));
}

void DesignEffectsTest::estimatesTheDesignCannotGiveAreDisabled() {
    QTemporaryDir dir;
    useTemporarySettings(dir);
    struct Case {
        int nominal;
        bool dummies;
        std::array<bool, 4> enabled; // Ficticios, Nominales, Dong, Lenth
        Estimate byDefault;
    };
    const Case cases[] = {
        {3, true, {true, true, true, true}, Estimate::Dummy},
        {1, true, {true, false, true, true}, Estimate::Dummy},
        {0, true, {true, false, true, true}, Estimate::Dummy},
        {3, false, {false, true, true, true}, Estimate::Nominal},
        {2, false, {false, true, true, true}, Estimate::Dong},
        {0, false, {false, false, true, true}, Estimate::Dong},
    };
    for (const Case& c : cases) {
        TFefectos window(variant(c.nominal, c.dummies), QStringLiteral("Nuevo"), systemSeparator());
        const QString name =
            QStringLiteral("%1 nominales, ficticios %2").arg(c.nominal).arg(c.dummies);
        QCOMPARE(window.defaultEstimate(), c.byDefault);
        for (std::size_t i = 0; i < 4; ++i) {
            QVERIFY2(window.rbestimacion[i]->isEnabled() == c.enabled[i], qPrintable(name));
            QCOMPARE(window.rbestimacion[i]->isChecked(), i == std::size_t(c.byDefault));
            QCOMPARE(window.rbestimacion[i]->toolTip().isEmpty(), c.enabled[i]);
        }
        QCOMPARE(window.stgefectos->rowCount(), 7);
    }

    // An estimate the design cannot give, and a response without its value:
    // the reason in the conclusion, no table.
    TFefectos noDummies(variant(0, false), QStringLiteral("Nuevo"), systemSeparator());
    noDummies.chooseEstimate(Estimate::Dummy);
    QVERIFY2(noDummies.lconclusion->text().startsWith(
                 QStringLiteral("El diseño no tiene columnas ficticias")),
             qPrintable(noDummies.lconclusion->text()));
    QCOMPARE(noDummies.stgefectos->rowCount(), 0);
    QVERIFY(noDummies.tableText().isEmpty());
    noDummies.chooseEstimate(Estimate::Lenth);
    QCOMPARE(noDummies.stgefectos->rowCount(), 7);

    DesignStudy unmeasured = example();
    unmeasured.runs[2].values[0].reset();
    TFefectos missing(unmeasured, QStringLiteral("Nuevo"), systemSeparator());
    QCOMPARE(missing.lconclusion->text(),
             QStringLiteral("Falta el valor de Contenido en el ensayo 3."));
    QVERIFY(missing.analyses().empty());
}

// Equivalent when 100 (|E| + E_crit) / base <= limit, from the R values:
// Contenido, dummies' E_crit 0.204345, base 99.6233: Temperatura 1.116,
// Flujo 0.343, pH 0.2628, Lote 0.2277 (%).
void DesignEffectsTest::limitJudgesEquivalence() {
    QTemporaryDir dir;
    useTemporarySettings(dir);
    TFefectos window(example(), QStringLiteral("Nuevo"), systemSeparator());
    const QString proven = QStringLiteral("EQUIVALENTE");
    const QString notProven = QStringLiteral("EQUIVALENCIA NO DEMOSTRADA");
    struct Case {
        QString typed;
        bool valid;
        QStringList column; // the Equivalencia column; empty: none
        QString limitLine;  // empty: none
    };
    const QList<Case> cases = {
        {QString(), true, {}, {}},
        {QStringLiteral("1"),
         true,
         {notProven, proven, proven, proven, "", "", ""},
         localDecimals("Límite de equivalencia: 1 % de la base, δ = 0.996233")},
        {localDecimals("0.3"), true, {notProven, notProven, proven, proven, "", "", ""}, {}},
        {QStringLiteral("0.3"), true, {notProven, notProven, proven, proven, "", "", ""}, {}},
        {QStringLiteral("abc"), false, {}, {}},
        {QStringLiteral("-2"), false, {}, {}},
    };
    for (const Case& c : cases) {
        window.elimite->setText(c.typed);
        QTableWidget* table = window.stgefectos;
        QCOMPARE(table->columnCount(), c.column.isEmpty() ? 7 : 8);
        for (int r = 0; r < c.column.size(); ++r) {
            QCOMPARE(table->item(r, 7)->text(), c.column[r]);
        }
        if (!c.limitLine.isEmpty()) {
            QVERIFY2(window.lestimacion->text().endsWith(c.limitLine),
                     qPrintable(window.lestimacion->text()));
        }
        QCOMPARE(window.lequivalencia->text().isEmpty(), c.column.isEmpty());
        // A limit is remembered with the one of "Detalle estadístico".
        if (c.valid) {
            QCOMPARE(QSettings().value(QLatin1String(TFdetalle::kLimitSetting)).toString(),
                     c.typed);
        }
    }
    window.elimite->setText(QStringLiteral("1"));
    QVERIFY(window.lequivalencia->text().startsWith(
        QStringLiteral("Equivalencia (Temperatura de la columna): EQUIVALENCIA NO DEMOSTRADA\n"
                       "Equivalencia (Flujo): EQUIVALENTE")));
    // A new window starts with the limit remembered.
    TFefectos again(example(), QStringLiteral("Nuevo"), systemSeparator());
    QCOMPARE(again.elimite->text(), QStringLiteral("1"));
    QCOMPARE(again.stgefectos->columnCount(), 8);
}

void DesignEffectsTest::copySaveAndPrint() {
    QTemporaryDir dir;
    useTemporarySettings(dir);
    TFefectos window(example(), QStringLiteral("Nuevo"), systemSeparator());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // The lines under the table, or beside it in a wide window.
    for (const int width : {TFefectos::kDesignSize.width(), 1400, TFefectos::kDesignSize.width()}) {
        window.resize(width, TFefectos::kDesignSize.height());
        QTRY_COMPARE(window.width(), width);
        QApplication::processEvents();
        const QRect table = window.stgefectos->geometry();
        const QRect lines = window.lestimacion->geometry();
        const bool beside = width > 1300;
        QVERIFY2(beside ? lines.left() >= table.right() && lines.top() < table.bottom()
                        : lines.top() >= table.bottom(),
                 qPrintable(QStringLiteral("%1: table %2, lines %3, %4")
                                .arg(width)
                                .arg(table.right())
                                .arg(lines.left())
                                .arg(lines.top())));
    }

    // Ctrl+C and Copiar: the table as tab-separated lines, header first.
    for (const bool byKey : {true, false}) {
        QGuiApplication::clipboard()->clear();
        if (byKey) {
            QTest::keyClick(window.stgefectos, Qt::Key_C, Qt::ControlModifier);
        } else {
            window.botoncopiar->click();
        }
        const QStringList lines = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 9); // header, 7 rows, the empty text after the last end
        QCOMPARE(lines[0], QStringLiteral("Columna\tE\t%E\tt\tp\tE_crit\tVeredicto"));
        QCOMPARE(lines[1],
                 localDecimals("Temperatura de la columna\t0.9075\t0.910931\t14.1333\t0.0008\t"
                               "0.204345\tSIGNIFICATIVO"));
        QCOMPARE(lines[7], localDecimals("Ficticio 3\t-0.0275\t-0.027604\t-0.428283\t0.6973\t"
                                         "0.204345\t(ficticio)"));
    }

    // Guardar: the result pages as PDF, the response's figure as SVG or PNG.
    window.showResponse(1);
    struct Case {
        const char* name;
        QByteArray start;
    };
    const Case cases[] = {
        {"efectos.pdf", "%PDF"}, {"efectos.svg", "<?xml"}, {"efectos.png", "\x89PNG"}};
    for (const Case& c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        window.askSavePath = [&](QWidget*, const QString& proposed) {
            return proposed == QStringLiteral("efectos.pdf") ? path : QString();
        };
        window.botonguardar->click();
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly), c.name);
        QVERIFY2(file.read(c.start.size()) == c.start, c.name);
    }
    const QString pages = pdfText(dir.filePath("efectos.pdf"));
    QVERIFY(pages.contains(QStringLiteral("CRIBADO DE ROBUSTEZ POR DISEÑO DE DOS NIVELES")));
    QVERIFY(pages.contains(QStringLiteral("Respuesta: Contenido (%)")));
    QVERIFY(pages.contains(QStringLiteral("Respuesta: Resolución")));
    QFile svg(dir.filePath("efectos.svg"));
    QVERIFY(svg.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(svg.readAll()).contains(QStringLiteral("pH de la fase móvil")));
    QCOMPARE(QImage(dir.filePath("efectos.png")).width(), 2000);
    // Cancelled: nothing written.
    window.askSavePath = [](QWidget*, const QString&) { return QString(); };
    window.botonguardar->click();
    QCOMPARE(QDir(dir.path()).entryList({"efectos*"}).size(), 3);

    // Imprimir: the result pages, on the paper chosen.
    const QString printed = dir.filePath("impreso.pdf");
    window.printSetup = [&](QPrinter& printer, QWidget*) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printed);
        printer.setPageSize(QPageSize(QPageSize::Letter));
        return true;
    };
    window.botonimprimir->click();
    const QString text = pdfText(printed);
    QVERIFY2(text.contains(QStringLiteral("Página 1 de")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Respuesta: Resolución")));

    // F1 opens the window's topic; the design window's topic is context 14.
    HelpViewer& viewer = HelpViewer::instance();
    viewer.setHelpFile(defaultHelpFilePath());
    connect(&window, &HelpTopicWindow::helpRequested, &viewer, &HelpViewer::context);
    QTest::keyClick(window.elimite, Qt::Key_F1);
    QCOMPARE(viewer.currentTopic(), QStringLiteral("efectos.html"));
    QCOMPARE(viewer.browser()->documentTitle(), QStringLiteral("Efectos del diseño"));
    QVERIFY(viewer.context(14));
    QCOMPARE(viewer.currentTopic(), QStringLiteral("diseno.html"));
    QCOMPARE(viewer.browser()->documentTitle(), QStringLiteral("Diseño de robustez"));
    viewer.close();
}

// Alt and a letter of the window reach one control of its own and never
// the frame's menu bar: the same letter in both would make Alt+C alternately
// focus a button and open "Cálculos".
void DesignEffectsTest::mnemonicsAreTheWindowsOwn() {
    testing_support::Frame frame;
    QStringList menus;
    for (const QAction* menu : frame.main->menuBar()->actions()) {
        menus << mnemonicOf(menu->text());
    }
    QVERIFY(menus.contains(QStringLiteral("c"))); // "&Cálculos"
    TFefectos window(example(), QStringLiteral("Nuevo"), systemSeparator());
    QStringList texts;
    for (const QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        texts << button->text();
    }
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        texts << label->text();
    }
    QStringList seen;
    for (const QString& text : texts) {
        const QString letter = mnemonicOf(text);
        if (letter.isEmpty()) {
            continue;
        }
        QVERIFY2(!menus.contains(letter), qPrintable(text));
        QVERIFY2(!seen.contains(letter), qPrintable(text));
        seen << letter;
    }
    QCOMPARE(seen.size(), 9); // Respuesta, Límite, Copiar, Guardar, Imprimir and the estimates
}

ROBUSTEZ_WINDOW_TEST_MAIN(DesignEffectsTest)
#include "design_effects_test.moc"
