#include "app/print/print_dialogs.h"

#include "app/ui/messages.h"
#include "app/ui/pictures.h"
#include "paint/qpainter_canvas.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QIcon>
#include <QLocale>
#include <QPrintDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

#include <exception>

using robustez::PrintLayout;

namespace {

QFont systemFont() {
    QFont font;
    font.setFamilies({QStringLiteral("System"), QStringLiteral("Liberation Sans")});
    font.setPixelSize(13);
    return font;
}

// A radio group: a captioned box at `geometry` with one button per item,
// stacked, the item at `checked` preselected. Button ids are the item indexes.
QButtonGroup* radioGroup(QWidget* parent, QGroupBox*& box, const QString& objectName,
                         const QString& caption, const QRect& geometry, const QStringList& items,
                         int checked) {
    box = new QGroupBox(caption, parent);
    box->setObjectName(objectName);
    box->setGeometry(geometry);
    auto* group = new QButtonGroup(box);
    group->setObjectName(objectName);
    const int top = 24;
    const int step = (geometry.height() - top - 4) / std::max<qsizetype>(items.size(), 1);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], box);
        button->setGeometry(10, top + i * step, geometry.width() - 20, std::min(step, 24));
        group->addButton(button, i);
    }
    group->button(checked)->setChecked(true);
    return group;
}

std::string decimalSeparator() {
    return QLocale::system().decimalPoint().toStdString();
}

} // namespace

bool runStandardPrintDialog(QPrinter& printer, QWidget* parent) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

PrintSelectionDialog::PrintSelectionDialog(PrintLayout layout, const QString& groupCaption,
                                           const QString& objectName, QWidget* parent)
    : QDialog(parent), layout_(layout), printer_(QPrinter::HighResolution) {
    setObjectName(objectName);
    setWindowTitle(QStringLiteral("opciones"));
    setModal(false);
    setFont(systemFont());
    resize(350, 229);
    move(244, 117);

    opcion_ = radioGroup(
        this, opcionBox_, QStringLiteral("opcion"), groupCaption, QRect(0, 0, 342, 121),
        {QStringLiteral("Imprime Información General"), QStringLiteral("Imprime Robustez")},
        GeneralPage);

    BitBtn1_ =
        new QPushButton(QIcon(robustez::checkMarkPicturePath()), QStringLiteral("Aceptar"), this);
    BitBtn1_->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1_->setGeometry(64, 152, 89, 33);
    BitBtn1_->setDefault(true);
    BitBtn2_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                               QStringLiteral("Cancelar"), this);
    BitBtn2_->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2_->setGeometry(192, 152, 97, 33);
    // Esc rejects the dialog, which hides it, as "Cancelar" does.
    connect(BitBtn1_, &QPushButton::clicked, this, &PrintSelectionDialog::BitBtn1Click);
    connect(BitBtn2_, &QPushButton::clicked, this, &PrintSelectionDialog::BitBtn2Click);

    printSetup = runStandardPrintDialog;
    canvasFactory = [](QPrinter& printer) -> std::unique_ptr<robustez::PageCanvas> {
        return std::make_unique<robustez::QPainterCanvas>(printer);
    };
    showError = [this](const QString& message) { robustez::showErrorBox(this, message); };
}

void PrintSelectionDialog::BitBtn2Click() {
    close();
}

void PrintSelectionDialog::BitBtn1Click() {
    // Without a study window there is nothing to print.
    if (!currentStudy || !currentStudy())
        return;
    if (!printSetup(printer_, this))
        return;
    printer_.setPageOrientation(QPageLayout::Portrait);

    const int copies = printer_.copyCount();
    // The dialog draws each copy: the printer must not repeat it.
    printer_.setCopyCount(1);
    if (printer_.outputFileName().isEmpty())
        printCopiesAsJobs(copies);
    else
        printCopiesIntoFile(copies);
    printer_.setCopyCount(copies);
}

void PrintSelectionDialog::printCopiesAsJobs(int copies) {
    std::unique_ptr<robustez::PageCanvas> job;
    printCopies(copies, [&]() -> robustez::PageCanvas& {
        job = canvasFactory(printer_);
        return *job;
    });
}

void PrintSelectionDialog::printCopiesIntoFile(int copies) {
    robustez::QPainterCanvas file(printer_, printer_.outputFileName(),
                                  robustez::QPainterCanvas::Pages::KeptForOneDocument);
    if (!printCopies(copies, [&]() -> robustez::PageCanvas& { return file; }))
        return;
    try {
        file.paintKeptPages();
    } catch (const std::exception& error) {
        showError(QString::fromStdString(error.what()));
    }
}

bool PrintSelectionDialog::printCopies(int copies, const CopyCanvas& canvasForCopy) {
    const int item = opcion_->checkedId();
    for (int c = 0; c < copies; ++c) {
        const std::optional<robustez::StudyRecord> study = currentStudy();
        if (!study)
            break;
        if (!printCopy(item, *study, canvasForCopy))
            return false;
    }
    return true;
}

bool PrintSelectionDialog::printCopy(int item, const robustez::StudyRecord& study,
                                     const CopyCanvas& canvasForCopy) {
    try {
        if (item == ResultsPage) {
            computeRobustness(study, decimalSeparator(), results_);
            printResultsPage(canvasForCopy(), layout_, study, results_, decimalSeparator());
        } else {
            printGeneralPage(canvasForCopy(), layout_, study);
        }
        return true;
    } catch (const std::exception& error) {
        // The page routine has aborted its page; the remaining copies are dropped.
        showError(QString::fromStdString(error.what()));
        return false;
    }
}

TFoppr1::TFoppr1(QWidget* parent)
    : PrintSelectionDialog(PrintLayout::Laser, QStringLiteral("Imprimir en Lasser:"),
                           QStringLiteral("Foppr1"), parent) {}

TFoppr::TFoppr(QWidget* parent)
    : PrintSelectionDialog(PrintLayout::DeskJet, QStringLiteral("Imprimir:"),
                           QStringLiteral("Foppr"), parent) {}

TFOPRT::TFOPRT(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FOPRT"));
    setWindowTitle(QStringLiteral("Opciones de impresión"));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    setModal(true);
    setFont(systemFont());
    resize(316, 272);
    move(110, 114);

    SELECPRT_ = radioGroup(
        this, selecprtBox_, QStringLiteral("SELECPRT"), QStringLiteral("Tamaño de letra:"),
        QRect(8, 16, 273, 97),
        {QStringLiteral("Impresora DeskJet "), QStringLiteral("Impresora Laser Jet")}, DeskJet);
    SELECMAR_ =
        radioGroup(this, selecmarBox_, QStringLiteral("SELECMAR"),
                   QStringLiteral("Selecciona margen:"), QRect(8, 128, 169, 105),
                   {QStringLiteral("1 cm"), QStringLiteral("1.5 cm"), QStringLiteral("2.0 cm")}, 1);

    BitBtn1_ = new QPushButton(QIcon(robustez::checkMarkPicturePath()), QStringLiteral("OK"), this);
    BitBtn1_->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1_->setGeometry(192, 168, 97, 25);
    BitBtn1_->setDefault(true);
    connect(BitBtn1_, &QPushButton::clicked, this, &TFOPRT::BitBtn1Click);
}

void TFOPRT::setSelectionDialogs(TFoppr1* laser, TFoppr* deskJet) {
    laser_ = laser;
    deskJet_ = deskJet;
}

void TFOPRT::BitBtn1Click() {
    QDialog* chosen = nullptr;
    if (SELECPRT_->checkedId() == DeskJet)
        chosen = deskJet_;
    else if (SELECPRT_->checkedId() == LaserJet)
        chosen = laser_;
    if (chosen) {
        chosen->show();
        chosen->raise();
        chosen->activateWindow();
    }
    accept();
}
