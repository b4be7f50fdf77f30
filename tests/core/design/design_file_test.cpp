#include "core/design/design_file.h"

#include "core/platform/scratch_folder.h"
#include "core/study/errors.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace robustez::design {
namespace {

namespace fs = std::filesystem;

// A Plackett-Burman study of 8 runs in run order, two factors (one
// qualitative), five dummies, two nominal runs, texts with the characters the
// format escapes, and values that need all 17 digits.
DesignStudy sampleStudy() {
    DesignStudy s;
    s.method = "Valoración\tHPLC\\UV";
    s.analyst = "Q.F.B. María Pérez\r\nlínea 2";
    s.date = "08/12/2026\x1f\x7f";
    s.factors = {{"Temperatura", "°C", "25", "30", "35"},
                 {"Lote de columna", "", "lote A", "", "lote B"}};
    s.responses = {{"Contenido", "%"}, {"Resolución", ""}};
    s.kind = DesignKind::PlackettBurman;
    s.design = "PB8";
    s.columns = {{"Temperatura", 0}, {"Lote de columna", 1}, {"Ficticio 1", -1}, {"Ficticio 2", -1},
                 {"Ficticio 3", -1}, {"Ficticio 4", -1},     {"Ficticio 5", -1}};
    s.nominalRuns = 2;
    s.randomOrder = true;
    s.seed = 18446744073709551615ULL;
    const int rows[8][7] = {{1, 1, 1, -1, 1, -1, -1}, {-1, 1, 1, 1, -1, 1, -1},
                            {-1, -1, 1, 1, 1, -1, 1}, {1, -1, -1, 1, 1, 1, -1},
                            {-1, 1, -1, -1, 1, 1, 1}, {1, -1, 1, -1, -1, 1, 1},
                            {1, 1, -1, 1, -1, -1, 1}, {-1, -1, -1, -1, -1, -1, -1}};
    const int order[8] = {3, 7, 1, 8, 5, 2, 6, 4};
    s.runs.push_back({RunType::Nominal, 1, std::vector<int>(7, 0), {99.8, 0.1}});
    for (int i = 0; i < 8; ++i) {
        const int row = order[i];
        DesignRun run{RunType::Design, row, {rows[row - 1], rows[row - 1] + 7}, {}};
        run.values = {100.0 + row / 3.0, i == 2 ? std::nullopt : std::optional<double>(1e-300)};
        s.runs.push_back(run);
    }
    s.runs.push_back({RunType::Nominal, 2, std::vector<int>(7, 0), {-0.0, std::nullopt}});
    return s;
}

void expectSame(const DesignStudy& a, const DesignStudy& b) {
    EXPECT_EQ(a.method, b.method);
    EXPECT_EQ(a.analyst, b.analyst);
    EXPECT_EQ(a.date, b.date);
    ASSERT_EQ(a.factors.size(), b.factors.size());
    for (std::size_t i = 0; i < a.factors.size(); ++i) {
        EXPECT_EQ(a.factors[i].name, b.factors[i].name);
        EXPECT_EQ(a.factors[i].unit, b.factors[i].unit);
        EXPECT_EQ(a.factors[i].low, b.factors[i].low);
        EXPECT_EQ(a.factors[i].nominal, b.factors[i].nominal);
        EXPECT_EQ(a.factors[i].high, b.factors[i].high);
    }
    ASSERT_EQ(a.responses.size(), b.responses.size());
    for (std::size_t i = 0; i < a.responses.size(); ++i) {
        EXPECT_EQ(a.responses[i].name, b.responses[i].name);
        EXPECT_EQ(a.responses[i].unit, b.responses[i].unit);
    }
    EXPECT_EQ(a.kind, b.kind);
    EXPECT_EQ(a.design, b.design);
    ASSERT_EQ(a.columns.size(), b.columns.size());
    for (std::size_t i = 0; i < a.columns.size(); ++i) {
        EXPECT_EQ(a.columns[i].name, b.columns[i].name);
        EXPECT_EQ(a.columns[i].factor, b.columns[i].factor);
    }
    EXPECT_EQ(a.nominalRuns, b.nominalRuns);
    EXPECT_EQ(a.randomOrder, b.randomOrder);
    EXPECT_EQ(a.seed, b.seed);
    ASSERT_EQ(a.runs.size(), b.runs.size());
    for (std::size_t i = 0; i < a.runs.size(); ++i) {
        EXPECT_EQ(a.runs[i].type, b.runs[i].type) << "run " << i + 1;
        EXPECT_EQ(a.runs[i].standardIndex, b.runs[i].standardIndex) << "run " << i + 1;
        EXPECT_EQ(a.runs[i].codes, b.runs[i].codes) << "run " << i + 1;
        ASSERT_EQ(a.runs[i].values.size(), b.runs[i].values.size());
        for (std::size_t r = 0; r < a.runs[i].values.size(); ++r) {
            ASSERT_EQ(a.runs[i].values[r].has_value(), b.runs[i].values[r].has_value());
            if (a.runs[i].values[r]) {
                // Bit for bit: the sign of -0 included.
                EXPECT_EQ(std::signbit(*a.runs[i].values[r]), std::signbit(*b.runs[i].values[r]));
                EXPECT_EQ(*a.runs[i].values[r], *b.runs[i].values[r]);
            }
        }
    }
}

std::string decodeError(const std::string& bytes) {
    try {
        decodeDesignFile(bytes);
    } catch (const RobustezError& error) {
        return error.what();
    }
    return "(no error)";
}

// A small valid file, written by hand from the format's description.
const std::string kSmall = "ROBUSTEZ-DISENO\t1\n"      // 1
                           "Método\tM\n"               // 2
                           "Analista\tA\n"             // 3
                           "Fecha\t\n"                 // 4
                           "Diseño\t\ttabla\n"         // 5
                           "Ensayos nominales\t1\n"    // 6
                           "Orden\testándar\t0\n"      // 7
                           "Factores\t1\n"             // 8
                           "pH\t\t2.8\t3\t3.2\n"       // 9
                           "Respuestas\t1\n"           // 10
                           "Contenido\t%\n"            // 11
                           "Columnas\t1\n"             // 12
                           "pH\t1\n"                   // 13
                           "Ensayos\t3\n"              // 14
                           "1\tdiseño\t1\t-1\t99.5\n"  // 15
                           "2\tnominal\t1\t0\t\n"      // 16
                           "3\tdiseño\t2\t1\t1.5e2\n"; // 17

// The small file with line `number` (1-based) replaced.
std::string withLine(int number, const std::string& line) {
    std::string out;
    std::size_t start = 0;
    for (int n = 1; start < kSmall.size(); ++n) {
        const std::size_t end = kSmall.find('\n', start);
        out += (n == number ? line : kSmall.substr(start, end - start)) + "\n";
        start = end + 1;
    }
    return out;
}

TEST(DesignFile, RoundTripKeepsEveryFieldBitForBit) {
    const DesignStudy study = sampleStudy();
    const std::string bytes = encodeDesignFile(study);
    expectSame(decodeDesignFile(bytes), study);
    EXPECT_EQ(encodeDesignFile(decodeDesignFile(bytes)), bytes);
    // CR LF line ends and a byte order mark read the same.
    std::string crlf = "\xEF\xBB\xBF";
    for (const char c : bytes) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    expectSame(decodeDesignFile(crlf), study);
}

TEST(DesignFile, ReadsEachValueAsTheNearestDouble) {
    // Each field in place of the first nominal run's "99.8"; the expected
    // double is the compiler's reading of the same digits as a literal (the
    // nearest double), compared bit for bit, the sign of zero included.
    // Short fields, fields of 15, 16 and 17 digits, a point at either end,
    // leading zeros and exponents.
    const struct {
        const char* field;
        double expected;
    } cases[] = {
        {"0", 0.0},
        {"-0", -0.0},
        {"-0.000", -0.0},
        {"100.65", 100.65},
        {"-2.25", -2.25},
        {"0.1", 0.1},
        {"00012.50", 12.5},
        {"999999999999999", 999999999999999.0},
        {"0.00000000000001", 0.00000000000001},
        {"9.99999999999999", 9.99999999999999},
        {"1234567890123456", 1234567890123456.0},
        {"9007199254740993", 9007199254740993.0},
        {"99.38000000000001", 99.38000000000001},
        {"0.30000000000000004", 0.30000000000000004},
        {"5.", 5.0},
        {"1e-05", 1e-05},
        {"-1.5E3", -1.5e3},
    };
    const std::string bytes = encodeDesignFile(sampleStudy());
    const std::size_t at = bytes.find("\t99.8\t") + 1;
    for (const auto& c : cases) {
        std::string file = bytes;
        file.replace(at, 4, c.field);
        const std::optional<double> value = decodeDesignFile(file).runs[0].values[0];
        ASSERT_TRUE(value.has_value()) << c.field;
        EXPECT_EQ(std::bit_cast<std::uint64_t>(*value), std::bit_cast<std::uint64_t>(c.expected))
            << c.field;
    }
    // Fields that are not numbers as the file writes them are refused.
    for (const char* field :
         {"+1", "1.2.3", "-", ".", "1,5", "1-", "--1", "0x10", "inf", "1e400"}) {
        std::string file = bytes;
        file.replace(at, 4, field);
        std::string message;
        try {
            decodeDesignFile(file);
        } catch (const RobustezError& error) {
            message = error.what();
        }
        EXPECT_EQ(message, "Línea 23: «" + std::string(field) + "» no es un número válido.");
    }
}

TEST(DesignFile, WritesTheDocumentedLines) {
    // Expected text written by hand: escapes, "." numbers with the shortest
    // digits that read back (Python's repr of 100 + 7/3 and 100 + 1/3), -0.
    const std::string bytes = encodeDesignFile(sampleStudy());
    const std::vector<std::string> expected = {
        "ROBUSTEZ-DISENO\t1",
        "Método\tValoración\\tHPLC\\\\UV",
        "Analista\tQ.F.B. María Pérez\\r\\nlínea 2",
        "Fecha\t08/12/2026\\x1F\\x7F",
        "Diseño\tPB8\tplackett-burman",
        "Ensayos nominales\t2",
        "Orden\taleatorio\t18446744073709551615",
        "Factores\t2",
        "Temperatura\t°C\t25\t30\t35",
        "Lote de columna\t\tlote A\t\tlote B",
        "Respuestas\t2",
        "Contenido\t%",
        "Resolución\t",
        "Columnas\t7",
        "Temperatura\t1",
        "Lote de columna\t2",
        "Ficticio 1\tficticio",
        "Ficticio 2\tficticio",
        "Ficticio 3\tficticio",
        "Ficticio 4\tficticio",
        "Ficticio 5\tficticio",
        "Ensayos\t10",
        "1\tnominal\t1\t0\t0\t0\t0\t0\t0\t0\t99.8\t0.1",
        "2\tdiseño\t3\t-1\t-1\t1\t1\t1\t-1\t1\t101\t1e-300",
        "3\tdiseño\t7\t1\t1\t-1\t1\t-1\t-1\t1\t102.33333333333333\t1e-300",
        "4\tdiseño\t1\t1\t1\t1\t-1\t1\t-1\t-1\t100.33333333333333\t",
    };
    std::size_t start = 0;
    for (const std::string& line : expected) {
        const std::size_t end = bytes.find('\n', start);
        ASSERT_NE(end, std::string::npos);
        EXPECT_EQ(bytes.substr(start, end - start), line);
        start = end + 1;
    }
    EXPECT_EQ(bytes.substr(bytes.rfind('\n', bytes.size() - 2) + 1),
              "10\tnominal\t2\t0\t0\t0\t0\t0\t0\t0\t-0\t\n");
}

TEST(DesignFile, ReadsTheHandWrittenFile) {
    const DesignStudy s = decodeDesignFile(kSmall);
    EXPECT_EQ(s.kind, DesignKind::Table);
    EXPECT_FALSE(s.randomOrder);
    ASSERT_EQ(s.runs.size(), 3u);
    EXPECT_EQ(s.runs[1].type, RunType::Nominal);
    EXPECT_EQ(s.runs[2].codes, std::vector<int>{1});
    EXPECT_EQ(*s.runs[2].values[0], 150.0);
    EXPECT_FALSE(s.runs[1].values[0].has_value());
    EXPECT_EQ(s.columns[0].factor, 0);
    // Empty lines after the runs are allowed.
    EXPECT_EQ(decodeDesignFile(kSmall + "\n\n").runs.size(), 3u);
}

TEST(DesignFile, RefusesDamagedFilesNamingTheLine) {
    struct Case {
        std::string bytes;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"", "Línea 1: falta la línea; el archivo está incompleto."},
        {"Valoración\r\nPérez\r\n", "Línea 1: no es un archivo de diseño de Robustez."},
        {withLine(1, "ROBUSTEZ-DISENO\t2"),
         "Línea 1: el archivo es de la versión 2 del formato de diseño; este programa lee la "
         "versión 1."},
        {withLine(1, "ROBUSTEZ-DISENO\tx"), "Línea 1: versión del formato no válida «x»."},
        {withLine(3, "Fecha\t"), "Línea 3: se esperaba «Analista» y se encontró «Fecha»."},
        {withLine(3, "Analista\tA\tB"),
         "Línea 3: se esperaban 2 campos separados por tabuladores y hay 3."},
        {withLine(2, "Método\tM\\x"), "Línea 2: secuencia de escape no válida en «M\\x»."},
        {withLine(2, "Método\tM\\"), "Línea 2: secuencia de escape no válida en «M\\»."},
        {withLine(2, "Método\tM\\x41"), "Línea 2: secuencia de escape no válida en «M\\x41»."},
        {withLine(2, "Método\tM\\x1"), "Línea 2: secuencia de escape no válida en «M\\x1»."},
        {withLine(2, "Método\t\xE9"), "Línea 2: el texto no es UTF-8 válido."},
        {withLine(2, "Método\ta\rb"), "Línea 2: hay un carácter de control en la línea."},
        {withLine(5, "Diseño\t\tpb"), "Línea 5: tipo de diseño desconocido «pb»."},
        {withLine(6, "Ensayos nominales\t-1"),
         "Línea 6: «-1» no es un número entero válido (de 0 a 1000000)."},
        {withLine(7, "Orden\tal azar\t0"), "Línea 7: orden desconocido «al azar»."},
        {withLine(7, "Orden\testándar\t18446744073709551616"),
         "Línea 7: «18446744073709551616» no es una semilla válida."},
        {withLine(13, "pH\t2"), "Línea 13: «2» no es un número entero válido (de 1 a 1)."},
        {withLine(14, "Ensayos\t4"), "Línea 18: falta la línea; el archivo está incompleto."},
        {withLine(15, "2\tdiseño\t1\t-1\t99.5"),
         "Línea 15: el ensayo lleva el número «2»; se esperaba el 1."},
        {withLine(15, "1\tdiseno\t1\t-1\t99.5"), "Línea 15: tipo de ensayo desconocido «diseno»."},
        {withLine(15, "1\tdiseño\t1\t0\t99.5"),
         "Línea 15: código «0» no válido en la columna «pH»; un ensayo de diseño lleva -1 o 1."},
        {withLine(16, "2\tnominal\t1\t1\t"),
         "Línea 16: código «1» no válido en la columna «pH»; un ensayo nominal lleva 0."},
        {withLine(15, "1\tdiseño\t1\t-1\t99,5"), "Línea 15: «99,5» no es un número válido."},
        {withLine(15, "1\tdiseño\t1\t-1\tinf"), "Línea 15: «inf» no es un número válido."},
        {withLine(15, "1\tdiseño\t1\t-1\t1e999"), "Línea 15: «1e999» no es un número válido."},
        {withLine(15, "1\tdiseño\t1\t-1"),
         "Línea 15: se esperaban 5 campos separados por tabuladores y hay 4."},
        {withLine(15, "1\tdiseño\t2\t-1\t99.5"), "Línea 17: índice estándar 2 repetido."},
        {withLine(17, "3\tdiseño\t3\t1\t1"),
         "Línea 17: índice estándar 3 fuera del diseño de 2 ensayos."},
        {withLine(16, "2\tnominal\t2\t0\t"),
         "Línea 16: el ensayo nominal lleva el índice 2; se esperaba el 1."},
        {withLine(6, "Ensayos nominales\t0"),
         "Línea 14: hay 1 ensayos nominales y el campo «Ensayos nominales» dice 0."},
        {kSmall + "4\tdiseño\t3\t1\t1\n", "Línea 18: hay texto después de la tabla de ensayos."},
        {withLine(5, "Diseño\tPB9\tplackett-burman"), "Línea 5: diseño desconocido «PB9»."},
        {withLine(5, "Diseño\tPB8\tfraccional"),
         "Línea 5: el diseño «PB8» no es de tipo «fraccional»."},
        {withLine(5, "Diseño\tPB8\tplackett-burman"),
         "Línea 12: el diseño «PB8» tiene 7 columnas."},
        {withLine(5, "Diseño\tPB8\ttabla"),
         "Línea 5: una tabla de ensayos no lleva nombre de diseño."},
        {withLine(17, "3\tdiseño\t2\t-1\t1"),
         "Línea 14: los ensayos de diseño no forman un diseño equilibrado y ortogonal."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(decodeError(c.bytes), c.message) << c.bytes;
    }
    // A catalogue design's runs are its rows: one code changed, or one
    // design run fewer, is a damaged file.
    std::string flipped = encodeDesignFile(sampleStudy());
    flipped.replace(flipped.find("2\tdiseño\t3\t-1"), 14, "2\tdiseño\t3\t1");
    EXPECT_EQ(decodeError(flipped),
              "Línea 24: los códigos no son los de la fila 3 del diseño «PB8».");
    DesignStudy shorter = sampleStudy();
    shorter.runs.erase(shorter.runs.begin() + 4); // standard index 8
    EXPECT_EQ(decodeError(encodeDesignFile(shorter)),
              "Línea 22: el diseño «PB8» tiene 8 ensayos de diseño y el archivo 7.");
}

using DesignFileOnDisk = robustez::testing::ScratchFolder;

TEST_F(DesignFileOnDisk, SavesLoadsAndKeepsTheOldFileOnFailure) {
    const fs::path path = dir_ / "estudio.w1d";
    saveDesignFile(testing::utf8Path(path), sampleStudy());
    EXPECT_EQ(readBytes(path), encodeDesignFile(sampleStudy()));
    expectSame(loadDesignFile(testing::utf8Path(path)), sampleStudy());
    EXPECT_EQ(fileError([&] { loadDesignFile(testing::utf8Path(dir_ / "no.w1d")); }),
              "File not found");
    // A save into a folder that does not exist fails and leaves nothing.
    EXPECT_NE(
        fileError([&] { saveDesignFile(testing::utf8Path(dir_ / "no" / "x.w1d"), sampleStudy()); }),
        "(no file error)");
    EXPECT_EQ(entries(), 1u);
    // A study whose runs do not fit its columns is not written over the file.
    DesignStudy broken = sampleStudy();
    broken.runs[3].codes.pop_back();
    std::string message;
    try {
        saveDesignFile(testing::utf8Path(path), broken);
    } catch (const RobustezError& error) {
        message = error.what();
    }
    EXPECT_EQ(message, "El estudio no se puede guardar: Línea 26: se esperaban 12 campos separados "
                       "por tabuladores y hay 11.");
    EXPECT_EQ(readBytes(path), encodeDesignFile(sampleStudy()));
}

TEST_F(DesignFileOnDisk, ReadsEveryByteOfFilesAroundTheReadChunk) {
    // Files read in 64 KiB chunks: empty, one byte, either side of one and of
    // two chunks; every byte value, NUL and CR among them, comes back once.
    for (const std::size_t size : {0u, 1u, 65535u, 65536u, 65537u, 131072u, 131089u}) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i) {
            bytes[i] = static_cast<char>((i * 131 + i / 251) % 256);
        }
        const fs::path path = dir_ / ("bytes" + std::to_string(size));
        std::ofstream(path, std::ios::binary) << bytes;
        EXPECT_EQ(readFileBytes(testing::utf8Path(path)), bytes) << size;
    }
}

TEST(DesignFileReading, ReadsSystemFilesWhoseSizeIsNotTheirContent) {
    // Regular files of the system that say 0 bytes (/proc) or a page
    // (/sys) whatever they hold are read to their end, as a stream reads them.
    for (const char* path : {"/proc/version", "/sys/devices/system/cpu/online"}) {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            continue;
        }
        const std::string expected{std::istreambuf_iterator<char>(in),
                                   std::istreambuf_iterator<char>()};
        EXPECT_FALSE(expected.empty()) << path;
        EXPECT_EQ(readFileBytes(path), expected) << path;
    }
}

} // namespace
} // namespace robustez::design
