// The Savitzky-Golay smoother: exact on polynomials of its degree, a true smoother on noise, and
// its parameter checks.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <stdexcept>
#include <vector>

#include "Corvane/numerics/grid/savgol.h"

namespace {

using corvane::SavgolSmooth;
using V = std::vector<double>;

V Polynomial(std::size_t n, const V& coefficients) {
    V y(n);
    for (std::size_t k = 0; k < n; ++k) {
        const double x = static_cast<double>(k) / static_cast<double>(n);
        double v = 0.0;
        for (std::size_t m = coefficients.size(); m-- > 0;) v = v * x + coefficients[m];
        y[k] = v;
    }
    return y;
}

TEST(Savgol, PolynomialsOfTheOrderComeBackUnchanged) {
    std::mt19937 rng(23);
    std::normal_distribution<double> coef(0.0, 3.0);
    struct Case {
        std::size_t n;
        int forward, order;
    };
    for (const Case c : {Case{64, 2, 2}, Case{64, 6, 4}, Case{256, 12, 7}, Case{8, 3, 3}, Case{4, 6, 2},
                         Case{2, 6, 4}, Case{1, 2, 2}, Case{32, 0, 0}, Case{16, 5, 10}}) {
        for (int degree = 0; degree <= c.order; ++degree) {
            V a(degree + 1);
            for (double& x : a) x = coef(rng);
            const V y = Polynomial(c.n, a);
            V s = y;
            SavgolSmooth(s, c.forward, c.order);
            for (std::size_t k = 0; k < c.n; ++k)
                EXPECT_NEAR(s[k], y[k], 1e-10) << "n " << c.n << " forward " << c.forward << " order " << c.order
                                               << " degree " << degree << " at " << k;
        }
    }
}

TEST(Savgol, ReducesNoiseAndMatchesTheClassicalWeights) {
    // Five-point quadratic weights (-3, 12, 17, 12, -3)/35 in the interior.
    V y{0, 0, 0, 0, 35, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    SavgolSmooth(y, 2, 2);
    for (std::size_t k = 2; k <= 6; ++k) EXPECT_NEAR(y[k], V({-3, 12, 17, 12, -3})[6 - k], 1e-12) << k;

    std::mt19937 rng(29);
    std::normal_distribution<double> noise(0.0, 1.0);
    V z(1024);
    for (double& x : z) x = noise(rng);
    double before = 0, after = 0;
    for (const double x : z) before += x * x;
    SavgolSmooth(z, 6, 2);
    for (const double x : z) after += x * x;
    EXPECT_LT(after, 0.5 * before);
}

TEST(Savgol, RejectsParametersTheWindowCannotCarry) {
    V y(8, 1.0);
    EXPECT_THROW(SavgolSmooth(y, 2, 5), std::invalid_argument);
    EXPECT_THROW(SavgolSmooth(y, 0, 1), std::invalid_argument);
    EXPECT_THROW(SavgolSmooth(y, -1, 0), std::invalid_argument);
    EXPECT_THROW(SavgolSmooth(y, 2, -1), std::invalid_argument);
    EXPECT_NO_THROW(SavgolSmooth(y, 2, 4));
    V none;
    EXPECT_NO_THROW(SavgolSmooth(none, 2, 2));
}

}  // namespace
