#pragma once

#include "app/results/help_topic_window.h"
#include "core/design/design_analysis.h"
#include "core/design/design_study.h"

#include <QSize>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QBoxLayout;
class QComboBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace robustez {

// The figure of one response of a design screen (the half-normal plot and
// the effects chart) drawn at the widget's size; blank without an analysis.
class DesignFigureView : public QWidget {
    Q_OBJECT

public:
    explicit DesignFigureView(QWidget* parent = nullptr);

    void setFigure(const design::DesignStudy& study,
                   const std::optional<design::ResponseAnalysis>& analysis,
                   std::optional<double> limitPct, const std::string& decimalSeparator);
    // The base text size of the figure, in pixels.
    double fontSize() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    design::DesignStudy study_;
    std::optional<design::ResponseAnalysis> analysis_;
    std::optional<double> limit_;
    std::string separator_;
};

} // namespace robustez

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

    const robustez::design::DesignStudy& study() const { return study_; }
    // Every response analysed with the limit and the estimate chosen; empty
    // when the analysis failed (its message is the conclusion's text).
    const std::vector<robustez::design::ResponseAnalysis>& analyses() const { return analyses_; }
    // The estimate the analysis takes when none is chosen.
    robustez::design::Estimate defaultEstimate() const { return default_; }
    // The table as the clipboard receives it: header and rows, tab-separated.
    QString tableText() const;

    // The response shown (0-based) and the estimate chosen; choosing one the
    // design cannot give shows why in the conclusion.
    void showResponse(int index);
    void chooseEstimate(robustez::design::Estimate estimate);

    QComboBox* cbrespuesta = nullptr;
    // Ficticios, Nominales, Dong and Lenth, in the order of design::Estimate.
    std::array<QRadioButton*, 4> rbestimacion{};
    QLineEdit* elimite = nullptr;
    QTableWidget* stgefectos = nullptr;
    QLabel* lestimacion = nullptr;   // the estimate, its figures, the base of %E, the limit
    QLabel* lequivalencia = nullptr; // each factor's equivalence, with a limit
    QLabel* lconclusion = nullptr;   // the conclusion, or the analysis' error
    QLabel* lintervalos = nullptr;   // the intervals without a significant effect
    QPushButton* botoncopiar = nullptr;
    QPushButton* botonguardar = nullptr;
    QPushButton* botonimprimir = nullptr;
    robustez::DesignFigureView* figura = nullptr;

public slots:
    // Judges equivalence with the limit typed (remembered with the one of
    // "Detalle estadístico") and shows the result again.
    void elimiteChanged(const QString& text);
    // "&Copiar" (Ctrl+C): the table on the clipboard.
    void copyTable();
    // "&Guardar...": the result pages as PDF, or the figure of the response
    // shown as SVG or as a PNG image, by the name's extension.
    void botonguardarClick();
    // "&Imprimir...": the result pages through the print dialog.
    void botonimprimirClick();

signals:
    // A line for the status bar (empty: none).
    void hintChanged(const QString& hint);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // The lines under the table, or beside it in a wide window.
    void arrangeLines();
    // The table as wide as its columns and as tall as its rows.
    void fitTableSize();
    // Analyses the study again and shows the result.
    void refresh();
    void showAnalysis();
    void fillTable();
    const robustez::design::ResponseAnalysis* shownAnalysis() const;

    robustez::design::DesignStudy study_;
    std::string separator_;
    std::optional<double> limit_;
    std::optional<robustez::design::Estimate> requested_;
    robustez::design::Estimate default_ = robustez::design::Estimate::Dong;
    std::vector<robustez::design::ResponseAnalysis> analyses_;
    QString error_;
    QBoxLayout* tableAndLines_ = nullptr;
    QBoxLayout* lines_ = nullptr;
};
