// The reads of a one-dimensional distribution object: its density at full or coarser resolution
// and evenly spread quantile samples, as arrays or written into a caller's array.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "Corvane/numerics/grid/empdist.h"

namespace corvane {

// floor(log2 num) of the grid (the number of halvings of num while above 1).
std::int32_t GridNumL2(const CEmpDist& grid);

// The density on d = 2^numL2 buckets: the grid's values when d = num, else Coarsen(numL2). Fails
// with "Cannot interpolate..." when d > num; numL2 outside 0..30 and a d that does not divide num
// are invalid arguments.
std::vector<double> Density(const CEmpDist& grid, std::int32_t numL2);

// Writes the density on num buckets into xs[0 .. num-1]: the grid's values when num equals the
// grid's size, else Coarsen(floor(log2 num)). A num that is negative or larger than xs, not a
// power of two, or between half the grid's size and its size is an invalid argument; a power of
// two above the grid's size fails with "Cannot interpolate...".
void DensityInto(const CEmpDist& grid, std::int32_t num, std::span<double> xs);

// Quantiles(nSize) of the grid, in increasing order; a negative nSize is an invalid argument.
std::vector<double> Sample(const CEmpDist& grid, std::int32_t nSize);

// Writes Quantiles(num) into xs[0 .. num-1]; a num that is negative or larger than xs is an
// invalid argument.
void SampleInto(const CEmpDist& grid, std::int32_t num, std::span<double> xs);

}  // namespace corvane
