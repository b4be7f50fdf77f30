#pragma once

#include "study/study_frame.h"
#include "study/study_grid.h"
#include "study/study_record.h"

#include <QPointer>
#include <QSet>
#include <QWidget>

#include <array>
#include <deque>

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
    bool event(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void editKeyPress(QLineEdit* edit, QKeyEvent* key, QWidget* next);
    void stgdatos1KeyPress(QKeyEvent* key);
    // What typing a key into a cell of the grid does besides writing it.
    void cellTyped(int column, int row);
    // The grid has n + 2 rows for the count n in the count edit.
    bool countAccepted() const;
    // Writes the cells and returns their texts before.
    QList<robustez::CellText> writeCells(const QList<robustez::CellText>& cells);
    // Restores the cells the last paste changed; false when there is none.
    bool undoPaste();
    // Runs the focus moves Qt has made and the handlers have not seen yet.
    void settleFocus();
    // The same before a click on `clicked` acts; false when a leave handler
    // took the focus away from it again, which drops the click.
    bool settleFocusBeforeClick(QWidget* clicked);
    void onFocusChanged(QWidget* now, bool withinWindow, bool onActivation);
    // The control (edit, button or grid) that holds the widget, or the widget
    // itself when none does.
    QWidget* controlOf(QWidget* widget) const;
    bool isControl(const QWidget* widget) const;
    std::array<QWidget*, 7> controls() const;
    void transition(QWidget* control);
    void moveFocus(QWidget* control);
    void runExit(QWidget* control);
    void runEnter(QWidget* control);
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

    // Focus bookkeeping: the control that last received the focus, the
    // latest focus target, and the controls whose leave handler runs.
    QPointer<QWidget> active_;
    QPointer<QWidget> lastTarget_;
    QSet<QWidget*> exiting_;
    struct PendingFocus {
        QPointer<QWidget> target;
        bool withinWindow = false;
        bool onActivation = false; // made while the frame activated this window
        int stamp = 0;             // handler moves made before it
    };
    std::deque<PendingFocus> pendingFocus_;
    int handlerMoving_ = 0; // a handler's setFocus is running
    int handlerMoves_ = 0;  // handler moves so far
    bool pagesEntered_ = false;
    bool closed_ = false;
    bool rearranged_ = false; // hidden by the frame, or shown again just now
    bool activating_ = false; // the frame is activating this window
};
