#include "app/results/report_window.h"
#include "app/results/results_window.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QTableWidget>
#include <QtTest>

class ReportWindowTest : public QObject {
    Q_OBJECT

private:
    // A report window inside an MDI frame, as the program shows it, with
    // enough long lines for both scroll bars to be needed.
    QPointer<QMdiSubWindow> openReport(QMdiArea& area) {
        auto* report = new Tfrminforme;
        QStringList lines;
        for (int i = 0; i < 60; ++i) {
            lines << QStringLiteral("línea %1 ").arg(i) + QString(200, QLatin1Char('x'));
        }
        report->setLines(lines);
        QMdiSubWindow* frame = area.addSubWindow(report);
        frame->setAttribute(Qt::WA_DeleteOnClose);
        frame->show();
        report->mminforme->setFocus();
        return frame;
    }

private slots:
    void keepsLinesExactly() {
        Tfrminforme report;
        const QStringList lines = {QStringLiteral("ROBUSTEZ"), QStringLiteral(" "),
                                   QStringLiteral("Nombre del método "), QString()};
        report.setLines(lines);
        QCOMPARE(report.lines(), lines);
        QVERIFY(report.mminforme->isReadOnly());
        QCOMPARE(report.mminforme->lineWrapMode(), QPlainTextEdit::NoWrap);
        QCOMPARE(report.windowTitle(), QStringLiteral("Informe"));
    }

    void anyKeyOrClickClosesButScrollBarsDoNot() {
        QMdiArea area;
        area.resize(800, 600);
        area.show();
        QVERIFY(QTest::qWaitForWindowExposed(&area));

        for (const Qt::Key key : {Qt::Key_Down, Qt::Key_C, Qt::Key_Shift}) {
            QPointer<QMdiSubWindow> frame = openReport(area);
            auto* report = qobject_cast<Tfrminforme*>(frame->widget());
            QTest::keyClick(report->mminforme, key,
                            key == Qt::Key_C ? Qt::ControlModifier : Qt::NoModifier);
            QTRY_VERIFY(frame.isNull());
        }

        QPointer<QMdiSubWindow> frame = openReport(area);
        auto* report = qobject_cast<Tfrminforme*>(frame->widget());
        QScrollBar* vertical = report->mminforme->verticalScrollBar();
        QScrollBar* horizontal = report->mminforme->horizontalScrollBar();
        QVERIFY(vertical->isVisible());
        QTest::mouseClick(vertical, Qt::LeftButton, {},
                          QPoint(vertical->width() / 2, vertical->height() - 5));
        QTest::mouseClick(horizontal, Qt::LeftButton, {},
                          QPoint(horizontal->width() - 5, horizontal->height() / 2));
        QCoreApplication::processEvents();
        QVERIFY(!frame.isNull());
        QVERIFY(vertical->value() > 0);

        QTest::mouseClick(report->mminforme->viewport(), Qt::RightButton, {}, QPoint(20, 20));
        QTRY_VERIFY(frame.isNull());
    }

    void resultsWindowShowsTheTablesCellByCell() {
        robustez::ResultsTables tables;
        tables.upper[0][1] = "MEDIA ARITMÉTICA";
        tables.upper[2][4] = "|d1|= 1";
        tables.lower[0][0] = "       CONDICIONES      DE";
        tables.lower[4][3] = "NO TOLERANTE";
        TFinfo window;
        window.fill(tables);
        QCOMPARE(window.stgdunet1->rowCount(), 6);
        QCOMPARE(window.stgdunet1->columnCount(), 5);
        QCOMPARE(window.stgdunet->rowCount(), 5);
        QCOMPARE(window.stgdunet->columnCount(), 4);
        QCOMPARE(window.stgdunet1->item(0, 1)->text(), QStringLiteral("MEDIA ARITMÉTICA"));
        QCOMPARE(window.stgdunet1->item(2, 4)->text(), QStringLiteral("|d1|= 1"));
        QCOMPARE(window.stgdunet1->item(3, 4)->text(), QString());
        QCOMPARE(window.stgdunet->item(0, 0)->text(), QStringLiteral("       CONDICIONES      DE"));
        QCOMPARE(window.stgdunet->item(4, 3)->text(), QStringLiteral("NO TOLERANTE"));
        QCOMPARE(window.stgdunet1->columnWidth(0), 135);
        QCOMPARE(window.stgdunet->columnWidth(3), 180);
        QCOMPARE(window.stgdunet->geometry(), QRect(8, 232, 833, 201));
        QCOMPARE(window.stgdunet1->editTriggers(), QAbstractItemView::NoEditTriggers);
    }
};

QTEST_MAIN(ReportWindowTest)
#include "report_window_test.moc"
