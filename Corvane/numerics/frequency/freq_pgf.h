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

// X holds the spectrum X_0 .. X_{n/2} of a real grid (FFTW's real-to-complex layout); every value
// becomes scale P(z), the inverse transform's 1/n for one that is unnormalised. A family that needs
// no transform leaves X as it is. A large spectrum is shared with a second thread, in chunks.
void ApplyPGFToSpectrum(const CAbstractFreq& family, std::span<std::complex<double>> X, double scale);

// data holds rows x (cols/2 + 1) complex values of a two-dimensional real-to-complex transform,
// row by row; every z becomes scale P(z): a caller whose inverse transform is unnormalised passes
// 1 / (rows cols), one whose inverse divides by rows cols passes 1. A family that needs no
// transform leaves data as it is. The rows are shared out among `threads` threads (the calling
// thread one of them, claiming chunks of rows); with 0 a large transform shares them with a second
// thread. Every element is rewritten on its own, so the result does not depend on the threads.
void ApplyPGF2D(const CAbstractFreq& family, std::complex<double>* data, std::size_t rows, std::size_t cols,
                double scale, int threads = 0);

}  // namespace freqdist
