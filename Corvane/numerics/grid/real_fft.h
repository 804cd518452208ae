// The one-dimensional real FFT of a grid x_0 .. x_{n-1}:
//   forward  X_k = sum_j x_j e^(-2 pi i jk/n), k = 0 .. n/2 (the others are their conjugates)
//   inverse  x_j = sum_k X_k e^(+2 pi i jk/n) over all n frequencies, unnormalised (a round trip
//            multiplies by n).
// The spectrum is held either as itself (FFTW's real-to-complex layout, n/2 + 1 complex values)
// or in halfcomplex order: Re X_0, Re X_1, ..., Re X_{n/2}, Im X_{(n-1)/2}, ..., Im X_1.
//
// Grid sizes (powers of two) share one plan per size, direction, placement and array alignment
// for the life of the process: making a plan computes its table of n twiddle factors, which would
// otherwise cost more than the transform itself on every new grid. Other sizes are planned for the
// transform at hand.
#pragma once

#include <complex>
#include <cstddef>
#include <span>

namespace corvane {

// The doubles an array needs to hold a grid of n values and, in their place, its spectrum.
constexpr std::size_t SpectrumDoubles(std::size_t n) { return 2 * (n / 2 + 1); }

// The spectrum held in place in an array of SpectrumDoubles(n) doubles.
std::span<std::complex<double>> SpectrumIn(std::span<double> array);

// X = the spectrum of x (n >= 1 values, at most 2^31 - 1), x left as it is. X (n/2 + 1 values)
// is a separate array or x's own padded array (in place).
void RealToComplex(std::span<const double> x, std::span<std::complex<double>> X);

// x (n values) = the unnormalised inverse of the spectrum X, which is left undefined; in place
// or not, as RealToComplex.
void ComplexToReal(std::span<std::complex<double>> X, std::span<double> x);

// out = the forward transform of in in halfcomplex order; in and out hold n >= 1 values each and do
// not overlap. Needs one spectrum of work.
void HalfcomplexForward(std::span<const double> in, std::span<double> out);

// out = the unnormalised inverse of the halfcomplex transform in; as HalfcomplexForward.
void HalfcomplexInverse(std::span<const double> in, std::span<double> out);

}  // namespace corvane
