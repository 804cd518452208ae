// The claim-development counts distribution held by a bivariate object.
#pragma once

#include <span>

#include "Corvane/numerics/bivariate/fft2d.h"
#include "Corvane/numerics/frequency/freq_abstract.h"

namespace corvane {

// p (n x n, n = fft.nx() = fft.ny() >= 2, all 0) receives the four probabilities of a pair of 0/1
// indicators at elements 0, 1, n and n + 1 (p00, p01, p10, p11: the first index goes with the row
// x, the second with the column y), then the claim count `family` is compounded onto it
// (ApplyFrequency2D).
void ClaimDevelCounts(const freqdist::CAbstractFreq& family, CFFT2D& fft, std::span<double> p, double p00,
                      double p01, double p10, double p11);

}  // namespace corvane
