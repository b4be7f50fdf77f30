// robustez-informe --pdf SALIDA.pdf --page hoja: the worksheet of a design
// screen as a PDF file, read back with pdftotext; the exit statuses.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include <string>
#include <vector>

namespace {

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

ToolRun runProgram(const QString& program, const QStringList& args,
                   const QString& locale = QStringLiteral("C")) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), locale);
    process.setProcessEnvironment(env);
    process.start(program, args);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << program.toStdString() << " did not finish";
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
}

ToolRun runTool(const QStringList& args, const QString& locale = QStringLiteral("C")) {
    return runProgram(QStringLiteral(ROBUSTEZ_INFORME), args, locale);
}

// The PDF's text line by line, runs of spaces made one.
std::vector<std::string> pdfLines(const QString& path) {
    const ToolRun run = runProgram(QStringLiteral("pdftotext"), {"-layout", path, "-"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> lines;
    for (const QString& line : QString::fromStdString(run.out).split(QLatin1Char('\n'))) {
        const QString simple = line.simplified();
        if (!simple.isEmpty()) {
            lines.push_back(simple.toStdString());
        }
    }
    return lines;
}

bool hasLine(const std::vector<std::string>& lines, const std::string& wanted) {
    return std::find(lines.begin(), lines.end(), wanted) != lines.end();
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class WorksheetTool : public ::testing::Test {
protected:
    QTemporaryDir dir;
    const QString examples = QStringLiteral(ROBUSTEZ_EXAMPLES_DIR);

    QString write(const QString& name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return dir.filePath(name);
    }
};

// The rows of the example screen's runs as its files give them: diseno_pb8.w1d
// by its codes (-1 the low setting, 1 the high one, a nominal run the nominal
// settings) and diseno_tabla.tsv by its cells, which agree; then the values.
TEST_F(WorksheetTool, ThePdfHoldsEveryRunWithItsSettings) {
    // The example without its values: the sheet printed before measuring.
    QByteArray unmeasured;
    for (const QByteArray& line : readAll(examples + "/diseno_pb8.w1d").split('\n')) {
        QList<QByteArray> fields = line.split('\t');
        if (fields.size() == 12 && (fields[1] == "nominal" || fields[1].startsWith("dise"))) {
            fields[10] = fields[11] = QByteArray();
        }
        unmeasured += fields.join('\t') + '\n';
    }
    const QString blank = write(QStringLiteral("sin_valores.w1d"), unmeasured.chopped(1));
    struct Case {
        QString file;
        QString paper;
        double height; // points: A4 841.89, Letter 792
        bool values;
        std::string method; // a run table has none
    };
    const std::vector<Case> cases = {
        {examples + "/diseno_pb8.w1d", "a4", 841.89, true,
         "Método: Valoración de paracetamol por HPLC"},
        {examples + "/diseno_tabla.tsv", "letter", 792, true, "Método:"},
        {blank, "a4", 841.89, false, "Método: Valoración de paracetamol por HPLC"},
    };
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"1 nominal 30 1.0 3.0", "99.65 2.42"},
        {"2 diseño 25 1.1 2.8 lote A", "98.99 2.53"},
        {"3 diseño 25 1.1 3.2 lote B", "99.16 2.95"},
        {"4 diseño 25 0.9 2.8 lote A", "99.27 2.62"},
        {"5 diseño 35 1.1 3.2 lote A", "99.99 2.25"},
        {"6 nominal 30 1.0 3.0", "99.58 2.39"},
        {"7 diseño 35 0.9 3.2 lote A", "100.2 2.31"},
        {"8 diseño 25 0.9 3.2 lote B", "99.17 2.9"},
        {"9 diseño 35 1.1 2.8 lote B", "99.99 1.84"},
        {"10 diseño 35 0.9 2.8 lote B", "100.04 1.81"},
        {"11 nominal 30 1.0 3.0", "99.64 2.42"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        const QString pdf = dir.filePath(QStringLiteral("hoja.pdf"));
        QFile::remove(pdf);
        const ToolRun run = runTool({"--pdf", pdf, "--page", "hoja", "--paper", c.paper, c.file});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "");
        const std::vector<std::string> lines = pdfLines(pdf);
        for (const auto& [settings, values] : rows) {
            EXPECT_TRUE(hasLine(lines, c.values ? settings + " " + values : settings)) << settings;
        }
        for (const char* line :
             {"HOJA DE TRABAJO", c.method.c_str(), "Temperatura de la columna °C 25 30 35",
              "Flujo mL/min 0.9 1.0 1.1", "Lote de columna lote A lote B"}) {
            EXPECT_TRUE(hasLine(lines, line)) << line;
        }
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
            return l.rfind("Realizó: ___", 0) == 0 && l.find("Fecha: ___") != std::string::npos;
        }));
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
            return l.rfind("Revisó: ___", 0) == 0;
        }));
        const ToolRun info = runProgram(QStringLiteral("pdfinfo"), {pdf});
        const auto size = QRegularExpression(QStringLiteral("Page size: +([0-9.]+) x ([0-9.]+)"))
                              .match(QString::fromStdString(info.out));
        ASSERT_TRUE(size.hasMatch()) << info.out;
        EXPECT_NEAR(size.captured(2).toDouble(), c.height, 0.5);
        EXPECT_TRUE(QRegularExpression(QStringLiteral("Pages: +1\n"))
                        .match(QString::fromStdString(info.out))
                        .hasMatch())
            << info.out;
    }
}

TEST_F(WorksheetTool, ExitStatuses) {
    const QString pdf = dir.filePath(QStringLiteral("hoja.pdf"));
    const QString design = examples + "/diseno_pb8.w1d";
    const QString later = write(QStringLiteral("posterior.w1d"), "ROBUSTEZ-DISENO\t9\nMétodo\tx\n");
    struct Case {
        QStringList args;
        QString locale;
        int status;
        std::string message; // on standard error
    };
    const std::vector<Case> cases = {
        {{"--pdf", pdf, "--page", "hoja"}, "C", 2, "falta el archivo del diseño"},
        {{"--pdf", pdf, "--page", "hoja", "--layout", "laser", design},
         "C",
         2,
         "--layout no vale con --page hoja"},
        {{"--pdf", pdf, "--page", "hoja", "--limite", "5", design},
         "C",
         2,
         "--limite sólo vale con --page detalle"},
        {{"--pdf", pdf, "--page", "hoja", design, design}, "C", 2, "sobra el argumento"},
        {{"--pdf", pdf, "--page", "hoja", dir.filePath("no.w1d")}, "C", 1, "File not found"},
        {{"--pdf", pdf, "--page", "hoja", later}, "C", 1, "Línea 1"},
        // The run table writes "99.65": not a number where the separator is a comma.
        {{"--pdf", pdf, "--page", "hoja", examples + "/diseno_tabla.tsv"},
         "es_ES.UTF-8",
         1,
         "no es un número"},
        {{"--pdf", dir.filePath("no/such/dir/hoja.pdf"), "--page", "hoja", design},
         "C",
         1,
         "No se puede escribir el archivo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        QFile::remove(pdf);
        const ToolRun run = runTool(c.args, c.locale);
        EXPECT_EQ(run.exitCode, c.status);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_FALSE(QFile::exists(pdf));
    }
    const ToolRun help = runTool({"--help"});
    EXPECT_NE(help.out.find("--page hoja"), std::string::npos);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
