#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace robustez {

// robustez-informe draws PDF pages and SVG figures through a program of its
// own that links Qt, so that the text and JSON modes never load Qt.
inline constexpr std::string_view kDrawingProgram = "robustez-informe-qt";

// Where the drawing program is looked for, in order, given the directory of
// the running executable: beside it (the build tree), then in
// ../lib/robustez/ (the installed tree, with the tool in bin/).
std::vector<std::string> drawingProgramCandidates(std::string_view executableDirectory);

// The directory of the running executable, from /proc/self/exe; empty when
// it cannot be read.
std::string executableDirectory();

// Replaces the process with the drawing program, given the same arguments
// (argv[0] becomes the program's path). Returns only on failure, with the
// message to show.
std::string runDrawingProgram(char** argv);

} // namespace robustez
