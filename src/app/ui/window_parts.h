#pragma once

#include <QFont>

class QAbstractItemView;
class QEvent;
class QLineEdit;
class QTableView;
class QWidget;

namespace robustez {

// "System" in the normal weight at the given point size: set explicitly on
// the results windows, as the frame's own font is bold.
QFont normalSystemFont(int pointSize);

// Fills the window with a scroll area and returns the widget its contents
// are built on: a window smaller than its contents (a tile of "&Mosaico")
// scrolls instead of cutting or overlapping them. With `resizable`, the
// contents follow the window's size down to their minimum.
QWidget* scrollingContents(QWidget* window, bool resizable);

// F1 without modifiers, as a shortcut override or as the key press: the
// event is accepted, so that no shortcut of the frame takes it. True for such
// an event; `pressed` then says whether it is the key press itself.
bool takeHelpKey(QEvent* event, bool& pressed);

// Shows whether the text of an equivalence limit field is a limit: red text
// and a tooltip asking for a number when it is not.
void markLimitField(QLineEdit* field, bool valid);

// A cell of the view whose text is shortened with "…" (too narrow, or too
// low for its wrapped lines) shows its whole text as a tooltip; a cell shown
// whole has none.
void showWholeTextOfShortenedCells(QAbstractItemView* view);

// Keeps the edit's tooltip on its whole text while the text is wider than
// the edit shows, and empty otherwise.
void tipWholeTextWhenCut(QLineEdit* edit);

// A cell whose text the view shortens with "…" shows its whole text as a
// tooltip; other cells keep the view's own tooltips.
void tipWholeCellTextWhenCut(QAbstractItemView* view);

// Keeps the table's first `count` columns in sight while it scrolls
// sideways: a second view over the same model and selection, laid over the
// table's left edge, showing only those columns at their widths and heights
// and scrolling down with the table. A current cell that would come to lie
// under it is scrolled out from under it. The view is named after the table
// with "Fijas".
void keepLeadingColumnsInSight(QTableView* table, int count);

// True when a text `textWidth` wide is cut in a space `spaceWidth` wide that
// keeps `margin` free on each side.
constexpr bool textIsCut(int textWidth, int spaceWidth, int margin) {
    return textWidth > spaceWidth - 2 * margin;
}

} // namespace robustez
