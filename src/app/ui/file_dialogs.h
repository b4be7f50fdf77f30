#pragma once

#include <QString>

class QFileDialog;
class QWidget;

namespace robustez {

// The folder the program's open and save dialogs start in: the folder of the
// last file chosen in any of them (remembered between runs), or, when none
// was chosen yet or that folder is gone, the user's documents folder; never
// the program's working folder.
QString dialogStartFolder();

// Remembers the folder of a file chosen in a dialog.
void rememberDialogFolder(const QString& chosenFile);

// Starts the dialog in dialogStartFolder() with `proposed` as its file name:
// a relative name ("Nuevo") in that folder, a full path in its own folder.
void startDialogAt(QFileDialog& dialog, const QString& proposed);

// Runs a dialog started with startDialogAt; the chosen file (remembered) or
// an empty text when the user cancels.
QString runStartedDialog(QFileDialog& dialog);

// A save dialog for a drawing as PDF, SVG or PNG, the suffix following the
// type chosen; the path chosen, or an empty text when cancelled.
QString askDrawingSavePath(QWidget* parent, const QString& title, const QString& proposed);

} // namespace robustez
