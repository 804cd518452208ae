// The moment computations behind AggCo.AggMoms, SumMoms, SumMoms1, EstimateUnit, EstimateUnitVar,
// TLNFitMoms, TLNFitVar and QuickStats, one call each. A moment argument must hold exactly three
// values; any other count fails with automation::BareFailure{99}.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "Corvane/numerics/moments/moments.h"
#include "Corvane/numerics/moments/tln_fit.h"

namespace corvane {

// CompoundMoments of a frequency and a severity triple.
MomentTriple AggMoms(std::span<const double> freqMoms, std::span<const double> sevMoms);

// SumMoments of two triples.
MomentTriple SumMoms(std::span<const double> mom1, std::span<const double> mom2);

// EstimateUnitFromMoments(aggMoms, layerConstraint, 2^numL2).
double EstimateUnit(std::span<const double> aggMoms, std::int32_t numL2, double layerConstraint);

// TLNFit of the triple's mean, sd/mean and skewness.
TLNParams TLNFitMoms(std::span<const double> aggMoms);

// mean, cv, skewness of the density dist on the amounts k unit (taken to sum to 1), then the
// TLNFit mu, sigma, T of those. A dist whose length is not num fails with
// StatusError(E_INVALIDARG), no text.
std::array<double, 6> QuickStats(std::int32_t num, double unit, std::span<const double> dist);

}  // namespace corvane
