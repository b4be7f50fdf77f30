// Times robustez-informe as a user runs it, as whole processes:
//   (a) --json over 10,000 study files in one call;
//   (b) one text report, median wall time over 50 runs;
//   (c) the summary (--resumen) of 1,000 studies as text and as JSON, median
//       over a few runs;
//   (d) for scale, an empty process (/bin/true) and, when Rscript and the
//       multcomp package are installed, R's Dunnett analysis of one study;
//       the summary of 1,000 studies is to take less than a tenth of it;
//   (e) --diseno --json over 1,000 design files (a 12-run Plackett-Burman
//       screen, five factors, six dummies, three nominal runs, four
//       responses) in one call, median over a few runs, against one R
//       process that reads the same screen as a run table and does lm on the
//       coded design and the t tests of the effects; the 1,000 files are to
//       take less than a tenth of it.
// Usage: informe_bench ROBUSTEZ-INFORME EXAMPLE.w1o SCRATCH-DIR [RUNS] [FILES]

#include "core/design/design_file.h"
#include "core/design/designs.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
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
double timedRun(const std::vector<std::string>& command, const std::string& outPath,
                double* cpuMs = nullptr) {
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
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        if (cpuMs != nullptr) {
            *cpuMs = 1e3 * static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     1e-3 * static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
        }
    }
    const double elapsed = millisecondsSince(start);
    posix_spawn_file_actions_destroy(&actions);
    const bool exited = started && WIFEXITED(status) && WEXITSTATUS(status) <= 1;
    return exited ? elapsed : -1;
}

struct Summary {
    // Wall time; cpu is the median of the process's user + system time,
    // which a loaded machine inflates less.
    double median, min, max, cpu;
};

Summary repeatedRuns(const std::vector<std::string>& command, int runs) {
    std::vector<double> times;
    std::vector<double> cpuTimes;
    for (int i = 0; i < runs; ++i) {
        double cpu = 0;
        const double t = timedRun(command, "/dev/null", &cpu);
        cpuTimes.push_back(cpu);
        if (t < 0) {
            std::fprintf(stderr, "failed: %s\n", command[0].c_str());
            std::exit(1);
        }
        times.push_back(t);
    }
    std::sort(times.begin(), times.end());
    std::sort(cpuTimes.begin(), cpuTimes.end());
    return {times[times.size() / 2], times.front(), times.back(), cpuTimes[cpuTimes.size() / 2]};
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

// A 12-run screen: five factors on the first columns, six dummies, three
// nominal runs and four responses, its values varied by `seed`.
robustez::design::DesignStudy screenStudy(int seed) {
    using namespace robustez::design;
    DesignStudy study;
    study.method = "Cribado " + std::to_string(seed);
    study.analyst = "Analista";
    study.date = "08/12/2026";
    for (int f = 0; f < 5; ++f) {
        study.factors.push_back({"Factor " + std::to_string(f + 1), "", "9", "10", "11"});
    }
    for (int v = 0; v < 4; ++v) {
        study.responses.push_back({"Respuesta " + std::to_string(v + 1), "%"});
    }
    study.design = "PB12";
    study.nominalRuns = 3;
    study.seed = static_cast<std::uint64_t>(seed);
    layOutStudy(study);
    SplitMix64 noise(static_cast<std::uint64_t>(seed) + 1);
    for (DesignRun& run : study.runs) {
        for (std::size_t v = 0; v < run.values.size(); ++v) {
            double value = 100 + static_cast<double>(noise.below(200)) / 100;
            if (run.type == RunType::Design) {
                value += 0.8 * run.codes[v % 3] - 0.3 * run.codes[4];
            }
            run.values[v] = value;
        }
    }
    return study;
}

std::vector<std::string> writeDesigns(const std::filesystem::path& directory, int count) {
    std::filesystem::create_directories(directory);
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        const std::filesystem::path path = directory / (std::to_string(i) + ".w1d");
        std::ofstream(path, std::ios::binary) << robustez::design::encodeDesignFile(screenStudy(i));
        paths.push_back(path.string());
    }
    return paths;
}

// The screen as a run table for R: the codes, Tipo (1 for a design run, 0
// for a nominal one), the responses.
void writeRunTable(const std::filesystem::path& path, const robustez::design::DesignStudy& study) {
    std::ofstream out(path, std::ios::binary);
    for (std::size_t c = 0; c < study.columns.size(); ++c) {
        out << 'c' << c + 1 << '\t';
    }
    out << "Tipo";
    for (std::size_t v = 0; v < study.responses.size(); ++v) {
        out << "\ty" << v + 1;
    }
    out << '\n';
    for (const robustez::design::DesignRun& run : study.runs) {
        for (const int code : run.codes) {
            out << code << '\t';
        }
        out << (run.type == robustez::design::RunType::Design ? 1 : 0);
        char text[32];
        for (const std::optional<double>& value : run.values) {
            std::snprintf(text, sizeof text, "%.17g", *value);
            out << '\t' << text;
        }
        out << '\n';
    }
}

// R's analysis of one screen: the effects by lm on the coded design runs,
// their t and p from the dummies' effects and from the nominal runs.
std::string rScreenScript(const std::string& table) {
    return "d <- read.delim('" + table +
           "'); k <- 11; dum <- 6:11; des <- d[d$Tipo == 1, ]; nom <- d[d$Tipo == 0, ]; "
           "X <- as.matrix(des[, 1:k]); "
           "for (y in grep('^y', names(d), value = TRUE)) { "
           "E <- 2 * coef(lm(des[[y]] ~ X))[-1]; "
           "se <- sqrt(mean(E[dum]^2)); t <- E / se; p <- 2 * pt(-abs(t), length(dum)); "
           "sn <- 2 * sd(nom[[y]]) / sqrt(nrow(des)); tn <- E / sn; "
           "pn <- 2 * pt(-abs(tn), nrow(nom) - 1); "
           "print(data.frame(E, t, p, tn, pn, crit = qt(0.975, length(dum)) * se)) }";
}

bool haveRscript() {
    return std::system("Rscript --version >/dev/null 2>&1") == 0;
}

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

    const int designFiles = 1000;
    const std::vector<std::string> designs = writeDesigns(scratch / "designs", designFiles);
    std::vector<std::string> designCommand = {tool, "--diseno", "--json"};
    designCommand.insert(designCommand.end(), designs.begin(), designs.end());
    const std::string designOut = (scratch / "designs.jsonl").string();
    if (timedRun(designCommand, designOut) < 0) {
        std::fprintf(stderr, "failed: %s --diseno --json\n", tool.c_str());
        return 1;
    }
    const int designRuns = std::max(1, std::min(runs, 5));
    const Summary design = repeatedRuns(designCommand, designRuns);
    std::printf("--diseno --json over %d design files (PB12, 4 responses), one call, %d runs: "
                "median %.1f ms (min %.1f; %.1f us per file, %ld lines), CPU %.1f ms\n",
                designFiles, designRuns, design.median, design.min,
                1000 * design.median / designFiles, countLines(designOut), design.cpu);
    if (haveRscript()) {
        const std::filesystem::path table = scratch / "design.tsv";
        writeRunTable(table, screenStudy(0));
        const std::vector<std::string> rCommand = {"Rscript", "-e", rScreenScript(table.string())};
        const int rRuns = std::min(runs, 10);
        const Summary r = repeatedRuns(rCommand, rRuns);
        std::printf("R (read.delim, lm on the coded design, t tests) of one design, whole "
                    "process, %d runs: median %.0f ms (min %.0f, max %.0f), CPU %.0f ms\n",
                    rRuns, r.median, r.min, r.max, r.cpu);
        std::printf("--diseno of %d files / one R design: %.3f wall, %.3f CPU (target < 0.1: "
                    "%s)\n",
                    designFiles, design.median / r.median, design.cpu / r.cpu,
                    design.median < r.median / 10 ? "met" : "MISSED");
    } else {
        std::printf("Rscript not installed (apt-get install r-base-core): the R design analysis "
                    "skipped\n");
    }
    return 0;
}
