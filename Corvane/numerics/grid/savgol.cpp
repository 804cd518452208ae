#include "Corvane/numerics/grid/savgol.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

#include "Corvane/numerics/require.h"

namespace corvane {

namespace {

// An orthonormal basis Q (w x (d + 1), column m at Q[m w .. m w + w - 1]) of the polynomials of
// degree <= d over the w window points s_i = (2i - (w - 1))/(w - 1) in [-1, 1]. Each new column is
// s times the previous one, orthogonalised twice against the columns before it (Gram-Schmidt),
// which keeps the basis well conditioned for wide windows. The least-squares fit of the window
// values x is Q Q^T x.
std::vector<double> FitBasis(std::size_t w, std::size_t d) {
    std::vector<double> s(w, 0.0);
    if (w > 1)
        for (std::size_t i = 0; i < w; ++i)
            s[i] = (2.0 * static_cast<double>(i) - static_cast<double>(w - 1)) / static_cast<double>(w - 1);
    std::vector<double> Q(w * (d + 1));
    for (std::size_t m = 0; m <= d; ++m) {
        double* q = &Q[m * w];
        for (std::size_t i = 0; i < w; ++i) q[i] = m == 0 ? 1.0 : s[i] * Q[(m - 1) * w + i];
        for (int pass = 0; pass < 2; ++pass) {
            for (std::size_t l = 0; l < m; ++l) {
                const double* ql = &Q[l * w];
                double dot = 0.0;
                for (std::size_t i = 0; i < w; ++i) dot += ql[i] * q[i];
                for (std::size_t i = 0; i < w; ++i) q[i] -= dot * ql[i];
            }
        }
        double norm = 0.0;
        for (std::size_t i = 0; i < w; ++i) norm += q[i] * q[i];
        const double inv = 1.0 / std::sqrt(norm);
        for (std::size_t i = 0; i < w; ++i) q[i] *= inv;
    }
    return Q;
}

}  // namespace

// Interior value i: sum_j c_j y[i - f + j] with c = row f of Q Q^T (the fit at the window's
// centre). The first f values are the fit of the first window evaluated at their own positions,
// the last f that of the last window.
void SavgolSmooth(std::span<double> y, int forward, int order) {
    if (forward < 0 || order < 0)
        throw InvalidArgument("smoothing needs a window and an order of at least 0");
    if (order >= 2 * static_cast<long long>(forward) + 1)
        throw InvalidArgument("a polynomial of order " + std::to_string(order) +
                                    " is not determined by a window of " + std::to_string(2LL * forward + 1) +
                                    " points");
    const std::size_t n = y.size();
    if (n == 0) return;
    const auto f = static_cast<std::size_t>(forward);
    // Fewer values than a window: one fit over the whole array, of degree at most n - 1.
    const std::size_t w = std::min(2 * f + 1, n);
    const std::size_t d = std::min(static_cast<std::size_t>(order), w - 1);
    const std::vector<double> Q = FitBasis(w, d);
    const std::vector<double> x(y.begin(), y.end());

    std::vector<double> a(d + 1);
    const auto fitWindow = [&](std::size_t first) {
        for (std::size_t m = 0; m <= d; ++m) {
            double v = 0.0;
            for (std::size_t j = 0; j < w; ++j) v += Q[m * w + j] * x[first + j];
            a[m] = v;
        }
    };
    const auto evaluate = [&](std::size_t row) {
        double v = 0.0;
        for (std::size_t m = 0; m <= d; ++m) v += Q[m * w + row] * a[m];
        return v;
    };
    if (w < 2 * f + 1) {
        fitWindow(0);
        for (std::size_t i = 0; i < n; ++i) y[i] = evaluate(i);
        return;
    }
    fitWindow(0);
    for (std::size_t i = 0; i < f; ++i) y[i] = evaluate(i);
    fitWindow(n - w);
    for (std::size_t i = n - f; i < n; ++i) y[i] = evaluate(i - (n - w));

    std::vector<double> c(w, 0.0);
    for (std::size_t m = 0; m <= d; ++m)
        for (std::size_t j = 0; j < w; ++j) c[j] += Q[m * w + f] * Q[m * w + j];
    for (std::size_t i = f; i + f < n; ++i) {
        double v = 0.0;
        for (std::size_t j = 0; j < w; ++j) v += c[j] * x[i - f + j];
        y[i] = v;
    }
}

}  // namespace corvane
