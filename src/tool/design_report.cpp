#include "tool/design_report.h"

#include "core/design/design_file.h"
#include "core/report/design_table.h"
#include "core/stats/number_format.h"
#include "core/study/errors.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

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

// Writes one file's object straight into the output, without a tree of
// values. The column names, keys of several objects of every response, are
// escaped once; the numbers that come again and again are formatted once
// (the quantiles, the same in every file of a design) and |E| is the text of
// E without its sign.
class DesignJson {
public:
    DesignJson(json::Writer& w, std::string& out, json::NumberTexts& texts, const DesignStudy& s)
        : w_(w), out_(out), texts_(texts), s_(s) {
        keys_.reserve(s.columns.size());
        for (const DesignColumn& column : s.columns) {
            keys_.push_back(json::quotedKey(column.name));
        }
    }

    void study(const DesignOutcome& outcome) {
        w_.quotedKey(R"("design":)");
        w_.beginObject();
        w_.quotedKey(R"("kind":)");
        w_.string(kindName(s_.kind).key);
        int designRuns = 0;
        for (const DesignRun& run : s_.runs) {
            designRuns += run.type == RunType::Design ? 1 : 0;
        }
        w_.quotedKey(R"("runs":)");
        w_.integer(designRuns);
        w_.quotedKey(R"("columns":)");
        w_.beginArray();
        for (std::size_t c = 0; c < keys_.size(); ++c) {
            columnName(c);
        }
        w_.endArray();
        w_.endObject();
        factors();
        w_.quotedKey(R"("alpha":)");
        w_.number(kAlpha, texts_);
        w_.quotedKey(R"("equivalence_limit_pct":)");
        w_.number(outcome.equivalenceLimitPct);
        w_.quotedKey(R"("responses":)");
        w_.beginObject();
        for (const ResponseAnalysis& a : outcome.analyses) {
            w_.key(a.response);
            analysis(a);
        }
        w_.endObject();
    }

private:
    template <typename Values> void numbers(const Values& values) {
        w_.beginObject();
        for (std::size_t c = 0; c < values.size() && c < keys_.size(); ++c) {
            w_.quotedKey(keys_[c]);
            w_.number(values[c]);
        }
        w_.endObject();
    }

    // A column's name as a JSON string, from its key.
    void columnName(std::size_t c) {
        w_.raw(std::string_view(keys_[c]).substr(0, keys_[c].size() - 1));
    }

    void columnNames(const std::vector<int>& columns) {
        w_.beginArray();
        for (const int c : columns) {
            columnName(static_cast<std::size_t>(c));
        }
        w_.endArray();
    }

    // The members' keys are written as JSON strings followed by ':'.
    void member(std::string_view key, double value) {
        w_.quotedKey(key);
        w_.number(value);
    }
    void member(std::string_view key, const std::optional<double>& value) {
        w_.quotedKey(key);
        w_.number(value);
    }
    void member(std::string_view key, int value) {
        w_.quotedKey(key);
        w_.integer(value);
    }
    // A number likely written before.
    void repeated(std::string_view key, double value) {
        w_.quotedKey(key);
        w_.number(value, texts_);
    }

    // The effects, each text's place kept for its |E|.
    void effects(const std::vector<double>& values) {
        effectTexts_.clear();
        w_.beginObject();
        for (std::size_t c = 0; c < values.size() && c < keys_.size(); ++c) {
            w_.quotedKey(keys_[c]);
            const std::size_t start = out_.size();
            w_.number(values[c]);
            effectTexts_.emplace_back(start, out_.size());
        }
        w_.endObject();
    }

    // |E| of a column: the text of E without its minus sign when it is the
    // absolute value of that E.
    void absoluteEffect(const ResponseAnalysis& a, int column, double value) {
        const auto c = static_cast<std::size_t>(column);
        if (c < effectTexts_.size() && std::isfinite(value) &&
            std::bit_cast<std::uint64_t>(value) ==
                std::bit_cast<std::uint64_t>(std::fabs(a.effects[c]))) {
            auto [start, end] = effectTexts_[c];
            start += out_[start] == '-' ? 1 : 0;
            // Copied first: the output may move as it grows.
            char text[32];
            const std::size_t size = std::min(end - start, sizeof text);
            std::copy_n(out_.data() + start, size, text);
            w_.raw(std::string_view(text, size));
        } else {
            w_.number(value);
        }
    }

    void dummy(const std::optional<DummyBlock>& d) {
        w_.quotedKey(R"("dummy":)");
        if (!d) {
            w_.null();
            return;
        }
        w_.beginObject();
        member(R"("n":)", d->n);
        member(R"("df":)", d->df);
        member(R"("se":)", d->se);
        repeated(R"("t_crit":)", d->t_crit);
        member(R"("e_crit":)", d->e_crit);
        w_.quotedKey(R"("t":)");
        numbers(d->t);
        w_.quotedKey(R"("p":)");
        numbers(d->p);
        w_.endObject();
    }

    void nominal(const std::optional<NominalBlock>& n) {
        w_.quotedKey(R"("nominal":)");
        if (!n) {
            w_.null();
            return;
        }
        w_.beginObject();
        member(R"("n":)", n->n);
        member(R"("s":)", n->s);
        member(R"("df":)", n->df);
        member(R"("se":)", n->se);
        repeated(R"("t_crit":)", n->t_crit);
        member(R"("e_crit":)", n->e_crit);
        w_.quotedKey(R"("t":)");
        numbers(n->t);
        w_.quotedKey(R"("p":)");
        numbers(n->p);
        w_.endObject();
    }

    void dong(const DongBlock& d) {
        w_.quotedKey(R"("dong":)");
        w_.beginObject();
        repeated(R"("s0":)", d.s0);
        repeated(R"("limit":)", d.limit);
        member(R"("m":)", d.m);
        member(R"("s1":)", d.s1);
        repeated(R"("t_crit":)", d.t_crit);
        member(R"("e_crit":)", d.e_crit);
        w_.quotedKey(R"("kept":)");
        columnNames(d.kept);
        w_.endObject();
    }

    void lenth(const LenthBlock& l) {
        w_.quotedKey(R"("lenth":)");
        w_.beginObject();
        repeated(R"("s0":)", l.s0);
        repeated(R"("limit":)", l.limit);
        member(R"("pse":)", l.pse);
        repeated(R"("d":)", l.d);
        repeated(R"("t_me":)", l.t_me);
        member(R"("me":)", l.me);
        repeated(R"("gamma":)", l.gamma);
        repeated(R"("t_sme":)", l.t_sme);
        member(R"("sme":)", l.sme);
        w_.quotedKey(R"("used":)");
        columnNames(l.used);
        w_.endObject();
    }

    void analysis(const ResponseAnalysis& a) {
        w_.beginObject();
        member(R"("N":)", a.N);
        member(R"("n_nominal":)", a.n_nominal);
        repeated(R"("mean_design":)", a.mean_design);
        w_.quotedKey(R"("mean_nominal":)");
        if (a.mean_nominal) {
            w_.number(*a.mean_nominal, texts_);
        } else {
            w_.null();
        }
        w_.quotedKey(R"("percent_base":)");
        w_.beginObject();
        w_.quotedKey(R"("source":)");
        w_.string(baseSourceKey(a.percent_base.source));
        repeated(R"("value":)", a.percent_base.value);
        w_.endObject();
        w_.quotedKey(R"("effects":)");
        effects(a.effects);
        w_.quotedKey(R"("percent":)");
        numbers(a.percent);
        dummy(a.dummy);
        nominal(a.nominal);
        dong(a.dong);
        lenth(a.lenth);
        w_.quotedKey(R"("half_normal":)");
        w_.beginArray();
        for (const HalfNormalPoint& point : a.half_normal) {
            w_.beginObject();
            w_.quotedKey(R"("column":)");
            columnName(static_cast<std::size_t>(point.column));
            w_.quotedKey(R"("abs_effect":)");
            absoluteEffect(a, point.column, point.abs_effect);
            repeated(R"("z":)", point.z);
            w_.endObject();
        }
        w_.endArray();
        w_.quotedKey(R"("estimate":)");
        w_.string(estimateKey(a.estimate));
        w_.quotedKey(R"("verdicts":)");
        w_.beginObject();
        for (const FactorVerdict& v : a.verdicts) {
            w_.key(v.factor);
            w_.stringOrNull(v.verdict);
        }
        w_.endObject();
        w_.quotedKey(R"("conclusion":)");
        if (a.conclusion) {
            w_.string(a.conclusion->find("NO ES TOLERANTE") == std::string::npos ? "TOLERANTE"
                                                                                 : "NO TOLERANTE");
        } else {
            w_.null();
        }
        w_.quotedKey(R"("equivalence":)");
        if (a.equivalence) {
            w_.beginObject();
            for (const FactorEquivalence& e : *a.equivalence) {
                w_.key(e.factor);
                w_.stringOrNull(e.verdict);
            }
            w_.endObject();
        } else {
            w_.null();
        }
        w_.quotedKey(R"("intervals":)");
        w_.beginObject();
        for (const FactorInterval& i : a.intervals) {
            w_.key(i.factor);
            w_.beginArray();
            w_.number(i.low);
            w_.number(i.high);
            w_.endArray();
        }
        w_.endObject();
        w_.endObject();
    }

    void factor(std::string_view name, std::string_view unit, std::string_view low,
                std::string_view nominal, std::string_view high, bool qualitative, bool dummy) {
        w_.beginObject();
        w_.quotedKey(R"("name":)");
        w_.string(name);
        w_.quotedKey(R"("unit":)");
        w_.string(unit);
        w_.quotedKey(R"("low":)");
        w_.string(low);
        w_.quotedKey(R"("nominal":)");
        w_.string(nominal);
        w_.quotedKey(R"("high":)");
        w_.string(high);
        w_.quotedKey(R"("qualitative":)");
        w_.boolean(qualitative);
        w_.quotedKey(R"("dummy":)");
        w_.boolean(dummy);
        w_.endObject();
    }

    void factors() {
        w_.quotedKey(R"("factors":)");
        w_.beginArray();
        for (const DesignColumn& column : s_.columns) {
            if (column.factor < 0) {
                factor(column.name, "", "-1", "0", "1", false, true);
                continue;
            }
            const DesignFactor& f = s_.factors[static_cast<std::size_t>(column.factor)];
            factor(f.name, f.unit, f.low, f.nominal, f.high, !numericSettings(f).has_value(),
                   false);
        }
        w_.endArray();
    }

    json::Writer& w_;
    std::string& out_;
    json::NumberTexts& texts_;
    const DesignStudy& s_;
    std::vector<std::string> keys_;
    // Where each effect's text is in the output.
    std::vector<std::pair<std::size_t, std::size_t>> effectTexts_;
};

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
    DesignAnalyser analyser;
    return examineDesignFile(path, decimalSeparator, limitPct, estimate, analyser);
}

DesignOutcome examineDesignFile(const std::string& path, std::string_view decimalSeparator,
                                std::optional<double> limitPct, std::optional<Estimate> estimate,
                                DesignAnalyser& analyser) {
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
        outcome.analyses = analyser.analyseStudy(*outcome.study, limitPct, estimate);
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

void appendDesignOutcomeJson(std::string& out, const DesignOutcome& outcome,
                             json::NumberTexts& texts) {
    json::Writer w(out);
    w.beginObject();
    w.key("file");
    w.string(outcome.path);
    if (outcome.error || !outcome.study) {
        for (const char* key :
             {"design", "factors", "alpha", "equivalence_limit_pct", "responses"}) {
            w.key(key);
            w.null();
        }
        w.key("error");
        w.stringOrNull(outcome.error);
    } else {
        DesignJson(w, out, texts, *outcome.study).study(outcome);
        w.key("error");
        w.null();
    }
    w.endObject();
}

std::string designOutcomeJsonText(const DesignOutcome& outcome) {
    std::string out;
    json::NumberTexts texts;
    appendDesignOutcomeJson(out, outcome, texts);
    return out;
}

namespace {

// What one thread keeps from one file to the next.
struct DesignJsonWorker {
    DesignAnalyser analyser;
    json::NumberTexts texts;

    // Appends the file's JSON line to `out`; false when the file failed.
    bool append(std::string& out, const std::string& path, std::string_view decimalSeparator,
                std::optional<double> limitPct, std::optional<Estimate> estimate) {
        const DesignOutcome outcome =
            examineDesignFile(path, decimalSeparator, limitPct, estimate, analyser);
        appendDesignOutcomeJson(out, outcome, texts);
        out += '\n';
        return !outcome.error;
    }
};

// The files in batches of consecutive files, each batch's lines composed by
// one thread into one text, and the texts handed on in the files' order by
// the thread that finds the next one ready: no thread waits for a writer.
class BatchedJsonLines {
public:
    BatchedJsonLines(const std::vector<std::string>& paths, std::string_view decimalSeparator,
                     std::optional<double> limitPct, std::optional<Estimate> estimate,
                     const std::function<void(std::string_view)>& write)
        : paths_(paths), separator_(decimalSeparator), limitPct_(limitPct), estimate_(estimate),
          write_(write), batchCount_((paths.size() + kFilesPerBatch - 1) / kFilesPerBatch) {}

    // Runs on up to `threadCap` threads, this one included; true when every
    // file was analysed.
    bool run(std::size_t threadCap) {
        // More threads than batches would find nothing to do.
        const std::size_t busy = std::min(threadCap, batchCount_);
        const std::size_t helpers = busy > 1 ? busy - 1 : 0;
        // The helpers' analysers and buffers are made and destroyed on this
        // thread, outside the helpers' lives: nothing a helper uses is of
        // its own thread.
        std::vector<std::unique_ptr<Worker>> workers;
        for (std::size_t i = 0; i <= helpers; ++i) {
            workers.push_back(std::make_unique<Worker>());
        }
        std::vector<std::thread> threads;
        threads.reserve(helpers);
        for (std::size_t i = 1; i <= helpers; ++i) {
            try {
                threads.emplace_back([this, &worker = *workers[i]] { work(worker); });
            } catch (const std::system_error&) {
                break; // the threads started, and this one, do the work
            }
        }
        work(*workers[0]);
        for (std::thread& thread : threads) {
            thread.join();
        }
        return allAnalysed_;
    }

private:
    // A batch's text (some 80 KB for four files of 19 KB) stays in the
    // processor's cache from its composing to its writing; batches of 16
    // files made the whole run a quarter slower, on one thread as on two.
    static constexpr std::size_t kFilesPerBatch = 4;
    static constexpr std::size_t kRing = 8; // batches composed ahead of the writing

    struct Slot {
        std::string text;
        bool ready = false;
        bool failed = false;
    };

    struct Worker {
        DesignJsonWorker json;
        std::string written; // the text of the batch it writes
    };

    // Claims batches while there are any, composes them and writes those
    // that are next in order; waits while the ring is full.
    void work(Worker& worker) {
        std::unique_lock lock(mutex_);
        while (claimed_ < batchCount_) {
            if (claimed_ < written_ + kRing) {
                compose(claimed_++, worker.json, lock);
                writeReady(worker, lock);
            } else {
                roomFreed_.wait(lock);
            }
        }
    }

    // Composes batch `batch` into its slot (called locked; unlocked while
    // composing).
    void compose(std::size_t batch, DesignJsonWorker& worker, std::unique_lock<std::mutex>& lock) {
        std::string text;
        text.swap(ring_[batch % kRing].text); // its buffer, kept from batch to batch
        lock.unlock();
        text.clear();
        bool failed = false;
        const std::size_t end = std::min(paths_.size(), (batch + 1) * kFilesPerBatch);
        for (std::size_t file = batch * kFilesPerBatch; file < end; ++file) {
            failed = !worker.append(text, paths_[file], separator_, limitPct_, estimate_) || failed;
        }
        lock.lock();
        Slot& slot = ring_[batch % kRing];
        slot.text.swap(text);
        slot.ready = true;
        slot.failed = failed;
    }

    // Writes the ready batches next in order, unless another thread is
    // writing: that one writes them after its own (called locked).
    void writeReady(Worker& worker, std::unique_lock<std::mutex>& lock) {
        if (writing_) {
            return;
        }
        writing_ = true;
        while (written_ < batchCount_ && ring_[written_ % kRing].ready) {
            Slot& slot = ring_[written_ % kRing];
            // The slot keeps the buffer written before, for a later batch.
            worker.written.swap(slot.text);
            slot.ready = false;
            allAnalysed_ = allAnalysed_ && !slot.failed;
            ++written_;
            roomFreed_.notify_all();
            lock.unlock();
            write_(worker.written);
            lock.lock();
        }
        writing_ = false;
    }

    const std::vector<std::string>& paths_;
    const std::string_view separator_;
    const std::optional<double> limitPct_;
    const std::optional<Estimate> estimate_;
    const std::function<void(std::string_view)>& write_;
    const std::size_t batchCount_;
    std::array<Slot, kRing> ring_;
    std::mutex mutex_;
    std::condition_variable roomFreed_;
    std::size_t claimed_ = 0; // batches claimed
    std::size_t written_ = 0; // batches handed to write_
    bool writing_ = false;    // a thread is in write_
    bool allAnalysed_ = true;
};

} // namespace

bool writeDesignJsonLines(const std::vector<std::string>& paths, std::string_view decimalSeparator,
                          std::optional<double> limitPct, std::optional<Estimate> estimate,
                          const std::function<void(std::string_view)>& write, unsigned threads) {
    const unsigned wanted =
        threads > 0 ? threads : std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    return BatchedJsonLines(paths, decimalSeparator, limitPct, estimate, write).run(wanted);
}

} // namespace robustez
