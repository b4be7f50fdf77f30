#include "app/ui/window_parts.h"

#include <QPalette>

#include <QLineEdit>

#include <QKeyEvent>

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

bool takeHelpKey(QEvent* event, bool& pressed) {
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) {
        return false;
    }
    event->accept();
    pressed = event->type() == QEvent::KeyPress;
    return true;
}

void markLimitField(QLineEdit* field, bool valid) {
    QPalette palette = field->palette();
    palette.setColor(QPalette::Text, valid ? QColor(Qt::black) : QColor(Qt::red));
    field->setPalette(palette);
    field->setToolTip(valid ? QStringLiteral("Vacío: sin juicio de equivalencia")
                            : QStringLiteral("Escriba un número mayor que 0"));
}

} // namespace robustez
