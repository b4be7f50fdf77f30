#include "tool/drawing_program.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits.h>

namespace robustez {

std::vector<std::string> drawingProgramCandidates(std::string_view executableDirectory) {
    const std::string directory(executableDirectory);
    const std::string name(kDrawingProgram);
    return {directory + "/" + name, directory + "/../lib/robustez/" + name};
}

std::string executableDirectory() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof path) {
        return {};
    }
    const std::string executable(path, static_cast<std::size_t>(length));
    return executable.substr(0, executable.rfind('/'));
}

std::string runDrawingProgram(char** argv) {
    const std::string directory = executableDirectory();
    if (!directory.empty()) {
        for (const std::string& candidate : drawingProgramCandidates(directory)) {
            if (::access(candidate.c_str(), X_OK) != 0) {
                continue;
            }
            argv[0] = const_cast<char*>(candidate.c_str());
            ::execv(candidate.c_str(), argv);
            return "no se puede ejecutar " + candidate + ": " + std::strerror(errno);
        }
    }
    return "no se encuentra " + std::string(kDrawingProgram) +
           ", que dibuja las páginas PDF y las figuras SVG (se busca junto a "
           "robustez-informe y en ../lib/robustez/)";
}

} // namespace robustez
