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
// ../lib/robustez/ (the installed tree, with the tool in bin/). On Windows
// the names end in ".exe".
std::vector<std::string> drawingProgramCandidates(std::string_view executableDirectory);

// Runs the drawing program in the place of this process with `arguments`
// (this process's own, UTF-8): on POSIX the process becomes it; on Windows it
// runs to its end and this process exits with its exit status. Returns only
// on failure, with the message to show.
std::string runDrawingProgram(const std::vector<std::string>& arguments);

} // namespace robustez
