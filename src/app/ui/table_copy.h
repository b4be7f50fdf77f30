#pragma once

#include <QList>
#include <QString>

#include <functional>

class QAction;
class QTableWidget;
class QWidget;

namespace robustez {

// The tables as a spreadsheet pastes them: each table's rows as lines of
// the texts its cells show, separated by tabs (an empty cell is empty, a
// number keeps the decimal separator it is shown with); every line ends in
// "\n", and one empty line separates one table from the next. Hidden rows
// and columns are left out.
QString tablesAsText(const QList<const QTableWidget*>& tables);

// Gives the window the command "&Copiar" (object name "mnucopiar"): Ctrl+C
// anywhere in the window, and the only entry of each table's context menu.
// It puts tablesAsText of all the tables, in their order, on the clipboard.
void installTableCopy(QWidget* window, const QList<QTableWidget*>& tables);

// The same command, doing `copy` instead; returned for the window's own
// buttons.
QAction* installCopyCommand(QWidget* window, const QList<QTableWidget*>& tables,
                            const std::function<void()>& copy);

} // namespace robustez
