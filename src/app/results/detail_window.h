#pragma once

#include "app/results/help_topic_window.h"
#include "core/stats/evidence.h"
#include "core/study/study_record.h"

#include <QSize>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace robustez {

// The evidence figure drawn at the widget's size.
class EvidenceFigureView : public QWidget {
    Q_OBJECT

public:
    explicit EvidenceFigureView(QWidget* parent = nullptr);

    void setEvidence(const StudyEvidence& evidence, const std::string& decimalSeparator);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    StudyEvidence evidence_;
    std::string separator_;
    bool hasEvidence_ = false;
};

// The equivalence limit typed in the detail window: empty for none; a
// number greater than 0 in the locale's notation (a full stop is read as
// well). Nothing for an empty text; an error for any other text.
struct TypedLimit {
    std::optional<double> value;
    bool valid = true;
};
TypedLimit readEquivalenceLimit(const QString& text, const std::string& decimalSeparator);

} // namespace robustez

// The window "Detalle estadístico": the evidence behind the verdict of one
// computation, a snapshot like the results window. The equivalence limit
// field judges the comparisons again at once; it is remembered between
// sessions. The figure and the tables can be saved as PDF, SVG or PNG.
class TFdetalle : public HelpTopicWindow {
    Q_OBJECT

public:
    static constexpr int kHelpContext = 12;
    static constexpr QSize kDesignSize{920, 640};
    // The settings key under which the last limit typed is kept.
    static constexpr const char* kLimitSetting = "detalle/limiteEquivalencia";

    // A save dialog: given the proposed name, the chosen path (empty when
    // cancelled); replaceable for tests.
    using AskSavePath = std::function<QString(QWidget* parent, const QString& proposed)>;

    TFdetalle(const robustez::StudyEvidence& evidence, const robustez::StudyRecord& study,
              const std::string& decimalSeparator, QWidget* parent = nullptr);

    const robustez::StudyEvidence& evidence() const { return evidence_; }

    // The designed size: what a frame arranging its windows gives it.
    QSize sizeHint() const override { return kDesignSize; }

    // Test seam: the save dialog (a file dialog unless replaced).
    AskSavePath askSavePath;

    QLineEdit* elimite = nullptr;        // the equivalence limit
    QPushButton* botonguardar = nullptr; // saves the figure and the tables
    QTableWidget* stgcomparaciones = nullptr;
    QTableWidget* stgresumen = nullptr;
    robustez::EvidenceFigureView* figura = nullptr;

public slots:
    // Judges the comparisons with the limit typed, refills and redraws.
    void elimiteChanged(const QString& text);
    // Asks for a file name and writes the detail page as PDF, SVG or PNG by
    // the name's extension.
    void botonguardarClick();

private:
    void fillTables();

    robustez::StudyEvidence evidence_;
    robustez::StudyRecord study_;
    std::string separator_;
};
