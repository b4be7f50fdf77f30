#pragma once

#include "core/report/page_canvas.h"
#include "core/report/page_layouts.h"
#include "core/stats/robustness.h"
#include "core/study/study_record.h"

#include <QDialog>
#include <QPrinter>

#include <functional>
#include <memory>
#include <optional>

class QButtonGroup;
class QGroupBox;
class QPushButton;

// The common body of the two print-selection dialogs: a radio group `opcion`
// choosing the page, "Aceptar" (BitBtn1, default) and "Cancelar" (BitBtn2,
// Esc). Not modal; closing only hides the dialog, which keeps its choices and
// its printer settings.
class PrintSelectionDialog : public QDialog {
    Q_OBJECT
public:
    // Runs the print dialog over `printer`; true when the user accepted it.
    using PrintSetup = std::function<bool(QPrinter& printer, QWidget* parent)>;
    // Opens the drawing surface of one print job on `printer`, a printer that
    // writes no file (copies into a file are the pages of one document).
    using CanvasFactory = std::function<std::unique_ptr<robustez::PageCanvas>(QPrinter& printer)>;
    // The open study, or nothing when no study window is open.
    using StudySource = std::function<std::optional<robustez::StudyRecord>()>;

    // Items of `opcion`.
    enum Item { GeneralPage = 0, ResultsPage = 1 };

    // Set by the main window: reads the current study window.
    StudySource currentStudy;
    // Test seam: the standard print dialog unless replaced.
    PrintSetup printSetup;
    // Test seam: the printer canvas unless replaced.
    CanvasFactory canvasFactory;
    // Test seam: the standard error box unless replaced.
    std::function<void(const QString& message)> showError;

    robustez::PrintLayout layout() const { return layout_; }
    QGroupBox* opcionBox() const { return opcionBox_; }
    QButtonGroup* opcion() const { return opcion_; }
    QPushButton* BitBtn1() const { return BitBtn1_; }
    QPushButton* BitBtn2() const { return BitBtn2_; }
    QPrinter& printer() { return printer_; }
    // This print path's own results, filled before each results page.
    const robustez::RobustnessResults& results() const { return results_; }

public slots:
    void BitBtn1Click();
    void BitBtn2Click();

protected:
    PrintSelectionDialog(robustez::PrintLayout layout, const QString& groupCaption,
                         const QString& objectName, QWidget* parent);

private:
    // The canvas a copy is drawn on, asked for once its data are ready.
    using CopyCanvas = std::function<robustez::PageCanvas&()>;

    // Each copy a print job of its own, on the canvasFactory's canvas.
    void printCopiesAsJobs(int copies);
    // The copies as the pages of the one file the printer writes; a copy
    // that fails leaves no file.
    void printCopiesIntoFile(int copies);
    // Draws `copies` copies of the chosen page of the current study; false
    // when one failed (its error shown, the remaining copies dropped).
    bool printCopies(int copies, const CopyCanvas& canvasForCopy);
    // Draws one copy of the chosen page; false when it failed.
    bool printCopy(int item, const robustez::StudyRecord& study, const CopyCanvas& canvasForCopy);

    robustez::PrintLayout layout_;
    QGroupBox* opcionBox_;
    QButtonGroup* opcion_;
    QPushButton* BitBtn1_;
    QPushButton* BitBtn2_;
    QPrinter printer_;
    robustez::RobustnessResults results_;
};

// The laser selection dialog (form Foppr1): the laser pages.
class TFoppr1 : public PrintSelectionDialog {
    Q_OBJECT
public:
    explicit TFoppr1(QWidget* parent = nullptr);
};

// The DeskJet selection dialog (form Foppr): the DeskJet pages.
class TFoppr : public PrintSelectionDialog {
    Q_OBJECT
public:
    explicit TFoppr(QWidget* parent = nullptr);
};

// The print options dialog (form FOPRT): the printer type chooses which
// selection dialog its OK button opens; the margin choice is kept but read by
// nothing. Shown modally, always on top.
class TFOPRT : public QDialog {
    Q_OBJECT
public:
    enum Printer { DeskJet = 0, LaserJet = 1 };

    explicit TFOPRT(QWidget* parent = nullptr);

    // The two selection dialogs OK opens (created after this one at start-up).
    void setSelectionDialogs(TFoppr1* laser, TFoppr* deskJet);

    QGroupBox* SELECPRTBox() const { return selecprtBox_; }
    QButtonGroup* SELECPRT() const { return SELECPRT_; }
    QGroupBox* SELECMARBox() const { return selecmarBox_; }
    QButtonGroup* SELECMAR() const { return SELECMAR_; }
    QPushButton* BitBtn1() const { return BitBtn1_; }

public slots:
    void BitBtn1Click();

private:
    QGroupBox* selecprtBox_;
    QButtonGroup* SELECPRT_;
    QGroupBox* selecmarBox_;
    QButtonGroup* SELECMAR_;
    QPushButton* BitBtn1_;
    TFoppr1* laser_ = nullptr;
    TFoppr* deskJet_ = nullptr;
};

// The standard print dialog over `printer`.
bool runStandardPrintDialog(QPrinter& printer, QWidget* parent);
