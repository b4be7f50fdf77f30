#include "tool/design_report.h"

#include "core/design/design_file.h"
#include "core/report/design_table.h"
#include "core/stats/number_format.h"
#include "core/study/errors.h"

#include <array>
#include <exception>

namespace robustez {

namespace {

using namespace design;

constexpr double kAlpha = 0.05;
constexpr std::string_view kUndefined = "—";

struct KindName {
    DesignKind kind;
    std::string_view key;  // JSON
    std::string_view text; // the report
};
constexpr std::array<KindName, 4> kKinds = {{
    {DesignKind::PlackettBurman, "plackett-burman", "Plackett-Burman"},
    {DesignKind::Fractional, "fractional", "factorial fraccionado"},
    {DesignKind::Full, "full", "factorial completo"},
    {DesignKind::Table, "table", "tabla de ensayos"},
}};

struct EstimateName {
    Estimate estimate;
    std::string_view option; // --estimacion
};
constexpr std::array<EstimateName, 4> kEstimates = {{
    {Estimate::Dummy, "ficticios"},
    {Estimate::Nominal, "nominales"},
    {Estimate::Dong, "dong"},
    {Estimate::Lenth, "lenth"},
}};

const KindName& kindName(DesignKind kind) {
    for (const KindName& k : kKinds) {
        if (k.kind == kind) {
            return k;
        }
    }
    return kKinds.back();
}

bool startsWithMagic(std::string_view bytes) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        bytes.remove_prefix(kByteOrderMark.size());
    }
    return bytes.substr(0, kDesignFileMagic.size() + 1) == std::string(kDesignFileMagic) + "\t";
}

// ---- text ----

class Text {
public:
    Text(std::string& out, std::string_view separator) : out_(out), separator_(separator) {}

    std::string number(double value) const { return formatResult(value, separator_); }
    std::string number(const std::optional<double>& value) const {
        return value ? number(*value) : std::string(kUndefined);
    }
    std::string_view separator() const { return separator_; }
    void line(const std::string& text = {}) {
        out_ += text;
        out_ += '\n';
    }
    void row(const std::vector<std::string>& cells) {
        std::string text;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            text += (i ? "\t" : "") + cells[i];
        }
        line(text);
    }

private:
    std::string& out_;
    std::string_view separator_;
};

std::string runTypeText(RunType type) {
    return type == RunType::Design ? "diseño" : "nominal";
}

void writeHeader(Text& t, const DesignOutcome& outcome) {
    const DesignStudy& s = *outcome.study;
    std::size_t designRuns = 0;
    for (const DesignRun& run : s.runs) {
        designRuns += run.type == RunType::Design ? 1 : 0;
    }
    t.line("CRIBADO DE ROBUSTEZ POR DISEÑO DE DOS NIVELES");
    t.line("Archivo: " + outcome.path);
    t.line("Método: " + s.method);
    t.line("Analista: " + s.analyst);
    t.line("Fecha: " + s.date);
    std::string design = "Diseño: " + std::string(kindName(s.kind).text);
    if (!s.design.empty()) {
        design += " " + s.design;
    }
    design += ", " + std::to_string(designRuns) + " ensayos de diseño, " +
              std::to_string(s.columns.size()) + " columnas, " + std::to_string(s.nominalRuns) +
              " ensayos nominales";
    if (s.kind != DesignKind::Table) {
        design += s.randomOrder ? ", orden aleatorio (semilla " + std::to_string(s.seed) + ")"
                                : ", orden estándar";
    }
    t.line(design);
    t.line("Nivel de significación: alfa = " + t.number(kAlpha) + ", bilateral");
}

void writeFactors(Text& t, const DesignOutcome& outcome) {
    const DesignStudy& s = *outcome.study;
    t.line();
    t.line("FACTORES");
    t.row({"Columna", "Factor", "Unidad", "Bajo (-1)", "Nominal (0)", "Alto (+1)", "Nota"});
    for (std::size_t c = 0; c < s.columns.size(); ++c) {
        const DesignColumn& column = s.columns[c];
        if (column.factor < 0) {
            t.row({std::to_string(c + 1), column.name, "", "", "", "", "ficticio"});
            continue;
        }
        const auto f = static_cast<std::size_t>(column.factor);
        const DesignFactor& factor = s.factors[f];
        std::string note = numericSettings(factor) ? "" : "cualitativo";
        if (f < outcome.lowLevel.size() && outcome.lowLevel[f] == LowLevelRule::FirstMet) {
            note += "; nivel bajo: el ajuste del primer ensayo de diseño de la tabla";
        }
        t.row({std::to_string(c + 1), factor.name, factor.unit, factor.low, factor.nominal,
               factor.high, note});
    }
}

void writeRuns(Text& t, const DesignStudy& s) {
    t.line();
    t.line("ENSAYOS (en el orden de ejecución)");
    std::vector<std::string> heading = {"Ensayo", "Tipo", "Índice"};
    for (const DesignColumn& column : s.columns) {
        heading.push_back(column.name);
    }
    for (const DesignResponse& response : s.responses) {
        heading.push_back(response.name);
    }
    t.row(heading);
    for (std::size_t r = 0; r < s.runs.size(); ++r) {
        const DesignRun& run = s.runs[r];
        std::vector<std::string> cells = {std::to_string(r + 1), runTypeText(run.type),
                                          std::to_string(run.standardIndex)};
        for (const int code : run.codes) {
            cells.push_back(code > 0 ? "+1" : code < 0 ? "-1" : "0");
        }
        for (const std::optional<double>& value : run.values) {
            cells.push_back(t.number(value));
        }
        t.row(cells);
    }
}

void writeBlocks(Text& t, const ResponseAnalysis& a) {
    t.line(designEstimateLine(a, t.separator()));
    for (const Estimate e : {Estimate::Dummy, Estimate::Nominal, Estimate::Dong, Estimate::Lenth}) {
        if (std::optional<std::string> figures = designEstimateFigures(a, e, t.separator())) {
            t.line(*figures);
        }
    }
}

void writeResponse(Text& t, const DesignStudy& s, const ResponseAnalysis& a,
                   const std::string& unit) {
    t.line();
    t.line("RESPUESTA: " + a.response + (unit.empty() ? "" : " (" + unit + ")"));
    t.line("N = " + std::to_string(a.N) + ", ensayos nominales = " + std::to_string(a.n_nominal) +
           ", media de los ensayos de diseño = " + t.number(a.mean_design) +
           ", media nominal = " + t.number(a.mean_nominal) + ", base del %E (" +
           (a.percent_base.source == BaseSource::Nominal ? "media nominal" : "media de diseño") +
           ") = " + t.number(a.percent_base.value));
    const DesignEffectsTable table =
        designEffectsTable(s, a, t.separator(), EquivalenceColumn::Never);
    t.row(table.header);
    for (const std::vector<std::string>& row : table.rows) {
        t.row(row);
    }
    writeBlocks(t, a);
    t.line(designConclusionLine(a));
    for (const std::string& line : designEquivalenceLines(a)) {
        t.line(line);
    }
    for (const std::string& line : designIntervalLines(a, t.separator())) {
        t.line(line);
    }
}

// ---- JSON ----

using json::Array;
using json::Object;
using json::Value;

Value numbers(const std::vector<std::optional<double>>& values, const DesignStudy& s) {
    Object object;
    for (std::size_t c = 0; c < values.size() && c < s.columns.size(); ++c) {
        object.emplace_back(s.columns[c].name, json::numberOrNull(values[c]));
    }
    return object;
}

Value numbers(const std::vector<double>& values, const DesignStudy& s) {
    return numbers(std::vector<std::optional<double>>(values.begin(), values.end()), s);
}

Value columnNames(const std::vector<int>& columns, const DesignStudy& s) {
    Array names;
    for (const int c : columns) {
        names.emplace_back(s.columns[static_cast<std::size_t>(c)].name);
    }
    return names;
}

Value dummyJson(const std::optional<DummyBlock>& d, const DesignStudy& s) {
    if (!d) {
        return nullptr;
    }
    return Object{{"n", d->n},
                  {"df", d->df},
                  {"se", d->se},
                  {"t_crit", d->t_crit},
                  {"e_crit", d->e_crit},
                  {"t", numbers(d->t, s)},
                  {"p", numbers(d->p, s)}};
}

Value nominalJson(const std::optional<NominalBlock>& n, const DesignStudy& s) {
    if (!n) {
        return nullptr;
    }
    return Object{{"n", n->n},
                  {"s", n->s},
                  {"df", n->df},
                  {"se", n->se},
                  {"t_crit", n->t_crit},
                  {"e_crit", n->e_crit},
                  {"t", numbers(n->t, s)},
                  {"p", numbers(n->p, s)}};
}

Value analysisJson(const ResponseAnalysis& a, const DesignStudy& s) {
    const DongBlock& d = a.dong;
    const LenthBlock& l = a.lenth;
    Array halfNormal;
    for (const HalfNormalPoint& point : a.half_normal) {
        halfNormal.emplace_back(
            Object{{"column", s.columns[static_cast<std::size_t>(point.column)].name},
                   {"abs_effect", point.abs_effect},
                   {"z", point.z}});
    }
    Object verdicts;
    for (const FactorVerdict& v : a.verdicts) {
        verdicts.emplace_back(v.factor, v.verdict ? Value(*v.verdict) : Value());
    }
    Value equivalence;
    if (a.equivalence) {
        Object object;
        for (const FactorEquivalence& e : *a.equivalence) {
            object.emplace_back(e.factor, e.verdict ? Value(*e.verdict) : Value());
        }
        equivalence = std::move(object);
    }
    Object intervals;
    for (const FactorInterval& i : a.intervals) {
        intervals.emplace_back(i.factor, Array{i.low, i.high});
    }
    Value conclusion;
    if (a.conclusion) {
        conclusion = a.conclusion->find("NO ES TOLERANTE") == std::string::npos ? "TOLERANTE"
                                                                                : "NO TOLERANTE";
    }
    return Object{
        {"N", a.N},
        {"n_nominal", a.n_nominal},
        {"mean_design", a.mean_design},
        {"mean_nominal", json::numberOrNull(a.mean_nominal)},
        {"percent_base",
         Object{{"source", baseSourceKey(a.percent_base.source)}, {"value", a.percent_base.value}}},
        {"effects", numbers(a.effects, s)},
        {"percent", numbers(a.percent, s)},
        {"dummy", dummyJson(a.dummy, s)},
        {"nominal", nominalJson(a.nominal, s)},
        {"dong", Object{{"s0", d.s0},
                        {"limit", d.limit},
                        {"m", d.m},
                        {"s1", d.s1},
                        {"t_crit", d.t_crit},
                        {"e_crit", d.e_crit},
                        {"kept", columnNames(d.kept, s)}}},
        {"lenth", Object{{"s0", l.s0},
                         {"limit", l.limit},
                         {"pse", json::numberOrNull(l.pse)},
                         {"d", l.d},
                         {"t_me", l.t_me},
                         {"me", json::numberOrNull(l.me)},
                         {"gamma", l.gamma},
                         {"t_sme", l.t_sme},
                         {"sme", json::numberOrNull(l.sme)},
                         {"used", columnNames(l.used, s)}}},
        {"half_normal", std::move(halfNormal)},
        {"estimate", estimateKey(a.estimate)},
        {"verdicts", std::move(verdicts)},
        {"conclusion", std::move(conclusion)},
        {"equivalence", std::move(equivalence)},
        {"intervals", std::move(intervals)},
    };
}

Value factorsJson(const DesignStudy& s) {
    Array factors;
    for (const DesignColumn& column : s.columns) {
        if (column.factor < 0) {
            factors.emplace_back(Object{{"name", column.name},
                                        {"unit", ""},
                                        {"low", "-1"},
                                        {"nominal", "0"},
                                        {"high", "1"},
                                        {"qualitative", false},
                                        {"dummy", true}});
            continue;
        }
        const DesignFactor& f = s.factors[static_cast<std::size_t>(column.factor)];
        factors.emplace_back(Object{{"name", f.name},
                                    {"unit", f.unit},
                                    {"low", f.low},
                                    {"nominal", f.nominal},
                                    {"high", f.high},
                                    {"qualitative", !numericSettings(f).has_value()},
                                    {"dummy", false}});
    }
    return factors;
}

} // namespace

std::optional<Estimate> estimateFromOption(std::string_view text) {
    for (const EstimateName& e : kEstimates) {
        if (e.option == text) {
            return e.estimate;
        }
    }
    return std::nullopt;
}

DesignOutcome examineDesignFile(const std::string& path, std::string_view decimalSeparator,
                                std::optional<double> limitPct, std::optional<Estimate> estimate) {
    DesignOutcome outcome;
    outcome.path = path;
    outcome.equivalenceLimitPct = limitPct;
    try {
        const std::string bytes = readFileBytes(path);
        if (startsWithMagic(bytes)) {
            outcome.study = decodeDesignFile(bytes);
        } else {
            RunTableReading reading = decodeRunTable(bytes, decimalSeparator);
            outcome.study = std::move(reading.study);
            outcome.lowLevel = std::move(reading.lowLevel);
        }
        outcome.analyses = analyseStudy(*outcome.study, limitPct, estimate);
    } catch (const std::exception& e) {
        outcome.error = e.what();
        outcome.analyses.clear();
    }
    return outcome;
}

std::string designReportText(const DesignOutcome& outcome, std::string_view decimalSeparator) {
    std::string out;
    if (!outcome.study || outcome.error) {
        return out;
    }
    Text t(out, decimalSeparator);
    const DesignStudy& s = *outcome.study;
    writeHeader(t, outcome);
    writeFactors(t, outcome);
    writeRuns(t, s);
    for (std::size_t r = 0; r < outcome.analyses.size(); ++r) {
        writeResponse(t, s, outcome.analyses[r], r < s.responses.size() ? s.responses[r].unit : "");
    }
    return out;
}

json::Value designOutcomeJson(const DesignOutcome& outcome) {
    const bool failed = outcome.error || !outcome.study;
    Object object{{"file", outcome.path}};
    if (failed) {
        for (const char* key :
             {"design", "factors", "alpha", "equivalence_limit_pct", "responses"}) {
            object.emplace_back(key, nullptr);
        }
        object.emplace_back("error", outcome.error ? Value(*outcome.error) : Value());
        return object;
    }
    const DesignStudy& s = *outcome.study;
    Array columns;
    for (const DesignColumn& column : s.columns) {
        columns.emplace_back(column.name);
    }
    int designRuns = 0;
    for (const DesignRun& run : s.runs) {
        designRuns += run.type == RunType::Design ? 1 : 0;
    }
    Object responses;
    for (const ResponseAnalysis& a : outcome.analyses) {
        responses.emplace_back(a.response, analysisJson(a, s));
    }
    object.emplace_back("design", Object{{"kind", kindName(s.kind).key},
                                         {"runs", designRuns},
                                         {"columns", std::move(columns)}});
    object.emplace_back("factors", factorsJson(s));
    object.emplace_back("alpha", kAlpha);
    object.emplace_back("equivalence_limit_pct", json::numberOrNull(outcome.equivalenceLimitPct));
    object.emplace_back("responses", std::move(responses));
    object.emplace_back("error", nullptr);
    return object;
}

} // namespace robustez
