#pragma once

#include "study/study_record.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QValidator>

#include <functional>

class QKeyEvent;

namespace robustez {

// Accepts only text that Windows-1252 can hold, so that nothing is lost when
// a study file is written.
class Cp1252Validator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

// True for the keys that count as typed characters in the key handlers:
// any key producing a character (Enter, Backspace and Escape included),
// but not Tab.
bool isCharacterKey(const QKeyEvent* event);

// --- Pasting a block -------------------------------------------------------

// A block of cells as a spreadsheet copies it: its rows, each a list of cells.
using PastedBlock = QList<QStringList>;

// Splits copied text into a block: rows end at CR LF, LF or CR, cells are
// separated by tabs. A line end closing the text ends the last row and starts
// no other; empty text is an empty block.
PastedBlock splitPastedText(const QString& text);

// True when every cell of the block can be written in a study file.
bool blockFitsCp1252(const PastedBlock& block);

// True when the block, its first cell at (column, row), lies within the cells
// a user can type of a grid with `columns` columns and `rows` rows: below the
// header row, right of the sample numbers.
bool blockFitsGrid(const PastedBlock& block, int column, int row, int columns, int rows);

// One cell's text.
struct CellText {
    int column = 0;
    int row = 0;
    QString text;
};

// The cells a paste of the text at (column, row) writes, row by row, left to
// right. Throws RobustezError with the message for the user when the text
// holds a character a study file cannot, or when the block does not fit.
QList<CellText> placePastedText(const QString& text, int column, int row, int columns, int rows);

// The study grid's cells, backed by a StudyGrid: rows removed by a smaller
// count keep their text and come back when the grid grows again.
class StudyGridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit StudyGridModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    const StudyGrid& grid() const { return grid_; }
    void setGrid(const StudyGrid& grid);
    void setRowCountKeepingText(int rows);
    void setCellText(int column, int row, const std::string& text);
    // Writes the headers and the sample numbers for the current row count.
    void writeFixedCells();

    static bool isFixed(int column, int row) { return column == 0 || row == 0; }

private:
    StudyGrid grid_;
};

class StudyGridView;

// The grid's edit commands typed as keys: pasting a block and undoing it.
enum class GridCommand { Paste, Undo };

// The in-place editor of the grid: a line edit that writes every change into
// its cell at once, so the study always holds what the user sees.
class StudyGridDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit StudyGridDelegate(StudyGridView* view);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    StudyGridView* view_;
};

// The string grid: one fixed row and one fixed column drawn as grey header
// cells, the in-place editor always shown on the current cell. Its first
// options also let the user select ranges of cells and drag the column
// borders of the header row; the window later switches it to option set A
// (Tab moves between cells) or B (Tab leaves the grid), which offer neither.
class StudyGridView : public QTableView {
    Q_OBJECT

public:
    explicit StudyGridView(QWidget* parent = nullptr);

    StudyGridModel* gridModel() const { return model_; }
    // Option set A (true): Tab moves between cells; set B (false): Tab leaves.
    void setTabMovesBetweenCells(bool moves);
    bool tabMovesBetweenCells() const { return tabKeyNavigation(); }
    // True while the first options hold: range selection and column sizing.
    bool offersColumnSizing() const { return columnSizing_; }
    // Called for every character key typed in the grid or its editor,
    // before the grid acts on it.
    void setKeyHandler(std::function<void(QKeyEvent*)> handler) {
        keyHandler_ = std::move(handler);
    }
    // Called for the paste (Ctrl+V) and undo (Ctrl+Z) keys typed in the grid
    // or its editor, before the key handler and instead of the grid's and the
    // editor's own handling; a handler returning false leaves the key to them.
    void setCommandHandler(std::function<bool(GridCommand)> handler) {
        commandHandler_ = std::move(handler);
    }
    // Runs the command handler for a paste or undo key; true when it took the key.
    bool runCommandKey(QKeyEvent* event);
    void setCurrentCell(int column, int row);
    // Tab pressed in the editor.
    void tabFromEditor(bool next);
    void notifyKey(QKeyEvent* event);
    bool forwardingKey() const { return forwardingKey_; }

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    void showEditor();
    // The column whose right border lies under `point` in the header row, or -1.
    int columnBorderAt(const QPoint& point) const;

    StudyGridModel* model_;
    bool columnSizing_ = true;
    int sizedColumn_ = -1; // the column whose border is being dragged
    int sizingFromX_ = 0;
    int sizingFromWidth_ = 0;
    std::function<void(QKeyEvent*)> keyHandler_;
    std::function<bool(GridCommand)> commandHandler_;
    bool forwardingKey_ = false;
    bool closingEditor_ = false;
};

} // namespace robustez
