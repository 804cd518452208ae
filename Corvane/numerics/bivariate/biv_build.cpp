#include "Corvane/numerics/bivariate/biv_build.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>

#include "Corvane/numerics/bivariate/biv_copula.h"
#include "Corvane/numerics/bivariate/biv_diagonal.h"
#include "Corvane/numerics/bivariate/biv_frequency.h"
#include "Corvane/numerics/bivariate/biv_layer_split.h"
#include "Corvane/numerics/bivariate/biv_moments.h"
#include "Corvane/numerics/bivariate/biv_xandsum.h"
#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/frequency/freq_factory.h"
#include "Corvane/numerics/require.h"

namespace corvane {

namespace {

void RequireCount(std::span<const double> v, std::size_t count, const char* what) {
    if (v.size() != count)
        throw InvalidArgument(std::string(what) + " needs " + std::to_string(count) + " value(s), got " +
                                    std::to_string(v.size()));
}

// The means of X and Y on the grid p (sums, not divided by the total mass).
std::array<double, 2> Means(std::span<const double> p, std::size_t nx, std::size_t ny, double unitX, double unitY) {
    double mx = 0, my = 0;
    for (std::size_t x = 0; x < nx; ++x) {
        const double* row = p.data() + x * ny;
        for (std::size_t y = 0; y < ny; ++y) {
            mx += row[y] * static_cast<double>(x);
            my += row[y] * static_cast<double>(y);
        }
    }
    return {mx * unitX, my * unitY};
}

// ApplyFrequency2D on the joint density of one claim p, and how far the result can be trusted: on
// each axis the aggregate mean should be E N times the claim's, and what it lacks wrapped around.
GridAccuracy Compound(const freqdist::CAbstractFreq& family, CFFT2D& fft, std::span<double> p, double unitX,
                      double unitY) {
    const std::size_t nx = fft.nx(), ny = fft.ny();
    const double count = family.Moments()[0];
    const std::array<double, 2> claim = Means(p, nx, ny, unitX, unitY);
    ApplyFrequency2D(family, fft, p);
    const std::array<double, 2> aggregate = Means(p, nx, ny, unitX, unitY);
    const double span[2] = {static_cast<double>(nx) * unitX, static_cast<double>(ny) * unitY};
    GridAccuracy a;
    for (int axis = 0; axis < 2; ++axis) {
        a.wrapped = std::max(a.wrapped, WrappedMass(count * claim[axis], aggregate[axis], span[axis]));
        a.meanError = std::max(a.meanError, RelativeMeanError(aggregate[axis], count * claim[axis]));
    }
    return a;
}

}  // namespace

bool UsesMarginalY(std::int32_t dep) { return (dep >= bvIndep && dep <= bvCook) || dep == bvXXplusY; }

void CheckDependency(std::int32_t dep, std::span<const double> depParams) {
    if (dep >= bvIndep && dep <= bvCook) RequireCount(depParams, 1, "the dependency parameter");
    else if (dep == bvGrossNet || dep == bvGrossCeded || dep == bvNetCeded)
        RequireCount(depParams, 3, "the layer (limit, attachment, share)");
    else if (dep != bvXXplusY) throw InvalidArgument("unknown dependency code " + std::to_string(dep));
}

void JointSeverityDensity(std::int32_t dep, std::span<const double> depParams, std::span<const double> pX,
                          std::span<const double> pY, double unitX, double unitY, std::size_t ny,
                          std::span<double> p) {
    if (UsesMarginalY(dep) && pY.size() != ny)
        throw InvalidArgument("the Y marginal needs " + std::to_string(ny) + " values, got " +
                                    std::to_string(pY.size()));
    CheckDependency(dep, depParams);
    if (dep >= bvIndep && dep <= bvCook) CopulaDensity(dep, depParams[0], pX, pY, p);
    else if (dep == bvXXplusY) XAndSumDensity(pX, pY, p);
    else NetCededDensity(dep, depParams[0], depParams[1], depParams[2], pX, unitX, unitY, ny, p);
}

GridAccuracy BivDistFromMarginals(std::int32_t fq, std::span<const double> fqParams, std::int32_t dep,
                          std::span<const double> depParams, std::span<const double> pX,
                          std::span<const double> pY, double unitX, double unitY, CFFT2D& fft,
                          std::span<double> p) {
    if (pX.size() != fft.nx())
        throw InvalidArgument("the X marginal needs " + std::to_string(fft.nx()) + " values, got " +
                                    std::to_string(pX.size()));
    RequireDensity(pX, "X marginal density");
    if (UsesMarginalY(dep)) RequireDensity(pY, "Y marginal density");
    JointSeverityDensity(dep, depParams, pX, pY, unitX, unitY, fft.ny(), p);
    return Compound(*freqdist::CreateFreqDist(fq, fqParams), fft, p, unitX, unitY);
}

BivAggregate CompoundBivDensity(std::int32_t fq, std::span<const double> fqParams, std::span<const double> p1,
                                std::size_t nx, std::size_t ny, double unitX, double unitY) {
    if (nx == 0 || ny == 0 || p1.size() != nx * ny)
        throw InvalidArgument("a single-claim density of " + std::to_string(p1.size()) + " values for a " +
                                    std::to_string(nx) + " x " + std::to_string(ny) + " grid");
    RequireDensity(p1, "Joint density");
    const auto family = freqdist::CreateFreqDist(fq, fqParams);
    BivAggregate result;
    result.density.assign(p1.begin(), p1.end());
    CFFT2D fft(nx, ny);
    result.accuracy = Compound(*family, fft, result.density, unitX, unitY);
    if (nx == ny && unitX == unitY) result.diagonal = DiagonalGrid(result.density, nx, ny, unitX, unitY);
    result.moments = BivMoments(result.density, nx, ny, unitX, unitY);
    return result;
}

}  // namespace corvane
