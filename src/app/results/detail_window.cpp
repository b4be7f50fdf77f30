#include "app/results/detail_window.h"

#include "app/ui/file_dialogs.h"

#include "app/ui/messages.h"
#include "app/ui/table_copy.h"
#include "app/ui/window_parts.h"
#include "core/stats/evidence_tables.h"
#include "core/study/conversions.h"
#include "paint/figure_painter.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>
#include <exception>

namespace robustez {

namespace {

// The sizes of the saved files: an A4 page, and an image of the window's
// proportions for SVG and PNG.
constexpr QSizeF kSavedDrawing{1600, 1000};
constexpr QSize kSavedImage{1600, 1000};

QString askWithDialog(QWidget* parent, const QString& proposed) {
    return askDrawingSavePath(parent, QStringLiteral("Guardar figura y tablas"), proposed);
}

QTableWidget* makeTable(QWidget* parent, const char* name) {
    auto* table = new QTableWidget(parent);
    table->setObjectName(QString::fromLatin1(name));
    table->horizontalHeader()->hide();
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(24);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::ContiguousSelection);
    table->setWordWrap(true);
    table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    robustez::showWholeTextOfShortenedCells(table);
    return table;
}

// The width a column needs: its widest cell below the heading, and at least
// the longest word of the heading, which wraps over as many lines as it needs.
int columnWidthFor(const QTableWidget* table, int column, bool headingRow) {
    const QFontMetrics metrics(table->font());
    const QFontMetrics boldMetrics([&] {
        QFont bold = table->font();
        bold.setBold(true);
        return bold;
    }());
    constexpr int kPadding = 12;
    int width = 0;
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem* item = table->item(row, column);
        if (item == nullptr) {
            continue;
        }
        if (row == 0 && headingRow) {
            for (const QString& word : item->text().split(QLatin1Char(' '))) {
                width = std::max(width, boldMetrics.horizontalAdvance(word));
            }
        } else {
            width = std::max(width, metrics.horizontalAdvance(item->text()));
        }
    }
    return width + kPadding;
}

// Writes the rows into the table; with a heading row, the headings are bold
// and wrap, so the columns are as wide as their values.
void writeTable(QTableWidget* table, const EvidenceTables::Table& rows, bool headingRow) {
    table->clear();
    table->setRowCount(static_cast<int>(rows.size()));
    int columns = 0;
    for (const auto& row : rows) {
        columns = std::max(columns, static_cast<int>(row.size()));
    }
    table->setColumnCount(columns);
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t c = 0; c < rows[r].size(); ++c) {
            auto* item = new QTableWidgetItem(QString::fromStdString(rows[r][c]));
            if (r == 0 && headingRow) {
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
                item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            }
            table->setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    }
    for (int column = 0; column < columns; ++column) {
        table->setColumnWidth(column, columnWidthFor(table, column, headingRow));
    }
    table->resizeRowsToContents();
    table->setFixedHeight(table->verticalHeader()->length() + 2 * table->frameWidth());
    table->setMaximumWidth(table->horizontalHeader()->length() + 2 * table->frameWidth());
}

} // namespace

EvidenceFigureView::EvidenceFigureView(QWidget* parent) : QWidget(parent) {
    setMinimumSize(320, 200);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
}

void EvidenceFigureView::setEvidence(const StudyEvidence& evidence,
                                     const std::string& decimalSeparator) {
    evidence_ = evidence;
    separator_ = decimalSeparator;
    hasEvidence_ = true;
    update();
}

void EvidenceFigureView::paintEvent(QPaintEvent* /*event*/) {
    if (!hasEvidence_ || width() <= 0 || height() <= 0) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const DisplayList figure = composeEvidenceFigure(evidence_, width(), height(), separator_);
    paintDisplayList(painter, figure, QRectF(rect()));
}

TypedLimit readEquivalenceLimit(const QString& text, const std::string& decimalSeparator) {
    const std::string typed = text.trimmed().toStdString();
    if (typed.empty()) {
        return {std::nullopt, true};
    }
    double value = 0;
    if (!tryToDecimal(typed, decimalSeparator, value) && !tryToDecimal(typed, ".", value)) {
        return {std::nullopt, false};
    }
    if (!(value > 0) || !std::isfinite(value)) {
        return {std::nullopt, false};
    }
    return {value, true};
}

} // namespace robustez

TFdetalle::TFdetalle(const robustez::StudyEvidence& evidence, const robustez::StudyRecord& study,
                     const std::string& decimalSeparator, QWidget* parent)
    : HelpTopicWindow(kHelpContext, parent), evidence_(evidence), study_(study),
      separator_(decimalSeparator) {
    setObjectName(QStringLiteral("Fdetalle"));
    setWindowTitle(QStringLiteral("Detalle estadístico"));
    setFont(robustez::normalSystemFont(10));
    resize(kDesignSize);
    askSavePath = robustez::askWithDialog;

    // Smaller than its contents (a tile of Mosaico), the window scrolls.
    QWidget* content = robustez::scrollingContents(this, true);
    content->setObjectName(QStringLiteral("contenido"));

    auto* limitLabel =
        new QLabel(QStringLiteral("&Límite de equivalencia (% de la media Normal)"), content);
    elimite = new QLineEdit(content);
    elimite->setObjectName(QStringLiteral("elimite"));
    elimite->setMaximumWidth(90);
    elimite->setToolTip(QStringLiteral("Vacío: sin juicio de equivalencia"));
    limitLabel->setBuddy(elimite);
    botonguardar = new QPushButton(QStringLiteral("&Guardar figura y tablas..."), content);
    botonguardar->setObjectName(QStringLiteral("botonguardar"));
    auto* top = new QHBoxLayout;
    top->addWidget(limitLabel);
    top->addWidget(elimite);
    top->addStretch(1);
    top->addWidget(botonguardar);

    stgcomparaciones = robustez::makeTable(content, "stgcomparaciones");
    stgresumen = robustez::makeTable(content, "stgresumen");
    figura = new robustez::EvidenceFigureView(content);
    figura->setObjectName(QStringLiteral("figura"));

    auto* tables = new QHBoxLayout;
    tables->addWidget(stgresumen, 0, Qt::AlignTop);
    tables->addStretch(1);

    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(top);
    layout->addWidget(stgcomparaciones, 0, Qt::AlignLeft);
    layout->addLayout(tables);
    layout->addWidget(figura, 1);

    // The last limit typed, remembered between sessions.
    const QString remembered = QSettings().value(QLatin1String(kLimitSetting)).toString();
    elimite->setText(remembered);
    elimiteChanged(remembered);
    connect(elimite, &QLineEdit::textChanged, this, &TFdetalle::elimiteChanged);
    connect(botonguardar, &QPushButton::clicked, this, &TFdetalle::botonguardarClick);

    // Ctrl+C and "&Copiar" put both tables on the clipboard, as shown.
    robustez::installTableCopy(this, {stgcomparaciones, stgresumen});

    // F1 asks for this window's help topic, not for the contents.
    watchHelpKey();
}

void TFdetalle::elimiteChanged(const QString& text) {
    const robustez::TypedLimit limit = robustez::readEquivalenceLimit(text, separator_);
    robustez::setEquivalenceLimit(evidence_, limit.value);
    // A text that is not a limit judges nothing and is shown as such.
    robustez::markLimitField(elimite, limit.valid);
    if (limit.valid) {
        QSettings().setValue(QLatin1String(kLimitSetting), text.trimmed());
    }
    fillTables();
    figura->setEvidence(evidence_, separator_);
}

void TFdetalle::fillTables() {
    const robustez::EvidenceTables tables = robustez::composeEvidenceTables(evidence_, separator_);
    robustez::writeTable(stgcomparaciones, tables.comparisons, true);
    robustez::writeTable(stgresumen, tables.summary, false);
}

void TFdetalle::botonguardarClick() {
    const QString path = askSavePath ? askSavePath(this, QStringLiteral("detalle.pdf")) : QString();
    if (path.isEmpty()) {
        return;
    }
    robustez::runCommand(this, [&] {
        robustez::BusyCursor busy;
        const QString suffix = QFileInfo(path).suffix().toLower();
        if (suffix == QLatin1String("svg")) {
            robustez::writeDetailSvg(path, evidence_, study_, separator_, robustez::kSavedDrawing);
        } else if (suffix == QLatin1String("png")) {
            robustez::writeDetailPng(path, evidence_, study_, separator_, robustez::kSavedImage);
        } else {
            robustez::writeDetailPdf(path, evidence_, study_, separator_);
        }
    });
}
