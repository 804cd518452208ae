// The moment computations behind AggCo.AggMoms, SumMoms, SumMoms1, EstimateUnit, EstimateUnitVar,
// TLNFitMoms, TLNFitVar and QuickStats, one call each.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "Corvane/numerics/moments/moments.h"
#include "Corvane/numerics/moments/tln_fit.h"

namespace corvane {

// CompoundMoments of a frequency and a severity triple.
MomentTriple AggMoms(const MomentTriple& freqMoms, const MomentTriple& sevMoms);

// SumMoments of two triples.
MomentTriple SumMoms(const MomentTriple& mom1, const MomentTriple& mom2);

// EstimateUnitFromMoments(aggMoms, layerConstraint, 2^numL2).
double EstimateUnit(const MomentTriple& aggMoms, std::int32_t numL2, double layerConstraint);

// TLNFit of the triple's mean, sd/mean and skewness.
TLNParams TLNFitMoms(const MomentTriple& aggMoms);

// mean, cv, skewness of the density dist on the amounts k unit (taken to sum to 1), then the
// TLNFit mu, sigma, T of those. A dist whose length is not num is an invalid argument without text.
std::array<double, 6> QuickStats(std::int32_t num, double unit, std::span<const double> dist);

}  // namespace corvane
