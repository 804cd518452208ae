// The distribution of the ratio of the two bucket indices of a bivariate density.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace corvane {

// f = 2^num_l2 ratio buckets of width maxFTU: every cell of p (n x n, element (x, y) at x*n + y)
// with x >= 1 and p(x, y) > 1e-16 adds p(x, y) to bucket trunc((x/y)/maxFTU + 1/2) of the index
// ratio r = x/y (units are not used); cells with y = 0 and buckets of f or more go to bucket f - 1.
// Row x = 0 is not counted. Fails with an invalid argument unless nx = ny, 0 <= num_l2 <= 30
// and maxFTU > 0.
std::vector<double> FTUVar(std::span<const double> p, std::size_t nx, std::size_t ny, std::int32_t num_l2,
                           double maxFTU);

}  // namespace corvane
