#include "tool/drawing_program.h"

#include "core/platform/platform.h"

#include <cstdlib>

namespace robustez {

std::vector<std::string> drawingProgramCandidates(std::string_view executableDirectory) {
    const std::string directory(executableDirectory);
    const std::string name =
        std::string(kDrawingProgram) + std::string(platform::kExecutableSuffix);
    return {directory + "/" + name, directory + "/../lib/robustez/" + name};
}

std::string runDrawingProgram(const std::vector<std::string>& arguments) {
    const std::string directory = platform::executableDirectory();
    if (!directory.empty()) {
        for (const std::string& candidate : drawingProgramCandidates(directory)) {
            if (!platform::isExecutable(candidate)) {
                continue;
            }
            const platform::ProgramRun run = platform::runProgram(candidate, arguments);
            if (run.ran) {
                std::exit(run.exitStatus);
            }
            return "no se puede ejecutar " + candidate + ": " + run.error;
        }
    }
    return "no se encuentra " + std::string(kDrawingProgram) +
           ", que dibuja las páginas PDF y las figuras SVG (se busca junto a "
           "robustez-informe y en ../lib/robustez/)";
}

} // namespace robustez
