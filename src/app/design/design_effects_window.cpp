#include "app/design/design_effects_window.h"

#include "app/print/print_dialogs.h"
#include "app/results/detail_window.h"
#include "app/ui/file_dialogs.h"
#include "app/ui/messages.h"
#include "app/ui/table_copy.h"
#include "app/ui/window_parts.h"
#include "core/report/design_figure.h"
#include "core/report/design_page.h"
#include "core/report/design_table.h"
#include "core/study/errors.h"
#include "paint/figure_painter.h"
#include "paint/pages_pdf.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

namespace robustez {

namespace {

using design::Estimate;

// The estimates in the chooser, in the order of design::Estimate, and why the
// design cannot give one.
struct EstimateChoice {
    Estimate estimate;
    const char* text;
    const char* missing; // the tooltip of a disabled choice
};
constexpr std::array<EstimateChoice, 4> kEstimateChoices = {{
    {Estimate::Dummy, "&Ficticios", "El diseño no tiene columnas ficticias."},
    {Estimate::Nominal, "&Nominales", "Se necesitan al menos 2 ensayos nominales."},
    {Estimate::Dong, "&Dong", ""},
    {Estimate::Lenth, "L&enth", ""},
}};

// The figure's width in the saved SVG and PNG (pixels at 96 per inch), as
// the report tool draws it, and its text size.
constexpr double kSavedFigureWidth = 1000;
constexpr double kSavedFigureFont = kSavedFigureWidth / 70;
// Table columns wider than this wrap their texts (a long factor name).
constexpr int kWidestColumn = 260;
// At most this many rows in view; more scroll in the table.
constexpr int kRowsInView = 16;
// The width beside the table from which the lines under it go there.
constexpr int kLinesBeside = 380;
// The effects table's verdict and equivalence columns.
constexpr std::size_t kFirstVerdictColumn = 6;
const QString kDocumentTitle = QStringLiteral("Cribado de robustez por diseño");

QString askSavePathWithDialog(QWidget* parent, const QString& proposed) {
    return askDrawingSavePath(parent, QStringLiteral("Guardar efectos del diseño"), proposed);
}

QString joined(const std::vector<std::string>& lines) {
    QStringList texts;
    for (const std::string& line : lines) {
        texts << QString::fromStdString(line);
    }
    return texts.join(QLatin1Char('\n'));
}

// "Contenido (%)", or the name alone without a unit.
QString responseTitle(const design::DesignResponse& response) {
    const QString name = QString::fromStdString(response.name);
    return response.unit.empty()
               ? name
               : QStringLiteral("%1 (%2)").arg(name, QString::fromStdString(response.unit));
}

bool canGive(const design::ResponseAnalysis& a, Estimate estimate) {
    switch (estimate) {
    case Estimate::Dummy:
        return a.dummy.has_value();
    case Estimate::Nominal:
        return a.nominal.has_value();
    case Estimate::Dong:
    case Estimate::Lenth:
        return true;
    }
    return false;
}

DisplayList savedFigure(const design::DesignStudy& study, const design::ResponseAnalysis& a,
                        std::optional<double> limit, std::string_view separator) {
    const double height = designFigureHeight(a.effects.size(), kSavedFigureWidth, kSavedFigureFont);
    return composeDesignFigure(study, a, limit, kSavedFigureWidth, height, separator,
                               kSavedFigureFont);
}

} // namespace

DesignFigureView::DesignFigureView(QWidget* parent) : QWidget(parent) {
    setMinimumSize(480, 300);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
}

void DesignFigureView::setFigure(const design::DesignStudy& study,
                                 const std::optional<design::ResponseAnalysis>& analysis,
                                 std::optional<double> limitPct,
                                 const std::string& decimalSeparator) {
    study_ = study;
    analysis_ = analysis;
    limit_ = limitPct;
    separator_ = decimalSeparator;
    // Every column's bar a row of its own.
    const std::size_t columns = analysis ? analysis->effects.size() : 0;
    setMinimumHeight(int(std::min(designFigureHeight(columns, 480, fontSize()), 900.0)));
    update();
}

double DesignFigureView::fontSize() const {
    return std::max(10, QFontInfo(font()).pixelSize());
}

void DesignFigureView::paintEvent(QPaintEvent* /*event*/) {
    if (!analysis_ || width() <= 0 || height() <= 0) {
        return;
    }
    DisplayList figure;
    try {
        figure = composeDesignFigure(study_, *analysis_, limit_, width(), height(), separator_,
                                     fontSize());
    } catch (const std::exception&) {
        return; // a box the figure cannot be drawn in stays blank
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintDisplayList(painter, figure, QRectF(rect()));
}

} // namespace robustez

TFefectos::TFefectos(const robustez::design::DesignStudy& study, const QString& documentName,
                     const std::string& decimalSeparator, QWidget* parent)
    : HelpTopicWindow(kHelpContext, parent), study_(study), separator_(decimalSeparator) {
    setObjectName(QStringLiteral("Fefectos"));
    setWindowTitle(QStringLiteral("Efectos del diseño — ") + QFileInfo(documentName).fileName());
    setFont(robustez::normalSystemFont(10));
    resize(kDesignSize);
    askSavePath = robustez::askSavePathWithDialog;
    printSetup = runStandardPrintDialog;

    QWidget* content = robustez::scrollingContents(this, true);
    content->setObjectName(QStringLiteral("contenido"));

    auto* responseLabel = new QLabel(QStringLiteral("&Respuesta:"), content);
    cbrespuesta = new QComboBox(content);
    cbrespuesta->setObjectName(QStringLiteral("cbrespuesta"));
    cbrespuesta->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    for (const robustez::design::DesignResponse& response : study_.responses) {
        cbrespuesta->addItem(robustez::responseTitle(response));
    }
    responseLabel->setBuddy(cbrespuesta);
    auto* limitLabel = new QLabel(QStringLiteral("&Límite de equivalencia (%)"), content);
    elimite = new QLineEdit(content);
    elimite->setObjectName(QStringLiteral("elimite"));
    elimite->setMinimumWidth(60);
    elimite->setMaximumWidth(90);
    elimite->setToolTip(QStringLiteral("Vacío: sin juicio de equivalencia"));
    limitLabel->setBuddy(elimite);
    const auto button = [content](const char* name, const QString& text) {
        auto* made = new QPushButton(text, content);
        made->setObjectName(QString::fromLatin1(name));
        return made;
    };
    // Alt+O: Alt+C is the frame's "&Cálculos", as in the design window.
    botoncopiar = button("botoncopiar", QStringLiteral("C&opiar"));
    botonguardar = button("botonguardar", QStringLiteral("&Guardar..."));
    botonimprimir = button("botonimprimir", QStringLiteral("&Imprimir..."));
    auto* top = new QHBoxLayout;
    top->addWidget(responseLabel);
    top->addWidget(cbrespuesta);
    top->addSpacing(16);
    top->addWidget(limitLabel);
    top->addWidget(elimite);
    top->addStretch(1);
    for (QPushButton* each : {botoncopiar, botonguardar, botonimprimir}) {
        top->addWidget(each);
    }

    auto* estimates = new QHBoxLayout;
    estimates->addWidget(new QLabel(QStringLiteral("Estimación del efecto crítico:"), content));
    auto* group = new QButtonGroup(this);
    for (std::size_t i = 0; i < rbestimacion.size(); ++i) {
        const robustez::EstimateChoice& choice = robustez::kEstimateChoices[i];
        QRadioButton* radio = new QRadioButton(QString::fromUtf8(choice.text), content);
        radio->setObjectName(QStringLiteral("rb") +
                             QString::fromLatin1(estimateKey(choice.estimate)));
        group->addButton(radio, int(i));
        estimates->addWidget(radio);
        rbestimacion[i] = radio;
    }
    estimates->addStretch(1);

    stgefectos = new QTableWidget(content);
    stgefectos->setObjectName(QStringLiteral("stgefectos"));
    stgefectos->verticalHeader()->hide();
    stgefectos->setEditTriggers(QAbstractItemView::NoEditTriggers);
    stgefectos->setSelectionBehavior(QAbstractItemView::SelectRows);
    stgefectos->setSelectionMode(QAbstractItemView::SingleSelection);
    stgefectos->setWordWrap(true);
    robustez::showWholeTextOfShortenedCells(stgefectos);
    stgefectos->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    const auto textLabel = [content](const char* name) {
        auto* label = new QLabel(content);
        label->setObjectName(QString::fromLatin1(name));
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return label;
    };
    lestimacion = textLabel("lestimacion");
    lconclusion = textLabel("lconclusion");
    QFont bold = lconclusion->font();
    bold.setBold(true);
    lconclusion->setFont(bold);
    lequivalencia = textLabel("lequivalencia");
    lintervalos = textLabel("lintervalos");
    figura = new robustez::DesignFigureView(content);
    figura->setObjectName(QStringLiteral("figura"));

    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(top);
    layout->addLayout(estimates);
    // The estimate's and the equivalence lines side by side under the table,
    // or one above the other beside it when the window is wide enough.
    lines_ = new QBoxLayout(QBoxLayout::LeftToRight);
    lines_->addWidget(lestimacion, 1, Qt::AlignTop);
    lines_->addWidget(lequivalencia, 1, Qt::AlignTop);
    lines_->addStretch(0);
    tableAndLines_ = new QBoxLayout(QBoxLayout::TopToBottom);
    tableAndLines_->addWidget(stgefectos, 0, Qt::AlignLeft | Qt::AlignTop);
    tableAndLines_->addLayout(lines_, 1);
    layout->addLayout(tableAndLines_);
    layout->addWidget(lconclusion);
    layout->addWidget(lintervalos);
    layout->addWidget(figura, 1);

    // "&Copiar": the button, Ctrl+C anywhere in the window, and the table's
    // menu.
    robustez::installCopyCommand(this, {stgefectos}, [this] { copyTable(); });
    connect(botoncopiar, &QPushButton::clicked, this, &TFefectos::copyTable);

    // The limit is the one of "Detalle estadístico", remembered between
    // sessions.
    const QString remembered =
        QSettings().value(QLatin1String(TFdetalle::kLimitSetting)).toString();
    elimite->setText(remembered);
    elimiteChanged(remembered);
    connect(elimite, &QLineEdit::textChanged, this, &TFefectos::elimiteChanged);
    connect(cbrespuesta, &QComboBox::currentIndexChanged, this, [this] { showAnalysis(); });
    connect(group, &QButtonGroup::idClicked, this, [this](int id) {
        chooseEstimate(robustez::kEstimateChoices[std::size_t(id)].estimate);
    });
    connect(botonguardar, &QPushButton::clicked, this, &TFefectos::botonguardarClick);
    connect(botonimprimir, &QPushButton::clicked, this, &TFefectos::botonimprimirClick);

    // F1 asks for this window's help topic, not for the contents.
    watchHelpKey();
}

void TFefectos::arrangeLines() {
    if (tableAndLines_ == nullptr) {
        return;
    }
    const int margins = 2 * 8 + tableAndLines_->spacing();
    const bool beside = width() - margins - stgefectos->maximumWidth() >= robustez::kLinesBeside;
    const auto direction = beside ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom;
    if (tableAndLines_->direction() != direction) {
        tableAndLines_->setDirection(direction);
        lines_->setDirection(beside ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
        // Side by side the two share the width; one above the other they
        // keep to the top.
        lines_->setStretch(0, beside ? 0 : 1);
        lines_->setStretch(1, beside ? 0 : 1);
        lines_->setStretch(2, beside ? 1 : 0);
    }
}

void TFefectos::resizeEvent(QResizeEvent* event) {
    HelpTopicWindow::resizeEvent(event);
    arrangeLines();
}

void TFefectos::elimiteChanged(const QString& text) {
    const robustez::TypedLimit limit = robustez::readEquivalenceLimit(text, separator_);
    robustez::markLimitField(elimite, limit.valid);
    if (limit.valid) {
        QSettings().setValue(QLatin1String(TFdetalle::kLimitSetting), text.trimmed());
    }
    limit_ = limit.value;
    refresh();
}

void TFefectos::showResponse(int index) {
    cbrespuesta->setCurrentIndex(index);
}

void TFefectos::chooseEstimate(robustez::design::Estimate estimate) {
    requested_ = estimate;
    refresh();
}

void TFefectos::refresh() {
    analyses_.clear();
    error_.clear();
    // The analysis without a choice tells which estimates the design gives
    // and which one it takes by itself.
    std::vector<robustez::design::ResponseAnalysis> byDefault;
    try {
        byDefault = robustez::design::analyseStudy(study_, limit_);
        default_ =
            byDefault.empty() ? robustez::design::Estimate::Dong : byDefault.front().estimate;
        analyses_ = requested_ && *requested_ != default_
                        ? robustez::design::analyseStudy(study_, limit_, requested_)
                        : byDefault;
        if (study_.responses.empty()) {
            error_ = QStringLiteral("El diseño no tiene respuestas.");
        }
    } catch (const std::exception& e) {
        analyses_.clear();
        error_ = QString::fromUtf8(e.what());
    }
    const robustez::design::Estimate shown = requested_.value_or(default_);
    for (std::size_t i = 0; i < rbestimacion.size(); ++i) {
        const robustez::EstimateChoice& choice = robustez::kEstimateChoices[i];
        const bool given =
            !byDefault.empty() && robustez::canGive(byDefault.front(), choice.estimate);
        rbestimacion[i]->setEnabled(given);
        rbestimacion[i]->setToolTip(given ? QString() : QString::fromUtf8(choice.missing));
        rbestimacion[i]->setChecked(choice.estimate == shown);
    }
    showAnalysis();
}

const robustez::design::ResponseAnalysis* TFefectos::shownAnalysis() const {
    const int index = cbrespuesta->currentIndex();
    if (index < 0 || std::size_t(index) >= analyses_.size()) {
        return nullptr;
    }
    return &analyses_[std::size_t(index)];
}

void TFefectos::showAnalysis() {
    fillTable();
    const robustez::design::ResponseAnalysis* a = shownAnalysis();
    if (a == nullptr) {
        lestimacion->clear();
        lequivalencia->clear();
        lintervalos->clear();
        lconclusion->setText(error_);
        lconclusion->setStyleSheet(QString());
        figura->setFigure(study_, std::nullopt, limit_, separator_);
        return;
    }
    std::vector<std::string> lines = {robustez::designEstimateLine(*a, separator_)};
    if (std::optional<std::string> figures =
            robustez::designEstimateFigures(*a, a->estimate, separator_)) {
        lines.push_back(*figures);
    }
    lines.push_back(robustez::designBaseLine(*a, separator_));
    if (std::optional<std::string> limit = robustez::designLimitLine(*a, limit_, separator_)) {
        lines.push_back(*limit);
    }
    lestimacion->setText(robustez::joined(lines));
    lconclusion->setText(QString::fromStdString(robustez::designConclusionLine(*a)));
    const robustez::Rgb alert = robustez::kDesignSignificantInk;
    lconclusion->setStyleSheet(robustez::designNotTolerant(*a)
                                   ? QStringLiteral("color: rgb(%1, %2, %3);")
                                         .arg(alert.red)
                                         .arg(alert.green)
                                         .arg(alert.blue)
                                   : QString());
    const std::vector<std::string> equivalence = robustez::designEquivalenceLines(*a);
    lequivalencia->setText(robustez::joined(equivalence));
    lequivalencia->setVisible(!equivalence.empty());
    const std::vector<std::string> intervals = robustez::designIntervalLines(*a, separator_);
    lintervalos->setText(robustez::joined(intervals));
    lintervalos->setVisible(!intervals.empty());
    figura->setFigure(study_, *a, limit_, separator_);
}

void TFefectos::fillTable() {
    stgefectos->clear();
    const robustez::design::ResponseAnalysis* a = shownAnalysis();
    if (a == nullptr) {
        stgefectos->setRowCount(0);
        stgefectos->setColumnCount(0);
        fitTableSize();
        return;
    }
    const robustez::DesignEffectsTable table = robustez::designEffectsTable(study_, *a, separator_);
    stgefectos->setColumnCount(int(table.header.size()));
    stgefectos->setRowCount(int(table.rows.size()));
    QStringList header;
    for (const std::string& text : table.header) {
        header << QString::fromStdString(text);
    }
    stgefectos->setHorizontalHeaderLabels(header);
    const robustez::Rgb alert = robustez::kDesignSignificantInk;
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        for (std::size_t c = 0; c < table.rows[r].size(); ++c) {
            auto* item = new QTableWidgetItem(QString::fromStdString(table.rows[r][c]));
            // Names and verdicts to the left, numbers to the right.
            const bool words = c == 0 || c >= robustez::kFirstVerdictColumn;
            item->setTextAlignment((words ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
            if (c == robustez::kFirstVerdictColumn && table.significant[r]) {
                item->setForeground(QColor(alert.red, alert.green, alert.blue));
            }
            stgefectos->setItem(int(r), int(c), item);
        }
    }
    stgefectos->resizeColumnsToContents();
    for (int c = 0; c < stgefectos->columnCount(); ++c) {
        stgefectos->setColumnWidth(c,
                                   std::min(stgefectos->columnWidth(c), robustez::kWidestColumn));
    }
    stgefectos->resizeRowsToContents();
    fitTableSize();
}

void TFefectos::fitTableSize() {
    // As wide as its columns (a narrow window scrolls as a whole) and as tall
    // as its rows, up to kRowsInView of them.
    const int frame = 2 * stgefectos->frameWidth();
    int height = frame + stgefectos->horizontalHeader()->sizeHint().height();
    for (int r = 0; r < std::min(stgefectos->rowCount(), robustez::kRowsInView); ++r) {
        height += stgefectos->rowHeight(r);
    }
    int width = frame;
    for (int c = 0; c < stgefectos->columnCount(); ++c) {
        width += stgefectos->columnWidth(c);
    }
    if (stgefectos->rowCount() > robustez::kRowsInView) {
        width += stgefectos->verticalScrollBar()->sizeHint().width();
    }
    stgefectos->setFixedSize(std::max(width, 200), height);
    arrangeLines();
}

QString TFefectos::tableText() const {
    const robustez::design::ResponseAnalysis* a = shownAnalysis();
    if (a == nullptr) {
        return {};
    }
    return QString::fromStdString(
        robustez::designEffectsTsv(robustez::designEffectsTable(study_, *a, separator_)));
}

void TFefectos::copyTable() {
    const QString text = tableText();
    if (!text.isEmpty()) {
        QApplication::clipboard()->setText(text);
    }
}

void TFefectos::botonguardarClick() {
    const robustez::design::ResponseAnalysis* a = shownAnalysis();
    if (a == nullptr) {
        return;
    }
    const QString path = askSavePath ? askSavePath(this, QStringLiteral("efectos.pdf")) : QString();
    if (path.isEmpty()) {
        return;
    }
    robustez::runCommand(this, [&] {
        robustez::BusyCursor busy;
        const QString suffix = QFileInfo(path).suffix().toLower();
        if (suffix == QLatin1String("svg")) {
            robustez::writeDrawingSvg(path, robustez::savedFigure(study_, *a, limit_, separator_),
                                      robustez::kDocumentTitle);
        } else if (suffix == QLatin1String("png")) {
            robustez::writeDrawingPng(path, robustez::savedFigure(study_, *a, limit_, separator_));
        } else {
            const QPageSize pageSize(QPageSize::A4);
            const QSizeF points = pageSize.size(QPageSize::Point);
            robustez::writePagesPdf(path,
                                    robustez::composeDesignPages(study_, analyses_, limit_,
                                                                 points.width(), points.height(),
                                                                 separator_),
                                    pageSize, robustez::kDocumentTitle, QStringLiteral("Robustez"));
        }
    });
}

void TFefectos::botonimprimirClick() {
    if (analyses_.empty()) {
        return;
    }
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
        const std::vector<robustez::DisplayList> pages = robustez::composeDesignPages(
            study_, analyses_, limit_, paper.width(), paper.height(), separator_);
        QPainter painter;
        if (!painter.begin(&printer)) {
            throw robustez::RobustezError("No se pudieron imprimir los efectos del diseño.");
        }
        const QRectF sheet(0, 0, printer.width(), printer.height());
        for (std::size_t i = 0; i < pages.size(); ++i) {
            if (i > 0 && !printer.newPage()) {
                printer.abort();
                throw robustez::RobustezError("No se pudo empezar una página nueva.");
            }
            robustez::paintDisplayList(painter, pages[i], sheet);
        }
        painter.end();
    });
}
