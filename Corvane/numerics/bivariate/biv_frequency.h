// Compounding a claim-count distribution onto a bivariate claim-size density.
#pragma once

#include <span>

#include "Corvane/numerics/bivariate/fft2d.h"
#include "Corvane/numerics/frequency/freq_abstract.h"

namespace corvane {

// p (fft.nx() x fft.ny()) holds the joint density of one claim (X, Y) and becomes the joint
// density of (X_1 + ... + X_N, Y_1 + ... + Y_N): forward transform, every complex value z replaced
// by P(z)/(nx ny), inverse transform. Sums beyond the grid wrap around; nothing is clamped. A family
// that needs no transform (one claim with certainty) leaves p as it is.
void ApplyFrequency2D(const freqdist::CAbstractFreq& family, CFFT2D& fft, std::span<double> p);

}  // namespace corvane
