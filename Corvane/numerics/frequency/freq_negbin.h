// Negative binomial claim count: Pr(N = k) = Gamma(r + k) / (Gamma(r) k!) p^r (1 - p)^k,
// so E N = r(1 - p)/p and Var N / E N = 1/p; P(z) = (p / (1 - (1 - p) z))^r.
#pragma once

#include "Corvane/numerics/frequency/freq_abstract.h"

namespace freqdist {

class CNegBin final : public CAbstractFreq {
public:
    std::vector<double> GetParams() const override;  // [r, p]
    // Reads (mean, vm) = (v[0], v[1]), vm = Var N / E N, and stores p = 1/vm, r = mean/(vm - 1).
    void SetParams(std::span<const double> v) override;
    std::u16string_view Name() const override;
    std::array<double, 3> Moments() const override;
    // x[0] becomes exactly 1, P(1) for a normalised transform.
    void ApplyPGF(double* x, std::size_t n) const override;
    void ApplyPGF2D(std::complex<double>* data, std::size_t rows, std::size_t cols) const override;
    bool NeedsTransform() const override;

private:
    std::complex<double> Pgf(std::complex<double> z) const;
    double Pgf(double t) const;

    double r_ = 0.0;
    double p_ = 0.0;
};

}  // namespace freqdist
