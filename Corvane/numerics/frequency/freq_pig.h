// Poisson inverse-Gaussian claim count: a Poisson mixture whose mean is inverse Gaussian with
// mean mu and variance mu beta, so Var N = mu (1 + beta);
// P(z) = exp(-(mu/beta) (sqrt(1 + 2 beta (1 - z)) - 1)).
#pragma once

#include "Corvane/numerics/frequency/freq_abstract.h"

namespace freqdist {

class CPIG final : public CAbstractFreq {
public:
    std::vector<double> GetParams() const override;  // [mu, beta]
    void SetParams(std::span<const double> v) override;  // mu = v[0], beta = v[1]
    std::u16string_view Name() const override;
    std::array<double, 3> Moments() const override;
    // x[0] becomes exactly 1, P(1) for a normalised transform.
    void ApplyPGF(double* x, std::size_t n) const override;
    void ApplyPGF2D(std::complex<double>* data, std::size_t rows, std::size_t cols) const override;
    bool NeedsTransform() const override;

private:
    std::complex<double> Pgf(std::complex<double> z) const;
    double Pgf(double t) const;

    double mu_ = 0.0;
    double beta_ = 0.0;
};

}  // namespace freqdist
