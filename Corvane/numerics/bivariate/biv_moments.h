// Raw and mixed moments of a bivariate density.
#pragma once

#include <array>
#include <cstddef>
#include <span>

namespace corvane {

// E[X], E[X^2], E[X^3], E[Y], E[Y^2], E[Y^3], E[XY] of p (nx x ny, element (x, y) at x*ny + y)
// on the amounts X = x*unitX and Y = y*unitY; sums over the grid, not divided by the total mass.
// Fails with an invalid argument when p.size() != nx*ny.
std::array<double, 7> BivMoments(std::span<const double> p, std::size_t nx, std::size_t ny, double unitX,
                                 double unitY);

}  // namespace corvane
