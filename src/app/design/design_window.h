#pragma once

#include "core/design/design_study.h"

#include <QSize>
#include <QString>
#include <QWidget>

#include <functional>

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

private:
    void setModified(bool modified);
    void updateTitle();

    robustez::design::DesignStudy study_;
    QString path_;
    bool modified_ = false;
    bool closed_ = false;
};
