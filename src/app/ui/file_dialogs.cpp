#include "app/ui/file_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace robustez {

namespace {

const QString kFolderSetting = QStringLiteral("dialogos/ultimaCarpeta");

QString documentsFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

} // namespace

QString dialogStartFolder() {
    const QString last = QSettings().value(kFolderSetting).toString();
    if (!last.isEmpty() && QFileInfo(last).isDir()) {
        return last;
    }
    return documentsFolder();
}

void rememberDialogFolder(const QString& chosenFile) {
    if (!chosenFile.isEmpty()) {
        QSettings().setValue(kFolderSetting, QFileInfo(chosenFile).absolutePath());
    }
}

void startDialogAt(QFileDialog& dialog, const QString& proposed) {
    const QFileInfo name(proposed);
    if (!proposed.isEmpty() && name.isAbsolute()) {
        dialog.setDirectory(name.absolutePath());
        dialog.selectFile(name.fileName());
        return;
    }
    dialog.setDirectory(dialogStartFolder());
    if (!proposed.isEmpty()) {
        dialog.selectFile(proposed);
    }
}

QString runStartedDialog(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    const QString chosen = dialog.selectedFiles().constFirst();
    rememberDialogFolder(chosen);
    return chosen;
}

} // namespace robustez
