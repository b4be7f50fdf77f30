#pragma once

#include "app/study/focus_flow.h"
#include "app/study/study_frame.h"
#include "app/study/study_grid.h"
#include "core/study/study_record.h"

#include <QWidget>

#include <array>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;
class QTabWidget;

// The study window: a child of the main window's frame in which one study
// is typed, checked and shown. Its controls hold the study.
class TFinforma : public QWidget {
    Q_OBJECT

public:
    explicit TFinforma(StudyFrame* frame, QWidget* parent = nullptr);

    // The designed size: what a frame arranging its windows gives it.
    QSize sizeHint() const override { return kDesignSize; }
    static constexpr QSize kDesignSize{680, 345};
    // The designed outer size of the frame's child window that holds it.
    static constexpr QSize kFrameDesignSize{688, 375};

    // The study as the controls hold it now, text being typed in the grid
    // included.
    robustez::StudyRecord studyRecord() const;
    // Shows a study read from a file, view-only, with the file's path as caption.
    void loadStudy(const robustez::StudyRecord& study, const QString& path);

    // "Nuevo" for a study never saved or opened, otherwise its file's path.
    QString documentName() const;
    void setDocumentName(const QString& name);
    bool isViewOnly() const;

    // The window's first activation: runs ThojasEnter once.
    void firstActivation();

    robustez::StudyGridView* grid() const { return stgdatos1; }

signals:
    // The modified mark the frame shows: "Modificado" or empty.
    void modifiedMarkSet(const QString& text);
    // An event of the entry that switches the frame's commands.
    void studyEvent(StudyFrame::StudyEvent event);
    // The long part of a hint for the status line (empty: nothing).
    void hintChanged(const QString& hint);
    // The grid's menu asks for "&t de Dunnett" or "&Detalle estadístico".
    void dunnettRequested();
    void detailRequested();
    // The window has closed; the frame forgets it.
    void studyClosed(TFinforma* study);

public:
    // The grid has n + 2 rows for the count n in the count edit: the study
    // can be written and read back as it is.
    bool countAccepted() const;

public slots:
    void FormCreate();
    void ThojasEnter();
    void ereplica1Exit();
    void botonok1Click();
    void botonok1Exit();
    void eoperacionExit();
    void stgdatos1Enter();
    void stgdatos1Exit();
    void pmnudunetClick();
    // Pastes the clipboard's block at the grid's current cell.
    void pmnupegarClick();
    bool FormCloseQuery();
    void FormClose();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The controls the focus logic knows, by number; the notebook's tab bar
    // is one too (a click on a tab goes there), without handlers.
    enum Control { kMethod, kAnalyst, kDate, kCount, kAccept, kCondition, kGrid, kTabs };

    void buildControls();
    // Sets the modified mark whenever the user changes the text of an edit
    // that has a key handler.
    void markChangedEdits();
    // The grid's designed place; it grows downwards with the window.
    static constexpr QRect kGridGeometry{24, 128, 465, 161};
    void fitGridToPage();
    // Scrolls the page so that the control with the focus is in sight.
    void scrollIntoSight(QWidget* widget);
    void editKeyPress(QLineEdit* edit, QKeyEvent* key, QWidget* next);
    void stgdatos1KeyPress(QKeyEvent* key);
    // What typing a key into a cell of the grid does besides writing it.
    void cellTyped(int column, int row);
    // Writes the cells and returns their texts before.
    QList<robustez::CellText> writeCells(const QList<robustez::CellText>& cells);
    // Restores the cells the last paste changed; false when there is none.
    bool undoPaste();
    // Reports a focus arrival the toolkit made to the focus logic.
    void focusArrived(QWidget* widget, Qt::FocusReason reason);
    // Records the user's clicks and Tab keys inside the window.
    void noteUserInput(QObject* watched, QEvent* event);
    bool isInside(const QObject* object) const;
    void settleFocus();
    // Takes the focus back to the control the user was in when it is nowhere
    // while this window is the one in use; queued after the toolkit's moves.
    void queueFocusCheck();
    void keepFocusInside();
    // The control (edit, button, grid or tab bar) that holds the widget, or
    // FocusFlow::kNone.
    int controlOf(const QWidget* widget) const;
    std::array<QWidget*, 8> controls() const;
    bool giveFocus(int control);
    void moveFocus(QWidget* control);
    void runExit(int control);
    void runEnter(int control);
    // A value the grid's check refused: the message, and the cell current.
    void showFaultyCell(const QString& message, int column, int row);
    void showPopup(const QPoint& position);

    StudyFrame* frame_;
    QTabWidget* Thojas = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QLabel* Lmetodo = nullptr;
    QLineEdit* emetodo = nullptr;
    QLabel* Lanalista = nullptr;
    QLineEdit* eanalista = nullptr;
    QLabel* Lfecha = nullptr;
    QLineEdit* efecha = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lmuestra = nullptr;
    QLineEdit* ereplica1 = nullptr;
    QPushButton* botonok1 = nullptr;
    QLabel* loperacion = nullptr;
    QLineEdit* eoperacion = nullptr;
    robustez::StudyGridView* stgdatos1 = nullptr;
    QMenu* pmenu = nullptr;
    QAction* pmnudunet = nullptr;
    QAction* pmnudetalle = nullptr; // "&Detalle estadístico"
    QAction* pmnupegar = nullptr;   // "&Pegar"
    // The texts the last paste replaced, while Ctrl+Z may still restore them.
    QList<robustez::CellText> pasteUndo_;

    robustez::FocusFlow flow_;
    int focusing_ = 0;              // the window is giving a control the focus
    bool pointerPressed_ = false;   // a mouse button is down inside the window
    bool tabPressed_ = false;       // a Tab key is down inside the window
    bool tabForwardInGrid_ = false; // ... a forward Tab, in the grid
    bool gridLeftByTab_ = false;    // the last move out of the grid was a forward Tab
    bool closed_ = false;
    // The height the frame's child window adds around this one while it is
    // restored (title bar and border), as last seen.
    int frameChrome_ = kFrameDesignSize.height() - kDesignSize.height();
};
