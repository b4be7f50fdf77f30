// The splash and About windows, and the help viewer over the help file.
#include "app/frame/about_box.h"
#include "app/frame/help_viewer.h"
#include "app/frame/splash_window.h"
#include "core/study/error_explanations.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

const QString kHelpFile = QStringLiteral(ROBUSTEZ_HELP_FILE);

// Help contexts of the menu entries and the topic each must open.
struct ContextTopic {
    int context;
    const char* topic;
    const char* title;
};
constexpr ContextTopic kContextTopics[] = {
    {1, "archivo.html", "Menú Archivo"},
    {2, "nuevo.html", "Nuevo"},
    {3, "abrir.html", "Abrir..."},
    {4, "cerrar.html", "Cerrar"},
    {5, "guardar.html", "Guardar"},
    {6, "guardar_como.html", "Guardar como..."},
    {7, "imprimir.html", "Imprimir..."},
    {8, "salir.html", "Salir"},
    {10, "calculos.html", "Menú Cálculos"},
    {11, "dunnett.html", "t de Dunnett"},
    {13, "resumen.html", "Resumen de robustez"},
    {19, "informe.html", "Informe"},
    {20, "ventana.html", "Menú Ventana: Mosaico y Cascada"},
    {30, "ayuda.html", "Menú Ayuda"},
    {31, "ayuda_contenido.html", "Contenido"},
    {32, "ayuda_buscar.html", "Buscar ayuda sobre..."},
    {33, "acerca.html", "Acerca..."},
};

// Closes the next message box that opens and keeps its caption and text.
struct MessageBoxCatcher {
    QString title;
    QString text;
    int seen = 0;
    void arm() {
        QTimer::singleShot(50, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) {
                arm();
                return;
            }
            ++seen;
            title = box->windowTitle();
            text = box->text();
            box->close();
        });
    }
};

} // namespace

class ExtrasTest : public QObject {
    Q_OBJECT
private slots:
    void splashShowsThenHidesAfterItsTimer();
    void aboutWindowsAreIndependentAndOnlyHide();
    void helpRequestsReachTheirTopics();
    void helpContentIsComplete();
    void helpSearchIgnoresAccentsAndCase();
    void missingHelpFileIsReportedByTheViewer();
    void f1OnAHighlightedMenuEntryOpensItsContext();
};

void ExtrasTest::splashShowsThenHidesAfterItsTimer() {
    TFshow splash;
    QVERIFY(splash.isVisible());
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(splash.windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(splash.size(), QSize(500, 425));
    QCOMPARE(splash.Panel1()->geometry(), splash.rect());
    QCOMPARE(splash.Panel1()->lineWidth(), 2);
    QCOMPARE(splash.Label1()->text(), QStringLiteral("ORMIDA v. w 3.1"));
    QCOMPARE(splash.Label1()->geometry(), QRect(80, 16, 302, 36));
    QCOMPARE(splash.Label1()->palette().color(QPalette::WindowText), QColor(0, 0, 128));
    QCOMPARE(splash.Label1()->font().pointSize(), 20);
    QVERIFY(splash.Label1()->font().bold());
    QCOMPARE(splash.Panel2()->geometry(), QRect(56, 55, 377, 289));
    QVERIFY(splash.Image1()->isValid());
    QCOMPARE(splash.Image1()->geometry(), splash.Panel2()->contentsRect());

    // Created stopped: nothing hides the splash until the main window starts the timer.
    QCOMPARE(splash.Timer1()->interval(), 3000);
    QVERIFY(!splash.Timer1()->isActive());
    QTest::qWait(100);
    QVERIFY(splash.isVisible());

    splash.startSplashTimer();
    QVERIFY(splash.Timer1()->isActive());
    QVERIFY(splash.Timer1()->isSingleShot());
    // Another activation while it runs (an About window opened) does not
    // start it afresh: the time left only goes down. No check on how long
    // it took: the machine may be busy.
    QTest::qWait(100);
    const int left = splash.Timer1()->remainingTime();
    QVERIFY(left < 3000);
    splash.startSplashTimer();
    QVERIFY(splash.Timer1()->remainingTime() <= left);
    QTRY_VERIFY_WITH_TIMEOUT(!splash.isVisible(), 10000);
    QVERIFY(!splash.Timer1()->isActive());

    // A later activation starts it again; hiding the hidden window changes nothing.
    splash.Timer1()->setInterval(10);
    splash.startSplashTimer();
    QTRY_VERIFY(!splash.Timer1()->isActive());
    QVERIFY(!splash.isVisible());
}

void ExtrasTest::aboutWindowsAreIndependentAndOnlyHide() {
    QPointer<TAboutBox> first = new TAboutBox;
    QPointer<TAboutBox> second = new TAboutBox;
    QVERIFY(first->isVisible());
    QVERIFY(second->isVisible());
    QVERIFY(!first->isModal());
    QCOMPARE(first->windowTitle(), QStringLiteral("Acerca de"));
    QCOMPARE(first->size(), QSize(365, 251));
    QCOMPARE(first->property("helpContext").toInt(), 33);
    QCOMPARE(first->ProductName()->text(), QStringLiteral("ORMIDA v. w 3.1"));
    QCOMPARE(first->ProductName()->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(first->ProductName()->font().pointSize(), 14);
    QCOMPARE(first->Label10()->text(), QStringLiteral("Control de Calidad"));
    QCOMPARE(first->ProgramIcon()->size(), QSize(81, 73));
    QVERIFY(first->ProgramIcon()->isValid());
    QCOMPARE(first->OKButton()->text(), QStringLiteral("OK"));
    QCOMPARE(first->OKButton()->geometry(), QRect(120, 218, 129, 27));
    QVERIFY(!first->OKButton()->icon().isNull());

    QTest::mouseClick(first->OKButton(), Qt::LeftButton);
    QVERIFY(!first->isVisible());
    QVERIFY(second->isVisible());
    QVERIFY(!first.isNull());

    second->close(); // the close box
    QVERIFY(!second->isVisible());
    QVERIFY(!second.isNull());
    delete first;
    delete second;
}

void ExtrasTest::helpRequestsReachTheirTopics() {
    HelpViewer viewer;
    QStringList problems;
    viewer.reportProblem = [&](const QString& text) { problems << text; };
    viewer.setHelpFile(kHelpFile);

    for (const ContextTopic& entry : kContextTopics) {
        QVERIFY2(viewer.context(entry.context), qPrintable(QString::number(entry.context)));
        QCOMPARE(viewer.currentTopic(), QString::fromUtf8(entry.topic));
        QCOMPARE(viewer.browser()->documentTitle(), QString::fromUtf8(entry.title));
    }
    QVERIFY(viewer.isVisible());

    QVERIFY(viewer.contents());
    QCOMPARE(viewer.currentTopic(), QStringLiteral("contenido.html"));
    QVERIFY(viewer.helpOnHelp());
    QCOMPARE(viewer.currentTopic(), QStringLiteral("como_usar_ayuda.html"));

    // The empty key opens the search with the whole index.
    QVERIFY(viewer.partialKey(QString()));
    QCOMPARE(viewer.currentTopic(), QStringLiteral("buscar.html"));
    QVERIFY(viewer.indexList()->count() > 30);
    QVERIFY(viewer.searchBox()->text().isEmpty());

    // Typing narrows the index; a key naming one keyword opens its topic.
    QTest::keyClicks(viewer.searchBox(), QStringLiteral("tole"));
    QCOMPARE(viewer.indexList()->count(), 2); // "NO TOLERANTE", "TOLERANTE"
    QTest::keyClick(viewer.searchBox(), Qt::Key_Return);
    QCOMPARE(viewer.currentTopic(), QStringLiteral("veredicto.html"));
    QVERIFY(viewer.partialKey(QStringLiteral("copias")));
    QCOMPARE(viewer.currentTopic(), QStringLiteral("imprimir.html"));
    QVERIFY(viewer.partialKey(QStringLiteral("Guardar")));
    QCOMPARE(viewer.currentTopic(), QStringLiteral("buscar.html"));
    QCOMPARE(viewer.indexList()->count(), 2);

    // Links and Back move between topics.
    QVERIFY(viewer.contents());
    viewer.browser()->setSource(QUrl(QStringLiteral("estudio.html")));
    QCOMPARE(viewer.currentTopic(), QStringLiteral("estudio.html"));
    viewer.browser()->backward();
    QCOMPARE(viewer.currentTopic(), QStringLiteral("contenido.html"));
    QVERIFY(problems.isEmpty());

    // A context the help file does not map is reported.
    QVERIFY(!viewer.context(9));
    QCOMPARE(problems.size(), 1);
    QVERIFY(problems[0].contains(u'9'));
}

void ExtrasTest::helpContentIsComplete() {
    HelpViewer viewer;
    viewer.setHelpFile(kHelpFile);
    QVERIFY(viewer.contents());
    // Every page of the help file links only to pages it holds, and every topic
    // is reachable from the contents.
    const QRegularExpression link(QStringLiteral("href=\"([^\"#]+)\""));
    QStringList pages;
    QDirIterator it(QStringLiteral(":/ayuda11tc"), {QStringLiteral("*.html")});
    while (it.hasNext())
        pages << QFileInfo(it.next()).fileName();
    QVERIFY(pages.size() >= 20);
    QFile contents(QStringLiteral(":/ayuda11tc/contenido.html"));
    QVERIFY(contents.open(QIODevice::ReadOnly));
    const QString contentsText = QString::fromUtf8(contents.readAll());
    for (const QString& page : pages) {
        QFile file(QStringLiteral(":/ayuda11tc/") + page);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        for (auto match = link.globalMatch(text); match.hasNext();) {
            const QString target = match.next().captured(1);
            QVERIFY2(pages.contains(target), qPrintable(page + QStringLiteral(" -> ") + target));
        }
        if (page != QStringLiteral("contenido.html"))
            QVERIFY2(contentsText.contains(u'"' + page + u'"'), qPrintable(page));
    }
    // The topic on error messages lists every message an error box explains,
    // with the same explanation ("…" for the part that changes).
    QFile errors(QStringLiteral(":/ayuda11tc/errores.html"));
    QVERIFY(errors.open(QIODevice::ReadOnly));
    const QString errorsText = QString::fromUtf8(errors.readAll());
    for (const robustez::ErrorExplanation& entry : robustez::errorExplanations()) {
        const QString pattern = QString::fromUtf8(entry.pattern.data(), entry.pattern.size());
        const QString explanation =
            QString::fromUtf8(entry.explanation.data(), entry.explanation.size());
        const QString shown = QStringLiteral("<dt>") + QString(pattern).replace(u'*', u'…') +
                              QStringLiteral("</dt>\n<dd>") + explanation + QStringLiteral("</dd>");
        QVERIFY2(errorsText.contains(shown), qPrintable(pattern));
    }
}

void ExtrasTest::helpSearchIgnoresAccentsAndCase() {
    // The keyword rule: the key begins the keyword or one of its words.
    struct Case {
        const char* keyword;
        const char* key;
        bool listed;
    };
    const Case cases[] = {
        {"Cálculos (menú)", "calculo", true},
        {"Cálculos (menú)", "CALCULOS", true},
        {"Cálculos (menú)", "CÁLCULO", true},
        {"Cálculos (menú)", "cÁlCuLo", true},
        {"Hoja de cálculo", "calc", true},
        {"Desviación estándar", "desviacion estandar", true},
        {"Interpretación", "INTERPRETACION", true},
        {"Cómo usar la ayuda", "como", true},
        {"NO TOLERANTE", "tole", true},
        {"Media aritmética", "  media ", true},
        {"Media aritmética", "", true},
        {"Cálculos (menú)", "alculo", false}, // inside a word
        {"Cálculos (menú)", "calculos menu", false},
        {"Guardar", "guardar como", false},
        {"Interpretación", "interpretaciones", false},
    };
    for (const Case& c : cases) {
        QVERIFY2(keywordMatches(QString::fromUtf8(c.keyword), QString::fromUtf8(c.key)) == c.listed,
                 qPrintable(QStringLiteral("%1 / %2").arg(QString::fromUtf8(c.keyword),
                                                          QString::fromUtf8(c.key))));
    }

    // The viewer's index, typed without accents or in capitals.
    HelpViewer viewer;
    QStringList problems;
    viewer.reportProblem = [&](const QString& text) { problems << text; };
    viewer.setHelpFile(kHelpFile);
    struct Search {
        const char* key;
        QStringList listed;
    };
    const Search searches[] = {
        {"calculo", {"Cálculos (menú)", "Hoja de cálculo"}},
        {"CÁLCULO", {"Cálculos (menú)", "Hoja de cálculo"}},
        {"estandar", {"Desviación estándar"}},
    };
    for (const Search& search : searches) {
        QVERIFY(viewer.partialKey(QString()));
        viewer.searchBox()->clear();
        QTest::keyClicks(viewer.searchBox(), QString::fromUtf8(search.key));
        QStringList listed;
        for (int row = 0; row < viewer.indexList()->count(); ++row)
            listed << viewer.indexList()->item(row)->text();
        QCOMPARE(listed, search.listed);
    }
    // A key naming one keyword opens its topic, accents aside.
    QVERIFY(viewer.partialKey(QStringLiteral("interpretacion")));
    QCOMPARE(viewer.currentTopic(), QStringLiteral("veredicto.html"));
    QVERIFY(problems.isEmpty());
}

void ExtrasTest::missingHelpFileIsReportedByTheViewer() {
    HelpViewer viewer;
    QStringList problems;
    viewer.reportProblem = [&](const QString& text) { problems << text; };
    viewer.setHelpFile(QStringLiteral("/nonexistent/AYUDA11TC.rcc"));
    QVERIFY(!viewer.contents());
    QVERIFY(!viewer.context(2));
    QVERIFY(!viewer.partialKey(QString()));
    QCOMPARE(problems.size(), 3);
    QCOMPARE(problems[0], QStringLiteral("No se encuentra el archivo de ayuda AYUDA11TC.rcc"));
    QVERIFY(!viewer.isVisible());

    // The viewer's own message box, with nothing further.
    HelpViewer plain;
    plain.setHelpFile(QStringLiteral("/nonexistent/AYUDA11TC.rcc"));
    MessageBoxCatcher catcher;
    catcher.arm();
    QVERIFY(!plain.helpOnHelp());
    QCOMPARE(catcher.seen, 1);
    QCOMPARE(catcher.text, QStringLiteral("No se encuentra el archivo de ayuda AYUDA11TC.rcc"));
    QVERIFY(!plain.isVisible());

    // Once the file is there the same viewer works.
    viewer.setHelpFile(kHelpFile);
    QVERIFY(viewer.contents());
    QCOMPARE(problems.size(), 3);

    // Next to the program comes first.
    QCOMPARE(QFileInfo(defaultHelpFilePath()).canonicalFilePath(),
             QFileInfo(kHelpFile).canonicalFilePath());
}

void ExtrasTest::f1OnAHighlightedMenuEntryOpensItsContext() {
    HelpViewer& viewer = HelpViewer::instance();
    QStringList problems;
    viewer.reportProblem = [&](const QString& text) { problems << text; };
    viewer.setHelpFile(kHelpFile);
    MenuHelpFilter filter;
    qApp->installEventFilter(&filter);

    QMenu window(QStringLiteral("&Ventana"));
    window.menuAction()->setProperty("helpContext", 20);
    QMenu file(QStringLiteral("&Archivo"));
    file.menuAction()->setProperty("helpContext", 1);
    QAction* save = file.addAction(QStringLiteral("&Guardar"));
    save->setProperty("helpContext", 5);
    QMenu* print = file.addMenu(QStringLiteral("&Imprimir..."));
    print->menuAction()->setProperty("helpContext", 7);
    QAction* laser = print->addAction(QStringLiteral("Lasser"));
    QAction* tile = window.addAction(QStringLiteral("&Mosaico"));
    tile->setProperty("helpContext", 20);

    file.popup(QPoint(10, 10));
    QVERIFY(QTest::qWaitForWindowExposed(&file));
    file.setActiveAction(save);
    QTest::keyClick(&file, Qt::Key_F1);
    QCOMPARE(viewer.currentTopic(), QStringLiteral("guardar.html"));

    // No entry highlighted: the menu's own context.
    file.setActiveAction(nullptr);
    QTest::keyClick(&file, Qt::Key_F1);
    QCOMPARE(viewer.currentTopic(), QStringLiteral("archivo.html"));
    file.close();

    // An entry without a context: its menu's (the submenu "&Imprimir...").
    print->popup(QPoint(10, 10));
    QVERIFY(QTest::qWaitForWindowExposed(print));
    print->setActiveAction(laser);
    QTest::keyClick(print, Qt::Key_F1);
    QCOMPARE(viewer.currentTopic(), QStringLiteral("imprimir.html"));
    print->close();

    // In the help menu F1 is also the shortcut of "&Contenido": the highlighted
    // entry's topic wins.
    QMenu help(QStringLiteral("A&yuda"));
    help.menuAction()->setProperty("helpContext", 30);
    QAction* contentsItem = help.addAction(QStringLiteral("&Contenido"));
    contentsItem->setShortcut(Qt::Key_F1);
    contentsItem->setProperty("helpContext", 31);
    int contentsRuns = 0;
    connect(contentsItem, &QAction::triggered, [&contentsRuns] { ++contentsRuns; });
    QAction* searchItem = help.addAction(QStringLiteral("&Buscar ayuda sobre..."));
    searchItem->setProperty("helpContext", 32);
    help.popup(QPoint(10, 10));
    QVERIFY(QTest::qWaitForWindowExposed(&help));
    help.setActiveAction(searchItem);
    QTest::keyClick(&help, Qt::Key_F1);
    QCOMPARE(viewer.currentTopic(), QStringLiteral("ayuda_buscar.html"));
    QCOMPARE(contentsRuns, 0);
    help.close();

    window.popup(QPoint(10, 10));
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.setActiveAction(tile);
    QTest::keyClick(&window, Qt::Key_F1);
    QCOMPARE(viewer.currentTopic(), QStringLiteral("ventana.html"));
    window.close();

    QVERIFY(problems.isEmpty());
    qApp->removeEventFilter(&filter);
}

QTEST_MAIN(ExtrasTest)
#include "extras_test.moc"
