#include "core/design/run_table.h"

#include "core/study/errors.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace robustez::design {
namespace {

using Cells = std::vector<std::vector<std::string>>;

// Columns 1 to 4 of the Plackett-Burman design of 8 runs (rows: the cyclic
// shifts of + + + - + - -, then all -; checked balanced and orthogonal by
// hand) in standard order, between two nominal runs. Flujo holds numbers in
// the "," notation, Lote texts (the first met, "lote Y", is its low level),
// Ficticio 1 the codes "+" and "-", pH the codes 1 and -1.
Cells baseCells() {
    return {
        {"Flujo (mL/min)", "Lote", "Ficticio 1", "pH", "Tipo", "Contenido (%)", "Resolución"},
        {"1", "", "0", "0", "nominal", "99,9", "2,1"},
        {"1,2", "lote Y", "+", "-1", "diseño", "100,0", "2,00"},
        {"0,8", "lote Y", "+", "1", "diseño", "100,1", "2,01"},
        {"0,8", "lote X", "+", "1", "diseño", "100,2", "2,02"},
        {"1,2", "lote X", "-", "1", "Diseño", "100,3", "2,03"},
        {"0,8", "lote Y", "-", "-1", "diseño", "100,4", "2,04"},
        {"1,2", "lote X", "+", "-1", "diseño", "100,5", "2,05"},
        {"1,2", "lote Y", "-", "1", "diseño", "100,6", "2,06"},
        {"0,8", "lote X", "-", "-1", "diseño", "100,7", "2,07"},
        {"1", "", "0", "0", "nominal", "99,8", "2,2"},
    };
}

std::string join(const Cells& cells, const std::string& end = "\n") {
    std::string out;
    for (const auto& row : cells) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            out += (c ? "\t" : "") + row[c];
        }
        out += end;
    }
    return out;
}

std::string decodeError(const std::string& bytes, std::string_view separator = ",") {
    try {
        decodeRunTable(bytes, separator);
    } catch (const RobustezError& error) {
        return error.what();
    }
    return "(no error)";
}

TEST(RunTable, ReadsSettingsCodesAndResponses) {
    const RunTableReading reading = decodeRunTable(join(baseCells()), ",");
    const DesignStudy& s = reading.study;
    EXPECT_EQ(s.kind, DesignKind::Table);
    EXPECT_EQ(s.design, "");
    EXPECT_EQ(s.nominalRuns, 2);
    ASSERT_EQ(s.factors.size(), 3u);
    const std::vector<std::vector<std::string>> factors = {
        {"Flujo", "mL/min", "0.8", "1", "1.2"},
        {"Lote", "", "lote Y", "", "lote X"},
        {"pH", "", "-1", "0", "1"},
    };
    for (std::size_t f = 0; f < 3; ++f) {
        const DesignFactor& d = s.factors[f];
        EXPECT_EQ((std::vector<std::string>{d.name, d.unit, d.low, d.nominal, d.high}), factors[f]);
    }
    EXPECT_EQ(reading.lowLevel,
              (std::vector<LowLevelRule>{LowLevelRule::SmallerNumber, LowLevelRule::FirstMet,
                                         LowLevelRule::Codes}));
    ASSERT_EQ(s.columns.size(), 4u);
    EXPECT_EQ(s.columns[2].name, "Ficticio 1");
    EXPECT_EQ(s.columns[2].factor, -1);
    EXPECT_EQ(s.columns[3].factor, 2);
    ASSERT_EQ(s.responses.size(), 2u);
    EXPECT_EQ(s.responses[0].unit, "%");
    EXPECT_EQ(s.responses[1].name, "Resolución");
    ASSERT_EQ(s.runs.size(), 10u);
    // Expected codes: the design's rows, Lote's negated (its low level is
    // the setting of the first design run, where the design has +).
    const std::vector<std::vector<int>> codes = {
        {0, 0, 0, 0},     {1, -1, 1, -1}, {-1, -1, 1, 1}, {-1, 1, 1, 1},   {1, 1, -1, 1},
        {-1, -1, -1, -1}, {1, 1, 1, -1},  {1, -1, -1, 1}, {-1, 1, -1, -1}, {0, 0, 0, 0},
    };
    for (std::size_t r = 0; r < 10; ++r) {
        EXPECT_EQ(s.runs[r].codes, codes[r]) << "run " << r + 1;
    }
    EXPECT_EQ(s.runs[0].type, RunType::Nominal);
    EXPECT_EQ(s.runs[9].standardIndex, 2);
    EXPECT_EQ(s.runs[8].standardIndex, 8);
    EXPECT_EQ(s.runs[4].type, RunType::Design); // "Diseño"
    EXPECT_EQ(*s.runs[2].values[0], 100.1);
    EXPECT_EQ(*s.runs[9].values[1], 2.2);
}

TEST(RunTable, ReadsTheWaysSpreadsheetsWriteText) {
    const RunTableReading utf8 = decodeRunTable(join(baseCells()), ",");
    // Windows-1252 bytes ("ñ" 0xF1, "ó" 0xF3), CR LF, CR alone, a byte order
    // mark, quoted cells, spaces around cells and empty rows at the end.
    Cells quotedCells = baseCells();
    quotedCells[0][1] = "\"Lote\"";
    quotedCells[2][1] = " \"lote \"\"Y\"\"\"";
    quotedCells[3][1] = "\"lote \"\"Y\"\"\"";
    quotedCells[6][1] = "\"lote \"\"Y\"\"\" ";
    quotedCells[8][1] = "  \"lote \"\"Y\"\"\"";
    quotedCells[2][5] = "  100,0 ";
    std::string cp1252 = join(baseCells(), "\r\n");
    for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
             {"ñ", "\xF1"}, {"ó", "\xF3"}, {"Ñ", "\xD1"}}) {
        for (std::size_t at; (at = cp1252.find(from)) != std::string::npos;) {
            cp1252.replace(at, from.size(), to);
        }
    }
    const std::vector<std::string> texts = {cp1252, join(baseCells(), "\r"),
                                            "\xEF\xBB\xBF" + join(baseCells()) + "\n\t\t\t\t\t\t\n",
                                            join(quotedCells)};
    for (const std::string& text : texts) {
        const DesignStudy s = decodeRunTable(text, ",").study;
        ASSERT_EQ(s.runs.size(), 10u);
        EXPECT_EQ(s.responses[1].name, "Resolución");
        for (std::size_t r = 0; r < 10; ++r) {
            EXPECT_EQ(s.runs[r].codes, utf8.study.runs[r].codes);
            EXPECT_EQ(s.runs[r].values, utf8.study.runs[r].values);
        }
    }
    EXPECT_EQ(decodeRunTable(join(quotedCells), ",").study.factors[1].low, "lote \"Y\"");
    // A quoted cell holds tabs and line breaks.
    Cells multiLine = baseCells();
    multiLine[0][6] = "\"Resolución\tentre\npicos\"";
    EXPECT_EQ(decodeRunTable(join(multiLine), ",").study.responses[1].name,
              "Resolución\tentre\npicos");
}

TEST(RunTable, CopiedTableReadsBackToTheSameStudy) {
    DesignStudy study = decodeRunTable(join(baseCells()), ",").study;
    study.factors[0].unit = "";
    study.factors[0].name = "Fase (nueva)"; // a name that looks like a unit
    study.columns[0].name = "Fase (nueva)";
    study.responses[1].unit = "min (USP)";
    study.runs[3].values[0] = 0.1 + 0.2; // 0.30000000000000004
    study.runs[4].values[1] = -1e-300;
    for (const std::string separator : {",", "."}) {
        const std::string table = encodeRunTable(study, separator);
        const DesignStudy back = decodeRunTable(table, separator).study;
        ASSERT_EQ(back.factors.size(), study.factors.size()) << table;
        for (std::size_t f = 0; f < study.factors.size(); ++f) {
            EXPECT_EQ(back.factors[f].name, study.factors[f].name);
            EXPECT_EQ(back.factors[f].unit, study.factors[f].unit);
            EXPECT_EQ(back.factors[f].low, study.factors[f].low);
            EXPECT_EQ(back.factors[f].nominal, study.factors[f].nominal);
            EXPECT_EQ(back.factors[f].high, study.factors[f].high);
        }
        EXPECT_EQ(back.responses[1].unit, "min (USP)");
        ASSERT_EQ(back.columns.size(), study.columns.size());
        for (std::size_t c = 0; c < study.columns.size(); ++c) {
            EXPECT_EQ(back.columns[c].name, study.columns[c].name);
            EXPECT_EQ(back.columns[c].factor, study.columns[c].factor);
        }
        ASSERT_EQ(back.runs.size(), study.runs.size());
        for (std::size_t r = 0; r < study.runs.size(); ++r) {
            EXPECT_EQ(back.runs[r].type, study.runs[r].type);
            EXPECT_EQ(back.runs[r].codes, study.runs[r].codes);
            EXPECT_EQ(back.runs[r].values, study.runs[r].values) << table;
        }
    }
    // The first lines of the copy, written by hand.
    const std::string head =
        "Fase (nueva) ()\tLote\tFicticio 1\tpH\tTipo\tContenido (%)\tResolución (min (USP))\n"
        "1\t\t0\t0\tnominal\t99,9\t2,1\n"
        "1,2\tlote Y\t1\t-1\tdiseño\t100\t2\n";
    EXPECT_EQ(encodeRunTable(study, ",").substr(0, head.size()), head);
}

TEST(RunTable, RefusesWithTheRowAndColumn) {
    using Edit = std::function<void(Cells&)>;
    struct Case {
        Edit edit;
        std::string message;
    };
    const auto setCell = [](std::size_t row, std::size_t column, std::string text) -> Edit {
        return [=](Cells& c) { c[row - 1][column - 1] = text; };
    };
    const std::vector<Case> cases = {
        {[](Cells& c) { c[3].pop_back(); }, "Fila 4: tiene 6 columnas y el encabezado 7."},
        {[](Cells& c) { c[4].push_back(""); }, "Fila 5: tiene 8 columnas y el encabezado 7."},
        {setCell(5, 6, ""), "Fila 5, columna 6 («Contenido»): falta el valor."},
        {setCell(11, 7, "abc"), "Fila 11, columna 7 («Resolución»): «abc» no es un número."},
        {setCell(5, 6, "100.2"), "Fila 5, columna 6 («Contenido»): «100.2» no es un número."},
        {setCell(6, 5, "ensayo"),
         "Fila 6, columna 5 («Tipo»): «ensayo» no es «diseño» ni «nominal»."},
        {setCell(3, 1, "1,3"), "Columna 1 («Flujo»): los ensayos de diseño tienen 3 ajustes "
                               "(«1,3», «0,8», «1,2»); se esperaban 2."},
        {[](Cells& c) {
             for (std::size_t r = 2; r <= 9; ++r) {
                 c[r][1] = "lote X";
             }
         },
         "Columna 2 («Lote»): los ensayos de diseño tienen 1 ajuste («lote X»); se esperaban 2."},
        {setCell(3, 2, ""), "Fila 3, columna 2 («Lote»): falta el ajuste del ensayo de diseño."},
        {setCell(11, 1, "1,1"),
         "Fila 11, columna 1 («Flujo»): el ajuste nominal «1,1» difiere del de la fila 2 («1»)."},
        {setCell(1, 5, "Tipos"), "Fila 1: falta la columna «Tipo»."},
        {setCell(1, 7, ""), "Fila 1, columna 7: la columna no tiene nombre."},
        {setCell(1, 7, "Contenido (mg)"),
         "Fila 1, columna 7 («Contenido»): el nombre ya está en la columna 6."},
        {setCell(3, 4, "1"), "Columna 4 («pH»): el diseño no está equilibrado: 3 ensayos de "
                             "diseño en el nivel bajo y 5 en el alto."},
        {[](Cells& c) {
             for (std::size_t r = 2; r <= 9; ++r) {
                 c[r][3] = c[r][2] == "+" ? "1" : "-1";
             }
         },
         "Columna 4 («pH»): el diseño no es ortogonal: la columna no es independiente de la 3 "
         "(«Ficticio 1»)."},
        {[](Cells& c) { c.resize(1); }, "La tabla no tiene ensayos."},
        {[](Cells& c) {
             c = {c[0], c[1], c[10]};
         },
         "La tabla no tiene ensayos de diseño."},
        {[](Cells& c) { c.clear(); }, "La tabla está vacía."},
    };
    for (const Case& c : cases) {
        Cells cells = baseCells();
        c.edit(cells);
        EXPECT_EQ(decodeError(join(cells)), c.message) << join(cells);
    }
    const std::vector<std::pair<std::string, std::string>> texts = {
        {"\n\n\t\t\n", "La tabla está vacía."},
        {"Tipo\tContenido\nnominal\t1\n", "Fila 1: no hay columnas de factores antes de «Tipo»."},
        {"A\tTipo\n-1\tdiseño\n", "Fila 1: no hay columnas de respuestas después de «Tipo»."},
    };
    for (const auto& [text, message] : texts) {
        EXPECT_EQ(decodeError(text), message);
    }
}

} // namespace
} // namespace robustez::design
