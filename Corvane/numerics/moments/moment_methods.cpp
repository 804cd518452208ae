#include "Corvane/numerics/moments/moment_methods.h"

#include <cmath>

#include "Corvane/numerics/require.h"

namespace corvane {
MomentTriple AggMoms(const MomentTriple& freqMoms, const MomentTriple& sevMoms) {
    return CompoundMoments(freqMoms, sevMoms);
}

MomentTriple SumMoms(const MomentTriple& mom1, const MomentTriple& mom2) {
    return SumMoments(mom1, mom2);
}

double EstimateUnit(const MomentTriple& aggMoms, std::int32_t numL2, double layerConstraint) {
    return EstimateUnitFromMoments(aggMoms, layerConstraint, std::ldexp(1.0, numL2));
}

TLNParams TLNFitMoms(const MomentTriple& aggMoms) { return TLNFitMoments(aggMoms); }

std::array<double, 6> QuickStats(std::int32_t num, double unit, std::span<const double> dist) {
    if (num < 0 || dist.size() != static_cast<std::size_t>(num))
        RejectWithoutText();
    const auto [s1, s2, s3] = GridRawMoments(dist, unit);
    const double sd = std::sqrt(s2 - s1 * s1);
    const double cv = sd / s1;
    const double skew = (s3 - 3 * s1 * s2 + 2 * s1 * s1 * s1) / (sd * sd * sd);
    const TLNParams fit = TLNFit(s1, cv, skew);
    return {s1, cv, skew, fit.mu, fit.sigma, fit.T};
}

}  // namespace corvane
