// The distribution of the bucket ratio x/y of the engine's pair (the "FTU" distribution), as
// a vector and as a grid of x against the ratio.
#pragma once

#include <vector>

#include "Corvane/numerics/ftu/ftu_grid.h"

namespace corvane {

// The ratio bucket width w = maxRatio / (num - 1) for a ratio range 0 ... maxRatio; fails with
// std::invalid_argument (naming `argument`) unless maxRatio is finite and > 0 and num > 1.
double RatioWidth(double maxRatio, std::size_t num, const char* argument);

// The ratio bucket of cell (r, c), r and c >= 1: k = trunc((r/c)/w + 1/2), at most num - 1.
std::size_t RatioBucket(std::size_t r, std::size_t c, double w, std::size_t num);

// out[k] for k < num: row 0 (x = 0, whatever the signs) goes to bucket 0; a positive cell (r, c) with
// r, c >= 1 goes to bucket RatioBucket(r, c); a positive cell (r, 0) below row 0 (an unbounded
// ratio) goes to the last bucket, which collects every ratio from (num - 1.5) w upward. The ratio
// is formed from bucket indices, so the bucket widths cancel when unitX = unitY.
std::vector<double> RatioDistribution(const FTUGrid& g, double w);

// The grid of x against the ratio bucket: to(0, 0) holds row 0 of `from`, to(r, k) for r >= 1 the
// cells of row r that RatioDistribution puts into bucket k. `to` has the size of `from` and is
// overwritten; its padding is 0.
void RatioGrid(const FTUGrid& from, const FTUGrid& to, double w);

}  // namespace corvane
