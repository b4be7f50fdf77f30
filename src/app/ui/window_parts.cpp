#include "app/ui/window_parts.h"

#include <QScrollArea>
#include <QVBoxLayout>

namespace robustez {

QFont normalSystemFont(int pointSize) {
    QFont font(QStringLiteral("System"));
    font.setPointSize(pointSize);
    font.setBold(false);
    return font;
}

QWidget* scrollingContents(QWidget* window, bool resizable) {
    auto* scroller = new QScrollArea(window);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(resizable);
    auto* contents = new QWidget(scroller);
    scroller->setWidget(contents);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroller);
    return contents;
}

} // namespace robustez
