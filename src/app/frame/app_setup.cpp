#include "app/frame/app_setup.h"

#include "app/ui/messages.h"
#include "app/ui/pictures.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace robustez {

void setUpApplication(QApplication& app) {
    QApplication::setApplicationName(kApplicationTitle);
    QApplication::setOrganizationName(QStringLiteral("Robustez"));
    QGuiApplication::setDesktopFileName(QStringLiteral("robustez"));
    // Every window without an icon of its own shows the program's, not the
    // toolkit's.
    QApplication::setWindowIcon(QIcon(programIconPath()));

    // The windows name Windows typefaces; these stand in where they are missing.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("System"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});

    // The standard dialogs and buttons speak Spanish whatever the system language.
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(translator);
    }
}

} // namespace robustez
