#pragma once

#include <array>
#include <functional>
#include <string_view>

namespace robustez {

// The events that switch the main window's commands on and off.
enum class CommandEvent {
    Start,           // the main window's initial state
    Nuevo,           // a new study window was created
    Abrir,           // a study was read from a file into a new, view-only window
    PagesEntered,    // the study window's pages received the focus for the first time
    CountAccepted,   // "Ace&ptar número de Muestras" was pressed
    GridEntered,     // the focus entered the grid with the count accepted
    LastCellTyped,   // a key was typed in the grid's last column and last row
    CerrarOnStudy,   // "C&errar" closed the study window
    LastChildClosed, // a child window closed while it was the only one
    StudyClosed,     // the study window closed, by whatever means
};
inline constexpr int kCommandEventCount = 10;

enum class CommandCell : char { Keep, On, Off };

// One command: the object names of its menu entries and buttons, and what
// each event does to it.
struct CommandRow {
    std::string_view command;
    std::array<std::string_view, 5> objectNames; // unused slots are empty
    std::array<CommandCell, kCommandEventCount> cells;
};

// Every command whose state changes, one row each.
const std::array<CommandRow, 11>& commandTable();

// Calls setEnabled(objectName, enabled) for every object whose cell in the
// event's column is on or off; objects with an empty cell are left alone.
void applyCommandColumn(CommandEvent event,
                        const std::function<void(std::string_view, bool)>& setEnabled);

// The design screen's windows among the frame's children. The study's
// columns above leave the study's states; these set the commands that
// differ while the active child is of the design screen. What a column
// keeps shows the study's state.
enum class ActiveChild {
    Design,  // a design window ("Diseño de robustez")
    Effects, // a design's results window ("Efectos del diseño")
    Other,   // a study window, another results window, or none
};
inline constexpr int kActiveChildCount = 3;

struct ActiveChildRow {
    std::string_view command;
    std::array<std::string_view, 5> objectNames; // unused slots are empty
    std::array<CommandCell, kActiveChildCount> cells;
};

// The commands the kind of the active child window switches.
const std::array<ActiveChildRow, 12>& activeChildTable();

// Calls setEnabled(objectName, enabled) for every object whose cell in the
// active child's column is on or off.
void applyActiveChildColumn(ActiveChild active,
                            const std::function<void(std::string_view, bool)>& setEnabled);

// The parts of a hint "short|long"; a hint without "|" is both its parts.
std::string_view shortHint(std::string_view hint);
std::string_view longHint(std::string_view hint);

} // namespace robustez
