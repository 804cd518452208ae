// Compounding a claim count onto bivariate claim sizes: the marginals of the result are the
// one-dimensional compounds of the marginals, and its moments those of a compound Poisson pair.
#include <ostream>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "Corvane/numerics/bivariate/biv_build.h"
#include "Corvane/numerics/bivariate/biv_diagonal.h"
#include "Corvane/numerics/codes.h"

namespace {

using namespace corvane;

// Compound Poisson by Panjer's recursion: g_0 = exp(lambda (f_0 - 1)),
// g_s = (lambda/s) sum_{j=1..s} j f_j g_{s-j}.
std::vector<double> PanjerPoisson(double lambda, const std::vector<double>& f) {
    std::vector<double> g(f.size(), 0.0);
    g[0] = std::exp(lambda * (f[0] - 1.0));
    for (std::size_t s = 1; s < f.size(); ++s) {
        double t = 0.0;
        for (std::size_t j = 1; j <= s; ++j) t += double(j) * f[j] * g[s - j];
        g[s] = lambda / double(s) * t;
    }
    return g;
}

// Claim sizes on the first 8 of n buckets, so that the aggregate fits the grid.
std::vector<double> Severity(std::size_t n, double decay) {
    std::vector<double> f(n, 0.0);
    double s = 0.0;
    for (std::size_t k = 0; k < 8; ++k) s += f[k] = std::exp(-decay * double(k));
    for (double& v : f) v /= s;
    return f;
}

struct DependencyCase {
    std::int32_t dep;
    double tau;
};

// Test names show the case, not its bytes.
void PrintTo(const DependencyCase& c, std::ostream* os) { *os << "dep" << c.dep << "_tau" << c.tau; }

class PoissonCompoundThreads : public ::testing::TestWithParam<DependencyCase> {};

TEST_P(PoissonCompoundThreads, MarginalsAreTheOneDimensionalCompounds) {
    const auto [dep, tau] = GetParam();
    const std::size_t n = 256;  // large enough for the generating function to run on two threads
    const double lambda = 2.0;
    const auto pX = Severity(n, 0.3), pY = Severity(n, 0.7);
    CFFT2D fft(n, n);
    std::vector<double> p(n * n);
    const double params[] = {tau}, fqParams[] = {lambda};
    BivDistFromMarginals(fqPoisson, fqParams, dep, params, pX, pY, 1.0, 1.0, fft, p);

    const auto gX = PanjerPoisson(lambda, pX), gY = PanjerPoisson(lambda, pY);
    for (std::size_t k = 0; k < n; ++k) {
        double row = 0.0, col = 0.0;
        for (std::size_t j = 0; j < n; ++j) {
            row += p[k * n + j];
            col += p[j * n + k];
        }
        EXPECT_NEAR(row, gX[k], 1e-13) << "X at " << k;
        EXPECT_NEAR(col, gY[k], 1e-13) << "Y at " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Dependencies, PoissonCompoundThreads,
                         ::testing::Values(DependencyCase{bvIndep, 0.0}, DependencyCase{bvClayton, 0.5},
                                           DependencyCase{bvMax, 0.0}, DependencyCase{bvFrank, -4.0}));

TEST(BivDistFromMarginals, OneClaimLeavesTheSingleClaimDensity) {
    const std::vector<double> pX{0.5, 0.5, 0, 0}, pY{0.25, 0.75, 0, 0}, tau{0.0};
    CFFT2D fft(4, 4);
    std::vector<double> p(16);
    BivDistFromMarginals(fqOne, {}, bvIndep, tau, pX, pY, 1.0, 1.0, fft, p);
    EXPECT_EQ(p[1 * 4 + 1], 0.375);
    EXPECT_EQ(p[0], 0.125);
}

TEST(BivDistFromMarginals, XAndSumPutsXPlusYInTheSecondCoordinate) {
    const std::vector<double> pX{0, 1, 0, 0}, pY{0.5, 0.5, 0, 0};
    CFFT2D fft(4, 4);
    std::vector<double> p(16);
    BivDistFromMarginals(fqOne, {}, bvXXplusY, {}, pX, pY, 1.0, 1.0, fft, p);
    EXPECT_EQ(p, (std::vector<double>{0, 0, 0, 0, 0, 0.5, 0.5, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    CFFT2D wide(4, 8);
    std::vector<double> p48(32), pY8(8, 0.125);
    EXPECT_THROW(BivDistFromMarginals(fqOne, {}, bvXXplusY, {}, pX, pY8, 1.0, 1.0, wide, p48), std::invalid_argument);
}

TEST(BivDistFromMarginals, RefusesBadArgumentsAndUnknownFrequencies) {
    const std::vector<double> m4{0.25, 0.25, 0.25, 0.25}, m5(5, 0.2), tau{0.5}, layer2{3.0, 1.0};
    CFFT2D fft(4, 4);
    std::vector<double> p(16);
    EXPECT_THROW(BivDistFromMarginals(fqOne, {}, bvIndep, tau, m5, m4, 1, 1, fft, p), std::invalid_argument);
    EXPECT_THROW(BivDistFromMarginals(fqOne, {}, bvIndep, tau, m4, m5, 1, 1, fft, p), std::invalid_argument);
    EXPECT_THROW(BivDistFromMarginals(fqOne, {}, 12, tau, m4, m4, 1, 1, fft, p), std::invalid_argument);
    EXPECT_THROW(BivDistFromMarginals(fqOne, {}, bvNetCeded, layer2, m4, {}, 1, 1, fft, p), std::invalid_argument);
    EXPECT_FALSE(UsesMarginalY(bvNetCeded));
    EXPECT_TRUE(UsesMarginalY(bvXXplusY));
    try {
        BivDistFromMarginals(8, {}, bvIndep, tau, m4, m4, 1, 1, fft, p);
        FAIL() << "an unknown frequency code was accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Invalid freq dist");
    }
}

// One claim: (X, Y) = (1, 0), (1, 2), (2, 1) with probabilities 0.3, 0.2, 0.5, units 2 and 3.
// For a Poisson(lambda) count, E S = lambda E X, E S^2 = lambda E X^2 + (lambda E X)^2,
// E S^3 = lambda E X^3 + 3 lambda^2 E X E X^2 + (lambda E X)^3, E S T = lambda E XY + lambda^2 E X E Y.
TEST(CompoundBivDensity, MomentsAreThoseOfTheCompoundPoissonPair) {
    const std::size_t nx = 64, ny = 32;
    const double lambda = 1.5, ux = 2.0, uy = 3.0;
    std::vector<double> p1(nx * ny, 0.0);
    p1[1 * ny + 0] = 0.3;
    p1[1 * ny + 2] = 0.2;
    p1[2 * ny + 1] = 0.5;
    const double EX[] = {0.0, 1.5 * ux, 2.5 * ux * ux, 4.5 * ux * ux * ux};
    const double EY[] = {0.0, 0.9 * uy, 1.3 * uy * uy, 2.1 * uy * uy * uy};
    const double EXY = 1.4 * ux * uy;
    const double fqParams[] = {lambda};
    const auto result = CompoundBivDensity(fqPoisson, fqParams, p1, nx, ny, ux, uy);

    const auto compound = [lambda](const double* E) {
        return std::array<double, 3>{lambda * E[1], lambda * E[2] + lambda * lambda * E[1] * E[1],
                                     lambda * E[3] + 3 * lambda * lambda * E[1] * E[2] +
                                         lambda * lambda * lambda * E[1] * E[1] * E[1]};
    };
    const auto sx = compound(EX), sy = compound(EY);
    const double expected[] = {sx[0], sx[1], sx[2], sy[0], sy[1], sy[2], lambda * EXY + lambda * lambda * EX[1] * EY[1]};
    for (int k = 0; k < 7; ++k) EXPECT_NEAR(result.moments[k], expected[k], 1e-9 * expected[k]) << "moment " << k;
    EXPECT_EQ(result.density.size(), nx * ny);
    EXPECT_TRUE(result.diagonal.empty());
}

TEST(CompoundBivDensity, SquareGridsWithEqualUnitsAlsoGiveXPlusY) {
    const std::size_t n = 64;
    std::vector<double> p1(n * n, 0.0);
    p1[1 * n + 1] = 0.4;
    p1[2 * n + 0] = 0.6;
    const double fqParams[] = {1.0};
    const auto result = CompoundBivDensity(fqPoisson, fqParams, p1, n, n, 1.0, 1.0);
    EXPECT_EQ(result.diagonal, DiagonalGrid(result.density, n, n, 1.0, 1.0));
    // Every claim adds 2 to X + Y: Poisson(1) counts on the even buckets.
    EXPECT_NEAR(result.diagonal[0], std::exp(-1.0), 1e-14);
    EXPECT_NEAR(result.diagonal[2], std::exp(-1.0), 1e-14);
    EXPECT_NEAR(result.diagonal[4], std::exp(-1.0) / 2.0, 1e-14);
    EXPECT_EQ(result.diagonal[1], 0.0);
    EXPECT_TRUE(CompoundBivDensity(fqPoisson, fqParams, p1, n, n, 1.0, 2.0).diagonal.empty());
}

TEST(CompoundBivDensity, RefusesADensityOfTheWrongShape) {
    const std::vector<double> p1(4 * 8, 1.0 / 32);
    const double fqParams[] = {1.0};
    EXPECT_THROW(CompoundBivDensity(fqPoisson, fqParams, p1, 8, 8, 1, 1), std::invalid_argument);
    EXPECT_THROW(CompoundBivDensity(fqPoisson, fqParams, p1, 0, 32, 1, 1), std::invalid_argument);
    EXPECT_THROW(CompoundBivDensity(0, fqParams, p1, 4, 8, 1, 1), std::runtime_error);
}

}  // namespace
