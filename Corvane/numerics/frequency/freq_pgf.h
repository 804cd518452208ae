// Applying a claim count's generating function P to transforms of claim-size grids: the one place
// that walks the transform layouts, for every family.
#pragma once

#include <complex>
#include <cstddef>
#include <span>

#include "Corvane/numerics/frequency/freq_abstract.h"

namespace freqdist {

// x is a halfcomplex transform of n doubles: x[0] real at frequency 0, x[k] + i x[n-k] the complex
// value at frequency k for 1 <= k < (n+1)/2, and for even n x[n/2] real at n/2. Every value z,
// the real ones included, becomes P(z); no normalisation. A family that needs no transform (one
// claim, P(z) = z) leaves x as it is. A large transform shares the positions with a second thread.
void ApplyPGF(const CAbstractFreq& family, std::span<double> x);

// data holds rows x (cols/2 + 1) complex values of a two-dimensional real-to-complex transform,
// row by row; every z becomes P(z) / (rows cols), the normalisation of the unnormalised round
// trip. A family that needs no transform leaves data as it is (no division). A large transform
// shares its rows with a second thread.
void ApplyPGF2D(const CAbstractFreq& family, std::complex<double>* data, std::size_t rows, std::size_t cols);

}  // namespace freqdist
