// Poisson claim count with mean lambda: Pr(N = k) = e^-lambda lambda^k / k!,
// P(z) = exp(lambda (z - 1)).
#pragma once

#include "Corvane/numerics/frequency/freq_abstract.h"

namespace freqdist {

class CPoisson final : public CAbstractFreq {
public:
    // lambda >= 0 and finite.
    explicit CPoisson(double lambda);
    std::array<double, 3> Moments() const override;
    std::complex<double> Pgf(std::complex<double> z) const override;
    // Vectorised (special/vector_math.h).
    void ScaledPgfInPlace(std::span<std::complex<double>> z, double scale) const override;

private:
    double lambda_;
};

}  // namespace freqdist
