// Exactly one claim: P(z) = z, so the aggregate is the claim-size distribution itself.
#pragma once

#include "Corvane/numerics/frequency/freq_abstract.h"

namespace freqdist {

class COne final : public CAbstractFreq {
public:
    std::array<double, 3> Moments() const override { return {1.0, 1.0, 1.0}; }
    std::complex<double> Pgf(std::complex<double> z) const override { return z; }
    bool NeedsTransform() const override { return false; }
};

}  // namespace freqdist
