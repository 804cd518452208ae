// Empirical claim count given by its probabilities p_k = Pr(N = k), k = 0 .. K, used as given:
// E[N^j] = sum k^j p_k and P(z) = sum p_k z^k.
#pragma once

#include <span>
#include <vector>

#include "Corvane/numerics/frequency/freq_abstract.h"

namespace freqdist {

class CFreqEmp final : public CAbstractFreq {
public:
    // [p0, ..., pK]: at least one value, each finite and >= 0, with a positive total (not
    // normalised).
    explicit CFreqEmp(std::span<const double> p);
    std::array<double, 3> Moments() const override;
    std::complex<double> Pgf(std::complex<double> z) const override;

private:
    std::vector<double> p_;
};

}  // namespace freqdist
