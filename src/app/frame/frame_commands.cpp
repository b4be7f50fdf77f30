// The frame's commands that open other windows: the results, report and
// detail windows, the print dialogs, help and About; and the program's
// start-up steps that create the splash window and the hidden dialogs.
#include "app/frame/frame_windows.h"
#include "app/frame/main_form.h"

#include "app/frame/about_box.h"
#include "app/frame/help_viewer.h"
#include "app/frame/splash_window.h"
#include "app/print/print_dialogs.h"
#include "app/results/detail_window.h"
#include "app/results/report_window.h"
#include "app/results/results_window.h"
#include "app/results/summary_window.h"
#include "app/study/study_window.h"
#include "app/ui/messages.h"
#include "core/report/text_report.h"
#include "core/stats/evidence.h"
#include "core/stats/results_tables.h"

#include <QApplication>
#include <QFileInfo>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QStringList>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

using robustez::runCommand;

namespace {

std::string decimalSeparator() {
    return QLocale::system().decimalPoint().toStdString();
}

// A window made from a study keeps its numbers when the study changes or
// closes: its title names the study it was made from, by its file name
// without the folder, or "Nuevo" for a study never saved.
void nameStudyInTitle(QWidget* window, const TFinforma& study) {
    window->setWindowTitle(window->windowTitle() + QStringLiteral(" — ") +
                           QFileInfo(study.documentName()).fileName());
}

void showDialog(QWidget* dialog) {
    if (dialog == nullptr) {
        return; // the program's start-up has not created it
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

} // namespace

std::optional<robustez::StudyRecord> TMainForm::currentStudy() const {
    if (studyWindow_ != nullptr) {
        return studyWindow_->studyRecord();
    }
    return std::nullopt;
}

// "&t de Dunnett": computes, then shows a new results window; a failing
// computation opens no window.
void TMainForm::showResults() {
    const std::optional<robustez::StudyRecord> study = currentStudy();
    if (!study) {
        return;
    }
    const std::string separator = decimalSeparator();
    robustez::computeRobustness(*study, separator, windows_->results);

    auto* window = new TFinfo;
    nameStudyInTitle(window, *studyWindow_);
    connect(window, &TFinfo::closing, this, &TMainForm::childWindowClosing);
    windows_->lastResults = window;
    window->fill(robustez::composeResultsTables(windows_->results, *study, separator));
    addChildWindow(window, TFinfo::kDesignSize, Placement::Centred);
}

// "&Informe": a new report window receives the report's lines; when the
// computation fails it keeps the lines written before it.
void TMainForm::showReport() {
    const std::optional<robustez::StudyRecord> study = currentStudy();
    if (!study) {
        return;
    }
    auto* window = new Tfrminforme;
    nameStudyInTitle(window, *studyWindow_);
    connect(window, &Tfrminforme::closing, this, &TMainForm::childWindowClosing);
    windows_->lastReport = window;
    addChildWindow(window, Tfrminforme::kDesignSize);

    std::vector<std::string> lines;
    const auto showLines = [&] {
        QStringList texts;
        texts.reserve(static_cast<qsizetype>(lines.size()));
        for (const std::string& line : lines) {
            texts << QString::fromStdString(line);
        }
        window->setLines(texts);
    };
    try {
        robustez::composeTextReport(*study, decimalSeparator(), windows_->results, lines);
    } catch (...) {
        showLines();
        throw;
    }
    showLines();
}

void TMainForm::connectHelpTopicWindow(HelpTopicWindow* window) {
    connect(window, &HelpTopicWindow::helpRequested, this,
            [](int context) { HelpViewer::instance().context(context); });
    connect(window, &HelpTopicWindow::closing, this, &TMainForm::childWindowClosing);
}

// "&Detalle estadístico": the evidence of a fresh computation in a new
// window; a failing computation opens none.
void TMainForm::showDetail() {
    const std::optional<robustez::StudyRecord> study = currentStudy();
    if (!study) {
        return;
    }
    const std::string separator = decimalSeparator();
    const robustez::StudyEvidence evidence = robustez::computeEvidence(*study, separator);
    auto* window = new TFdetalle(evidence, *study, separator);
    nameStudyInTitle(window, *studyWindow_);
    connectHelpTopicWindow(window);
    windows_->lastDetail = window;
    addChildWindow(window, TFdetalle::kDesignSize, Placement::Centred);
}

// "Resumen de &robustez...": the studies chosen, in a new window.
void TMainForm::showSummary(const QStringList& files) {
    auto* window = new TFresumen(files, decimalSeparator());
    connectHelpTopicWindow(window);
    windows_->lastSummary = window;
    connect(window, &TFresumen::hintChanged, this, &TMainForm::ShowHint);
    QMdiSubWindow* sub = addChildWindow(window, TFresumen::kDesignSize, Placement::Centred);
    if (!sub->isMaximized()) {
        // Opened to show its table, text and figure whole where there is room.
        const QSize area = mdiArea_->viewport()->size();
        sub->resize((window->openingSize() + (sub->size() - window->size())).boundedTo(area));
        sub->move(std::max(0, (area.width() - sub->width()) / 2),
                  std::max(0, (area.height() - sub->height()) / 2));
    }
}

void TMainForm::startExtras() {
    HelpViewer::instance().setHelpFile(defaultHelpFilePath());
    windows_->splash = new TFshow(this);
    windows_->laserDialog = new TFoppr1(this);
    windows_->optionsDialog = new TFOPRT(this);
    windows_->deskjetDialog = new TFoppr(this);
    windows_->optionsDialog->setSelectionDialogs(windows_->laserDialog, windows_->deskjetDialog);
    const auto study = [this] { return currentStudy(); };
    windows_->laserDialog->currentStudy = study;
    windows_->deskjetDialog->currentStudy = study;
    // F1 in an open menu, or on a title highlighted with Alt, asks for its help.
    qApp->installEventFilter(new MenuHelpFilter(this));
}

void TMainForm::frameActivated() {
    if (windows_->splash != nullptr) {
        windows_->splash->startSplashTimer();
    }
}

void TMainForm::openCommandLineStudy(const QStringList& arguments) {
    if (arguments.size() > 1) {
        // A box the opening shows (an error, the decimal separator question)
        // takes the activation the splash waits for to start its timer: it
        // starts here, so the splash does not stay over the box.
        frameActivated();
        const QString& path = arguments.at(1);
        if (opensAsDesign(path)) {
            openDesignFile(path);
        } else {
            openStudyFile(path);
        }
    }
}

// --- Commands ---------------------------------------------------------------

void TMainForm::HelpContents() {
    HelpViewer::instance().contents();
}

void TMainForm::HelpSearch() {
    HelpViewer::instance().partialKey(QString());
}

void TMainForm::HelpHowToUse() {
    HelpViewer::instance().helpOnHelp();
}

void TMainForm::HelpAbout() {
    windows_->lastAbout = new TAboutBox(this);
}

// The print button prints the active design's worksheet; otherwise the
// study's printers.
void TMainForm::printLasserClick() {
    if (activeDesignWindow() != nullptr) {
        printHojaClick();
        return;
    }
    showDialog(windows_->laserDialog);
}

void TMainForm::FilePrint() {
    if (activeDesignWindow() != nullptr) {
        printHojaClick();
        return;
    }
    showDialog(windows_->deskjetDialog);
}

void TMainForm::mnudunetClick() {
    runCommand(this, [this] { showResults(); });
}

void TMainForm::mnuinformeClick() {
    runCommand(this, [this] { showReport(); });
}

void TMainForm::mnudetalleClick() {
    runCommand(this, [this] { showDetail(); });
}

void TMainForm::mnuresumenClick() {
    const QStringList files = askSummary_ ? askSummary_(this) : QStringList();
    if (!files.isEmpty()) {
        runCommand(this, [this, &files] { showSummary(files); });
    }
}
