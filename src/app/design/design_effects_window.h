#pragma once

#include "app/results/help_topic_window.h"
#include "core/design/design_study.h"

#include <QSize>
#include <QString>

#include <functional>
#include <string>

class QPrinter;

// The window "Efectos del diseño": the analysis of a robustness screen's
// responses, a snapshot of the design window it was opened from. A chooser
// of the response, of the estimate (those the design cannot give disabled)
// and the equivalence limit field; the effects table, the conclusion and the
// intervals; the half-normal plot and the effects chart. "Copiar" puts the
// table on the clipboard (TSV), "Guardar..." writes PDF, SVG or PNG, and
// "Imprimir..." prints the result pages.
class TFefectos : public HelpTopicWindow {
    Q_OBJECT

public:
    static constexpr int kHelpContext = 15;
    static constexpr QSize kDesignSize{960, 660};

    // Test seams, as in the summary window: the save dialog (the path, empty
    // when cancelled) and the print dialog (false when cancelled).
    using AskSavePath = std::function<QString(QWidget* parent, const QString& proposed)>;
    using PrintSetup = std::function<bool(QPrinter& printer, QWidget* parent)>;
    AskSavePath askSavePath;
    PrintSetup printSetup;

    // `documentName` is the design window's ("Nuevo" or a path); the title
    // ends in its file name. Every response of the study has its values.
    TFefectos(const robustez::design::DesignStudy& study, const QString& documentName,
              const std::string& decimalSeparator, QWidget* parent = nullptr);

    QSize sizeHint() const override { return kDesignSize; }

signals:
    // A line for the status bar (empty: none).
    void hintChanged(const QString& hint);

private:
    robustez::design::DesignStudy study_;
    std::string separator_;
};
