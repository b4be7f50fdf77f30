// robustez-informe: the text report of study files on standard output, with
// their statistical detail on request, or one JSON line per study, or the
// summary of several studies of one method as text or one JSON object, or the
// reports of robustness screens by two-level design (--diseno). PDF pages
// and SVG figures are drawn by robustez-informe-qt, which this program
// becomes for --pdf and --svg: the text and JSON modes never load Qt.

#include "core/platform/platform.h"
#include "core/report/json.h"
#include "core/report/study_json.h"
#include "core/report/summary.h"
#include "core/report/text_report.h"
#include "core/stats/evidence.h"
#include "core/stats/evidence_tables.h"
#include "core/study/other_separator.h"
#include "core/study/study_file.h"
#include "tool/design_report.h"
#include "tool/drawing_program.h"
#include "tool/informe_options.h"
#include "tool/locale_separator.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace robustez;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr std::string_view kDetailHeading = "DETALLE ESTADÍSTICO";

void writeOut(FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}

// Prints a failure's message alone on standard error, after what standard
// output holds so far.
int fail(std::string_view message) {
    std::fflush(stdout);
    writeOut(stderr, message);
    writeOut(stderr, "\n");
    std::fflush(stderr);
    return kExitFailure;
}

// Flushes standard output; a failed write is a failure of its own.
int finishOutput(int status) {
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        const int writeStatus = fail("No se puede escribir en la salida estándar");
        return status == 0 ? writeStatus : status;
    }
    return status;
}

// What the text mode writes for one study: the report lines, the detail
// text (empty without --detalle), and the error that cut them short.
struct TextReport {
    std::vector<std::string> lines;
    std::string detail;
    std::optional<std::string> error;
};

std::string detailText(const StudyRecord& study, std::string_view separator,
                       std::optional<double> limit) {
    const StudyEvidence evidence = computeEvidence(study, separator, limit);
    return tabSeparatedText(composeEvidenceTables(evidence, separator));
}

TextReport composeFileReport(const std::string& path, const InformeOptions& options,
                             std::string_view separator) {
    TextReport report;
    std::optional<StudyRecord> study;
    try {
        study = loadStudyFile(path);
        RobustnessResults results;
        composeTextReport(*study, separator, results, report.lines);
        if (options.detail) {
            report.detail = detailText(*study, separator, options.equivalenceLimitPct);
        }
    } catch (const std::exception& e) {
        report.error = e.what();
        if (study) {
            *report.error += otherSeparatorNote(*study, separator);
        }
    }
    return report;
}

// Writes one report; an empty line parts it from the output before it.
void writeReport(const TextReport& report, bool& wroteBefore) {
    if (report.lines.empty()) {
        return;
    }
    if (wroteBefore) {
        writeOut(stdout, "\n");
    }
    wroteBefore = true;
    for (const std::string& line : report.lines) {
        writeOut(stdout, line);
        writeOut(stdout, "\n");
    }
    if (!report.detail.empty()) {
        writeOut(stdout, "\n");
        writeOut(stdout, kDetailHeading);
        writeOut(stdout, "\n\n");
        writeOut(stdout, report.detail);
    }
}

int textReports(const InformeOptions& options, std::string_view separator) {
    int status = 0;
    bool wroteBefore = false;
    for (const std::string& path : options.studyPaths) {
        const TextReport report = composeFileReport(path, options, separator);
        writeReport(report, wroteBefore);
        if (report.error) {
            status = fail(*report.error);
        }
    }
    return finishOutput(status);
}

int jsonLines(const InformeOptions& options, std::string_view separator) {
    int status = 0;
    std::string line;
    for (const std::string& path : options.studyPaths) {
        const StudyOutcome outcome = examineStudyFile(path, separator, options.equivalenceLimitPct);
        line.clear();
        json::append(line, outcomeJson(outcome, separator));
        line += '\n';
        writeOut(stdout, line);
        if (outcome.error) {
            status = kExitFailure;
        }
    }
    return finishOutput(status);
}

// The summary of all the studies as text or as one JSON object; a study
// without result is in the summary itself, so standard error stays quiet.
int summaryOutput(const InformeOptions& options, std::string_view separator) {
    const SummaryStudies summary =
        examineSummaryFiles(options.studyPaths, separator, options.equivalenceLimitPct);
    if (options.mode == InformeMode::Json) {
        std::string text = json::toJson(summaryJson(summary, separator));
        text += '\n';
        writeOut(stdout, text);
    } else {
        writeOut(stdout, summaryText(summary, separator));
    }
    return finishOutput(failedStudies(summary).empty() ? 0 : kExitFailure);
}

// The design screens: a text report or a JSON line a file; a file that
// cannot be read or analysed is named on standard error (text) or in the
// object's "error" (JSON), and the others go on.
int designOutput(const InformeOptions& options, std::string_view separator) {
    if (options.mode == InformeMode::Json) {
        // The lines come in blocks of several kilobytes: each goes out in one
        // write of its own, not through the stream's buffer in two.
        std::setvbuf(stdout, nullptr, _IONBF, 0);
        const bool analysed = writeDesignJsonLines(
            options.studyPaths, separator, options.equivalenceLimitPct, options.estimate,
            [](std::string_view line) { writeOut(stdout, line); });
        return finishOutput(analysed ? 0 : kExitFailure);
    }
    int status = 0;
    bool wroteBefore = false;
    design::DesignAnalyser analyser;
    for (const std::string& path : options.studyPaths) {
        const DesignOutcome outcome = examineDesignFile(
            path, separator, options.equivalenceLimitPct, options.estimate, analyser);
        if (!outcome.error) {
            if (wroteBefore) {
                writeOut(stdout, "\n");
            }
            wroteBefore = true;
            writeOut(stdout, designReportText(outcome, separator));
        } else {
            status = kExitFailure;
            fail(path + ": " + *outcome.error);
        }
    }
    return finishOutput(status);
}

} // namespace

int main(int argc, char** argv) {
    // The same bytes on every system: on Windows, LF alone, as on POSIX.
    platform::setBinaryStandardOutput();
    const std::vector<std::string> args = platform::commandLineArguments(argc, argv);
    const std::string_view separator = systemDecimalSeparator();

    InformeOptions options;
    try {
        options = parseInformeArguments(args, separator);
    } catch (const UsageError& error) {
        writeOut(stderr, "robustez-informe: " + error.message + "\n");
        writeOut(stderr, kInformeUsage);
        return kExitUsage;
    }
    if (options.help) {
        writeOut(stdout, kInformeHelp);
        writeOut(stdout, kInformeUsage);
        return finishOutput(0);
    }

    if (options.design && !isDrawingMode(options.mode)) {
        return designOutput(options, separator);
    }
    if (options.summary && !isDrawingMode(options.mode)) {
        return summaryOutput(options, separator);
    }
    switch (options.mode) {
    case InformeMode::Text:
        return textReports(options, separator);
    case InformeMode::Json:
        return jsonLines(options, separator);
    case InformeMode::Pdf:
    case InformeMode::Svg:
        break;
    }
    return fail("robustez-informe: " + runDrawingProgram(args));
}
