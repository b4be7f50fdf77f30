#include "study/study_grid.h"

#include "study/errors.h"
#include "study/study_file.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>
#include <QRegularExpression>
#include <QTimer>

#include <cstdlib>

namespace robustez {

QValidator::State Cp1252Validator::validate(QString& input, int& /*pos*/) const {
    return fitsCp1252(input.toStdString()) ? Acceptable : Invalid;
}

bool isCharacterKey(const QKeyEvent* event) {
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
        return false;
    }
    return !event->text().isEmpty();
}

// --- Pasting a block -------------------------------------------------------

PastedBlock splitPastedText(const QString& text) {
    static const QRegularExpression lineEnd(QStringLiteral("\\r\\n|\\n|\\r"));
    QStringList lines = text.split(lineEnd);
    if (lines.last().isEmpty()) {
        lines.removeLast(); // what follows the closing line end, or an empty text
    }
    PastedBlock block;
    for (const QString& line : lines) {
        block << line.split(QLatin1Char('\t'));
    }
    return block;
}

bool blockFitsCp1252(const PastedBlock& block) {
    for (const QStringList& cells : block) {
        for (const QString& cell : cells) {
            if (!fitsCp1252(cell.toStdString())) {
                return false;
            }
        }
    }
    return true;
}

bool blockFitsGrid(const PastedBlock& block, int column, int row, int columns, int rows) {
    qsizetype width = 0;
    for (const QStringList& cells : block) {
        width = std::max(width, cells.size());
    }
    return column >= 1 && row >= 1 && column + width <= columns && row + block.size() <= rows;
}

QList<CellText> placePastedText(const QString& text, int column, int row, int columns, int rows) {
    const PastedBlock block = splitPastedText(text);
    if (block.isEmpty()) {
        return {};
    }
    if (!blockFitsCp1252(block)) {
        throw RobustezError("El texto pegado contiene caracteres no válidos.");
    }
    if (!blockFitsGrid(block, column, row, columns, rows)) {
        throw RobustezError(
            "El bloque pegado no cabe en la tabla a partir de la celda seleccionada.");
    }
    QList<CellText> cells;
    for (int r = 0; r < block.size(); ++r) {
        for (int c = 0; c < block[r].size(); ++c) {
            cells.append({column + c, row + r, block[r][c]});
        }
    }
    return cells;
}

// --- Model ----------------------------------------------------------------

StudyGridModel::StudyGridModel(QObject* parent)
    : QAbstractTableModel(parent), grid_(newStudyRecord().grid) {}

int StudyGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : grid_.rowCount();
}

int StudyGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : StudyGrid::kColumnCount;
}

QVariant StudyGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return QString::fromStdString(grid_.cell(index.column(), index.row()));
    case Qt::BackgroundRole:
        if (isFixed(index.column(), index.row())) {
            return QApplication::palette().brush(QPalette::Button);
        }
        return {};
    case Qt::ForegroundRole:
        return QBrush(Qt::black);
    default:
        return {};
    }
}

bool StudyGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole) {
        return false;
    }
    const std::string text = value.toString().toStdString();
    if (grid_.cell(index.column(), index.row()) == text) {
        return true;
    }
    grid_.setCell(index.column(), index.row(), text);
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

Qt::ItemFlags StudyGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    if (isFixed(index.column(), index.row())) {
        return Qt::ItemIsEnabled;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

void StudyGridModel::setGrid(const StudyGrid& grid) {
    beginResetModel();
    grid_ = grid;
    endResetModel();
}

void StudyGridModel::setRowCountKeepingText(int rows) {
    const int old = grid_.rowCount();
    if (rows > old) {
        beginInsertRows({}, old, rows - 1);
        grid_.setRowCount(rows);
        endInsertRows();
    } else if (rows < old) {
        beginRemoveRows({}, rows, old - 1);
        grid_.setRowCount(rows);
        endRemoveRows();
    }
}

void StudyGridModel::setCellText(int column, int row, const std::string& text) {
    grid_.setCell(column, row, text);
    if (row < grid_.rowCount()) {
        const QModelIndex cell = index(row, column);
        emit dataChanged(cell, cell, {Qt::DisplayRole, Qt::EditRole});
    }
}

void StudyGridModel::writeFixedCells() {
    writeSampleNumbers(grid_);
    writeGridHeaders(grid_);
    if (grid_.rowCount() > 0) {
        emit dataChanged(index(0, 0), index(grid_.rowCount() - 1, 0));
        emit dataChanged(index(0, 0), index(0, StudyGrid::kColumnCount - 1));
    }
}

// --- Delegate -------------------------------------------------------------

StudyGridDelegate::StudyGridDelegate(StudyGridView* view)
    : QStyledItemDelegate(view), view_(view) {}

QWidget* StudyGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& /*option*/,
                                         const QModelIndex& index) const {
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    editor->setValidator(new Cp1252Validator(editor));
    // A right click on the cell being edited, or the menu key while typing,
    // opens the grid's own menu, not the editor's Cut/Copy/Paste menu.
    editor->setContextMenuPolicy(Qt::CustomContextMenu);
    StudyGridView* view = view_;
    connect(editor, &QWidget::customContextMenuRequested, view, [view, editor](const QPoint& at) {
        emit view->customContextMenuRequested(editor->mapTo(view->viewport(), at));
    });
    QPersistentModelIndex cell(index);
    QAbstractItemModel* model = view_->model();
    connect(editor, &QLineEdit::textEdited, editor, [model, cell](const QString& text) {
        if (cell.isValid()) {
            model->setData(cell, text, Qt::EditRole);
        }
    });
    return editor;
}

void StudyGridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* line = qobject_cast<QLineEdit*>(editor);
    const QString text = index.data(Qt::EditRole).toString();
    if (line != nullptr && line->text() != text) {
        line->setText(text);
    }
}

bool StudyGridDelegate::eventFilter(QObject* object, QEvent* event) {
    auto* editor = qobject_cast<QWidget*>(object);
    if (editor != nullptr && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // The editor's own paste and undo give way to the grid's.
        if (view_->runCommandKey(key)) {
            return true;
        }
        if (!view_->forwardingKey()) {
            view_->notifyKey(key);
        }
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            const bool next = key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier);
            emit commitData(editor);
            emit closeEditor(editor, QAbstractItemDelegate::NoHint);
            view_->tabFromEditor(next);
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

// --- View -----------------------------------------------------------------

StudyGridView::StudyGridView(QWidget* parent)
    : QTableView(parent), model_(new StudyGridModel(this)) {
    setModel(model_);
    setItemDelegate(new StudyGridDelegate(this));
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setDefaultSectionSize(110);
    horizontalHeader()->setMinimumSectionSize(10);
    verticalHeader()->setDefaultSectionSize(24);
    verticalHeader()->setMinimumSectionSize(10);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setShowGrid(true);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    viewport()->setMouseTracking(true);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                    QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setTabKeyNavigation(true);
    setCurrentCell(1, 1);
}

void StudyGridView::setTabMovesBetweenCells(bool moves) {
    setTabKeyNavigation(moves);
    // Option sets A and B offer neither range selection nor column sizing.
    if (columnSizing_) {
        columnSizing_ = false;
        sizedColumn_ = -1;
        viewport()->unsetCursor();
        setSelectionMode(QAbstractItemView::SingleSelection);
        selectionModel()->select(currentIndex(), QItemSelectionModel::ClearAndSelect);
    }
}

int StudyGridView::columnBorderAt(const QPoint& point) const {
    constexpr int kReach = 3; // pixels either side of a border line
    const int headerTop = rowViewportPosition(0);
    if (point.y() < headerTop || point.y() >= headerTop + rowHeight(0)) {
        return -1;
    }
    for (int column = 0; column < model_->columnCount(); ++column) {
        const int border = columnViewportPosition(column) + columnWidth(column);
        if (std::abs(point.x() - border) <= kReach) {
            return column;
        }
    }
    return -1;
}

void StudyGridView::setCurrentCell(int column, int row) {
    setCurrentIndex(model_->index(row, column));
}

void StudyGridView::notifyKey(QKeyEvent* event) {
    if (keyHandler_ && isCharacterKey(event)) {
        keyHandler_(event);
    }
}

bool StudyGridView::runCommandKey(QKeyEvent* event) {
    if (!commandHandler_) {
        return false;
    }
    if (event->matches(QKeySequence::Paste)) {
        return commandHandler_(GridCommand::Paste);
    }
    if (event->matches(QKeySequence::Undo)) {
        return commandHandler_(GridCommand::Undo);
    }
    return false;
}

void StudyGridView::tabFromEditor(bool next) {
    focusNextPrevChild(next);
}

QModelIndex StudyGridView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    const QModelIndex current = currentIndex();
    const int rows = model_->rowCount();
    const int columns = model_->columnCount();
    if (rows < 2 || columns < 2) {
        return {};
    }
    if (!current.isValid()) {
        return model_->index(1, 1);
    }
    int row = current.row();
    int column = current.column();
    switch (action) {
    case MoveNext:
        if (++column >= columns) {
            column = 1;
            if (++row >= rows) {
                row = 1;
            }
        }
        break;
    case MovePrevious:
        if (--column < 1) {
            column = columns - 1;
            if (--row < 1) {
                row = rows - 1;
            }
        }
        break;
    default: {
        const QModelIndex moved = QTableView::moveCursor(action, modifiers);
        if (moved.isValid()) {
            row = std::max(1, moved.row());
            column = std::max(1, moved.column());
        }
        break;
    }
    }
    return model_->index(row, column);
}

void StudyGridView::keyPressEvent(QKeyEvent* event) {
    if (runCommandKey(event)) {
        event->accept();
        return;
    }
    notifyKey(event);
    forwardingKey_ = true;
    QTableView::keyPressEvent(event);
    forwardingKey_ = false;
}

void StudyGridView::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (columnSizing_ && event->button() == Qt::LeftButton && columnBorderAt(at) >= 0) {
        sizedColumn_ = columnBorderAt(at);
        sizingFromX_ = at.x();
        sizingFromWidth_ = columnWidth(sizedColumn_);
        event->accept();
        return;
    }
    const QModelIndex index = indexAt(at);
    if (index.isValid() && StudyGridModel::isFixed(index.column(), index.row())) {
        setFocus(Qt::MouseFocusReason);
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

void StudyGridView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (sizedColumn_ >= 0) {
        const int width = sizingFromWidth_ + at.x() - sizingFromX_;
        setColumnWidth(sizedColumn_, std::max(horizontalHeader()->minimumSectionSize(), width));
        event->accept();
        return;
    }
    if (columnSizing_ && event->buttons() == Qt::NoButton) {
        if (columnBorderAt(at) >= 0) {
            viewport()->setCursor(Qt::SplitHCursor);
        } else {
            viewport()->unsetCursor();
        }
    }
    QTableView::mouseMoveEvent(event);
}

void StudyGridView::mouseReleaseEvent(QMouseEvent* event) {
    if (sizedColumn_ >= 0) {
        sizedColumn_ = -1;
        event->accept();
        return;
    }
    QTableView::mouseReleaseEvent(event);
}

void StudyGridView::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    // Back from another window or a menu, typing goes on where it was: the
    // cell's text is not selected, so the next key cannot replace it.
    const bool goOnTyping =
        event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason;
    // Opened once the focus has settled: opening it moves the focus again.
    QTimer::singleShot(0, this, [this, goOnTyping] {
        if (hasFocus()) {
            showEditor();
            auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
            if (goOnTyping && editor != nullptr && isAncestorOf(editor)) {
                editor->end(false);
            }
        }
    });
}

void StudyGridView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (hasFocus()) {
        showEditor();
    }
}

void StudyGridView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    closingEditor_ = true;
    QTableView::closeEditor(editor, hint);
    closingEditor_ = false;
    // The editor is always shown while the grid has the focus.
    QTimer::singleShot(0, this, [this] {
        if (hasFocus()) {
            showEditor();
        }
    });
}

void StudyGridView::showEditor() {
    const QModelIndex current = currentIndex();
    if (!closingEditor_ && state() != EditingState && current.isValid() &&
        (model_->flags(current) & Qt::ItemIsEditable) && isEnabled()) {
        edit(current);
    }
}

} // namespace robustez
