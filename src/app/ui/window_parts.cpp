#include "app/ui/window_parts.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
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

namespace {

// The view over a table's leading columns, kept in step with the table.
class LeadingColumns : public QObject {
public:
    LeadingColumns(QTableView* table, int count)
        : QObject(table), table_(table), view_(new QTableView(table)), count_(count) {
        view_->setObjectName(table->objectName() + QStringLiteral("Fijas"));
        view_->setModel(table->model());
        view_->setSelectionModel(table->selectionModel());
        view_->setFocusPolicy(Qt::NoFocus);
        view_->setFont(table->font());
        view_->horizontalHeader()->setFont(table->horizontalHeader()->font());
        view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view_->setWordWrap(table->wordWrap());
        view_->verticalHeader()->hide();
        view_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        view_->horizontalHeader()->setDefaultAlignment(
            table->horizontalHeader()->defaultAlignment());
        view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view_->setVerticalScrollMode(table->verticalScrollMode());
        view_->setFrameShape(QFrame::NoFrame);
        table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
        table->viewport()->stackUnder(view_);

        // Only the table's own headers and scroll bars are followed: they go
        // first when the table is destroyed, and a signal of its model after
        // that (the model clears itself as it goes) reaches nothing here.
        QHeaderView* across = table->horizontalHeader();
        QHeaderView* down = table->verticalHeader();
        for (QHeaderView* header : {across, down}) {
            connect(header, &QHeaderView::sectionCountChanged, this, [this] { follow(); });
            connect(header, &QObject::destroyed, this, [this] { gone_ = true; });
        }
        connect(across, &QHeaderView::sectionResized, this, [this] { follow(); });
        connect(across, &QHeaderView::geometriesChanged, this, [this] { follow(); });
        connect(down, &QHeaderView::sectionResized, this, [this](int row, int, int size) {
            if (!gone_) {
                view_->setRowHeight(row, size);
            }
        });
        connect(view_->verticalScrollBar(), &QScrollBar::valueChanged, table->verticalScrollBar(),
                &QScrollBar::setValue);
        connect(table->verticalScrollBar(), &QScrollBar::valueChanged, view_->verticalScrollBar(),
                &QScrollBar::setValue);
        connect(table->selectionModel(), &QItemSelectionModel::currentChanged, view_,
                [this](const QModelIndex& current) { uncover(current); });
        table->installEventFilter(this);
        follow();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == table_ &&
            (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
            follow();
        }
        return false;
    }

private:
    // The view's columns, rows and place as the table's now are.
    void follow() {
        if (gone_) {
            return;
        }
        const int columns = table_->model()->columnCount();
        int width = 0;
        for (int c = 0; c < columns; ++c) {
            const bool leading = c < count_ && !table_->isColumnHidden(c);
            view_->setColumnHidden(c, !leading);
            if (leading) {
                view_->setColumnWidth(c, table_->columnWidth(c));
                width += table_->columnWidth(c);
            }
        }
        for (int r = 0; r < table_->model()->rowCount(); ++r) {
            view_->setRowHeight(r, table_->rowHeight(r));
        }
        const int header =
            table_->horizontalHeader()->isVisible() ? table_->horizontalHeader()->height() : 0;
        view_->horizontalHeader()->setFixedHeight(header);
        view_->horizontalHeader()->setVisible(header > 0);
        const int frame = table_->frameWidth();
        const int left =
            frame + (table_->verticalHeader()->isVisible() ? table_->verticalHeader()->width() : 0);
        view_->setGeometry(left, frame, width, table_->viewport()->height() + header);
        view_->setVisible(width > 0 && width < table_->viewport()->width());
        view_->verticalScrollBar()->setValue(table_->verticalScrollBar()->value());
    }

    // A current cell right of the leading columns but under the view is
    // scrolled out from under it.
    void uncover(const QModelIndex& current) {
        if (gone_ || !current.isValid() || current.column() < count_ || !view_->isVisible()) {
            return;
        }
        const int hidden = view_->width() - table_->visualRect(current).left();
        if (hidden > 0) {
            QScrollBar* bar = table_->horizontalScrollBar();
            bar->setValue(bar->value() - hidden);
        }
    }

    QTableView* table_;
    QTableView* view_;
    int count_;
    bool gone_ = false; // the table is being destroyed
};

} // namespace

void keepLeadingColumnsInSight(QTableView* table, int count) {
    new LeadingColumns(table, count);
}

} // namespace robustez
