#include "core/design/design_file.h"

#include "core/design/designs.h"
#include "core/platform/platform.h"
#include "core/study/errors.h"
#include "core/text/utf8.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

namespace robustez::design {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
// The most read from a source that is not a regular file.
constexpr std::size_t kMaxStreamBytes = 64 * 1024 * 1024;
// The largest count a file may give (factors, responses, columns, runs).
constexpr long long kMaxCount = 1000000;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// The line of the design's name and kind.
constexpr std::size_t kDesignLine = 5;

struct KindWord {
    DesignKind kind;
    std::string_view word;
};
constexpr std::array<KindWord, 4> kKindWords = {{
    {DesignKind::PlackettBurman, "plackett-burman"},
    {DesignKind::Fractional, "fraccional"},
    {DesignKind::Full, "completo"},
    {DesignKind::Table, "tabla"},
}};

constexpr std::string_view kRandomOrder = "aleatorio";
constexpr std::string_view kStandardOrder = "estándar";
constexpr std::string_view kDesignRun = "diseño";
constexpr std::string_view kNominalRun = "nominal";
constexpr std::string_view kDummy = "ficticio";

// ---- writing ----

void appendEscaped(std::string& out, std::string_view text) {
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                constexpr char kHex[] = "0123456789ABCDEF";
                out += "\\x";
                out += kHex[(c >> 4) & 0xF];
                out += kHex[c & 0xF];
            } else {
                out += c;
            }
        }
    }
}

void appendNumber(std::string& out, double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

// Appends one line of fields: texts escaped, parted by tabs, ended by LF.
class LineWriter {
public:
    explicit LineWriter(std::string& out) : out_(out) {}
    LineWriter& text(std::string_view field) {
        separate();
        appendEscaped(out_, field);
        return *this;
    }
    LineWriter& word(std::string_view field) {
        separate();
        out_ += field;
        return *this;
    }
    LineWriter& number(long long value) { return word(std::to_string(value)); }
    LineWriter& value(const std::optional<double>& value) {
        separate();
        if (value) {
            appendNumber(out_, *value);
        }
        return *this;
    }
    ~LineWriter() { out_ += '\n'; }

private:
    void separate() {
        if (!first_) {
            out_ += '\t';
        }
        first_ = false;
    }
    std::string& out_;
    bool first_ = true;
};

std::string_view kindWord(DesignKind kind) {
    for (const KindWord& k : kKindWords) {
        if (k.kind == kind) {
            return k.word;
        }
    }
    return kKindWords.back().word;
}

// ---- reading ----

[[noreturn]] void refuse(std::size_t line, const std::string& message) {
    throw RobustezError("Línea " + std::to_string(line) + ": " + message);
}

std::string quoted(std::string_view text) {
    return "«" + std::string(text) + "»";
}

// The lines of the file with their numbers; CR LF and LF end a line. Each
// line is found as it is asked for, and its fields are views into the bytes,
// held in one list that every line reuses.
class Lines {
public:
    explicit Lines(std::string_view bytes) : rest_(bytes) {
        if (rest_.starts_with(kByteOrderMark)) {
            rest_.remove_prefix(kByteOrderMark.size());
        }
    }

    // The number of the line `next` gives.
    std::size_t number() const { return read_ + 1; }

    // The fields of the next line, checked for UTF-8 and control characters;
    // valid until the next line is read.
    const std::vector<std::string_view>& next() {
        if (rest_.empty()) {
            refuse(number(), "falta la línea; el archivo está incompleto.");
        }
        const std::string_view line = take();
        ++read_;
        splitChecked(line);
        return fields_;
    }

    // Room for `count` items of a line each, no more than there are lines
    // left: a count a damaged file overstates reserves nothing it lacks.
    template <typename T> void reserve(std::vector<T>& items, std::size_t count) const {
        items.reserve(std::min(count, rest_.size()));
    }

    // The next line, which must have exactly `count` fields.
    const std::vector<std::string_view>& next(std::size_t count) {
        next();
        checkCount(count);
        return fields_;
    }

    // Refuses the line just read unless it has `count` fields.
    void checkCount(std::size_t count) const {
        if (fields_.size() != count) {
            refuse(read_, "se esperaban " + std::to_string(count) +
                              " campos separados por tabuladores y hay " +
                              std::to_string(fields_.size()) + ".");
        }
    }

    // Only empty lines may follow the last run.
    void expectEnd() {
        while (!rest_.empty()) {
            if (!take().empty()) {
                refuse(number(), "hay texto después de la tabla de ensayos.");
            }
            ++read_;
        }
    }

private:
    // The next line, without its end.
    std::string_view take() {
        const std::size_t end = rest_.find('\n');
        std::string_view line = rest_.substr(0, end);
        rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        return line;
    }

    // Parts the line at its tabs into fields_, refusing it at its first
    // character that is not well-formed UTF-8 or is a control character
    // other than the tab.
    void splitChecked(std::string_view line) {
        fields_.clear();
        const char* const data = line.data();
        const std::size_t size = line.size();
        std::size_t start = 0;
        for (std::size_t i = 0; i < size;) {
            const auto c = static_cast<unsigned char>(data[i]);
            if (c >= 0x20 && c < 0x7F) {
                ++i;
            } else if (c == '\t') {
                fields_.emplace_back(data + start, i - start);
                start = ++i;
            } else if (c < 0x80) {
                refuse(read_, "hay un carácter de control en la línea.");
            } else {
                const Utf8Step step = decodeUtf8(line.substr(i));
                if (!step.wellFormed) {
                    refuse(read_, "el texto no es UTF-8 válido.");
                }
                i += step.length;
            }
        }
        fields_.emplace_back(data + start, size - start);
    }

    std::string_view rest_;
    std::size_t read_ = 0; // lines read
    std::vector<std::string_view> fields_;
};

// The control character of two hexadecimal digits ("1F"), the only
// characters written as "\x" and two digits.
std::optional<char> controlCharacter(std::string_view digits) {
    unsigned value = 0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (digits.size() != 2 || result.ptr != digits.data() + 2 || (value >= 0x20 && value != 0x7F)) {
        return std::nullopt;
    }
    return static_cast<char>(value);
}

std::string unescape(std::string_view field, std::size_t line) {
    if (field.find('\\') == std::string_view::npos) {
        return std::string(field);
    }
    std::string text;
    text.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            text += field[i];
            continue;
        }
        const char next = i + 1 < field.size() ? field[i + 1] : '\0';
        switch (next) {
        case '\\':
            text += '\\';
            break;
        case 't':
            text += '\t';
            break;
        case 'n':
            text += '\n';
            break;
        case 'r':
            text += '\r';
            break;
        case 'x':
            if (const std::optional<char> c = controlCharacter(field.substr(i + 2, 2))) {
                text += *c;
                i += 2;
                break;
            }
            [[fallthrough]];
        default:
            refuse(line, "secuencia de escape no válida en " + quoted(field) + ".");
        }
        ++i;
    }
    return text;
}

// A whole number in decimal digits, from `least` to `most`.
long long wholeNumber(std::string_view field, std::size_t line, long long least, long long most) {
    long long value = 0;
    const auto result = std::from_chars(field.data(), field.data() + field.size(), value);
    if (field.empty() || result.ec != std::errc() || result.ptr != field.data() + field.size() ||
        value < least || value > most) {
        refuse(line, quoted(field) + " no es un número entero válido (de " + std::to_string(least) +
                         " a " + std::to_string(most) + ").");
    }
    return value;
}

std::uint64_t seedNumber(std::string_view field, std::size_t line) {
    std::uint64_t value = 0;
    const auto result = std::from_chars(field.data(), field.data() + field.size(), value);
    if (field.empty() || result.ec != std::errc() || result.ptr != field.data() + field.size()) {
        refuse(line, quoted(field) + " no es una semilla válida.");
    }
    return value;
}

// The powers of ten a double holds exactly, up to 10^15.
constexpr std::array<double, 16> kExactPowersOfTen = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                      1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// The value of a field of digits with at most one point between them and an
// optional minus before them ("-100.65"), at most 15 digits in all. Their
// integer and the power of ten it is divided by are both exact doubles, so
// the one rounding of the division gives the double nearest the field, as
// std::from_chars does. Nothing for any other field.
std::optional<double> shortDecimal(std::string_view field) {
    const bool negative = field.starts_with('-');
    std::size_t i = negative ? 1 : 0;
    std::uint64_t digits = 0;
    std::size_t count = 0;
    std::size_t point = field.size(); // the digits before the point
    for (; i < field.size(); ++i) {
        const char c = field[i];
        if (c >= '0' && c <= '9') {
            digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
            if (++count >= kExactPowersOfTen.size()) {
                return std::nullopt;
            }
        } else if (c == '.' && point == field.size() && count > 0 && i + 1 < field.size()) {
            point = count;
        } else {
            return std::nullopt;
        }
    }
    if (count == 0) {
        return std::nullopt;
    }
    const std::size_t decimals = point == field.size() ? 0 : count - point;
    const double value = static_cast<double>(digits) / kExactPowersOfTen[decimals];
    return negative ? -value : value;
}

// A measured value as the file writes it, or nothing for an empty field.
std::optional<double> measuredValue(std::string_view field, std::size_t line) {
    if (field.empty()) {
        return std::nullopt;
    }
    if (const std::optional<double> value = shortDecimal(field)) {
        return value;
    }
    double value = 0;
    const auto result = std::from_chars(field.data(), field.data() + field.size(), value,
                                        std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != field.data() + field.size() ||
        !std::isfinite(value)) {
        refuse(line, quoted(field) + " no es un número válido.");
    }
    return value;
}

// The fields after the key of a line that must begin with `key` and hold
// `count` fields more; valid until the next line is read.
std::span<const std::string_view> keyedLine(Lines& lines, std::string_view key, std::size_t count) {
    const std::size_t line = lines.number();
    const std::vector<std::string_view>& fields = lines.next();
    if (fields[0] != key) {
        refuse(line, "se esperaba " + quoted(key) + " y se encontró " + quoted(fields[0]) + ".");
    }
    lines.checkCount(count + 1);
    return std::span<const std::string_view>(fields).subspan(1);
}

std::string keyedText(Lines& lines, std::string_view key) {
    const std::size_t line = lines.number();
    return unescape(keyedLine(lines, key, 1)[0], line);
}

std::size_t sectionCount(Lines& lines, std::string_view key) {
    const std::size_t line = lines.number();
    return static_cast<std::size_t>(wholeNumber(keyedLine(lines, key, 1)[0], line, 0, kMaxCount));
}

void readHeader(Lines& lines) {
    const std::vector<std::string_view>& first = lines.next();
    if (first[0] != kDesignFileMagic || first.size() != 2) {
        refuse(1, "no es un archivo de diseño de Robustez.");
    }
    long long version = 0;
    const auto result =
        std::from_chars(first[1].data(), first[1].data() + first[1].size(), version);
    if (result.ec != std::errc() || result.ptr != first[1].data() + first[1].size() ||
        version < 1) {
        refuse(1, "versión del formato no válida " + quoted(first[1]) + ".");
    }
    if (version > kDesignFileVersion) {
        refuse(1, "el archivo es de la versión " + std::to_string(version) +
                      " del formato de diseño; este programa lee la versión " +
                      std::to_string(kDesignFileVersion) + ".");
    }
}

void readFields(Lines& lines, DesignStudy& study) {
    study.method = keyedText(lines, "Método");
    study.analyst = keyedText(lines, "Analista");
    study.date = keyedText(lines, "Fecha");

    const std::span<const std::string_view> design = keyedLine(lines, "Diseño", 2);
    const std::size_t designLine = lines.number() - 1;
    study.design = unescape(design[0], designLine);
    bool known = false;
    for (const KindWord& k : kKindWords) {
        if (k.word == design[1]) {
            study.kind = k.kind;
            known = true;
        }
    }
    if (!known) {
        refuse(designLine, "tipo de diseño desconocido " + quoted(design[1]) + ".");
    }

    study.nominalRuns = static_cast<int>(sectionCount(lines, "Ensayos nominales"));

    const std::span<const std::string_view> order = keyedLine(lines, "Orden", 2);
    const std::size_t orderLine = lines.number() - 1;
    if (order[0] != kRandomOrder && order[0] != kStandardOrder) {
        refuse(orderLine, "orden desconocido " + quoted(order[0]) + ".");
    }
    study.randomOrder = order[0] == kRandomOrder;
    study.seed = seedNumber(order[1], orderLine);
}

void readFactorsAndResponses(Lines& lines, DesignStudy& study) {
    const std::size_t factors = sectionCount(lines, "Factores");
    lines.reserve(study.factors, factors);
    for (std::size_t i = 0; i < factors; ++i) {
        const std::size_t line = lines.number();
        const std::vector<std::string_view>& f = lines.next(5);
        study.factors.push_back({unescape(f[0], line), unescape(f[1], line), unescape(f[2], line),
                                 unescape(f[3], line), unescape(f[4], line)});
    }
    const std::size_t responses = sectionCount(lines, "Respuestas");
    lines.reserve(study.responses, responses);
    for (std::size_t i = 0; i < responses; ++i) {
        const std::size_t line = lines.number();
        const std::vector<std::string_view>& r = lines.next(2);
        study.responses.push_back({unescape(r[0], line), unescape(r[1], line)});
    }
}

void readColumns(Lines& lines, DesignStudy& study) {
    const std::size_t columns = sectionCount(lines, "Columnas");
    std::vector<bool> placed(study.factors.size(), false);
    lines.reserve(study.columns, columns);
    for (std::size_t i = 0; i < columns; ++i) {
        const std::size_t line = lines.number();
        const std::vector<std::string_view>& c = lines.next(2);
        DesignColumn column{unescape(c[0], line), -1};
        if (c[1] != kDummy) {
            if (study.factors.empty()) {
                refuse(line, "la columna nombra un factor y el estudio no tiene factores.");
            }
            const long long factor =
                wholeNumber(c[1], line, 1, static_cast<long long>(placed.size()));
            if (placed[factor - 1]) {
                refuse(line, "el factor " + std::to_string(factor) + " ya tiene otra columna.");
            }
            placed[factor - 1] = true;
            column.factor = static_cast<int>(factor - 1);
        }
        study.columns.push_back(std::move(column));
    }
}

// The code a field writes: "-1", "0" or "1".
std::optional<int> codeOf(std::string_view field) {
    if (field.size() == 1 && (field[0] == '0' || field[0] == '1')) {
        return field[0] - '0';
    }
    if (field.size() == 2 && field[0] == '-' && field[1] == '1') {
        return -1;
    }
    return std::nullopt;
}

DesignRun readRun(Lines& lines, const DesignStudy& study, std::size_t position) {
    const std::size_t line = lines.number();
    const std::size_t columns = study.columns.size();
    const std::vector<std::string_view>& f = lines.next(3 + columns + study.responses.size());
    if (wholeNumber(f[0], line, 1, kMaxCount) != static_cast<long long>(position)) {
        refuse(line, "el ensayo lleva el número " + quoted(f[0]) + "; se esperaba el " +
                         std::to_string(position) + ".");
    }
    DesignRun run;
    if (f[1] == kDesignRun) {
        run.type = RunType::Design;
    } else if (f[1] == kNominalRun) {
        run.type = RunType::Nominal;
    } else {
        refuse(line, "tipo de ensayo desconocido " + quoted(f[1]) + ".");
    }
    run.standardIndex = static_cast<int>(wholeNumber(f[2], line, 1, kMaxCount));
    run.codes.reserve(columns);
    run.values.reserve(study.responses.size());
    for (std::size_t c = 0; c < columns; ++c) {
        const std::string_view code = f[3 + c];
        const std::optional<int> value = codeOf(code);
        const bool valid = run.type == RunType::Nominal ? value == 0 : value && *value != 0;
        if (!valid) {
            refuse(line, "código " + quoted(code) + " no válido en la columna " +
                             quoted(study.columns[c].name) + "; un ensayo " +
                             std::string(run.type == RunType::Nominal ? "nominal lleva 0."
                                                                      : "de diseño lleva -1 o 1."));
        }
        run.codes.push_back(*value);
    }
    for (std::size_t r = 0; r < study.responses.size(); ++r) {
        run.values.push_back(measuredValue(f[3 + columns + r], line));
    }
    return run;
}

// Design runs carry each standard index from 1 to their count once; nominal
// runs count 1, 2, ... in run order, as many as the field says.
void checkRunIndexes(const DesignStudy& study, std::size_t firstRunLine) {
    std::size_t designRuns = 0;
    for (const DesignRun& run : study.runs) {
        designRuns += run.type == RunType::Design ? 1 : 0;
    }
    const std::size_t nominalRuns = study.runs.size() - designRuns;
    if (nominalRuns != static_cast<std::size_t>(study.nominalRuns)) {
        refuse(firstRunLine - 1, "hay " + std::to_string(nominalRuns) +
                                     " ensayos nominales y el campo «Ensayos nominales» dice " +
                                     std::to_string(study.nominalRuns) + ".");
    }
    std::vector<bool> seen(designRuns + 1, false);
    int nominalCount = 0;
    for (std::size_t i = 0; i < study.runs.size(); ++i) {
        const DesignRun& run = study.runs[i];
        const std::size_t line = firstRunLine + i;
        const auto index = static_cast<std::size_t>(run.standardIndex);
        if (run.type == RunType::Nominal) {
            if (run.standardIndex != ++nominalCount) {
                refuse(line, "el ensayo nominal lleva el índice " + std::to_string(index) +
                                 "; se esperaba el " + std::to_string(nominalCount) + ".");
            }
        } else if (index > designRuns || seen[index]) {
            refuse(line, "índice estándar " + std::to_string(index) +
                             (index > designRuns ? " fuera del diseño de " +
                                                       std::to_string(designRuns) + " ensayos."
                                                 : " repetido."));
        } else {
            seen[index] = true;
        }
    }
}

void appendSections(std::string& out, const DesignStudy& study) {
    LineWriter(out).word("Factores").number(static_cast<long long>(study.factors.size()));
    for (const DesignFactor& f : study.factors) {
        LineWriter(out).text(f.name).text(f.unit).text(f.low).text(f.nominal).text(f.high);
    }
    LineWriter(out).word("Respuestas").number(static_cast<long long>(study.responses.size()));
    for (const DesignResponse& r : study.responses) {
        LineWriter(out).text(r.name).text(r.unit);
    }
    LineWriter(out).word("Columnas").number(static_cast<long long>(study.columns.size()));
    for (const DesignColumn& c : study.columns) {
        LineWriter line(out);
        line.text(c.name);
        if (c.factor < 0) {
            line.word(kDummy);
        } else {
            line.number(c.factor + 1);
        }
    }
}

// The runs are those of the design the file names: its kind, its columns,
// its rows at their standard indexes; a run table's design runs are balanced
// and orthogonal. A study without runs (its design not laid out yet) has
// nothing to check.
void checkDesign(const DesignStudy& study, std::size_t designLine, std::size_t columnsLine,
                 std::size_t firstRunLine) {
    if (study.runs.empty()) {
        return;
    }
    std::size_t designRuns = 0;
    for (const DesignRun& run : study.runs) {
        designRuns += run.type == RunType::Design ? 1 : 0;
    }
    if (study.kind == DesignKind::Table) {
        if (!study.design.empty()) {
            refuse(designLine, "una tabla de ensayos no lleva nombre de diseño.");
        }
        std::vector<std::vector<int>> matrix;
        matrix.reserve(designRuns);
        for (const DesignRun& run : study.runs) {
            if (run.type == RunType::Design) {
                matrix.push_back(run.codes);
            }
        }
        if (study.columns.empty() || !isBalancedOrthogonal(matrix)) {
            refuse(firstRunLine - 1,
                   "los ensayos de diseño no forman un diseño equilibrado y ortogonal.");
        }
        return;
    }
    const Design* design = findDesign(study.design);
    if (design == nullptr) {
        refuse(designLine, "diseño desconocido " + quoted(study.design) + ".");
    }
    if (design->kind != study.kind) {
        refuse(designLine, "el diseño " + quoted(study.design) + " no es de tipo " +
                               quoted(kindWord(study.kind)) + ".");
    }
    if (study.columns.size() != design->matrix.front().size()) {
        refuse(columnsLine, "el diseño " + quoted(study.design) + " tiene " +
                                std::to_string(design->matrix.front().size()) + " columnas.");
    }
    if (designRuns != design->matrix.size()) {
        refuse(firstRunLine - 1, "el diseño " + quoted(study.design) + " tiene " +
                                     std::to_string(design->matrix.size()) +
                                     " ensayos de diseño y el archivo " +
                                     std::to_string(designRuns) + ".");
    }
    for (std::size_t i = 0; i < study.runs.size(); ++i) {
        const DesignRun& run = study.runs[i];
        if (run.type == RunType::Design &&
            run.codes != design->matrix[static_cast<std::size_t>(run.standardIndex - 1)]) {
            refuse(firstRunLine + i, "los códigos no son los de la fila " +
                                         std::to_string(run.standardIndex) + " del diseño " +
                                         quoted(study.design) + ".");
        }
    }
}

} // namespace

DesignStudy decodeDesignFile(std::string_view bytes) {
    Lines lines(bytes);
    readHeader(lines);
    DesignStudy study;
    readFields(lines, study);
    readFactorsAndResponses(lines, study);
    const std::size_t columnsLine = lines.number();
    readColumns(lines, study);
    const std::size_t runs = sectionCount(lines, "Ensayos");
    const std::size_t firstRunLine = lines.number();
    lines.reserve(study.runs, runs);
    for (std::size_t i = 0; i < runs; ++i) {
        study.runs.push_back(readRun(lines, study, i + 1));
    }
    lines.expectEnd();
    checkRunIndexes(study, firstRunLine);
    checkDesign(study, kDesignLine, columnsLine, firstRunLine);
    return study;
}

std::string encodeDesignFile(const DesignStudy& study) {
    std::string out;
    LineWriter(out).word(kDesignFileMagic).number(kDesignFileVersion);
    LineWriter(out).word("Método").text(study.method);
    LineWriter(out).word("Analista").text(study.analyst);
    LineWriter(out).word("Fecha").text(study.date);
    LineWriter(out).word("Diseño").text(study.design).word(kindWord(study.kind));
    LineWriter(out).word("Ensayos nominales").number(study.nominalRuns);
    LineWriter(out)
        .word("Orden")
        .word(study.randomOrder ? kRandomOrder : kStandardOrder)
        .word(std::to_string(study.seed));
    appendSections(out, study);
    LineWriter(out).word("Ensayos").number(static_cast<long long>(study.runs.size()));
    for (std::size_t i = 0; i < study.runs.size(); ++i) {
        const DesignRun& run = study.runs[i];
        LineWriter line(out);
        line.number(static_cast<long long>(i + 1))
            .word(run.type == RunType::Design ? kDesignRun : kNominalRun)
            .number(run.standardIndex);
        for (const int code : run.codes) {
            line.number(code);
        }
        for (const std::optional<double>& value : run.values) {
            line.value(value);
        }
    }
    return out;
}

std::string readFileBytes(const std::string& path) {
    platform::FileReader file(path);
    std::string bytes;
    // Each read goes into one chunk buffer and is appended: reading into
    // `bytes` itself would grow it by a whole chunk at every read.
    // The chunk starts small and doubles up to kReadChunk, as each read
    // clears the room it is given: a design file of a few kilobytes is read
    // with a few kilobytes cleared, not twice the whole chunk.
    std::string chunk;
    std::size_t room = std::min<std::size_t>(4096, kReadChunk);
    // A regular file of known size is read in one call asking one byte more
    // than it holds: when exactly its size comes back, it is whole, and no
    // further call is needed to see its end. A file that has grown since it
    // was opened, or one that comes shorter, is read on to its end.
    if (const std::size_t size = file.sizeWhenOpened(); file.regular() && size > 0) {
        if (!file.read(bytes, size + 1) || bytes.size() == size) {
            return bytes;
        }
    }
    while (file.read(chunk, room)) {
        bytes += chunk;
        chunk.clear();
        room = std::min<std::size_t>(room * 2, kReadChunk);
        if (!file.regular() && bytes.size() >= kMaxStreamBytes) {
            throw FileError("I/O error " + std::to_string(EFBIG) + ": " + std::strerror(EFBIG));
        }
    }
    return bytes;
}

DesignStudy loadDesignFile(const std::string& path) {
    return decodeDesignFile(readFileBytes(path));
}

void saveDesignFile(const std::string& path, const DesignStudy& study) {
    // Only what reads back is written: a study whose runs do not fit its
    // columns, responses or design is refused before the disk is touched.
    const std::string bytes = encodeDesignFile(study);
    try {
        decodeDesignFile(bytes);
    } catch (const RobustezError& error) {
        throw RobustezError("El estudio no se puede guardar: " + std::string(error.what()));
    }
    platform::replaceFileContents(path, bytes);
}

} // namespace robustez::design
