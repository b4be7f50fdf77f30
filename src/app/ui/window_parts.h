#pragma once

#include <QFont>

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

} // namespace robustez
