#include "tool/informe_options.h"

#include "core/study/conversions.h"
#include "tool/design_report.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace robustez {

const std::string_view kInformeUsage =
    "Uso: robustez-informe [--detalle] [--limite PCT] ESTUDIO.w1o...\n"
    "     robustez-informe --json [--limite PCT] ESTUDIO.w1o...\n"
    "     robustez-informe --pdf SALIDA.pdf [--layout laser|deskjet] [--page general|results]\n"
    "                      [--paper a4|letter] ESTUDIO.w1o\n"
    "     robustez-informe --pdf SALIDA.pdf --page detalle [--layout laser|deskjet]\n"
    "                      [--paper a4|letter] [--limite PCT] ESTUDIO.w1o\n"
    "     robustez-informe --svg SALIDA.svg [--limite PCT] ESTUDIO.w1o\n"
    "     robustez-informe --resumen [--json] [--limite PCT] ESTUDIO.w1o...\n"
    "     robustez-informe --pdf SALIDA.pdf --page resumen [--paper a4|letter] [--limite PCT]\n"
    "                      ESTUDIO.w1o...\n"
    "     robustez-informe --svg SALIDA.svg --resumen [--limite PCT] ESTUDIO.w1o...\n"
    "     robustez-informe --diseno [--json] [--estimacion ficticios|nominales|dong|lenth]\n"
    "                      [--limite PCT] DISEÑO...\n"
    "     robustez-informe --pdf SALIDA.pdf --page hoja [--paper a4|letter] DISEÑO\n"
    "     robustez-informe --pdf SALIDA.pdf --page diseno [--paper a4|letter] [--limite PCT]\n"
    "                      [--estimacion ficticios|nominales|dong|lenth] DISEÑO\n"
    "     robustez-informe --svg SALIDA.svg --diseno [--limite PCT]\n"
    "                      [--estimacion ficticios|nominales|dong|lenth] DISEÑO\n"
    "     robustez-informe --help\n";

const std::string_view kInformeHelp =
    "robustez-informe: informe de un estudio de robustez (archivo .w1o).\n"
    "\n"
    "Sin opciones escribe en la salida estándar el informe de texto que muestra el\n"
    "comando \"Informe\" del programa, línea a línea, en UTF-8. El separador\n"
    "decimal es el de la configuración regional del sistema, para leer los valores\n"
    "y para escribir los resultados. Con varios estudios escribe un informe tras\n"
    "otro, separados por una línea vacía.\n"
    "  --detalle               añade a cada informe el detalle estadístico: p\n"
    "                          ajustados, intervalos simultáneos al 95 %, grados de\n"
    "                          libertad, desviación estándar combinada y t crítica\n"
    "  --limite PCT            límite de equivalencia, en % de la media Normal (un\n"
    "                          número mayor que 0, con \".\" o con el separador\n"
    "                          decimal del sistema); implica --detalle\n"
    "\n"
    "Con --json escribe un objeto JSON por estudio, uno por línea (JSON Lines), en\n"
    "el orden dado: datos, resultados, comparaciones con p ajustados e intervalos,\n"
    "y el error (null si no lo hay); con --limite, también la equivalencia.\n"
    "\n"
    "Con --pdf dibuja una de las páginas impresas en un archivo PDF:\n"
    "  --pdf SALIDA.pdf        archivo PDF que se escribe\n"
    "  --layout laser|deskjet  formato de la página (por omisión: laser)\n"
    "  --page general|results|detalle\n"
    "                          página de información general, de resultados o de\n"
    "                          detalle estadístico (por omisión: results); --limite\n"
    "                          sólo vale con la de detalle\n"
    "  --paper a4|letter       tamaño del papel (por omisión: a4)\n"
    "La página se dibuja a 600 puntos por pulgada (laser) o 300 (deskjet), con\n"
    "un margen de un cuarto de pulgada en cada borde.\n"
    "\n"
    "Con --svg SALIDA.svg dibuja la figura de las comparaciones en un archivo SVG.\n"
    "--pdf y --svg toman un solo estudio.\n"
    "\n"
    "Con --resumen escribe el resumen de la robustez de un método a partir de varios\n"
    "estudios (uno por condición de operación), en el orden dado: el encabezado\n"
    "(método, analistas, fechas, número de estudios), una fila por estudio separada\n"
    "por tabuladores (ajustes, n, media Normal y, para Baja y Alta, diferencia,\n"
    "diferencia relativa, t, p ajustado, intervalo simultáneo al 95 %, veredicto y,\n"
    "con --limite, equivalencia) y las líneas de conclusión. Un estudio que no se\n"
    "puede leer o calcular conserva su fila con su mensaje.\n"
    "  --resumen --json        un solo objeto JSON: method_names, studies,\n"
    "                          not_tolerant, not_equivalent, failed, conclusion,\n"
    "                          equivalence_limit_pct\n"
    "  --pdf SALIDA.pdf --page resumen\n"
    "                          las páginas del resumen: tabla, conclusión y gráfico\n"
    "                          de las diferencias relativas (forest plot)\n"
    "  --svg SALIDA.svg --resumen\n"
    "                          el gráfico de las diferencias relativas\n"
    "El código de salida es 1 si algún estudio no tiene resultado.\n"
    "\n"
    "Con --diseno lee cribados de robustez por diseño de dos niveles: archivos de\n"
    "diseño (.w1d) o tablas de ensayos (.tsv, .txt: columnas de factores, \"Tipo\" y\n"
    "respuestas, separadas por tabuladores). Para cada archivo escribe el diseño, los\n"
    "factores, los ensayos en el orden de ejecución y, por respuesta, los efectos\n"
    "con %E, t, p, E_crit y veredicto, las estimaciones (ficticios, nominales, Dong,\n"
    "Lenth), la conclusión y los intervalos; con --json, un objeto JSON por archivo.\n"
    "  --estimacion ficticios|nominales|dong|lenth\n"
    "                          el error de los efectos (por omisión, el que permite\n"
    "                          el diseño)\n"
    "  --limite PCT            límite de equivalencia, en % de la base del %E\n"
    "  --pdf SALIDA.pdf --page hoja DISEÑO\n"
    "                          la hoja de trabajo del cribado (sin --diseno): los\n"
    "                          factores y sus ajustes, y los ensayos en el orden de\n"
    "                          ejecución con los ajustes que se usan y una casilla\n"
    "                          por respuesta, para anotar los valores\n"
    "  --pdf SALIDA.pdf --page diseno\n"
    "                          las páginas de resultados de un archivo, una por\n"
    "                          respuesta: diseño, factores, tabla de efectos,\n"
    "                          estimación, conclusión, intervalos y gráficos\n"
    "  --svg SALIDA.svg --diseno\n"
    "                          los gráficos de un archivo: por respuesta, el\n"
    "                          gráfico seminormal y los efectos en barras\n"
    "\n"
    "Códigos de salida: 0 correcto; 1 archivo ilegible o rechazado, o cálculo\n"
    "fallido (el mensaje va a la salida de errores; en el informe de texto, las\n"
    "líneas ya compuestas van antes a la salida estándar; con --json, el mensaje va\n"
    "en el campo \"error\"); con varios estudios, 1 si alguno falló, y los demás se\n"
    "escriben igual; 2 uso incorrecto (no se procesa ningún estudio).\n"
    "\n";

namespace {

template <typename E> struct Choice {
    std::string_view text;
    E value;
};

constexpr std::array<Choice<PrintLayout>, 2> kLayouts = {{
    {"laser", PrintLayout::Laser},
    {"deskjet", PrintLayout::DeskJet},
}};
constexpr std::array<Choice<InformePage>, 6> kPages = {{
    {"general", InformePage::General},
    {"results", InformePage::Results},
    {"detalle", InformePage::Detail},
    {"resumen", InformePage::Summary},
    {"hoja", InformePage::Worksheet},
    {"diseno", InformePage::Design},
}};
constexpr std::array<Choice<InformePaper>, 2> kPapers = {{
    {"a4", InformePaper::A4},
    {"letter", InformePaper::Letter},
}};

template <typename E, std::size_t N>
E choose(const std::array<Choice<E>, N>& choices, const std::string& text,
         std::string_view unknown) {
    for (const Choice<E>& choice : choices) {
        if (choice.text == text) {
            return choice.value;
        }
    }
    throw UsageError{std::string(unknown) + ": '" + text + "'"};
}

std::string requireOutputPath(const std::string& path, std::string_view kind) {
    if (path.empty()) {
        throw UsageError{"falta el nombre del archivo " + std::string(kind)};
    }
    return path;
}

// A percentage greater than 0, written with "." or the locale's separator.
double parseLimit(const std::string& text, std::string_view decimalSeparator) {
    double value = 0;
    const bool read = tryToDecimal(text, ".", value) || tryToDecimal(text, decimalSeparator, value);
    if (!read || !std::isfinite(value) || !(value > 0)) {
        throw UsageError{"límite de equivalencia no válido: '" + text +
                         "' (un porcentaje mayor que 0)"};
    }
    return value;
}

// One option: its name, whether a value follows it, and what it sets.
using Apply = void (*)(InformeOptions&, const std::string& value, std::string_view separator);
struct OptionRule {
    std::string_view name;
    bool takesValue;
    Apply apply;
};

constexpr std::array<OptionRule, 11> kOptionRules = {{
    {"--diseno", false,
     [](InformeOptions& o, const std::string&, std::string_view) { o.design = true; }},
    {"--estimacion", true,
     [](InformeOptions& o, const std::string& v, std::string_view) {
         o.estimate = estimateFromOption(v);
         if (!o.estimate) {
             throw UsageError{"estimación desconocida: '" + v +
                              "' (ficticios, nominales, dong o lenth)"};
         }
     }},
    {"--json", false,
     [](InformeOptions& o, const std::string&, std::string_view) { o.mode = InformeMode::Json; }},
    {"--resumen", false,
     [](InformeOptions& o, const std::string&, std::string_view) { o.summary = true; }},
    {"--detalle", false,
     [](InformeOptions& o, const std::string&, std::string_view) { o.detail = true; }},
    {"--limite", true,
     [](InformeOptions& o, const std::string& v, std::string_view separator) {
         o.equivalenceLimitPct = parseLimit(v, separator);
     }},
    {"--pdf", true,
     [](InformeOptions& o, const std::string& v, std::string_view) {
         o.outputPath = requireOutputPath(v, "PDF");
         o.mode = InformeMode::Pdf;
     }},
    {"--svg", true,
     [](InformeOptions& o, const std::string& v, std::string_view) {
         o.outputPath = requireOutputPath(v, "SVG");
         o.mode = InformeMode::Svg;
     }},
    {"--layout", true,
     [](InformeOptions& o, const std::string& v, std::string_view) {
         o.layout = choose(kLayouts, v, "formato desconocido");
     }},
    {"--page", true,
     [](InformeOptions& o, const std::string& v, std::string_view) {
         o.page = choose(kPages, v, "página desconocida");
     }},
    {"--paper", true,
     [](InformeOptions& o, const std::string& v, std::string_view) {
         o.paper = choose(kPapers, v, "papel desconocido");
     }},
}};

const OptionRule& ruleFor(const std::string& arg) {
    for (const OptionRule& rule : kOptionRules) {
        if (rule.name == arg) {
            return rule;
        }
    }
    throw UsageError{"opción desconocida: " + arg};
}

bool isOption(const std::string& arg) {
    return arg.size() > 1 && arg[0] == '-';
}

using Seen = std::vector<std::string_view>;

bool seenAny(const Seen& seen, std::initializer_list<std::string_view> names) {
    return std::any_of(names.begin(), names.end(), [&seen](std::string_view name) {
        return std::find(seen.begin(), seen.end(), name) != seen.end();
    });
}

// The summary's rules: --resumen with --pdf is --page resumen, and
// --page resumen is the summary; it takes neither --detalle nor --layout.
void checkSummary(InformeOptions& options, const Seen& seen) {
    if (options.summary && options.mode == InformeMode::Pdf) {
        if (seenAny(seen, {"--page"}) && options.page != InformePage::Summary) {
            throw UsageError{"--resumen sólo vale con --page resumen"};
        }
        options.page = InformePage::Summary;
    }
    if (options.mode == InformeMode::Pdf && options.page == InformePage::Summary) {
        options.summary = true;
    }
    if (options.summary && options.detail) {
        throw UsageError{"--detalle no vale con --resumen"};
    }
    if (options.summary && seenAny(seen, {"--layout"})) {
        throw UsageError{"--layout no vale con --page resumen"};
    }
}

// The design screen's report: text or JSON, one report a file; or one
// file's pages (--pdf, where --diseno is --page diseno and --page diseno is
// the design screen) or figures (--svg).
void checkDesign(InformeOptions& options, const Seen& seen) {
    if (options.mode == InformeMode::Pdf) {
        if (options.design && seenAny(seen, {"--page"}) && options.page != InformePage::Design) {
            throw UsageError{"--diseno sólo vale con --page diseno"};
        }
        if (options.design || options.page == InformePage::Design) {
            options.design = true;
            options.page = InformePage::Design;
        }
    }
    if (!options.design) {
        if (options.estimate) {
            throw UsageError{"--estimacion sólo vale con --diseno"};
        }
        return;
    }
    if (seenAny(seen, {"--layout"})) {
        throw UsageError{"--layout no vale con --diseno"};
    }
    if (seenAny(seen, {"--resumen", "--detalle"})) {
        throw UsageError{"--diseno no vale con --resumen ni con --detalle"};
    }
}

// The worksheet of a design screen: one file, on a paper of --paper.
void checkWorksheet(const InformeOptions& options, const Seen& seen) {
    if (options.mode == InformeMode::Pdf && options.page == InformePage::Worksheet &&
        seenAny(seen, {"--layout"})) {
        throw UsageError{"--layout no vale con --page hoja"};
    }
}

// The rules between options, checked once every argument has been read.
void checkCombination(InformeOptions& options, const Seen& seen) {
    const auto modes = std::count_if(seen.begin(), seen.end(), [](std::string_view name) {
        return name == "--json" || name == "--pdf" || name == "--svg";
    });
    if (modes > 1) {
        throw UsageError{"--json, --pdf y --svg no se combinan"};
    }
    if (options.studyPaths.empty()) {
        throw UsageError{options.page == InformePage::Worksheet ? "falta el archivo del diseño"
                                                                : "falta el archivo del estudio"};
    }
    if (options.mode != InformeMode::Pdf && seenAny(seen, {"--layout", "--page", "--paper"})) {
        throw UsageError{"--layout, --page y --paper sólo valen con --pdf"};
    }
    checkDesign(options, seen);
    checkWorksheet(options, seen);
    checkSummary(options, seen);
    if (options.mode != InformeMode::Text && options.detail) {
        throw UsageError{"--detalle sólo vale con el informe de texto"};
    }
    if (options.mode == InformeMode::Pdf && options.equivalenceLimitPct &&
        options.page != InformePage::Detail && options.page != InformePage::Summary &&
        options.page != InformePage::Design) {
        throw UsageError{"--limite sólo vale con --page detalle"};
    }
    if (isDrawingMode(options.mode) && !options.summary && options.studyPaths.size() > 1) {
        throw UsageError{"sobra el argumento '" + options.studyPaths[1] + "'"};
    }
    if (options.mode == InformeMode::Text && options.equivalenceLimitPct && !options.summary &&
        !options.design) {
        options.detail = true;
    }
}

} // namespace

bool isDrawingMode(InformeMode mode) {
    return mode == InformeMode::Pdf || mode == InformeMode::Svg;
}

InformeOptions parseInformeArguments(const std::vector<std::string>& args,
                                     std::string_view decimalSeparator) {
    InformeOptions options;
    Seen seen;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            options.help = true;
            return options;
        }
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || !isOption(arg)) {
            options.studyPaths.push_back(arg);
            continue;
        }
        const OptionRule& rule = ruleFor(arg);
        if (std::find(seen.begin(), seen.end(), rule.name) != seen.end()) {
            throw UsageError{"opción repetida: " + arg};
        }
        seen.push_back(rule.name);
        if (rule.takesValue && i + 1 >= args.size()) {
            throw UsageError{"falta el valor de " + arg};
        }
        rule.apply(options, rule.takesValue ? args[++i] : std::string(), decimalSeparator);
    }
    checkCombination(options, seen);
    return options;
}

} // namespace robustez
