// The frame's commands of the design screen: "Nuevo &diseño..." and "Abrir
// d&iseño..." in "&Archivo", the worksheet in "&Imprimir...", "&Efectos del
// diseño" in "&Cálculos", the design windows' closing and Salir's questions,
// and F1 in a design window. The design window owns its document; the frame
// opens it, shows its mark and calls on it.
#include "app/design/design_effects_window.h"
#include "app/design/design_window.h"
#include "app/frame/help_viewer.h"
#include "app/frame/main_form.h"
#include "app/ui/messages.h"
#include "app/ui/window_parts.h"
#include "core/design/design_analysis.h"
#include "core/design/design_file.h"
#include "core/design/run_table.h"
#include "core/report/worksheet_page.h"
#include "core/study/errors.h"
#include "paint/figure_painter.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QTimer>

#include <algorithm>
#include <string>
#include <vector>

using robustez::BusyCursor;
using robustez::CommandEvent;
using robustez::runCommand;

namespace {

std::string decimalSeparator() {
    return QLocale::system().decimalPoint().toStdString();
}

bool isDesignFile(const QString& path) {
    return QFileInfo(path).suffix().compare(QLatin1String("w1d"), Qt::CaseInsensitive) == 0;
}

// One file however its path is written: the file itself where it exists.
QString filePathKey(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

// F1 anywhere in a design window opens the design window's help topic, not
// the contents the frame's "&Contenido" shortcut opens.
class DesignHelpKey : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress) {
            return false;
        }
        auto* widget = qobject_cast<QWidget*>(watched);
        while (widget != nullptr && qobject_cast<TFdiseno*>(widget) == nullptr) {
            widget = widget->parentWidget();
        }
        bool pressed = false;
        if (widget == nullptr || !robustez::takeHelpKey(event, pressed)) {
            return false;
        }
        if (pressed) {
            HelpViewer::instance().context(TFdiseno::kHelpContext);
        }
        return true;
    }
};

} // namespace

void TMainForm::watchDesignHelpKey() {
    qApp->installEventFilter(new DesignHelpKey(this));
}

bool TMainForm::opensAsDesign(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("w1d") || suffix == QLatin1String("tsv") ||
           suffix == QLatin1String("txt");
}

void TMainForm::FileNewDesign() {
    addDesignWindow(new TFdiseno);
}

void TMainForm::fileOpenDesign() {
    const QString chosen = askOpenDesign_ ? askOpenDesign_(this, QString()) : QString();
    if (!chosen.isEmpty()) {
        openDesignFile(chosen);
    }
}

TFdiseno* TMainForm::openDesignFile(const QString& chosen) {
    const QString path = QFileInfo(chosen).absoluteFilePath();
    const bool designFile = isDesignFile(path);
    if (designFile) {
        // A design already open is not opened twice: its window comes to the front.
        const QString key = filePathKey(path);
        for (TFdiseno* open : designWindows()) {
            if (QFileInfo(open->documentName()).isAbsolute() &&
                filePathKey(open->documentName()) == key) {
                showChildWindow(qobject_cast<QMdiSubWindow*>(open->parentWidget()));
                return open;
            }
        }
    }
    // The file is read before its window is made: a file that cannot be
    // read leaves no window behind.
    robustez::design::DesignStudy study;
    const bool read = runCommand(this, [&] {
        BusyCursor busy;
        study = designFile
                    ? robustez::design::loadDesignFile(path.toStdString())
                    : robustez::design::loadScreenFile(path.toStdString(), decimalSeparator());
    });
    if (!read) {
        return nullptr;
    }
    auto* window = new TFdiseno;
    // A run table becomes a new design, saved only when the user saves it.
    window->loadDesign(study, designFile ? path : QString());
    return addDesignWindow(window);
}

TFdiseno* TMainForm::addDesignWindow(TFdiseno* window) {
    connect(window, &TFdiseno::modifiedChanged, this, &TMainForm::showEstado);
    connect(window, &TFdiseno::hintChanged, this, &TMainForm::ShowHint);
    connect(window, &TFdiseno::designClosed, this, &TMainForm::designWindowClosed);
    addChildWindow(window, TFdiseno::kFrameDesignSize);
    activeChildChanged();
    return window;
}

void TMainForm::designWindowClosed(TFdiseno* /*window*/) {
    childWindowClosing();
    // The window closing is still the area's current one until it is gone.
    QTimer::singleShot(0, this, &TMainForm::activeChildChanged);
}

bool TMainForm::closeModifiedDesigns() {
    QList<TFdiseno*> windows = designWindows();
    // The window in front first.
    std::reverse(windows.begin(), windows.end());
    for (TFdiseno* design : windows) {
        if (!design->isModified()) {
            continue;
        }
        auto* sub = qobject_cast<QMdiSubWindow*>(design->parentWidget());
        if (!(sub != nullptr ? sub->close() : design->close())) {
            return false;
        }
    }
    return true;
}

// --- The worksheet ----------------------------------------------------------

void TMainForm::printHojaClick() {
    if (const TFdiseno* design = activeDesignWindow()) {
        printWorksheet(*design);
    }
}

void TMainForm::printWorksheet(const TFdiseno& design) {
    const robustez::design::DesignStudy study = design.designStudy();
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setFullPage(true);
    printer.setDocName(QStringLiteral("Hoja de trabajo"));
    if (!worksheetPrintSetup_ || !worksheetPrintSetup_(printer, this)) {
        return;
    }
    runCommand(this, [&] {
        BusyCursor busy;
        // The pages are laid out for the paper chosen (A4 or Letter).
        const QRectF paper = printer.pageLayout().fullRect(QPageLayout::Point);
        const std::vector<robustez::DisplayList> pages = robustez::composeWorksheetPages(
            study, paper.width(), paper.height(), decimalSeparator());
        QPainter painter;
        if (!painter.begin(&printer)) {
            throw robustez::RobustezError("No se pudo imprimir la hoja de trabajo.");
        }
        try {
            const QRectF sheet(0, 0, printer.width(), printer.height());
            for (std::size_t i = 0; i < pages.size(); ++i) {
                if (i > 0 && !printer.newPage()) {
                    throw robustez::RobustezError("No se pudo empezar una página nueva.");
                }
                robustez::paintDisplayList(painter, pages[i], sheet);
            }
        } catch (...) {
            printer.abort();
            throw;
        }
        painter.end();
    });
}

// --- The effects --------------------------------------------------------------

void TMainForm::mnuefectosClick() {
    if (const TFdiseno* design = activeDesignWindow()) {
        runCommand(this, [this, design] { showEffects(*design); });
    }
}

// A snapshot of the design as it stands; a design without responses, or
// with a response not measured in every run, is refused with a message
// (the analysis' names the first run and response without a value), and
// opens no window.
void TMainForm::showEffects(const TFdiseno& design) {
    const robustez::design::DesignStudy study = design.designStudy();
    if (study.responses.empty()) {
        throw robustez::RobustezError("El diseño no tiene respuestas que analizar.");
    }
    static_cast<void>(robustez::design::analyseStudy(study));
    auto* window = new TFefectos(study, design.documentName(), decimalSeparator());
    connectHelpTopicWindow(window);
    connect(window, &TFefectos::hintChanged, this, &TMainForm::ShowHint);
    addChildWindow(window, TFefectos::kDesignSize, Placement::Centred);
}
