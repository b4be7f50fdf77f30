// Robustez: start-up of the program.
#include "app/frame/app_setup.h"
#include "app/frame/main_form.h"

#include <QApplication>
#include <QTimer>

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

    // A study named on the command line is opened as "&Abrir..." would.
    QTimer::singleShot(0, &mainForm,
                       [&mainForm] { mainForm.openCommandLineStudy(QApplication::arguments()); });
    return QApplication::exec();
}
