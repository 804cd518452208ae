// The checks every grid operation shares: grid sizes given as base-2 logarithms, bucket widths,
// and the nearest-bucket rule that places an amount on a grid.
#pragma once

#include <cstddef>
#include <cstdint>

namespace corvane {

// n = 2^numL2; numL2 outside 0..30 is an invalid argument.
std::size_t GridSizeFromL2(std::int32_t numL2);

// The number of times n can be halved while it is above 1 (floor(log2 n), 0 for n <= 1).
std::int32_t FloorLog2(std::size_t n);

bool IsPowerOfTwo(std::size_t n);

// A bucket width that places amounts on a grid must be positive and finite.
void RequireBucketWidth(double unit);

// Bucket trunc(x/unit + 1/2) of n buckets; amounts below the grid go to bucket 0 and above it to
// bucket n - 1, so no mass is lost. A NaN amount is an invalid argument. unit must have passed
// RequireBucketWidth and n must be at least 1.
std::size_t NearestBucket(double x, double unit, std::size_t n);

}  // namespace corvane
