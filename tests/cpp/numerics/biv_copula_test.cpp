// Copula densities checked against the copulas' rectangle probabilities evaluated directly.
#include <ostream>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "Corvane/numerics/bivariate/biv_copula.h"
#include "Corvane/numerics/codes.h"

namespace {

using namespace corvane;

std::vector<double> Normalised(std::vector<double> p) {
    double s = 0.0;
    for (double v : p) s += v;
    for (double& v : p) v /= s;
    return p;
}

// Two different shapes on n buckets, each summing to 1.
std::vector<double> MarginalX(std::size_t n) {
    std::vector<double> p(n);
    for (std::size_t k = 0; k < n; ++k) p[k] = std::exp(-double(k) / 8.0);
    return Normalised(p);
}
std::vector<double> MarginalY(std::size_t n) {
    std::vector<double> p(n);
    for (std::size_t k = 0; k < n; ++k) p[k] = (double(k) + 1.0) * std::exp(-double(k) / 5.0);
    return Normalised(p);
}

// The copulas as their formulas read.
double Copula(std::int32_t dep, double tau, double u, double v) {
    switch (dep) {
        case bvMin:
            return std::max(u + v - 1.0, 0.0);
        case bvMax:
            return std::min(u, v);
        case bvClayton: {
            const double t = 2.0 * tau / (1.0 - tau);
            return std::pow(std::pow(u, -t) + std::pow(v, -t) - 1.0, -1.0 / t);
        }
        case bvFrank:
            return std::log(1.0 + (std::exp(tau * u) - 1.0) * (std::exp(tau * v) - 1.0) / (std::exp(tau) - 1.0)) / tau;
        case bvFGM: {
            const double t = 9.0 * tau / 2.0;
            return u * v * (1.0 + t * (1.0 - u) * (1.0 - v));
        }
        case bvGumbel: {
            const double t = 1.0 / (1.0 - tau);
            return std::exp(-std::pow(std::pow(-std::log(u), t) + std::pow(-std::log(v), t), 1.0 / t));
        }
        case bvCook: {
            const double t = (1.0 / tau - 1.0) / 2.0;
            return std::pow(std::pow(u, -1.0 / t) + std::pow(v, -1.0 / t) - 1.0, -t);
        }
    }
    return NAN;
}

// F(-1) = 0 and F(k) the cumulative sum, within [0, 1].
std::vector<double> Cdf(const std::vector<double>& p) {
    std::vector<double> F{0.0};
    for (double v : p) F.push_back(std::min(F.back() + v, 1.0));
    return F;
}

struct CopulaCase {
    std::int32_t dep;
    double tau;
};

// Test names show the case, not its bytes.
void PrintTo(const CopulaCase& c, std::ostream* os) { *os << "dep" << c.dep << "_tau" << c.tau; }

class CopulaRectangles : public ::testing::TestWithParam<CopulaCase> {};

TEST_P(CopulaRectangles, MatchDirectRectangleProbabilitiesAndKeepTheMarginals) {
    const auto [dep, tau] = GetParam();
    const std::size_t n = 64;
    const auto pX = MarginalX(n), pY = MarginalY(n);
    std::vector<double> p(n * n);
    CopulaDensity(dep, tau, pX, pY, p);

    const auto F = Cdf(pX), G = Cdf(pY);
    const auto C = [&](std::size_t i, std::size_t j) { return Copula(dep, tau, F[i], G[j]); };
    std::vector<double> rows(n, 0.0), cols(n, 0.0);
    for (std::size_t x = 0; x < n; ++x) {
        for (std::size_t y = 0; y < n; ++y) {
            const double expected = C(x + 1, y + 1) - C(x, y + 1) - C(x + 1, y) + C(x, y);
            ASSERT_NEAR(p[x * n + y], expected, 1e-12) << "cell (" << x << ", " << y << ")";
            rows[x] += p[x * n + y];
            cols[y] += p[x * n + y];
        }
    }
    for (std::size_t k = 0; k < n; ++k) {
        EXPECT_NEAR(rows[k], pX[k], 1e-12) << "X marginal at " << k;
        EXPECT_NEAR(cols[k], pY[k], 1e-12) << "Y marginal at " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Families, CopulaRectangles,
                         ::testing::Values(CopulaCase{bvMin, 0.0}, CopulaCase{bvMax, 0.0},
                                           CopulaCase{bvClayton, 0.4}, CopulaCase{bvFrank, 5.0},
                                           CopulaCase{bvFrank, -3.0}, CopulaCase{bvFGM, 0.15},
                                           CopulaCase{bvFGM, -0.2}, CopulaCase{bvGumbel, 0.5},
                                           CopulaCase{bvCook, 0.4}));

TEST(CopulaDensity, ExtremeCopulasPutTheMassOnTheDiagonals) {
    const std::vector<double> half{0.5, 0.5, 0.0, 0.0};
    std::vector<double> p(16);
    CopulaDensity(bvMax, 0.0, half, half, p);
    EXPECT_EQ(p, (std::vector<double>{0.5, 0, 0, 0, 0, 0.5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    CopulaDensity(bvMin, 0.0, half, half, p);
    EXPECT_EQ(p, (std::vector<double>{0, 0.5, 0, 0, 0.5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(CopulaDensity, ZeroTauIsExactlyIndependentAndCookIsClayton) {
    const auto pX = MarginalX(16), pY = MarginalY(8);
    std::vector<double> independent(128), p(128), cook(128);
    CopulaDensity(bvIndep, 0.7, pX, pY, independent);
    for (std::size_t x = 0; x < 16; ++x)
        for (std::size_t y = 0; y < 8; ++y) ASSERT_EQ(independent[x * 8 + y], pX[x] * pY[y]);
    for (std::int32_t dep : {bvClayton, bvFrank, bvFGM, bvGumbel, bvCook}) {
        CopulaDensity(dep, 0.0, pX, pY, p);
        EXPECT_EQ(p, independent) << "code " << dep;
    }
    CopulaDensity(bvClayton, 0.3, pX, pY, p);
    CopulaDensity(bvCook, 0.3, pX, pY, cook);
    for (std::size_t k = 0; k < p.size(); ++k) EXPECT_NEAR(cook[k], p[k], 1e-14);
}

TEST(CopulaDensity, RefusesOtherCodesAndWrongSizes) {
    const std::vector<double> m{0.5, 0.5};
    std::vector<double> p(4), shortGrid(3);
    EXPECT_THROW(CopulaDensity(bvGrossNet, 0.5, m, m, p), std::invalid_argument);
    EXPECT_THROW(CopulaDensity(-1, 0.5, m, m, p), std::invalid_argument);
    EXPECT_THROW(CopulaDensity(bvClayton, 0.5, m, m, shortGrid), std::invalid_argument);
}

}  // namespace
