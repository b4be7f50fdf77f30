#pragma once

#include "app/frame/app_setup.h"

#include <QApplication>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <memory>

class TFinforma;
class TMainForm;
class QWidget;

namespace testing_support {

// Answers the application's message boxes from a test: each box that
// appears is read (caption and text) and answered with the next expected
// button. A box that appears when none is expected is answered with its
// escape button and recorded as unexpected.
class BoxAnswerer : public QObject {
    Q_OBJECT

public:
    BoxAnswerer();
    ~BoxAnswerer() override;

    // Expects a box with this text, answered with this button.
    void expect(const QString& text, QMessageBox::StandardButton answer = QMessageBox::Ok);
    // Expects a box whose text contains this part (a message of the platform
    // or of Qt's translations, in words the program does not choose),
    // answered with this button.
    void expectContaining(const QString& part,
                          QMessageBox::StandardButton answer = QMessageBox::Ok);
    // Expects a box with this text, answered with the Escape key, or with the
    // box's own close button.
    void expectEscape(const QString& text);
    void expectCloseBox(const QString& text);

    QStringList texts;                           // every box seen, in order
    QStringList captions;                        // their captions
    QStringList unexpected;                      // boxes that came unasked or with another text
    QList<QMessageBox::StandardButton> defaults; // each box's default button
    int pending() const { return int(expected_.size()); }

    // Empties what was recorded.
    void clear();

private:
    void poll();

    enum class How { Button, EscapeKey, CloseBox };
    struct Expected {
        QString text;
        QMessageBox::StandardButton answer;
        How how = How::Button;
        bool part = false;
    };
    std::deque<Expected> expected_;
    QTimer timer_;
};

// A main window shown and active, with the window's file dialogs replaced.
struct Frame {
    Frame();
    ~Frame();
    std::unique_ptr<TMainForm> main;
    QStringList openProposals;       // names the open dialog was shown with
    QStringList saveProposals;       // names the save dialog was shown with
    std::deque<QString> openAnswers; // paths the dialog returns ("" = cancel)
    std::deque<QString> saveAnswers;
};

// Lets queued focus handling run and the main window become active again.
// Returns whether it did within a second; when not, it says so on the test's
// output, naming what was missing (a window, a modal box still open, the focus).
bool settle();
// The number as the program shows it under the system locale: every '.' of
// the text becomes the locale's decimal separator. The program takes its
// separator from the locale, so the window tests expect either.
QString localDecimals(const QString& text);
// Sends every character of text to the widget that has the focus.
void typeText(const QString& text);
// Sends one key to the widget that has the focus.
void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Clicks near the right end of the widget, as the user moves into an edit
// to go on typing at the end of its text.
void clickInto(QWidget* widget);
// The widget with the focus, or its item view when the focus is in a cell editor.
QWidget* focusControl();
// On the open study's second page: types the count, accepts it with the
// keyboard and goes on into the grid (the condition left empty).
TFinforma* acceptCountAndEnterGrid(TMainForm& main, const QString& count);
// Writes the system locale's name and decimal separator on the test's output.
void reportDecimalSeparator();

} // namespace testing_support

// Fails the test with the boxes that appeared unasked.
#define VERIFY_NO_UNEXPECTED_BOXES(answerer)                                                       \
    QVERIFY2((answerer).unexpected.isEmpty(),                                                      \
             qPrintable(QStringLiteral("unexpected boxes: ") + (answerer).unexpected.join(" | ")))

// The main of a window test: the application set up as the program does,
// the decimal separator it takes from the locale named on the output.
#define ROBUSTEZ_WINDOW_TEST_MAIN(TestClass)                                                       \
    int main(int argc, char* argv[]) {                                                             \
        QApplication app(argc, argv);                                                              \
        robustez::setUpApplication(app);                                                           \
        testing_support::reportDecimalSeparator();                                                 \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
