#include "Corvane/numerics/moments/moment_methods.h"

#include <cmath>

#include "automation/failure.h"

namespace corvane {
namespace {

MomentTriple Triple(std::span<const double> m) {
    if (m.size() != 3) throw automation::BareFailure{99};
    return {m[0], m[1], m[2]};
}

}  // namespace

MomentTriple AggMoms(std::span<const double> freqMoms, std::span<const double> sevMoms) {
    return CompoundMoments(Triple(freqMoms), Triple(sevMoms));
}

MomentTriple SumMoms(std::span<const double> mom1, std::span<const double> mom2) {
    return SumMoments(Triple(mom1), Triple(mom2));
}

double EstimateUnit(std::span<const double> aggMoms, std::int32_t numL2, double layerConstraint) {
    return EstimateUnitFromMoments(Triple(aggMoms), layerConstraint, std::ldexp(1.0, numL2));
}

TLNParams TLNFitMoms(std::span<const double> aggMoms) { return TLNFitMoments(Triple(aggMoms)); }

std::array<double, 6> QuickStats(std::int32_t num, double unit, std::span<const double> dist) {
    if (num < 0 || dist.size() != static_cast<std::size_t>(num))
        throw automation::StatusError(automation::E_INVALIDARG);
    const auto [s1, s2, s3] = GridRawMoments(dist, unit);
    const double sd = std::sqrt(s2 - s1 * s1);
    const double cv = sd / s1;
    const double skew = (s3 - 3 * s1 * s2 + 2 * s1 * s1 * s1) / (sd * sd * sd);
    const TLNParams fit = TLNFit(s1, cv, skew);
    return {s1, cv, skew, fit.mu, fit.sigma, fit.T};
}

}  // namespace corvane
