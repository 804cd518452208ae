// The array functions against the C library's, value by value, for every length of tail.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <vector>

#include "Corvane/numerics/special/vector_math.h"

namespace {

using namespace corvane;

// Within `ulps` units in the last place of the C library's value (both 0 or both infinite agree).
void ExpectUlps(double got, double want, double ulps, const char* what, std::size_t i) {
    if (got == want) return;
    const double ulp = std::nextafter(std::fabs(want), std::numeric_limits<double>::infinity()) - std::fabs(want);
    EXPECT_LE(std::fabs(got - want), ulps * ulp) << what << " at " << i << ": " << got << " vs " << want;
}

std::vector<double> Spread(std::size_t n, double lo, double hi) {
    std::vector<double> x(n);
    for (std::size_t i = 0; i < n; ++i) x[i] = lo + (hi - lo) * std::sin(0.37 * double(i) + 1.0) * std::sin(0.37 * double(i) + 1.0);
    return x;
}

TEST(VectorMath, ExpAndPowAgreeWithTheCLibrary) {
    for (std::size_t n : {0u, 1u, 3u, 4u, 5u, 7u, 1001u}) {
        std::vector<double> x = Spread(n, -745.0, 709.0), e = x;
        ExpInPlace(e);
        for (std::size_t i = 0; i < n; ++i) ExpectUlps(e[i], std::exp(x[i]), 2, "exp", i);
        std::vector<double> u = Spread(n, 0.0, 1.0), p = u;
        PowInPlace(p, -2.0 / 3.0);
        for (std::size_t i = 0; i < n; ++i) ExpectUlps(p[i], std::pow(u[i], -2.0 / 3.0), 2, "pow", i);
    }
    std::vector<double> edges = {0.0, 1.0, std::numeric_limits<double>::infinity()};
    PowInPlace(edges, -0.5);
    EXPECT_EQ(edges[0], std::numeric_limits<double>::infinity());
    EXPECT_EQ(edges[1], 1.0);
    EXPECT_EQ(edges[2], 0.0);
}

// s e^(lambda (z - 1)) from the complex exponential of the standard library, on points of the unit
// disc (where transforms of densities lie) and for small and large means.
TEST(VectorMath, ScaledPoissonPgfAgreesWithTheComplexExponential) {
    for (double lambda : {0.0, 0.5, 10.0, 2500.0})
        for (std::size_t n : {1u, 2u, 3u, 4u, 5u, 9u, 257u}) {
            std::vector<std::complex<double>> z(n);
            for (std::size_t k = 0; k < n; ++k) z[k] = std::polar(std::cos(0.1 * double(k)), 2.3 * double(k));
            auto w = z;
            ScaledPoissonPgfInPlace(w, lambda, 0.25);
            for (std::size_t k = 0; k < n; ++k) {
                const std::complex<double> want = 0.25 * std::exp(lambda * (z[k] - 1.0));
                EXPECT_NEAR(w[k].real(), want.real(), 1e-15 * 0.25 * std::exp(lambda * (z[k].real() - 1.0)) + 1e-300)
                    << lambda << " " << k;
                EXPECT_NEAR(w[k].imag(), want.imag(), 1e-15 * 0.25 * std::exp(lambda * (z[k].real() - 1.0)) + 1e-300)
                    << lambda << " " << k;
            }
        }
}

// s (p / (1 - q z))^r from the standard library's complex power; the r-th power multiplies the
// relative error of w by r.
TEST(VectorMath, ScaledNegBinPgfAgreesWithTheComplexPower) {
    for (const auto& [p, r] : {std::pair{0.5, 3.0}, std::pair{0.02, 0.7}, std::pair{0.9, 250.0}})
        for (std::size_t n : {1u, 3u, 4u, 6u, 257u}) {
            std::vector<std::complex<double>> z(n);
            for (std::size_t k = 0; k < n; ++k) z[k] = std::polar(std::cos(0.1 * double(k)), 2.3 * double(k));
            auto w = z;
            ScaledNegBinPgfInPlace(w, p, r, 0.5);
            for (std::size_t k = 0; k < n; ++k) {
                const std::complex<double> want = 0.5 * std::pow(p / (1.0 - (1.0 - p) * z[k]), r);
                EXPECT_NEAR(std::abs(w[k] - want), 0.0, (4.0 + r) * 4e-16 * std::abs(want) + 1e-300)
                    << p << " " << r << " " << k;
            }
        }
}

}  // namespace
