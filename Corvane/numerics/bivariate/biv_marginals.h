// The marginal densities of a bivariate density.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace corvane {

// p_X(x) = sum over y of p(x, y): the nx row sums of p (nx x ny, element (x, y) at x*ny + y).
std::vector<double> MarginalOfX(std::span<const double> p, std::size_t nx, std::size_t ny);
// p_Y(y) = sum over x of p(x, y): the ny column sums.
std::vector<double> MarginalOfY(std::span<const double> p, std::size_t nx, std::size_t ny);

}  // namespace corvane
