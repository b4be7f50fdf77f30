#include "tool/informe_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace robustez {
namespace {

using Args = std::vector<std::string>;

InformeOptions parse(const Args& args, std::string_view separator = ".") {
    return parseInformeArguments(args, separator);
}

std::string usageMessage(const Args& args, std::string_view separator = ".") {
    try {
        parse(args, separator);
    } catch (const UsageError& error) {
        return error.message;
    }
    return "(accepted)";
}

TEST(InformeOptions, ModesStudiesAndTheirSettings) {
    const InformeOptions text = parse({"a.w1o", "--detalle", "b.w1o", "--", "--c.w1o", "-"});
    EXPECT_EQ(text.mode, InformeMode::Text);
    EXPECT_EQ(text.studyPaths, (Args{"a.w1o", "b.w1o", "--c.w1o", "-"}));
    EXPECT_TRUE(text.detail);
    EXPECT_FALSE(text.equivalenceLimitPct);

    // A limit implies the detail in the text mode; "," is the locale's here.
    const InformeOptions limited = parse({"--limite", "2,5", "a.w1o"}, ",");
    EXPECT_TRUE(limited.detail);
    EXPECT_EQ(limited.equivalenceLimitPct, 2.5);
    EXPECT_EQ(parse({"--limite", "0.5", "a.w1o"}, ",").equivalenceLimitPct, 0.5);

    const InformeOptions json = parse({"--json", "a", "b", "c", "--limite", "10"});
    EXPECT_EQ(json.mode, InformeMode::Json);
    EXPECT_EQ(json.studyPaths.size(), 3u);
    EXPECT_FALSE(json.detail);
    EXPECT_EQ(json.equivalenceLimitPct, 10.0);

    const InformeOptions pdf = parse({"--page", "detalle", "--pdf", "o.pdf", "--layout", "deskjet",
                                      "--paper", "letter", "--limite", "3", "s.w1o"});
    EXPECT_EQ(pdf.mode, InformeMode::Pdf);
    EXPECT_EQ(pdf.outputPath, "o.pdf");
    EXPECT_EQ(pdf.page, InformePage::Detail);
    EXPECT_EQ(pdf.layout, PrintLayout::DeskJet);
    EXPECT_EQ(pdf.paper, InformePaper::Letter);
    EXPECT_FALSE(pdf.detail);

    const InformeOptions defaults = parse({"--pdf", "o.pdf", "s.w1o"});
    EXPECT_EQ(defaults.page, InformePage::Results);
    EXPECT_EQ(defaults.layout, PrintLayout::Laser);
    EXPECT_EQ(defaults.paper, InformePaper::A4);

    const InformeOptions svg = parse({"--svg", "f.svg", "--limite", "1e1", "s.w1o"});
    EXPECT_EQ(svg.mode, InformeMode::Svg);
    EXPECT_EQ(svg.equivalenceLimitPct, 10.0);
    EXPECT_TRUE(isDrawingMode(svg.mode));
    EXPECT_FALSE(isDrawingMode(InformeMode::Json));

    // --help stops the reading: what follows is not looked at.
    EXPECT_TRUE(parse({"--help", "--bogus"}).help);
    EXPECT_TRUE(parse({"a", "-h"}).help);
}

TEST(InformeOptions, WrongUsageIsRefusedWithItsReason) {
    const struct {
        Args args;
        std::string message;
    } cases[] = {
        {{}, "falta el archivo del estudio"},
        {{"--json"}, "falta el archivo del estudio"},
        {{"--bogus", "a"}, "opción desconocida: --bogus"},
        {{"a", "--limite"}, "falta el valor de --limite"},
        {{"--detalle", "--detalle", "a"}, "opción repetida: --detalle"},
        {{"--pdf", "", "a"}, "falta el nombre del archivo PDF"},
        {{"--svg", "", "a"}, "falta el nombre del archivo SVG"},
        {{"--pdf", "o", "--page", "both", "a"}, "página desconocida: 'both'"},
        {{"--pdf", "o", "--layout", "inkjet", "a"}, "formato desconocido: 'inkjet'"},
        {{"--pdf", "o", "--paper", "a3", "a"}, "papel desconocido: 'a3'"},
        {{"--pdf", "o", "a", "b"}, "sobra el argumento 'b'"},
        {{"--svg", "o", "a", "b"}, "sobra el argumento 'b'"},
        {{"--json", "--pdf", "o", "a"}, "--json, --pdf y --svg no se combinan"},
        {{"--svg", "o", "--pdf", "p", "a"}, "--json, --pdf y --svg no se combinan"},
        {{"--page", "general", "a"}, "--layout, --page y --paper sólo valen con --pdf"},
        {{"--svg", "o", "--paper", "a4", "a"}, "--layout, --page y --paper sólo valen con --pdf"},
        {{"--json", "--detalle", "a"}, "--detalle sólo vale con el informe de texto"},
        {{"--pdf", "o", "--page", "detalle", "--detalle", "a"},
         "--detalle sólo vale con el informe de texto"},
        {{"--pdf", "o", "--limite", "5", "a"}, "--limite sólo vale con --page detalle"},
        {{"--pdf", "o", "--page", "general", "--limite", "5", "a"},
         "--limite sólo vale con --page detalle"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(usageMessage(c.args), c.message) << ::testing::PrintToString(c.args);
    }

    // A limit is a finite decimal greater than 0, with "." or the locale's
    // separator and nothing else.
    for (const std::string bad : {"0", "-1", "0,0", "abc", "", "1e999", "1.5%", "2;5", "1,5"}) {
        EXPECT_EQ(usageMessage({"--limite", bad, "a"}),
                  "límite de equivalencia no válido: '" + bad + "' (un porcentaje mayor que 0)")
            << bad;
    }
}

TEST(InformeOptions, SummaryOfSeveralStudies) {
    const InformeOptions text = parse({"--resumen", "--limite", "2", "a", "b"});
    EXPECT_TRUE(text.summary);
    EXPECT_EQ(text.mode, InformeMode::Text);
    EXPECT_FALSE(text.detail); // the limit goes into the summary, not a detail
    EXPECT_EQ(text.studyPaths, (Args{"a", "b"}));
    EXPECT_EQ(text.equivalenceLimitPct, 2.0);

    const InformeOptions json = parse({"--json", "a", "--resumen", "b"});
    EXPECT_TRUE(json.summary);
    EXPECT_EQ(json.mode, InformeMode::Json);

    // The drawing modes take several studies for the summary only.
    for (const Args& args :
         {Args{"--pdf", "o", "--page", "resumen", "--paper", "letter", "--limite", "3", "a", "b",
               "c"},
          Args{"--resumen", "--pdf", "o", "--paper", "letter", "--limite", "3", "a", "b", "c"}}) {
        const InformeOptions pdf = parse(args);
        EXPECT_TRUE(pdf.summary);
        EXPECT_EQ(pdf.mode, InformeMode::Pdf);
        EXPECT_EQ(pdf.page, InformePage::Summary);
        EXPECT_EQ(pdf.paper, InformePaper::Letter);
        EXPECT_EQ(pdf.studyPaths.size(), 3u);
        EXPECT_EQ(pdf.equivalenceLimitPct, 3.0);
    }
    const InformeOptions svg = parse({"--svg", "f.svg", "--resumen", "a", "b"});
    EXPECT_TRUE(svg.summary);
    EXPECT_EQ(svg.mode, InformeMode::Svg);
    EXPECT_EQ(svg.studyPaths.size(), 2u);

    const struct {
        Args args;
        std::string message;
    } wrong[] = {
        {{"--resumen"}, "falta el archivo del estudio"},
        {{"--resumen", "--detalle", "a"}, "--detalle no vale con --resumen"},
        {{"--pdf", "o", "--page", "resumen", "--layout", "laser", "a"},
         "--layout no vale con --page resumen"},
        {{"--pdf", "o", "--page", "general", "--resumen", "a"},
         "--resumen sólo vale con --page resumen"},
        {{"--page", "resumen", "a"}, "--layout, --page y --paper sólo valen con --pdf"},
        {{"--svg", "o", "a", "b"}, "sobra el argumento 'b'"},
    };
    for (const auto& c : wrong) {
        EXPECT_EQ(usageMessage(c.args), c.message) << ::testing::PrintToString(c.args);
    }
}

} // namespace
} // namespace robustez
