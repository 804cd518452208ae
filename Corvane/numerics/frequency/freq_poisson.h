// Poisson claim count with mean lambda: Pr(N = k) = e^-lambda lambda^k / k!,
// P(z) = exp(lambda (z - 1)).
#pragma once

#include "Corvane/numerics/frequency/freq_abstract.h"

namespace freqdist {

class CPoisson final : public CAbstractFreq {
public:
    std::vector<double> GetParams() const override;  // [lambda]
    void SetParams(std::span<const double> v) override;  // lambda = v[0]
    std::u16string_view Name() const override;
    std::array<double, 3> Moments() const override;
    void ApplyPGF(double* x, std::size_t n) const override;
    void ApplyPGF2D(std::complex<double>* data, std::size_t rows, std::size_t cols) const override;
    bool NeedsTransform() const override;

private:
    std::complex<double> Pgf(std::complex<double> z) const;
    double Pgf(double t) const;

    double lambda_ = 0.0;
};

}  // namespace freqdist
