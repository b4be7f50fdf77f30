#include "app/design/design_effects_window.h"

#include <QFileInfo>

TFefectos::TFefectos(const robustez::design::DesignStudy& study, const QString& documentName,
                     const std::string& decimalSeparator, QWidget* parent)
    : HelpTopicWindow(kHelpContext, parent), study_(study), separator_(decimalSeparator) {
    setObjectName(QStringLiteral("Fefectos"));
    setWindowTitle(QStringLiteral("Efectos del diseño — ") + QFileInfo(documentName).fileName());
    watchHelpKey();
}
