#include "Corvane/numerics/correlation/iman_conover.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <thread>
#include <vector>

#include "Corvane/numerics/correlation/cholesky.h"
#include "Corvane/numerics/correlation/crout_lu.h"
#include "Corvane/numerics/correlation/index_sort.h"
#include "Corvane/numerics/correlation/scores.h"
#include "Corvane/numerics/correlation/shared_generator.h"
#include "Corvane/numerics/require.h"

namespace corvane {

namespace {

// Column 0 the scores, column j >= 1 a permutation of them: for i = n-1 down to 1 swap
// elements i and floor(u i), u a uniform score.
void DrawScoreMatrix(const ShuffleScores& scores, std::size_t n, int k, std::vector<double>& x) {
    GeneratorLease lease;
    lease.Reseed(FreshSeed());
    DrawScores(lease.engine(), scores.type, scores.param1, scores.param2, scores.single,
               std::span<double>(x.data(), n));
    lease.Reseed(FreshSeed());
    for (int j = 1; j < k; ++j) {
        double* col = x.data() + j * n;
        std::copy_n(x.data(), n, col);
        for (std::size_t i = n - 1; i >= 1; --i) {
            const auto r = static_cast<std::size_t>(UniformScore(lease.engine()) * static_cast<double>(i));
            std::swap(col[i], col[r]);
        }
    }
}

// E(i, j) = V(i, j) / sqrt(V(i, i) V(j, j)), V(i, j) = (1/n) sum_r X(r, i) X(r, j) - m^2.
std::vector<double> ScoreCorrelation(std::span<const double> x, std::size_t n, int k) {
    double m = 0.0;
    for (std::size_t r = 0; r < n; ++r) m += x[r];
    m /= static_cast<double>(n);
    std::vector<double> v(k * k);
    for (int i = 0; i < k; ++i)
        for (int j = i; j < k; ++j) {
            const double* a = x.data() + i * n;
            const double* b = x.data() + j * n;
            double s = 0.0;
            for (std::size_t r = 0; r < n; ++r) s += a[r] * b[r];
            v[i * k + j] = v[j * k + i] = s / static_cast<double>(n) - m * m;
        }
    std::vector<double> e(k * k);
    for (int i = 0; i < k; ++i)
        for (int j = 0; j < k; ++j) e[i * k + j] = v[i * k + j] / std::sqrt(v[i * k + i] * v[j * k + j]);
    return e;
}

// M = F^-1 P, row-major, by Crout's LU of F and one solve per column of P.
std::vector<double> Transform(std::vector<double> f, const std::vector<double>& p, int k) {
    std::vector<int> indx(k);
    LuDecompose(f, k, indx);
    std::vector<double> m(k * k), column(k);
    for (int j = 0; j < k; ++j) {
        for (int i = 0; i < k; ++i) column[i] = p[i * k + j];
        LuSolve(f, k, indx, column);
        for (int i = 0; i < k; ++i) m[i * k + j] = column[i];
    }
    return m;
}

// Ranks of the columns first ... last of T = X M, on the calling thread.
void RankTransformedColumns(std::span<const double> x, const std::vector<double>& m, std::size_t n, int k,
                            int first, int last, std::span<std::int32_t> ranks) {
    std::vector<double> t(n);
    std::vector<KeyIndex> work;
    for (int j = first; j < last; ++j) {
        std::fill(t.begin(), t.end(), 0.0);
        for (int l = 0; l < k; ++l) {
            const double c = m[l * k + j];
            if (c == 0.0) continue;
            const double* col = x.data() + l * n;
            for (std::size_t r = 0; r < n; ++r) t[r] += col[r] * c;
        }
        RankValues(t, ranks.subspan(j * n, n), work);
    }
}

// Large shuffles rank their columns on two threads.
constexpr std::size_t kTwoThreadElements = std::size_t{1} << 15;

}  // namespace

void CheckCorrelationTarget(std::span<const double> target, int nlines) {
    constexpr double tolerance = 1e-9;
    for (int i = 0; i < nlines; ++i) {
        Require(std::fabs(target[i * nlines + i] - 1.0) <= tolerance, "Target correlation matrix needs a unit diagonal");
        for (int j = i + 1; j < nlines; ++j)
            Require(std::fabs(target[i * nlines + j] - target[j * nlines + i]) <= tolerance,
                    "Target correlation matrix is not symmetric");
    }
}

void RanksFromScores(std::span<const double> target, int nlines, int sampleSize, std::span<const double> xs,
                     std::span<std::int32_t> ranks) {
    const int k = nlines;
    const auto n = static_cast<std::size_t>(sampleSize);
    std::vector<double> p(k * k), f(k * k);
    CholeskyUpper(target, k, p);
    CholeskyUpper(ScoreCorrelation(xs, n, k), k, f);
    const std::vector<double> m = Transform(std::move(f), p, k);

    if (k < 2 || n * k < kTwoThreadElements) {
        RankTransformedColumns(xs, m, n, k, 0, k, ranks);
        return;
    }
    const int half = k / 2;
    std::exception_ptr failure;
    std::thread second([&] {
        try {
            RankTransformedColumns(xs, m, n, k, half, k, ranks);
        } catch (...) {
            failure = std::current_exception();
        }
    });
    try {
        RankTransformedColumns(xs, m, n, k, 0, half, ranks);
    } catch (...) {
        second.join();
        throw;
    }
    second.join();
    if (failure) std::rethrow_exception(failure);
}

void ImanConoverRanks(std::span<const double> target, int nlines, int sampleSize, const ShuffleScores& scores,
                      std::span<std::int32_t> ranks) {
    Require(nlines >= 1 && sampleSize >= 1, "nlines and sample_size must be positive");
    CheckScoreType(scores.type, scores.param1, scores.param2);
    const auto k = static_cast<std::size_t>(nlines), n = static_cast<std::size_t>(sampleSize);
    std::vector<double> p(k * k);
    CholeskyUpper(target, nlines, p);  // an unusable target fails before any score is drawn
    std::vector<double> x(n * k);
    DrawScoreMatrix(scores, n, nlines, x);
    RanksFromScores(target, nlines, sampleSize, x, ranks);
}

}  // namespace corvane
