// Exactly one claim: P(z) = z, so the aggregate is the claim-size distribution itself.
#pragma once

#include "Corvane/numerics/frequency/freq_abstract.h"

namespace freqdist {

class COne final : public CAbstractFreq {
public:
    std::vector<double> GetParams() const override;  // empty: the family has no parameters
    void SetParams(std::span<const double> v) override;  // reads nothing
    std::u16string_view Name() const override;
    std::array<double, 3> Moments() const override;
    void ApplyPGF(double* x, std::size_t n) const override;  // leaves x unchanged
    void ApplyPGF2D(std::complex<double>* data, std::size_t rows, std::size_t cols) const override;  // unchanged
    bool NeedsTransform() const override;
};

}  // namespace freqdist
