// Measures the program's start-up as main() does it (main window, splash,
// hidden print dialogs): from the start of main() to the moment the message
// loop is first idle with the main window shown maximized.
// Prints the elapsed milliseconds and quits.
#include "app/frame/app_setup.h"
#include "app/frame/main_form.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[]) {
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    robustez::setUpApplication(app);
    TMainForm mainForm;
    mainForm.startExtras();
    mainForm.showMaximized();
    bool reported = false;
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                     &app, [&] {
                         if (!reported && mainForm.isVisible()) {
                             reported = true;
                             std::printf("start-up to idle main window: %lld ms\n",
                                         static_cast<long long>(clock.elapsed()));
                             QTimer::singleShot(0, &app, &QApplication::quit);
                         }
                     });
    return QApplication::exec();
}
