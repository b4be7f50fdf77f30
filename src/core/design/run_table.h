#pragma once

#include "core/design/design_study.h"

#include <string>
#include <string_view>
#include <vector>

namespace robustez::design {

// Run tables: a screen's runs as a spreadsheet holds them, one row a run in
// run order, cells parted by tabs (.tsv or .txt files, or text pasted from a
// spreadsheet).
//
//   Temperatura (°C)  Lote          Ficticio 1  Tipo     Contenido (%)
//   25                lote B        -           diseño   99,6
//   30                              0           nominal  99,9
//   ...
//
// The first row names the columns. The columns before "Tipo" are the
// design's columns: factors, and dummies (a column named "Ficticio" and a
// number). "Tipo" holds "diseño" or "nominal". Each column after it is a
// response, its cells numbers in the locale's notation. A name may end in its
// unit between brackets, after a space: "Contenido (%)" is the response
// "Contenido" in "%"; "Fase (nueva) ()" is "Fase (nueva)" without unit.
//
// A design column holds either codes (-1 or "-" low, 1, +1 or "+" high in the
// design runs; 0 in the nominal runs) or the settings themselves: the design
// runs hold exactly two settings, and the nominal runs one (which may be
// empty). When both settings are numbers the smaller one is the low level;
// otherwise the first met in the design runs is. Numbers in the settings are
// kept as typed with the locale's decimal separator replaced by "."; a
// number's other spellings ("25", "25,0") are one setting.
//
// Cells are read as spreadsheets write them: a cell that starts with a
// double quote runs to the matching quote, may hold tabs and line breaks,
// and writes a quote as two. The bytes are UTF-8 when they are valid UTF-8,
// otherwise the Windows code page (Windows-1252); a byte order mark is
// skipped; lines end in CR LF, LF or CR; empty lines at the end are ignored.

// How a factor's low level was told from its high one.
enum class LowLevelRule {
    Codes,         // the column holds codes
    SmallerNumber, // the smaller of two numbers
    FirstMet,      // the setting of the first design run (texts)
};

struct RunTableReading {
    // Kind Table, no design name, standard order, seed 0. The design runs'
    // standard indexes count 1, 2, ... in run order, as the nominal runs'.
    DesignStudy study;
    // One per factor of the study.
    std::vector<LowLevelRule> lowLevel;
};

// Reads a run table. Refused with a Spanish message naming the row and the
// column where there is one ("Fila 4, columna 2 («pH»): ..."): a row of
// another length, a response that is empty or not a number, a "Tipo" other
// than "diseño" or "nominal", a design column without exactly two settings in
// the design runs, or whose nominal runs differ, a missing "Tipo", a column
// without name or with a name used twice, no factor or no response, no design
// run, a design that is not balanced and orthogonal, an empty table.
RunTableReading decodeRunTable(std::string_view bytes, std::string_view decimalSeparator);

// Reads a run table file (file errors as design files).
RunTableReading loadRunTable(const std::string& path, std::string_view decimalSeparator);

// The study's runs as a run table, in UTF-8 with LF line ends: the header
// (names with their units), then one row a run: each factor's setting (numbers
// with the locale's decimal separator), each dummy's code, "diseño" or
// "nominal", and the responses (empty when not measured; numbers with the
// fewest digits that read back). Read back, a table of a measured study gives
// the same factors, columns, runs and values, as long as each numeric
// factor's low setting is the smaller one and each text factor is at its low
// setting in the first design run.
std::string encodeRunTable(const DesignStudy& study, std::string_view decimalSeparator);

} // namespace robustez::design
