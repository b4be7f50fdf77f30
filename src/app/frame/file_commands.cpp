// The file commands of the main window: "&Abrir...", "&Guardar" and
// "Guardar &como...". "C&errar" is mnucloseClick in main_form.cpp. While a
// design window is active, Guardar and Guardar como are its own.
#include "app/design/design_window.h"
#include "app/frame/main_form.h"
#include "app/study/study_grid.h"
#include "app/study/study_window.h"
#include "app/ui/messages.h"
#include "core/study/other_separator.h"
#include "core/study/study_file.h"

#include <QFileInfo>
#include <QLocale>

#include <vector>

using robustez::BusyCursor;
using robustez::CommandEvent;
using robustez::runCommand;

namespace {

const QString kNewDocument = QStringLiteral("Nuevo");
const QString kModified = QStringLiteral("Modificado");
const QString kAcceptCount = QStringLiteral("Falta aceptar el número de muestras (replicas).");

// The core takes paths as UTF-8 on every system (Qt's 8-bit file names give
// the ANSI code page on Windows, which holds only some names).
std::string filePath(const QString& path) {
    return path.toStdString();
}

} // namespace

void TMainForm::fileopen1() {
    const QString chosen = askOpen_ ? askOpen_(this, QString()) : QString();
    if (chosen.isEmpty()) {
        return;
    }
    openStudyFile(chosen);
}

bool TMainForm::openStudyFile(const QString& chosen) {
    if (studyWindow_ != nullptr) {
        return false; // one study at a time
    }
    const QString path = QFileInfo(chosen).absoluteFilePath();
    // The file is read before its window is made: a file that cannot be
    // read leaves no window behind and the commands as they were.
    robustez::StudyRecord record;
    const bool read = runCommand(this, [&] {
        BusyCursor busy;
        record = robustez::loadStudyFile(filePath(path));
    });
    if (!read) {
        return false;
    }
    TFinforma* study = createStudyWindow();
    study->loadStudy(record, path);
    saveDialogFileName_ = path;
    applyCommandColumn(CommandEvent::Abrir);
    // A study saved where the other decimal separator is used: when that
    // one reads every value the locale's does not, the values are converted
    // if the user agrees, a change of the study like typing.
    const std::string separator = QLocale::system().decimalPoint().toStdString();
    const std::vector<robustez::ValueCell> cells =
        robustez::cellsWithOtherSeparator(record, separator);
    if (!cells.empty() &&
        robustez::askYesNo(this, robustez::openedSeparatorQuestion(
                                     static_cast<qsizetype>(cells.size()), separator))) {
        record = robustez::withCellsConverted(record, cells);
        for (const robustez::ValueCell& cell : cells) {
            study->grid()->gridModel()->setCellText(cell.level, cell.row,
                                                    record.grid.cell(cell.level, cell.row));
        }
        setEstado(kModified);
    }
    // An archived study whose values are complete can be printed again,
    // as it was when it was typed.
    if (robustez::valuesComplete(record, separator)) {
        setCommandRowEnabled("Imprimir", true);
    }
    return true;
}

void TMainForm::spdguardar1Click() {
    if (TFdiseno* design = activeDesignWindow()) {
        design->save();
        return;
    }
    saveStudy();
}

void TMainForm::SaveascondicionesClick() {
    if (TFdiseno* design = activeDesignWindow()) {
        design->saveAs();
        return;
    }
    if (studyWindow_ != nullptr) {
        saveStudyAs(false);
    }
}

bool TMainForm::studyCanBeWritten() {
    // A count changed after the grid was accepted would be written with
    // values for another count, and the file could not be read back as the
    // study it was: nothing is written until the count is accepted.
    if (studyWindow_->countAccepted()) {
        return true;
    }
    robustez::showMessage(this, kAcceptCount);
    return false;
}

TMainForm::SaveOutcome TMainForm::saveStudy() {
    if (studyWindow_ == nullptr || !studyCanBeWritten()) {
        return SaveOutcome::Failed;
    }
    if (studyWindow_->documentName() == kNewDocument) {
        saveDialogFileName_ = kNewDocument;
        return saveStudyAs(true);
    }
    // A saved or opened study is written to its own file.
    const QString path = studyWindow_->documentName();
    saveDialogFileName_ = path;
    const bool saved = runCommand(this, [&] {
        BusyCursor busy;
        writeStudy(path);
        setEstado(QString());
    });
    return saved ? SaveOutcome::Saved : SaveOutcome::Failed;
}

TMainForm::SaveOutcome TMainForm::saveStudyAs(bool fromSave) {
    if (studyWindow_ == nullptr || (!fromSave && !studyCanBeWritten())) {
        return SaveOutcome::Failed;
    }
    const QString chosen = askSave_ ? askSave_(this, saveDialogFileName_) : QString();
    if (chosen.isEmpty() || studyWindow_ == nullptr) {
        return SaveOutcome::Cancelled;
    }
    const QString path = QFileInfo(chosen).absoluteFilePath();
    saveDialogFileName_ = path;
    const bool saved = runCommand(this, [&] {
        BusyCursor busy;
        writeStudy(path);
        studyWindow_->setDocumentName(path);
        setEstado(QString());
    });
    return saved ? SaveOutcome::Saved : SaveOutcome::Failed;
}

void TMainForm::writeStudy(const QString& path) {
    robustez::saveStudyFile(filePath(path), studyWindow_->studyRecord());
}
