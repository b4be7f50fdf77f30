#pragma once

#include "core/stats/robustness.h"
#include "core/study/study_record.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace robustez {

// The evidence behind the verdict: exact adjusted p-values, the exact
// critical value, 95 % simultaneous confidence intervals of the differences
// against "Normal", and an optional practical-equivalence judgement.
//
// The distribution functions are exact for integer degrees of freedom
// (finite series, no random quadrature): the same digits on every run, and,
// resting on reproducible_math.h rather than the C library's arctangent and
// powers, the same bits on every platform.

// P(T > t) for Student's t with df >= 1 degrees of freedom, with full
// relative precision in the upper tail. NaN gives NaN; df < 1 throws
// std::invalid_argument.
double studentUpperTail(int df, double t);

// P(T1 < h, T2 < k) for the standard bivariate Student t with df >= 1
// degrees of freedom and correlation -1 < rho < 1 (infinite limits allowed).
// Throws std::invalid_argument for df < 1 or rho outside (-1, 1).
double bivariateStudentLower(int df, double h, double k, double rho);

// The adjusted two-sided p-value of the single-step Dunnett test for two
// treatments against one control with equal group sizes:
// P(max(|T1|, |T2|) >= |t|), (T1, T2) bivariate t with df degrees of freedom
// and correlation 1/2. 1 at t = 0, tending to 0 as |t| grows (0 once it
// falls below the range of a double), with full relative precision however
// small. Throws std::invalid_argument for df < 1.
double dunnettAdjustedPValue(int df, double t);

// The exact (unrounded) critical value: the 0.95 quantile of
// max(|T1|, |T2|) for df degrees of freedom, correlation 1/2, to a unit in
// the last place. Computed once per df and cached; safe to call from any
// thread. Throws std::invalid_argument for df < 1.
double dunnettExactCritical(int df);

// One changed level against "Normal".
struct ComparisonEvidence {
    int level = 0;                    // kLevelBaja or kLevelAlta
    double difference = 0;            // mean[level] - mean[Normal]
    double relativeDifferencePct = 0; // 100 * difference / mean[Normal]; NaN beyond a double
    double t = 0;                     // tValue[level] of the computation
    double pAdjusted = 1;
    double ciLow = 0; // difference - criticalExact * standardError
    double ciHigh = 0;
    bool tolerant = true;           // the verdict, judged with the table's critical value
    std::optional<bool> equivalent; // set only while an equivalence limit is set
};

struct StudyEvidence {
    RobustnessResults results; // the robustness computation's own record
    int df = 0;                // 3 (n - 1)
    double mse = 0;            // as the computation forms it
    double pooledSd = 0;       // sqrt(mse)
    double standardError = 0;  // sqrt(2 mse / n), the t statistics' denominator
    double criticalTable = 0;  // the table's two-decimal value (results.criticalT)
    double criticalExact = 0;
    std::array<ComparisonEvidence, 2> comparisons{}; // Baja, Alta
    std::optional<double> equivalenceLimitPct;
    // The replicate values of each level as the computation converted them,
    // indexed by level 1..3 (index 0 is unused).
    std::array<std::vector<double>, 4> values;
    // The most decimals of any replicate value as typed; nothing when a value
    // is typed with an exponent. Means and differences are written by it
    // (formatMeasured).
    std::optional<int> valueDecimals;
};

// Runs the robustness computation on the study (same inputs, same errors:
// ConversionError, ArithmeticError with the computation's messages) and adds
// the evidence. A relative difference beyond the range of a double is NaN
// (absent), the rest given as usual; any other result beyond that range
// raises "Floating point overflow". The limit, when given, is applied as by
// setEquivalenceLimit (and an invalid one throws as there).
StudyEvidence computeEvidence(const StudyRecord& study, std::string_view decimalSeparator,
                              std::optional<double> equivalenceLimitPct = std::nullopt);

// Sets (or, with nullopt, clears) the equivalence limit, in percent of the
// Normal mean, and judges each comparison again: equivalent when its whole
// interval lies within +-limit * |mean[Normal]| / 100 (bounds included).
// Throws std::invalid_argument for a limit that is not finite and > 0.
void setEquivalenceLimit(StudyEvidence& evidence, std::optional<double> limitPct);

// "EQUIVALENTE" or "EQUIVALENCIA NO DEMOSTRADA".
std::string_view equivalenceVerdict(bool equivalent);

// An adjusted p-value with four decimals and the given separator ("0.0123"),
// rounded half away from zero on its exact binary value, or "< 0.0001" (with
// the separator) below 0.0001. Throws std::invalid_argument for a p that is
// not within [0, 1].
std::string formatPValue(double p, std::string_view decimalSeparator);

} // namespace robustez
