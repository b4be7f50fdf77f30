#pragma once

#include "core/design/design_study.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace robustez::design {

// The analysis of one response of a two-level screen at alpha = 0.05, two
// sided. Effects are mean(high) - mean(low) over the design runs; the
// critical effect comes from one of four estimates of the effects' noise.
// Values that are not defined are empty, never a stand-in number.

enum class Estimate { Dummy, Nominal, Dong, Lenth };

// "dummy", "nominal", "dong", "lenth".
const char* estimateKey(Estimate estimate);
// The estimate of that key, or empty.
std::optional<Estimate> estimateFromKey(const std::string& key);

// The numeric settings of a factor (for the intervals).
struct NumericSettings {
    double low = 0;
    double nominal = 0;
    double high = 0;
};

struct AnalysisInput {
    std::string response;
    // N rows (design runs) x k columns, each -1 or +1.
    std::vector<std::vector<int>> matrix;
    // One per column: its name (a factor's or "Ficticio 1", ...) and whether
    // it is a dummy.
    std::vector<std::string> names;
    std::vector<bool> dummy;
    // One per column: a numeric factor's settings; empty for dummies and
    // qualitative factors.
    std::vector<std::optional<NumericSettings>> settings;
    // The responses of the N design runs, in the matrix's row order.
    std::vector<double> design;
    // The responses of the nominal runs (0 or more).
    std::vector<double> nominal;
    // Equivalence limit, % of the base.
    std::optional<double> delta;
    // The estimate the user asks for; empty for the default.
    std::optional<Estimate> requested;
};

// From the dummies: se = sqrt(sum E_d^2 / n), df = n.
struct DummyBlock {
    int n = 0;
    int df = 0;
    double se = 0;
    double t_crit = 0;
    double e_crit = 0;
    // One per column; empty when se = 0.
    std::vector<std::optional<double>> t;
    std::vector<std::optional<double>> p;
};

// From the nominal runs: se = 2 s / sqrt(N), df = n - 1.
struct NominalBlock {
    int n = 0;
    double s = 0;
    int df = 0;
    double se = 0;
    double t_crit = 0;
    double e_crit = 0;
    std::vector<std::optional<double>> t;
    std::vector<std::optional<double>> p;
};

// Dong: s0 = 1.5 median |E|, the effects with |E| <= limit = 2.5 s0 kept,
// s1 = sqrt(sum kept E^2 / m), e_crit = t(0.975, m) s1.
struct DongBlock {
    double s0 = 0;
    double limit = 0;
    int m = 0;
    double s1 = 0;
    double t_crit = 0;
    double e_crit = 0;
    // The kept columns (0-based), in column order.
    std::vector<int> kept;
};

// Lenth: pse = 1.5 median(|E| < limit), d = k / 3, me = t(0.975, d) pse,
// sme = t(gamma, d) pse with gamma = (1 + 0.95^(1/k)) / 2.
struct LenthBlock {
    double s0 = 0;
    double limit = 0;
    // Empty when no |E| is below the limit.
    std::optional<double> pse;
    double d = 0;
    double t_me = 0;
    std::optional<double> me;
    double gamma = 0;
    double t_sme = 0;
    std::optional<double> sme;
    // The columns (0-based) with |E| < limit, in column order.
    std::vector<int> used;
};

// A point of the half-normal plot: columns by ascending |E| (ties in column
// order), z_i = Phi^-1(0.5 + 0.5 (i - 0.5) / k).
struct HalfNormalPoint {
    int column = 0;
    double abs_effect = 0;
    double z = 0;
};

enum class BaseSource { Nominal, Design };

// "nominal", "design".
const char* baseSourceKey(BaseSource source);

struct PercentBase {
    BaseSource source = BaseSource::Design;
    double value = 0;
};

// The verdict on one factor (a column that is not a dummy).
struct FactorVerdict {
    int column = 0;
    std::string factor;
    // "SIGNIFICATIVO" or "NO SIGNIFICATIVO"; empty when the critical effect is.
    std::optional<std::string> verdict;
};

struct FactorEquivalence {
    int column = 0;
    std::string factor;
    // "EQUIVALENTE" or "EQUIVALENCIA NO DEMOSTRADA"; empty with a base of 0
    // or no critical effect.
    std::optional<std::string> verdict;
};

// The settings within which a significant numeric factor's effect would not
// be significant, read linearly from the nominal setting.
struct FactorInterval {
    int column = 0;
    std::string factor;
    double low = 0;
    double high = 0;
};

struct ResponseAnalysis {
    std::string response;
    int N = 0;
    int n_nominal = 0;
    double mean_design = 0;
    std::optional<double> mean_nominal;
    PercentBase percent_base;
    // One per column.
    std::vector<double> effects;
    // 100 E / base; empty when the base is 0.
    std::vector<std::optional<double>> percent;
    // Present when the design can give them.
    std::optional<DummyBlock> dummy;
    std::optional<NominalBlock> nominal;
    DongBlock dong;
    LenthBlock lenth;
    std::vector<HalfNormalPoint> half_normal;
    Estimate estimate = Estimate::Dong;
    // The critical effect of the estimate used (Lenth's me); empty when
    // undefined.
    std::optional<double> e_crit;
    std::vector<FactorVerdict> verdicts;
    // "CONCLUSIÓN (<response>): el método es TOLERANTE ..." or "... NO ES
    // TOLERANTE a: ..."; empty when the critical effect is.
    std::optional<std::string> conclusion;
    // Present when an equivalence limit was given.
    std::optional<std::vector<FactorEquivalence>> equivalence;
    std::vector<FactorInterval> intervals;
};

// The analysis of one response. Throws RobustezError (Spanish text) for a
// malformed input or an estimate the design cannot give.
ResponseAnalysis analyseResponse(const AnalysisInput& input);

// A factor's settings as numbers, when its low and high settings are numbers
// (written with "."); the nominal setting, when empty, is their midpoint.
std::optional<NumericSettings> numericSettings(const DesignFactor& factor);

// Every response of the study, in order. Throws RobustezError naming the
// first run and response without a value, or for an estimate the design
// cannot give.
std::vector<ResponseAnalysis> analyseStudy(const DesignStudy& study,
                                           std::optional<double> delta = std::nullopt,
                                           std::optional<Estimate> requested = std::nullopt);

// Analyses studies one after another as analyseStudy and analyseResponse do,
// keeping its buffers and the quantiles it has computed from one analysis to
// the next: what it gives is what a fresh analyser gives. It holds no state
// of any thread's own; each thread that analyses uses an analyser of its own.
class DesignAnalyser {
public:
    DesignAnalyser();
    ~DesignAnalyser();
    DesignAnalyser(const DesignAnalyser&) = delete;
    DesignAnalyser& operator=(const DesignAnalyser&) = delete;

    std::vector<ResponseAnalysis> analyseStudy(const DesignStudy& study,
                                               std::optional<double> delta = std::nullopt,
                                               std::optional<Estimate> requested = std::nullopt);
    ResponseAnalysis analyseResponse(const AnalysisInput& input);

private:
    struct Workspace;
    std::unique_ptr<Workspace> workspace_;
};

} // namespace robustez::design
