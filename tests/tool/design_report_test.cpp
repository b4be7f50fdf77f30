#include "tool/design_report.h"

#include "core/report/json.h"
#include "tool/informe_options.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace robustez {
namespace {

using Args = std::vector<std::string>;
using design::Estimate;

const std::string kExamples = ROBUSTEZ_EXAMPLES_DIR;

std::string usageMessage(const Args& args) {
    try {
        parseInformeArguments(args, ",");
    } catch (const UsageError& error) {
        return error.message;
    }
    return "(accepted)";
}

TEST(DesignOptions, EstimatesAndTheirRules) {
    const InformeOptions text =
        parseInformeArguments({"--diseno", "--limite", "2,5", "a.w1d"}, ",");
    EXPECT_TRUE(text.design);
    EXPECT_FALSE(text.detail); // a limit does not ask for the study report's detail here
    EXPECT_EQ(text.equivalenceLimitPct, 2.5);
    EXPECT_FALSE(text.estimate);
    const std::vector<std::pair<std::string, Estimate>> estimates = {
        {"ficticios", Estimate::Dummy},
        {"nominales", Estimate::Nominal},
        {"dong", Estimate::Dong},
        {"lenth", Estimate::Lenth}};
    for (const auto& [word, estimate] : estimates) {
        const InformeOptions o =
            parseInformeArguments({"--json", "--estimacion", word, "--diseno", "a", "b"}, ".");
        EXPECT_EQ(o.mode, InformeMode::Json);
        EXPECT_EQ(o.estimate, estimate) << word;
        EXPECT_EQ(o.studyPaths.size(), 2u);
    }
    const std::vector<std::pair<Args, std::string>> refused = {
        {{"--diseno", "--estimacion", "ficticio", "a"},
         "estimación desconocida: 'ficticio' (ficticios, nominales, dong o lenth)"},
        {{"--diseno", "--estimacion", "Dong", "a"},
         "estimación desconocida: 'Dong' (ficticios, nominales, dong o lenth)"},
        {{"--estimacion", "dong", "a.w1o"}, "--estimacion sólo vale con --diseno"},
        {{"--diseno", "--pdf", "o.pdf", "--page", "detalle", "a"},
         "--diseno sólo vale con --page diseno"},
        {{"--diseno", "--svg", "o.svg", "a", "b"}, "sobra el argumento 'b'"},
        {{"--diseno", "--resumen", "a"}, "--diseno no vale con --resumen ni con --detalle"},
        {{"--diseno", "--detalle", "a"}, "--diseno no vale con --resumen ni con --detalle"},
        {{"--diseno", "--diseno", "a"}, "opción repetida: --diseno"},
        {{"--diseno", "--estimacion"}, "falta el valor de --estimacion"},
        {{"--diseno"}, "falta el archivo del estudio"},
    };
    for (const auto& [args, message] : refused) {
        EXPECT_EQ(usageMessage(args), message);
    }
}

// Reference values of the example's "Contenido" from R:
//   E <- 2 * coef(lm(y ~ X))[-1] on the coded design runs; se from the three
//   dummies' effects, t = E / se, p = 2 * pt(-|t|, 3), E_crit = qt(0.975, 3) * se.
TEST(DesignReport, TheExampleScreenAsTextAndJson) {
    const DesignOutcome outcome =
        examineDesignFile(kExamples + "/diseno_pb8.w1d", ".", std::nullopt, std::nullopt);
    ASSERT_FALSE(outcome.error) << *outcome.error;
    ASSERT_EQ(outcome.analyses.size(), 2u);
    const design::ResponseAnalysis& a = outcome.analyses[0];
    EXPECT_NEAR(a.effects[0], 0.9075, 1e-12);
    EXPECT_NEAR(a.effects[4], -0.1075, 1e-12);
    ASSERT_TRUE(a.dummy);
    EXPECT_NEAR(*a.dummy->t[0], 14.1333253088, 1e-9);
    EXPECT_NEAR(*a.dummy->p[1], 0.1216904782518, 1e-12);
    EXPECT_NEAR(*a.e_crit, 0.2043446931, 1e-9);

    const std::string text = designReportText(outcome, ",");
    for (const std::string line :
         {"Diseño: Plackett-Burman PB8, 8 ensayos de diseño, 7 columnas, 3 ensayos nominales, "
          "orden aleatorio (semilla 20261208)\n",
          "4\tLote de columna\t\tlote A\t\tlote B\tcualitativo\n",
          "2\tdiseño\t5\t-1\t+1\t-1\t-1\t+1\t+1\t+1\t98,99\t2,53\n",
          // E, 100 E / mean of the nominal runs, t, p as the detail writes it.
          "Temperatura de la columna\t0,9075\t0,910931\t14,1333\t0,0008\t0,204345\tSIGNIFICATIVO\n",
          "Ficticio 2\t-0,0075\t-0,00752836\t-0,116804\t0,9144\t0,204345\t(ficticio)\n",
          "CONCLUSIÓN (Contenido): el método NO ES TOLERANTE a: Temperatura de la columna.\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }

    // The keys in their order, at the top and in a response's analysis.
    const std::string json = designOutcomeJsonText(outcome);
    std::size_t at = 0;
    for (const std::string key :
         {"{\"file\":",
          "\"design\":{\"kind\":\"plackett-burman\",\"runs\":8,\"columns\":[",
          "\"factors\":[{\"name\":\"Temperatura de la columna\",\"unit\":\"°C\",\"low\":\"25\","
          "\"nominal\":\"30\",\"high\":\"35\",\"qualitative\":false,\"dummy\":false}",
          "\"alpha\":0.05",
          "\"equivalence_limit_pct\":null",
          "\"responses\":{\"Contenido\":{",
          "\"N\":8",
          "\"n_nominal\":3",
          "\"mean_design\":",
          "\"mean_nominal\":",
          "\"percent_base\":{\"source\":\"nominal\",",
          "\"effects\":{",
          "\"percent\":{",
          "\"dummy\":{\"n\":3,\"df\":3,",
          "\"nominal\":{",
          "\"dong\":{",
          "\"lenth\":{",
          "\"half_normal\":[",
          "\"estimate\":\"dummy\",\"verdicts\":{",
          "\"conclusion\":\"NO TOLERANTE\"",
          "\"equivalence\":null",
          "\"intervals\":{",
          "\"Resolución\":{",
          "\"error\":null}"}) {
        const std::size_t found = json.find(key, at);
        ASSERT_NE(found, std::string::npos) << key;
        at = found + key.size();
    }
}

// Dong's figures from R: s0 <- 1.5 * median(abs(E)); the effects with
// |E| <= 2.5 s0 kept (m = 6); s1 <- sqrt(mean(E[keep]^2)); E_crit =
// qt(0.975, 6) * s1 = 0.18711944126.
TEST(DesignReport, DongsEstimateAndTheEquivalenceInTheText) {
    const DesignOutcome outcome =
        examineDesignFile(kExamples + "/diseno_pb8.w1d", ".", 1.0, Estimate::Dong);
    ASSERT_FALSE(outcome.error) << *outcome.error;
    EXPECT_NEAR(*outcome.analyses[0].e_crit, 0.18711944126, 1e-10);
    const std::string text = designReportText(outcome, ".");
    for (const std::string line :
         {"Estimación usada: algoritmo de Dong, E_crit = 0.187119\n",
          // Dong's estimate gives no t or p of its own.
          "Temperatura de la columna\t0.9075\t0.910931\t—\t—\t0.187119\tSIGNIFICATIVO\n",
          "Dong: s0 = 0.08625, límite = 0.215625, m = 6, s1 = 0.0764717, t crítica = 2.44691, "
          "E_crit = 0.187119\n",
          "Equivalencia (Temperatura de la columna): ", "Equivalencia (Lote de columna): "}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
}

TEST(DesignReport, RunTablesAndFailures) {
    const DesignOutcome table =
        examineDesignFile(kExamples + "/diseno_tabla.tsv", ".", 1.0, Estimate::Lenth);
    ASSERT_FALSE(table.error) << *table.error;
    EXPECT_EQ(table.analyses[0].estimate, Estimate::Lenth);
    // The table holds the design file's runs: the same effects.
    const DesignOutcome file =
        examineDesignFile(kExamples + "/diseno_pb8.w1d", ".", std::nullopt, std::nullopt);
    for (std::size_t c = 0; c < 7; ++c) {
        EXPECT_EQ(table.analyses[1].effects[c], file.analyses[1].effects[c]);
    }
    const std::string json = designOutcomeJsonText(table);
    EXPECT_NE(json.find("\"design\":{\"kind\":\"table\",\"runs\":8"), std::string::npos);
    EXPECT_NE(json.find("\"equivalence_limit_pct\":1,"), std::string::npos);
    EXPECT_NE(json.find("\"estimate\":\"lenth\""), std::string::npos);
    EXPECT_NE(designReportText(table, ".")
                  .find("lote B\tcualitativo; nivel bajo: el ajuste del primer ensayo de diseño"),
              std::string::npos);

    // A run table in the other notation, a study file, a missing file.
    const std::vector<std::pair<std::string, std::string>> failures = {
        {kExamples + "/diseno_tabla.tsv",
         "Fila 2, columna 9 («Contenido»): «99.65» no es un número."},
        {kExamples + "/ejemplo.w1o", "Fila 1: falta la columna «Tipo»."},
        {kExamples + "/no_existe.w1d", "File not found"},
    };
    for (const auto& [path, message] : failures) {
        const DesignOutcome failed = examineDesignFile(path, ",", std::nullopt, std::nullopt);
        ASSERT_TRUE(failed.error) << path;
        EXPECT_EQ(failed.error->substr(0, message.size()), message);
        EXPECT_EQ(designOutcomeJsonText(failed),
                  "{\"file\":" + json::toJson(path) +
                      ",\"design\":null,\"factors\":null,\"alpha\":null,"
                      "\"equivalence_limit_pct\":null,\"responses\":null,\"error\":" +
                      json::toJson(*failed.error) + "}");
        EXPECT_EQ(designReportText(failed, ","), "");
    }
}

// The lines of many files composed on several threads come in the files'
// order, each the object of its file alone, whatever the number of threads
// and of files (none, fewer than a batch, not a whole number of batches);
// one failure among them is told.
TEST(DesignReport, JsonLinesInTheFilesOrder) {
    const std::vector<std::string> kinds = {kExamples + "/diseno_pb8.w1d",
                                            kExamples + "/diseno_tabla.tsv",
                                            kExamples + "/no_existe.w1d"};
    for (const std::size_t count : {0, 1, 2, 3, 5, 33, 200}) {
        std::vector<std::string> paths;
        std::string expected;
        for (std::size_t i = 0; i < count; ++i) {
            // Mostly the design file, a run table and a missing file here and there.
            paths.push_back(kinds[i % 7 == 1 ? 1 : i % 11 == 2 ? 2 : 0]);
            expected +=
                designOutcomeJsonText(examineDesignFile(paths.back(), ".", 1.0, Estimate::Nominal));
            expected += '\n';
        }
        for (const unsigned threads : {0U, 1U, 2U, 3U, 8U}) {
            std::string written;
            std::size_t calls = 0;
            const bool analysed = writeDesignJsonLines(
                paths, ".", 1.0, Estimate::Nominal,
                [&](std::string_view lines) {
                    // Whole lines only.
                    EXPECT_EQ(lines.back(), '\n');
                    written += lines;
                    ++calls;
                },
                threads);
            EXPECT_EQ(written, expected) << count << " files, " << threads << " threads";
            EXPECT_EQ(calls > 0, count > 0);
            EXPECT_LE(calls, count);
            EXPECT_EQ(analysed, count < 3) << count << " files, " << threads << " threads";
        }
    }
}

#ifndef _WIN32
// The exit status of the tool run as a user runs it.
TEST(DesignTool, ExitStatus) {
    const std::string tool = ROBUSTEZ_INFORME;
    const std::vector<std::pair<std::string, int>> runs = {
        {"--diseno " + kExamples + "/diseno_pb8.w1d " + kExamples + "/diseno_tabla.tsv", 0},
        {"--diseno --json " + kExamples + "/diseno_pb8.w1d " + kExamples + "/no_existe.w1d", 1},
        {"--diseno " + kExamples + "/ejemplo.w1o", 1},
        {"--diseno --estimacion todas " + kExamples + "/diseno_pb8.w1d", 2},
    };
    for (const auto& [args, status] : runs) {
        const int result =
            std::system(("LC_ALL=C " + tool + " " + args + " >/dev/null 2>&1").c_str());
        ASSERT_TRUE(WIFEXITED(result)) << args;
        EXPECT_EQ(WEXITSTATUS(result), status) << args;
    }
}
#endif

} // namespace
} // namespace robustez
