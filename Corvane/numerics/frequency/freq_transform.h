// Walks the transform layouts a generating function is applied to, position by position.
#pragma once

#include <complex>
#include <cstddef>

namespace freqdist {

// For even n > 0 the halfcomplex vector has a real value at frequency n/2 (index n/2).
inline bool HasNyquist(std::size_t n) { return n > 0 && n % 2 == 0; }

// Rewrites every complex position z_k = x[k] + i x[n-k], 1 <= k < (n+1)/2, with P(z_k).
template <class Pgf>
void ApplyToComplexPositions(double* x, std::size_t n, Pgf P) {
    for (std::size_t k = 1; k < (n + 1) / 2; ++k) {
        const std::complex<double> w = P(std::complex<double>(x[k], x[n - k]));
        x[k] = w.real();
        x[n - k] = w.imag();
    }
}

// Rewrites every element z of a rows x (cols/2 + 1) complex array with P(z) / (rows * cols),
// the normalisation of the unnormalised two-dimensional round trip.
template <class Pgf>
void ApplyToTransform2D(std::complex<double>* data, std::size_t rows, std::size_t cols, Pgf P) {
    const std::size_t count = rows * (cols / 2 + 1);
    const double scale = 1.0 / (static_cast<double>(rows) * static_cast<double>(cols));
    for (std::size_t i = 0; i < count; ++i) data[i] = P(data[i]) * scale;
}

}  // namespace freqdist
