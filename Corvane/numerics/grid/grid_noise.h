// Normal noise added to a loss: the density convolved with a zero-mean normal.
#pragma once

#include <span>
#include <vector>

namespace corvane {

// The density p (n buckets of width unit, n even) convolved on the circular grid with a normal of
// mean 0 and standard deviation sdNoise, not clamped. sdNoise = 0 fails with
// an invalid argument without text; an odd or zero n and a bucket width that is not
// positive and finite are invalid arguments.
std::vector<double> AddNoise(std::span<const double> p, double unit, double sdNoise);

}  // namespace corvane
