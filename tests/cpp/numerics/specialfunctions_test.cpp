// The special functions against known values, and their failure messages.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>

#include "Corvane/numerics/special/specialfunctions.h"
#include "expect_failure.h"

namespace {

using namespace corvane;

TEST(SpecialFunctions, IncompleteGammaMatchesKnownValues) {
    // P(1, x) = 1 - e^-x through the series (x < 2) and the continued fraction (x >= 2).
    for (const double x : {0.1, 0.5, 1.0, 1.9, 2.0, 3.5, 10.0, 40.0})
        EXPECT_NEAR(gammp(1.0, x), 1.0 - std::exp(-x), 3e-7) << x;
    // P(1/2, x) = erf(sqrt x); P(3, x) = 1 - e^-x (1 + x + x^2/2).
    for (const double x : {0.2, 1.0, 4.0, 9.0}) {
        EXPECT_NEAR(gammp(0.5, x), std::erf(std::sqrt(x)), 1e-6) << x;
        EXPECT_NEAR(gammp(3.0, x), 1.0 - std::exp(-x) * (1 + x + x * x / 2), 1e-6) << x;
    }
    EXPECT_EQ(gammp(2.5, 0.0), 0.0);
    EXPECT_NEAR(gser(1.0, 1.0) + gcf(1.0, 1.0), 1.0, 1e-6);
}

TEST(SpecialFunctions, IncompleteGammaFailures) {
    ExpectFailure([] { gammp(0.0, 1.0); }, "Invalid arguments in routine gammp");
    ExpectFailure([] { gammp(1.0, -1.0); }, "Invalid arguments in routine gammp");
    ExpectFailure([] { gser(1.0, -1.0); }, "x less than 0 in routine gser");
    // A very large a needs more than 100 series terms.
    ExpectFailure([] { gser(1e6, 1e6 - 1); }, "a too large, ITMAX too small in routine gser");
    ExpectFailure([] { gcf(1e6, 1e6 + 1); }, "a too large, ITMAX too small in gcf");
}

TEST(SpecialFunctions, LogGamma) {
    EXPECT_NEAR(LogGamma(1.0), 0.0, 1e-10);
    EXPECT_NEAR(LogGamma(2.0), 0.0, 1e-10);
    EXPECT_NEAR(std::exp(LogGamma(4.0)), 6.0, 1e-9);
    for (const double x : {0.3, 1.7, 12.5, 150.0}) EXPECT_NEAR(LogGamma(x), std::lgamma(x), 1e-9 * (1 + std::abs(std::lgamma(x))));
}

TEST(SpecialFunctions, NormalAndErrorFunctions) {
    EXPECT_NEAR(NormalCDF(0.0), 0.499999985, 1e-9);
    EXPECT_NE(NormalCDF(0.0), 0.5);
    for (const double x : {-3.0, -1.0, -0.2, 0.7, 2.5}) {
        EXPECT_NEAR(NormalCDF(x), 0.5 * std::erfc(-x / std::sqrt(2.0)), 1.2e-7) << x;
        EXPECT_NEAR(Erf(x), std::erf(x), 1.2e-7) << x;
        EXPECT_EQ(Erf(x), -Erf(-x)) << x;
    }
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(NormalCDF(-inf), 0.0);
    EXPECT_EQ(NormalCDF(inf), 1.0);
    EXPECT_EQ(Erf(inf), 1.0);
    EXPECT_EQ(Erf(-inf), -1.0);
    EXPECT_DOUBLE_EQ(NormalPDF(0.0), 0.398942280401433);
    EXPECT_DOUBLE_EQ(NormalPDF(1.5), 0.398942280401433 * std::exp(-1.125));
}

}  // namespace
