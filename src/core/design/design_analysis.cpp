#include "core/design/design_analysis.h"

#include "core/stats/double_double.h"
#include "core/stats/reproducible_distributions.h"
#include "core/study/conversions.h"
#include "core/study/errors.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace robustez::design {

namespace {

using dd::DoubleDouble;

constexpr double kLevel = 0.975; // two-sided alpha = 0.05

// The distributions and quantiles the analyses ask for again and again (the
// same degrees of freedom and number of columns for every response of a
// study, and for every analysis of the same design), each computed once per
// analyser and kept while few: the results are those of computing them anew.
class QuantileCache {
public:
    // Phi^-1(0.5 + 0.5 (i - 0.5) / k) for i = 1..k; valid until the next
    // call.
    const std::vector<double>& halfNormalScores(std::size_t k) {
        for (const auto& [count, scores] : scores_) {
            if (count == k) {
                return scores;
            }
        }
        forgetWhenFull(scores_);
        std::vector<double> scores;
        scores.reserve(k);
        const double count = static_cast<double>(k);
        for (std::size_t i = 0; i < k; ++i) {
            const double rank = static_cast<double>(i) + 1;
            scores.push_back(normalQuantile(0.5 + 0.5 * ((rank - 0.5) / count)));
        }
        scores_.emplace_back(k, std::move(scores));
        return scores_.back().second;
    }

    // Student's t with df degrees of freedom.
    StudentT distribution(double df) {
        for (const StudentT& known : distributions_) {
            if (sameBits(known.df(), df)) {
                return known;
            }
        }
        forgetWhenFull(distributions_);
        distributions_.emplace_back(df);
        return distributions_.back();
    }

    // Student's t quantile of p with df degrees of freedom.
    double operator()(double p, double df) {
        for (const Quantile& known : quantiles_) {
            if (sameBits(known.p, p) && sameBits(known.df, df)) {
                return known.value;
            }
        }
        forgetWhenFull(quantiles_);
        const double value = distribution(df).quantile(p);
        quantiles_.push_back({p, df, value});
        return value;
    }

private:
    struct Quantile {
        double p;
        double df;
        double value;
    };

    static constexpr std::size_t kCapacity = 64;

    static bool sameBits(double a, double b) {
        return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
    }

    template <typename Entries> static void forgetWhenFull(Entries& entries) {
        if (entries.size() >= kCapacity) {
            entries.clear();
        }
    }

    std::vector<Quantile> quantiles_;
    std::vector<StudentT> distributions_;
    std::vector<std::pair<std::size_t, std::vector<double>>> scores_;
};

// The sum of the values in double-double: exact for any data a laboratory
// types, so that a mean or a difference of means is rounded once.
DoubleDouble exactSum(const std::vector<double>& values) {
    DoubleDouble sum;
    for (const double v : values) {
        sum = sum + DoubleDouble{v};
    }
    return sum;
}

double meanOf(const std::vector<double>& values) {
    return dd::divide(exactSum(values), static_cast<double>(values.size())).hi;
}

// A power of two near the largest magnitude (1 for 0): dividing by it is
// exact, and the squares of the quotients neither overflow nor underflow.
double powerOfTwoScale(double largest) {
    if (largest == 0) {
        return 1;
    }
    int exponent = 0;
    std::frexp(largest, &exponent); // exact
    return std::ldexp(1.0, exponent);
}

// sqrt(sum of squares / count), the sum in double-double.
double rootMeanSquare(const std::vector<double>& values, const std::vector<int>& which) {
    double largest = 0;
    for (const int c : which) {
        largest = std::max(largest, std::fabs(values[static_cast<std::size_t>(c)]));
    }
    const double scale = powerOfTwoScale(largest);
    DoubleDouble sum;
    for (const int c : which) {
        const double v = values[static_cast<std::size_t>(c)] / scale;
        sum = sum + dd::twoProduct(v, v);
    }
    return dd::squareRoot(dd::divide(sum, static_cast<double>(which.size()))).hi * scale;
}

double standardDeviation(const std::vector<double>& values) {
    const DoubleDouble mean = dd::divide(exactSum(values), static_cast<double>(values.size()));
    double largest = 0;
    for (const double v : values) {
        largest = std::max(largest, std::fabs(v - mean.hi));
    }
    const double scale = powerOfTwoScale(largest);
    DoubleDouble sum;
    for (const double v : values) {
        const DoubleDouble unscaled = DoubleDouble{v} - mean;
        const DoubleDouble deviation{unscaled.hi / scale, unscaled.lo / scale};
        sum = sum + deviation * deviation;
    }
    return dd::squareRoot(dd::divide(sum, static_cast<double>(values.size() - 1))).hi * scale;
}

// The median of the first n values of an ascending list; of an even count,
// the mean of the two middle values.
double sortedMedian(const std::vector<double>& sorted, std::size_t n) {
    if (n % 2 == 1) {
        return sorted[n / 2];
    }
    return (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
}

// What every response of a study shares: its design's shape, checked once.
struct Layout {
    std::size_t rows = 0;
    std::size_t columns = 0;
    // The codes (-1 or +1), rows x columns, row after row.
    std::vector<int> codes;
    // The number of runs at the high level of each column.
    std::vector<double> highCount;
    // The dummy columns (0-based), in column order.
    std::vector<int> dummies;
};

// Buffers of one response's analysis, kept from one response to the next.
struct Scratch {
    std::vector<double> high;
    std::vector<double> highError;
    std::vector<double> magnitudes;
    // The columns by ascending |E|, ties in column order, and those |E|.
    std::vector<std::pair<double, int>> order;
    std::vector<double> sorted;
    std::vector<const std::string*> intolerant;
    std::vector<DoubleDouble> dividends;
    std::vector<double> divisors;
    std::vector<DoubleDouble> quotients;
};

// The design's rows, without copying them.
using Rows = std::vector<const std::vector<int>*>;

// Checks the design's rows and columns, for responses of `values` design
// runs each, into `layout` (its buffers reused).
void checkDesign(const Rows& rows, const AnalysisInput& input, std::size_t values, Layout& layout) {
    if (rows.size() < 2) {
        throw RobustezError("El diseño necesita al menos dos ensayos.");
    }
    const std::size_t k = rows.front()->size();
    if (k == 0 || input.names.size() != k || input.dummy.size() != k ||
        input.settings.size() != k || values != rows.size()) {
        throw RobustezError("Los datos del diseño no concuerdan con sus columnas.");
    }
    layout.rows = rows.size();
    layout.columns = k;
    layout.codes.resize(rows.size() * k);
    std::vector<double>& highCount = layout.highCount;
    highCount.assign(k, 0.0);
    int* codes = layout.codes.data();
    for (const std::vector<int>* row : rows) {
        if (row->size() != k || std::any_of(row->begin(), row->end(),
                                            [](int code) { return code != 1 && code != -1; })) {
            throw RobustezError("Cada ensayo del diseño lleva -1 o +1 en cada columna.");
        }
        for (std::size_t c = 0; c < k; ++c) {
            highCount[c] += (*row)[c] == 1 ? 1 : 0;
        }
        codes = std::copy(row->begin(), row->end(), codes);
    }
    layout.dummies.clear();
    for (std::size_t c = 0; c < k; ++c) {
        if (highCount[c] == 0 || highCount[c] == static_cast<double>(rows.size())) {
            throw RobustezError("La columna " + input.names[c] +
                                " no tiene ensayos en los dos niveles.");
        }
        if (input.dummy[c]) {
            layout.dummies.push_back(static_cast<int>(c));
        }
    }
}

// Checks the measured values.
void checkValues(const AnalysisInput& input) {
    // Below 1e300 in magnitude no sum of the values overflows.
    const auto inRange = [](double v) { return std::fabs(v) < 1e300; };
    if (!std::all_of(input.design.begin(), input.design.end(), inRange) ||
        !std::all_of(input.nominal.begin(), input.nominal.end(), inRange)) {
        throw RobustezError(
            "Los valores medidos deben ser números finitos de valor absoluto menor que 1e300.");
    }
}

// mean(high) - mean(low) of every column, from the sum at the high level
// and the sum of all, each kept as a double and its additions' rounding
// errors (exactly, for the data a laboratory types), so that each effect is
// rounded once.
std::vector<double> effectsOf(const AnalysisInput& input, const Layout& layout, Scratch& scratch) {
    const std::size_t k = layout.columns;
    std::vector<double>& high = scratch.high;
    std::vector<double>& highError = scratch.highError;
    high.assign(k, 0.0);
    highError.assign(k, 0.0);
    double all = 0;
    double allError = 0;
    const int* row = layout.codes.data();
    for (std::size_t r = 0; r < layout.rows; ++r, row += k) {
        const double value = input.design[r];
        const DoubleDouble a = dd::twoSum(all, value);
        all = a.hi;
        allError += a.lo;
        for (std::size_t c = 0; c < k; ++c) {
            // The value or 0: no branch to mispredict.
            const bool isHigh = row[c] == 1;
            const DoubleDouble h = dd::twoSum(high[c], isHigh ? value : 0.0);
            high[c] = h.hi;
            highError[c] += h.lo;
        }
    }
    const DoubleDouble total = dd::twoSum(all, allError);
    const double rows = static_cast<double>(layout.rows);
    const std::vector<double>& highCount = layout.highCount;
    // The divisions, all at once: (high - low) / runs of a balanced column,
    // high / high runs and low / low runs of another.
    std::vector<DoubleDouble>& dividends = scratch.dividends;
    std::vector<double>& divisors = scratch.divisors;
    std::vector<DoubleDouble>& quotients = scratch.quotients;
    dividends.clear();
    divisors.clear();
    for (std::size_t c = 0; c < k; ++c) {
        const DoubleDouble highSum = dd::twoSum(high[c], highError[c]);
        const DoubleDouble lowSum = total - highSum;
        if (highCount[c] == rows - highCount[c]) {
            dividends.push_back(highSum - lowSum);
            divisors.push_back(highCount[c]);
        } else {
            dividends.push_back(highSum);
            divisors.push_back(highCount[c]);
            dividends.push_back(lowSum);
            divisors.push_back(rows - highCount[c]);
        }
    }
    quotients.resize(dividends.size());
    dd::divideEach(dividends.data(), divisors.data(), quotients.data(), dividends.size());
    std::vector<double> effects;
    effects.reserve(k);
    std::size_t q = 0;
    for (std::size_t c = 0; c < k; ++c) {
        if (highCount[c] == rows - highCount[c]) {
            effects.push_back(quotients[q].hi);
            q += 1;
        } else {
            effects.push_back((quotients[q] - quotients[q + 1]).hi);
            q += 2;
        }
    }
    return effects;
}

// t = E / se and its two-sided p for every column; empty when se = 0.
void testEffects(const std::vector<double>& effects, double se, const StudentT& distribution,
                 std::vector<std::optional<double>>& t, std::vector<std::optional<double>>& p) {
    t.reserve(effects.size());
    p.reserve(effects.size());
    for (const double e : effects) {
        if (se > 0) {
            const double ratio = e / se;
            t.emplace_back(ratio);
            p.emplace_back(distribution.twoSidedP(ratio));
        } else {
            t.emplace_back();
            p.emplace_back();
        }
    }
}

DummyBlock dummyBlock(const std::vector<double>& effects, const std::vector<int>& dummies,
                      QuantileCache& quantile) {
    DummyBlock block;
    block.n = static_cast<int>(dummies.size());
    block.df = block.n;
    block.se = rootMeanSquare(effects, dummies);
    block.t_crit = quantile(kLevel, block.df);
    block.e_crit = block.t_crit * block.se;
    testEffects(effects, block.se, quantile.distribution(block.df), block.t, block.p);
    return block;
}

NominalBlock nominalBlock(const std::vector<double>& effects, const std::vector<double>& nominal,
                          int designRuns, QuantileCache& quantile) {
    NominalBlock block;
    block.n = static_cast<int>(nominal.size());
    block.s = standardDeviation(nominal);
    block.df = block.n - 1;
    block.se = 2 * block.s / std::sqrt(static_cast<double>(designRuns));
    block.t_crit = quantile(kLevel, block.df);
    block.e_crit = block.t_crit * block.se;
    testEffects(effects, block.se, quantile.distribution(block.df), block.t, block.p);
    return block;
}

void absolute(const std::vector<double>& effects, std::vector<double>& result) {
    result.clear();
    for (const double e : effects) {
        result.push_back(std::fabs(e));
    }
}

DongBlock dongBlock(const std::vector<double>& effects, const std::vector<double>& magnitudes,
                    double s0, QuantileCache& quantile) {
    DongBlock block;
    block.s0 = s0;
    block.limit = 2.5 * block.s0;
    block.kept.reserve(magnitudes.size());
    for (std::size_t c = 0; c < magnitudes.size(); ++c) {
        if (magnitudes[c] <= block.limit) {
            block.kept.push_back(static_cast<int>(c));
        }
    }
    block.m = static_cast<int>(block.kept.size());
    block.s1 = rootMeanSquare(effects, block.kept);
    block.t_crit = quantile(kLevel, block.m);
    block.e_crit = block.t_crit * block.s1;
    return block;
}

// (1 + 0.95^(1/k)) / 2, the level of Lenth's simultaneous margin.
double simultaneousLevel(int k) {
    return (1 + reproduciblePow(0.95, 1.0 / k)) / 2;
}

LenthBlock lenthBlock(const std::vector<double>& magnitudes, const std::vector<double>& sorted,
                      double s0, QuantileCache& quantile) {
    const int k = static_cast<int>(magnitudes.size());
    LenthBlock block;
    block.s0 = s0;
    block.limit = 2.5 * block.s0;
    block.used.reserve(magnitudes.size());
    for (std::size_t c = 0; c < magnitudes.size(); ++c) {
        if (magnitudes[c] < block.limit) {
            block.used.push_back(static_cast<int>(c));
        }
    }
    // The |E| below the limit are the first ones of the ascending list.
    const std::size_t below = static_cast<std::size_t>(
        std::lower_bound(sorted.begin(), sorted.end(), block.limit) - sorted.begin());
    block.d = k / 3.0;
    block.t_me = quantile(kLevel, block.d);
    block.gamma = simultaneousLevel(k);
    block.t_sme = quantile(block.gamma, block.d);
    if (below > 0) {
        block.pse = 1.5 * sortedMedian(sorted, below);
        block.me = block.t_me * *block.pse;
        block.sme = block.t_sme * *block.pse;
    }
    return block;
}

// Fills the scratch's order and sorted |E| from the effects.
void sortByMagnitude(const std::vector<double>& effects, Scratch& scratch) {
    std::vector<std::pair<double, int>>& order = scratch.order;
    order.clear();
    for (std::size_t c = 0; c < effects.size(); ++c) {
        order.emplace_back(std::fabs(effects[c]), static_cast<int>(c));
    }
    std::sort(order.begin(), order.end());
    scratch.sorted.clear();
    for (const auto& [magnitude, column] : order) {
        scratch.sorted.push_back(magnitude);
    }
}

std::vector<HalfNormalPoint> halfNormal(const std::vector<std::pair<double, int>>& order,
                                        QuantileCache& quantile) {
    const std::vector<double>& scores = quantile.halfNormalScores(order.size());
    std::vector<HalfNormalPoint> points;
    points.reserve(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        points.push_back({order[i].second, order[i].first, scores[i]});
    }
    return points;
}

Estimate chosenEstimate(const AnalysisInput& input, int dummies) {
    const int nominal = static_cast<int>(input.nominal.size());
    if (input.requested) {
        if (*input.requested == Estimate::Dummy && dummies == 0) {
            throw RobustezError("El diseño no tiene columnas ficticias: el efecto crítico no "
                                "puede estimarse a partir de ellas.");
        }
        if (*input.requested == Estimate::Nominal && nominal < 2) {
            throw RobustezError("Se necesitan al menos 2 ensayos nominales para estimar el "
                                "efecto crítico a partir de ellos.");
        }
        return *input.requested;
    }
    if (dummies >= 3) {
        return Estimate::Dummy;
    }
    if (nominal >= 3) {
        return Estimate::Nominal;
    }
    return Estimate::Dong;
}

std::optional<double> decidingCriticalEffect(const ResponseAnalysis& result) {
    switch (result.estimate) {
    case Estimate::Dummy:
        return result.dummy->e_crit;
    case Estimate::Nominal:
        return result.nominal->e_crit;
    case Estimate::Dong:
        return result.dong.e_crit;
    case Estimate::Lenth:
        return result.lenth.me;
    }
    return std::nullopt;
}

void judgeFactors(const AnalysisInput& input, ResponseAnalysis& result, Scratch& scratch) {
    const std::optional<double> critical = result.e_crit;
    std::vector<const std::string*>& intolerant = scratch.intolerant;
    intolerant.clear();
    result.verdicts.reserve(result.effects.size());
    if (input.delta) {
        result.equivalence.emplace();
        result.equivalence->reserve(result.effects.size());
    }
    for (std::size_t c = 0; c < result.effects.size(); ++c) {
        if (input.dummy[c]) {
            continue;
        }
        const int column = static_cast<int>(c);
        const std::string& name = input.names[c];
        const double magnitude = std::fabs(result.effects[c]);
        FactorVerdict verdict{column, name, std::nullopt};
        if (critical) {
            const bool significant = magnitude > *critical;
            verdict.verdict = significant ? "SIGNIFICATIVO" : "NO SIGNIFICATIVO";
            if (significant) {
                intolerant.push_back(&name);
                if (const auto& s = input.settings[c]) {
                    if (result.intervals.empty()) {
                        // At most one for each column left.
                        result.intervals.reserve(result.effects.size() - c);
                    }
                    const double share = *critical / magnitude;
                    result.intervals.push_back({column, name,
                                                s->nominal - (s->nominal - s->low) * share,
                                                s->nominal + (s->high - s->nominal) * share});
                }
            }
        }
        result.verdicts.push_back(std::move(verdict));
        if (input.delta) {
            FactorEquivalence equivalence{column, name, std::nullopt};
            const double base = result.percent_base.value;
            if (critical && base != 0) {
                const double percent = 100 * (magnitude + *critical) / std::fabs(base);
                equivalence.verdict =
                    percent <= *input.delta ? "EQUIVALENTE" : "EQUIVALENCIA NO DEMOSTRADA";
            }
            result.equivalence->push_back(std::move(equivalence));
        }
    }
    if (critical) {
        std::size_t length = input.response.size() + 80;
        for (const std::string* name : intolerant) {
            length += name->size() + 2;
        }
        std::string conclusion;
        conclusion.reserve(length);
        conclusion += "CONCLUSIÓN (";
        conclusion += input.response;
        conclusion += "): el método ";
        if (intolerant.empty()) {
            conclusion += "es TOLERANTE a todos los factores estudiados.";
        } else {
            conclusion += "NO ES TOLERANTE a: ";
            for (std::size_t i = 0; i < intolerant.size(); ++i) {
                conclusion += i == 0 ? "" : ", ";
                conclusion += *intolerant[i];
            }
            conclusion += ".";
        }
        result.conclusion = std::move(conclusion);
    }
}

// The analysis of one response of a design already checked into `layout`.
ResponseAnalysis analyse(const AnalysisInput& input, const Layout& layout, QuantileCache& quantile,
                         Scratch& scratch) {
    checkValues(input);
    ResponseAnalysis result;
    result.response = input.response;
    result.N = static_cast<int>(layout.rows);
    result.n_nominal = static_cast<int>(input.nominal.size());
    result.mean_design = meanOf(input.design);
    if (!input.nominal.empty()) {
        result.mean_nominal = meanOf(input.nominal);
        result.percent_base = {BaseSource::Nominal, *result.mean_nominal};
    } else {
        result.percent_base = {BaseSource::Design, result.mean_design};
    }
    result.effects = effectsOf(input, layout, scratch);
    const double base = result.percent_base.value;
    result.percent.reserve(result.effects.size());
    for (const double e : result.effects) {
        result.percent.push_back(base == 0 ? std::nullopt : std::optional<double>(100 * e / base));
    }
    const std::vector<int>& dummies = layout.dummies;
    if (!dummies.empty()) {
        result.dummy = dummyBlock(result.effects, dummies, quantile);
    }
    if (input.nominal.size() >= 2) {
        result.nominal = nominalBlock(result.effects, input.nominal, result.N, quantile);
    }
    // Dong's and Lenth's s0 = 1.5 median |E| over all columns.
    std::vector<double>& magnitudes = scratch.magnitudes;
    absolute(result.effects, magnitudes);
    sortByMagnitude(result.effects, scratch);
    const double s0 = 1.5 * sortedMedian(scratch.sorted, scratch.sorted.size());
    result.dong = dongBlock(result.effects, magnitudes, s0, quantile);
    result.lenth = lenthBlock(magnitudes, scratch.sorted, s0, quantile);
    result.half_normal = halfNormal(scratch.order, quantile);
    result.estimate = chosenEstimate(input, static_cast<int>(dummies.size()));
    result.e_crit = decidingCriticalEffect(result);
    judgeFactors(input, result, scratch);
    return result;
}

} // namespace

const char* estimateKey(Estimate estimate) {
    switch (estimate) {
    case Estimate::Dummy:
        return "dummy";
    case Estimate::Nominal:
        return "nominal";
    case Estimate::Dong:
        return "dong";
    case Estimate::Lenth:
        return "lenth";
    }
    return "";
}

std::optional<Estimate> estimateFromKey(const std::string& key) {
    for (const Estimate e : {Estimate::Dummy, Estimate::Nominal, Estimate::Dong, Estimate::Lenth}) {
        if (key == estimateKey(e)) {
            return e;
        }
    }
    return std::nullopt;
}

const char* baseSourceKey(BaseSource source) {
    return source == BaseSource::Nominal ? "nominal" : "design";
}

std::optional<NumericSettings> numericSettings(const DesignFactor& factor) {
    NumericSettings settings;
    if (!tryToDecimal(factor.low, ".", settings.low) ||
        !tryToDecimal(factor.high, ".", settings.high)) {
        return std::nullopt;
    }
    if (factor.nominal.find_first_not_of(' ') == std::string::npos) {
        settings.nominal = (settings.low + settings.high) / 2;
    } else if (!tryToDecimal(factor.nominal, ".", settings.nominal)) {
        return std::nullopt;
    }
    return settings;
}

// The buffers and quantiles an analyser keeps from one analysis to the next.
struct DesignAnalyser::Workspace {
    QuantileCache quantiles;
    Rows rows;
    Layout layout;
    Scratch scratch;
};

DesignAnalyser::DesignAnalyser() : workspace_(std::make_unique<Workspace>()) {}

DesignAnalyser::~DesignAnalyser() = default;

ResponseAnalysis DesignAnalyser::analyseResponse(const AnalysisInput& input) {
    Rows& rows = workspace_->rows;
    rows.clear();
    rows.reserve(input.matrix.size());
    for (const std::vector<int>& row : input.matrix) {
        rows.push_back(&row);
    }
    checkDesign(rows, input, input.design.size(), workspace_->layout);
    return analyse(input, workspace_->layout, workspace_->quantiles, workspace_->scratch);
}

std::vector<ResponseAnalysis> DesignAnalyser::analyseStudy(const DesignStudy& study,
                                                           std::optional<double> delta,
                                                           std::optional<Estimate> requested) {
    for (std::size_t r = 0; r < study.runs.size(); ++r) {
        const DesignRun& run = study.runs[r];
        for (std::size_t v = 0; v < study.responses.size(); ++v) {
            if (v >= run.values.size() || !run.values[v]) {
                throw RobustezError("Falta el valor de " + study.responses[v].name +
                                    " en el ensayo " + std::to_string(r + 1) + ".");
            }
        }
    }
    AnalysisInput common;
    common.delta = delta;
    common.requested = requested;
    common.names.reserve(study.columns.size());
    common.dummy.reserve(study.columns.size());
    common.settings.reserve(study.columns.size());
    for (const DesignColumn& column : study.columns) {
        common.names.push_back(column.name);
        common.dummy.push_back(column.factor < 0);
        const bool isFactor =
            column.factor >= 0 && column.factor < static_cast<int>(study.factors.size());
        common.settings.push_back(
            isFactor ? numericSettings(study.factors[static_cast<std::size_t>(column.factor)])
                     : std::nullopt);
    }
    Rows& rows = workspace_->rows;
    Layout& layout = workspace_->layout;
    rows.clear();
    for (const DesignRun& run : study.runs) {
        if (run.type == RunType::Design) {
            rows.push_back(&run.codes);
        }
    }
    std::vector<ResponseAnalysis> results;
    if (study.responses.empty()) {
        return results;
    }
    // Each response has a value for every design run.
    checkDesign(rows, common, rows.size(), layout);
    results.reserve(study.responses.size());
    common.design.reserve(rows.size());
    common.nominal.reserve(study.runs.size() - rows.size());
    for (std::size_t v = 0; v < study.responses.size(); ++v) {
        common.response = study.responses[v].name;
        common.design.clear();
        common.nominal.clear();
        for (const DesignRun& run : study.runs) {
            (run.type == RunType::Design ? common.design : common.nominal)
                .push_back(*run.values[v]);
        }
        results.push_back(analyse(common, layout, workspace_->quantiles, workspace_->scratch));
    }
    return results;
}

ResponseAnalysis analyseResponse(const AnalysisInput& input) {
    return DesignAnalyser().analyseResponse(input);
}

std::vector<ResponseAnalysis> analyseStudy(const DesignStudy& study, std::optional<double> delta,
                                           std::optional<Estimate> requested) {
    return DesignAnalyser().analyseStudy(study, delta, requested);
}

} // namespace robustez::design
