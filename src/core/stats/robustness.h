#pragma once

#include "core/study/study_record.h"

#include <array>
#include <string_view>

namespace robustez {

// The doubles of one computation. Arrays are indexed by level 1..3 (index 0
// is unused); absDiff holds levels 2 and 3.
struct RobustnessResults {
    std::array<double, 4> mean{};
    std::array<double, 4> tValue{};
    std::array<double, 4> absDiff{};
    double criticalT = 0;
    double grandMean = 0;
    double sdNormal = 0;
    double sdBaja = 0;
    double sdAlta = 0;
    double cvNormal = 0;
    double cvBaja = 0;
    double cvAlta = 0;
    double sdTotal = 0;
    double cvTotal = 0;

    bool operator==(const RobustnessResults&) const = default;
};

// The intermediate values behind the t statistics of one computation.
struct RobustnessWork {
    double mse = 0;           // the pooled within-level variance
    double standardError = 0; // sqrt(2 mse / n): tValue[i] = (mean[i] - mean[1]) / standardError
    int dfError = 0;          // 3 (n - 1), the degrees of freedom of mse
};

// Reads the count and the values of the study and fills `results`: the level
// means, Dunnett's t of each level against "Normal", the absolute
// differences, the critical value, and the standard deviations and
// coefficients of variation of each level and of all values together.
// Fields are written as the run reaches them; on an error (ConversionError,
// ArithmeticError) the fields written so far keep their new values and the
// others their previous ones. `work`, when given, is written only by a run
// that succeeds.
void computeRobustness(const StudyRecord& study, std::string_view decimalSeparator,
                       RobustnessResults& results, RobustnessWork* work = nullptr);

// "NO TOLERANTE" when |t| >= criticalT, otherwise "TOLERANTE".
bool isTolerant(double tValue, double criticalT);
std::string_view toleranceVerdict(double tValue, double criticalT);

// Standard deviation and coefficient of variation of level 1..3.
double levelSd(const RobustnessResults& results, int level);
double levelCv(const RobustnessResults& results, int level);

// The arithmetic fault messages.
inline constexpr std::string_view kDivisionByZero = "Floating point division by zero";
inline constexpr std::string_view kInvalidOperation = "Invalid floating point operation";
inline constexpr std::string_view kOverflow = "Floating point overflow";

} // namespace robustez
