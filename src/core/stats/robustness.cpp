#include "core/stats/robustness.h"

#include "core/stats/dunnett_table.h"
#include "core/study/conversions.h"
#include "core/study/errors.h"

#include <cmath>
#include <string>
#include <vector>

namespace robustez {

namespace {

using Wide = long double;

[[noreturn]] void fail(std::string_view message) {
    throw ArithmeticError(std::string(message));
}

// Stores a result in a double; a value beyond its range is an overflow.
double toStored(Wide value) {
    const auto stored = static_cast<double>(value);
    if (std::isinf(stored)) {
        fail(kOverflow);
    }
    return stored;
}

// Division with the faults of the floating-point unit: a non-zero value over
// zero, zero (or NaN) over zero, and a quotient beyond the range.
template <typename T> T divide(T numerator, T denominator) {
    if (denominator == 0) {
        fail(numerator == 0 || std::isnan(numerator) ? kInvalidOperation : kDivisionByZero);
    }
    const T quotient = numerator / denominator;
    if (std::isinf(quotient) || std::isinf(static_cast<double>(quotient))) {
        fail(kOverflow);
    }
    return quotient;
}

template <typename T> T squareRoot(T value) {
    if (value < 0 || std::isnan(value)) {
        fail(kInvalidOperation);
    }
    return std::sqrt(value);
}

// Sum of squared deviations from the mean, accumulated in extended precision.
Wide sumOfSquaresAbout(const std::vector<double>& values, size_t first, size_t count, Wide mean) {
    Wide sum = 0;
    for (size_t i = first; i < first + count; ++i) {
        const Wide deviation = values[i] - mean;
        sum += deviation * deviation;
    }
    return sum;
}

} // namespace

void computeRobustness(const StudyRecord& study, std::string_view decimalSeparator,
                       RobustnessResults& results, RobustnessWork* work) {
    const int n = toInteger(study.replicateCountText);

    // The converted values, kept for the sums of squares about the means; the
    // buffer is reused from run to run.
    thread_local std::vector<double> values;
    values.clear();
    Wide totalSum = 0;
    Wide sse = 0;
    long long dfError = 0;
    std::array<Wide, 4> levelSS{};

    for (int level = 1; level <= kLevelCount; ++level) {
        const size_t first = values.size();
        Wide levelSum = 0;
        for (int replicate = 1; replicate <= n; ++replicate) {
            const double x = toDecimal(study.value(level, replicate), decimalSeparator);
            values.push_back(x);
            totalSum += x;
            levelSum += x;
        }
        const Wide levelMean = divide<Wide>(levelSum, n);
        levelSS[static_cast<size_t>(level)] =
            sumOfSquaresAbout(values, first, static_cast<size_t>(std::max(n, 0)), levelMean);
        sse += levelSS[static_cast<size_t>(level)];
        dfError += n - 1;
        results.mean[static_cast<size_t>(level)] = toStored(levelMean);
    }

    const double mse = toStored(divide<Wide>(sse, static_cast<Wide>(dfError)));

    const int df = dfError < -1'000'000 || dfError > 1'000'000 ? 0 : static_cast<int>(dfError);
    results.criticalT = dunnettCritical(2, df);

    const double se = squareRoot(divide(2.0, static_cast<double>(n)) * mse);
    for (size_t i = 1; i <= kLevelCount; ++i) {
        const double difference = results.mean[i] - results.mean[1];
        if (std::isinf(difference)) {
            fail(kOverflow);
        }
        results.tValue[i] = divide(difference, se);
    }

    for (size_t i = 2; i <= kLevelCount; ++i) {
        results.absDiff[i] = std::fabs(results.mean[i] - results.mean[1]);
    }

    std::array<double, 4> sd{};
    std::array<double, 4> cv{};
    for (size_t i = 1; i <= kLevelCount; ++i) {
        sd[i] = toStored(squareRoot(divide<Wide>(levelSS[i], static_cast<Wide>(n) - 1)));
        cv[i] = toStored(divide<Wide>(sd[i], results.mean[i]) * 100);
    }

    const long long totalCount = 3LL * n;
    const Wide grandMeanOfValues = divide<Wide>(totalSum, static_cast<Wide>(totalCount));
    const Wide totalSS = sumOfSquaresAbout(values, 0, values.size(), grandMeanOfValues);
    const double sdTotal =
        toStored(squareRoot(divide<Wide>(totalSS, static_cast<Wide>(totalCount - 1))));
    const double cvTotal = toStored(divide<Wide>(sdTotal, grandMeanOfValues) * 100);

    const double grandMean =
        toStored((static_cast<Wide>(results.mean[1]) + results.mean[2] + results.mean[3]) / 3);

    results.grandMean = grandMean;
    results.sdNormal = sd[1];
    results.sdBaja = sd[2];
    results.sdAlta = sd[3];
    results.cvNormal = cv[1];
    results.cvBaja = cv[2];
    results.cvAlta = cv[3];
    results.sdTotal = sdTotal;
    results.cvTotal = cvTotal;
    if (work != nullptr) {
        *work = {mse, se, df};
    }
}

bool isTolerant(double tValue, double criticalT) {
    return !(std::fabs(tValue) >= criticalT);
}

std::string_view toleranceVerdict(double tValue, double criticalT) {
    return isTolerant(tValue, criticalT) ? "TOLERANTE" : "NO TOLERANTE";
}

double levelSd(const RobustnessResults& results, int level) {
    switch (level) {
    case kLevelNormal:
        return results.sdNormal;
    case kLevelBaja:
        return results.sdBaja;
    default:
        return results.sdAlta;
    }
}

double levelCv(const RobustnessResults& results, int level) {
    switch (level) {
    case kLevelNormal:
        return results.cvNormal;
    case kLevelBaja:
        return results.cvBaja;
    default:
        return results.cvAlta;
    }
}

} // namespace robustez
