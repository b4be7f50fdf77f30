#pragma once

#include "app/frame/about_box.h"
#include "app/frame/main_form.h"
#include "app/frame/splash_window.h"
#include "app/print/print_dialogs.h"
#include "app/results/detail_window.h"
#include "app/results/report_window.h"
#include "app/results/results_window.h"
#include "app/results/summary_window.h"
#include "core/stats/robustness.h"

#include <QPointer>

// The windows the frame opens, and the results instance shared by the
// results window and the text report.
struct TMainForm::Windows {
    robustez::RobustnessResults results;
    QPointer<TFinfo> lastResults;
    QPointer<Tfrminforme> lastReport;
    QPointer<TFdetalle> lastDetail;
    QPointer<TFresumen> lastSummary;
    QPointer<TAboutBox> lastAbout;
    QPointer<TFshow> splash;
    QPointer<TFoppr1> laserDialog;
    QPointer<TFOPRT> optionsDialog;
    QPointer<TFoppr> deskjetDialog;
};
