#include "app/frame/program.h"

#include "app/results/detail_window.h"
#include "core/stats/evidence.h"
#include "core/stats/results_tables.h"
#include "app/results/results_window.h"
#include "app/print/print_dialogs.h"
#include "app/results/report_window.h"
#include "core/report/text_report.h"
#include "app/frame/about_box.h"
#include "app/frame/help_viewer.h"
#include "app/frame/main_form.h"
#include "app/frame/splash_window.h"
#include "core/study/errors.h"
#include "app/study/study_window.h"
#include "app/ui/messages.h"

#include <QApplication>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

namespace robustez {

namespace {

// The application-wide window references and the results instance shared by
// the results window and the text report.
struct Program {
    RobustnessResults results;
    QPointer<TFinfo> lastResultsWindow;
    QPointer<Tfrminforme> lastReportWindow;
    QPointer<TFdetalle> lastDetailWindow;
    QPointer<TAboutBox> lastAboutWindow;
    QPointer<TFshow> splash;
    QPointer<TFoppr1> laserDialog;
    QPointer<TFOPRT> optionsDialog;
    QPointer<TFoppr> deskjetDialog;
};

Program& program() {
    static Program instance;
    return instance;
}

std::string decimalSeparator() {
    return QLocale::system().decimalPoint().toStdString();
}

std::optional<StudyRecord> currentStudy(TMainForm& mainForm) {
    if (TFinforma* study = mainForm.studyWindow()) {
        return study->studyRecord();
    }
    return std::nullopt;
}

// "&t de Dunnett": computes, then shows a new results window; a failing
// computation opens no window.
void showResults(TMainForm& mainForm) {
    const std::optional<StudyRecord> study = currentStudy(mainForm);
    if (!study) {
        return;
    }
    const std::string separator = decimalSeparator();
    computeRobustness(*study, separator, program().results);

    auto* window = new TFinfo;
    QObject::connect(window, &TFinfo::closing, &mainForm, &TMainForm::childWindowClosing);
    program().lastResultsWindow = window;
    window->fill(composeResultsTables(program().results, *study, separator));
    mainForm.addChildWindow(window, TFinfo::kDesignSize, TMainForm::Placement::Centred);
}

// "&Informe": a new report window receives the report's lines; when the
// computation fails it keeps the lines written before it.
void showReport(TMainForm& mainForm) {
    const std::optional<StudyRecord> study = currentStudy(mainForm);
    if (!study) {
        return;
    }
    auto* window = new Tfrminforme;
    QObject::connect(window, &Tfrminforme::closing, &mainForm, &TMainForm::childWindowClosing);
    program().lastReportWindow = window;
    mainForm.addChildWindow(window, Tfrminforme::kDesignSize);

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
        composeTextReport(*study, decimalSeparator(), program().results, lines);
    } catch (...) {
        showLines();
        throw;
    }
    showLines();
}

// "&Detalle estadístico": the evidence of a fresh computation in a new
// window; a failing computation opens none.
void showDetail(TMainForm& mainForm) {
    const std::optional<StudyRecord> study = currentStudy(mainForm);
    if (!study) {
        return;
    }
    const std::string separator = decimalSeparator();
    const StudyEvidence evidence = computeEvidence(*study, separator);
    auto* window = new TFdetalle(evidence, *study, separator);
    window->requestHelp = [](int context) { HelpViewer::instance().context(context); };
    QObject::connect(window, &TFdetalle::closing, &mainForm, &TMainForm::childWindowClosing);
    program().lastDetailWindow = window;
    mainForm.addChildWindow(window, TFdetalle::kDesignSize, TMainForm::Placement::Centred);
}

void showDialog(QWidget* dialog) {
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

} // namespace

void installResultsCommands(TMainForm& mainForm) {
    TMainForm::Hooks& hooks = mainForm.hooks();
    hooks.dunnett = [&mainForm] { runCommand(&mainForm, [&mainForm] { showResults(mainForm); }); };
    hooks.informe = [&mainForm] { runCommand(&mainForm, [&mainForm] { showReport(mainForm); }); };
    hooks.detalle = [&mainForm] { runCommand(&mainForm, [&mainForm] { showDetail(mainForm); }); };
}

void startExtras(TMainForm& mainForm) {
    Program& p = program();
    HelpViewer::instance().setHelpFile(defaultHelpFilePath());

    p.splash = new TFshow(&mainForm);
    p.laserDialog = new TFoppr1(&mainForm);
    p.optionsDialog = new TFOPRT(&mainForm);
    p.deskjetDialog = new TFoppr(&mainForm);
    p.optionsDialog->setSelectionDialogs(p.laserDialog, p.deskjetDialog);
    const auto study = [&mainForm] { return currentStudy(mainForm); };
    p.laserDialog->currentStudy = study;
    p.deskjetDialog->currentStudy = study;

    TMainForm::Hooks& hooks = mainForm.hooks();
    hooks.formActivate = [] {
        if (program().splash) {
            program().splash->startSplashTimer();
        }
    };
    hooks.helpContents = [] { HelpViewer::instance().contents(); };
    hooks.helpSearch = [] { HelpViewer::instance().partialKey(QString()); };
    hooks.helpHowToUse = [] { HelpViewer::instance().helpOnHelp(); };
    hooks.helpContext = [](int context) { HelpViewer::instance().context(context); };
    // F1 in an open menu, or on a title highlighted with Alt, asks for its help.
    qApp->installEventFilter(new MenuHelpFilter(&mainForm));
    hooks.helpAbout = [&mainForm] { program().lastAboutWindow = new TAboutBox(&mainForm); };
    hooks.printLasser = [] { showDialog(program().laserDialog); };
    hooks.printDeskjet = [] { showDialog(program().deskjetDialog); };
}

void openCommandLineStudy(TMainForm& mainForm, const QStringList& arguments) {
    if (arguments.size() > 1) {
        mainForm.openStudyFile(arguments.at(1));
    }
}

} // namespace robustez
