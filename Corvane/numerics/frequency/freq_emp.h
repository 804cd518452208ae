// Empirical claim count given by its probabilities p_k = Pr(N = k), k = 0 .. K, used as given:
// E[N^j] = sum k^j p_k and P(z) = sum p_k z^k.
#pragma once

#include "Corvane/numerics/frequency/freq_abstract.h"

namespace freqdist {

class CFreqEmp final : public CAbstractFreq {
public:
    std::vector<double> GetParams() const override;  // [p0, p1, ..., pK]
    // Stores all of v as [p0, ..., pK]; an empty v is rejected.
    void SetParams(std::span<const double> v) override;
    std::u16string_view Name() const override;
    std::array<double, 3> Moments() const override;
    // Real positions t become P(t) as well.
    void ApplyPGF(double* x, std::size_t n) const override;
    void ApplyPGF2D(std::complex<double>* data, std::size_t rows, std::size_t cols) const override;
    bool NeedsTransform() const override;

private:
    template <class T>
    T Pgf(T z) const;

    std::vector<double> p_;
};

}  // namespace freqdist
