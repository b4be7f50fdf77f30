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

QString askDrawingSavePath(QWidget* parent, const QString& title, const QString& proposed) {
    QFileDialog dialog(parent, title);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("PDF (*.pdf);;SVG (*.svg);;PNG (*.png)"));
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    startDialogAt(dialog, proposed);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& f) {
        dialog.setDefaultSuffix(f.section(QLatin1Char('.'), 1).section(QLatin1Char(')'), 0, 0));
    });
    return runStartedDialog(dialog);
}

} // namespace robustez
