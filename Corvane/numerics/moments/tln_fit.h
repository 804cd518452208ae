// Translated-lognormal fit by moments, X = T + Z with ln Z ~ N(mu, sigma^2), and the bucket width
// the aggregate builder estimates from it.
#pragma once

#include "Corvane/numerics/moments/moments.h"

namespace corvane {

struct TLNParams {
    double mu;
    double sigma;
    double T;
};

// Matches mean, coefficient of variation and skewness. The lognormal part's coefficient of
// variation w solves w^3 + 3w = skew: u = (skew/2 + sqrt(4 + skew^2)/2)^(1/3), w = u - 1/u; then
// sigma^2 = ln(1 + w^2), T = mean - sd/w, mu = ln(mean - T) - sigma^2/2. Nothing is checked:
// skew 0 gives w = 0 and non-finite T and mu, a negative skew a NaN mu.
TLNParams TLNFit(double mean, double cv, double skew);

// TLNFit of a raw-moment triple's mean, sd/mean and skewness.
TLNParams TLNFitMoments(const MomentTriple& m);

// Bucket width for n buckets from aggregate moments: the grid reaches twice the fitted
// translated lognormal's value four standard deviations out on the log scale,
//   unit = 2 (exp(mu + 4 sigma) + T) / n,
// doubled once if n unit < 2 mean, and widened to 1.1 layer / n when a non-zero layer does not
// fit. A skewness outside [0, 999] is taken as 0.1; a zero standard deviation gives
// 4 max(mean, layer) / n.
double EstimateUnitFromMoments(const MomentTriple& agg, double layer, double n);

}  // namespace corvane
