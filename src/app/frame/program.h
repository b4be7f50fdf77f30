#pragma once

#include <QStringList>

class TMainForm;

namespace robustez {

// Binds "&t de Dunnett", "&Informe" and "&Detalle estadístico" to the main
// window: the first two compute into the main results instance and open a new
// results or report window; the third opens a new detail window.
void installResultsCommands(TMainForm& mainForm);

// Creates the splash window and, hidden, the laser print dialog, the print
// options dialog and the DeskJet print dialog, and binds the help commands,
// "&Acerca..." and printing to the main window.
void startExtras(TMainForm& mainForm);

// Opens the study file named by the first argument after the program's name,
// as "&Abrir..." does once a file is chosen; without one nothing happens.
void openCommandLineStudy(TMainForm& mainForm, const QStringList& arguments);

} // namespace robustez
