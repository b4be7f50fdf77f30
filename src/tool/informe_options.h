#pragma once

#include "core/design/design_analysis.h"
#include "core/report/page_layouts.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace robustez {

// The command line of robustez-informe, shared by the text front and the
// program that draws pages and figures.

// What the tool writes: text reports (default), JSON Lines, a PDF page or an
// SVG figure.
enum class InformeMode { Text, Json, Pdf, Svg };

// The page drawn with --pdf.
enum class InformePage {
    General,
    Results,
    Detail,
    Summary,
    Worksheet, // a design screen's worksheet ("hoja")
    Design,    // a design screen's result pages ("diseno")
};

enum class InformePaper { A4, Letter };

struct InformeOptions {
    bool help = false;
    InformeMode mode = InformeMode::Text;
    std::vector<std::string> studyPaths;
    std::string outputPath; // --pdf or --svg
    PrintLayout layout = PrintLayout::Laser;
    InformePage page = InformePage::Results;
    InformePaper paper = InformePaper::A4;
    bool detail = false;  // --detalle, or implied by --limite in the text mode
    bool summary = false; // --resumen, or --page resumen: one summary of all the studies
    std::optional<double> equivalenceLimitPct;
    // --diseno, or --page diseno: the files are robustness screens by
    // two-level design (design files or run tables), with the estimate of
    // --estimacion; --pdf draws one's result pages, --svg its figures.
    bool design = false;
    std::optional<design::Estimate> estimate;
};

// Wrong usage; the message (in Spanish) goes after "robustez-informe: ".
struct UsageError {
    std::string message;
};

// Parses the arguments (without the program name); throws UsageError. The
// limit of --limite may be written with "." or with `decimalSeparator`.
// --help (or -h) before "--" ends the reading with `help` set: what follows
// it is not looked at.
InformeOptions parseInformeArguments(const std::vector<std::string>& args,
                                     std::string_view decimalSeparator);

// True for the modes that the drawing program serves.
bool isDrawingMode(InformeMode mode);

// The usage lines and the help text.
extern const std::string_view kInformeUsage;
extern const std::string_view kInformeHelp;

} // namespace robustez
