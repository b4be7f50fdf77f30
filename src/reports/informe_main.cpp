// robustez-informe: the text report of a study file on standard output, or
// one of its printed pages as a PDF file. No display is needed.

#include "calc/robustness.h"
#include "reports/page_layouts.h"
#include "reports/qpainter_canvas.h"
#include "reports/text_report.h"
#include "study/errors.h"
#include "study/study_file.h"

#include <QGuiApplication>
#include <QLocale>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

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

constexpr std::string_view kUsage =
    "Uso: robustez-informe ESTUDIO.w1o\n"
    "     robustez-informe --pdf SALIDA.pdf [--layout laser|deskjet] [--page general|results]\n"
    "                      [--paper a4|letter] ESTUDIO.w1o\n"
    "     robustez-informe --help\n";

constexpr std::string_view kHelp =
    "robustez-informe: informe de un estudio de robustez (archivo .w1o).\n"
    "\n"
    "Sin opciones escribe en la salida estándar el informe de texto que muestra el\n"
    "comando \"Informe\" del programa, línea a línea, en UTF-8. El separador\n"
    "decimal es el de la configuración regional del sistema, para leer los valores\n"
    "y para escribir los resultados.\n"
    "\n"
    "Con --pdf dibuja una de las páginas impresas en un archivo PDF:\n"
    "  --pdf SALIDA.pdf        archivo PDF que se escribe\n"
    "  --layout laser|deskjet  formato de la página (por omisión: laser)\n"
    "  --page general|results  página de información general o de resultados\n"
    "                          (por omisión: results)\n"
    "  --paper a4|letter       tamaño del papel (por omisión: a4)\n"
    "La página se dibuja a 600 puntos por pulgada (laser) o 300 (deskjet), con\n"
    "un margen de un cuarto de pulgada en cada borde.\n"
    "\n"
    "Códigos de salida: 0 correcto; 1 archivo ilegible o rechazado, o cálculo\n"
    "fallido (el mensaje va a la salida de errores; en el informe de texto, las\n"
    "líneas ya compuestas van antes a la salida estándar); 2 uso incorrecto.\n"
    "\n";

struct Options {
    std::string studyPath;
    std::optional<std::string> pdfPath;
    PrintLayout layout = PrintLayout::Laser;
    PrintPage page = PrintPage::Results;
    QPageSize::PageSizeId paper = QPageSize::A4;
};

struct UsageError {
    std::string message;
};

void writeOut(FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}

// Parses the command line; throws UsageError. `help` is set for --help.
Options parseArguments(const std::vector<std::string>& args, bool& help) {
    Options options;
    bool layoutSet = false;
    bool pageSet = false;
    bool paperSet = false;
    bool optionsEnded = false;
    std::optional<std::string> study;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            help = true;
            return options;
        }
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            if (study) {
                throw UsageError{"sobra el argumento '" + arg + "'"};
            }
            study = arg;
            continue;
        }
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) {
                throw UsageError{"falta el valor de " + arg};
            }
            return args[++i];
        };
        auto once = [&](bool& seen) {
            if (seen) {
                throw UsageError{"opción repetida: " + arg};
            }
            seen = true;
        };
        if (arg == "--pdf") {
            if (options.pdfPath) {
                throw UsageError{"opción repetida: " + arg};
            }
            options.pdfPath = value();
            if (options.pdfPath->empty()) {
                throw UsageError{"falta el nombre del archivo PDF"};
            }
        } else if (arg == "--layout") {
            once(layoutSet);
            const std::string& v = value();
            if (v == "laser") {
                options.layout = PrintLayout::Laser;
            } else if (v == "deskjet") {
                options.layout = PrintLayout::DeskJet;
            } else {
                throw UsageError{"formato desconocido: '" + v + "'"};
            }
        } else if (arg == "--page") {
            once(pageSet);
            const std::string& v = value();
            if (v == "general") {
                options.page = PrintPage::General;
            } else if (v == "results") {
                options.page = PrintPage::Results;
            } else {
                throw UsageError{"página desconocida: '" + v + "'"};
            }
        } else if (arg == "--paper") {
            once(paperSet);
            const std::string& v = value();
            if (v == "a4") {
                options.paper = QPageSize::A4;
            } else if (v == "letter") {
                options.paper = QPageSize::Letter;
            } else {
                throw UsageError{"papel desconocido: '" + v + "'"};
            }
        } else {
            throw UsageError{"opción desconocida: " + arg};
        }
    }
    if (!study) {
        throw UsageError{"falta el archivo del estudio"};
    }
    if (!options.pdfPath && (layoutSet || pageSet || paperSet)) {
        throw UsageError{"--layout, --page y --paper sólo valen con --pdf"};
    }
    options.studyPath = *study;
    return options;
}

// Standard error carries the tool's own messages only: Qt's diagnostics
// (warnings about the environment and the like) are dropped; critical and
// fatal ones still go out.
void qtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        writeOut(stderr, message.toStdString() + "\n");
    }
}

std::string systemDecimalSeparator() {
    return QLocale::system().decimalPoint().toStdString();
}

// Prints a failure's message alone on standard error.
int fail(std::string_view message) {
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

int textReport(const StudyRecord& study) {
    const std::string separator = systemDecimalSeparator();
    RobustnessResults results;
    std::vector<std::string> lines;
    std::optional<std::string> error;
    try {
        composeTextReport(study, separator, results, lines);
    } catch (const std::exception& e) {
        error = e.what();
    }
    for (const std::string& line : lines) {
        writeOut(stdout, line);
        writeOut(stdout, "\n");
    }
    const int status = finishOutput(0);
    if (error) {
        return fail(*error);
    }
    return status;
}

int pdfPage(const Options& options, const StudyRecord& study, int argc, char** argv) {
    const std::string separator = systemDecimalSeparator();
    RobustnessResults results;
    if (options.page == PrintPage::Results) {
        // The results page is printed from a fresh computation; a failing one
        // leaves no file.
        try {
            computeRobustness(study, separator, results);
        } catch (const std::exception& e) {
            return fail(e.what());
        }
    }

    // Only the first argument goes to Qt: none of ours are Qt's.
    int qtArgc = argc > 0 ? 1 : 0;
    QGuiApplication app(qtArgc, argv);

    const QString path = QString::fromStdString(*options.pdfPath);
    QPdfWriter writer(path);
    writer.setResolution(options.layout == PrintLayout::Laser ? 600 : 300);
    writer.setCreator(QStringLiteral("robustez-informe"));
    writer.setTitle(QStringLiteral("Robustez del Método"));
    // The printable area of a typical printer: a quarter inch from each edge.
    writer.setPageLayout(QPageLayout(QPageSize(options.paper), QPageLayout::Portrait,
                                     QMarginsF(18, 18, 18, 18), QPageLayout::Point));

    try {
        QPainterCanvas canvas(writer, path);
        if (options.page == PrintPage::Results) {
            printResultsPage(canvas, options.layout, study, results, separator);
        } else {
            printGeneralPage(canvas, options.layout, study);
        }
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.emplace_back(argv[i]);
    }

    Options options;
    try {
        bool help = false;
        options = parseArguments(args, help);
        if (help) {
            writeOut(stdout, kHelp);
            writeOut(stdout, kUsage);
            return finishOutput(0);
        }
    } catch (const UsageError& error) {
        writeOut(stderr, "robustez-informe: " + error.message + "\n");
        writeOut(stderr, kUsage);
        return kExitUsage;
    }

    qInstallMessageHandler(qtMessages);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    try {
        const StudyRecord study = loadStudyFile(options.studyPath);
        if (options.pdfPath) {
            return pdfPage(options, study, argc, argv);
        }
        return textReport(study);
    } catch (const std::exception& e) {
        return fail(e.what());
    }
}
