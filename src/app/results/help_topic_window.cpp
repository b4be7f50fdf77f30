#include "app/results/help_topic_window.h"

#include "app/ui/window_parts.h"

#include <QCloseEvent>

HelpTopicWindow::HelpTopicWindow(int helpContext, QWidget* parent)
    : QWidget(parent), helpContext_(helpContext) {
    setProperty("helpContext", helpContext);
}

void HelpTopicWindow::watchHelpKey() {
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>()) {
        child->installEventFilter(this);
    }
}

bool HelpTopicWindow::eventFilter(QObject* watched, QEvent* event) {
    bool pressed = false;
    if (robustez::takeHelpKey(event, pressed)) {
        if (pressed) {
            emit helpRequested(helpContext_);
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void HelpTopicWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closing();
}
