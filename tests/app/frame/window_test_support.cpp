#include "app/frame/window_test_support.h"

#include "app/frame/app_setup.h"
#include "app/frame/main_form.h"
#include "app/study/study_window.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

namespace testing_support {

BoxAnswerer::BoxAnswerer() {
    timer_.setInterval(10);
    connect(&timer_, &QTimer::timeout, this, &BoxAnswerer::poll);
    timer_.start();
}

BoxAnswerer::~BoxAnswerer() = default;

void BoxAnswerer::expect(const QString& text, QMessageBox::StandardButton answer) {
    expected_.push_back({text, answer});
}

void BoxAnswerer::expectContaining(const QString& part, QMessageBox::StandardButton answer) {
    expected_.push_back({part, answer, How::Button, true});
}

void BoxAnswerer::expectEscape(const QString& text) {
    expected_.push_back({text, QMessageBox::NoButton, How::EscapeKey});
}

void BoxAnswerer::expectCloseBox(const QString& text) {
    expected_.push_back({text, QMessageBox::NoButton, How::CloseBox});
}

void BoxAnswerer::clear() {
    texts.clear();
    captions.clear();
    unexpected.clear();
    defaults.clear();
    expected_.clear();
}

void BoxAnswerer::poll() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) {
        return;
    }
    texts.append(box->text());
    captions.append(box->windowTitle());
    defaults.append(box->defaultButton() != nullptr ? box->standardButton(box->defaultButton())
                                                    : QMessageBox::NoButton);
    QAbstractButton* button = nullptr;
    if (expected_.empty()) {
        unexpected.append(box->text());
        button = box->escapeButton() != nullptr ? box->escapeButton() : box->buttons().value(0);
    } else {
        const Expected next = expected_.front();
        expected_.pop_front();
        const bool matches = next.part ? box->text().contains(next.text) : box->text() == next.text;
        if (!matches) {
            unexpected.append(
                QStringLiteral("expected '%1', got '%2'").arg(next.text, box->text()));
        }
        if (next.how == How::EscapeKey) {
            QTest::keyClick(box, Qt::Key_Escape);
            return;
        }
        if (next.how == How::CloseBox) {
            box->close();
            return;
        }
        button = box->button(next.answer);
        if (button == nullptr) {
            unexpected.append(QStringLiteral("no such button on '%1'").arg(box->text()));
            button = box->buttons().value(0);
        }
    }
    if (button != nullptr) {
        button->click();
    }
}

Frame::Frame() : main(std::make_unique<TMainForm>()) {
    main->setOpenDialog([this](QWidget*, const QString& proposed) {
        openProposals.append(proposed);
        if (openAnswers.empty()) {
            return QString();
        }
        QString answer = openAnswers.front();
        openAnswers.pop_front();
        return answer;
    });
    main->setSaveDialog([this](QWidget*, const QString& proposed) {
        saveProposals.append(proposed);
        if (saveAnswers.empty()) {
            return QString();
        }
        QString answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    });
    main->resize(1000, 700);
    main->show();
    main->activateWindow();
    if (!QTest::qWaitForWindowActive(main.get())) {
        qWarning("main window did not become active");
    }
}

Frame::~Frame() {
    // Close without questions: the tests check their own closing.
    if (main->estadoText() == QStringLiteral("Modificado")) {
        main->setEstado(QString());
    }
    main->close();
}

QWidget* focusControl() {
    QWidget* focus = QApplication::focusWidget();
    for (QWidget* w = focus; w != nullptr; w = w->parentWidget()) {
        if (qobject_cast<QAbstractItemView*>(w) != nullptr) {
            return w;
        }
    }
    return focus;
}

// Waits until a window of the program is active again after a message box.
bool settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        // The offscreen platform has no window manager to reactivate the
        // main window when a message box closes.
        if (QApplication::activeWindow() == nullptr && TMainForm::instance() != nullptr &&
            TMainForm::instance()->isVisible()) {
            TMainForm::instance()->activateWindow();
        }
    }
    const bool settled = QTest::qWaitFor(
        [] {
            QWidget* active = QApplication::activeWindow();
            return active != nullptr && QApplication::activeModalWidget() == nullptr &&
                   QApplication::focusWidget() != nullptr;
        },
        1000);
    if (!settled) {
        const QWidget* modal = QApplication::activeModalWidget();
        qWarning("settle: not settled after 1 s: %s",
                 QApplication::activeWindow() == nullptr ? "no active window"
                 : modal != nullptr                      ? modal->metaObject()->className()
                                                         : "no focus widget");
    }
    return settled;
}

QString localDecimals(const QString& text) {
    return QString(text).replace(QLatin1Char('.'), QLocale::system().decimalPoint());
}

void reportDecimalSeparator() {
    qInfo("locale %s, decimal separator '%s'", qPrintable(QLocale::system().name()),
          qPrintable(QLocale::system().decimalPoint()));
}

void clickInto(QWidget* widget) {
    settle(); // a user clicks once the window has caught up
    QTest::mouseClick(widget, Qt::LeftButton, {},
                      QPoint(widget->width() - 3, widget->height() / 2));
}

TFinforma* acceptCountAndEnterGrid(TMainForm& main, const QString& count) {
    TFinforma* study = main.studyWindow();
    study->findChild<QTabWidget*>("Thojas")->setCurrentIndex(1);
    auto* edit = study->findChild<QLineEdit*>("ereplica1");
    clickInto(edit);
    settle();
    edit->selectAll();
    typeText(count);
    pressKey(Qt::Key_Return); // to the accept button
    pressKey(Qt::Key_Space);  // accept: to the condition edit
    pressKey(Qt::Key_Tab);    // into the grid
    return study;
}

void typeText(const QString& text) {
    for (QChar c : text) {
        QWidget* focus = QApplication::focusWidget();
        if (focus == nullptr) {
            qWarning("no focus widget to type into");
            return;
        }
        if (c.unicode() < 128) {
            QTest::keyClick(focus, char(c.unicode()));
        } else {
            QTest::sendKeyEvent(QTest::Click, focus, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
        settle();
    }
}

void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr) {
        qWarning("no focus widget for the key");
        return;
    }
    QTest::keyClick(focus, key, modifiers);
    settle();
}

} // namespace testing_support
