#include "Corvane/numerics/correlation/joint_sample.h"

#include <algorithm>
#include <cmath>

namespace corvane {

void ReorderByRanks(std::span<const double> sorted, std::span<const std::int32_t> ranks, std::size_t n, std::size_t k,
                    std::span<double> out) {
    for (std::size_t j = 0; j < k; ++j) {
        const double* column = sorted.data() + j * n;
        for (std::size_t i = 0; i < n; ++i) out[j * n + i] = column[ranks[j * n + i]];
    }
}

std::vector<double> RowTotals(std::span<const double> x, std::size_t n, std::size_t k) {
    std::vector<double> totals(n, 0.0);
    for (std::size_t j = 0; j < k; ++j)
        for (std::size_t i = 0; i < n; ++i) totals[i] += x[j * n + i];
    return totals;
}

namespace {

double Mean(const double* x, std::size_t n) {
    double s = 0.0;
    for (std::size_t i = 0; i < n; ++i) s += x[i];
    return s / static_cast<double>(n);
}

}  // namespace

std::vector<double> ColumnCorrelation(std::span<const double> x, std::size_t n, std::size_t k) {
    std::vector<double> m(k), v(k * k);
    for (std::size_t j = 0; j < k; ++j) m[j] = Mean(x.data() + j * n, n);
    for (std::size_t a = 0; a < k; ++a)
        for (std::size_t b = a; b < k; ++b) {
            const double* xa = x.data() + a * n;
            const double* xb = x.data() + b * n;
            double s = 0.0;
            for (std::size_t r = 0; r < n; ++r) s += (xa[r] - m[a]) * (xb[r] - m[b]);
            v[a * k + b] = v[b * k + a] = s / static_cast<double>(n);
        }
    std::vector<double> c(k * k);
    for (std::size_t a = 0; a < k; ++a)
        for (std::size_t b = 0; b < k; ++b) c[a * k + b] = v[a * k + b] / std::sqrt(v[a * k + a] * v[b * k + b]);
    return c;
}

std::vector<double> SampleStatistics(std::span<const double> x, std::span<const double> totals, std::size_t n,
                                     std::size_t k) {
    std::vector<double> stats;
    stats.reserve((k + 1) * kSampleStatistics);
    auto add = [&](const double* c) {
        const double mean = Mean(c, n);
        double m2 = 0.0, m3 = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            const double d = c[i] - mean;
            m2 += d * d;
            m3 += d * d * d;
        }
        m2 /= static_cast<double>(n);
        m3 /= static_cast<double>(n);
        const double sd = std::sqrt(m2);
        const auto [lo, hi] = std::minmax_element(c, c + n);
        stats.insert(stats.end(), {mean, sd, sd / mean, m3 / (m2 * sd), *lo, *hi});
    };
    for (std::size_t j = 0; j < k; ++j) add(x.data() + j * n);
    add(totals.data());
    return stats;
}

}  // namespace corvane
