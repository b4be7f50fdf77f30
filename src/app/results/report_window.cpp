#include "app/results/report_window.h"

#include <QCloseEvent>
#include <QEvent>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QVBoxLayout>

Tfrminforme::Tfrminforme(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frminforme"));
    setWindowTitle(QStringLiteral("Informe"));
    resize(kDesignSize);

    mminforme = new QPlainTextEdit(this);
    mminforme->setObjectName(QStringLiteral("mminforme"));
    mminforme->setReadOnly(true);
    mminforme->setLineWrapMode(QPlainTextEdit::NoWrap);
    mminforme->setWordWrapMode(QTextOption::NoWrap);
    mminforme->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mminforme->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mminforme->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    // Normal weight, set explicitly: the frame's own font is bold.
    QFont font(QStringLiteral("System"));
    font.setPixelSize(13);
    font.setBold(false);
    mminforme->setFont(font);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(mminforme);

    // Keys reach the memo itself, mouse presses over the text its viewport;
    // the scroll bars are widgets of their own and are left alone.
    mminforme->installEventFilter(this);
    mminforme->viewport()->installEventFilter(this);
}

void Tfrminforme::setLines(const QStringList& lines) {
    mminforme->setPlainText(lines.join(QLatin1Char('\n')));
}

QStringList Tfrminforme::lines() const {
    QStringList result;
    for (QTextBlock block = mminforme->document()->begin(); block.isValid(); block = block.next()) {
        result << block.text();
    }
    if (result.size() == 1 && result.front().isEmpty()) {
        result.clear();
    }
    return result;
}

bool Tfrminforme::eventFilter(QObject* watched, QEvent* event) {
    const bool key = watched == mminforme && event->type() == QEvent::KeyPress;
    const bool mouse =
        watched == mminforme->viewport() &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick);
    if (key || mouse) {
        closeReport();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Tfrminforme::closeReport() {
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        frame->close();
    } else {
        close();
    }
}

void Tfrminforme::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closing();
}
