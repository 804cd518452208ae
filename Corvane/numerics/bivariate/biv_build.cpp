#include "Corvane/numerics/bivariate/biv_build.h"

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

void BivDistFromMarginals(std::int32_t fq, std::span<const double> fqParams, std::int32_t dep,
                          std::span<const double> depParams, std::span<const double> pX,
                          std::span<const double> pY, double unitX, double unitY, CFFT2D& fft,
                          std::span<double> p) {
    if (pX.size() != fft.nx())
        throw InvalidArgument("the X marginal needs " + std::to_string(fft.nx()) + " values, got " +
                                    std::to_string(pX.size()));
    RequireDensity(pX, "X marginal density");
    if (UsesMarginalY(dep)) RequireDensity(pY, "Y marginal density");
    JointSeverityDensity(dep, depParams, pX, pY, unitX, unitY, fft.ny(), p);
    ApplyFrequency2D(*freqdist::CreateFreqDist(fq, fqParams), fft, p);
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
    ApplyFrequency2D(*family, fft, result.density);
    if (nx == ny && unitX == unitY) result.diagonal = DiagonalGrid(result.density, nx, ny, unitX, unitY);
    result.moments = BivMoments(result.density, nx, ny, unitX, unitY);
    return result;
}

}  // namespace corvane
