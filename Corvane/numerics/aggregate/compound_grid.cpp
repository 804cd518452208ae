#include "Corvane/numerics/aggregate/compound_grid.h"

#include <array>
#include <cstddef>

#include "Corvane/numerics/frequency/freq_pgf.h"
#include "Corvane/numerics/grid/grid_array.h"
#include "Corvane/numerics/grid/real_fft.h"

namespace corvane {

namespace {

constexpr double kTiny = 1e-16;

double Clamped(double p) { return p < kTiny ? 0.0 : p; }

// S_j = sum_k c_k x_k^j for j = 0 .. 3, c_k = p_k clamped and x_k = k unit, in four interleaved
// partial sums so that the additions need not wait for one another.
std::array<double, 4> ClampedPowerSums(std::span<const double> p, double unit) {
    constexpr std::size_t L = 4;
    double s[4][L] = {};
    const std::size_t n = p.size(), body = n - n % L;
    for (std::size_t k = 0; k < body; k += L)
        for (std::size_t l = 0; l < L; ++l) {
            const double c = Clamped(p[k + l]), x = static_cast<double>(k + l) * unit, cx = c * x;
            s[0][l] += c;
            s[1][l] += cx;
            s[2][l] += cx * x;
            s[3][l] += cx * x * x;
        }
    for (std::size_t k = body; k < n; ++k) {
        const double c = Clamped(p[k]), x = static_cast<double>(k) * unit, cx = c * x;
        s[0][0] += c;
        s[1][0] += cx;
        s[2][0] += cx * x;
        s[3][0] += cx * x * x;
    }
    std::array<double, 4> S{};
    for (std::size_t j = 0; j < 4; ++j) S[j] = (s[j][0] + s[j][1]) + (s[j][2] + s[j][3]);
    return S;
}

}  // namespace

MomentTriple ClampAndNormalise(std::span<double> p, double unit) {
    const std::array<double, 4> S = ClampedPowerSums(p, unit);
    const double f = S[0] != 0.0 ? 1.0 / S[0] : 1.0;
    for (double& v : p) v = Clamped(v) * f;
    return {S[1] * f, S[2] * f, S[3] * f};
}

// The result's own array holds the spectrum while it is worked on: the severity's transform is
// written into it, the values become P(X_k)/n, and the unnormalised inverse in place gives the
// aggregate itself in its first n doubles.
CompoundResult CompoundGrid(const freqdist::CAbstractFreq& family, std::span<const double> s, double unit) {
    CompoundResult r;
    if (!family.NeedsTransform()) {
        r.density.assign(s.begin(), s.end());
        r.moments = GridRawMoments(r.density, unit);
        return r;
    }
    const std::size_t n = s.size();
    r.density = GridArray(SpectrumDoubles(n));
    const auto X = SpectrumIn(r.density);
    RealToComplex(s, X);
    freqdist::ApplyPGFToSpectrum(family, X, 1.0 / static_cast<double>(n));
    ComplexToReal(X, std::span(r.density).first(n));
    r.density.resize(n);
    r.moments = ClampAndNormalise(r.density, unit);
    return r;
}

}  // namespace corvane
