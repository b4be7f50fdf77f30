// Runs robustez-informe as a user does: its output, its messages, its exit
// codes, and a PDF it writes, read back with pdftotext -bbox.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

struct ToolRun {
    int exitCode = -1;
    bool crashed = false;
    std::string out;
    std::string err;
};

ToolRun runTool(const QStringList& args, const QString& locale = QStringLiteral("C")) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), locale);
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(ROBUSTEZ_INFORME), args);
    ToolRun run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "robustez-informe did not finish";
    }
    run.crashed = process.exitStatus() == QProcess::CrashExit;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string spaces(int n) {
    return std::string(n, ' ');
}

std::string padded(const std::string& text, int width) {
    return text + spaces(width - static_cast<int>(text.size()));
}

// A study file in Windows-1252 with CR LF line ends.
QByteArray studyFile(const std::vector<std::string>& lines) {
    QByteArray bytes;
    for (const std::string& line : lines) {
        bytes += QByteArray::fromStdString(line);
        bytes += "\r\n";
    }
    return bytes;
}

// The worked example: n = 3, Normal 100 101 102, Baja 99 100 101, Alta 103
// 104 105, settings 25, 20, 30. "\xF3" and "\xE9" are ó and é in
// Windows-1252.
QByteArray workedExampleFile(const std::string& alta1 = "103") {
    return studyFile({"Valoraci\xF3n", "Ana P\xE9rez", "12/03/1999", "3", "Temperatura", "25",
                      "100", "101", "102", "20", "99", "100", "101", "30", alta1, "104", "105"});
}

class InformeTool : public ::testing::Test {
protected:
    QTemporaryDir dir;

    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
};

const std::vector<std::string> kWorkedReport = {
    "ROBUSTEZ (TOLERANCIA A CONDICIONES DE OPERACIÓN)",
    " ",
    "Nombre del método Valoración",
    "Nombre del Analista Ana Pérez",
    "Fecha: 12/03/1999",
    "Número de Muestras (Replicaciones): 3",
    "Condiciones de Operación: Temperatura",
    " ",
    "MUESTRA       NORMAL               BAJA                ALTA",
    "Muestra" + spaces(14) + "25" + spaces(25) + "20" + spaces(19) + "30",
    "1" + spaces(23) + "100" + spaces(20) + "99" + spaces(18) + "103",
    "2" + spaces(23) + "101" + spaces(20) + "100" + spaces(18) + "104",
    "3" + spaces(23) + "102" + spaces(20) + "101" + spaces(18) + "105",
    " ",
    "MUESTRA   MEDIA ARITMÉTICA     DESVIACIÓN ESTANDAR      COEFICIENTE DE VARIACIÓN",
    padded("Normal", 19) + "101" + spaces(22) + "1" + spaces(36) + "0.990099",
    padded("Baja", 21) + "100" + spaces(22) + "1" + spaces(38) + "1",
    padded("Alta", 23) + "104" + spaces(22) + "1" + spaces(38) + "0.961538",
    padded("Total", 22) + "101.667" + spaces(22) + "2" + spaces(38) + "1.96721",
    " ",
    " ",
    "CONDICIONES DE OPERACIÓN      t DE DUNNETT CALCULADA      INTERPRETACIÓN",
    padded("Normal", 16) + "25",
    "Baja" + spaces(15) + "20" + spaces(26) + "-1.22474" + spaces(37) + "TOLERANTE",
    "Alta" + spaces(15) + "30" + spaces(26) + "3.67423" + spaces(37) + "NO TOLERANTE",
    " ",
    " ",
    "Diferencia Absoluta D1 = 1",
    "Diferencia Absoluta D2 = 3",
};

TEST_F(InformeTool, WorkedExampleReportLineByLine) {
    const ToolRun run = runTool({write("ejemplo.w1o", workedExampleFile())});
    EXPECT_FALSE(run.crashed);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    const std::vector<std::string> lines = splitLines(run.out);
    ASSERT_EQ(lines.size(), 29u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i], kWorkedReport[i]) << "line " << i + 1;
    }
    // UTF-8, one LF per line, no CR.
    EXPECT_EQ(run.out.back(), '\n');
    EXPECT_EQ(run.out.find('\r'), std::string::npos);
}

TEST_F(InformeTool, BundledExampleGivesTwentyNineLines) {
    if (!QFile::exists(QStringLiteral(ROBUSTEZ_EXAMPLE))) {
        GTEST_SKIP() << "examples/ejemplo.w1o not present";
    }
    const ToolRun run = runTool({QStringLiteral(ROBUSTEZ_EXAMPLE)});
    EXPECT_EQ(run.exitCode, 0);
    const std::vector<std::string> lines = splitLines(run.out);
    ASSERT_EQ(lines.size(), 29u);
    for (std::size_t i : {14u, 15u, 16u, 17u, 18u, 27u, 28u}) {
        EXPECT_EQ(lines[i], kWorkedReport[i]) << "line " << i + 1;
    }
}

TEST_F(InformeTool, DecimalSeparatorOfTheSystemLocale) {
    QByteArray bytes = studyFile(
        {"M", "A", "F", "2", "C", "s1", "1,5", "2,5", "s2", "1,5", "3,5", "s3", "2,5", "3,5"});
    const QString path = write("coma.w1o", bytes);
    const ToolRun comma = runTool({path}, QStringLiteral("es_ES.UTF-8"));
    EXPECT_EQ(comma.exitCode, 0) << comma.err;
    const std::vector<std::string> lines = splitLines(comma.out);
    ASSERT_EQ(lines.size(), 28u);
    EXPECT_EQ(lines[14],
              padded("Normal", 19) + "2" + spaces(22) + "0,707107" + spaces(36) + "35,3553");

    // The same file under a full-stop locale: "1,5" is not a number.
    const ToolRun point = runTool({path}, QStringLiteral("C"));
    EXPECT_EQ(point.exitCode, 1);
    EXPECT_EQ(point.err, "'1,5' is not a valid floating point value (los valores del archivo "
                         "están escritos con coma decimal)\n");
    EXPECT_EQ(splitLines(point.out).size(), 12u);
}

TEST_F(InformeTool, FailureNamesTheSeparatorTheFileWasWrittenWith) {
    // Each failure message says which decimal separator the file's values
    // are written with when that one, not the locale's, reads all of them.
    const std::string commaNote = " (los valores del archivo están escritos con coma decimal)";
    const std::string pointNote = " (los valores del archivo están escritos con punto decimal)";
    const QString commas = write("coma.w1o", studyFile({"M", "A", "F", "2", "C", "s1", "1,5", "2,5",
                                                        "s2", "1,5", "3,5", "s3", "2,5", "3,5"}));
    const QString points =
        write("punto.w1o", studyFile({"M", "A", "F", "2", "C", "1.0", "1.5", "2", "0.9", "1.5",
                                      "3.5", "1.1", "2.5", "3.5"}));
    const QString mixed =
        write("mezcla.w1o",
              studyFile({"M", "A", "F", "2", "C", "", "1,5", "abc", "", "1", "3", "", "2", "3"}));
    struct Case {
        QString path;
        QString locale;
        std::string message; // the failure, then the note
    };
    const Case cases[] = {
        {commas, "C", "'1,5' is not a valid floating point value" + commaNote},
        {points, "es_ES.UTF-8", "'1.5' is not a valid floating point value" + pointNote},
        {mixed, "C", "'1,5' is not a valid floating point value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString() + " " + c.locale.toStdString());
        // The text report: the message on standard error.
        const ToolRun text = runTool({c.path}, c.locale);
        EXPECT_EQ(text.exitCode, 1);
        EXPECT_EQ(text.err, c.message + "\n");
        // JSON: the message in "error".
        const ToolRun json = runTool({"--json", c.path}, c.locale);
        EXPECT_EQ(json.exitCode, 1);
        const QJsonObject object =
            QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).object();
        EXPECT_EQ(object["error"].toString().toStdString(), c.message);
        // The summary: its row and its JSON.
        const ToolRun summary = runTool({"--resumen", "--json", c.path}, c.locale);
        const QJsonObject whole =
            QJsonDocument::fromJson(QByteArray::fromStdString(summary.out)).object();
        EXPECT_EQ(whole["studies"].toArray().at(0).toObject()["error"].toString().toStdString(),
                  c.message);
        const ToolRun table = runTool({"--resumen", c.path}, c.locale);
        EXPECT_NE(table.out.find("\t" + c.message + "\t"), std::string::npos) << table.out;
    }
    // The drawing program says the same.
    const ToolRun pdf = runTool({"--pdf", dir.filePath("p.pdf"), commas}, QStringLiteral("C"));
    EXPECT_EQ(pdf.err, "'1,5' is not a valid floating point value" + commaNote + "\n");
}

TEST_F(InformeTool, FailingComputationKeepsTheLinesWrittenSoFar) {
    const ToolRun run = runTool({write("abc.w1o", workedExampleFile("abc"))});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "'abc' is not a valid floating point value\n");
    const std::vector<std::string> lines = splitLines(run.out);
    ASSERT_EQ(lines.size(), 13u); // lines 1 to 11 of the report, 3 samples
    for (std::size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(lines[i], kWorkedReport[i]);
    }
    EXPECT_EQ(lines[10],
              std::string("1") + spaces(23) + "100" + spaces(20) + "99" + spaces(18) + "abc");

    // Every level holding one value repeated: no spread at all.
    const ToolRun flat = runTool({write(
        "flat.w1o", studyFile({"", "", "", "2", "", "", "5", "5", "", "5", "5", "", "5", "5"}))});
    EXPECT_EQ(flat.exitCode, 1);
    EXPECT_EQ(flat.err, "Invalid floating point operation\n");
    EXPECT_EQ(splitLines(flat.out).size(), 12u);

    // No PDF is written for a results page that cannot be computed.
    const QString pdf = dir.filePath(QStringLiteral("abc.pdf"));
    const ToolRun pdfRun = runTool({"--pdf", pdf, dir.filePath(QStringLiteral("abc.w1o"))});
    EXPECT_EQ(pdfRun.exitCode, 1);
    EXPECT_EQ(pdfRun.err, "'abc' is not a valid floating point value\n");
    EXPECT_EQ(pdfRun.out, "");
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(InformeTool, RefusedFilesGiveTheirMessageAndNoOutput) {
    struct Case {
        QByteArray bytes;
        std::string message;
    };
    const std::vector<Case> cases = {
        {studyFile({"M", "A", "F", "11"}),
         "Datos fuera de límite, 2-10 valoraciones (Replicaciones).\n"},
        {studyFile({"M", "A", "F", "1"}),
         "Datos fuera de límite, 2-10 valoraciones (Replicaciones).\n"},
        {studyFile({"M", "A", "F", "x"}), "'x' is not a valid integer value\n"},
        {QByteArray(), "'' is not a valid integer value\n"},
        {QByteArray("\x1A\r\n3\r\n", 6), "'' is not a valid integer value\n"},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(index);
        const QString path = write(QStringLiteral("refused%1.w1o").arg(index++), c.bytes);
        for (const QStringList& args :
             {QStringList{path}, QStringList{"--pdf", dir.filePath("r.pdf"), path}}) {
            const ToolRun run = runTool(args);
            EXPECT_FALSE(run.crashed);
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_EQ(run.err, c.message);
            EXPECT_EQ(run.out, "");
        }
        EXPECT_FALSE(QFile::exists(dir.filePath("r.pdf")));
    }

    const ToolRun missing = runTool({dir.filePath(QStringLiteral("no-such.w1o"))});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err, "File not found\n");
    EXPECT_EQ(missing.out, "");

    const ToolRun directory = runTool({dir.path()});
    EXPECT_FALSE(directory.crashed);
    EXPECT_EQ(directory.exitCode, 1);
    EXPECT_NE(directory.err, "");
    EXPECT_EQ(directory.out, "");
}

TEST_F(InformeTool, WrongUsageAndHelp) {
    const QString study = write("ejemplo.w1o", workedExampleFile());
    const std::vector<QStringList> wrong = {
        {},
        {"--pdf", dir.filePath("x.pdf"), study, study},
        {"--svg", dir.filePath("x.pdf"), study, study},
        {"--bogus", study},
        {"--json", "--pdf", dir.filePath("x.pdf"), study},
        {"--json", "--detalle", study},
        {"--limite", "0", study},
        {"--limite", "1,5", study}, // "," is not the C locale's separator
        {"--pdf", dir.filePath("x.pdf"), "--limite", "5", study},
        {"--pdf"},
        {"--pdf", dir.filePath("x.pdf")},
        {"--pdf", dir.filePath("x.pdf"), "--layout", "inkjet", study},
        {"--pdf", dir.filePath("x.pdf"), "--page", "both", study},
        {"--pdf", dir.filePath("x.pdf"), "--paper", "a3", study},
        {"--pdf", dir.filePath("x.pdf"), "--page", "general", "--page", "results", study},
        {"--layout", "laser", study},
    };
    for (const QStringList& args : wrong) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const ToolRun run = runTool(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find("Uso: robustez-informe"), std::string::npos);
        EXPECT_EQ(run.out, "");
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("x.pdf")));

    const ToolRun help = runTool({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.err, "");
    EXPECT_NE(help.out.find("--pdf"), std::string::npos);
    EXPECT_NE(help.out.find("--layout laser|deskjet"), std::string::npos);
    for (const char* option : {"--json", "--detalle", "--limite PCT", "--svg", "detalle"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }
}

// The worked example by hand: means 101, 100, 104, each level's SD 1, so
// the pooled variance is 1 and the standard error sqrt(2/3); d = -1 and 3.
const double kStandardError = std::sqrt(2.0 / 3.0);
// R 4.2.2, mvtnorm 1.1-3, df = 6, correlation 1/2, with
//   F <- function(h, k) pmvt(lower = c(-Inf, -Inf), upper = c(h, k), df = 6,
//          corr = matrix(c(1, .5, .5, 1), 2), algorithm = TVPACK(abseps = 1e-14))[1]
//   p <- function(t) { c <- abs(t); 1 - (F(c, c) - 2 * F(c, -c) + F(-c, -c)) }
//   p(-sqrt(1.5)); p(3 * sqrt(1.5))
//   uniroot(function(x) p(x) - 0.05, c(1, 10), tol = 1e-15)$root
// (TVPACK takes one-sided limits only, hence the differences of F; qmvt
// cannot use it for a two-sided quantile, hence uniroot on p.)
constexpr double kPBaja = 0.41785502174273859;
constexpr double kPAlta = 0.018423785554187444;
constexpr double kCriticalExact = 2.8627501462003697;
constexpr double kCriticalTable = 2.86; // Dunnett (1955), two-sided 5 %, k = 2, df = 6

const QStringList kTopKeys = {"file",
                              "method",
                              "analyst",
                              "date",
                              "replicates",
                              "condition",
                              "levels",
                              "total",
                              "df",
                              "pooled_sd",
                              "critical_t_table",
                              "critical_t_exact",
                              "comparisons",
                              "equivalence_limit_pct",
                              "error"};

// Parses one JSON line and checks that its members come in the fixed order.
QJsonObject parseLine(const std::string& line) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
    const QJsonObject object = document.object();
    EXPECT_EQ(object.keys().size(), kTopKeys.size());
    std::size_t last = 0;
    for (const QString& key : kTopKeys) {
        const std::size_t at = line.find(QStringLiteral("\"%1\":").arg(key).toStdString());
        EXPECT_NE(at, std::string::npos) << key.toStdString();
        EXPECT_GT(at, last) << key.toStdString() << " out of order";
        last = at;
    }
    return object;
}

std::vector<double> numbers(const QJsonValue& array) {
    std::vector<double> out;
    for (const QJsonValue& v : array.toArray()) {
        out.push_back(v.isNull() ? NAN : v.toDouble());
    }
    return out;
}

void expectWorkedExampleJson(const QJsonObject& o, const QString& path) {
    EXPECT_EQ(o["file"].toString(), path);
    EXPECT_EQ(o["method"].toString(), QStringLiteral("Valoración"));
    EXPECT_EQ(o["analyst"].toString(), QStringLiteral("Ana Pérez"));
    EXPECT_EQ(o["date"].toString(), QStringLiteral("12/03/1999"));
    EXPECT_EQ(o["condition"].toString(), QStringLiteral("Temperatura"));
    EXPECT_EQ(o["replicates"].toDouble(), 3);
    const QJsonArray levels = o["levels"].toArray();
    ASSERT_EQ(levels.size(), 3);
    const char* names[] = {"Normal", "Baja", "Alta"};
    const char* settings[] = {"25", "20", "30"};
    const double means[] = {101, 100, 104};
    for (int i = 0; i < 3; ++i) {
        const QJsonObject level = levels[i].toObject();
        EXPECT_EQ(level["name"].toString(), QString::fromLatin1(names[i]));
        EXPECT_EQ(level["setting"].toString(), QString::fromLatin1(settings[i]));
        EXPECT_EQ(numbers(level["values"]),
                  (std::vector<double>{means[i] - 1, means[i], means[i] + 1}));
        EXPECT_EQ(level["mean"].toDouble(), means[i]);
        EXPECT_EQ(level["sd"].toDouble(), 1);
        EXPECT_DOUBLE_EQ(level["cv_pct"].toDouble(), 100 / means[i]);
    }
    // All nine values: mean 305/3, squares about it sum to 32, SD sqrt(32/8).
    const QJsonObject total = o["total"].toObject();
    EXPECT_EQ(total["mean"].toDouble(), 305.0 / 3);
    EXPECT_DOUBLE_EQ(total["sd"].toDouble(), 2);
    EXPECT_DOUBLE_EQ(total["cv_pct"].toDouble(), 2 / (305.0 / 3) * 100);
    EXPECT_EQ(o["df"].toDouble(), 6);
    EXPECT_EQ(o["pooled_sd"].toDouble(), 1);
    EXPECT_EQ(o["critical_t_table"].toDouble(), kCriticalTable);
    EXPECT_NEAR(o["critical_t_exact"].toDouble(), kCriticalExact, 1e-12);

    const QJsonArray comparisons = o["comparisons"].toArray();
    ASSERT_EQ(comparisons.size(), 2);
    const struct {
        const char* level;
        double d, p;
        const char* verdict;
    } expected[] = {{"Baja", -1, kPBaja, "TOLERANTE"}, {"Alta", 3, kPAlta, "NO TOLERANTE"}};
    for (int i = 0; i < 2; ++i) {
        const QJsonObject c = comparisons[i].toObject();
        const auto& e = expected[i];
        EXPECT_EQ(c.keys().size(), 9);
        EXPECT_EQ(c["level"].toString(), QString::fromLatin1(e.level));
        EXPECT_EQ(c["difference"].toDouble(), e.d);
        EXPECT_DOUBLE_EQ(c["relative_difference_pct"].toDouble(), 100 * e.d / 101);
        EXPECT_EQ(c["t"].toDouble(), e.d / kStandardError);
        EXPECT_NEAR(c["p_adjusted"].toDouble(), e.p, 1e-13);
        EXPECT_NEAR(c["ci95_low"].toDouble(), e.d - kCriticalExact * kStandardError, 1e-12);
        EXPECT_NEAR(c["ci95_high"].toDouble(), e.d + kCriticalExact * kStandardError, 1e-12);
        EXPECT_EQ(c["verdict"].toString(), QString::fromLatin1(e.verdict));
    }
}

TEST_F(InformeTool, JsonLinesOfGoodFailingAndMissingFiles) {
    const QString good = write("ejemplo.w1o", workedExampleFile());
    const QString bad = write("mal.w1o", workedExampleFile("1O3"));
    const QString missing = dir.filePath("no-such.w1o");
    const ToolRun run = runTool({"--json", good, bad, missing, good});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "");
    const std::vector<std::string> lines = splitLines(run.out);
    ASSERT_EQ(lines.size(), 4u);

    for (const std::size_t i : {0u, 3u}) {
        SCOPED_TRACE(i);
        const QJsonObject o = parseLine(lines[i]);
        expectWorkedExampleJson(o, good);
        EXPECT_TRUE(o["comparisons"][0]["equivalence"].isNull());
        EXPECT_TRUE(o["equivalence_limit_pct"].isNull());
        EXPECT_TRUE(o["error"].isNull());
    }
    // Integers as integers; doubles in the shortest form that reads back.
    EXPECT_NE(lines[0].find("\"replicates\":3,"), std::string::npos);
    EXPECT_NE(lines[0].find("\"t\":-1.224744871391589,"), std::string::npos);

    // The failing computation: the data stay, the results are null.
    const QJsonObject failed = parseLine(lines[1]);
    EXPECT_EQ(failed["error"].toString(),
              QStringLiteral("'1O3' is not a valid floating point value"));
    EXPECT_EQ(failed["replicates"].toDouble(), 3);
    const QJsonObject alta = failed["levels"][2].toObject();
    EXPECT_TRUE(alta["values"][0].isNull());
    EXPECT_EQ(alta["values"][2].toDouble(), 105);
    for (const char* key : {"mean", "sd", "cv_pct"}) {
        EXPECT_TRUE(failed["levels"][0][key].isNull()) << key;
    }
    for (const char* key :
         {"total", "df", "pooled_sd", "critical_t_table", "critical_t_exact", "comparisons"}) {
        EXPECT_TRUE(failed[key].isNull()) << key;
    }

    const QJsonObject absent = parseLine(lines[2]);
    EXPECT_EQ(absent["file"].toString(), missing);
    EXPECT_EQ(absent["error"].toString(), QStringLiteral("File not found"));
    for (const QString& key : kTopKeys.mid(1, kTopKeys.size() - 2)) {
        EXPECT_TRUE(absent[key].isNull()) << key.toStdString();
    }

    const ToolRun allGood = runTool({"--json", good});
    EXPECT_EQ(allGood.exitCode, 0);
    EXPECT_EQ(allGood.out, lines[0] + "\n");
}

TEST_F(InformeTool, EquivalenceLimit) {
    // The intervals are d -+ c sqrt(2/3): Baja [-3.337, 1.337], Alta [0.663,
    // 5.337]; the bound is limit * 101 / 100: 5.05 holds Baja only, 5.555
    // both.
    const QString good = write("ejemplo.w1o", workedExampleFile());
    const struct {
        QString limit, locale;
        double value;
        const char* alta;
    } cases[] = {{"5", "C", 5, "EQUIVALENCIA NO DEMOSTRADA"},
                 {"5,5", "es_ES.UTF-8", 5.5, "EQUIVALENTE"},
                 {"5.5", "es_ES.UTF-8", 5.5, "EQUIVALENTE"}};
    for (const auto& c : cases) {
        const ToolRun run = runTool({"--json", "--limite", c.limit, good}, c.locale);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const QJsonObject o = parseLine(splitLines(run.out).at(0));
        expectWorkedExampleJson(o, good);
        EXPECT_EQ(o["equivalence_limit_pct"].toDouble(), c.value);
        EXPECT_EQ(o["comparisons"][0]["equivalence"].toString(), QStringLiteral("EQUIVALENTE"));
        EXPECT_EQ(o["comparisons"][1]["equivalence"].toString(), QString::fromLatin1(c.alta));
    }
}

TEST_F(InformeTool, SeveralTextReportsAndTheDetail) {
    const QString good = write("ejemplo.w1o", workedExampleFile());
    const QString bad = write("mal.w1o", workedExampleFile("1O3"));
    const ToolRun one = runTool({good});
    const ToolRun failing = runTool({bad});
    ASSERT_EQ(one.exitCode, 0);
    ASSERT_EQ(failing.exitCode, 1);

    // Each report in turn, one empty line between; a file that gives no
    // lines adds no empty line.
    const ToolRun several = runTool({good, dir.filePath("no-such.w1o"), bad, good});
    EXPECT_EQ(several.exitCode, 1);
    EXPECT_EQ(several.out, one.out + "\n" + failing.out + "\n" + one.out);
    EXPECT_EQ(several.err, "File not found\n'1O3' is not a valid floating point value\n");
    EXPECT_EQ(runTool({good, good}).exitCode, 0);

    // The detail: the evidence tables, tab-separated, after the report.
    // Numbers to 6 digits from the values above: -100/101, d -+ c sqrt(2/3),
    // p from R to 4 decimals.
    const std::string detail =
        "\nDETALLE ESTADÍSTICO\n\n"
        "Nivel\tDiferencia\tDiferencia relativa (%)\tt\tp ajustado\t"
        "IC 95 % simultáneo inferior\tIC 95 % simultáneo superior\tVeredicto\n"
        "Baja\t-1.0\t-0.990099\t-1.22474\t0.4179\t-3.33743\t1.33743\tTOLERANTE\n"
        "Alta\t3.0\t2.9703\t3.67423\t0.0184\t0.662574\t5.33743\tNO TOLERANTE\n"
        "\n"
        "Grados de libertad\t6\n"
        "Desviación estándar combinada\t1\n"
        "t crítica (tabla)\t2.86\n"
        "t crítica exacta\t2.86275\n";
    const ToolRun detailed = runTool({"--detalle", good});
    EXPECT_EQ(detailed.exitCode, 0);
    EXPECT_EQ(detailed.out, one.out + detail);

    // --limite implies the detail and adds the equivalence.
    const ToolRun limited = runTool({good, "--limite", "5"}, QStringLiteral("es_ES.UTF-8"));
    EXPECT_EQ(limited.exitCode, 0) << limited.err;
    const std::vector<std::string> lines = splitLines(limited.out);
    ASSERT_EQ(lines.size(), 29u + 12u);
    EXPECT_EQ(lines[33],
              "Baja\t-1,0\t-0,990099\t-1,22474\t0,4179\t-3,33743\t1,33743\tTOLERANTE\tEQUIVALENTE");
    EXPECT_EQ(lines[34], "Alta\t3,0\t2,9703\t3,67423\t0,0184\t0,662574\t5,33743\tNO "
                         "TOLERANTE\tEQUIVALENCIA NO DEMOSTRADA");
    EXPECT_EQ(lines[40], "Límite de equivalencia (% de la media Normal)\t5");

    // A failing computation: as the report alone.
    const ToolRun failingDetail = runTool({"--detalle", bad});
    EXPECT_EQ(failingDetail.exitCode, 1);
    EXPECT_EQ(failingDetail.out, failing.out);
    EXPECT_EQ(failingDetail.err, failing.err);
}

// robustez-informe loads no Qt; it hands the drawing modes to
// robustez-informe-qt, found beside it or in ../lib/robustez/.
TEST_F(InformeTool, TextToolLinksNoQtAndFindsItsDrawingProgram) {
    const auto dynamicSection = [](const QString& program) {
        QProcess readelf;
        readelf.start(QStringLiteral("readelf"), {"-d", program});
        EXPECT_TRUE(readelf.waitForFinished(30000));
        return readelf.readAllStandardOutput().toStdString();
    };
    EXPECT_EQ(dynamicSection(QStringLiteral(ROBUSTEZ_INFORME)).find("Qt"), std::string::npos);
    EXPECT_NE(dynamicSection(QStringLiteral(ROBUSTEZ_INFORME_QT)).find("libQt6Gui"),
              std::string::npos);

    const QString study = write("ejemplo.w1o", workedExampleFile());
    const auto copyProgram = [this](const QString& from, const QString& to) {
        QDir().mkpath(QFileInfo(dir.filePath(to)).path());
        EXPECT_TRUE(QFile::copy(from, dir.filePath(to)));
        QFile(dir.filePath(to)).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        return dir.filePath(to);
    };
    const QString alone = copyProgram(QStringLiteral(ROBUSTEZ_INFORME), "alone/robustez-informe");
    QProcess process;
    process.start(alone, {"--pdf", dir.filePath("alone.pdf"), study});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_NE(process.readAllStandardError().indexOf("robustez-informe-qt"), -1);
    EXPECT_FALSE(QFile::exists(dir.filePath("alone.pdf")));

    const QString installed = copyProgram(QStringLiteral(ROBUSTEZ_INFORME), "bin/robustez-informe");
    copyProgram(QStringLiteral(ROBUSTEZ_INFORME_QT), "lib/robustez/robustez-informe-qt");
    process.start(installed, {"--pdf", dir.filePath("installed.pdf"), study});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath("installed.pdf")));
}

// One word of pdftotext -bbox output, in points from the page's top-left.
struct Word {
    double xMin, yMin, xMax, yMax;
    std::string text;
};

struct PdfPage {
    double width = 0;
    double height = 0;
    std::vector<Word> words;

    std::optional<Word> find(const std::string& text, int occurrence = 0) const {
        for (const Word& word : words) {
            if (word.text == text && occurrence-- == 0) {
                return word;
            }
        }
        return std::nullopt;
    }
};

PdfPage readPdf(const QString& path) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {"-bbox", path, "-"});
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0);
    const QString html = QString::fromUtf8(process.readAllStandardOutput());
    PdfPage page;
    const QRegularExpression pageRe(
        QStringLiteral("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\""));
    const auto pageMatch = pageRe.match(html);
    if (pageMatch.hasMatch()) {
        page.width = pageMatch.captured(1).toDouble();
        page.height = pageMatch.captured(2).toDouble();
    }
    const QRegularExpression wordRe(
        QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" "
                       "yMax=\"([0-9.]+)\">([^<]*)</word>"));
    auto it = wordRe.globalMatch(html);
    while (it.hasNext()) {
        const auto m = it.next();
        page.words.push_back({m.captured(1).toDouble(), m.captured(2).toDouble(),
                              m.captured(3).toDouble(), m.captured(4).toDouble(),
                              m.captured(5).toStdString()});
    }
    return page;
}

// The tool's PDF pages have a quarter-inch margin (18 points) on each side.
constexpr double kMargin = 18;

// Column k of a layout designed for `designDpi`, rendered at that same
// resolution, in points from the page's left edge.
double columnPt(int k, int designDpi) {
    return kMargin + k * 12 * 72.0 / designDpi;
}

TEST_F(InformeTool, LaserResultsPdfPutsColumnsWhereTheyBelong) {
    const QString study = write("ejemplo.w1o", workedExampleFile());
    const QString pdf = dir.filePath("laser.pdf");
    const ToolRun run = runTool({"--pdf", pdf, study});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    const PdfPage page = readPdf(pdf);
    EXPECT_NEAR(page.width, 595.28, 0.5); // A4
    EXPECT_NEAR(page.height, 841.89, 0.5);

    // L = 100 dots at 600 dpi = 12 points.
    const double L = 12;
    const auto control = page.find("Control");
    const auto robustez = page.find("Robustez");
    ASSERT_TRUE(control && robustez);
    EXPECT_NEAR(robustez->yMin - control->yMin, L, 0.1);
    EXPECT_NEAR(control->yMin, kMargin + 6 * L, 1.0);
    // Centred on the printable width.
    const auto calidad = page.find("Calidad");
    ASSERT_TRUE(calidad);
    EXPECT_NEAR((control->xMin + calidad->xMax) / 2, page.width / 2, 1.0);

    const auto muestra = page.find("Muestra");
    const auto media = page.find("Media");
    const auto desv = page.find("Desv.");
    const auto coef = page.find("Coef.");
    ASSERT_TRUE(muestra && media && desv && coef);
    EXPECT_NEAR(muestra->xMin, columnPt(45, 600), 0.5);
    EXPECT_NEAR(media->xMin, columnPt(90, 600), 0.5);
    EXPECT_NEAR(desv->xMin, columnPt(155, 600), 0.5);
    EXPECT_NEAR(coef->xMin, columnPt(230, 600), 0.5);
    EXPECT_NEAR(muestra->yMin, kMargin + 20 * L, 1.0);
    EXPECT_NEAR(media->yMin, muestra->yMin, 0.1);

    const auto cv = page.find("0.961538");
    ASSERT_TRUE(cv);
    EXPECT_NEAR(cv->xMin, columnPt(240, 600), 0.5);
    EXPECT_NEAR(cv->yMin - muestra->yMin, 3 * L, 0.1);
    const auto t = page.find("3.67423");
    ASSERT_TRUE(t);
    EXPECT_NEAR(t->xMin, columnPt(165, 600), 0.5);
    const auto no = page.find("No");
    ASSERT_TRUE(no);
    EXPECT_NEAR(no->xMin, columnPt(230, 600), 0.5);
    EXPECT_NEAR(no->yMin, t->yMin, 0.1);
    const auto d1 = page.find("D1");
    ASSERT_TRUE(d1);
    EXPECT_NEAR(d1->xMin, columnPt(48, 600), 0.5);

    // Right-aligned footer at row 58.
    const auto version = page.find("3.1");
    ASSERT_TRUE(version);
    EXPECT_NEAR(version->xMax, page.width - kMargin, 1.0);
    EXPECT_NEAR(version->yMin - muestra->yMin, 38 * L, 0.1);
}

TEST_F(InformeTool, DeskJetGeneralPdfOnLetterPaper) {
    const QString study = write("ejemplo.w1o", workedExampleFile());
    const QString pdf = dir.filePath("deskjet.pdf");
    const ToolRun run = runTool(
        {"--pdf", pdf, "--layout", "deskjet", "--page", "general", "--paper", "letter", study});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const PdfPage page = readPdf(pdf);
    EXPECT_NEAR(page.width, 612, 0.1);
    EXPECT_NEAR(page.height, 792, 0.1);

    const double L = 12; // 50 dots at 300 dpi
    const auto velmorana = page.find("Velmorana");
    const auto informacion = page.find("INFORMACIÓN");
    ASSERT_TRUE(velmorana && informacion);
    EXPECT_NEAR(velmorana->yMin, kMargin + 5 * L, 1.0);
    // Across font sizes the top of the glyph box moves with the rounding of
    // the font's ascent to whole dots.
    EXPECT_NEAR(informacion->yMin - velmorana->yMin, 5 * L, 0.5);

    // Grid columns at 2, 37, 72 and 107 C; rows 23 onwards.
    const auto muestra = page.find("Muestra");
    const auto normal = page.find("Normal");
    const auto baja = page.find("Baja");
    const auto alta = page.find("Alta");
    ASSERT_TRUE(muestra && normal && baja && alta);
    EXPECT_NEAR(muestra->xMin, columnPt(2, 300), 0.5);
    EXPECT_NEAR(normal->xMin, columnPt(37, 300), 0.5);
    EXPECT_NEAR(baja->xMin, columnPt(72, 300), 0.5);
    EXPECT_NEAR(alta->xMin, columnPt(107, 300), 0.5);
    EXPECT_NEAR(muestra->yMin - velmorana->yMin, 18 * L, 0.5);
    const auto last = page.find("105");
    ASSERT_TRUE(last);
    EXPECT_NEAR(last->xMin, columnPt(107, 300), 0.5);
    EXPECT_NEAR(last->yMin - muestra->yMin, 4 * L, 0.1);

    // Footer at row n + 28 = 31.
    const auto version = page.find("3.1");
    ASSERT_TRUE(version);
    EXPECT_NEAR(version->yMin - velmorana->yMin, 26 * L, 0.5);
    EXPECT_NEAR(version->xMax, page.width - kMargin, 1.0);
}

// The two layout and page pairs not checked above. Columns and rows are the
// layouts' own units (a column 12 dots, a row L dots at the design
// resolution, 12 points either way): the laser grid's columns at 45, 100, 155
// and 210 C; the DeskJet results at 2 C (sample) and 125 C (verdict), the
// heading at row 16, Alta's verdict at row 27, the footer at row 49.
TEST_F(InformeTool, LaserGeneralAndDeskJetResultsPdf) {
    const QString study = write("ejemplo.w1o", workedExampleFile());
    const double L = 12;
    struct Placed {
        const char* word;
        int column;
        double rowsBelowFirst; // below the first word of the table
    };
    const struct {
        const char* layout;
        const char* page;
        int designDpi;
        std::vector<Placed> words;
    } cases[] = {
        {"laser",
         "general",
         600,
         {{"Muestra", 45, 0},
          {"Normal", 100, 0},
          {"Baja", 155, 0},
          {"Alta", 210, 0},
          {"100", 100, 2},
          {"105", 210, 4}}},
        {"deskjet",
         "results",
         300,
         {{"MUESTRA", 2, 0}, {"NO", 125, 11}, {"3.67423", -1, 11}, {"ORMIDA", -1, 33}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.layout) + " " + c.page);
        const QString pdf = dir.filePath(QStringLiteral("%1-%2.pdf").arg(c.layout, c.page));
        const ToolRun run = runTool({"--pdf", pdf, "--layout", c.layout, "--page", c.page, study});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, "");
        const PdfPage page = readPdf(pdf);
        const auto first = page.find(c.words.front().word);
        ASSERT_TRUE(first);
        for (const Placed& placed : c.words) {
            const auto word = page.find(placed.word);
            ASSERT_TRUE(word) << placed.word;
            if (placed.column >= 0) {
                EXPECT_NEAR(word->xMin, columnPt(placed.column, c.designDpi), 0.5) << placed.word;
            }
            EXPECT_NEAR(word->yMin - first->yMin, placed.rowsBelowFirst * L, 0.5) << placed.word;
        }
    }
}

TEST_F(InformeTool, DetailPageAndFigure) {
    const QString study = write("ejemplo.w1o", workedExampleFile());
    // The detail page on Letter paper with a 4 % limit: the tables' texts
    // (p and the intervals from R's mvtnorm, see the core's evidence tests)
    // and the figure's titles.
    const QString pdf = dir.filePath("detalle.pdf");
    ToolRun run =
        runTool({"--pdf", pdf, "--page", "detalle", "--paper", "letter", "--limite", "4", study});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    const PdfPage page = readPdf(pdf);
    EXPECT_NEAR(page.width, 612, 0.1);
    EXPECT_NEAR(page.height, 792, 0.1);
    for (const char* text : {"DETALLE", "ESTADÍSTICO", "0.4179", "0.0184", "-3.33743", "5.33743",
                             "2.86275", "EQUIVALENTE", "DEMOSTRADA", "Valoración"}) {
        EXPECT_TRUE(page.find(text)) << text;
    }
    // The figure alone as SVG: the nine values as dots; without a limit no
    // equivalence lines.
    const QString svg = dir.filePath("figura.svg");
    run = runTool({"--svg", svg, study});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    QFile file(svg);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString drawing = QString::fromUtf8(file.readAll());
    EXPECT_EQ(drawing.count(QStringLiteral("<circle")), 9);
    EXPECT_TRUE(drawing.contains(QStringLiteral("Diferencias frente a Normal")));
    EXPECT_FALSE(drawing.contains(QStringLiteral("+δ")));
    file.close();
    run = runTool({"--svg", svg, "--limite", "4", study});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(file.readAll()).contains(QStringLiteral("+δ")));

    // A study that does not compute leaves no file; one file only.
    const QString bad = write("mal.w1o", workedExampleFile("1O3"));
    const QString none = dir.filePath("ninguna.svg");
    run = runTool({"--svg", none, bad});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "'1O3' is not a valid floating point value\n");
    EXPECT_FALSE(QFileInfo::exists(none));
    run = runTool({"--pdf", none, "--page", "detalle", study, study});
    EXPECT_EQ(run.exitCode, 2);
}

// The summary of three studies: the worked example (its Alta NO
// TOLERANTE), "Flujo" (the same Normal and Baja, Alta 101 102 103: d = +1,
// t = sqrt(1.5), the same p as Baja since p depends on |t|, interval
// 1 -+ 2.33743) and a study that does not compute. Numbers from the values
// above and R's p, as in the detail.
QByteArray flujoFile() {
    return studyFile({"Valoraci\xF3n", "Ana P\xE9rez", "13/03/1999", "3", "Flujo", "1.0", "100",
                      "101", "102", "0.9", "99", "100", "101", "1.1", "101", "102", "103"});
}

QByteArray failingPhFile() {
    return studyFile({"Valoraci\xF3n", "Ana P\xE9rez", "12/03/1999", "3", "pH", "3.0", "100", "101",
                      "102", "2.8", "99", "100", "101", "3.2", "1O3", "104", "105"});
}

std::string summaryHeader() {
    std::string header = "Condición\tNormal\tBaja\tAlta\tn\tMedia Normal";
    for (const char* level : {"Baja", "Alta"}) {
        for (const char* column :
             {"diferencia", "diferencia relativa (%)", "t", "p ajustado",
              "IC 95 % simultáneo inferior", "IC 95 % simultáneo superior", "veredicto"}) {
            header += std::string("\t") + level + ": " + column;
        }
    }
    return header;
}

// The worked example's comparisons (df 6, standard error sqrt(2/3)), in R
// by numerical integration of Dunnett's two-sided distribution (correlation
// 1/2; see the core's distribution tests): adjusted p = 1 - P(|T1| < |t|,
// |T2| < |t|) = 0.417855 for t = -sqrt(1.5) and 0.018424 for t = 3 sqrt(1.5);
// critical value 2.8627501, so the intervals are d +- 2.3374257.
TEST_F(InformeTool, SummaryOfThreeStudiesAsText) {
    const QString temperatura = write("temperatura.w1o", workedExampleFile());
    const QString flujo = write("flujo.w1o", flujoFile());
    const QString ph = write("ph.w1o", failingPhFile());
    const ToolRun run = runTool({"--resumen", temperatura, flujo, ph});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "RESUMEN DE ROBUSTEZ (TOLERANCIA A CONDICIONES DE OPERACIÓN)\n"
              "Nombre del método: Valoración\n"
              "Analistas: Ana Pérez\n"
              "Fechas: 12/03/1999; 13/03/1999\n"
              "Número de estudios: 3\n\n" +
                  summaryHeader() +
                  "\n"
                  "Temperatura\t25\t20\t30\t3\t101.0\t-1.0\t-0.990099\t-1.22474\t0.4179\t-3.33743\t"
                  "1.33743\tTOLERANTE\t3.0\t2.9703\t3.67423\t0.0184\t0.662574\t5.33743\tNO "
                  "TOLERANTE\n"
                  "Flujo\t1.0\t0.9\t1.1\t3\t101.0\t-1.0\t-0.990099\t-1.22474\t0.4179\t-3.33743\t"
                  "1.33743\tTOLERANTE\t1.0\t0.990099\t1.22474\t0.4179\t-1.33743\t3.33743\t"
                  "TOLERANTE\n"
                  "pH [ph.w1o]\t3.0\t2.8\t3.2\t3\t\t'1O3' is not a valid floating point value" +
                  std::string(13, '\t') +
                  "\n\n"
                  "CONCLUSIÓN: el método NO ES TOLERANTE a: Temperatura (Alta).\n"
                  "Estudios sin resultado: ph.w1o.\n");

    // Every study computed and tolerant: status 0, the tolerant conclusion.
    const ToolRun tolerant = runTool({"--resumen", flujo});
    EXPECT_EQ(tolerant.exitCode, 0);
    EXPECT_EQ(splitLines(tolerant.out).back(),
              "CONCLUSIÓN: el método es TOLERANTE a todas las condiciones estudiadas.");

    for (const QStringList& args :
         {QStringList{"--resumen", "--detalle", flujo},
          QStringList{"--pdf", dir.filePath("x.pdf"), "--page", "resumen", "--layout", "laser",
                      flujo},
          QStringList{"--pdf", dir.filePath("x.pdf"), "--page", "general", "--resumen", flujo}}) {
        const ToolRun wrong = runTool(args);
        EXPECT_EQ(wrong.exitCode, 2);
        EXPECT_NE(wrong.err.find("Uso: robustez-informe"), std::string::npos);
    }
    EXPECT_NE(runTool({"--help"}).out.find("--resumen"), std::string::npos);
}

TEST_F(InformeTool, SummaryAsOneJsonObject) {
    const QString temperatura = write("temperatura.w1o", workedExampleFile());
    const QString flujo = write("flujo.w1o", flujoFile());
    const QString ph = write("ph.w1o", failingPhFile());
    // Bounds 5 % of 101 = 5.05: only Temperatura's Alta (up to 5.33743) is
    // not shown equivalent.
    const ToolRun run = runTool({"--resumen", "--json", "--limite", "5", temperatura, flujo, ph});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "");
    ASSERT_EQ(splitLines(run.out).size(), 1u);
    QJsonParseError error{};
    const QJsonObject o =
        QJsonDocument::fromJson(QByteArray::fromStdString(run.out), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError);

    const QStringList keys = {"method_names",         "studies", "not_tolerant",
                              "not_equivalent",       "failed",  "conclusion",
                              "equivalence_limit_pct"};
    EXPECT_EQ(o.keys().size(), keys.size());
    std::size_t last = 0;
    for (const QString& key : keys) { // top-level keys come last in the text
        const std::size_t at = run.out.rfind(QStringLiteral("\"%1\":").arg(key).toStdString());
        EXPECT_GT(at, last) << key.toStdString() << " out of order";
        last = at;
    }
    EXPECT_EQ(o["method_names"].toArray(), QJsonArray{QStringLiteral("Valoración")});
    // Each study exactly as --json writes it.
    const ToolRun lines = runTool({"--json", "--limite", "5", temperatura, flujo, ph});
    const std::vector<std::string> objects = splitLines(lines.out);
    ASSERT_EQ(objects.size(), 3u);
    ASSERT_EQ(o["studies"].toArray().size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(o["studies"][i].toObject(), parseLine(objects[static_cast<std::size_t>(i)]));
    }
    const auto item = [](const QString& file, const char* condition, const char* level) {
        return QJsonObject{{"file", file}, {"condition", condition}, {"level", level}};
    };
    EXPECT_EQ(o["not_tolerant"].toArray(), QJsonArray{item(temperatura, "Temperatura", "Alta")});
    EXPECT_EQ(o["not_equivalent"].toArray(), QJsonArray{item(temperatura, "Temperatura", "Alta")});
    EXPECT_EQ(o["failed"].toArray(), QJsonArray{ph});
    EXPECT_EQ(o["conclusion"].toString(), QStringLiteral("NO TOLERANTE"));
    EXPECT_EQ(o["equivalence_limit_pct"].toDouble(), 5);

    // A failed study with the others tolerant: no conclusion; no limit: null.
    const ToolRun incomplete = runTool({"--resumen", "--json", flujo, ph});
    const QJsonObject open =
        QJsonDocument::fromJson(QByteArray::fromStdString(incomplete.out)).object();
    EXPECT_TRUE(open["conclusion"].isNull());
    EXPECT_TRUE(open["equivalence_limit_pct"].isNull());
    EXPECT_EQ(open["not_equivalent"].toArray(), QJsonArray{});
}

TEST_F(InformeTool, SummaryPagesAndFigure) {
    const QString temperatura = write("temperatura.w1o", workedExampleFile());
    const QString flujo = write("flujo.w1o", flujoFile());
    const QString ph = write("ph.w1o", failingPhFile());
    const QString pdf = dir.filePath("resumen.pdf");
    ToolRun run = runTool({"--pdf", pdf, "--page", "resumen", "--paper", "letter", "--limite", "5",
                           temperatura, flujo, ph});
    EXPECT_EQ(run.exitCode, 1); // written, with the failed study in its row
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    const PdfPage page = readPdf(pdf);
    EXPECT_NEAR(page.width, 612, 0.1);
    for (const char* text : {"RESUMEN", "CONCLUSIÓN:", "Temperatura", "Flujo", "[ph.w1o]", "valid",
                             "[0.662574;", "5.33743]", "DEMOSTRADA", "Página"}) {
        EXPECT_TRUE(page.find(text)) << text;
    }
    // The footer gives the date of printing.
    const QRegularExpression date(QStringLiteral("^[0-9]{2}/[0-9]{2}/[0-9]{4}$"));
    EXPECT_TRUE(std::any_of(page.words.begin(), page.words.end(), [&](const Word& w) {
        return date.match(QString::fromStdString(w.text)).hasMatch();
    }));

    // The forest plot alone; the band of the limit only with a limit.
    const QString svg = dir.filePath("resumen.svg");
    for (const bool limited : {false, true}) {
        QStringList args = {"--svg", svg, "--resumen", temperatura, flujo};
        if (limited) {
            args << "--limite"
                 << "5";
        }
        run = runTool(args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        QFile file(svg);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString drawing = QString::fromUtf8(file.readAll());
        EXPECT_TRUE(drawing.contains(QStringLiteral("Diferencia relativa frente a Normal")));
        EXPECT_EQ(drawing.contains(QStringLiteral("#d9efd9")), limited);
        // The width the program's window saves too.
        EXPECT_TRUE(drawing.contains(QStringLiteral("viewBox=\"0 0 900 ")))
            << drawing.left(400).toStdString();
    }
    // With a study that failed the plot is written without it, status 1.
    const QString withFailure = dir.filePath("con_fallo.svg");
    run = runTool({"--svg", withFailure, "--resumen", temperatura, ph, flujo});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    QFile file(withFailure);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString drawing = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(drawing.contains(QStringLiteral("Temperatura")));
    EXPECT_TRUE(drawing.contains(QStringLiteral("Flujo")));
    EXPECT_FALSE(drawing.contains(QStringLiteral("pH")));
}

TEST_F(InformeTool, UnwritablePdfIsAFailure) {
    const QString study = write("ejemplo.w1o", workedExampleFile());
    const QString pdf = dir.filePath("missing-dir/out.pdf");
    const ToolRun run = runTool({"--pdf", pdf, study});
    EXPECT_FALSE(run.crashed);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err, "");
    EXPECT_EQ(run.out, "");
}

// Normal about 1e-300 under Baja's 1e10 and Alta's 2: Baja's relative
// difference, 1e312 %, is beyond a double and absent; everything else is given.
// Standard deviations 1e-301, 1e9 and 0.2: the pooled variance is 1e18 / 3 to
// a double's precision, so Baja's t = 1e10 / sqrt(2/3 * 1e18 / 3) = 15 sqrt(2)
// = 21.2132.
TEST_F(InformeTool, RelativeDifferenceBeyondADoubleIsAbsent) {
    const QString study =
        write("diminuta.w1o",
              studyFile({"Pesada", "Ana", "01/02/2026", "3", "T", "20", "1e-300", "1.1e-300",
                         "0.9e-300", "18", "1e10", "1.1e10", "0.9e10", "25", "2", "2.2", "1.8"}));
    ToolRun run = runTool({"--json", study});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> lines = splitLines(run.out);
    ASSERT_EQ(lines.size(), 1u);
    const QJsonObject o = parseLine(lines[0]);
    EXPECT_TRUE(o["error"].isNull());
    EXPECT_TRUE(o["comparisons"][0]["relative_difference_pct"].isNull());
    EXPECT_EQ(o["comparisons"][0]["verdict"].toString(), QStringLiteral("NO TOLERANTE"));
    EXPECT_NEAR(o["comparisons"][1]["relative_difference_pct"].toDouble(), 2e302, 1e-12 * 2e302);
    run = runTool({"--detalle", study});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("Baja\t1E10\t\u2014\t21.2132\t"), std::string::npos) << run.out;
}

} // namespace

// The PDF pages are measured in Liberation Sans (Arial's metrics): without
// it every position would be off, so the run stops at once, saying so.
bool hasTheFontOfThePages() {
    QProcess match;
    match.start(QStringLiteral("fc-match"), {QStringLiteral("-f"), QStringLiteral("%{family}"),
                                             QStringLiteral("Liberation Sans")});
    match.waitForFinished(30000);
    const QString family = QString::fromUtf8(match.readAllStandardOutput());
    if (family.startsWith(QStringLiteral("Liberation Sans"))) {
        return true;
    }
    std::fprintf(stderr,
                 "The font Liberation Sans is not installed (Debian package fonts-liberation2); "
                 "fc-match gives \"%s\". The PDF tests measure text set in it.\n",
                 qPrintable(family));
    return false;
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    if (!hasTheFontOfThePages()) {
        return 1;
    }
    return RUN_ALL_TESTS();
}
