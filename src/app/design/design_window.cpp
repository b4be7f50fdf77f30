#include "app/design/design_window.h"

#include "app/study/study_grid.h"
#include "app/ui/file_dialogs.h"
#include "app/ui/messages.h"
#include "app/ui/window_parts.h"
#include "core/design/design_editing.h"
#include "core/design/design_file.h"
#include "core/design/designs.h"
#include "core/design/run_table.h"
#include "core/report/worksheet_page.h"
#include "core/study/conversions.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QScrollArea>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <charconv>

using robustez::design::DesignFactor;
using robustez::design::DesignKind;
using robustez::design::DesignResponse;
using robustez::design::DesignRun;
using robustez::design::DesignStudy;
using robustez::design::RunType;

namespace {

const QString kNewDocument = QStringLiteral("Nuevo");
const QString kNoRuns = QStringLiteral("El diseño todavía no tiene corridas.");
constexpr int kMaxFactors = 23;
constexpr int kMaxResponses = 10;
// The columns of the runs table before the factors.
constexpr int kRunColumns = 2;

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

QString withUnit(const std::string& name, const std::string& unit) {
    return unit.empty() ? qs(name) : qs(name) + QStringLiteral(" (") + qs(unit) + QLatin1Char(')');
}

QString kindText(DesignKind kind) {
    switch (kind) {
    case DesignKind::PlackettBurman:
        return QStringLiteral("Plackett-Burman");
    case DesignKind::Fractional:
        return QStringLiteral("Fraccional");
    case DesignKind::Full:
        return QStringLiteral("Completo");
    case DesignKind::Table:
        break;
    }
    return QStringLiteral("Tabla de corridas");
}

// A value with the fewest digits that read back, in the locale's notation.
QString valueText(double value, const QString& separator) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, result.ptr - buffer).replace(QLatin1Char('.'), separator);
}

bool readsAsValue(const QString& text, const QString& separator, double& value) {
    return robustez::tryToDecimal(text.toStdString(), separator.toStdString(), value);
}

// A page of the notebook in a scroll area: a window smaller than the page
// scrolls instead of cutting its controls.
QScrollArea* scrollingPage(QWidget* page) {
    auto* scroller = new QScrollArea;
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setFocusPolicy(Qt::NoFocus);
    scroller->setWidgetResizable(true);
    scroller->setWidget(page);
    return scroller;
}

QTableWidget* makeTable(QWidget* page, const char* name, const QStringList& headers) {
    auto* table = new QTableWidget(0, int(headers.size()), page);
    table->setObjectName(QString::fromLatin1(name));
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->hide();
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    // No editing on a second click: its delayed editor would open over the
    // keys typed meanwhile.
    table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
    table->setTabKeyNavigation(false);
    table->setWordWrap(false);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 8);
    table->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter |
                                                   Qt::Alignment(Qt::TextWordWrap));
    return table;
}

QLabel* buddyLabel(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

QTableWidgetItem* fixedItem(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

constexpr const char* kOriginalText = "originalText";

// The cell editor: a line edit that writes every change into its cell as it
// is typed, so the window always holds what the user sees.
class WriteThroughDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
            auto* self = const_cast<WriteThroughDelegate*>(this);
            // Escape gives the cell back the text it had (see tableKeyPress).
            edit->setProperty(kOriginalText, index.data(Qt::EditRole));
            connect(edit, &QLineEdit::textEdited, self,
                    [self, edit] { emit self->commitData(edit); });
        }
        return editor;
    }
};

bool isEnter(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

} // namespace

TFdiseno::TFdiseno(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Fdiseno"));
    setProperty("helpContext", kHelpContext);
    resize(kDesignSize);
    study_.responses = {{"Contenido", "%"}};
    study_.seed = QRandomGenerator::global()->generate64();
    buildControls();
    showStudy();
    updateTitle();
    // Every focus arrival inside the window passes here first (eventFilter).
    qApp->installEventFilter(this);
    // A control that has a hint shows it in the status line while it has the focus.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now != nullptr && isAncestorOf(now)) {
            QWidget* control = now;
            while (control != this && control->statusTip().isEmpty()) {
                control = control->parentWidget();
            }
            emit hintChanged(control->statusTip());
        }
    });
}

TFdiseno::~TFdiseno() {
    // The controls go before the window: nothing of theirs reaches it any more.
    qApp->removeEventFilter(this);
    disconnect(qApp, nullptr, this, nullptr);
}

// --- Controls ---------------------------------------------------------------

void TFdiseno::buildControls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("pages"));
    pages_->tabBar()->setFocusPolicy(Qt::StrongFocus);
    layout->addWidget(pages_);
    pages_->addTab(scrollingPage(buildGeneralPage()), QStringLiteral("Información General"));
    pages_->addTab(scrollingPage(buildFactorsPage()), QStringLiteral("Factores"));
    pages_->addTab(scrollingPage(buildDesignPage()), QStringLiteral("Diseño"));
    pages_->addTab(scrollingPage(buildRunsPage()), QStringLiteral("Corridas"));
    // The runs page opens on the first response to type, in sight.
    connect(pages_, &QTabWidget::currentChanged, this, [this](int index) {
        const int firstResponse = kRunColumns + int(study_.factors.size());
        if (index == 3 && tcorridas->rowCount() > 0 && tcorridas->currentColumn() < firstResponse) {
            tcorridas->setCurrentCell(0, firstResponse);
        }
    });

    for (QTableWidget* table : {tfactores, trespuestas, tcorridas}) {
        table->setItemDelegate(new WriteThroughDelegate(table));
    }
    // Texts wider than their cell or edit show whole as a tooltip.
    for (QTableWidget* table : {tfactores, trespuestas, tdisenos, tcorridas}) {
        robustez::tipWholeCellTextWhenCut(table);
    }
    for (QLineEdit* edit : {emetodo, eanalista, efecha}) {
        robustez::tipWholeTextWhenCut(edit);
        connect(edit, &QLineEdit::textEdited, this, [this] { setModified(true); });
    }
}

QWidget* TFdiseno::buildGeneralPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("paginaGeneral"));
    emetodo = new QLineEdit;
    emetodo->setObjectName(QStringLiteral("emetodo"));
    eanalista = new QLineEdit;
    eanalista->setObjectName(QStringLiteral("eanalista"));
    efecha = new QLineEdit;
    efecha->setObjectName(QStringLiteral("efecha"));
    efecha->setMaximumWidth(240);
    auto* grid = new QGridLayout(page);
    grid->addWidget(buddyLabel(QStringLiteral("&Método:"), emetodo), 0, 0);
    grid->addWidget(emetodo, 0, 1);
    grid->addWidget(buddyLabel(QStringLiteral("A&nalista:"), eanalista), 1, 0);
    grid->addWidget(eanalista, 1, 1);
    grid->addWidget(buddyLabel(QStringLiteral("&Fecha:"), efecha), 2, 0);
    grid->addWidget(efecha, 2, 1, Qt::AlignLeft);
    grid->setRowStretch(3, 1);
    return page;
}

QWidget* TFdiseno::buildFactorsPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("paginaFactores"));
    tfactores =
        makeTable(page, "tfactores",
                  {QStringLiteral("Factor"), QStringLiteral("Unidad"), QStringLiteral("Bajo"),
                   QStringLiteral("Nominal"), QStringLiteral("Alto")});
    tfactores->setStatusTip(QStringLiteral("Insert agrega un factor, Ctrl+Supr quita el actual; "
                                           "un factor con ajustes de texto es cualitativo"));
    // The name takes the room; the unit and the settings keep a width that
    // shows a usual setting ("lote A", "0,25").
    tfactores->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    tfactores->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int c = 1; c < 5; ++c) {
        tfactores->setColumnWidth(
            c, tfactores->fontMetrics().horizontalAdvance(QStringLiteral("Nominal mmm")));
    }
    bagregar = new QPushButton(QStringLiteral("A&gregar factor"));
    bagregar->setObjectName(QStringLiteral("bagregar"));
    bquitar = new QPushButton(QStringLiteral("&Quitar factor"));
    bquitar->setObjectName(QStringLiteral("bquitar"));
    trespuestas =
        makeTable(page, "trespuestas", {QStringLiteral("Respuesta"), QStringLiteral("Unidad")});
    trespuestas->setStatusTip(
        QStringLiteral("Insert agrega una respuesta, Ctrl+Supr quita la actual"));
    trespuestas->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    bagregarr = new QPushButton(QStringLiteral("Agregar r&espuesta"));
    bagregarr->setObjectName(QStringLiteral("bagregarr"));
    bquitarr = new QPushButton(QStringLiteral("Q&uitar respuesta"));
    bquitarr->setObjectName(QStringLiteral("bquitarr"));
    for (QPushButton* button : {bagregar, bquitar, bagregarr, bquitarr}) {
        button->setAutoDefault(true); // Enter presses the button with the focus
    }

    auto* grid = new QGridLayout(page);
    grid->addWidget(buddyLabel(QStringLiteral("Fac&tores:"), tfactores), 0, 0);
    grid->addWidget(tfactores, 1, 0);
    auto* factorButtons = new QVBoxLayout;
    factorButtons->addWidget(bagregar);
    factorButtons->addWidget(bquitar);
    factorButtons->addStretch();
    grid->addLayout(factorButtons, 1, 1);
    grid->addWidget(buddyLabel(QStringLiteral("&Respuestas:"), trespuestas), 2, 0);
    grid->addWidget(trespuestas, 3, 0);
    auto* responseButtons = new QVBoxLayout;
    responseButtons->addWidget(bagregarr);
    responseButtons->addWidget(bquitarr);
    responseButtons->addStretch();
    grid->addLayout(responseButtons, 3, 1);
    grid->setRowStretch(1, 3);
    grid->setRowStretch(3, 2);
    tfactores->setMinimumHeight(120);
    trespuestas->setMinimumHeight(80);

    connect(bagregar, &QPushButton::clicked, this, &TFdiseno::addFactor);
    connect(bquitar, &QPushButton::clicked, this, &TFdiseno::removeFactor);
    connect(bagregarr, &QPushButton::clicked, this, &TFdiseno::addResponse);
    connect(bquitarr, &QPushButton::clicked, this, &TFdiseno::removeResponse);
    connect(tfactores, &QTableWidget::itemChanged, this, &TFdiseno::factorEdited);
    connect(trespuestas, &QTableWidget::itemChanged, this, &TFdiseno::responseEdited);
    return page;
}

QWidget* TFdiseno::buildDesignPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("paginaDiseno"));
    tdisenos =
        makeTable(page, "tdisenos",
                  {QStringLiteral("Diseño"), QStringLiteral("Tipo"), QStringLiteral("Ensayos"),
                   QStringLiteral("Columnas"), QStringLiteral("Ficticios")});
    tdisenos->setSelectionBehavior(QAbstractItemView::SelectRows);
    tdisenos->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tdisenos->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    tdisenos->setStatusTip(QStringLiteral("Los diseños con columnas para todos los factores; "
                                          "el propuesto deja al menos tres ficticios"));
    enominales = new QSpinBox;
    enominales->setObjectName(QStringLiteral("enominales"));
    enominales->setRange(0, 12);
    enominales->setKeyboardTracking(false);
    enominales->setStatusTip(QStringLiteral("Ensayos al nivel nominal repartidos entre las "
                                            "corridas para vigilar la deriva"));
    raleatorio = new QRadioButton(QStringLiteral("Orden a&leatorio"));
    raleatorio->setObjectName(QStringLiteral("raleatorio"));
    restandar = new QRadioButton(QStringLiteral("Orden &estándar"));
    restandar->setObjectName(QStringLiteral("restandar"));
    auto* order = new QButtonGroup(page);
    order->addButton(raleatorio);
    order->addButton(restandar);
    lsemilla = new QLabel;
    lsemilla->setObjectName(QStringLiteral("lsemilla"));
    lsemilla->setTextInteractionFlags(Qt::TextSelectableByMouse);
    bsemilla = new QPushButton(QStringLiteral("Nueva &semilla"));
    bsemilla->setObjectName(QStringLiteral("bsemilla"));
    bsemilla->setAutoDefault(true);

    auto* grid = new QGridLayout(page);
    grid->addWidget(buddyLabel(QStringLiteral("&Diseños para los factores:"), tdisenos), 0, 0, 1,
                    4);
    grid->addWidget(tdisenos, 1, 0, 1, 4);
    grid->addWidget(buddyLabel(QStringLiteral("Ensayos &nominales:"), enominales), 2, 0);
    grid->addWidget(enominales, 2, 1, Qt::AlignLeft);
    grid->addWidget(raleatorio, 3, 0);
    grid->addWidget(restandar, 3, 1);
    grid->addWidget(lsemilla, 4, 0);
    grid->addWidget(bsemilla, 4, 1, Qt::AlignLeft);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(1, 1);
    tdisenos->setMinimumHeight(120);

    connect(tdisenos, &QTableWidget::currentCellChanged, this,
            [this](int row) { designRowChosen(row); });
    connect(enominales, &QSpinBox::valueChanged, this, &TFdiseno::nominalRunsChosen);
    connect(raleatorio, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            orderChosen();
        }
    });
    connect(restandar, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            orderChosen();
        }
    });
    connect(bsemilla, &QPushButton::clicked, this, &TFdiseno::newSeed);
    return page;
}

QWidget* TFdiseno::buildRunsPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("paginaCorridas"));
    tcorridas = makeTable(page, "tcorridas", {});
    tcorridas->setStatusTip(
        QStringLiteral("Escriba o pegue (Ctrl+V) las respuestas; opciones botón derecho"));
    tcorridas->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    // Corrida and Tipo stay in sight while the responses are typed far right.
    robustez::keepLeadingColumnsInSight(tcorridas, kRunColumns);
    tcorridas->setMinimumHeight(120);
    bcopiar = new QPushButton(QStringLiteral("C&opiar"));
    bcopiar->setObjectName(QStringLiteral("bcopiar"));
    bcopiar->setAutoDefault(true);
    bcopiar->setStatusTip(QStringLiteral("Copia la tabla de corridas para una hoja de cálculo"));
    auto* grid = new QGridLayout(page);
    grid->addWidget(buddyLabel(QStringLiteral("Co&rridas en orden de ejecución:"), tcorridas), 0,
                    0);
    grid->addWidget(tcorridas, 1, 0, 1, 2);
    grid->addWidget(bcopiar, 2, 1, Qt::AlignRight);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(0, 1);

    pmenu = new QMenu(this);
    pmenu->setObjectName(QStringLiteral("pmenu"));
    QAction* paste = pmenu->addAction(QStringLiteral("&Pegar"));
    paste->setObjectName(QStringLiteral("pmnupegar"));
    paste->setStatusTip(
        QStringLiteral("Pega un bloque de respuestas copiado de una hoja de cálculo"));
    connect(paste, &QAction::triggered, this, &TFdiseno::pasteResponses);
    QAction* copy = pmenu->addAction(QStringLiteral("&Copiar"));
    copy->setObjectName(QStringLiteral("pmnucopiar"));
    copy->setStatusTip(bcopiar->statusTip());
    connect(copy, &QAction::triggered, this, &TFdiseno::copyRuns);
    connect(pmenu, &QMenu::hovered, this,
            [this](QAction* action) { emit hintChanged(action->statusTip()); });
    connect(pmenu, &QMenu::aboutToHide, this, [this] { emit hintChanged(QString()); });
    tcorridas->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tcorridas, &QWidget::customContextMenuRequested, this, &TFdiseno::showRunsMenu);
    connect(tcorridas, &QTableWidget::itemChanged, this, &TFdiseno::runCellEdited);
    connect(bcopiar, &QPushButton::clicked, this, &TFdiseno::copyRuns);
    return page;
}

QString TFdiseno::decimalSeparator() const {
    return QLocale::system().decimalPoint();
}

// --- Showing the study ------------------------------------------------------

void TFdiseno::showStudy() {
    ++showing_;
    emetodo->setText(qs(study_.method));
    eanalista->setText(qs(study_.analyst));
    efecha->setText(qs(study_.date));
    showFactors();
    showResponses();
    showDesigns();
    showRuns();
    --showing_;
    emitCompleteness();
}

void TFdiseno::showFactors() {
    ++showing_;
    const std::string separator = decimalSeparator().toStdString();
    tfactores->setRowCount(int(study_.factors.size()));
    for (int r = 0; r < int(study_.factors.size()); ++r) {
        const DesignFactor& f = study_.factors[std::size_t(r)];
        const std::string texts[] = {f.name, f.unit,
                                     robustez::design::shownSetting(f.low, separator),
                                     robustez::design::shownSetting(f.nominal, separator),
                                     robustez::design::shownSetting(f.high, separator)};
        for (int c = 0; c < 5; ++c) {
            tfactores->setItem(r, c, new QTableWidgetItem(qs(texts[c])));
        }
    }
    const int k = int(study_.factors.size());
    bagregar->setEnabled(k < kMaxFactors);
    bquitar->setEnabled(k > 0);
    --showing_;
}

void TFdiseno::showResponses() {
    ++showing_;
    trespuestas->setRowCount(int(study_.responses.size()));
    for (int r = 0; r < int(study_.responses.size()); ++r) {
        const DesignResponse& response = study_.responses[std::size_t(r)];
        trespuestas->setItem(r, 0, new QTableWidgetItem(qs(response.name)));
        trespuestas->setItem(r, 1, new QTableWidgetItem(qs(response.unit)));
    }
    bagregarr->setEnabled(study_.responses.size() < std::size_t(kMaxResponses));
    bquitarr->setEnabled(study_.responses.size() > 1);
    --showing_;
}

void TFdiseno::showDesigns() {
    ++showing_;
    const int k = int(study_.factors.size());
    tdisenos->setRowCount(0);
    int row = 0;
    const auto addRow = [this, &row, k](const QString& name, DesignKind kind, int runs,
                                        int columns) {
        tdisenos->insertRow(row);
        const QString texts[] = {name, kindText(kind), QString::number(runs),
                                 QString::number(columns), QString::number(columns - k)};
        for (int c = 0; c < 5; ++c) {
            tdisenos->setItem(row, c, fixedItem(texts[c]));
            if (c >= 2) {
                tdisenos->item(row, c)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
        }
        ++row;
    };
    if (tableLayout_ && tableLayout_->factors.size() == study_.factors.size()) {
        int designRuns = 0;
        for (const DesignRun& run : tableLayout_->runs) {
            designRuns += run.type == RunType::Design ? 1 : 0;
        }
        addRow(kindText(DesignKind::Table), DesignKind::Table, designRuns,
               int(tableLayout_->columns.size()));
    }
    if (k >= 1 && k <= kMaxFactors) {
        for (const robustez::design::Design* design : robustez::design::designsFor(k)) {
            addRow(qs(design->name), design->kind, design->runs, design->runs - 1);
        }
    }
    showDesignChoice();
    --showing_;
}

void TFdiseno::showDesignChoice() {
    ++showing_;
    int chosen = -1;
    const bool table = study_.design.empty() && study_.kind == DesignKind::Table && tableLayout_;
    for (int r = 0; r < tdisenos->rowCount(); ++r) {
        const QString name = tdisenos->item(r, 0)->text();
        const bool isTable = tdisenos->item(r, 1)->text() == kindText(DesignKind::Table);
        if ((table && isTable) || (!study_.design.empty() && name == qs(study_.design))) {
            chosen = r;
        }
    }
    tdisenos->setCurrentCell(chosen, 0);
    if (chosen < 0) {
        tdisenos->clearSelection();
    }
    enominales->setValue(study_.nominalRuns);
    (study_.randomOrder ? raleatorio : restandar)->setChecked(true);
    lsemilla->setText(QStringLiteral("Semilla: ") + QString::number(study_.seed));
    // A run table's layout is fixed: its order and nominal runs are its own.
    for (QWidget* control :
         std::initializer_list<QWidget*>{enominales, raleatorio, restandar, bsemilla, lsemilla}) {
        control->setEnabled(!table);
    }
    --showing_;
}

void TFdiseno::showRunHeaders() {
    QStringList headers{QStringLiteral("Corrida"), QStringLiteral("Tipo")};
    for (const DesignFactor& f : study_.factors) {
        headers << withUnit(f.name, f.unit);
    }
    for (const DesignResponse& r : study_.responses) {
        headers << withUnit(r.name, r.unit);
    }
    tcorridas->setColumnCount(int(headers.size()));
    tcorridas->setHorizontalHeaderLabels(headers);
    if (showing_ == 0 || tcorridas->rowCount() > 0) {
        fitRunColumns();
    }
}

void TFdiseno::fitRunColumns() {
    // Each column as wide as its cells; a long name wraps in the header
    // rather than widening its column beyond a typed value's room.
    // The header shows the current cell's column in bold: room for that.
    QFont bold = tcorridas->horizontalHeader()->font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    const QFontMetrics cells = tcorridas->fontMetrics();
    const int valueRoom = metrics.horizontalAdvance(QStringLiteral("-000000,000"));
    const int headerRoom = metrics.horizontalAdvance(QStringLiteral("Temperatura (°C)"));
    int headerLines = 1;
    const int firstResponse = kRunColumns + int(study_.factors.size());
    for (int c = 0; c < tcorridas->columnCount(); ++c) {
        const QString header = tcorridas->horizontalHeaderItem(c)->text();
        int width = std::min(metrics.horizontalAdvance(header), headerRoom) + 12;
        for (int r = 0; r < tcorridas->rowCount(); ++r) {
            if (const QTableWidgetItem* item = tcorridas->item(r, c)) {
                width = std::max(width, cells.horizontalAdvance(item->text()) + 12);
            }
        }
        if (c >= firstResponse) {
            width = std::max(width, valueRoom);
        }
        tcorridas->setColumnWidth(c, width);
        const QRect wrapped =
            metrics.boundingRect(QRect(0, 0, width - 12, 1000), Qt::TextWordWrap, header);
        headerLines = std::max(headerLines, wrapped.height() / std::max(1, metrics.height()));
    }
    tcorridas->horizontalHeader()->setFixedHeight(headerLines * metrics.height() + 10);
}

void TFdiseno::showRuns() {
    ++showing_;
    const std::string separator = decimalSeparator().toStdString();
    const int factors = int(study_.factors.size());
    tcorridas->setRowCount(0);
    showRunHeaders();
    tcorridas->setRowCount(int(study_.runs.size()));
    for (int r = 0; r < int(study_.runs.size()); ++r) {
        const DesignRun& run = study_.runs[std::size_t(r)];
        tcorridas->setItem(r, 0, fixedItem(QString::number(r + 1)));
        tcorridas->setItem(r, 1,
                           fixedItem(run.type == RunType::Design ? QStringLiteral("diseño")
                                                                 : QStringLiteral("nominal")));
        for (int f = 0; f < factors; ++f) {
            tcorridas->setItem(
                r, kRunColumns + f,
                fixedItem(qs(robustez::worksheetSetting(study_, std::size_t(f), run, separator))));
        }
        for (int v = 0; v < int(study_.responses.size()); ++v) {
            auto* item = new QTableWidgetItem(texts_[std::size_t(r)][v]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            double value = 0;
            const QString& text = texts_[std::size_t(r)][v];
            markResponseCell(item, text.trimmed().isEmpty() ||
                                       readsAsValue(text, decimalSeparator(), value));
            tcorridas->setItem(r, kRunColumns + factors + v, item);
        }
    }
    fitRunColumns();
    --showing_;
}

void TFdiseno::markResponseCell(QTableWidgetItem* item, bool readable) {
    item->setForeground(readable ? QBrush() : QBrush(Qt::red));
    item->setToolTip(readable ? QString() : QStringLiteral("No es un valor numérico"));
}

// --- The study --------------------------------------------------------------

DesignStudy TFdiseno::designStudy() const {
    DesignStudy study = study_;
    study.method = emetodo->text().toStdString();
    study.analyst = eanalista->text().toStdString();
    study.date = efecha->text().toStdString();
    for (robustez::design::DesignColumn& column : study.columns) {
        if (column.factor >= 0 && std::size_t(column.factor) < study.factors.size()) {
            column.name = study.factors[std::size_t(column.factor)].name;
        }
    }
    const QString separator = decimalSeparator();
    for (std::size_t r = 0; r < study.runs.size(); ++r) {
        std::vector<std::optional<double>>& values = study.runs[r].values;
        values.assign(study.responses.size(), std::nullopt);
        for (std::size_t v = 0; v < values.size() && r < texts_.size(); ++v) {
            double value = 0;
            if (readsAsValue(texts_[r][int(v)], separator, value)) {
                values[v] = value;
            }
        }
    }
    return study;
}

void TFdiseno::loadDesign(const DesignStudy& study, const QString& path) {
    study_ = study;
    const bool catalogued = robustez::design::findDesign(study.design) != nullptr;
    tableLayout_.reset();
    if (!catalogued && !study.runs.empty()) {
        study_.design.clear();
        study_.kind = DesignKind::Table;
        tableLayout_ = study_;
    }
    designChosen_ = true;
    const QString separator = decimalSeparator();
    texts_.assign(study_.runs.size(), QStringList());
    for (std::size_t r = 0; r < study_.runs.size(); ++r) {
        study_.runs[r].values.resize(study_.responses.size());
        for (const std::optional<double>& value : study_.runs[r].values) {
            texts_[r] << (value ? valueText(*value, separator) : QString());
        }
    }
    path_ = path;
    showStudy();
    updateTitle();
    setModified(path.isEmpty());
    pages_->setCurrentIndex(0);
}

QString TFdiseno::documentName() const {
    return path_.isEmpty() ? kNewDocument : path_;
}

bool TFdiseno::isModified() const {
    return modified_;
}

bool TFdiseno::responsesComplete() const {
    if (study_.runs.empty() || study_.responses.empty()) {
        return false;
    }
    double value = 0;
    for (const QStringList& run : texts_) {
        for (const QString& text : run) {
            if (!readsAsValue(text, decimalSeparator(), value)) {
                return false;
            }
        }
    }
    return true;
}

void TFdiseno::emitCompleteness() {
    const bool complete = responsesComplete();
    if (complete != complete_) {
        complete_ = complete;
        emit responsesCompleteChanged(complete);
    }
}

int TFdiseno::typedValueCount() const {
    int count = 0;
    for (const QStringList& run : texts_) {
        for (const QString& text : run) {
            count += text.trimmed().isEmpty() ? 0 : 1;
        }
    }
    return count;
}

std::optional<std::pair<int, int>> TFdiseno::unreadableCell() const {
    double value = 0;
    for (int r = 0; r < int(texts_.size()); ++r) {
        for (int v = 0; v < int(texts_[std::size_t(r)].size()); ++v) {
            const QString& text = texts_[std::size_t(r)][v];
            if (!text.trimmed().isEmpty() && !readsAsValue(text, decimalSeparator(), value)) {
                return std::pair{r, v};
            }
        }
    }
    return std::nullopt;
}

QString TFdiseno::unreadableMessage(int run, int response) const {
    return QStringLiteral("Algún dato capturado no es un valor numérico: ") +
           qs(study_.responses[std::size_t(response)].name) + QStringLiteral(", corrida ") +
           QString::number(run + 1) + QStringLiteral(": «") + texts_[std::size_t(run)][response] +
           QStringLiteral("».");
}

// --- Laying the runs out ----------------------------------------------------

void TFdiseno::layOut(DesignStudy& study) const {
    if (study.factors.empty()) {
        study.columns.clear();
        study.runs.clear();
        return;
    }
    if (study.design.empty()) {
        if (study.kind == DesignKind::Table && tableLayout_ &&
            tableLayout_->factors.size() == study.factors.size()) {
            study.columns = tableLayout_->columns;
            study.runs = tableLayout_->runs;
            study.nominalRuns = tableLayout_->nominalRuns;
            study.randomOrder = tableLayout_->randomOrder;
            study.seed = tableLayout_->seed;
        } else {
            study.columns.clear();
            study.runs.clear();
        }
        return;
    }
    robustez::design::layOutStudy(study);
}

std::string TFdiseno::designFor(int factors) const {
    if (factors < 1) {
        return {};
    }
    if (designChosen_ && !study_.design.empty()) {
        const robustez::design::Design* chosen = robustez::design::findDesign(study_.design);
        if (chosen != nullptr && chosen->runs - 1 >= factors) {
            return study_.design;
        }
    }
    return factors <= 20 ? robustez::design::proposedDesign(factors).name : std::string();
}

bool TFdiseno::applyLayout(const DesignStudy& next) {
    std::vector<int> origin;
    for (int v = 0; v < int(next.responses.size()); ++v) {
        origin.push_back(v);
    }
    return applyLayout(next, origin);
}

bool TFdiseno::applyLayout(DesignStudy next, const std::vector<int>& responseOrigin) {
    layOut(next);
    const std::vector<int> runOrigin = robustez::design::survivingRuns(study_, next);
    std::vector<QStringList> texts(next.runs.size());
    int kept = 0;
    bool moved = next.runs.size() != study_.runs.size();
    for (std::size_t r = 0; r < next.runs.size(); ++r) {
        moved = moved || runOrigin[r] != int(r);
        for (const int from : responseOrigin) {
            QString text;
            if (runOrigin[r] >= 0 && from >= 0) {
                text = texts_[std::size_t(runOrigin[r])].value(from);
            }
            kept += text.trimmed().isEmpty() ? 0 : 1;
            texts[r] << text;
        }
    }
    const int typed = typedValueCount();
    const int dropped = typed - kept;
    if (typed > 0 && (moved || dropped > 0)) {
        const QString drop =
            dropped == 0 ? QStringLiteral("no se descarta ningún valor.")
            : dropped == 1
                ? QStringLiteral("se descartará 1 valor de una corrida que ya no existe.")
                : QStringLiteral("se descartarán %1 valores de corridas que ya no existen.")
                      .arg(dropped);
        const QString question =
            QStringLiteral("Ya hay respuestas capturadas y este cambio vuelve a disponer las "
                           "corridas.\nCada valor se conserva en su corrida mientras ésta siga en "
                           "el diseño; ") +
            drop + QStringLiteral("\n¿Hacer el cambio?");
        if (!robustez::askYesNo(this, question)) {
            return false;
        }
    }
    const bool layoutChanged = moved || next.columns.size() != study_.columns.size();
    study_ = std::move(next);
    texts_ = std::move(texts);
    if (layoutChanged || dropped > 0) {
        setModified(true);
    }
    return true;
}

// --- The user's changes -----------------------------------------------------

void TFdiseno::closeCellEditor(QTableWidget* table) {
    // Leaving the editor takes its text into the cell and closes it.
    QWidget* focus = QApplication::focusWidget();
    if (focus != nullptr && table->viewport()->isAncestorOf(focus)) {
        moveFocus(table);
    }
}

void TFdiseno::addFactor() {
    if (int(study_.factors.size()) >= kMaxFactors) {
        return;
    }
    closeCellEditor(tfactores);
    DesignStudy next = study_;
    next.factors.push_back({});
    const bool table = next.kind == DesignKind::Table && next.design.empty();
    next.design = designFor(int(next.factors.size()));
    if (table && !next.design.empty()) {
        next.kind = DesignKind::PlackettBurman; // laid out by layOutStudy
    }
    if (!applyLayout(next)) {
        return;
    }
    tableLayout_.reset();
    setModified(true);
    showFactors();
    showDesigns();
    showRuns();
    emitCompleteness();
    const int row = tfactores->rowCount() - 1;
    pages_->setCurrentIndex(1);
    moveFocus(tfactores);
    tfactores->setCurrentCell(row, 0);
}

void TFdiseno::removeFactor() {
    closeCellEditor(tfactores);
    const int row = tfactores->currentRow();
    if (row < 0 || row >= int(study_.factors.size())) {
        return;
    }
    DesignStudy next = study_;
    next.factors.erase(next.factors.begin() + row);
    const bool table = next.kind == DesignKind::Table && next.design.empty();
    next.design = designFor(int(next.factors.size()));
    if (table && !next.design.empty()) {
        next.kind = DesignKind::PlackettBurman;
    }
    if (!applyLayout(next)) {
        return;
    }
    tableLayout_.reset();
    setModified(true);
    showFactors();
    showDesigns();
    showRuns();
    emitCompleteness();
    if (tfactores->rowCount() > 0) {
        tfactores->setCurrentCell(std::min(row, tfactores->rowCount() - 1), 0);
    }
}

void TFdiseno::addResponse() {
    closeCellEditor(trespuestas);
    if (study_.responses.size() >= std::size_t(kMaxResponses)) {
        return;
    }
    study_.responses.push_back({});
    for (std::size_t r = 0; r < study_.runs.size(); ++r) {
        study_.runs[r].values.resize(study_.responses.size());
        texts_[r] << QString();
    }
    setModified(true);
    showResponses();
    showRuns();
    emitCompleteness();
    moveFocus(trespuestas);
    trespuestas->setCurrentCell(trespuestas->rowCount() - 1, 0);
}

void TFdiseno::removeResponse() {
    closeCellEditor(trespuestas);
    const int row = trespuestas->currentRow();
    if (row < 0 || study_.responses.size() <= 1) {
        return;
    }
    int typed = 0;
    for (const QStringList& run : texts_) {
        typed += run.value(row).trimmed().isEmpty() ? 0 : 1;
    }
    if (typed > 0) {
        const QString question =
            QStringLiteral("La respuesta «") + qs(study_.responses[std::size_t(row)].name) +
            (typed == 1 ? QStringLiteral("» tiene 1 valor capturado, que se descartará.")
                        : QStringLiteral("» tiene %1 valores capturados, que se descartarán.")
                              .arg(typed)) +
            QStringLiteral("\n¿Quitar la respuesta?");
        if (!robustez::askYesNo(this, question)) {
            return;
        }
    }
    study_.responses.erase(study_.responses.begin() + row);
    for (std::size_t r = 0; r < study_.runs.size(); ++r) {
        study_.runs[r].values.erase(study_.runs[r].values.begin() + row);
        texts_[r].removeAt(row);
    }
    setModified(true);
    showResponses();
    showRuns();
    emitCompleteness();
    trespuestas->setCurrentCell(std::min(row, trespuestas->rowCount() - 1), 0);
}

void TFdiseno::designRowChosen(int row) {
    if (showing_ > 0 || row < 0) {
        return;
    }
    DesignStudy next = study_;
    if (tdisenos->item(row, 1)->text() == kindText(DesignKind::Table)) {
        next.design.clear();
        next.kind = DesignKind::Table;
    } else {
        next.design = tdisenos->item(row, 0)->text().toStdString();
    }
    if (next.design == study_.design && next.kind == study_.kind) {
        return;
    }
    if (!applyLayout(next)) {
        showDesignChoice();
        return;
    }
    designChosen_ = true;
    setModified(true);
    showDesignChoice();
    showRuns();
    emitCompleteness();
}

void TFdiseno::nominalRunsChosen(int count) {
    if (showing_ > 0 || count == study_.nominalRuns) {
        return;
    }
    DesignStudy next = study_;
    next.nominalRuns = count;
    if (!applyLayout(next)) {
        showDesignChoice();
        return;
    }
    setModified(true);
    showRuns();
    emitCompleteness();
}

void TFdiseno::orderChosen() {
    if (showing_ > 0 || raleatorio->isChecked() == study_.randomOrder) {
        return;
    }
    DesignStudy next = study_;
    next.randomOrder = raleatorio->isChecked();
    const bool applied = applyLayout(next);
    // The radio buttons are switched back after the toolkit's own toggling.
    QTimer::singleShot(0, this, [this] { showDesignChoice(); });
    if (applied) {
        setModified(true);
        showRuns();
        emitCompleteness();
    }
}

void TFdiseno::newSeed() {
    DesignStudy next = study_;
    next.seed = QRandomGenerator::global()->generate64();
    if (!applyLayout(next)) {
        return;
    }
    setModified(true);
    showDesignChoice();
    showRuns();
    emitCompleteness();
}

void TFdiseno::factorEdited(QTableWidgetItem* item) {
    if (showing_ > 0 || item->row() >= int(study_.factors.size())) {
        return;
    }
    DesignFactor& f = study_.factors[std::size_t(item->row())];
    const std::string text = item->text().toStdString();
    const std::string separator = decimalSeparator().toStdString();
    std::string* field[] = {&f.name, &f.unit, &f.low, &f.nominal, &f.high};
    const std::string kept =
        item->column() >= 2 ? robustez::design::keptSetting(text, separator) : text;
    std::string& target = *field[item->column()];
    if (target == kept) {
        return;
    }
    target = kept;
    setModified(true);
    ++showing_;
    if (item->column() < 2) {
        showRunHeaders();
    } else {
        for (int r = 0; r < tcorridas->rowCount(); ++r) {
            tcorridas->item(r, kRunColumns + item->row())
                ->setText(qs(robustez::worksheetSetting(study_, std::size_t(item->row()),
                                                        study_.runs[std::size_t(r)], separator)));
        }
    }
    --showing_;
}

void TFdiseno::responseEdited(QTableWidgetItem* item) {
    if (showing_ > 0 || item->row() >= int(study_.responses.size())) {
        return;
    }
    DesignResponse& response = study_.responses[std::size_t(item->row())];
    std::string& target = item->column() == 0 ? response.name : response.unit;
    const std::string text = item->text().toStdString();
    if (target == text) {
        return;
    }
    target = text;
    setModified(true);
    ++showing_;
    showRunHeaders();
    --showing_;
}

void TFdiseno::runCellEdited(QTableWidgetItem* item) {
    const int v = item->column() - kRunColumns - int(study_.factors.size());
    if (showing_ > 0 || v < 0 || item->row() >= int(texts_.size())) {
        return;
    }
    QString& text = texts_[std::size_t(item->row())][v];
    if (text == item->text()) {
        return;
    }
    text = item->text();
    double value = 0;
    const bool readable = text.trimmed().isEmpty() || readsAsValue(text, decimalSeparator(), value);
    ++showing_;
    markResponseCell(item, readable);
    --showing_;
    emit hintChanged(readable ? QString() : unreadableMessage(item->row(), v));
    setModified(true);
    emitCompleteness();
}

// --- Paste and copy -----------------------------------------------------------

void TFdiseno::pasteResponses() {
    const int firstResponse = kRunColumns + int(study_.factors.size());
    const int column = tcorridas->currentColumn();
    const int row = tcorridas->currentRow();
    if (study_.runs.empty()) {
        robustez::showMessage(this, kNoRuns);
        return;
    }
    if (row < 0 || column < firstResponse) {
        robustez::showMessage(this,
                              QStringLiteral("Las respuestas se pegan en sus columnas: elija la "
                                             "celda donde empieza el bloque."));
        return;
    }
    const std::string separator = decimalSeparator().toStdString();
    robustez::design::PastedResponses pasted;
    try {
        pasted = robustez::design::readPastedResponses(
            QGuiApplication::clipboard()->text().toStdString(), std::size_t(row),
            std::size_t(column - firstResponse), study_.runs.size(), study_.responses.size(),
            separator);
    } catch (const std::exception& error) {
        robustez::showMessage(this, QString::fromStdString(error.what()));
        return;
    }
    if (pasted.convertible) {
        if (!robustez::askYesNo(
                this, robustez::separatorQuestion(qsizetype(pasted.refused.size()), separator))) {
            return;
        }
        for (robustez::design::PastedResponse& cell : pasted.cells) {
            double value = 0;
            if (!robustez::tryToDecimal(cell.text, separator, value)) {
                cell.text = robustez::design::withPointAndCommaSwapped(cell.text);
            }
        }
    } else if (!pasted.refused.empty()) {
        robustez::showMessage(
            this, qs(robustez::design::refusedResponseMessage(study_, pasted.refused.front())));
        return;
    }
    // An open cell editor closes first, so that it writes nothing over the
    // pasted text.
    closeCellEditor(tcorridas);
    for (const robustez::design::PastedResponse& cell : pasted.cells) {
        tcorridas->item(int(cell.run), firstResponse + int(cell.response))
            ->setText(qs(cell.text).trimmed());
    }
}

void TFdiseno::copyRuns() {
    if (study_.runs.empty()) {
        robustez::showMessage(this, kNoRuns);
        return;
    }
    QGuiApplication::clipboard()->setText(
        qs(robustez::design::encodeRunTable(designStudy(), decimalSeparator().toStdString())));
    emit hintChanged(QStringLiteral("La tabla de corridas está en el portapapeles"));
}

void TFdiseno::showRunsMenu(const QPoint& position) {
    pmenu->popup(tcorridas->viewport()->mapToGlobal(position));
}

// --- Keys -------------------------------------------------------------------

QWidget* TFdiseno::controlOf(QWidget* widget) const {
    // A cell editor stands for its table.
    for (QTableWidget* table : {tfactores, trespuestas, tcorridas}) {
        if (table->isAncestorOf(widget)) {
            return table;
        }
    }
    return widget;
}

void TFdiseno::noteFocus(QWidget* widget, Qt::FocusReason reason) {
    // The user's own moves choose the control: a click, a mnemonic, a Tab
    // key (the frame moves the focus as if by Tab too).
    const bool tab =
        (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) && tabKeyDown_;
    if (reason == Qt::MouseFocusReason || reason == Qt::ShortcutFocusReason || tab) {
        ++choices_;
        userFocus_ = controlOf(widget);
        return;
    }
    // The frame's own moves: the next control as if by Tab when it
    // maximizes, restores or activates the window, or the window's control
    // when the program comes back. Nobody chose them.
    const bool frameMove = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                           reason == Qt::ActiveWindowFocusReason;
    if (frameMove && movingFocus_ == 0 && userFocus_ != nullptr && userFocus_->isVisibleTo(this)) {
        if (controlOf(widget) != userFocus_) {
            queueFocusReturn();
        }
        return;
    }
    // The window's own moves, and the user's control out of sight (its page
    // turned): the focus stays where it arrived.
    userFocus_ = controlOf(widget);
}

void TFdiseno::moveFocus(QWidget* control) {
    ++movingFocus_;
    control->setFocus(Qt::OtherFocusReason);
    userFocus_ = control;
    --movingFocus_;
}

void TFdiseno::queueFocusReturn() {
    // Once the toolkit has finished moving the focus, and unless the user
    // chose a control meanwhile (the click that activated the window).
    const int seen = choices_;
    QTimer::singleShot(0, this, [this, seen] {
        if (choices_ == seen) {
            returnFocus();
        }
    });
}

void TFdiseno::returnFocus() {
    // The focus returns to the control the user was in.
    if (userFocus_ == nullptr || closed_ || !userFocus_->isVisibleTo(this) ||
        !userFocus_->isEnabled()) {
        return;
    }
    QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr || !isAncestorOf(focus) || controlOf(focus) == userFocus_) {
        return; // the user is elsewhere, or where they were
    }
    moveFocus(userFocus_);
}

bool TFdiseno::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && watched->isWidgetType() &&
        isAncestorOf(static_cast<QWidget*>(watched))) {
        noteFocus(static_cast<QWidget*>(watched), static_cast<QFocusEvent*>(event)->reason());
        return false;
    }
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        const int pressed = static_cast<QKeyEvent*>(event)->key();
        tabKeyDown_ = event->type() == QEvent::KeyPress &&
                      (pressed == Qt::Key_Tab || pressed == Qt::Key_Backtab);
    }
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType() ||
        !isAncestorOf(static_cast<QWidget*>(watched))) {
        return QWidget::eventFilter(watched, event);
    }
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() == Qt::ControlModifier &&
        (key->key() == Qt::Key_PageDown || key->key() == Qt::Key_PageUp)) {
        turnPage(key->key() == Qt::Key_PageDown ? 1 : -1);
        return true;
    }
    if (watched == emetodo) {
        editKeyPress(emetodo, key, eanalista);
    } else if (watched == eanalista) {
        editKeyPress(eanalista, key, efecha);
    }
    for (QTableWidget* table : {tfactores, trespuestas, tcorridas}) {
        if (watched == table ||
            (watched->parent() != nullptr && table->viewport() == watched->parent())) {
            return tableKeyPress(table, key, watched != table) ||
                   QWidget::eventFilter(watched, event);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFdiseno::turnPage(int step) {
    // Ctrl+PgDn and Ctrl+PgUp: the next or previous page, in its first control.
    const int count = pages_->count();
    pages_->setCurrentIndex((pages_->currentIndex() + step + count) % count);
    QWidget* const first[] = {emetodo, tfactores, tdisenos, tcorridas};
    moveFocus(first[pages_->currentIndex()]);
}

void TFdiseno::editKeyPress(QLineEdit* edit, QKeyEvent* key, QWidget* next) {
    if (isEnter(key) && !edit->text().isEmpty()) {
        moveFocus(next);
    }
}

bool TFdiseno::tableKeyPress(QTableWidget* table, QKeyEvent* key, bool inEditor) {
    if (inEditor && key->key() == Qt::Key_Escape) {
        // The editor wrote every key into the cell: Escape takes it back.
        QWidget* editor = QApplication::focusWidget();
        QTableWidgetItem* item = table->currentItem();
        if (editor != nullptr && item != nullptr && editor->property(kOriginalText).isValid()) {
            item->setText(editor->property(kOriginalText).toString());
        }
        return false;
    }
    if (table == tcorridas) {
        // Delete empties the current response, as in a spreadsheet.
        const int firstResponse = kRunColumns + int(study_.factors.size());
        if (!inEditor && key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier &&
            table->currentColumn() >= firstResponse && table->currentItem() != nullptr) {
            table->currentItem()->setText(QString());
            return true;
        }
        if (key->matches(QKeySequence::Paste)) {
            const QString text = QGuiApplication::clipboard()->text();
            // In an open cell a single value is pasted into the text.
            if (inEditor && !text.contains(QLatin1Char('\t')) &&
                !text.trimmed().contains(QLatin1Char('\n'))) {
                return false;
            }
            pasteResponses();
            return true;
        }
        if (inEditor && isEnter(key)) {
            // Enter takes the value and goes on to the next run, once the
            // editor has written its text (the delegate does it queued).
            const int row = table->currentRow();
            const int column = table->currentColumn();
            QTimer::singleShot(0, table, [table, row, column] {
                QTimer::singleShot(0, table, [table, row, column] {
                    if (row + 1 < table->rowCount() && table->currentRow() == row) {
                        table->setCurrentCell(row + 1, column);
                    }
                });
            });
        }
        return false;
    }
    const bool insert = key->key() == Qt::Key_Insert && (key->modifiers() == Qt::NoModifier ||
                                                         key->modifiers() == Qt::ControlModifier);
    const bool remove =
        key->key() == Qt::Key_Delete && key->modifiers() == Qt::ControlModifier && !inEditor;
    if (insert) {
        table == tfactores ? addFactor() : addResponse();
        return true;
    }
    if (remove) {
        table == tfactores ? removeFactor() : removeResponse();
        return true;
    }
    return false;
}

// --- Files ------------------------------------------------------------------

bool TFdiseno::responsesReadable() {
    // A text that is not a number would be lost in the file.
    if (const auto cell = unreadableCell()) {
        robustez::showMessage(this, unreadableMessage(cell->first, cell->second));
        pages_->setCurrentIndex(3);
        tcorridas->setCurrentCell(cell->first,
                                  kRunColumns + int(study_.factors.size()) + cell->second);
        moveFocus(tcorridas);
        return false;
    }
    return true;
}

TFdiseno::SaveOutcome TFdiseno::save() {
    if (!responsesReadable()) {
        return SaveOutcome::Failed;
    }
    return path_.isEmpty() ? saveAs() : saveTo(path_);
}

TFdiseno::SaveOutcome TFdiseno::saveAs() {
    if (!responsesReadable()) {
        return SaveOutcome::Failed;
    }
    QString path;
    if (askSavePath) {
        path = askSavePath(this, documentName());
    } else {
        QFileDialog dialog(this, QStringLiteral("Guardar diseño como"));
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter(QStringLiteral("Diseños de robustez (*.w1d)"));
        dialog.setDefaultSuffix(QStringLiteral("w1d"));
        robustez::startDialogAt(dialog, documentName());
        path = robustez::runStartedDialog(dialog);
    }
    if (path.isEmpty()) {
        return SaveOutcome::Cancelled;
    }
    return saveTo(path);
}

TFdiseno::SaveOutcome TFdiseno::saveTo(const QString& path) {
    const DesignStudy study = designStudy();
    const bool saved = robustez::runCommand(
        this, [&path, &study] { robustez::design::saveDesignFile(path.toStdString(), study); });
    if (!saved) {
        return SaveOutcome::Failed;
    }
    const bool renamed = path != path_;
    path_ = path;
    updateTitle();
    setModified(false);
    if (renamed) {
        emit documentNameChanged(path_);
    }
    return SaveOutcome::Saved;
}

void TFdiseno::setModified(bool modified) {
    if (modified_ != modified) {
        modified_ = modified;
        emit modifiedChanged(modified);
    }
}

void TFdiseno::updateTitle() {
    setWindowTitle(QStringLiteral("Diseño de robustez — ") +
                   (path_.isEmpty() ? kNewDocument : QFileInfo(path_).fileName()));
}

// --- Closing ----------------------------------------------------------------

bool TFdiseno::closeQuery() {
    if (!modified_) {
        return true;
    }
    const robustez::CloseAnswer answer = robustez::askToSaveChanges(this);
    if (answer == robustez::CloseAnswer::Keep) {
        return false;
    }
    // A failed or cancelled save keeps the window and its changes.
    return answer == robustez::CloseAnswer::Discard || save() == SaveOutcome::Saved;
}

void TFdiseno::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shown_) {
        shown_ = true;
        moveFocus(emetodo);
        if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
            connect(frame, &QMdiSubWindow::windowStateChanged, this,
                    [this](Qt::WindowStates before, Qt::WindowStates now) {
                        if (now.testFlag(Qt::WindowActive) && !before.testFlag(Qt::WindowActive)) {
                            queueFocusReturn();
                        }
                    });
        }
    }
}

void TFdiseno::closeEvent(QCloseEvent* event) {
    if (closed_) {
        event->accept();
        return;
    }
    if (!closeQuery()) {
        event->ignore();
        return;
    }
    closed_ = true;
    emit designClosed(this);
    event->accept();
}
