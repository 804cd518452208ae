// The claim-count (frequency) family: its raw moments and its probability generating function
// P(z) = E[z^N], which the compounding applies to the transforms of claim-size grids
// (freq_pgf.h). A family is made with its parameters, checked by its constructor, and never
// changes afterwards.
#pragma once

#include <array>
#include <complex>
#include <span>

namespace freqdist {

class CAbstractFreq {
public:
    virtual ~CAbstractFreq() = default;
    // E[N], E[N^2], E[N^3].
    virtual std::array<double, 3> Moments() const = 0;
    // P(z) for a complex z; a real z gives a real P(z).
    virtual std::complex<double> Pgf(std::complex<double> z) const = 0;
    // z_k = scale P(z_k) for every value: Pgf value by value, unless a family has a faster way.
    virtual void ScaledPgfInPlace(std::span<std::complex<double>> z, double scale) const;
    // False when the aggregate equals the claim-size distribution and no transform is needed.
    virtual bool NeedsTransform() const { return true; }
};

}  // namespace freqdist
