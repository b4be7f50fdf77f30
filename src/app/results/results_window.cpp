#include "app/results/results_window.h"

#include "app/ui/table_copy.h"
#include "app/ui/window_parts.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QTableWidget>

namespace {

QTableWidget* makeGrid(QWidget* parent, const char* name, QRect geometry, int columns,
                       int columnWidth) {
    auto* grid = new QTableWidget(parent);
    grid->setObjectName(QString::fromLatin1(name));
    grid->setGeometry(geometry);
    grid->setColumnCount(columns);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(24);
    grid->horizontalHeader()->setDefaultSectionSize(columnWidth);
    grid->setShowGrid(true);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grid->setWordWrap(false);
    return grid;
}

template <typename Rows> void writeRows(QTableWidget* grid, const Rows& rows) {
    grid->setRowCount(static_cast<int>(rows.size()));
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t c = 0; c < rows[r].size(); ++c) {
            auto* item = new QTableWidgetItem(QString::fromStdString(rows[r][c]));
            item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            grid->setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    }
}

} // namespace

TFinfo::TFinfo(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Finfo"));
    setWindowTitle(QStringLiteral("Lista de medias aritméticas y t de Dunnett calculada"));
    setProperty("helpContext", kHelpContext);
    setFont(robustez::normalSystemFont(10));
    resize(kDesignSize);
    // The grids keep their places; a window smaller than they need scrolls.
    QWidget* content = robustez::scrollingContents(this, false);
    content->setFixedSize(841, 433);
    stgdunet1 = makeGrid(content, "stgdunet1", QRect(8, 0, 833, 225), 5, 135);
    stgdunet = makeGrid(content, "stgdunet", QRect(8, 232, 833, 201), 4, 180);
    robustez::installTableCopy(this, {stgdunet1, stgdunet});
    robustez::tipWholeCellTextWhenCut(stgdunet1);
    robustez::tipWholeCellTextWhenCut(stgdunet);
}

void TFinfo::fill(const robustez::ResultsTables& tables) {
    writeRows(stgdunet, tables.lower);
    writeRows(stgdunet1, tables.upper);
}

void TFinfo::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closing();
}
