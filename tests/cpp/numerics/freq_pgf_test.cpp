// The generating functions checked against the compound distribution computed directly:
// transform a claim-size density, apply P, transform back, and compare with
// sum_k Pr(N = k) f^{*k}, where Pr(N = k) comes from each family's own probability formula.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <functional>
#include <numbers>
#include <vector>

#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/frequency/freq_factory.h"
#include "Corvane/numerics/frequency/freq_pgf.h"

namespace {

using namespace corvane;
using Pmf = std::function<std::vector<double>(std::size_t K)>;  // Pr(N = k), k = 0 .. K-1

// Halfcomplex DFT X_k = sum_j f_j e^{-2 pi i jk/n}, computed term by term.
std::vector<double> ForwardHalfcomplex(const std::vector<double>& f) {
    const std::size_t n = f.size();
    std::vector<double> x(n, 0.0);
    for (std::size_t k = 0; k <= n / 2; ++k) {
        std::complex<double> X = 0.0;
        for (std::size_t j = 0; j < n; ++j) {
            X += f[j] * std::polar(1.0, -2.0 * std::numbers::pi * double(j * k % n) / double(n));
        }
        x[k] = X.real();
        if (k > 0 && k < n - k) x[n - k] = X.imag();
    }
    return x;
}

// f_j = (1/n) (X_0 + 2 sum_{0<k<n/2} Re(X_k e^{2 pi i jk/n}) + X_{n/2} (-1)^j for even n).
std::vector<double> InverseHalfcomplex(const std::vector<double>& x) {
    const std::size_t n = x.size();
    std::vector<double> f(n, 0.0);
    for (std::size_t j = 0; j < n; ++j) {
        double s = x[0];
        for (std::size_t k = 1; k < (n + 1) / 2; ++k) {
            const std::complex<double> X(x[k], x[n - k]);
            s += 2.0 * (X * std::polar(1.0, 2.0 * std::numbers::pi * double(j * k % n) / double(n))).real();
        }
        if (n % 2 == 0) s += x[n / 2] * (j % 2 == 0 ? 1.0 : -1.0);
        f[j] = s / double(n);
    }
    return f;
}

// sum_k p_k f^{*k} on n buckets (f[0] = 0, so f^{*k} starts at bucket k and k < n suffices).
std::vector<double> Compound(const std::vector<double>& p, const std::vector<double>& f) {
    const std::size_t n = f.size();
    std::vector<double> g(n, 0.0), power(n, 0.0);
    power[0] = 1.0;
    for (std::size_t k = 0; k < p.size() && k < n; ++k) {
        for (std::size_t s = 0; s < n; ++s) g[s] += p[k] * power[s];
        std::vector<double> next(n, 0.0);
        for (std::size_t s = 0; s < n; ++s)
            for (std::size_t j = 1; j <= s; ++j) next[s] += f[j] * power[s - j];
        power = next;
    }
    return g;
}

std::vector<double> PoissonPmf(double lambda, std::size_t K) {
    std::vector<double> p(K);
    for (std::size_t k = 0; k < K; ++k) p[k] = std::exp(-lambda + double(k) * std::log(lambda) - std::lgamma(k + 1.0));
    return p;
}

// Gamma(r + k) / (Gamma(r) k!) p^r q^k.
std::vector<double> NegBinPmf(double r, double pr, std::size_t K) {
    std::vector<double> p(K);
    for (std::size_t k = 0; k < K; ++k) {
        const double kk = double(k);
        p[k] = std::exp(std::lgamma(r + kk) - std::lgamma(r) - std::lgamma(kk + 1.0) + r * std::log(pr) +
                        kk * std::log1p(-pr));
    }
    return p;
}

// From u P'' = beta P' + mu^2 P with u = 1 + 2 beta (1 - z):
// p_k = (beta (k-1)(2k-3) p_{k-1} + mu^2 p_{k-2}) / ((1 + 2 beta) k (k-1)).
std::vector<double> PigPmf(double mu, double beta, std::size_t K) {
    std::vector<double> p(K);
    p[0] = std::exp(mu / beta * (1.0 - std::sqrt(1.0 + 2.0 * beta)));
    p[1] = mu / std::sqrt(1.0 + 2.0 * beta) * p[0];
    for (std::size_t k = 2; k < K; ++k) {
        const double kk = double(k);
        p[k] = (beta * (kk - 1) * (2 * kk - 3) * p[k - 1] + mu * mu * p[k - 2]) / ((1 + 2 * beta) * kk * (kk - 1));
    }
    return p;
}

struct Case {
    const char* label;
    std::int32_t code;
    std::vector<double> params;
    Pmf pmf;
};

std::vector<Case> Cases() {
    return {
        {"Poisson", fqPoisson, {2.0}, [](std::size_t K) { return PoissonPmf(2.0, K); }},
        // mean 3, vm 3: p = 1/3, r = 1.5
        {"NegBinVM", fqNegBinVM, {3.0, 3.0}, [](std::size_t K) { return NegBinPmf(1.5, 1.0 / 3, K); }},
        {"NegBinCt", fqNegBinCt, {3.0, 2.0 / 3}, [](std::size_t K) { return NegBinPmf(1.5, 1.0 / 3, K); }},
        {"PIGVM", fqPIGVM, {3.0, 2.0}, [](std::size_t K) { return PigPmf(3.0, 1.0, K); }},
        {"PIGCt", fqPIGCt, {1.5, 0.5}, [](std::size_t K) { return PigPmf(1.5, 0.5, K); }},
        {"Empirical", fqEmp, {0.2, 0.5, 0.3},
         [](std::size_t K) {
             std::vector<double> p(K, 0.0);
             p[0] = 0.2, p[1] = 0.5, p[2] = 0.3;
             return p;
         }},
    };
}

TEST(FreqPgf, RoundTripGivesTheCompoundDistribution) {
    for (const auto& c : Cases()) {
        const auto freq = freqdist::CreateFreqDist(c.code, c.params);
        // The second claim size is defective (mass 0.9): element 0 of its transform is 0.9, and
        // every family must give P(0.9) there, not P(1).
        const std::pair<std::size_t, double> grids[] = {{256, 1.0}, {255, 1.0}, {256, 0.9}};
        for (const auto& [n, mass] : grids) {
            SCOPED_TRACE(testing::Message() << c.label << ", n " << n << ", mass " << mass);
            std::vector<double> f(n, 0.0);
            f[1] = 0.5 * mass, f[2] = 0.3 * mass, f[3] = 0.2 * mass;
            std::vector<double> x = ForwardHalfcomplex(f);
            freqdist::ApplyPGF(*freq, x);
            const std::vector<double> g = InverseHalfcomplex(x);
            const std::vector<double> expected = Compound(c.pmf(n), f);
            for (std::size_t s = 0; s < n; ++s) EXPECT_NEAR(g[s], expected[s], 1e-12) << "bucket " << s;
        }
    }
}

TEST(FreqPgf, MomentsAgreeWithTheProbabilities) {
    for (const auto& c : Cases()) {
        SCOPED_TRACE(c.label);
        const std::vector<double> p = c.pmf(2000);
        std::array<double, 3> direct{0, 0, 0};
        for (std::size_t k = 0; k < p.size(); ++k) {
            const double kk = double(k);
            direct[0] += kk * p[k], direct[1] += kk * kk * p[k], direct[2] += kk * kk * kk * p[k];
        }
        const auto m = freqdist::CreateFreqDist(c.code, c.params)->Moments();
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(m[j], direct[j], 1e-9 * direct[j]);
    }
}

TEST(FreqPgf, TwoDimensionalArrayIsThePgfTimesTheScale) {
    // Each complex value z also sits at position 1 of a 3-long vector, where ApplyPGF gives P(z).
    const std::size_t rows = 2, cols = 5;  // 2 x 3 complex values
    const std::vector<std::complex<double>> z{{0.9, 0.1}, {-0.3, 0.4}, {0.5, -0.5}, {0.0, 0.0}, {1.0, 0.0}, {-0.9, -0.2}};
    for (const auto& c : Cases()) {
        SCOPED_TRACE(c.label);
        const auto freq = freqdist::CreateFreqDist(c.code, c.params);
        for (double scale : {1.0, 1.0 / double(rows * cols)}) {
            std::vector<std::complex<double>> data = z;
            freqdist::ApplyPGF2D(*freq, data.data(), rows, cols, scale);
            for (std::size_t i = 0; i < z.size(); ++i) {
                std::vector<double> x{1.0, z[i].real(), z[i].imag()};
                freqdist::ApplyPGF(*freq, x);
                EXPECT_NEAR(data[i].real(), x[1] * scale, 1e-15);
                EXPECT_NEAR(data[i].imag(), x[2] * scale, 1e-15);
            }
        }
    }
}

TEST(FreqPgf, LargeTransformsSharedWithASecondThreadMatchPositionByPosition) {
    const std::size_t n = std::size_t{1} << 17, rows = 256, cols = 512;
    const auto freq = freqdist::CreateFreqDist(fqNegBinVM, std::vector<double>{4.0, 2.5});
    std::vector<double> x(n);
    for (std::size_t i = 0; i < n; ++i) x[i] = std::cos(0.001 * double(i)) * 0.9;
    const std::vector<double> in = x;
    freqdist::ApplyPGF(*freq, x);
    for (std::size_t k = 1; k < n / 2; k += 997) {
        const std::complex<double> w = freq->Pgf({in[k], in[n - k]});
        EXPECT_EQ(x[k], w.real());
        EXPECT_EQ(x[n - k], w.imag());
    }
    EXPECT_EQ(x[0], freq->Pgf(in[0]).real());
    EXPECT_EQ(x[n / 2], freq->Pgf(in[n / 2]).real());
    std::vector<std::complex<double>> z(rows * (cols / 2 + 1));
    for (std::size_t i = 0; i < z.size(); ++i) z[i] = std::polar(0.8, 0.01 * double(i));
    const auto z0 = z;
    // The rows go through the family's vectorised form: on two threads exactly as on one, and
    // within rounding of Pgf.
    auto one = z;
    freqdist::ApplyPGF2D(*freq, z.data(), rows, cols, 1.0 / double(rows * cols));
    freqdist::ApplyPGF2D(*freq, one.data(), rows, cols, 1.0 / double(rows * cols), 1);
    EXPECT_EQ(z, one);
    for (std::size_t i = 0; i < z.size(); i += 991) {
        const std::complex<double> want = freq->Pgf(z0[i]) / double(rows * cols);
        EXPECT_NEAR(std::abs(z[i] - want), 0.0, 1e-14 * std::abs(want));
    }
}

}  // namespace
