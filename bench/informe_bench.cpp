// Times robustez-informe as a user runs it, as whole processes:
//   (a) --json over 10,000 study files in one call;
//   (b) one text report, median wall time over 50 runs;
//   (c) the summary (--resumen) of 1,000 studies as text and as JSON, median
//       over a few runs;
//   (d) for scale, an empty process (/bin/true) and, when Rscript and the
//       multcomp package are installed, R's Dunnett analysis of one study;
//       the summary of 1,000 studies is to take less than a tenth of it.
// Usage: informe_bench ROBUSTEZ-INFORME EXAMPLE.w1o SCRATCH-DIR [RUNS] [FILES]

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs the program with its standard output sent to `outPath`; returns the
// wall time in milliseconds, or a negative number when it did not exit 0/1.
double timedRun(const std::vector<std::string>& command, const std::string& outPath) {
    std::vector<char*> argv;
    for (const std::string& arg : command) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    int status = 0;
    const bool started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    if (started) {
        waitpid(pid, &status, 0);
    }
    const double elapsed = millisecondsSince(start);
    posix_spawn_file_actions_destroy(&actions);
    const bool exited = started && WIFEXITED(status) && WEXITSTATUS(status) <= 1;
    return exited ? elapsed : -1;
}

struct Summary {
    double median, min, max;
};

Summary repeatedRuns(const std::vector<std::string>& command, int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double t = timedRun(command, "/dev/null");
        if (t < 0) {
            std::fprintf(stderr, "failed: %s\n", command[0].c_str());
            std::exit(1);
        }
        times.push_back(t);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front(), times.back()};
}

// A study file: n replicates per level around 100, varied by `seed`.
std::string studyBytes(int seed) {
    const int n = 2 + seed % 9;
    std::string bytes = "Valoraci\xf3n " + std::to_string(seed) + "\r\nAnalista\r\n07/12/2026\r\n" +
                        std::to_string(n) + "\r\nTemperatura\r\n";
    unsigned state = 12345u + static_cast<unsigned>(seed) * 2654435761u;
    for (int level = 0; level < 3; ++level) {
        bytes += std::to_string(20 + 5 * level) + " \xb0" + "C\r\n";
        for (int r = 0; r < n; ++r) {
            state = state * 1103515245u + 12345u;
            const double value = 99 + level + (state >> 16) % 2000 / 1000.0;
            char text[32];
            std::snprintf(text, sizeof text, "%.3f", value);
            bytes += std::string(text) + "\r\n";
        }
    }
    return bytes;
}

std::vector<std::string> writeStudies(const std::filesystem::path& directory, int count) {
    std::filesystem::create_directories(directory);
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        const std::filesystem::path path = directory / (std::to_string(i) + ".w1o");
        std::ofstream(path, std::ios::binary) << studyBytes(i);
        paths.push_back(path.string());
    }
    return paths;
}

long countLines(const std::string& path) {
    std::ifstream in(path);
    return std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n');
}

// R's analysis of the worked example: Dunnett's test with multcomp.
const char* kRScript =
    "suppressMessages(library(multcomp)); "
    "d <- data.frame(y=c(100,101,102,99,100,101,103,104,105), "
    "g=factor(rep(c('Normal','Baja','Alta'), each=3), levels=c('Normal','Baja','Alta'))); "
    "print(summary(glht(aov(y~g, d), linfct=mcp(g='Dunnett'))))";

bool haveRMultcomp() {
    return std::system("Rscript -e 'library(multcomp)' >/dev/null 2>&1") == 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s ROBUSTEZ-INFORME EXAMPLE.w1o SCRATCH-DIR [RUNS] [FILES]\n",
                     argv[0]);
        return 2;
    }
    const std::string tool = argv[1];
    const std::string example = argv[2];
    const std::filesystem::path scratch = argv[3];
    const int runs = argc > 4 ? std::atoi(argv[4]) : 50;
    const int files = argc > 5 ? std::atoi(argv[5]) : 10000;
    // The text report under the C locale, as a script would run it.
    setenv("LC_ALL", "C", 1);

    std::vector<std::string> command = {tool, "--json"};
    const std::vector<std::string> paths = writeStudies(scratch / "studies", files);
    command.insert(command.end(), paths.begin(), paths.end());
    const std::string jsonOut = (scratch / "studies.jsonl").string();
    const double jsonMs = timedRun(command, jsonOut);
    std::printf("--json over %d study files, one call: %.0f ms (%.1f us per study, %ld lines)\n",
                files, jsonMs, 1000 * jsonMs / files, countLines(jsonOut));

    const Summary text = repeatedRuns({tool, example}, runs);
    std::printf("text report, whole process, %d runs: median %.2f ms (min %.2f, max %.2f)\n", runs,
                text.median, text.min, text.max);
    const int summaryStudies = std::min(files, 1000);
    const int summaryRuns = std::max(1, std::min(runs, 5));
    std::vector<std::string> summaryText = {tool, "--resumen"};
    summaryText.insert(summaryText.end(), paths.begin(), paths.begin() + summaryStudies);
    std::vector<std::string> summaryJson = summaryText;
    summaryJson.insert(summaryJson.begin() + 2, "--json");
    const Summary textSummary = repeatedRuns(summaryText, summaryRuns);
    const Summary jsonSummary = repeatedRuns(summaryJson, summaryRuns);
    std::printf("--resumen of %d studies, whole process, %d runs: text median %.1f ms "
                "(min %.1f), --json median %.1f ms (min %.1f)\n",
                summaryStudies, summaryRuns, textSummary.median, textSummary.min,
                jsonSummary.median, jsonSummary.min);

    const Summary empty = repeatedRuns({"/bin/true"}, runs);
    std::printf("empty process (/bin/true), %d runs: median %.2f ms (min %.2f, max %.2f)\n", runs,
                empty.median, empty.min, empty.max);

    if (haveRMultcomp()) {
        const Summary r = repeatedRuns({"Rscript", "-e", kRScript}, std::min(runs, 10));
        std::printf("R (multcomp glht, Dunnett), whole process, %d runs: median %.0f ms "
                    "(min %.0f, max %.0f)\n",
                    std::min(runs, 10), r.median, r.min, r.max);
        std::printf("R / robustez-informe per study: %.0f x (text report process), "
                    "%.0f x (per study in --json)\n",
                    r.median / text.median, r.median / (jsonMs / files));
        const double slowest = std::max(textSummary.median, jsonSummary.median);
        std::printf("--resumen of %d studies / one R study: %.3f (target < 0.1: %s)\n",
                    summaryStudies, slowest / r.median, slowest < r.median / 10 ? "met" : "MISSED");
    } else {
        std::printf("R with multcomp not installed (apt-get install r-cran-multcomp): skipped\n");
    }
    return 0;
}
