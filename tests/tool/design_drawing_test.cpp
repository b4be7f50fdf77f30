// The design screen's drawings through robustez-informe: the options that
// ask for them, the PDF pages read back with pdftotext -bbox, the SVG
// figures, and the exit status of each run.

#include "tool/informe_options.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace robustez {
namespace {

using Args = std::vector<std::string>;

const std::string kExamples = ROBUSTEZ_EXAMPLES_DIR;

std::string usageMessage(const Args& args) {
    try {
        parseInformeArguments(args, ",");
    } catch (const UsageError& error) {
        return error.message;
    }
    return "(accepted)";
}

TEST(DesignDrawingOptions, PagesAndFiguresAndTheirRules) {
    const InformeOptions pdf =
        parseInformeArguments({"--pdf", "o.pdf", "--page", "diseno", "--paper", "letter",
                               "--limite", "2,5", "--estimacion", "lenth", "a.w1d"},
                              ",");
    EXPECT_TRUE(pdf.design);
    EXPECT_EQ(pdf.page, InformePage::Design);
    EXPECT_EQ(pdf.paper, InformePaper::Letter);
    EXPECT_EQ(pdf.equivalenceLimitPct, 2.5);
    EXPECT_EQ(pdf.estimate, design::Estimate::Lenth);
    EXPECT_EQ(parseInformeArguments({"--diseno", "--pdf", "o.pdf", "a"}, ",").page,
              InformePage::Design);
    const InformeOptions svg = parseInformeArguments({"--svg", "o.svg", "--diseno", "a"}, ",");
    EXPECT_TRUE(svg.design);
    EXPECT_EQ(svg.mode, InformeMode::Svg);

    const std::vector<std::pair<Args, std::string>> refused = {
        {{"--pdf", "o.pdf", "--page", "diseno", "--layout", "laser", "a"},
         "--layout no vale con --diseno"},
        {{"--pdf", "o.pdf", "--page", "diseno", "--resumen", "a"},
         "--diseno no vale con --resumen ni con --detalle"},
        {{"--pdf", "o.pdf", "--page", "diseno", "a", "b"}, "sobra el argumento 'b'"},
        {{"--pdf", "o.pdf", "--page", "detalle", "--estimacion", "dong", "a"},
         "--estimacion sólo vale con --diseno"},
        {{"--svg", "o.svg", "--diseno", "--page", "diseno", "a"},
         "--layout, --page y --paper sólo valen con --pdf"},
    };
    for (const auto& [args, message] : refused) {
        EXPECT_EQ(usageMessage(args), message) << args.front();
    }
}

int runTool(const std::string& args) {
    const int result = std::system(
        ("LC_ALL=C " + std::string(ROBUSTEZ_INFORME) + " " + args + " >/dev/null 2>&1").c_str());
    return WIFEXITED(result) ? WEXITSTATUS(result) : -1;
}

std::string readAll(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            out.append(buffer, n);
        }
        pclose(pipe);
    }
    return out;
}

// The words of each page of a PDF, as pdftotext -bbox reads them.
std::vector<std::string> pdfPages(const std::string& path) {
    const std::string html = readAll("pdftotext -bbox '" + path + "' - 2>/dev/null");
    std::vector<std::string> pages;
    for (size_t at = html.find("<page "); at != std::string::npos;
         at = html.find("<page ", at + 1)) {
        const size_t end = html.find("</page>", at);
        std::string words;
        for (size_t w = html.find("<word ", at); w != std::string::npos && w < end;
             w = html.find("<word ", w + 1)) {
            const size_t open = html.find('>', w) + 1;
            words += html.substr(open, html.find("</word>", open) - open) + " ";
        }
        pages.push_back(words);
    }
    return pages;
}

TEST(DesignDrawing, PdfPagesAndSvgFiguresOfTheExamplesAndTheExitStatus) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("robustez-design-drawing-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string pb8 = kExamples + "/diseno_pb8.w1d";
    const std::string table = kExamples + "/diseno_tabla.tsv";
    struct Run {
        std::string args;
        int status;
        std::string output; // written when the status is 0, absent otherwise
    };
    const std::vector<Run> runs = {
        {"--pdf " + (dir / "a.pdf").string() + " --page diseno " + pb8, 0, "a.pdf"},
        {"--pdf " + (dir / "b.pdf").string() + " --page diseno --paper letter --limite 1 " +
             "--estimacion lenth " + table,
         0, "b.pdf"},
        {"--svg " + (dir / "c.svg").string() + " --diseno --limite 1 " + pb8, 0, "c.svg"},
        {"--pdf " + (dir / "d.pdf").string() + " --page diseno " + kExamples + "/ejemplo.w1o", 1,
         "d.pdf"},
        {"--svg " + (dir / "e.svg").string() + " --diseno " + (dir / "no_existe.w1d").string(), 1,
         "e.svg"},
        {"--pdf " + (dir / "f.pdf").string() + " --page diseno --layout laser " + pb8, 2, "f.pdf"},
        {"--svg " + (dir / "g.svg").string() + " --diseno " + pb8 + " " + table, 2, "g.svg"},
    };
    for (const Run& run : runs) {
        EXPECT_EQ(runTool(run.args), run.status) << run.args;
        EXPECT_EQ(std::filesystem::exists(dir / run.output), run.status == 0) << run.args;
    }

    // The example screen has two responses: a page each, with the effects
    // table's rows and the verdicts.
    const std::vector<std::string> pages = pdfPages((dir / "a.pdf").string());
    ASSERT_EQ(pages.size(), 2u);
    for (size_t i = 0; i < pages.size(); ++i) {
        for (const char* word : {"CRIBADO", "Factores", "Efectos", "Veredicto", "Ficticio",
                                 "Estimación", "CONCLUSIÓN", "seminormal", "Página"}) {
            EXPECT_NE(pages[i].find(word), std::string::npos) << word << " on page " << i + 1;
        }
    }
    EXPECT_NE(pages[0].find("Contenido"), std::string::npos);
    EXPECT_NE(pages[1].find("Resolución"), std::string::npos);
    EXPECT_NE(pdfPages((dir / "b.pdf").string()).front().find("Equivalencia"), std::string::npos);

    std::ifstream svgFile(dir / "c.svg");
    std::stringstream svg;
    svg << svgFile.rdbuf();
    for (const char* text : {"<svg", "Contenido", "Resolución", "seminormal", "E_crit"}) {
        EXPECT_NE(svg.str().find(text), std::string::npos) << text;
    }
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace robustez
