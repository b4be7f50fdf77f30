#include "app/study/study_grid.h"

#include "core/study/conversions.h"
#include "core/study/errors.h"
#include "core/study/study_file.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <string_view>

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

namespace {

qsizetype blockWidth(const PastedBlock& block) {
    qsizetype width = 0;
    for (const QStringList& cells : block) {
        width = std::max(width, cells.size());
    }
    return width;
}

// "2 filas", "1 fila".
QString countOf(qsizetype count, const char* one, const char* many) {
    return QString::number(count) + QLatin1Char(' ') + QString::fromUtf8(count == 1 ? one : many);
}

QString levelName(int column) {
    if (column < 1 || column >= StudyGrid::kColumnCount) {
        return QStringLiteral("columna ") + QString::number(column);
    }
    const std::string_view name = kGridHeaders[column];
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

// "Baja, muestra 2"; the settings row is the condition's value.
QString cellName(int column, int row) {
    return levelName(column) + QStringLiteral(", ") +
           (row == 1 ? QStringLiteral("valor de la condición")
                     : QStringLiteral("muestra ") + QString::number(row - 1));
}

// The first character of the text that a study file cannot hold, or an
// empty string; a surrogate pair is one character.
QString firstUnfitCharacter(const QString& text) {
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2
                                                                                             : 1;
        const QString character = text.mid(i, length);
        if (!fitsCp1252(character.toStdString())) {
            return character;
        }
        i += length;
    }
    return {};
}

// The grid's check of a value cell as the user leaves it.
bool readsAsValue(const QString& text, const std::string& decimalSeparator) {
    double value = 0;
    return !text.isEmpty() && tryToDecimal(text.toStdString(), decimalSeparator, value);
}

QString withPointAndCommaSwapped(QString text) {
    for (QChar& character : text) {
        if (character == QLatin1Char('.')) {
            character = QLatin1Char(',');
        } else if (character == QLatin1Char(',')) {
            character = QLatin1Char('.');
        }
    }
    return text;
}

} // namespace

bool blockFitsGrid(const PastedBlock& block, int column, int row, int columns, int rows) {
    return column >= 1 && row >= 1 && column + blockWidth(block) <= columns &&
           row + block.size() <= rows;
}

PastedBlock withoutEmptyLastColumns(PastedBlock block) {
    for (qsizetype width = blockWidth(block); width > 0; --width) {
        for (const QStringList& cells : block) {
            if (cells.size() == width && !cells.last().isEmpty()) {
                return block;
            }
        }
        for (QStringList& cells : block) {
            if (cells.size() == width) {
                cells.removeLast();
            }
        }
    }
    return {};
}

QList<CellText> placePastedText(const QString& text, int column, int row, int columns, int rows) {
    const PastedBlock block = withoutEmptyLastColumns(splitPastedText(text));
    if (block.isEmpty()) {
        return {};
    }
    if (!blockFitsGrid(block, column, row, columns, rows)) {
        const int roomColumns = column >= 1 ? std::max(0, columns - column) : 0;
        const int roomRows = row >= 1 ? std::max(0, rows - row) : 0;
        const QString message =
            QStringLiteral("El bloque pegado no cabe en la tabla a partir de la celda "
                           "seleccionada.\nEl bloque tiene ") +
            countOf(block.size(), "fila", "filas") + QStringLiteral(" y ") +
            countOf(blockWidth(block), "columna", "columnas") +
            QStringLiteral("; desde la celda actual caben ") + countOf(roomRows, "fila", "filas") +
            QStringLiteral(" y ") + countOf(roomColumns, "columna", "columnas") +
            QStringLiteral(".");
        throw RobustezError(message.toStdString());
    }
    QList<CellText> cells;
    for (int r = 0; r < block.size(); ++r) {
        for (int c = 0; c < block[r].size(); ++c) {
            const QString character = firstUnfitCharacter(block[r][c]);
            if (!character.isEmpty()) {
                const QString message =
                    QStringLiteral("El texto pegado contiene caracteres no válidos.\nCarácter «") +
                    character + QStringLiteral("» en ") + cellName(column + c, row + r) +
                    QStringLiteral(".");
                throw RobustezError(message.toStdString());
            }
            cells.append({column + c, row + r, block[r][c]});
        }
    }
    return cells;
}

PastePlan planPaste(const QString& text, int column, int row, int columns, int rows,
                    const std::string& decimalSeparator) {
    PastePlan plan;
    plan.cells = placePastedText(text, column, row, columns, rows);
    bool allSwappedRead = true;
    for (const CellText& cell : plan.cells) {
        if (cell.row >= 2 && !readsAsValue(cell.text, decimalSeparator)) {
            plan.refused.append(cell);
            allSwappedRead = allSwappedRead &&
                             readsAsValue(withPointAndCommaSwapped(cell.text), decimalSeparator);
        }
    }
    plan.convertible = !plan.refused.isEmpty() && allSwappedRead;
    return plan;
}

QList<CellText> withSeparatorsSwapped(const PastePlan& plan) {
    QList<CellText> cells = plan.cells;
    for (CellText& cell : cells) {
        const bool refused =
            std::any_of(plan.refused.cbegin(), plan.refused.cend(), [&cell](const CellText& r) {
                return r.column == cell.column && r.row == cell.row;
            });
        if (refused) {
            cell.text = withPointAndCommaSwapped(cell.text);
        }
    }
    return cells;
}

QString refusedValueMessage(const CellText& cell) {
    return QStringLiteral("Algún dato pegado no es un valor numérico: ") +
           cellName(cell.column, cell.row) + QStringLiteral(": «") + cell.text +
           QStringLiteral("».");
}

QString separatorQuestion(qsizetype count, const std::string& decimalSeparator) {
    // Only a locale that reads ',' or '.' can take a swapped value.
    const bool comma = decimalSeparator == ",";
    const bool one = count == 1;
    return QStringLiteral("Hay ") + countOf(count, "valor pegado", "valores pegados") +
           (comma ? QStringLiteral(" con punto (.)") : QStringLiteral(" con coma (,)")) +
           QStringLiteral(" como separador decimal, pero su sistema usa ") +
           (comma ? QStringLiteral("la coma (,). ¿Cambiar el punto por la coma al ")
                  : QStringLiteral("el punto (.). ¿Cambiar la coma por el punto al ")) +
           (one ? QStringLiteral("pegarlo?") : QStringLiteral("pegarlos?"));
}

QString openedSeparatorQuestion(qsizetype count, const std::string& decimalSeparator) {
    const bool comma = decimalSeparator == ",";
    return QStringLiteral("El archivo tiene ") + countOf(count, "valor", "valores") +
           (comma ? QStringLiteral(" con punto (.)") : QStringLiteral(" con coma (,)")) +
           QStringLiteral(" como separador decimal, pero su sistema usa ") +
           (comma ? QStringLiteral("la coma (,). ¿Cambiar el punto por la coma en el estudio?")
                  : QStringLiteral("el punto (.). ¿Cambiar la coma por el punto en el estudio?"));
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
    view_->setOpenEditor(editor);
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
            view_->setSelectOnOpen(true);
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
    selectOnOpen_ = false;
    setCurrentIndex(model_->index(row, column));
}

void StudyGridView::resumeEditing() {
    selectOnOpen_ = false;
    QWidget* focus = QApplication::focusWidget();
    if (focus != this && !isAncestorOf(focus)) {
        setFocus(Qt::OtherFocusReason); // the editor opens once the focus has settled
        return;
    }
    showEditor();
    if (openEditor_ != nullptr && state() == EditingState) {
        openEditor_->deselect();
        if (!openEditor_->hasFocus()) {
            openEditor_->setFocus(Qt::OtherFocusReason);
        }
    }
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
    selectOnOpen_ = true; // a key moving between cells is the user's move
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
    selectOnOpen_ = false; // a click puts the caret in the cell, as in an edit
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
    // Reached with the keyboard (Tab or a mnemonic), the cell's text is
    // selected as usual; reached by a click, back from another window, a
    // menu or a dialog, or sent here by the program, typing goes on at the
    // end of the text.
    switch (event->reason()) {
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason:
        break;
    default:
        selectOnOpen_ = false;
        break;
    }
    // Opened once the focus has settled: opening it moves the focus again.
    QTimer::singleShot(0, this, [this] {
        if (hasFocus()) {
            showEditor();
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
        if (!selectOnOpen_ && openEditor_ != nullptr) {
            openEditor_->deselect();
        }
    }
}

} // namespace robustez
