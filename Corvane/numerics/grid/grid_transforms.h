// The grid arithmetic offered to callers directly: transforms, products of transforms and the
// density of a sum of independent losses. Transform vectors are in halfcomplex order (real_fft.h).
// The inputs are read where they lie; each result is a new array.
#pragma once

#include <span>
#include <vector>

namespace corvane {

// The transform vector of a real vector of any length n >= 1 (unnormalised).
std::vector<double> FFT(std::span<const double> v);

// The inverse transform times 1/n of a transform vector of any length n >= 1, with every value
// below 1e-16 set to 0.
std::vector<double> IFFT(std::span<const double> v);

// The element-wise complex product of two transform vectors of equal even length. Fails with
// "Invalid input vector lengths" when the lengths differ; an odd or zero length is an invalid
// argument.
std::vector<double> ComplexProduct(std::vector<double> a, std::vector<double> b);

// The density of X + Y for independent X, Y with densities p, q on the same n buckets: the inverse
// transform of the product of their transforms (circular: mass beyond bucket n - 1 wraps around),
// not clamped. Fails like ComplexProduct.
std::vector<double> SumConvDist(std::span<const double> p, std::span<const double> q);

}  // namespace corvane
