#pragma once

#include <QString>

class QWidget;
class TFinforma;

// What the study window needs from the frame it stands in: the modified
// mark, the command states, the status line, the child count and the
// commands that work on the study. The main window implements it; the study
// window knows nothing else of the frame.
class StudyFrame {
public:
    // The events of the study window that switch the frame's commands.
    enum class StudyEvent {
        PagesEntered,    // the pages received the focus for the first time
        CountAccepted,   // "Ace&ptar número de Muestras" was pressed
        GridEntered,     // the focus entered the grid with the count accepted
        LastCellTyped,   // a key was typed in the grid's last column and last row
        Closed,          // the study window closed, by whatever means
        LastChildClosed, // ... and it was the frame's only child window
    };

    enum class SaveOutcome { Saved, Cancelled, Failed };

    // The modified mark: "Modificado" or empty.
    virtual QString modifiedMark() const = 0;
    virtual void setModifiedMark(const QString& text) = 0;

    // Switches the frame's commands as the event requires.
    virtual void applyStudyEvent(StudyEvent event) = 0;

    // Shows the long part of a hint in the status line (empty: nothing).
    virtual void showHint(const QString& hint) = 0;

    // The frame's open child windows, a closing one still included.
    virtual int childCount() const = 0;

    // The Save command; a failure has been shown to the user.
    virtual SaveOutcome saveStudy() = 0;

    // "&t de Dunnett" and "&Detalle estadístico", as their menu entries run them.
    virtual void runDunnett() = 0;
    virtual void runDetail() = 0;

    // The study window has closed; the frame forgets it.
    virtual void studyWindowClosed(TFinforma* study) = 0;

protected:
    ~StudyFrame() = default;
};
