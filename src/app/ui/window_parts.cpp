#include "app/ui/window_parts.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>
#include <QScrollArea>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolTip>
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

namespace {

// The item view's text margin on each side (QCommonStyle's focus frame
// margin plus one).
int cellTextMargin(const QStyleOptionViewItem& option) {
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : nullptr;
    return style != nullptr ? style->pixelMetric(QStyle::PM_FocusFrameHMargin, &option, widget) + 1
                            : 3;
}

// True when the cell's text is drawn whole within its rectangle.
bool textShownWhole(const QStyleOptionViewItem& option) {
    const QRect room = option.rect.adjusted(cellTextMargin(option), 0, -cellTextMargin(option), 0);
    if (room.width() <= 0) {
        return option.text.isEmpty();
    }
    const QFontMetrics metrics(option.font);
    if (!option.features.testFlag(QStyleOptionViewItem::WrapText)) {
        return metrics.horizontalAdvance(option.text) <= room.width();
    }
    for (const QString& word : option.text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (metrics.horizontalAdvance(word) > room.width()) {
            return false;
        }
    }
    const QRect needed =
        metrics.boundingRect(QRect(0, 0, room.width(), 1 << 20), Qt::TextWordWrap, option.text);
    return needed.height() <= room.height();
}

class WholeTextTipDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (event == nullptr || event->type() != QEvent::ToolTip || !index.isValid()) {
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        }
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        if (cell.text.isEmpty() || textShownWhole(cell)) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(event->globalPos(), cell.text, view, option.rect);
        }
        return true;
    }
};

// A line edit draws its text 2 pixels inside its frame.
constexpr int kLineEditTextMargin = 2;

void updateCutTextTip(QLineEdit* edit) {
    const QMargins margins = edit->textMargins();
    const int frame = edit->hasFrame()
                          ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit)
                          : 0;
    const int space = edit->width() - margins.left() - margins.right() - 2 * frame;
    const QString text = edit->displayText();
    const bool cut =
        textIsCut(edit->fontMetrics().horizontalAdvance(text), space, kLineEditTextMargin);
    edit->setToolTip(cut ? edit->text() : QString());
}

// Answers the tooltip requests of an item view's viewport.
class CutCellTips : public QObject {
public:
    explicit CutCellTips(QAbstractItemView* view) : QObject(view), view_(view) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ToolTip || watched != view_->viewport()) {
            return false;
        }
        const auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = view_->indexAt(help->pos());
        if (!index.isValid()) {
            return false;
        }
        const QString text = index.data(Qt::DisplayRole).toString();
        const QVariant fontData = index.data(Qt::FontRole);
        const QFont font = fontData.isValid() ? fontData.value<QFont>() : view_->font();
        // The item delegates keep this margin on each side of a cell's text.
        const int margin =
            view_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view_) + 1;
        const QRect cell = view_->visualRect(index);
        if (!textIsCut(QFontMetrics(font).horizontalAdvance(text), cell.width(), margin)) {
            return false;
        }
        QToolTip::showText(help->globalPos(), text, view_->viewport(), cell);
        return true;
    }

private:
    QAbstractItemView* view_;
};

} // namespace

void showWholeTextOfShortenedCells(QAbstractItemView* view) {
    view->setItemDelegate(new WholeTextTipDelegate(view));
}

void tipWholeTextWhenCut(QLineEdit* edit) {
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit] { updateCutTextTip(edit); });
    updateCutTextTip(edit);
}

void tipWholeCellTextWhenCut(QAbstractItemView* view) {
    view->viewport()->installEventFilter(new CutCellTips(view));
}

} // namespace robustez
