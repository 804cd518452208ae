// Grids made from a caller's data for new one-dimensional distribution objects: a density, a
// sample, or amounts with their probabilities.
#pragma once

#include <cstdint>
#include <span>

#include "Corvane/numerics/grid/empdist.h"

namespace corvane {

// The numIn values of v (numIn need not be a power of two) with bucket width unit. A numIn below
// 1, or a v of another length, is an invalid argument.
CEmpDist EmpDistFromDensity(std::span<const double> v, std::int32_t numIn, double unit);

// The histogram of the sample on 2^numL2 buckets (CEmpDist::FromSample).
CEmpDist EmpDistFromSample(std::span<const double> v, std::int32_t numL2, double unit);

// The point masses pxs at the amounts xs on 2^numL2 buckets, renormalised to 1
// (CEmpDist::FromPoints). Lists of different lengths are an invalid argument without
// description.
CEmpDist EmpDistFromRMS(std::span<const double> xs, std::span<const double> pxs, std::int32_t numL2, double unit);

}  // namespace corvane
