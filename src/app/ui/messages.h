#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace robustez {

// The application's title: the caption of its message boxes and the name
// the desktop shows for the running program.
inline const QString kApplicationTitle = QStringLiteral("Robustez del Método");

// A plain message box: the application's title as caption, the text, one OK
// button, no icon; modal.
void showMessage(QWidget* parent, const QString& text);

// A question with the buttons Yes and No, Yes preselected; Escape and the
// box's close button answer No. True for Yes.
bool askYesNo(QWidget* parent, const QString& text);

// The question before a changed document's window closes ("Guardar
// archivo?"), Yes preselected. Escape and the box's close button answer
// neither: the window stays.
enum class CloseAnswer { Save, Discard, Keep };
CloseAnswer askToSaveChanges(QWidget* parent);

// The standard error box, showing an error's message text, and, on the next
// line, its explanation when the message is a known one (explainedMessage).
void showErrorBox(QWidget* parent, const QString& text);

// Runs a command; an error it raises ends it and is shown in the error box.
// Returns false when the command ended with an error.
bool runCommand(QWidget* parent, const std::function<void()>& command);

// Shows the busy cursor for as long as it lives.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace robustez
