// How far a compounded grid can be trusted.
//
// The transforms are circular: mass the aggregate puts beyond the last bucket comes back onto small
// losses. A mass w folded back by one turn moves from k unit + n unit to k unit, lowering the grid
// mean by w n unit, so w = (mean without wrap - grid mean)/(n unit), the mean without wrap being
// the compound of the claim count and the severity grid (exact for the discretised problem).
#pragma once

#include <limits>
#include <string>

namespace corvane {

struct GridAccuracy {
    double wrapped = 0;     // estimated mass the transform folded back
    double meanError = 0;   // |grid mean - exact mean| / exact mean
    double layerBuckets = std::numeric_limits<double>::infinity();  // layer share/unit, parametric only
    double beyond = 0;      // on a padded grid: the mass past the returned buckets, kept in the last one

    // More than 1e-6 wrapped, the grid mean off by more than 1e-4 relative, or the layer on fewer
    // than 8 buckets.
    bool Doubtful() const;
    // One line naming what is doubtful and what would help.
    std::string Describe() const;
};

// max(0, (unwrapped - grid)/span): the mass a circular grid of length span folded back.
double WrappedMass(double unwrappedMean, double gridMean, double span);

// |grid - exact| / |exact|, 0 when both are 0.
double RelativeMeanError(double gridMean, double exactMean);

}  // namespace corvane
