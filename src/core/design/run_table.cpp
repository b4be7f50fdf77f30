#include "core/design/run_table.h"

#include "core/design/design_file.h"
#include "core/design/designs.h"
#include "core/study/code_page.h"
#include "core/study/conversions.h"
#include "core/study/errors.h"
#include "core/text/utf8.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace robustez::design {

namespace {

constexpr std::string_view kTypeColumn = "Tipo";
constexpr std::string_view kDesignRun = "diseño";
constexpr std::string_view kNominalRun = "nominal";
constexpr std::string_view kDummyPrefix = "Ficticio ";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

using Row = std::vector<std::string>;

std::string quoted(std::string_view text) {
    return "«" + std::string(text) + "»";
}

// ---- where a message points ----

struct Place {
    std::size_t row = 0;    // 1-based, the header being row 1; 0 for none
    std::size_t column = 0; // 1-based; 0 for none
    std::string name;       // the column's name
};

[[noreturn]] void refuse(const Place& place, const std::string& message) {
    std::string text;
    if (place.row > 0) {
        text = "Fila " + std::to_string(place.row);
    }
    if (place.column > 0) {
        text += (text.empty() ? "Columna " : ", columna ") + std::to_string(place.column);
        if (!place.name.empty()) {
            text += " (" + quoted(place.name) + ")";
        }
    }
    throw RobustezError(text.empty() ? message : text + ": " + message);
}

// ---- the cells ----

bool isValidUtf8(std::string_view bytes) {
    while (!bytes.empty()) {
        const Utf8Step step = decodeUtf8(bytes);
        if (!step.wellFormed) {
            return false;
        }
        bytes.remove_prefix(step.length);
    }
    return true;
}

std::string tableText(std::string_view bytes) {
    if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        bytes.remove_prefix(kByteOrderMark.size());
    }
    return isValidUtf8(bytes) ? std::string(bytes) : cp1252ToUtf8(bytes);
}

std::string trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// Splits the text into rows of cells: tabs part cells, CR LF, LF or CR end a
// row, and a cell that starts with '"' runs to its closing quote ("" inside
// is one quote). Cells are trimmed of spaces outside the quotes.
std::vector<Row> splitRows(std::string_view text) {
    std::vector<Row> rows;
    Row row;
    std::string cell;
    std::size_t i = 0;
    const auto endCell = [&] {
        row.push_back(trimmed(cell));
        cell.clear();
    };
    while (i < text.size()) {
        const char c = text[i];
        if (c == '"' && trimmed(cell).empty()) {
            cell.clear();
            for (++i; i < text.size(); ++i) {
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        cell += '"';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                cell += text[i];
            }
            // Text after the closing quote belongs to the cell, spaces at
            // its end aside.
            std::string after;
            while (i < text.size() && text[i] != '\t' && text[i] != '\n' && text[i] != '\r') {
                after += text[i++];
            }
            cell += after.substr(0, after.find_last_not_of(' ') + 1);
            row.push_back(cell);
            cell.clear();
            if (i < text.size() && text[i] == '\t') {
                ++i;
                if (i == text.size()) {
                    row.push_back({});
                    rows.push_back(std::move(row));
                    row.clear();
                }
                continue;
            }
            if (i < text.size()) {
                i += (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
            }
            rows.push_back(std::move(row));
            row.clear();
            continue;
        }
        if (c == '\t') {
            endCell();
        } else if (c == '\n' || c == '\r') {
            endCell();
            rows.push_back(std::move(row));
            row.clear();
            i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 1 : 0;
        } else {
            cell += c;
        }
        ++i;
    }
    if (!cell.empty() || !row.empty()) {
        endCell();
        rows.push_back(std::move(row));
    }
    // Empty lines at the end, and rows of empty cells that a spreadsheet
    // copies below a table.
    const auto isEmpty = [](const Row& r) {
        return std::all_of(r.begin(), r.end(), [](const std::string& c) { return c.empty(); });
    };
    while (!rows.empty() && isEmpty(rows.back())) {
        rows.pop_back();
    }
    return rows;
}

// ---- names ----

struct NameAndUnit {
    std::string name;
    std::string unit;
};

// "Contenido (%)" is "Contenido" in "%": the unit is between the bracket
// that closes the name and the one that opens it, after a space
// ("Resolución (min (USP))" is "Resolución" in "min (USP)").
NameAndUnit splitUnit(const std::string& cell) {
    if (cell.empty() || cell.back() != ')') {
        return {cell, {}};
    }
    int depth = 0;
    for (std::size_t i = cell.size(); i-- > 0;) {
        depth += cell[i] == ')' ? 1 : cell[i] == '(' ? -1 : 0;
        if (depth == 0) {
            if (i == 0 || cell[i - 1] != ' ') {
                break;
            }
            return {cell.substr(0, i - 1), cell.substr(i + 1, cell.size() - i - 2)};
        }
    }
    return {cell, {}};
}

std::string joinUnit(const std::string& name, const std::string& unit) {
    if (unit.empty() && splitUnit(name).name == name) {
        return name;
    }
    return name + " (" + unit + ")";
}

bool isDummyName(std::string_view name) {
    if (name.substr(0, kDummyPrefix.size()) != kDummyPrefix) {
        return false;
    }
    const std::string_view digits = name.substr(kDummyPrefix.size());
    return !digits.empty() && digits.front() != '0' &&
           digits.find_first_not_of("0123456789") == std::string_view::npos;
}

// "diseño", "Diseño", "DISEÑO", "nominal" ... in any case.
std::string lowered(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.substr(i, 2) == "Ñ") {
            out += "ñ";
            ++i;
        } else {
            const char c = text[i];
            out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
    }
    return out;
}

// ---- the header ----

struct Header {
    std::vector<NameAndUnit> columns; // before "Tipo"
    std::size_t typeColumn = 0;       // 0-based
    std::vector<NameAndUnit> responses;
};

Header readHeader(const Row& cells) {
    Header header;
    std::vector<std::string> names;
    bool typeSeen = false;
    for (std::size_t c = 0; c < cells.size(); ++c) {
        if (cells[c].empty()) {
            refuse({1, c + 1, {}}, "la columna no tiene nombre.");
        }
        const NameAndUnit named = splitUnit(cells[c]);
        for (std::size_t before = 0; before < names.size(); ++before) {
            if (names[before] == named.name) {
                refuse({1, c + 1, named.name},
                       "el nombre ya está en la columna " + std::to_string(before + 1) + ".");
            }
        }
        names.push_back(named.name);
        if (!typeSeen && cells[c] == kTypeColumn) {
            typeSeen = true;
            header.typeColumn = c;
        } else if (typeSeen) {
            header.responses.push_back(named);
        } else {
            header.columns.push_back(named);
        }
    }
    if (!typeSeen) {
        refuse({1, 0, {}}, "falta la columna " + quoted(kTypeColumn) + ".");
    }
    if (header.columns.empty()) {
        refuse({1, 0, {}}, "no hay columnas de factores antes de " + quoted(kTypeColumn) + ".");
    }
    if (header.responses.empty()) {
        refuse({1, 0, {}}, "no hay columnas de respuestas después de " + quoted(kTypeColumn) + ".");
    }
    return header;
}

// ---- a design column ----

struct ColumnReading {
    std::string low;
    std::string nominal;
    std::string high;
    LowLevelRule rule = LowLevelRule::Codes;
    // One code per row after the header: -1 or 1 for a design run, 0 for a
    // nominal one.
    std::vector<int> codes;
};

std::optional<int> codeOf(const std::string& cell) {
    if (cell == "-1" || cell == "-") {
        return -1;
    }
    if (cell == "1" || cell == "+1" || cell == "+") {
        return 1;
    }
    return std::nullopt;
}

struct ColumnCells {
    const std::vector<Row>& rows;
    const std::vector<bool>& design; // per row after the header
    std::size_t column;
    std::string name;

    Place at(std::size_t row) const { return {row + 2, column + 1, name}; }
    const std::string& cell(std::size_t row) const { return rows[row + 1][column]; }
    std::size_t count() const { return design.size(); }
};

std::optional<ColumnReading> readCodes(const ColumnCells& cells) {
    ColumnReading reading{"-1", "0", "1", LowLevelRule::Codes, {}};
    for (std::size_t r = 0; r < cells.count(); ++r) {
        const std::optional<int> code = codeOf(cells.cell(r));
        if (cells.design[r] ? !code : cells.cell(r) != "0") {
            return std::nullopt;
        }
        reading.codes.push_back(cells.design[r] ? *code : 0);
    }
    return reading;
}

// A setting as the study keeps it: a number with "." for the separator.
struct Setting {
    std::string text;
    std::optional<double> number;
};

Setting settingOf(const std::string& cell, std::string_view separator) {
    double value = 0;
    if (!cell.empty() && tryToDecimal(cell, separator, value)) {
        const std::size_t at = cell.find(separator);
        if (separator == "." || at == std::string::npos) {
            return {cell, value};
        }
        return {cell.substr(0, at) + "." + cell.substr(at + separator.size()), value};
    }
    return {cell, std::nullopt};
}

bool sameSetting(const Setting& a, const Setting& b, bool numeric) {
    return numeric ? *a.number == *b.number : a.text == b.text;
}

ColumnReading readSettings(const ColumnCells& cells, std::string_view separator) {
    std::vector<Setting> settings;
    bool numeric = true;
    for (std::size_t r = 0; r < cells.count(); ++r) {
        settings.push_back(settingOf(cells.cell(r), separator));
        if (cells.design[r]) {
            if (cells.cell(r).empty()) {
                refuse(cells.at(r), "falta el ajuste del ensayo de diseño.");
            }
            numeric = numeric && settings.back().number.has_value();
        }
    }
    // The distinct settings of the design runs, in the order met.
    std::vector<std::size_t> distinct;
    for (std::size_t r = 0; r < cells.count(); ++r) {
        if (!cells.design[r]) {
            continue;
        }
        bool known = false;
        for (const std::size_t d : distinct) {
            known = known || sameSetting(settings[d], settings[r], numeric);
        }
        if (!known) {
            distinct.push_back(r);
        }
    }
    if (distinct.size() != 2) {
        std::string list;
        for (const std::size_t d : distinct) {
            list += (list.empty() ? "" : ", ") + quoted(cells.cell(d));
        }
        refuse({0, cells.column + 1, cells.name},
               "los ensayos de diseño tienen " + std::to_string(distinct.size()) +
                   (distinct.size() == 1 ? " ajuste (" : " ajustes (") + list +
                   "); se esperaban 2.");
    }
    std::size_t low = distinct[0];
    std::size_t high = distinct[1];
    if (numeric && *settings[high].number < *settings[low].number) {
        std::swap(low, high);
    }
    ColumnReading reading{settings[low].text,
                          {},
                          settings[high].text,
                          numeric ? LowLevelRule::SmallerNumber : LowLevelRule::FirstMet,
                          {}};
    std::optional<std::size_t> firstNominal;
    for (std::size_t r = 0; r < cells.count(); ++r) {
        if (cells.design[r]) {
            reading.codes.push_back(sameSetting(settings[r], settings[low], numeric) ? -1 : 1);
            continue;
        }
        reading.codes.push_back(0);
        if (!firstNominal) {
            firstNominal = r;
            reading.nominal = settings[r].text;
        } else if (cells.cell(r) != cells.cell(*firstNominal)) {
            refuse(cells.at(r), "el ajuste nominal " + quoted(cells.cell(r)) +
                                    " difiere del de la fila " + std::to_string(*firstNominal + 2) +
                                    " (" + quoted(cells.cell(*firstNominal)) + ").");
        }
    }
    return reading;
}

// ---- the design ----

// Every column has as many runs at each level, and every two columns are
// orthogonal; the message names the first column or pair that is not.
void checkBalancedOrthogonal(const std::vector<std::vector<int>>& matrix,
                             const std::vector<std::string>& names) {
    const std::size_t k = names.size();
    for (std::size_t c = 0; c < k; ++c) {
        int high = 0;
        for (const std::vector<int>& row : matrix) {
            high += row[c] > 0 ? 1 : 0;
        }
        const int low = static_cast<int>(matrix.size()) - high;
        if (high != low) {
            refuse({0, c + 1, names[c]}, "el diseño no está equilibrado: " + std::to_string(low) +
                                             " ensayos de diseño en el nivel bajo y " +
                                             std::to_string(high) + " en el alto.");
        }
    }
    for (std::size_t a = 0; a < k; ++a) {
        for (std::size_t b = a + 1; b < k; ++b) {
            int product = 0;
            for (const std::vector<int>& row : matrix) {
                product += row[a] * row[b];
            }
            if (product != 0) {
                refuse({0, b + 1, names[b]},
                       "el diseño no es ortogonal: la columna no es independiente de la " +
                           std::to_string(a + 1) + " (" + quoted(names[a]) + ").");
            }
        }
    }
    if (!isBalancedOrthogonal(matrix)) {
        refuse({}, "los ensayos de diseño no forman un diseño equilibrado y ortogonal.");
    }
}

std::vector<bool> readTypes(const std::vector<Row>& rows, const Header& header) {
    std::vector<bool> design;
    const std::size_t width = rows[0].size();
    for (std::size_t r = 1; r < rows.size(); ++r) {
        if (rows[r].size() != width) {
            refuse({r + 1, 0, {}}, "tiene " + std::to_string(rows[r].size()) +
                                       " columnas y el encabezado " + std::to_string(width) + ".");
        }
        const std::string type = lowered(rows[r][header.typeColumn]);
        if (type != kDesignRun && type != kNominalRun) {
            refuse({r + 1, header.typeColumn + 1, std::string(kTypeColumn)},
                   quoted(rows[r][header.typeColumn]) + " no es " + quoted(kDesignRun) + " ni " +
                       quoted(kNominalRun) + ".");
        }
        design.push_back(type == kDesignRun);
    }
    return design;
}

std::vector<std::optional<double>> readValues(const Row& row, std::size_t rowNumber,
                                              const Header& header, std::string_view separator) {
    std::vector<std::optional<double>> values;
    for (std::size_t i = 0; i < header.responses.size(); ++i) {
        const std::size_t c = header.typeColumn + 1 + i;
        const Place place{rowNumber, c + 1, header.responses[i].name};
        if (row[c].empty()) {
            refuse(place, "falta el valor.");
        }
        double value = 0;
        if (!tryToDecimal(row[c], separator, value)) {
            refuse(place, quoted(row[c]) + " no es un número.");
        }
        values.push_back(value);
    }
    return values;
}

// ---- writing ----

void appendCell(std::string& out, std::string_view cell) {
    if (cell.find_first_of("\t\r\n\"") == std::string_view::npos &&
        cell.find_first_not_of(' ') != std::string_view::npos && cell.front() != ' ' &&
        cell.back() != ' ') {
        out += cell;
        return;
    }
    if (cell.empty()) {
        return;
    }
    out += '"';
    for (const char c : cell) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    out += '"';
}

// A number of the study ("." inside) in the locale's notation.
std::string localNumber(std::string text, std::string_view separator) {
    const std::size_t at = text.find('.');
    if (at != std::string::npos) {
        text.replace(at, 1, separator);
    }
    return text;
}

std::string settingCell(const std::string& setting, std::string_view separator) {
    double value = 0;
    return tryToDecimal(setting, ".", value) ? localNumber(setting, separator) : setting;
}

std::string valueCell(const std::optional<double>& value, std::string_view separator) {
    if (!value) {
        return {};
    }
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, *value);
    return localNumber(std::string(buffer, result.ptr), separator);
}

} // namespace

RunTableReading decodeRunTable(std::string_view bytes, std::string_view decimalSeparator) {
    const std::vector<Row> rows = splitRows(tableText(bytes));
    if (rows.empty()) {
        refuse({}, "La tabla está vacía.");
    }
    const Header header = readHeader(rows[0]);
    if (rows.size() == 1) {
        refuse({}, "La tabla no tiene ensayos.");
    }
    const std::vector<bool> design = readTypes(rows, header);
    std::size_t designRuns = 0;
    for (const bool d : design) {
        designRuns += d ? 1 : 0;
    }
    if (designRuns == 0) {
        refuse({}, "La tabla no tiene ensayos de diseño.");
    }

    RunTableReading reading;
    DesignStudy& study = reading.study;
    study.kind = DesignKind::Table;
    study.randomOrder = false;
    study.seed = 0;
    study.nominalRuns = static_cast<int>(design.size() - designRuns);
    for (const NameAndUnit& response : header.responses) {
        study.responses.push_back({response.name, response.unit});
    }
    study.runs.resize(design.size());
    std::vector<std::string> names;
    for (std::size_t c = 0; c < header.columns.size(); ++c) {
        const ColumnCells cells{rows, design, c, header.columns[c].name};
        std::optional<ColumnReading> column = readCodes(cells);
        if (!column) {
            column = readSettings(cells, decimalSeparator);
        }
        names.push_back(header.columns[c].name);
        if (isDummyName(header.columns[c].name)) {
            study.columns.push_back({header.columns[c].name, -1});
        } else {
            study.columns.push_back(
                {header.columns[c].name, static_cast<int>(study.factors.size())});
            study.factors.push_back({header.columns[c].name, header.columns[c].unit, column->low,
                                     column->nominal, column->high});
            reading.lowLevel.push_back(column->rule);
        }
        for (std::size_t r = 0; r < design.size(); ++r) {
            study.runs[r].codes.push_back(column->codes[r]);
        }
    }

    std::vector<std::vector<int>> matrix;
    int designCount = 0;
    int nominalCount = 0;
    for (std::size_t r = 0; r < design.size(); ++r) {
        DesignRun& run = study.runs[r];
        run.type = design[r] ? RunType::Design : RunType::Nominal;
        run.standardIndex = design[r] ? ++designCount : ++nominalCount;
        run.values = readValues(rows[r + 1], r + 2, header, decimalSeparator);
        if (design[r]) {
            matrix.push_back(run.codes);
        }
    }
    checkBalancedOrthogonal(matrix, names);
    return reading;
}

RunTableReading loadRunTable(const std::string& path, std::string_view decimalSeparator) {
    return decodeRunTable(readFileBytes(path), decimalSeparator);
}

std::string encodeRunTable(const DesignStudy& study, std::string_view decimalSeparator) {
    std::string out;
    const auto endRow = [&out] { out += '\n'; };
    for (const DesignColumn& column : study.columns) {
        appendCell(out, column.factor >= 0 ? joinUnit(study.factors[column.factor].name,
                                                      study.factors[column.factor].unit)
                                           : column.name);
        out += '\t';
    }
    out += kTypeColumn;
    for (const DesignResponse& response : study.responses) {
        out += '\t';
        appendCell(out, joinUnit(response.name, response.unit));
    }
    endRow();
    for (const DesignRun& run : study.runs) {
        for (std::size_t c = 0; c < study.columns.size(); ++c) {
            const int code = c < run.codes.size() ? run.codes[c] : 0;
            const int factor = study.columns[c].factor;
            if (factor < 0) {
                out += code < 0 ? "-1" : code > 0 ? "1" : "0";
            } else {
                const DesignFactor& f = study.factors[factor];
                appendCell(out, settingCell(code < 0   ? f.low
                                            : code > 0 ? f.high
                                                       : f.nominal,
                                            decimalSeparator));
            }
            out += '\t';
        }
        out += run.type == RunType::Design ? kDesignRun : kNominalRun;
        for (const std::optional<double>& value : run.values) {
            out += '\t';
            appendCell(out, valueCell(value, decimalSeparator));
        }
        endRow();
    }
    return out;
}

} // namespace robustez::design
