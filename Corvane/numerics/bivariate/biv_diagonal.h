// The distribution of X + Y from a bivariate density.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace corvane {

// The density of X + Y on n buckets of width unitX, from p (n x n, element (x, y) at x*n + y):
// s(k) = sum over x of p(x, (k - x) mod n), so sums of n buckets or more wrap onto the low
// buckets. Values below 1e-16 are then set to 0 and the result is scaled to total 1 (left as it is
// when nothing remains). Fails with an invalid argument unless nx = ny and unitX = unitY.
std::vector<double> DiagonalGrid(std::span<const double> p, std::size_t nx, std::size_t ny, double unitX,
                                 double unitY);

}  // namespace corvane
