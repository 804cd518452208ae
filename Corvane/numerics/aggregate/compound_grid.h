// The compound of a claim count and a claim-size grid: a = the inverse FFT of P(the FFT of s),
// clamped and renormalised. It needs no array beyond the severity and the result.
#pragma once

#include <span>
#include <vector>

#include "Corvane/numerics/frequency/freq_abstract.h"
#include "Corvane/numerics/moments/moments.h"

namespace corvane {

struct CompoundResult {
    std::vector<double> density;  // as many buckets as the severity grid
    MomentTriple moments{};       // sum_k a_k (k unit)^j, j = 1, 2, 3
};

// The compound of `family` and the severity grid s (left as it is) on buckets of width unit. With a
// single claim (P(z) = z) the aggregate is a copy of s, not renormalised.
CompoundResult CompoundGrid(const freqdist::CAbstractFreq& family, std::span<const double> s, double unit);

// Every element below 1e-16 (every negative one too) becomes 0, then every element is divided by
// their sum (an all-zero grid stays zero); returns the raw moments of the result on buckets of width
// unit. One pass reads the grid for the sum and the moments, a second writes it.
MomentTriple ClampAndNormalise(std::span<double> p, double unit);

}  // namespace corvane
