#include "core/stats/reproducible_math.h"

#include "core/stats/double_double.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <stdexcept>
#include <vector>

namespace robustez {
namespace {

// Distance of a double from a reference, in units in the last place of the
// double.
double ulpsFrom(double value, long double reference) {
    const double ulp = std::nextafter(std::fabs(value), INFINITY) - std::fabs(value);
    return static_cast<double>(std::fabs(static_cast<long double>(value) - reference)) / ulp;
}

// The expected values are the exact results rounded to the nearest double:
// bc -l at 70 digits on the exact binary value of the argument (atan via
// a(x), or pi/2 - a(1/x) above 1; e(m/2 l(y)) for the powers), rounded by
// Python's Fraction.
TEST(ReproducibleMath, CorrectlyRoundedAgainstBc) {
    const struct {
        double x;
        double atan;
    } atans[] = {
        {1e-9, 1e-09},
        {1e-8, 1e-08},
        {0.05, 0.049958395721942765},
        {0.3, 0.2914567944778671},
        {0.4375, 0.4124104415973873},
        {0.5, 0.4636476090008061},
        {0.6875, 0.6022873461349642},
        {0.9999999, 0.7853981133974458},
        {1, 0.7853981633974483},
        {1.1875, 0.870903457075653},
        {2.4375, 1.1814796049617557},
        {3, 1.2490457723982544},
        {1e5, 1.570786326794897},
        {1e17, 1.5707963267948966},
        {1e300, 1.5707963267948966},
    };
    for (const auto& c : atans) {
        EXPECT_EQ(reproducibleAtan(c.x), c.atan) << c.x;
        EXPECT_EQ(reproducibleAtan(-c.x), -c.atan) << c.x;
    }
    const struct {
        double y;
        int m;
        double power;
    } powers[] = {{0.9, 27, 0.24114256572210577},
                  {0.5, 53, 1.0536712127723509e-08},
                  {0.123, 7, 0.0006526312871581832},
                  {0.99, 1000, 0.006570483042414603},
                  {0.3, 2, 0.3}};
    for (const auto& c : powers) {
        EXPECT_EQ(powHalfInteger(c.y, c.m), c.power) << c.y << "^(" << c.m << "/2)";
    }
}

// Against long double references (64-bit significands): the C library's
// atanl, an independent implementation within a fraction of a double's ulp,
// sqrtl, which is correctly rounded, and y^(m/2) as a plain running product
// times sqrtl(y), within m/2 long double roundings (below 1/20 of a double's
// ulp for m <= 200). Over arguments spread across every branch of the
// reductions, each result is within half an ulp of the exact value, up to the
// references' own error.
TEST(ReproducibleMath, WithinHalfAnUlpOverTheRange) {
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> decades(-12, 12);
    std::uniform_real_distribution<double> unit(0, 1);
    constexpr double kHalfUlp = 0.5 + 1.0 / 16;
    double worstAtan = 0;
    double worstHypot = 0;
    double worstPower = 0;
    for (int i = 0; i < 100000; ++i) {
        const double x = std::pow(10.0, decades(random));
        worstAtan = std::max(worstAtan,
                             ulpsFrom(reproducibleAtan(x), std::atan(static_cast<long double>(x))));
        const long double t = x;
        worstHypot = std::max(worstHypot, ulpsFrom(hypotOne(x), std::sqrt(1 + t * t)));
        const double y = unit(random);
        const int m = 1 + i % 200;
        const double power = powHalfInteger(y, m);
        if (power > 1e-290) {
            long double product = m % 2 == 1 ? std::sqrt(static_cast<long double>(y)) : 1;
            for (int e = 0; e < m / 2; ++e) {
                product *= y;
            }
            worstPower = std::max(worstPower, ulpsFrom(power, product));
        }
    }
    EXPECT_LE(worstAtan, kHalfUlp);
    EXPECT_LE(worstHypot, kHalfUlp);
    EXPECT_LE(worstPower, kHalfUlp);
}

TEST(ReproducibleMath, EdgesOfTheDomain) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(reproducibleAtan(kInf), 1.5707963267948966);
    EXPECT_EQ(reproducibleAtan(-kInf), -1.5707963267948966);
    EXPECT_TRUE(std::signbit(reproducibleAtan(-0.0)));
    EXPECT_EQ(reproducibleAtan(5e-324), 5e-324);
    EXPECT_EQ(reproducibleAtan(std::numeric_limits<double>::max()), 1.5707963267948966);
    EXPECT_TRUE(std::isnan(reproducibleAtan(kNaN)));

    EXPECT_EQ(hypotOne(0), 1);
    EXPECT_EQ(hypotOne(1e200), 1e200); // t^2 would overflow
    EXPECT_EQ(hypotOne(-kInf), kInf);
    EXPECT_TRUE(std::isnan(hypotOne(kNaN)));

    EXPECT_EQ(powHalfInteger(0, 0), 1);
    EXPECT_EQ(powHalfInteger(0, 1), 0);
    EXPECT_EQ(powHalfInteger(1, 12345), 1);
    EXPECT_EQ(powHalfInteger(0.25, 1), 0.5);
    EXPECT_EQ(powHalfInteger(0.5, 2148), 0x1p-1074); // the least subnormal, exactly
    EXPECT_TRUE(std::isnan(powHalfInteger(kNaN, 3)));
    EXPECT_THROW(powHalfInteger(1.5, 2), std::invalid_argument);
    EXPECT_THROW(powHalfInteger(-0.5, 2), std::invalid_argument);
    EXPECT_THROW(powHalfInteger(0.5, -1), std::invalid_argument);
}

// Dividing by a double gives the bits of the general division by it as a
// double-double (the screen's means and effects rest on them), signed zeros
// included: sums of a screen's values, their differences, and extremes.
TEST(DoubleDouble, DivisionByADoubleAsByItsDoubleDouble) {
    const auto bits = [](double v) { return std::bit_cast<std::uint64_t>(v); };
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> unit(-1, 1);
    std::vector<dd::DoubleDouble> numerators = {
        {0.0, 0.0},      {-0.0, 0.0},   {0.0, -0.0},   {-0.0, -0.0},
        {1.0, 0.0},      {-3.0, 1e-17}, {1e-300, 0.0}, {4.9406564584124654e-324, 0.0},
        {1e290, -1e273}, {2.5, -0.0}};
    for (int i = 0; i < 20000; ++i) {
        // A sum of laboratory values (two decimals) and its rounding error.
        dd::DoubleDouble sum;
        const int count = 2 + i % 23;
        for (int j = 0; j < count; ++j) {
            const double value = std::round((100 + 50 * unit(random)) * 100) / 100;
            sum = sum + dd::DoubleDouble{(i % 3 == 0 ? -1 : 1) * value};
        }
        numerators.push_back(i % 2 ? sum : sum - dd::DoubleDouble{100.0 * count});
        numerators.push_back(dd::twoSum(unit(random) * std::ldexp(1.0, i % 200 - 100),
                                        unit(random) * std::ldexp(1.0, i % 200 - 160)));
    }
    for (const dd::DoubleDouble& a : numerators) {
        for (const double b : {1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0, 11.0, 12.0, 13.0, 23.0, 0.1,
                               1e-300, 1e300, 3.0000000000000004}) {
            const dd::DoubleDouble general = a / dd::DoubleDouble{b};
            const dd::DoubleDouble quick = dd::divide(a, b);
            ASSERT_EQ(bits(quick.hi), bits(general.hi)) << a.hi << " " << a.lo << " / " << b;
            ASSERT_EQ(bits(quick.lo), bits(general.lo)) << a.hi << " " << a.lo << " / " << b;
        }
    }
    // Four at a time and the rest one by one, each as alone.
    std::vector<double> divisors;
    for (std::size_t i = 0; i < numerators.size(); ++i) {
        divisors.push_back(1 + static_cast<double>(i % 13));
    }
    for (const std::size_t n :
         {std::size_t{0}, std::size_t{3}, std::size_t{4}, std::size_t{9}, numerators.size()}) {
        std::vector<dd::DoubleDouble> quotients(n);
        dd::divideEach(numerators.data(), divisors.data(), quotients.data(), n);
        for (std::size_t i = 0; i < n; ++i) {
            const dd::DoubleDouble alone = dd::divide(numerators[i], divisors[i]);
            ASSERT_EQ(bits(quotients[i].hi), bits(alone.hi)) << i;
            ASSERT_EQ(bits(quotients[i].lo), bits(alone.lo)) << i;
        }
    }
}

} // namespace
} // namespace robustez
