// Negative binomial claim count: Pr(N = k) = Gamma(r + k) / (Gamma(r) k!) p^r (1 - p)^k,
// so E N = r(1 - p)/p and Var N / E N = 1/p; P(z) = (p / (1 - (1 - p) z))^r.
#pragma once

#include "Corvane/numerics/frequency/freq_abstract.h"

namespace freqdist {

class CNegBin final : public CAbstractFreq {
public:
    // From the mean and vm = Var N / E N: p = 1/vm, r = mean/(vm - 1). mean >= 0 and vm > 1, both
    // finite (vm = 1 is the Poisson limit, which the factory makes as a CPoisson).
    CNegBin(double mean, double vm);
    std::array<double, 3> Moments() const override;
    std::complex<double> Pgf(std::complex<double> z) const override;
    // Vectorised (special/vector_math.h).
    void ScaledPgfInPlace(std::span<std::complex<double>> z, double scale) const override;

private:
    double r_;
    double p_;
};

}  // namespace freqdist
