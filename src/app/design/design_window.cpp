#include "app/design/design_window.h"

#include <QCloseEvent>
#include <QFileInfo>

namespace {

const QString kNewDocument = QStringLiteral("Nuevo");

} // namespace

TFdiseno::TFdiseno(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Fdiseno"));
    setProperty("helpContext", kHelpContext);
    updateTitle();
}

robustez::design::DesignStudy TFdiseno::designStudy() const {
    return study_;
}

void TFdiseno::loadDesign(const robustez::design::DesignStudy& study, const QString& path) {
    study_ = study;
    path_ = path;
    updateTitle();
    setModified(path.isEmpty());
}

QString TFdiseno::documentName() const {
    return path_.isEmpty() ? kNewDocument : path_;
}

bool TFdiseno::isModified() const {
    return modified_;
}

bool TFdiseno::responsesComplete() const {
    if (study_.runs.empty() || study_.responses.empty()) {
        return false;
    }
    for (const robustez::design::DesignRun& run : study_.runs) {
        for (const auto& value : run.values) {
            if (!value) {
                return false;
            }
        }
    }
    return true;
}

TFdiseno::SaveOutcome TFdiseno::save() {
    return SaveOutcome::Failed;
}

TFdiseno::SaveOutcome TFdiseno::saveAs() {
    return SaveOutcome::Failed;
}

void TFdiseno::setModified(bool modified) {
    if (modified_ != modified) {
        modified_ = modified;
        emit modifiedChanged(modified);
    }
}

void TFdiseno::updateTitle() {
    setWindowTitle(QStringLiteral("Diseño de robustez — ") +
                   (path_.isEmpty() ? kNewDocument : QFileInfo(path_).fileName()));
}

void TFdiseno::closeEvent(QCloseEvent* event) {
    if (!closed_) {
        closed_ = true;
        emit designClosed(this);
    }
    event->accept();
}
