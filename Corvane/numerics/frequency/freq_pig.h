// Poisson inverse-Gaussian claim count: a Poisson mixture whose mean is inverse Gaussian with
// mean mu and variance mu beta, so Var N = mu (1 + beta);
// P(z) = exp(-(mu/beta) (sqrt(1 + 2 beta (1 - z)) - 1)).
#pragma once

#include "Corvane/numerics/frequency/freq_abstract.h"

namespace freqdist {

class CPIG final : public CAbstractFreq {
public:
    // mu >= 0 and beta > 0, both finite (beta = 0 is the Poisson limit, which the factory makes
    // as a CPoisson).
    CPIG(double mu, double beta);
    std::array<double, 3> Moments() const override;
    std::complex<double> Pgf(std::complex<double> z) const override;

private:
    double mu_;
    double beta_;
};

}  // namespace freqdist
