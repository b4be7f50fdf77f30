#pragma once

#include <QString>

class QWidget;
class TFinforma;

// What the study window asks of the frame it stands in, where it needs an
// answer: the modified mark, the frame's child count and the Save command.
// Everything else it tells the frame with its signals. The main window
// implements it; the study window knows nothing else of the frame.
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

    // The frame's open child windows, a closing one still included.
    virtual int childCount() const = 0;

    // The Save command; a failure has been shown to the user.
    virtual SaveOutcome saveStudy() = 0;

protected:
    ~StudyFrame() = default;
};
