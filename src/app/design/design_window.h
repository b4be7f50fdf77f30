#pragma once

#include "core/design/design_study.h"

#include <QPointer>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableWidget;
class QTableWidgetItem;
class QTabWidget;

// The design window ("Diseño de robustez"): a child of the main window's
// frame in which one robustness screen by two-level design is planned, its
// runs listed for the bench and its responses typed or pasted. The window
// owns its document: the screen, its file name and its modified state; the
// frame's Guardar, Guardar como, Imprimir and Cerrar commands call on the
// active design window.
class TFdiseno : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHelpContext = 14;
    // The designed size of the window's contents and of the frame's child
    // window that holds it.
    static constexpr QSize kDesignSize{720, 440};
    static constexpr QSize kFrameDesignSize{728, 470};

    enum class SaveOutcome { Saved, Cancelled, Failed };

    // A save dialog, given the proposed name, returns the chosen full path
    // or an empty text when the user cancels.
    using AskFileName = std::function<QString(QWidget* parent, const QString& proposed)>;

    explicit TFdiseno(QWidget* parent = nullptr);
    ~TFdiseno() override;

    QSize sizeHint() const override { return kDesignSize; }

    // The screen as the controls hold it now (text being typed included),
    // its runs laid out for its design.
    robustez::design::DesignStudy designStudy() const;
    // Shows a screen read from a file. `path` is the design file's full path,
    // or empty for a screen read from a run table, which becomes a new,
    // unsaved design.
    void loadDesign(const robustez::design::DesignStudy& study, const QString& path);

    // "Nuevo" for a design never saved, otherwise its file's full path.
    QString documentName() const;
    // The window's title: "Diseño de robustez — " and the file's name.
    bool isModified() const;

    // Every response of every run has a value: the effects can be computed.
    bool responsesComplete() const;

    // Guardar: to the design's own file, or through the save dialog for a
    // new one; Guardar como: always through the save dialog. The same safe
    // save as study files; a failure is shown to the user and leaves the
    // window, its name and its modified state as they were.
    SaveOutcome save();
    SaveOutcome saveAs();
    // Test seam: the save dialog (a file dialog with the filter "Diseños de
    // robustez (*.w1d)" unless replaced).
    AskFileName askSavePath;

signals:
    // The modified state changed (the frame shows "Modificado" while this
    // window is active).
    void modifiedChanged(bool modified);
    // The document's name changed (saved under a new name).
    void documentNameChanged(const QString& name);
    // The long part of a hint for the status line (empty: nothing).
    void hintChanged(const QString& hint);
    // Whether every response has a value changed.
    void responsesCompleteChanged(bool complete);
    // The window has accepted to close; the frame forgets it.
    void designClosed(TFdiseno* window);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setModified(bool modified);
    void updateTitle();

    void buildControls();
    QWidget* buildGeneralPage();
    QWidget* buildFactorsPage();
    QWidget* buildDesignPage();
    QWidget* buildRunsPage();

    // Shows the study's factors, responses, design and runs in the controls.
    void showStudy();
    void showFactors();
    void showResponses();
    void showDesigns();
    void showDesignChoice();
    void showRuns();
    void showRunHeaders();
    void fitRunColumns();

    // Lays the runs out again for `next` (its factors, responses, design,
    // nominal runs, order and seed), the typed responses following the runs
    // that survive; `responseOrigin` gives, for each response of `next`,
    // the response of the study it was (-1: a new one). Asks first when a
    // typed response is in a run that changes; false when the user says No.
    bool applyLayout(robustez::design::DesignStudy next, const std::vector<int>& responseOrigin);
    bool applyLayout(const robustez::design::DesignStudy& next);
    // The design for `factors` factors: the one chosen while it still fits,
    // the proposed one, or none.
    std::string designFor(int factors) const;
    void layOut(robustez::design::DesignStudy& study) const;

    void addFactor();
    void removeFactor();
    void addResponse();
    void removeResponse();
    void designRowChosen(int row);
    void nominalRunsChosen(int count);
    void orderChosen();
    void newSeed();
    void factorEdited(QTableWidgetItem* item);
    void responseEdited(QTableWidgetItem* item);
    void runCellEdited(QTableWidgetItem* item);
    void pasteResponses();
    void copyRuns();
    void showRunsMenu(const QPoint& position);
    void turnPage(int step);
    void editKeyPress(QLineEdit* edit, QKeyEvent* key, QWidget* next);
    bool tableKeyPress(QTableWidget* table, QKeyEvent* key, bool inEditor);

    // The first response cell whose text is not a number: (run, response).
    std::optional<std::pair<int, int>> unreadableCell() const;
    QString unreadableMessage(int run, int response) const;
    void markResponseCell(QTableWidgetItem* item, bool readable);
    int typedValueCount() const;
    void emitCompleteness();
    // Every typed response reads as a number; otherwise says which does not.
    bool responsesReadable();
    SaveOutcome saveTo(const QString& path);
    bool closeQuery();
    QString decimalSeparator() const;

    // The control that holds the widget: a table for its cell editor.
    QWidget* controlOf(QWidget* widget) const;
    void noteFocus(QWidget* widget, Qt::FocusReason reason);
    // Gives the control the focus as the window's move for the user.
    void moveFocus(QWidget* control);
    void queueFocusReturn();
    void returnFocus();
    void closeCellEditor(QTableWidget* table);

    QTabWidget* pages_ = nullptr;
    QLineEdit* emetodo = nullptr;
    QLineEdit* eanalista = nullptr;
    QLineEdit* efecha = nullptr;
    QTableWidget* tfactores = nullptr;
    QPushButton* bagregar = nullptr;
    QPushButton* bquitar = nullptr;
    QTableWidget* trespuestas = nullptr;
    QPushButton* bagregarr = nullptr;
    QPushButton* bquitarr = nullptr;
    QTableWidget* tdisenos = nullptr;
    QSpinBox* enominales = nullptr;
    QRadioButton* raleatorio = nullptr;
    QRadioButton* restandar = nullptr;
    QLabel* lsemilla = nullptr;
    QPushButton* bsemilla = nullptr;
    QTableWidget* tcorridas = nullptr;
    QPushButton* bcopiar = nullptr;
    QMenu* pmenu = nullptr;

    robustez::design::DesignStudy study_;
    // The responses as typed, one list a run, in the locale's notation.
    std::vector<QStringList> texts_;
    // The layout of a screen read from a run table (no design of the
    // catalogue), while its factors stay as they were.
    std::optional<robustez::design::DesignStudy> tableLayout_;
    // The user chose the design (otherwise the proposed one follows the
    // factors).
    bool designChosen_ = false;
    // The controls are being filled by the program: no change is the user's.
    int showing_ = 0;
    bool shown_ = false;
    // The control the user is in, and how many times the user chose one.
    QPointer<QWidget> userFocus_;
    int choices_ = 0;
    int movingFocus_ = 0;
    bool tabKeyDown_ = false;
    QString path_;
    bool modified_ = false;
    bool complete_ = false;
    bool closed_ = false;
};
