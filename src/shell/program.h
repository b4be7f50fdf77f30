#pragma once

class TMainForm;

namespace robustez {

// Binds "&t de Dunnett" and "&Informe" to the main window: each run computes
// into the main results instance and opens a new results or report window.
void installResultsCommands(TMainForm& mainForm);

// Creates the splash window and, hidden, the laser print dialog, the print
// options dialog and the DeskJet print dialog, and binds the help commands,
// "&Acerca..." and printing to the main window.
void startExtras(TMainForm& mainForm);

} // namespace robustez
