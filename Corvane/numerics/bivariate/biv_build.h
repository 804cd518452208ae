// Building a bivariate aggregate distribution: the joint density of one claim from two marginals
// and a dependency structure, or given directly, compounded with a claim-count distribution.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "Corvane/numerics/aggregate/grid_accuracy.h"
#include "Corvane/numerics/bivariate/fft2d.h"

namespace corvane {

// True when the dependency code dep builds from both marginals (bvIndep .. bvCook, bvXXplusY);
// the layer splits (bvGrossNet, bvGrossCeded, bvNetCeded) read only the X marginal.
bool UsesMarginalY(std::int32_t dep);

// Fails with std::invalid_argument, as JointSeverityDensity does, for an unknown dependency code or
// a depParams of the wrong count; lets a caller refuse those before it allocates a grid.
void CheckDependency(std::int32_t dep, std::span<const double> depParams);

// The joint density of one claim on the nx x ny grid p (element (x, y) at x*ny + y), nx = pX.size():
//   bvIndep .. bvCook:  CopulaDensity(dep, depParams[0], pX, pY)     depParams = {tau}
//   bvGrossNet, bvGrossCeded, bvNetCeded:
//                       NetCededDensity(dep, L, A, s, pX, ...)       depParams = {L, A, s}; pY not read
//   bvXXplusY:          XAndSumDensity(pX, pY)                        depParams not read
// Fails with an invalid argument for any other code, a depParams of another count, a pY whose
// size is not ny where it is read, or the builders' own conditions.
void JointSeverityDensity(std::int32_t dep, std::span<const double> depParams, std::span<const double> pX,
                          std::span<const double> pY, double unitX, double unitY, std::size_t ny,
                          std::span<double> p);

// The joint distribution of the aggregate pair: JointSeverityDensity on the grid of fft
// (fft.nx() x fft.ny()), then the claim-count family made from the freqDist code fq and fqParams
// compounded onto it with ApplyFrequency2D; returns how far the result can be trusted (the mass
// the transform folded back on either axis, the error of the axes' means). Fails as
// JointSeverityDensity does, then with "Invalid freq dist" for an unknown fq.
GridAccuracy BivDistFromMarginals(std::int32_t fq, std::span<const double> fqParams, std::int32_t dep,
                          std::span<const double> depParams, std::span<const double> pX,
                          std::span<const double> pY, double unitX, double unitY, CFFT2D& fft,
                          std::span<double> p);

struct BivAggregate {
    std::vector<double> density;   // nx x ny, element (x, y) at x*ny + y
    std::vector<double> diagonal;  // DiagonalGrid of density; empty unless nx = ny and unitX = unitY
    std::array<double, 7> moments; // BivMoments of density
    GridAccuracy accuracy;          // the mass the transform folded back, the means' error
};

// The claim-count family (fq, fqParams) compounded onto the given joint density of one claim p1
// (nx x ny, element (x, y) at x*ny + y). Fails with an invalid argument when p1 does not hold
// nx*ny values, and with "Invalid freq dist" for an unknown fq.
BivAggregate CompoundBivDensity(std::int32_t fq, std::span<const double> fqParams, std::span<const double> p1,
                                std::size_t nx, std::size_t ny, double unitX, double unitY);

}  // namespace corvane
