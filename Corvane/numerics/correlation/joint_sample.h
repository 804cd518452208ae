// A joint sample from independent marginal samples and a rank matrix, and its summaries. Matrices
// of n rows by k columns are column-major (column j at j * n).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace corvane {

// out(i, j) = sorted(R(i, j), j): the (R(i, j) + 1)-th smallest value of column j.
void ReorderByRanks(std::span<const double> sorted, std::span<const std::int32_t> ranks, std::size_t n, std::size_t k,
                    std::span<double> out);

// The n row sums.
std::vector<double> RowTotals(std::span<const double> x, std::size_t n, std::size_t k);

// Pearson's correlation of the columns, k x k: V(i, j) / sqrt(V(i, i) V(j, j)) with
// V(i, j) = (1/n) sum_r (x(r, i) - m_i)(x(r, j) - m_j).
std::vector<double> ColumnCorrelation(std::span<const double> x, std::size_t n, std::size_t k);

// One row per column of x and a last row for `totals`, row-major, six values a row: mean,
// standard deviation, coefficient of variation, skewness (central moments with divisor n),
// minimum and maximum.
inline constexpr std::size_t kSampleStatistics = 6;
std::vector<double> SampleStatistics(std::span<const double> x, std::span<const double> totals, std::size_t n,
                                     std::size_t k);

}  // namespace corvane
