// The claim-count (frequency) family: its parameters, raw moments and probability generating
// function P(z) = E[z^N], applied to the transforms of claim-size grids.
#pragma once

#include <array>
#include <complex>
#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

namespace freqdist {

class CAbstractFreq {
public:
    virtual std::vector<double> GetParams() const = 0;
    // Reads the family's fixed number of values from the start of v; a shorter v is rejected.
    virtual void SetParams(std::span<const double> v) = 0;
    virtual std::u16string_view Name() const = 0;
    // E[N], E[N^2], E[N^3].
    virtual std::array<double, 3> Moments() const = 0;
    // x is a halfcomplex transform of n doubles: x[0] real at frequency 0, x[k] + i x[n-k] the
    // complex value at frequency k for 1 <= k < (n+1)/2, and for even n x[n/2] real at n/2.
    // Every value z becomes P(z); no normalisation.
    virtual void ApplyPGF(double* x, std::size_t n) const = 0;
    // data holds rows x (cols/2 + 1) complex values of a two-dimensional real-to-complex
    // transform, row by row; every z becomes P(z) / (rows * cols).
    virtual void ApplyPGF2D(std::complex<double>* data, std::size_t rows, std::size_t cols) const = 0;
    // False when the aggregate equals the claim-size distribution and no transform is needed.
    virtual bool NeedsTransform() const = 0;
    virtual ~CAbstractFreq() = default;
};

// Fails with std::invalid_argument when v holds fewer than `needed` values.
void RequireParams(std::span<const double> v, std::size_t needed, const char* family);

}  // namespace freqdist
