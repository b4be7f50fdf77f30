#include "ui/messages.h"

#include "study/errors.h"

#include <QApplication>
#include <QMessageBox>

#include <exception>

namespace robustez {

void showMessage(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, kApplicationTitle, text, QMessageBox::Ok, parent);
    box.exec();
}

void showErrorBox(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Critical, kApplicationTitle, text, QMessageBox::Ok, parent);
    box.exec();
}

bool runCommand(QWidget* parent, const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (const RobustezError& error) {
        showErrorBox(parent, QString::fromStdString(error.what()));
    } catch (const std::exception& error) {
        showErrorBox(parent, QString::fromLocal8Bit(error.what()));
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
