// The special functions against independent evaluations to full double precision, and their
// failure messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>

#include "Corvane/numerics/special/specialfunctions.h"
#include "expect_failure.h"

namespace {

using namespace corvane;

// P(a, x) = e^-x sum_{j >= 0} x^(a+j) / Gamma(a + j + 1), summed term by term in long double.
double PBySum(double a, double x) {
    long double term = std::exp(static_cast<long double>(-x) + a * std::log(static_cast<long double>(x)) -
                                std::lgamma(static_cast<long double>(a) + 1));
    long double sum = 0;
    for (int j = 0; j < 2000 && term > 1e-40L * sum; ++j) {
        sum += term;
        term *= x / (a + j + 1);
    }
    return static_cast<double>(std::min(sum, 1.0L));
}

TEST(SpecialFunctions, IncompleteGammaToFullPrecision) {
    // Both branches: the series below a + 1, the continued fraction above.
    for (const double a : {0.5, 1.0, 2.0, 3.0, 4.0, 7.5, 30.0}) {
        for (const double x : {1e-6, 0.1, 0.5, 1.9, 2.0, 3.5, 10.0, 25.0, 40.0}) {
            const double want = PBySum(a, x);
            EXPECT_NEAR(gammp(a, x), want, 8e-16 * std::max(want, 1.0)) << "a " << a << " x " << x;
        }
    }
    EXPECT_EQ(gammp(2.5, 0.0), 0.0);
    EXPECT_EQ(gammp(2.5, std::numeric_limits<double>::infinity()), 1.0);
}

TEST(SpecialFunctions, WholeOrdersInClosedForm) {
    for (const int n : {1, 2, 3}) {
        for (const double x : {0.0, 1e-8, 0.3, 1.0, 3.9, 4.1, 30.0, 700.0}) {
            const double want = x == 0 ? 0.0 : PBySum(n, x);
            EXPECT_NEAR(GammaPWhole(n, x), want, 4e-16 * std::max(want, 1e-300) + 1e-300) << "n " << n << " x " << x;
        }
        EXPECT_EQ(GammaPWhole(n, std::numeric_limits<double>::infinity()), 1.0);
    }
}

TEST(SpecialFunctions, IncompleteGammaFailures) {
    ExpectFailure([] { gammp(0.0, 1.0); }, "Invalid arguments in routine gammp");
    ExpectFailure([] { gammp(1.0, -1.0); }, "Invalid arguments in routine gammp");
    // A very large a needs more terms than either expansion is allowed.
    ExpectFailure([] { gammp(1e8, 1e8 - 1); }, "a too large, ITMAX too small in routine gser");
    ExpectFailure([] { gammp(1e8, 1e8 + 1); }, "a too large, ITMAX too small in gcf");
}

TEST(SpecialFunctions, LogGamma) {
    EXPECT_EQ(LogGamma(1.0), 0.0);
    EXPECT_EQ(LogGamma(2.0), 0.0);
    EXPECT_NEAR(LogGamma(4.0), std::log(6.0), 1e-15);
    EXPECT_NEAR(LogGamma(0.5), 0.5 * std::log(std::acos(-1.0)), 1e-15);   // Gamma(1/2) = sqrt(pi)
    EXPECT_NEAR(LogGamma(21.0), std::log(2432902008176640000.0), 2e-15 * std::log(2432902008176640000.0));
}

TEST(SpecialFunctions, NormalAndErrorFunctions) {
    // Reference values of Phi to 17 digits.
    const struct {
        double x, phi;
    } cases[] = {
        {0.0, 0.5}, {-1.0, 0.15865525393145705}, {-3.0, 0.0013498980316300946},
        {-10.0, 7.6198530241605260e-24}, {2.5, 0.99379033467422384}, {-0.2, 0.42074029056089696},
    };
    for (const auto& c : cases) EXPECT_NEAR(NormalCDF(c.x), c.phi, 1e-15 * c.phi) << c.x;
    for (const double x : {-3.0, -1.0, -0.2, 0.7, 2.5}) EXPECT_EQ(Erf(x), -Erf(-x)) << x;
    EXPECT_NEAR(Erf(0.5), 0.52049987781304654, 1e-16);
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(NormalCDF(-inf), 0.0);
    EXPECT_EQ(NormalCDF(inf), 1.0);
    EXPECT_EQ(Erf(inf), 1.0);
    EXPECT_EQ(Erf(-inf), -1.0);
    EXPECT_NEAR(NormalPDF(0.0), 0.39894228040143268, 1e-17);
    EXPECT_NEAR(NormalPDF(1.5), 0.12951759566589174, 1e-17);
}

}  // namespace
