#include "core/design/design_editing.h"

#include "core/study/conversions.h"
#include "core/study/errors.h"

#include <algorithm>
#include <map>
#include <numeric>

namespace robustez::design {

namespace {

// Replaces the first `from` in the text by `to`.
std::string replacedOnce(std::string text, std::string_view from, std::string_view to) {
    if (const std::size_t at = text.find(from); !from.empty() && at != std::string::npos) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// The indexes of the runs of the type, in standard order.
std::vector<std::size_t> inStandardOrder(const DesignStudy& study, RunType type) {
    std::vector<std::size_t> indexes;
    for (std::size_t r = 0; r < study.runs.size(); ++r) {
        if (study.runs[r].type == type) {
            indexes.push_back(r);
        }
    }
    std::stable_sort(indexes.begin(), indexes.end(), [&study](std::size_t a, std::size_t b) {
        return study.runs[a].standardIndex < study.runs[b].standardIndex;
    });
    return indexes;
}

using Row = std::vector<std::string>;

std::vector<Row> splitBlock(std::string_view text) {
    std::vector<Row> rows;
    Row row(1);
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i++];
        if (c == '\t') {
            row.emplace_back();
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i < text.size() && text[i] == '\n') {
                ++i;
            }
            rows.push_back(std::move(row));
            row = Row(1);
        } else {
            row.back() += c;
        }
    }
    if (row.size() > 1 || !row.front().empty()) {
        rows.push_back(std::move(row));
    }
    return rows;
}

std::size_t widthOf(const std::vector<Row>& rows) {
    std::size_t width = 0;
    for (const Row& row : rows) {
        width = std::max(width, row.size());
    }
    return width;
}

// Drops the last column while no row has text there.
void dropEmptyLastColumns(std::vector<Row>& rows) {
    for (std::size_t width = widthOf(rows); width > 0; --width) {
        for (const Row& row : rows) {
            if (row.size() == width && !row.back().empty()) {
                return;
            }
        }
        for (Row& row : rows) {
            if (row.size() == width) {
                row.pop_back();
            }
        }
    }
    rows.clear();
}

std::string countOf(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

bool readsAsNumber(const std::string& text, std::string_view separator) {
    double value = 0;
    return tryToDecimal(text, separator, value);
}

} // namespace

std::string keptSetting(const std::string& typed, std::string_view decimalSeparator) {
    double value = 0;
    if (decimalSeparator == "." || typed.empty() || !tryToDecimal(typed, decimalSeparator, value)) {
        return typed;
    }
    return replacedOnce(typed, decimalSeparator, ".");
}

std::string shownSetting(const std::string& kept, std::string_view decimalSeparator) {
    double value = 0;
    if (decimalSeparator == "." || kept.empty() || !tryToDecimal(kept, ".", value)) {
        return kept;
    }
    return replacedOnce(kept, ".", decimalSeparator);
}

std::vector<int> factorCodes(const DesignStudy& study, const DesignRun& run) {
    std::vector<int> codes(study.factors.size(), 0);
    for (std::size_t c = 0; c < study.columns.size() && c < run.codes.size(); ++c) {
        const int factor = study.columns[c].factor;
        if (factor >= 0 && static_cast<std::size_t>(factor) < codes.size()) {
            codes[static_cast<std::size_t>(factor)] = run.codes[c];
        }
    }
    return codes;
}

std::vector<int> survivingRuns(const DesignStudy& before, const DesignStudy& after) {
    std::vector<int> origin(after.runs.size(), -1);
    // Nominal runs by their number.
    std::map<int, std::size_t> nominal;
    for (std::size_t r = 0; r < before.runs.size(); ++r) {
        if (before.runs[r].type == RunType::Nominal) {
            nominal.emplace(before.runs[r].standardIndex, r);
        }
    }
    for (std::size_t r = 0; r < after.runs.size(); ++r) {
        if (after.runs[r].type == RunType::Nominal) {
            if (const auto it = nominal.find(after.runs[r].standardIndex); it != nominal.end()) {
                origin[r] = static_cast<int>(it->second);
            }
        }
    }
    // Design runs by their factors' settings, in standard order.
    std::map<std::vector<int>, std::vector<std::size_t>> bySettings;
    for (const std::size_t r : inStandardOrder(before, RunType::Design)) {
        bySettings[factorCodes(before, before.runs[r])].push_back(r);
    }
    std::map<std::vector<int>, std::size_t> used;
    for (const std::size_t r : inStandardOrder(after, RunType::Design)) {
        const std::vector<int> codes = factorCodes(after, after.runs[r]);
        const auto it = bySettings.find(codes);
        if (it == bySettings.end()) {
            continue;
        }
        std::size_t& next = used[codes];
        if (next < it->second.size()) {
            origin[r] = static_cast<int>(it->second[next++]);
        }
    }
    return origin;
}

int measuredValueCount(const DesignStudy& study) {
    int count = 0;
    for (const DesignRun& run : study.runs) {
        count += static_cast<int>(std::count_if(run.values.begin(), run.values.end(),
                                                [](const auto& v) { return v.has_value(); }));
    }
    return count;
}

int carryValues(const DesignStudy& before, DesignStudy& after) {
    const std::vector<int> origin = survivingRuns(before, after);
    int carried = 0;
    for (std::size_t r = 0; r < after.runs.size(); ++r) {
        std::vector<std::optional<double>>& values = after.runs[r].values;
        values.assign(after.responses.size(), std::nullopt);
        if (origin[r] < 0) {
            continue;
        }
        const auto& old = before.runs[static_cast<std::size_t>(origin[r])].values;
        for (std::size_t v = 0; v < values.size() && v < old.size(); ++v) {
            values[v] = old[v];
            carried += old[v].has_value() ? 1 : 0;
        }
    }
    return measuredValueCount(before) - carried;
}

PastedResponses readPastedResponses(std::string_view text, std::size_t run, std::size_t response,
                                    std::size_t runs, std::size_t responses,
                                    std::string_view decimalSeparator) {
    std::vector<Row> rows = splitBlock(text);
    dropEmptyLastColumns(rows);
    PastedResponses pasted;
    if (rows.empty()) {
        return pasted;
    }
    const std::size_t width = widthOf(rows);
    const std::size_t roomRows = run < runs ? runs - run : 0;
    const std::size_t roomColumns = response < responses ? responses - response : 0;
    if (rows.size() > roomRows || width > roomColumns) {
        throw RobustezError("El bloque pegado no cabe en la tabla a partir de la celda "
                            "seleccionada.\nEl bloque tiene " +
                            countOf(rows.size(), "fila", "filas") + " y " +
                            countOf(width, "columna", "columnas") +
                            "; desde la celda actual caben " + countOf(roomRows, "fila", "filas") +
                            " y " + countOf(roomColumns, "columna", "columnas") + ".");
    }
    bool allSwappedRead = true;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            const std::string& cell = rows[r][c];
            if (cell.find_first_not_of(' ') == std::string::npos) {
                continue;
            }
            PastedResponse value{run + r, response + c, cell};
            if (!readsAsNumber(cell, decimalSeparator)) {
                pasted.refused.push_back(value);
                allSwappedRead = allSwappedRead &&
                                 readsAsNumber(withPointAndCommaSwapped(cell), decimalSeparator);
            }
            pasted.cells.push_back(std::move(value));
        }
    }
    pasted.convertible = !pasted.refused.empty() && allSwappedRead;
    return pasted;
}

std::string withPointAndCommaSwapped(std::string text) {
    for (char& c : text) {
        c = c == '.' ? ',' : c == ',' ? '.' : c;
    }
    return text;
}

std::string refusedResponseMessage(const DesignStudy& study, const PastedResponse& cell) {
    const std::string name = cell.response < study.responses.size()
                                 ? study.responses[cell.response].name
                                 : "respuesta " + std::to_string(cell.response + 1);
    return "Algún dato pegado no es un valor numérico: " + name + ", corrida " +
           std::to_string(cell.run + 1) + ": «" + cell.text + "».";
}

} // namespace robustez::design
