#include "app/frame/main_form.h"

#include "app/design/design_effects_window.h"
#include "app/design/design_window.h"
#include "app/frame/frame_windows.h"
#include "app/results/summary_window.h"

#include "app/results/detail_window.h"
#include "app/study/study_window.h"
#include "app/ui/file_dialogs.h"
#include "app/ui/messages.h"
#include "app/ui/pictures.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QStatusTipEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

using robustez::ActiveChild;
using robustez::BusyCursor;
using robustez::CommandEvent;
using robustez::runCommand;

// The speed bar's pictures live in this library's resources.
static void initShellResources() {
    Q_INIT_RESOURCE(shell);
}

namespace {

TMainForm* gMainForm = nullptr;

QString shortPart(const QString& hint) {
    const std::string text = hint.toStdString();
    return QString::fromStdString(std::string(robustez::shortHint(text)));
}

QString longPart(const QString& hint) {
    const std::string text = hint.toStdString();
    return QString::fromStdString(std::string(robustez::longHint(text)));
}

// The open and save dialogs of the study files.
const QString kStudyFilter = QStringLiteral("Ormida v. w3.0 (*.w1o)");

QString runFileDialog(QWidget* parent, const QString& proposed, bool save) {
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setNameFilter(kStudyFilter);
    dialog.setDefaultSuffix(QStringLiteral("w1o"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // The chosen file need not exist when opening; the command reports it.
    dialog.setFileMode(QFileDialog::AnyFile);
    robustez::startDialogAt(dialog, proposed);
    return robustez::runStartedDialog(dialog);
}

// The open dialog of the design screen: a design file or a run table.
QString runDesignFileDialog(QWidget* parent, const QString& proposed) {
    QFileDialog dialog(parent, QStringLiteral("Abrir diseño"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setNameFilters({QStringLiteral("Diseños de robustez (*.w1d)"),
                           QStringLiteral("Tablas de corridas (*.tsv *.txt)")});
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    robustez::startDialogAt(dialog, proposed);
    return robustez::runStartedDialog(dialog);
}

} // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent), windows_(std::make_unique<Windows>()) {
    gMainForm = this;
    initShellResources();
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Robustez (Tolerancia Condiciones de Operación)"));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    font.setBold(true);
    setFont(font);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    speedBar_ = new QFrame(central);
    mdiArea_ = new QMdiArea(central);
    mdiArea_->setObjectName(QStringLiteral("ClientArea"));
    // The windows in the order they are stacked: closing the active window
    // activates the one right behind it, as the platform's frames do, and
    // Cascada steps from the back to the window in front.
    mdiArea_->setActivationOrder(QMdiArea::StackingOrder);
    layout->addWidget(speedBar_);
    layout->addWidget(mdiArea_, 1);
    setCentralWidget(central);

    buildMenu();
    buildSpeedBar();
    buildStatusPanels();

    askOpen_ = [](QWidget* p, const QString& proposed) {
        return runFileDialog(p, proposed, false);
    };
    askSave_ = [](QWidget* p, const QString& proposed) { return runFileDialog(p, proposed, true); };
    askSummary_ = robustez::askStudyFilesWithDialog;
    askOpenDesign_ = runDesignFileDialog;
    worksheetPrintSetup_ = runStandardPrintDialog;
    connect(mdiArea_, &QMdiArea::subWindowActivated, this, &TMainForm::activeChildChanged);
    watchDesignHelpKey();

    // Restored size 520 x 381, centred on the screen.
    resize(520, 381);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    applyCommandColumn(CommandEvent::Start);
    showActiveChildStates();
}

TMainForm::~TMainForm() {
    if (gMainForm == this) {
        gMainForm = nullptr;
    }
}

TMainForm* TMainForm::instance() {
    return gMainForm;
}

// --- Building -------------------------------------------------------------

QMenu* TMainForm::addMenu(QMenu* parent, const char* objectName, const QString& caption,
                          const QString& hint, int helpContext) {
    auto* menu = new QMenu(caption, this);
    menu->setObjectName(QString::fromLatin1(objectName));
    QAction* action = menu->menuAction();
    action->setObjectName(QString::fromLatin1(objectName));
    action->setStatusTip(longPart(hint));
    action->setToolTip(shortPart(hint));
    if (helpContext != 0) {
        action->setProperty("helpContext", helpContext);
    }
    if (parent != nullptr) {
        parent->addMenu(menu);
    } else {
        menuBar()->addMenu(menu);
    }
    connect(menu, &QMenu::aboutToHide, this, [this] { statusLine_->clear(); });
    connect(menu, &QMenu::hovered, this,
            [this](QAction* a) { statusLine_->setText(a->statusTip()); });
    return menu;
}

QAction* TMainForm::addItem(QMenu* menu, const char* objectName, const QString& caption,
                            const QString& hint, int helpContext, void (TMainForm::*slot)(),
                            const QKeySequence& shortcut) {
    auto* action = new QAction(caption, menu);
    action->setObjectName(QString::fromLatin1(objectName));
    action->setStatusTip(longPart(hint));
    action->setToolTip(shortPart(hint));
    if (helpContext != 0) {
        action->setProperty("helpContext", helpContext);
    }
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
    }
    connect(action, &QAction::triggered, this, slot);
    menu->addAction(action);
    return action;
}

void TMainForm::buildMenu() {
    menuBar()->setObjectName(QStringLiteral("MainMenu"));
    connect(menuBar(), &QMenuBar::hovered, this,
            [this](QAction* a) { statusLine_->setText(a->statusTip()); });

    QMenu* file = addMenu(nullptr, "FileMenu", QStringLiteral("&Archivo"),
                          QStringLiteral("Crea,abre,guarda e imrpime un archivo"), 1);
    addItem(file, "FileNewItem", QStringLiteral("&Nuevo"),
            QStringLiteral("Archivo|Crea un nuevo archivo"), 2, &TMainForm::FileNew,
            QKeySequence(Qt::CTRL | Qt::Key_N));
    addItem(file, "FileOpenItem", QStringLiteral("&Abrir..."),
            QStringLiteral("Archivo|Abre un archivo ya existente"), 3, &TMainForm::fileopen1,
            QKeySequence(Qt::CTRL | Qt::Key_A));
    addItem(file, "FileNewDesignItem", QStringLiteral("Nuevo &diseño..."),
            QStringLiteral("Nuevo diseño|Crea un diseño de robustez nuevo"), TFdiseno::kHelpContext,
            &TMainForm::FileNewDesign);
    addItem(file, "FileOpenDesignItem", QStringLiteral("Abrir d&iseño..."),
            QStringLiteral("Abrir diseño|Abre un diseño de robustez o una tabla de corridas"),
            TFdiseno::kHelpContext, &TMainForm::fileOpenDesign);
    addItem(file, "mnuclose", QStringLiteral("C&errar"),
            QStringLiteral("Archivo|Cierra la ventana activa"), 4, &TMainForm::mnucloseClick);
    file->addSeparator();
    addItem(file, "FileSaveItem", QStringLiteral("&Guardar"),
            QStringLiteral("Archivo|Guarda el archivo"), 5, &TMainForm::spdguardar1Click,
            QKeySequence(Qt::CTRL | Qt::Key_G));
    addItem(file, "FileSaveAsItem", QStringLiteral("Guardar &como..."),
            QStringLiteral("Archivo|Guarda el archivo con un nuevo nombre y/o trayectoria"), 6,
            &TMainForm::SaveascondicionesClick);
    file->addSeparator();
    addItem(file, "mnuresumen", QStringLiteral("Resumen de &robustez..."),
            QStringLiteral("Resumen de robustez|Reúne en una página varios estudios de un método"),
            13, &TMainForm::mnuresumenClick);
    file->addSeparator();
    QMenu* print = addMenu(file, "FilePrintItem", QStringLiteral("&Imprimir..."),
                           QStringLiteral("Archivo|Imprime el archivo actual"), 7);
    addItem(print, "printlasser", QStringLiteral("Lasser"), QString(), 0,
            &TMainForm::printLasserClick);
    addItem(print, "printdeskjet", QStringLiteral("Deskjet"), QString(), 0, &TMainForm::FilePrint)
        ->setVisible(false);
    addItem(print, "printhoja", QStringLiteral("Hoja de trabajo"),
            QStringLiteral("Hoja de trabajo|Imprime la hoja de trabajo del diseño"),
            TFdiseno::kHelpContext, &TMainForm::printHojaClick);
    file->addSeparator();
    addItem(file, "FileExitItem", QStringLiteral("&Salir"),
            QStringLiteral("Salir del módulo KVRDN"), 8, &TMainForm::FileExit);

    QMenu* calc = addMenu(nullptr, "mnucalculos", QStringLiteral("&Cálculos"),
                          QStringLiteral("Cálculos de Precisión del sistema"), 10);
    addItem(calc, "mnudunet", QStringLiteral("&t de Dunnett"),
            QStringLiteral("Cálculos|Presenta lista de promedios y t de Dunnett"), 11,
            &TMainForm::mnudunetClick);
    addItem(calc, "mnuinforme", QStringLiteral("&Informe"),
            QStringLiteral("Cálculo|Presenta datos y resultados"), 19, &TMainForm::mnuinformeClick);
    addItem(calc, "mnudetalle", QStringLiteral("&Detalle estadístico"),
            QStringLiteral("Cálculos|Presenta valores p, intervalos de confianza y gráfico"),
            TFdetalle::kHelpContext, &TMainForm::mnudetalleClick);
    calc->addSeparator();
    addItem(calc, "mnuefectos", QStringLiteral("&Efectos del diseño"),
            QStringLiteral("Cálculos|Presenta los efectos de los factores del diseño"),
            TFefectos::kHelpContext, &TMainForm::mnuefectosClick);

    QMenu* window = addMenu(nullptr, "WindowMenu", QStringLiteral("&Ventana"),
                            QStringLiteral("Arregla las ventanas presentes"), 20);
    addItem(window, "WindowTileItem", QStringLiteral("&Mosaico"),
            QStringLiteral("Ventana|Arregla las ventanas en mosaico"), 20, &TMainForm::WindowTile);
    addItem(window, "WindowCascadeItem", QStringLiteral("&Cascada"),
            QStringLiteral("Ventana|Arregla las ventanas en cascada"), 20,
            &TMainForm::WindowCascade);
    windowMenu_ = window;
    connect(window, &QMenu::aboutToShow, this, &TMainForm::updateWindowMenu);

    QMenu* help = addMenu(nullptr, "HelpMenu", QStringLiteral("A&yuda"),
                          QStringLiteral("Ayuda del módulo ZELQ"), 30);
    addItem(help, "HelpContentsItem", QStringLiteral("&Contenido"),
            QStringLiteral("Ayuda|Presenta el contenido de la ayuda"), 31, &TMainForm::HelpContents,
            QKeySequence(Qt::Key_F1));
    addItem(help, "HelpSearchItem", QStringLiteral("&Buscar ayuda sobre..."),
            QStringLiteral("Ayuda|Busca ayuda sobre"), 32, &TMainForm::HelpSearch,
            QKeySequence(Qt::CTRL | Qt::Key_F1));
    addItem(help, "HelpHowToUseItem", QStringLiteral("Como &usar  la ayuda"),
            QStringLiteral("Ayuda|Como usar la ayuda"), 0, &TMainForm::HelpHowToUse)
        ->setVisible(false);
    help->addSeparator();
    addItem(help, "HelpAboutItem", QStringLiteral("&Acerca..."),
            QStringLiteral("Ayuda|Presenta información del programa"), 33, &TMainForm::HelpAbout);
}

QToolButton* TMainForm::addSpeedButton(const char* objectName, const char* icon, int x, int size,
                                       const QString& hint, void (TMainForm::*slot)()) {
    auto* button = new QToolButton(speedBar_);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(icon))));
    button->setIconSize(QSize(size - 7, size - 7));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setGeometry(x, size == 25 ? 4 : 5, size, size);
    button->setToolTip(shortPart(hint));
    button->setStatusTip(longPart(hint));
    connect(button, &QToolButton::clicked, this, slot);
    return button;
}

void TMainForm::buildSpeedBar() {
    speedBar_->setObjectName(QStringLiteral("SpeedBar"));
    speedBar_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    speedBar_->setFixedHeight(33);
    addSpeedButton("spdnuevo", "nuevo", 8, 25, QStringLiteral("Nuevo|Crea un nuevo archivo"),
                   &TMainForm::FileNew);
    addSpeedButton("spdabrir1", "abrir", 32, 25,
                   QStringLiteral("Abrir|Abre un archivo ya existente"), &TMainForm::fileopen1);
    addSpeedButton("spdguardar1", "guardar", 56, 25, QStringLiteral("Guardar|Guarda el archivo"),
                   &TMainForm::spdguardar1Click);
    addSpeedButton("spdclose", "cerrar", 92, 25, QStringLiteral("Cerrar|Cierra la ventana activa"),
                   &TMainForm::mnucloseClick);
    addSpeedButton("spdprint", "lasser", 120, 23,
                   QStringLiteral("Imprimir Lasser|Imprime el archivo actual"),
                   &TMainForm::printLasserClick);
    addSpeedButton("spdprint1", "deskjet", 144, 23,
                   QStringLiteral("Imprimir Deskjet|imprime el archivo actual"),
                   &TMainForm::FilePrint)
        ->setVisible(false);
    addSpeedButton(
        "spdexit", "salir", 190, 25,
        QStringLiteral("Salir|Salir del módulo Robustez  (Tolerancia a Condiciones de Operación)"),
        &TMainForm::FileExit);
    addSpeedButton("spdmosaico", "mosaico", 212, 25,
                   QStringLiteral("Mosaico|Arregla las ventanas en mosaico"),
                   &TMainForm::WindowTile);
    addSpeedButton("spdcascada", "cascada", 236, 25,
                   QStringLiteral("Cascada|Arregla las ventanas en cascada"),
                   &TMainForm::WindowCascade);
    addSpeedButton("spdcontenido", "contenido", 260, 25,
                   QStringLiteral("Contenido|Presenta el contenido de la ayuda"),
                   &TMainForm::HelpContents);
}

void TMainForm::buildStatusPanels() {
    auto* panel = new QFrame(centralWidget());
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setFixedHeight(33);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(2);
    auto makePanel = [panel](const char* name) {
        auto* label = new QLabel(panel);
        label->setObjectName(QString::fromLatin1(name));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setIndent(4);
        return label;
    };
    statusLine_ = makePanel("StatusLine");
    statusLine_->setFixedWidth(400);
    paneld_ = makePanel("Paneld");
    paneld_->setText(QStringLiteral("F1 <Ayuda>"));
    paneld_->setAlignment(Qt::AlignCenter);
    estado_ = makePanel("estado");
    estado_->setFixedWidth(132);
    row->addWidget(statusLine_);
    row->addWidget(paneld_, 1);
    row->addWidget(estado_);
    static_cast<QVBoxLayout*>(centralWidget()->layout())->addWidget(panel);
}

// --- Command states -------------------------------------------------------

void TMainForm::applyCommandColumn(CommandEvent event) {
    robustez::applyCommandColumn(
        event, [this](std::string_view name, bool enabled) { setCommandEnabled(name, enabled); });
}

void TMainForm::setCommandEnabled(std::string_view objectName, bool enabled) {
    studyStates_.insert_or_assign(std::string(objectName), enabled);
    // The active design window's column holds its commands.
    bool held = false;
    robustez::applyActiveChildColumn(
        activeChildKind(), [&](std::string_view name, bool) { held = held || name == objectName; });
    if (!held) {
        setObjectsEnabled(objectName, enabled);
    }
}

ActiveChild TMainForm::activeChildKind() const {
    QWidget* child = activeChild();
    if (qobject_cast<TFdiseno*>(child) != nullptr) {
        return ActiveChild::Design;
    }
    if (qobject_cast<TFefectos*>(child) != nullptr) {
        return ActiveChild::Effects;
    }
    return ActiveChild::Other;
}

// Every command of the active child's table as it stands now: the column's
// state where it sets one, the study's elsewhere.
void TMainForm::showActiveChildStates() {
    std::map<std::string_view, bool> column;
    robustez::applyActiveChildColumn(
        activeChildKind(), [&column](std::string_view name, bool on) { column[name] = on; });
    for (const robustez::ActiveChildRow& row : robustez::activeChildTable()) {
        for (std::string_view name : row.objectNames) {
            if (name.empty()) {
                continue;
            }
            if (const auto set = column.find(name); set != column.end()) {
                setObjectsEnabled(name, set->second);
            } else if (const auto study = studyStates_.find(name); study != studyStates_.end()) {
                setObjectsEnabled(name, study->second);
            }
        }
    }
}

void TMainForm::activeChildChanged() {
    showActiveChildStates();
    showEstado();
}

void TMainForm::setObjectsEnabled(std::string_view objectName, bool enabled) {
    const QString name = QString::fromUtf8(objectName.data(), qsizetype(objectName.size()));
    for (QAction* action : findChildren<QAction*>(name)) {
        action->setEnabled(enabled);
    }
    for (QToolButton* button : speedBar_->findChildren<QToolButton*>(name)) {
        button->setEnabled(enabled);
    }
    if (studyWindow_) {
        for (QAction* action : studyWindow_->findChildren<QAction*>(name)) {
            action->setEnabled(enabled);
        }
    }
}

void TMainForm::setCommandRowEnabled(std::string_view rowName, bool enabled) {
    for (const robustez::CommandRow& row : robustez::commandTable()) {
        if (row.command != rowName) {
            continue;
        }
        for (std::string_view name : row.objectNames) {
            if (!name.empty()) {
                setCommandEnabled(name, enabled);
            }
        }
    }
}

bool TMainForm::isCommandEnabled(const QString& objectName) const {
    if (auto* action = findChild<QAction*>(objectName)) {
        return action->isEnabled();
    }
    if (auto* button = speedBar_->findChild<QToolButton*>(objectName)) {
        return button->isEnabled();
    }
    if (studyWindow_) {
        if (auto* action = studyWindow_->findChild<QAction*>(objectName)) {
            return action->isEnabled();
        }
    }
    return false;
}

// --- Status panels --------------------------------------------------------

QString TMainForm::estadoText() const {
    return estado_->text();
}

void TMainForm::setEstado(const QString& text) {
    studyMark_ = text;
    showEstado();
}

void TMainForm::showEstado() {
    if (const TFdiseno* design = activeDesignWindow()) {
        estado_->setText(design->isModified() ? QStringLiteral("Modificado") : QString());
    } else {
        estado_->setText(studyMark_);
    }
}

QString TMainForm::statusLineText() const {
    return statusLine_->text();
}

void TMainForm::ShowHint(const QString& hint) {
    statusLine_->setText(longPart(hint));
}

bool TMainForm::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::StatusTip:
        // Status tips already hold the long part of a hint.
        statusLine_->setText(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    case QEvent::WindowActivate:
        frameActivated();
        break;
    default:
        break;
    }
    return QMainWindow::event(event);
}

// --- Child windows --------------------------------------------------------

// The place of the index-th child window in a cascade from the top-left
// corner, stepping back to the start so that the window lies inside the area.
QPoint TMainForm::cascadePosition(int index, QSize size, QSize area) {
    constexpr int kStep = 24;
    const int roomX = std::max(0, area.width() - size.width());
    const int roomY = std::max(0, area.height() - size.height());
    return {(index * kStep) % (roomX + 1), (index * kStep) % (roomY + 1)};
}

QMdiSubWindow* TMainForm::addChildWindow(QWidget* child, QSize size, Placement placement) {
    child->setAttribute(Qt::WA_DeleteOnClose);
    // Shown normal beside a maximized child, the new window would restore that
    // child and open behind it; it follows the maximized state instead.
    const QMdiSubWindow* active = mdiArea_->activeSubWindow();
    const bool maximized = active != nullptr && active->isMaximized();
    const int earlier = childCount();
    QMdiSubWindow* sub = mdiArea_->addSubWindow(child);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(QIcon(robustez::programIconPath()));
    // Placed before it is shown, so that its restored place is this one too;
    // never larger than the client area.
    const QSize area = mdiArea_->viewport()->size();
    if (size.isValid()) {
        sub->resize(size.boundedTo(area));
    }
    if (placement == Placement::Centred) {
        sub->move(std::max(0, (area.width() - sub->width()) / 2),
                  std::max(0, (area.height() - sub->height()) / 2));
    } else {
        sub->move(cascadePosition(earlier, sub->size(), area));
    }
    if (maximized) {
        sub->showMaximized();
    } else {
        sub->show();
    }
    mdiArea_->setActiveSubWindow(sub);
    return sub;
}

int TMainForm::childCount() const {
    int count = 0;
    for (QMdiSubWindow* sub : mdiArea_->subWindowList()) {
        if (!sub->isHidden()) {
            ++count;
        }
    }
    return count;
}

QWidget* TMainForm::activeChild() const {
    QMdiSubWindow* sub = mdiArea_->currentSubWindow();
    return sub != nullptr && !sub->isHidden() ? sub->widget() : nullptr;
}

void TMainForm::updateWindowMenu() {
    for (QAction* action : std::as_const(windowListActions_)) {
        windowMenu_->removeAction(action);
        delete action;
    }
    windowListActions_.clear();
    QList<QMdiSubWindow*> windows = mdiArea_->subWindowList();
    windows.removeIf([](const QMdiSubWindow* sub) { return sub->isHidden(); });
    if (windows.isEmpty()) {
        return;
    }
    windowListActions_.append(windowMenu_->addSeparator());
    const QMdiSubWindow* active = mdiArea_->activeSubWindow();
    for (qsizetype i = 0; i < windows.size(); ++i) {
        QMdiSubWindow* sub = windows.at(i);
        QString title = sub->windowTitle();
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        // The first nine are chosen by their number's key.
        const QString text = i < 9 ? QStringLiteral("&%1 %2").arg(i + 1).arg(title)
                                   : QStringLiteral("%1 %2").arg(i + 1).arg(title);
        QAction* action = windowMenu_->addAction(text);
        action->setCheckable(true);
        action->setChecked(sub == active);
        QPointer<QMdiSubWindow> target(sub);
        connect(action, &QAction::triggered, this, [this, target] {
            if (target != nullptr) {
                showChildWindow(target);
            }
        });
        windowListActions_.append(action);
    }
}

void TMainForm::showChildWindow(QMdiSubWindow* sub) {
    if (sub->isMinimized()) {
        sub->showNormal();
    } else if (sub->isHidden()) {
        sub->show();
    }
    // A window outside the client area is moved back into it.
    const QRect area = mdiArea_->viewport()->rect();
    if (!sub->isMaximized() && !area.intersects(sub->geometry())) {
        sub->move(std::max(0, std::min(sub->x(), area.width() - sub->width())),
                  std::max(0, std::min(sub->y(), area.height() - sub->height())));
    }
    mdiArea_->setActiveSubWindow(sub);
    sub->raise();
}

void TMainForm::childWindowClosing() {
    if (childCount() == 1) {
        applyCommandColumn(CommandEvent::LastChildClosed);
    }
}

TFinforma* TMainForm::studyWindow() const {
    return studyWindow_.data();
}

TFdiseno* TMainForm::activeDesignWindow() const {
    return qobject_cast<TFdiseno*>(activeChild());
}

QList<TFdiseno*> TMainForm::designWindows() const {
    QList<TFdiseno*> windows;
    for (QMdiSubWindow* sub : mdiArea_->subWindowList(QMdiArea::StackingOrder)) {
        if (auto* design = qobject_cast<TFdiseno*>(sub->widget());
            design != nullptr && !sub->isHidden()) {
            windows.append(design);
        }
    }
    return windows;
}

void TMainForm::applyStudyEvent(StudyEvent event) {
    switch (event) {
    case StudyEvent::PagesEntered:
        applyCommandColumn(CommandEvent::PagesEntered);
        break;
    case StudyEvent::CountAccepted:
        applyCommandColumn(CommandEvent::CountAccepted);
        break;
    case StudyEvent::GridEntered:
        applyCommandColumn(CommandEvent::GridEntered);
        break;
    case StudyEvent::LastCellTyped:
        applyCommandColumn(CommandEvent::LastCellTyped);
        break;
    case StudyEvent::Closed:
        applyCommandColumn(CommandEvent::StudyClosed);
        break;
    case StudyEvent::LastChildClosed:
        applyCommandColumn(CommandEvent::LastChildClosed);
        break;
    }
}

void TMainForm::studyWindowClosed(TFinforma* study) {
    if (studyWindow_ == study) {
        studyWindow_ = nullptr;
    }
}

TFinforma* TMainForm::createStudyWindow() {
    auto* study = new TFinforma(this);
    connect(study, &TFinforma::modifiedMarkSet, this, &TMainForm::setEstado);
    connect(study, &TFinforma::studyEvent, this, &TMainForm::applyStudyEvent);
    connect(study, &TFinforma::hintChanged, this, &TMainForm::ShowHint);
    connect(study, &TFinforma::dunnettRequested, this, &TMainForm::mnudunetClick);
    connect(study, &TFinforma::detailRequested, this, &TMainForm::mnudetalleClick);
    connect(study, &TFinforma::studyClosed, this, &TMainForm::studyWindowClosed);
    studyWindow_ = study;
    addChildWindow(study, TFinforma::kFrameDesignSize);
    study->firstActivation();
    return study;
}

// --- Commands -------------------------------------------------------------

void TMainForm::FileNew() {
    createStudyWindow();
    applyCommandColumn(CommandEvent::Nuevo);
}

void TMainForm::mnucloseClick() {
    QMdiSubWindow* sub = mdiArea_->currentSubWindow();
    if (sub == nullptr || sub->isHidden()) {
        return;
    }
    if (studyWindow_ != nullptr && sub->widget() == studyWindow_) {
        if (sub->close()) {
            applyCommandColumn(CommandEvent::CerrarOnStudy);
        }
        return;
    }
    sub->close();
}

void TMainForm::FileExit() {
    close();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // The study is asked first, then each modified design: a refused close
    // (Escape, a save that failed or was cancelled) stops the exit before
    // any other window is closed.
    if (studyWindow_ != nullptr) {
        QMdiSubWindow* sub = qobject_cast<QMdiSubWindow*>(studyWindow_->parentWidget());
        const bool closed = sub != nullptr ? sub->close() : studyWindow_->close();
        if (!closed) {
            event->ignore();
            return;
        }
    }
    if (!closeModifiedDesigns()) {
        event->ignore();
        return;
    }
    mdiArea_->closeAllSubWindows();
    if (childCount() > 0) {
        event->ignore();
        return;
    }
    event->accept();
    // The program ends with its main window: the help viewer, the About
    // windows and the print dialogs close with it.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != this && window->isVisible()) {
            window->close();
        }
    }
}

void TMainForm::WindowTile() {
    // Children one above the other, each as wide as the client area, above
    // the row of minimized windows along the bottom, which keeps its place.
    QList<QMdiSubWindow*> windows;
    QRect area = mdiArea_->viewport()->rect();
    for (QMdiSubWindow* sub : mdiArea_->subWindowList()) {
        if (sub->isHidden()) {
            continue;
        }
        if (sub->isMinimized()) {
            area.setBottom(std::min(area.bottom(), sub->geometry().top() - 1));
            continue;
        }
        if (sub->isMaximized()) {
            sub->showNormal();
        }
        windows.append(sub);
    }
    if (windows.isEmpty() || area.height() <= 0) {
        return;
    }
    const int height = area.height() / int(windows.size());
    int y = 0;
    for (int i = 0; i < windows.size(); ++i) {
        const int h = i + 1 == windows.size() ? area.height() - y : height;
        windows[i]->setGeometry(0, y, area.width(), h);
        y += h;
    }
}

void TMainForm::WindowCascade() {
    if (childCount() == 0) {
        return;
    }
    // Cascaded in the order the windows are stacked (the area's activation
    // order): the one in front, the active one, comes last, at the bottom
    // right, and each window behind it shows its title bar above and left of
    // the windows in front of it.
    mdiArea_->cascadeSubWindows();
    // Each window at its designed size, as far as the client area above the
    // row of minimized windows allows; that row keeps its place.
    QRect area = mdiArea_->viewport()->rect();
    for (QMdiSubWindow* sub : mdiArea_->subWindowList()) {
        if (!sub->isHidden() && sub->isMinimized()) {
            area.setBottom(std::min(area.bottom(), sub->geometry().top() - 1));
        }
    }
    for (QMdiSubWindow* sub : mdiArea_->subWindowList()) {
        if (sub->isHidden() || sub->isMinimized() || area.contains(sub->geometry())) {
            continue;
        }
        // A window cascaded into the row, or below it, goes up above it.
        const int least = std::max(sub->minimumSizeHint().height(), 60);
        if (sub->y() + least > area.bottom() + 1) {
            sub->move(sub->x(), std::max(0, area.bottom() + 1 - least));
        }
        sub->resize(std::min(sub->width(), area.right() + 1 - sub->x()),
                    std::min(sub->height(), area.bottom() + 1 - sub->y()));
    }
}
