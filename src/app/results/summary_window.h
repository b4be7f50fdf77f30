#pragma once

#include "app/results/help_topic_window.h"
#include "core/report/summary.h"

#include <QSize>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QTableWidget;

namespace robustez {

// The forest plot of a summary drawn at the widget's width; as tall as its
// lines need, in a scrolling window.
class ForestPlotView : public QWidget {
    Q_OBJECT

public:
    explicit ForestPlotView(QWidget* parent = nullptr);

    void setSummary(const SummaryStudies& summary, const std::string& decimalSeparator);
    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SummaryStudies summary_;
    std::string separator_;
};

// The open dialog of a summary's studies: several "*.w1o" files at once,
// starting in the folder last used; none when cancelled.
QStringList askStudyFilesWithDialog(QWidget* parent);

} // namespace robustez

// The window "Resumen de robustez": several studies of one method judged
// together, with the table, the conclusion, the forest plot and the
// equivalence limit (shared with "Detalle estadístico"). The window holds
// only the list of its study files: adding or removing one reads them again.
class TFresumen : public HelpTopicWindow {
    Q_OBJECT

public:
    static constexpr int kHelpContext = 13;
    static constexpr QSize kDesignSize{960, 660};

    // Test seams: the dialogs (file dialogs and the program's print dialog
    // unless replaced). askStudyFiles returns the files chosen (none when
    // cancelled); askSavePath the path to save to (empty when cancelled);
    // printSetup sets the printer up and answers false when cancelled.
    using AskStudyFiles = std::function<QStringList(QWidget* parent)>;
    using AskSavePath = std::function<QString(QWidget* parent, const QString& proposed)>;
    using PrintSetup = std::function<bool(QPrinter& printer, QWidget* parent)>;
    AskStudyFiles askStudyFiles;
    AskSavePath askSavePath;
    PrintSetup printSetup;

    TFresumen(const QStringList& files, const std::string& decimalSeparator,
              QWidget* parent = nullptr);

    QSize sizeHint() const override { return kDesignSize; }
    // The size that shows the table's rows, the text and the whole figure
    // without scrolling (at least the design size).
    QSize openingSize() const;

    const QStringList& files() const { return files_; }
    const robustez::SummaryStudies& summary() const { return summary_; }
    // The table as the clipboard receives it: header and rows, tab-separated.
    QString tableText() const;

    QLineEdit* elimite = nullptr;
    QPushButton* botonagregar = nullptr;
    QPushButton* botonquitar = nullptr;
    QPushButton* botonguardar = nullptr;
    QPushButton* botonimprimir = nullptr;
    QTableWidget* stgresumen = nullptr;
    QLabel* lconclusion = nullptr;
    robustez::ForestPlotView* figura = nullptr;

public slots:
    void elimiteChanged(const QString& text);
    // "&Agregar estudios...": more study files, after the ones shown; a file
    // already in the summary is not added again, and hintChanged says so.
    void botonagregarClick();
    // "&Quitar estudio": the study of the table's current row leaves the list.
    void botonquitarClick();
    // "&Guardar...": the pages as PDF, or the whole forest plot as SVG or as
    // a PNG image, by the name's extension.
    void botonguardarClick();
    // "&Imprimir...": the pages through the print dialog, each with its
    // number and the date and time of printing.
    void botonimprimirClick();
    // "&Copiar" (Ctrl+C): the table on the clipboard.
    void copyTable();

signals:
    // A line for the status bar (empty: none).
    void hintChanged(const QString& hint);

private:
    // Reads the files again with the limit typed, and shows the result.
    void refresh();
    void fillTable();

    QStringList files_;
    std::string separator_;
    std::optional<double> limit_;
    robustez::SummaryStudies summary_;
    robustez::SummaryTable table_;
};
