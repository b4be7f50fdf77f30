#include "app/ui/messages.h"

#include "core/study/error_explanations.h"
#include "core/study/errors.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <exception>

namespace robustez {

void showMessage(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, kApplicationTitle, text, QMessageBox::Ok, parent);
    box.exec();
}

CloseAnswer askToSaveChanges(QWidget* parent) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Guardar archivo?"),
                    QStringLiteral("Se realizaron cambios!\nQuiere guardar su información?"),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    // Escape and the box's close button go to this hidden button.
    box.setEscapeButton(box.addButton(QMessageBox::Cancel));
    box.button(QMessageBox::Cancel)->hide();
    switch (box.exec()) {
    case QMessageBox::Yes:
        return CloseAnswer::Save;
    case QMessageBox::No:
        return CloseAnswer::Discard;
    default:
        return CloseAnswer::Keep;
    }
}

bool askYesNo(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, kApplicationTitle, text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void showErrorBox(QWidget* parent, const QString& text) {
    // The message stays the first line; a known one gets a second line that
    // says what happened and what to do.
    const QString shown = QString::fromStdString(explainedMessage(text.toStdString()));
    QMessageBox box(QMessageBox::Critical, kApplicationTitle, shown, QMessageBox::Ok, parent);
    box.exec();
}

bool runCommand(QWidget* parent, const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (const RobustezError& error) {
        showErrorBox(parent, QString::fromStdString(error.what()));
    } catch (const std::exception& error) {
        showErrorBox(parent, QString::fromUtf8(error.what()));
    }
    return false;
}

BusyCursor::BusyCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor() {
    QApplication::restoreOverrideCursor();
}

} // namespace robustez
