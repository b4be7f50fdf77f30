#pragma once

#include "core/study/study_record.h"

#include <QAbstractTableModel>
#include <QLineEdit>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QValidator>

#include <functional>
#include <string>

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

// The block without its last column while no row has text there (a cell a
// short row lacks counts as empty): instruments end every line with a tab.
// A block with no text at all becomes an empty block.
PastedBlock withoutEmptyLastColumns(PastedBlock block);

// The cells a paste of the text at (column, row) writes, row by row, left to
// right, with empty last columns dropped. Throws RobustezError with the
// message for the user when the block does not fit the grid (second line:
// the block's size and the room from (column, row)) or when it holds a
// character a study file cannot (second line: the first such character and
// its cell).
QList<CellText> placePastedText(const QString& text, int column, int row, int columns, int rows);

// A paste checked as the grid checks the values typed in it.
struct PastePlan {
    // What the paste writes, row by row, left to right.
    QList<CellText> cells;
    // The value cells (row 2 onwards) whose text the grid's numeric check
    // refuses, in the same order; setting cells (row 1) are free text.
    QList<CellText> refused;
    // True when some value is refused and every refused one reads as a number
    // once '.' and ',' are swapped in it.
    bool convertible = false;
};

// The cells of placePastedText, each value checked with tryToDecimal and the
// locale's decimal separator. Throws as placePastedText does.
PastePlan planPaste(const QString& text, int column, int row, int columns, int rows,
                    const std::string& decimalSeparator);

// The plan's cells with '.' and ',' swapped in each refused value.
QList<CellText> withSeparatorsSwapped(const PastePlan& plan);

// The message naming a refused value, its level and its sample.
QString refusedValueMessage(const CellText& cell);

// The yes/no question whether to swap '.' and ',' in `count` refused values
// read with the locale's decimal separator.
QString separatorQuestion(qsizetype count, const std::string& decimalSeparator);

// The yes/no question, as a study is opened, whether to swap '.' and ',' in
// the `count` values of the file that the locale's separator does not read.
QString openedSeparatorQuestion(qsizetype count, const std::string& decimalSeparator);

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
    // Makes the cell current, as the program's move: its editor opens with
    // no text selected.
    void setCurrentCell(int column, int row);
    // Takes the focus back into the current cell's editor, as the user left
    // it: at the caret, with no text selected.
    void resumeEditing();
    // The delegate's newly opened editor.
    void setOpenEditor(QLineEdit* editor) { openEditor_ = editor; }
    // Whether the next editor opened selects its text (the user's moves).
    void setSelectOnOpen(bool select) { selectOnOpen_ = select; }
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
    // Moves with the keyboard (Tab, an arrow key) open the next cell's
    // editor with its text selected; clicks and the program's moves never do.
    bool selectOnOpen_ = true;
    QPointer<QLineEdit> openEditor_;
};

} // namespace robustez
