#pragma once

#include "core/stats/results_tables.h"

#include <QWidget>

class QTableWidget;

// The results window "Lista de medias aritméticas y t de Dunnett calculada":
// two read-only grids filled once, when the window is created. "&Copiar"
// (Ctrl+C, or either grid's context menu) puts both on the clipboard, the
// upper one first.
class TFinfo : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHelpContext = 11;
    static constexpr QSize kDesignSize{866, 478};

    explicit TFinfo(QWidget* parent = nullptr);

    // The designed size: what a frame arranging its windows gives it.
    QSize sizeHint() const override { return kDesignSize; }

    // Writes the texts of both grids (the upper one with 6 rows, the lower
    // one with 5).
    void fill(const robustez::ResultsTables& tables);

    QTableWidget* stgdunet1 = nullptr; // means, deviations, variation, differences
    QTableWidget* stgdunet = nullptr;  // settings, t values and verdicts

signals:
    // The window has accepted to close and is still counted among the
    // frame's child windows.
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;
};
