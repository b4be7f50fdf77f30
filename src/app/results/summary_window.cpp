#include "app/results/summary_window.h"

#include "app/print/print_dialogs.h"
#include "app/results/detail_window.h"
#include "app/ui/file_dialogs.h"
#include "app/ui/messages.h"
#include "app/ui/table_copy.h"
#include "app/ui/window_parts.h"
#include "core/report/summary_figure.h"
#include "core/report/summary_page.h"
#include "core/study/errors.h"
#include "paint/figure_painter.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTableWidget>
#include <QVBoxLayout>

#include <vector>

namespace robustez {

namespace {

const QString kStudyFilter = QStringLiteral("Ormida v. w3.0 (*.w1o)");
// An A4 page in points.
constexpr double kA4Width = 595.276;
constexpr double kA4Height = 841.89;
// Table columns wider than this wrap their texts (a long condition name, a
// study's message).
constexpr int kWidestColumn = 240;

QString askSavePathWithDialog(QWidget* parent, const QString& proposed) {
    return askDrawingSavePath(parent, QStringLiteral("Guardar resumen"), proposed);
}

std::vector<std::string> toPaths(const QStringList& files) {
    std::vector<std::string> paths;
    for (const QString& file : files) {
        paths.push_back(file.toStdString()); // UTF-8, as the core takes paths
    }
    return paths;
}

// The footer of printed and saved pages: when they were made.
std::string footerNow() {
    return QStringLiteral("Resumen de robustez, %1")
        .arg(QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm")))
        .toStdString();
}

// Paints the pages, one a sheet, each over the whole sheet of the device.
void paintPages(QPainter& painter, QPagedPaintDevice& device,
                const std::vector<DisplayList>& pages) {
    const QRectF sheet(0, 0, device.width(), device.height());
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i > 0 && !device.newPage()) {
            throw RobustezError("No se pudo empezar una página nueva.");
        }
        paintDisplayList(painter, pages[i], sheet);
    }
}

void writeSummaryPdf(const QString& path, const SummaryStudies& summary,
                     const std::string& separator) {
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(300);
    writer.setCreator(kApplicationTitle);
    writer.setTitle(QStringLiteral("Resumen de robustez"));
    const std::vector<DisplayList> pages =
        composeSummaryPages(summary, kA4Width, kA4Height, separator, footerNow());
    QPainter painter;
    if (!painter.begin(&writer)) {
        throw RobustezError("No se pudo escribir " + path.toStdString());
    }
    paintPages(painter, writer, pages);
    painter.end();
}

// The files not among `present`, each once, in their order: the same file
// however its path is written. The others are returned in `repeated`.
QStringList newFiles(const QStringList& present, const QStringList& chosen, QStringList& repeated) {
    const auto identity = [](const QString& file) {
        const QFileInfo info(file);
        const QString canonical = info.canonicalFilePath();
        return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
    };
    QStringList seen;
    for (const QString& file : present) {
        seen << identity(file);
    }
    QStringList added;
    for (const QString& file : chosen) {
        const QString id = identity(file);
        if (seen.contains(id)) {
            repeated << QFileInfo(file).fileName();
        } else {
            seen << id;
            added << file;
        }
    }
    return added;
}

} // namespace

QStringList askStudyFilesWithDialog(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Estudios del resumen"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setNameFilter(kStudyFilter);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    startDialogAt(dialog, QString());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    rememberDialogFolder(dialog.selectedFiles().constFirst());
    return dialog.selectedFiles();
}

ForestPlotView::ForestPlotView(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
}

void ForestPlotView::setSummary(const SummaryStudies& summary,
                                const std::string& decimalSeparator) {
    summary_ = summary;
    separator_ = decimalSeparator;
    updateGeometry();
    update();
}

QSize ForestPlotView::sizeHint() const {
    return {640, heightForWidth(640)};
}

int ForestPlotView::heightForWidth(int width) const {
    return int(composeSummaryFigure(summary_, std::max(width, 200), separator_).height);
}

void ForestPlotView::paintEvent(QPaintEvent* /*event*/) {
    if (width() <= 0 || height() <= 0) {
        return;
    }
    const DisplayList figure = composeSummaryFigure(summary_, width(), separator_);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintDisplayList(painter, figure, QRectF(0, 0, figure.width, figure.height));
}

} // namespace robustez

TFresumen::TFresumen(const QStringList& files, const std::string& decimalSeparator, QWidget* parent)
    : HelpTopicWindow(kHelpContext, parent), files_(files), separator_(decimalSeparator) {
    setObjectName(QStringLiteral("Fresumen"));
    setWindowTitle(QStringLiteral("Resumen de robustez"));
    setFont(robustez::normalSystemFont(10));
    resize(kDesignSize);
    askStudyFiles = robustez::askStudyFilesWithDialog;
    askSavePath = robustez::askSavePathWithDialog;
    printSetup = runStandardPrintDialog;

    QWidget* content = robustez::scrollingContents(this, true);
    auto* limitLabel =
        new QLabel(QStringLiteral("&Límite de equivalencia (% de la media Normal)"), content);
    elimite = new QLineEdit(content);
    elimite->setObjectName(QStringLiteral("elimite"));
    elimite->setMaximumWidth(90);
    elimite->setToolTip(QStringLiteral("Vacío: sin juicio de equivalencia"));
    limitLabel->setBuddy(elimite);
    const auto button = [content](const char* name, const QString& text) {
        auto* made = new QPushButton(text, content);
        made->setObjectName(QString::fromLatin1(name));
        return made;
    };
    botonagregar = button("botonagregar", QStringLiteral("&Agregar estudios..."));
    botonquitar = button("botonquitar", QStringLiteral("&Quitar estudio"));
    botonguardar = button("botonguardar", QStringLiteral("&Guardar..."));
    botonimprimir = button("botonimprimir", QStringLiteral("&Imprimir..."));
    auto* top = new QHBoxLayout;
    top->addWidget(limitLabel);
    top->addWidget(elimite);
    top->addStretch(1);
    for (QPushButton* each : {botonagregar, botonquitar, botonguardar, botonimprimir}) {
        top->addWidget(each);
    }

    stgresumen = new QTableWidget(content);
    stgresumen->setObjectName(QStringLiteral("stgresumen"));
    stgresumen->verticalHeader()->hide();
    stgresumen->setEditTriggers(QAbstractItemView::NoEditTriggers);
    stgresumen->setSelectionBehavior(QAbstractItemView::SelectRows);
    stgresumen->setSelectionMode(QAbstractItemView::SingleSelection);
    stgresumen->setWordWrap(true);
    robustez::showWholeTextOfShortenedCells(stgresumen);
    stgresumen->setMinimumHeight(140);
    lconclusion = new QLabel(content);
    lconclusion->setObjectName(QStringLiteral("lconclusion"));
    lconclusion->setWordWrap(true);
    lconclusion->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = lconclusion->font();
    bold.setBold(true);
    lconclusion->setFont(bold);
    figura = new robustez::ForestPlotView(content);
    figura->setObjectName(QStringLiteral("figura"));

    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(top);
    layout->addWidget(stgresumen, 1);
    layout->addWidget(lconclusion);
    layout->addWidget(figura, 0);

    // "&Copiar": Ctrl+C anywhere in the window, and the table's menu.
    robustez::installCopyCommand(this, {stgresumen}, [this] { copyTable(); });

    // The limit is the one of "Detalle estadístico", remembered between
    // sessions.
    const QString remembered =
        QSettings().value(QLatin1String(TFdetalle::kLimitSetting)).toString();
    elimite->setText(remembered);
    elimiteChanged(remembered);
    connect(elimite, &QLineEdit::textChanged, this, &TFresumen::elimiteChanged);
    connect(botonagregar, &QPushButton::clicked, this, &TFresumen::botonagregarClick);
    connect(botonquitar, &QPushButton::clicked, this, &TFresumen::botonquitarClick);
    connect(botonguardar, &QPushButton::clicked, this, &TFresumen::botonguardarClick);
    connect(botonimprimir, &QPushButton::clicked, this, &TFresumen::botonimprimirClick);

    // F1 asks for this window's help topic, not for the contents.
    watchHelpKey();
}

void TFresumen::elimiteChanged(const QString& text) {
    const robustez::TypedLimit limit = robustez::readEquivalenceLimit(text, separator_);
    robustez::markLimitField(elimite, limit.valid);
    if (limit.valid) {
        QSettings().setValue(QLatin1String(TFdetalle::kLimitSetting), text.trimmed());
    }
    limit_ = limit.value;
    refresh();
}

void TFresumen::refresh() {
    summary_ = robustez::examineSummaryFiles(robustez::toPaths(files_), separator_, limit_);
    table_ = robustez::composeSummaryTable(summary_, separator_);
    fillTable();
    QStringList lines;
    for (const std::string& line :
         robustez::summaryHeadingLines(robustez::summaryHeading(summary_))) {
        lines << QString::fromStdString(line);
    }
    lines << QString();
    for (const std::string& line : robustez::summaryConclusionLines(summary_, separator_)) {
        lines << QString::fromStdString(line);
    }
    lconclusion->setText(lines.join(QLatin1Char('\n')));
    figura->setSummary(summary_, separator_);
    botonquitar->setEnabled(!files_.isEmpty());
}

void TFresumen::fillTable() {
    stgresumen->clear();
    stgresumen->setColumnCount(int(table_.header.size()));
    stgresumen->setRowCount(int(table_.rows.size()));
    QStringList header;
    for (const std::string& text : table_.header) {
        header << QString::fromStdString(text);
    }
    stgresumen->setHorizontalHeaderLabels(header);
    for (std::size_t r = 0; r < table_.rows.size(); ++r) {
        for (std::size_t c = 0; c < table_.rows[r].size(); ++c) {
            stgresumen->setItem(int(r), int(c),
                                new QTableWidgetItem(QString::fromStdString(table_.rows[r][c])));
        }
    }
    stgresumen->resizeColumnsToContents();
    for (int c = 0; c < stgresumen->columnCount(); ++c) {
        stgresumen->setColumnWidth(c,
                                   std::min(stgresumen->columnWidth(c), robustez::kWidestColumn));
    }
    stgresumen->resizeRowsToContents();
}

QSize TFresumen::openingSize() const {
    // The table whole (rows and, as far as it goes, columns), the text at the
    // table's width and the figure at that width, one above the other.
    const int frame = 2 * stgresumen->frameWidth();
    int tableWidth = frame + stgresumen->verticalHeader()->width();
    for (int c = 0; c < stgresumen->columnCount(); ++c) {
        tableWidth += stgresumen->columnWidth(c);
    }
    const int margins = 2 * 8;
    const int width = std::max(kDesignSize.width(), tableWidth + margins);
    const int inner = width - margins;
    int tableHeight = frame + stgresumen->horizontalHeader()->sizeHint().height() +
                      stgresumen->horizontalScrollBar()->sizeHint().height();
    for (int r = 0; r < stgresumen->rowCount(); ++r) {
        tableHeight += stgresumen->rowHeight(r);
    }
    tableHeight = std::max(tableHeight, stgresumen->minimumHeight());
    const int spacing = 4 * style()->pixelMetric(QStyle::PM_LayoutVerticalSpacing);
    const int height = margins + botonagregar->sizeHint().height() + tableHeight +
                       lconclusion->heightForWidth(inner) + figura->heightForWidth(inner) +
                       std::max(spacing, 24);
    return {width, std::max(kDesignSize.height(), height)};
}

QString TFresumen::tableText() const {
    return QString::fromStdString(robustez::summaryTsv(table_));
}

void TFresumen::copyTable() {
    QApplication::clipboard()->setText(tableText());
}

void TFresumen::botonagregarClick() {
    const QStringList chosen = askStudyFiles ? askStudyFiles(this) : QStringList();
    if (chosen.isEmpty()) {
        return;
    }
    QStringList repeated;
    const QStringList added = robustez::newFiles(files_, chosen, repeated);
    if (!repeated.isEmpty()) {
        emit hintChanged((repeated.size() == 1 ? QStringLiteral("Ya está en el resumen: %1.")
                                               : QStringLiteral("Ya están en el resumen: %1."))
                             .arg(repeated.join(QStringLiteral(", "))));
    }
    if (added.isEmpty()) {
        return;
    }
    files_ << added;
    refresh();
}

void TFresumen::botonquitarClick() {
    const int row = stgresumen->currentRow();
    if (row < 0 || row >= files_.size()) {
        return;
    }
    files_.removeAt(row);
    refresh();
    stgresumen->setCurrentCell(std::min(row, stgresumen->rowCount() - 1), 0);
}

void TFresumen::botonguardarClick() {
    const QString path = askSavePath ? askSavePath(this, QStringLiteral("resumen.pdf")) : QString();
    if (path.isEmpty()) {
        return;
    }
    robustez::runCommand(this, [&] {
        robustez::BusyCursor busy;
        const QString suffix = QFileInfo(path).suffix().toLower();
        if (suffix == QLatin1String("svg")) {
            robustez::writeSummaryFigureSvg(path, summary_, separator_);
        } else if (suffix == QLatin1String("png")) {
            robustez::writeSummaryFigurePng(path, summary_, separator_);
        } else {
            robustez::writeSummaryPdf(path, summary_, separator_);
        }
    });
}

void TFresumen::botonimprimirClick() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setFullPage(true);
    if (!printSetup || !printSetup(printer, this)) {
        return;
    }
    robustez::runCommand(this, [&] {
        robustez::BusyCursor busy;
        // The pages are laid out for the paper chosen (A4 or Letter).
        const QRectF paper = printer.pageLayout().fullRect(QPageLayout::Point);
        const std::vector<robustez::DisplayList> pages = robustez::composeSummaryPages(
            summary_, paper.width(), paper.height(), separator_, robustez::footerNow());
        QPainter painter;
        if (!painter.begin(&printer)) {
            throw robustez::RobustezError("No se pudo imprimir el resumen.");
        }
        try {
            robustez::paintPages(painter, printer, pages);
        } catch (...) {
            printer.abort();
            throw;
        }
        painter.end();
    });
}
