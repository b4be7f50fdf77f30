// Robustez: start-up of the program.
#include "app/design/design_window.h"
#include "app/frame/app_setup.h"
#include "app/frame/main_form.h"
#include "app/study/study_window.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QMdiArea>
#include <QTimer>

#include <functional>
#include <memory>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);

    // 1. The application's title (the help file is set by the help viewer's hook).
    robustez::setUpApplication(app);

    // 2. The main window; closing it ends the program.
    TMainForm mainForm;

    // 3. The splash window and 4. the hidden print dialogs (TFoppr1, TFOPRT,
    //    TFoppr), with the help, About and print commands.
    mainForm.startExtras();

    // 5. Shown maximized; the message loop runs until the main window closes.
    mainForm.showMaximized();
    mainForm.activateWindow();

    // A study named on the command line is opened as "&Abrir..." would, a
    // design file or a run table as "Abrir d&iseño..." would, once the window
    // manager has given the frame its maximized size: a window opened before
    // that would be shrunk to the frame's first, smaller client area. It
    // waits for an area that holds the window at its designed size, or two
    // seconds at most (a screen smaller than that, no window manager).
    const QStringList arguments = QApplication::arguments();
    const QSize window = arguments.size() > 1 && TMainForm::opensAsDesign(arguments.at(1))
                             ? TFdiseno::kFrameDesignSize
                             : TFinforma::kFrameDesignSize;
    auto deadline = std::make_shared<QDeadlineTimer>(2000);
    auto openWhenSized = std::make_shared<std::function<void()>>();
    *openWhenSized = [&mainForm, deadline, openWhenSized, window] {
        const QSize area = mainForm.mdiArea()->viewport()->size();
        if ((area.width() < window.width() || area.height() < window.height()) &&
            !deadline->hasExpired()) {
            QTimer::singleShot(20, &mainForm, *openWhenSized);
            return;
        }
        mainForm.openCommandLineStudy(QApplication::arguments());
        *openWhenSized = nullptr;
    };
    QTimer::singleShot(0, &mainForm, *openWhenSized);
    return QApplication::exec();
}
