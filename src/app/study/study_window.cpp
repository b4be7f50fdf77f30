#include "app/study/study_window.h"

#include "app/study/study_grid.h"
#include "app/ui/messages.h"
#include "app/ui/window_parts.h"
#include "core/study/conversions.h"
#include "core/study/errors.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

using StudyEvent = StudyFrame::StudyEvent;
using robustez::runCommand;
using robustez::showMessage;

namespace {

const QString kModified = QStringLiteral("Modificado");
const QString kNewDocument = QStringLiteral("Nuevo");
const QString kAcceptCount = QStringLiteral("Falta aceptar el número de muestras (replicas).");

bool isEnter(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

QLabel* makeLabel(QWidget* page, const char* name, const QString& text, int x, int y) {
    auto* label = new QLabel(text, page);
    label->setObjectName(QString::fromLatin1(name));
    label->move(x, y);
    label->adjustSize();
    return label;
}

QLineEdit* makeEdit(QWidget* page, const char* name, QRect geometry, int maxLength) {
    auto* edit = new QLineEdit(page);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(geometry);
    edit->setMaxLength(maxLength);
    edit->setValidator(new robustez::Cp1252Validator(edit));
    return edit;
}

// A page of the notebook in a scroll area: a window smaller than the page
// (a tile of "&Mosaico") scrolls instead of cutting its controls, and a
// larger one gives the page its room.
QScrollArea* scrollingPage(QWidget* page) {
    auto* scroller = new QScrollArea;
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setFocusPolicy(Qt::NoFocus);
    scroller->setWidgetResizable(true);
    scroller->setWidget(page);
    return scroller;
}

// The smallest size that shows every control of the page with a margin.
void keepControlsInSight(QWidget* page) {
    constexpr int kMargin = 8;
    const QRect controls = page->childrenRect();
    page->setMinimumSize(controls.right() + 1 + kMargin, controls.bottom() + 1 + kMargin);
}

// Puts a text into an edit whole, even beyond the edit's typing limit.
void setWholeText(QLineEdit* edit, const std::string& text) {
    const QString value = QString::fromStdString(text);
    edit->setMaxLength(std::max(edit->maxLength(), int(value.size())));
    edit->setText(value);
}

} // namespace

TFinforma::TFinforma(StudyFrame* frame, QWidget* parent)
    : QWidget(parent), frame_(frame),
      flow_({[this](int control) { runExit(control); }, [this](int control) { runEnter(control); },
             [this](int control) { return giveFocus(control); },
             [this] { return controlOf(QApplication::focusWidget()); }}) {
    setObjectName(QStringLiteral("Finforma"));
    setProperty("helpContext", 2);
    setWindowTitle(kNewDocument);
    QFont font(QStringLiteral("System"));
    font.setPixelSize(13);
    font.setBold(true);
    setFont(font);
    resize(kDesignSize);
    buildControls();
    // Every focus arrival, click and key of the window passes here first,
    // the key handlers of the edits included.
    qApp->installEventFilter(this);
    // The focus leaving for nowhere (a menu used with the keyboard ends, a
    // dialog closes, the frame rearranges its windows) is taken back.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* /*old*/, QWidget* now) {
        if (now == nullptr || !isInside(now)) {
            queueFocusCheck();
        } else {
            scrollIntoSight(now); // a tile smaller than the page scrolls to the control
        }
    });
    FormCreate();
}

void TFinforma::buildControls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    Thojas = new QTabWidget(this);
    Thojas->setObjectName(QStringLiteral("Thojas"));
    QFont tabFont(QStringLiteral("MS Sans Serif"));
    tabFont.setPixelSize(11);
    Thojas->tabBar()->setFont(tabFont);
    // A click on a tab takes the focus there: the page changes under the
    // user's own move, and no control of the new page is chosen for them.
    Thojas->tabBar()->setFocusPolicy(Qt::StrongFocus);
    layout->addWidget(Thojas);

    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    Lmetodo = makeLabel(TabSheet1, "Lmetodo", QStringLiteral("Nom&bre del método:"), 16, 30);
    emetodo = makeEdit(TabSheet1, "emetodo", QRect(16, 58, 577, 24), 60);
    Lanalista = makeLabel(TabSheet1, "Lanalista", QStringLiteral("Nombre del A&nalista:"), 16, 103);
    eanalista = makeEdit(TabSheet1, "eanalista", QRect(16, 131, 577, 24), 60);
    Lfecha = makeLabel(TabSheet1, "Lfecha", QStringLiteral("&Fecha:"), 16, 181);
    efecha = makeEdit(TabSheet1, "efecha", QRect(16, 205, 230, 24), 20);
    Lmetodo->setBuddy(emetodo);
    Lanalista->setBuddy(eanalista);
    Lfecha->setBuddy(efecha);
    Thojas->addTab(scrollingPage(TabSheet1), QStringLiteral("Información General"));

    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    Label1 = makeLabel(TabSheet2, "Label1",
                       QStringLiteral("ROBUSTEZ (TOLERANCIA A CONDICIONES DE OPERACIÓN)"), 80, 8);
    lmuestra = makeLabel(TabSheet2, "lmuestra",
                         QStringLiteral("&Número de muestras ( replicaciones):"), 40, 32);
    ereplica1 = makeEdit(TabSheet2, "ereplica1", QRect(72, 54, 33, 24), 2);
    ereplica1->setText(QStringLiteral("3"));
    botonok1 = new QPushButton(QStringLiteral("Ace&ptar número de Muestras"), TabSheet2);
    botonok1->setObjectName(QStringLiteral("botonok1"));
    botonok1->setGeometry(112, 59, 201, 22);
    // Enter presses the button that has the focus, as Space does.
    botonok1->setAutoDefault(true);
    loperacion =
        makeLabel(TabSheet2, "loperacion", QStringLiteral("Condiciones de &Operación"), 72, 96);
    eoperacion = makeEdit(TabSheet2, "eoperacion", QRect(248, 96, 129, 24), 30);
    lmuestra->setBuddy(ereplica1);
    loperacion->setBuddy(eoperacion);

    stgdatos1 = new robustez::StudyGridView(TabSheet2);
    stgdatos1->setObjectName(QStringLiteral("stgdatos1"));
    stgdatos1->setGeometry(kGridGeometry);
    QFont gridFont(QStringLiteral("System"));
    gridFont.setPixelSize(13);
    gridFont.setBold(true);
    stgdatos1->setFont(gridFont);
    stgdatos1->setToolTip(QStringLiteral("opciones botón derecho"));
    stgdatos1->setStatusTip(QStringLiteral("opciones botón derecho"));
    stgdatos1->setKeyHandler([this](QKeyEvent* key) { stgdatos1KeyPress(key); });
    stgdatos1->setCommandHandler([this](robustez::GridCommand command) {
        if (command == robustez::GridCommand::Undo) {
            return undoPaste();
        }
        pmnupegarClick();
        return true;
    });
    Thojas->addTab(scrollingPage(TabSheet2), QStringLiteral("Condiciones de Operación "));

    pmenu = new QMenu(this);
    pmenu->setObjectName(QStringLiteral("pmenu"));
    pmnudunet = pmenu->addAction(QStringLiteral("&t de Dunnett"));
    pmnudunet->setObjectName(QStringLiteral("pmnudunet"));
    pmnudunet->setToolTip(QStringLiteral("Cálculos"));
    pmnudunet->setStatusTip(QStringLiteral("Presenta lista de promedios y t de Dunnett"));
    // Created enabled: accepting the count turns it off until the grid is
    // entered; the pages' first focus leaves it alone (only the menu entry).
    connect(pmnudunet, &QAction::triggered, this, &TFinforma::pmnudunetClick);
    pmnudetalle = pmenu->addAction(QStringLiteral("&Detalle estadístico"));
    pmnudetalle->setObjectName(QStringLiteral("pmnudetalle"));
    pmnudetalle->setToolTip(QStringLiteral("Cálculos"));
    pmnudetalle->setStatusTip(
        QStringLiteral("Presenta valores p, intervalos de confianza y gráfico"));
    connect(pmnudetalle, &QAction::triggered, this, [this] { emit detailRequested(); });
    pmnupegar = pmenu->addAction(QStringLiteral("&Pegar"));
    pmnupegar->setObjectName(QStringLiteral("pmnupegar"));
    pmnupegar->setToolTip(QStringLiteral("Edición"));
    pmnupegar->setStatusTip(
        QStringLiteral("Pega un bloque de valores copiado de una hoja de cálculo"));
    connect(pmnupegar, &QAction::triggered, this, &TFinforma::pmnupegarClick);
    // A highlighted entry shows its hint in the main window's status line.
    connect(pmenu, &QMenu::hovered, this,
            [this](QAction* action) { emit hintChanged(action->statusTip()); });
    connect(pmenu, &QMenu::aboutToHide, this, [this] { emit hintChanged(QString()); });
    stgdatos1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(stgdatos1, &QWidget::customContextMenuRequested, this, &TFinforma::showPopup);

    markChangedEdits();

    QWidget::setTabOrder(emetodo, eanalista);
    QWidget::setTabOrder(eanalista, efecha);
    QWidget::setTabOrder(ereplica1, botonok1);
    QWidget::setTabOrder(botonok1, eoperacion);
    QWidget::setTabOrder(eoperacion, stgdatos1);

    // The labels size themselves to their text in the window's font.
    for (QLabel* label : findChildren<QLabel*>()) {
        label->adjustSize();
    }
    keepControlsInSight(TabSheet1);
    keepControlsInSight(TabSheet2);
    // Texts wider than their edit or cell show whole as a tooltip.
    for (QLineEdit* edit : {emetodo, eanalista, efecha, ereplica1, eoperacion}) {
        robustez::tipWholeTextWhenCut(edit);
    }
    robustez::tipWholeCellTextWhenCut(stgdatos1);
    connect(botonok1, &QPushButton::clicked, this, &TFinforma::botonok1Click);
}

void TFinforma::markChangedEdits() {
    // The user's own changes only, typed or pasted: a read-only edit never
    // changes, nor does a key that leaves the text as it was (Enter,
    // Backspace at the start). The condition edit sets no mark.
    for (QLineEdit* edit : {emetodo, eanalista, efecha, ereplica1}) {
        connect(edit, &QLineEdit::textEdited, this, [this] { emit modifiedMarkSet(kModified); });
    }
}

void TFinforma::fitGridToPage() {
    // The page's height beyond its height in the window restored at its
    // designed size goes to the grid, so that more of its rows show; at the
    // designed size and below, the grid keeps its designed place and size.
    const auto* frameWindow = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (frameWindow != nullptr && !frameWindow->isMaximized() && !frameWindow->isMinimized() &&
        frameWindow->height() > height()) {
        frameChrome_ = frameWindow->height() - height();
    }
    const int notebookChrome = height() - TabSheet2->parentWidget()->parentWidget()->height();
    const int designedPage = kFrameDesignSize.height() - frameChrome_ - notebookChrome;
    const int extra = std::max(0, TabSheet2->height() - designedPage);
    stgdatos1->setGeometry(kGridGeometry.adjusted(0, 0, 0, extra));
}

void TFinforma::scrollIntoSight(QWidget* widget) {
    for (QWidget* page : {TabSheet1, TabSheet2}) {
        if (page->isAncestorOf(widget)) {
            auto* scroller = qobject_cast<QScrollArea*>(page->parentWidget()->parentWidget());
            scroller->ensureWidgetVisible(widget, 8, 8);
        }
    }
}

void TFinforma::showPopup(const QPoint& position) {
    // The right click that opens the menu may have moved the focus into the
    // grid: its enter handler runs first, and sets the entries' states.
    flow_.settle();
    pmenu->popup(stgdatos1->viewport()->mapToGlobal(position));
}

// --- The study --------------------------------------------------------------

robustez::StudyRecord TFinforma::studyRecord() const {
    robustez::StudyRecord study;
    study.methodName = emetodo->text().toStdString();
    study.analystName = eanalista->text().toStdString();
    study.dateText = efecha->text().toStdString();
    study.replicateCountText = ereplica1->text().toStdString();
    study.conditionName = eoperacion->text().toStdString();
    // The grid's editor writes every change into its cell as it is typed.
    study.grid = stgdatos1->gridModel()->grid();
    return study;
}

void TFinforma::loadStudy(const robustez::StudyRecord& study, const QString& path) {
    setWholeText(emetodo, study.methodName);
    setWholeText(eanalista, study.analystName);
    setWholeText(efecha, study.dateText);
    setWholeText(ereplica1, study.replicateCountText);
    setWholeText(eoperacion, study.conditionName);
    stgdatos1->gridModel()->setGrid(study.grid);
    stgdatos1->gridModel()->writeFixedCells();
    setDocumentName(path);
    for (QLineEdit* edit : {emetodo, eanalista, efecha, ereplica1, eoperacion}) {
        edit->setReadOnly(true);
    }
    stgdatos1->setEnabled(false);
    pmnupegar->setEnabled(false);
}

QString TFinforma::documentName() const {
    return windowTitle();
}

void TFinforma::setDocumentName(const QString& name) {
    setWindowTitle(name);
}

bool TFinforma::isViewOnly() const {
    return !stgdatos1->isEnabled();
}

// --- Focus ------------------------------------------------------------------
//
// Leaving a control means the focus moves from it to another control of this
// window. Activating another window, or opening a menu or a message box, is
// not leaving. Moves made by the handlers count and nest: while a control's
// leave handler runs, it stays the active control, and a move back to it
// changes nothing.

bool TFinforma::isInside(const QObject* object) const {
    if (object == nullptr || !object->isWidgetType()) {
        return false;
    }
    const auto* widget = static_cast<const QWidget*>(object);
    return widget == this || isAncestorOf(widget);
}

int TFinforma::controlOf(const QWidget* widget) const {
    const auto all = controls();
    for (int control = 0; control < int(all.size()); ++control) {
        if (all[control] == widget || (widget != nullptr && all[control]->isAncestorOf(widget))) {
            return control;
        }
    }
    return robustez::FocusFlow::kNone;
}

std::array<QWidget*, 8> TFinforma::controls() const {
    return {emetodo,  eanalista,  efecha,    ereplica1,
            botonok1, eoperacion, stgdatos1, Thojas->tabBar()};
}

void TFinforma::noteUserInput(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        // The press reaches the top-level window first, and the focus moves
        // before the widget under the pointer sees it.
        const QObject* target = watched;
        if (watched->isWindowType()) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            target = QApplication::widgetAt(mouse->globalPosition().toPoint());
        }
        pointerPressed_ = isInside(target);
        break;
    }
    case QEvent::MouseButtonRelease:
        pointerPressed_ = false;
        break;
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Ctrl+Tab switches the notebook's pages: the toolkit's focus moves
        // that follow are not the user's.
        const bool tab = (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
                         !key->modifiers().testFlag(Qt::ControlModifier);
        if (tab && isInside(watched)) {
            tabPressed_ = true;
            tabForwardInGrid_ = key->key() == Qt::Key_Tab &&
                                !key->modifiers().testFlag(Qt::ShiftModifier) &&
                                controlOf(static_cast<QWidget*>(watched)) == kGrid;
        } else if (!tab) {
            tabPressed_ = false;
        }
        break;
    }
    case QEvent::KeyRelease:
        tabPressed_ = false;
        break;
    default:
        break;
    }
}

void TFinforma::focusArrived(QWidget* widget, Qt::FocusReason reason) {
    const int control = controlOf(widget);
    // A click inside the window may move the focus in several steps (the
    // frame's child window first gives it back to where it was): all of
    // them are the user's choice, as a mnemonic is.
    auto cause = robustez::FocusCause::Window;
    if (pointerPressed_ || reason == Qt::MouseFocusReason || reason == Qt::ShortcutFocusReason) {
        cause = robustez::FocusCause::Chosen;
    } else if ((reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) && tabPressed_) {
        cause = robustez::FocusCause::Tab;
    } // else the window activated, a popup closed, the toolkit's own move
    const bool byUser = cause != robustez::FocusCause::Window;
    if (byUser && control != kGrid && control != robustez::FocusFlow::kNone) {
        gridLeftByTab_ = tabForwardInGrid_ && reason == Qt::TabFocusReason;
    }
    flow_.arrived(control, cause);
    // Handled once the toolkit has finished moving the focus, so that the
    // handlers may show message boxes and move the focus themselves.
    QMetaObject::invokeMethod(this, &TFinforma::settleFocus, Qt::QueuedConnection);
}

void TFinforma::settleFocus() {
    flow_.settle();
}

void TFinforma::queueFocusCheck() {
    QMetaObject::invokeMethod(this, &TFinforma::keepFocusInside, Qt::QueuedConnection);
}

void TFinforma::keepFocusInside() {
    if (closed_ || !flow_.started() || !isVisible()) {
        return;
    }
    // Only while this window is the one the user works in: the frame active,
    // this child the active one, no menu open and no dialog in front.
    auto* frameWindow = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (frameWindow == nullptr || frameWindow->mdiArea() == nullptr ||
        frameWindow->mdiArea()->activeSubWindow() != frameWindow ||
        QApplication::activeWindow() != window() || QApplication::activePopupWidget() != nullptr) {
        return;
    }
    QWidget* focus = QApplication::focusWidget();
    if (focus != nullptr && isInside(focus)) {
        return; // in a control
    }
    // The menu bar keeps the focus after a command chosen with the keyboard;
    // it holds it for the user only while one of its menus is highlighted.
    const auto* menuBar = qobject_cast<QMenuBar*>(focus);
    if (menuBar != nullptr && menuBar->activeAction() != nullptr) {
        return;
    }
    flow_.arrived(robustez::FocusFlow::kNone, robustez::FocusCause::Window);
    flow_.settle();
}

bool TFinforma::giveFocus(int control) {
    QWidget* widget = controls()[control];
    // After the user switched notebook pages, a control of the page no
    // longer shown cannot take the focus: typing never goes out of sight.
    if (!widget->isVisibleTo(this) || !widget->isEnabled()) {
        return false;
    }
    // While the frame hides the window, or another of its windows is the
    // active one, the focus is not taken from there: the control is where
    // the user is, and gets the focus when the window is active again.
    auto* frameWindow = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (!isVisible() || (frameWindow != nullptr && frameWindow->mdiArea() != nullptr &&
                         frameWindow->mdiArea()->activeSubWindow() != frameWindow)) {
        return true;
    }
    ++focusing_;
    if (widget == stgdatos1) {
        stgdatos1->resumeEditing();
    } else {
        QWidget* focus = QApplication::focusWidget();
        if (focus != widget && !widget->isAncestorOf(focus)) {
            widget->setFocus(Qt::OtherFocusReason);
        }
    }
    --focusing_;
    return true;
}

void TFinforma::moveFocus(QWidget* control) {
    flow_.moveTo(controlOf(control));
}

void TFinforma::runExit(int control) {
    switch (control) {
    case kCount:
        ereplica1Exit();
        break;
    case kAccept:
        botonok1Exit();
        break;
    case kCondition:
        eoperacionExit();
        break;
    case kGrid:
        stgdatos1Exit();
        break;
    default:
        break;
    }
}

void TFinforma::runEnter(int control) {
    if (control == kGrid) {
        stgdatos1Enter();
    }
}

void TFinforma::firstActivation() {
    if (flow_.started()) {
        return;
    }
    flow_.start(robustez::FocusFlow::kNone);
    ThojasEnter();
}

// --- Handlers ---------------------------------------------------------------

void TFinforma::FormCreate() {
    auto* model = stgdatos1->gridModel();
    model->writeFixedCells();
}

void TFinforma::ThojasEnter() {
    Thojas->setCurrentIndex(0);
    moveFocus(emetodo);
    emit studyEvent(StudyEvent::PagesEntered);
}

bool TFinforma::eventFilter(QObject* watched, QEvent* event) {
    noteUserInput(watched, event);
    if (event->type() == QEvent::Resize && watched == TabSheet2) {
        fitGridToPage();
    }
    if (event->type() == QEvent::WindowActivate && watched == window()) {
        queueFocusCheck(); // back from a dialog or another program
    }
    if (event->type() == QEvent::FocusIn && focusing_ == 0 && !closed_) {
        // The frame's child window that holds this one takes the focus when
        // its title bar is clicked: nobody left a control either.
        if (isInside(watched) || watched == parentWidget()) {
            focusArrived(static_cast<QWidget*>(watched),
                         static_cast<QFocusEvent*>(event)->reason());
        }
    } else if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (robustez::isCharacterKey(key)) {
            if (watched == emetodo) {
                editKeyPress(emetodo, key, eanalista); // emetodoKeyPress
            } else if (watched == eanalista) {
                editKeyPress(eanalista, key, efecha); // eanalistaKeyPress
            } else if (watched == efecha) {
                editKeyPress(efecha, key, nullptr); // efechaKeyPress
            } else if (watched == ereplica1) {
                editKeyPress(ereplica1, key, botonok1); // ereplica1KeyPress
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFinforma::editKeyPress(QLineEdit* edit, QKeyEvent* key, QWidget* next) {
    // The mark follows the text the key changes (markChangedEdits), not the
    // key itself: a view-only study stays unmodified whatever is typed.
    if (next != nullptr && isEnter(key) && !edit->text().isEmpty()) {
        moveFocus(next);
    }
}

void TFinforma::ereplica1Exit() {
    const QString text = ereplica1->text();
    int n = 0;
    if (text.isEmpty()) {
        showMessage(this, QStringLiteral("Falta capturar el número de valoraciones"));
        moveFocus(ereplica1);
        return;
    }
    if (!robustez::tryToInteger(text.toStdString(), n)) {
        showMessage(this, QStringLiteral("El valor de captura no es un valor numérico."));
        moveFocus(ereplica1);
        return;
    }
    if (n < 2 || n > 10) {
        showMessage(this,
                    QStringLiteral("Datos fuera de límite, 2-10 valoraciones (Replicaciones)."));
        moveFocus(ereplica1);
        return;
    }
    flow_.moveOnPath(kAccept);
}

void TFinforma::botonok1Click() {
    // A mouse click may also have left another control: its leave handler
    // runs first, as when the press and the release come apart.
    if (!flow_.settleBeforeClick(kAccept)) {
        return;
    }
    runCommand(this, [this] {
        const int n = robustez::toInteger(ereplica1->text().toStdString());
        if (n < 2 || n > 10) {
            // Reachable only by pressing the button's accelerator with a bad
            // count in the edit; the grid keeps its size.
            showMessage(
                this, QStringLiteral("Datos fuera de límite, 2-10 valoraciones (Replicaciones)."));
            return;
        }
        auto* model = stgdatos1->gridModel();
        model->setRowCountKeepingText(n + 2);
        model->writeFixedCells();
        moveFocus(eoperacion);
        emit studyEvent(StudyEvent::CountAccepted);
    });
}

// The fixed path steers Tab and Enter; a click or a mnemonic on another
// control stands.
void TFinforma::botonok1Exit() {
    flow_.moveOnPath(kCondition);
}

void TFinforma::eoperacionExit() {
    if (stgdatos1->isEnabled()) {
        flow_.moveOnPath(kGrid);
    }
}

void TFinforma::stgdatos1Enter() {
    runCommand(this, [this] {
        const int n = robustez::toInteger(ereplica1->text().toStdString());
        if (stgdatos1->gridModel()->rowCount() != n + 2) {
            showMessage(this, kAcceptCount);
            Thojas->setCurrentIndex(1);
            // Sending the focus to the count edit leaves the grid, so its
            // check runs and takes the focus back; the count edit still gets
            // it, since the count has to be accepted first.
            moveFocus(ereplica1);
            if (flow_.lastTarget() != kCount) {
                flow_.place(kCount);
            }
            return;
        }
        emit studyEvent(StudyEvent::GridEntered);
    });
}

void TFinforma::stgdatos1KeyPress(QKeyEvent* /*key*/) {
    pasteUndo_.clear(); // typing ends the paste's undo
    const QModelIndex current = stgdatos1->currentIndex();
    cellTyped(current.column(), current.row());
}

void TFinforma::cellTyped(int column, int row) {
    emit modifiedMarkSet(kModified);
    const int lastColumn = stgdatos1->gridModel()->columnCount() - 1;
    const int lastRow = stgdatos1->gridModel()->rowCount() - 1;
    if (column == lastColumn) {
        if (row == lastRow) {
            stgdatos1->setTabMovesBetweenCells(false);
            emit studyEvent(StudyEvent::LastCellTyped);
        } else {
            stgdatos1->setTabMovesBetweenCells(true);
        }
    }
}

void TFinforma::stgdatos1Exit() {
    // Tab out of the last cell checks the grid and stays there; any other
    // move out of it stands when the check passes.
    const bool stay = gridLeftByTab_;
    gridLeftByTab_ = false;
    stgdatos1->setTabMovesBetweenCells(true);
    if (!stay) {
        stgdatos1->setCurrentCell(1, 1);
    }
    runCommand(this, [this, stay] {
        const robustez::StudyGrid& grid = stgdatos1->gridModel()->grid();
        const std::string separator = QLocale::system().decimalPoint().toStdString();
        for (int column = 1; column <= robustez::kLevelCount; ++column) {
            const int n = robustez::toInteger(ereplica1->text().toStdString());
            for (int row = 2; row <= n + 1; ++row) {
                const std::string& text = grid.cell(column, row);
                if (text.empty()) {
                    showFaultyCell(QStringLiteral("Falta capturar el ") + QString::number(row) +
                                       QStringLiteral(" ª dato del equipo en ") +
                                       QString::fromStdString(grid.cell(column, 0)) +
                                       QStringLiteral("."),
                                   column, row);
                    return;
                }
                double value = 0;
                if (!robustez::tryToDecimal(text, separator, value)) {
                    showFaultyCell(QStringLiteral("Algún dato capturado no es un valor numérico."),
                                   column, row);
                    return;
                }
            }
        }
        if (stay) {
            moveFocus(stgdatos1);
        }
    });
}

void TFinforma::showFaultyCell(const QString& message, int column, int row) {
    showMessage(this, message);
    stgdatos1->setCurrentCell(column, row);
    moveFocus(stgdatos1);
}

void TFinforma::pmnudunetClick() {
    emit dunnettRequested();
}

bool TFinforma::countAccepted() const {
    int n = 0;
    return robustez::tryToInteger(ereplica1->text().toStdString(), n) &&
           stgdatos1->gridModel()->rowCount() == n + 2;
}

void TFinforma::pmnupegarClick() {
    if (isViewOnly()) {
        return;
    }
    if (!countAccepted()) {
        showMessage(this, kAcceptCount);
        return;
    }
    const QModelIndex current = stgdatos1->currentIndex();
    const auto* model = stgdatos1->gridModel();
    const std::string separator = QLocale::system().decimalPoint().toStdString();
    robustez::PastePlan plan;
    try {
        plan =
            robustez::planPaste(QGuiApplication::clipboard()->text(), current.column(),
                                current.row(), model->columnCount(), model->rowCount(), separator);
    } catch (const robustez::RobustezError& error) {
        showMessage(this, QString::fromStdString(error.what()));
        return;
    }
    // Values go in only as the grid's check would take them: written with
    // the other decimal separator they are converted when the user agrees.
    QList<robustez::CellText> cells = plan.cells;
    if (plan.convertible) {
        if (!robustez::askYesNo(this,
                                robustez::separatorQuestion(plan.refused.size(), separator))) {
            return;
        }
        cells = robustez::withSeparatorsSwapped(plan);
    } else if (!plan.refused.isEmpty()) {
        showMessage(this, robustez::refusedValueMessage(plan.refused.first()));
        return;
    }
    if (cells.isEmpty()) {
        return;
    }
    pasteUndo_ = writeCells(cells);
    // As if the block's last cell had been typed.
    cellTyped(cells.last().column, cells.last().row);
}

QList<robustez::CellText> TFinforma::writeCells(const QList<robustez::CellText>& cells) {
    auto* model = stgdatos1->gridModel();
    QList<robustez::CellText> before;
    for (const robustez::CellText& cell : cells) {
        before.append({cell.column, cell.row,
                       QString::fromStdString(model->grid().cell(cell.column, cell.row))});
        model->setCellText(cell.column, cell.row, cell.text.toStdString());
    }
    return before;
}

bool TFinforma::undoPaste() {
    if (pasteUndo_.isEmpty()) {
        return false;
    }
    writeCells(pasteUndo_);
    pasteUndo_.clear();
    return true;
}

bool TFinforma::FormCloseQuery() {
    if (frame_->modifiedMark() == kModified) {
        const robustez::CloseAnswer answer = robustez::askToSaveChanges(this);
        if (answer == robustez::CloseAnswer::Keep) {
            return false;
        }
        if (answer == robustez::CloseAnswer::Save &&
            frame_->saveStudy() != StudyFrame::SaveOutcome::Saved) {
            // A failed or cancelled save keeps the window and its changes.
            return false;
        }
    }
    emit modifiedMarkSet(QString());
    return true;
}

void TFinforma::FormClose() {
    closed_ = true;
    flow_.stop();
    emit studyEvent(StudyEvent::Closed);
    if (frame_->childCount() == 1) {
        emit studyEvent(StudyEvent::LastChildClosed);
    }
    emit studyClosed(this);
}

void TFinforma::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    queueFocusCheck(); // shown again by the frame: restored, or back on top
}

void TFinforma::closeEvent(QCloseEvent* event) {
    if (closed_) {
        event->accept();
        return;
    }
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}
