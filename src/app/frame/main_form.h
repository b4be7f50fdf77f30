#pragma once

#include "app/frame/command_table.h"
#include "app/study/study_frame.h"
#include "core/study/study_record.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QAction;
class QFrame;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPrinter;

class QToolButton;
class HelpTopicWindow;
class TFdiseno;
class TFinforma;

// The multiple-document frame: menu, speed bar, status panels, the command
// states and the file commands. It is the frame of the study window and of
// the design windows, which stand side by side in it.
class TMainForm : public QMainWindow, public StudyFrame {
    Q_OBJECT

public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // The program's main window (the last one created), or nullptr.
    static TMainForm* instance();

    // --- Command states -------------------------------------------------
    // Applies one column of the command table to the menu entries and
    // buttons (and to the study window's popup entry).
    void applyCommandColumn(robustez::CommandEvent event);
    // Enables or disables every menu entry, menu and button with that
    // object name, here and in the study window, as the study's state. While
    // the active child window is of the design screen, a command its column
    // sets shows that column's state until a study window, another results
    // window or none is active again.
    void setCommandEnabled(std::string_view objectName, bool enabled);
    // Enables or disables every entry of one row of the command table.
    void setCommandRowEnabled(std::string_view rowName, bool enabled);
    // True when the menu entry (or menu, or button) with that name is enabled.
    bool isCommandEnabled(const QString& objectName) const;

    // --- Status panels --------------------------------------------------
    // The estado panel shows the active window's mark: the active design
    // window's own, otherwise the study's.
    QString estadoText() const;
    // The study's mark: "Modificado" or empty.
    void setEstado(const QString& text);
    QString statusLineText() const;

    // --- Child windows --------------------------------------------------
    QMdiArea* mdiArea() const { return mdiArea_; }
    // Where a new child window stands once restored: where the frame places
    // it, or centred in the client area.
    enum class Placement { Placed, Centred };
    // Shows a widget as a child window of the frame, in front and active; it
    // is destroyed when closed. Its restored size is `size` when given; while
    // the active child is maximized, the new one opens maximized too.
    QMdiSubWindow* addChildWindow(QWidget* child, QSize size = {},
                                  Placement placement = Placement::Placed);
    // The open child windows (a closing one still counts until its close ends):
    // childCount(), declared with the study window's frame below.
    // The active child window's widget, or nullptr.
    QWidget* activeChild() const;
    // To be called by a child window's close handling once it has accepted
    // to close: applies the last-child column when it is the only child.
    void childWindowClosing();
    // The current study window, or nullptr.
    TFinforma* studyWindow() const;
    // The active child window when it is a design window, or nullptr.
    TFdiseno* activeDesignWindow() const;
    // The open design windows, in the order the frame stacks them.
    QList<TFdiseno*> designWindows() const;

    // --- The study window's frame ----------------------------------------
    // The study's own mark, whatever window is active: a design window's
    // state never answers the study's close question.
    QString modifiedMark() const override { return studyMark_; }
    int childCount() const override;
    SaveOutcome saveStudy() override;
    // Switches the commands as an event of the study window requires.
    void applyStudyEvent(StudyEvent event);
    // The study window has closed: the frame forgets it.
    void studyWindowClosed(TFinforma* study);

    // --- File dialogs ---------------------------------------------------
    // Test seams: the file dialogs (the program's own unless replaced). A
    // file dialog, given the proposed name, returns the chosen full path or
    // an empty text when the user cancels.
    using AskFileName = std::function<QString(QWidget* parent, const QString& proposed)>;
    void setOpenDialog(AskFileName ask) { askOpen_ = std::move(ask); }
    void setSaveDialog(AskFileName ask) { askSave_ = std::move(ask); }
    // Test seam: the dialog that chooses the studies of a summary (none
    // chosen: an empty list).
    using AskFileNames = std::function<QStringList(QWidget* parent)>;
    void setSummaryDialog(AskFileNames ask) { askSummary_ = std::move(ask); }
    // Test seam: the dialog of "Abrir d&iseño..." (a design file or a run
    // table).
    void setOpenDesignDialog(AskFileName ask) { askOpenDesign_ = std::move(ask); }
    // Test seam: the print dialog of the worksheet (false when cancelled;
    // the program's is the standard print dialog).
    using PrintSetup = std::function<bool(QPrinter& printer, QWidget* parent)>;
    void setWorksheetPrintSetup(PrintSetup setup) { worksheetPrintSetup_ = std::move(setup); }
    // The file name the save dialog holds between uses.
    QString saveDialogFileName() const { return saveDialogFileName_; }

    // --- Start-up -------------------------------------------------------
    // Creates the splash window and, hidden, the print dialogs, sets the
    // help file and installs the menus' F1 handling.
    void startExtras();
    // Opens the file named by the first argument after the program's name:
    // a design file or a run table as "Abrir d&iseño..." does, any other
    // as "&Abrir..." does once a file is chosen; without one nothing happens.
    void openCommandLineStudy(const QStringList& arguments);
    // Whether a file named on the command line opens as a design: a design
    // file (*.w1d) or a run table (*.tsv, *.txt).
    static bool opensAsDesign(const QString& path);

    // Opens a study file as "&Abrir..." does once the file is chosen.
    bool openStudyFile(const QString& path);
    // Opens a design file, or a run table as a new design, as "Abrir
    // d&iseño..." does once the file is chosen: the file is read before its
    // window is made (one that cannot be read leaves no window), and a design
    // file already open brings its window to the front. The design window,
    // or nullptr.
    TFdiseno* openDesignFile(const QString& path);

public slots:
    void FileNew();
    void fileopen1();
    void spdguardar1Click();
    void SaveascondicionesClick();
    void mnucloseClick();
    void FileExit();
    void WindowTile();
    void WindowCascade();
    void HelpContents();
    void HelpSearch();
    void HelpHowToUse();
    void HelpAbout();
    void printLasserClick();
    void FilePrint();
    void mnudunetClick();
    void mnuinformeClick();
    void mnudetalleClick();
    // "Resumen de &robustez...": studies chosen in a dialog, summarized in a
    // new window.
    void mnuresumenClick();
    // "Nuevo &diseño...": an empty design window.
    void FileNewDesign();
    // "Abrir d&iseño...": a design file or a run table chosen in a dialog.
    void fileOpenDesign();
    // "Hoja de trabajo": the active design's worksheet through the print
    // dialog, laid out for the paper chosen.
    void printHojaClick();
    // "&Efectos del diseño": the active design's effects in a new window.
    void mnuefectosClick();
    void ShowHint(const QString& hint);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenu();
    void buildSpeedBar();
    void buildStatusPanels();
    QAction* addItem(QMenu* menu, const char* objectName, const QString& caption,
                     const QString& hint, int helpContext, void (TMainForm::*slot)(),
                     const QKeySequence& shortcut = {});
    QMenu* addMenu(QMenu* parent, const char* objectName, const QString& caption,
                   const QString& hint, int helpContext);
    QToolButton* addSpeedButton(const char* objectName, const char* icon, int x, int size,
                                const QString& hint, void (TMainForm::*slot)());
    TFinforma* createStudyWindow();
    static QPoint cascadePosition(int index, QSize size, QSize area);
    SaveOutcome saveStudyAs(bool fromSave);
    // False, with the message, when the study cannot be written as it stands.
    bool studyCanBeWritten();
    void writeStudy(const QString& path);
    // The study the frame's commands work on: the study window's controls.
    std::optional<robustez::StudyRecord> currentStudy() const;
    void showResults();
    void showReport();
    void showDetail();
    void showSummary(const QStringList& files);
    // A detail or summary window's F1 opens its help topic; its closing is
    // counted like any child's.
    void connectHelpTopicWindow(HelpTopicWindow* window);
    // Each time the frame becomes the active window.
    void frameActivated();
    // The "&Ventana" menu, as it opens: its entries, then one numbered entry
    // per open child window, the active one checked.
    void updateWindowMenu();
    // Brings a child window back into view, in front and active.
    void showChildWindow(QMdiSubWindow* sub);

    // The command states: the study's, as its events left them, and over
    // them the column of the kind of the active child.
    void setObjectsEnabled(std::string_view objectName, bool enabled);
    robustez::ActiveChild activeChildKind() const;
    void showActiveChildStates();
    // The active child window changed (or closed).
    void activeChildChanged();
    void showEstado();
    // The design screen's windows.
    void watchDesignHelpKey();
    TFdiseno* addDesignWindow(TFdiseno* window);
    void designWindowClosed(TFdiseno* window);
    void printWorksheet(const TFdiseno& design);
    void showEffects(const TFdiseno& design);
    // Salir: each modified design window is asked in turn; false when one
    // stays open.
    bool closeModifiedDesigns();

    QMdiArea* mdiArea_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    QList<QAction*> windowListActions_; // the open windows' entries
    QFrame* speedBar_ = nullptr;
    QLabel* statusLine_ = nullptr;
    QLabel* paneld_ = nullptr;
    QLabel* estado_ = nullptr;
    QPointer<TFinforma> studyWindow_;
    QString studyMark_;
    std::map<std::string, bool, std::less<>> studyStates_;
    QString saveDialogFileName_;
    AskFileName askOpen_;
    AskFileName askSave_;
    AskFileNames askSummary_;
    AskFileName askOpenDesign_;
    PrintSetup worksheetPrintSetup_;
    struct Windows;
    std::unique_ptr<Windows> windows_;
};
