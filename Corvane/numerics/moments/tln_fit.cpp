#include "Corvane/numerics/moments/tln_fit.h"

#include <algorithm>
#include <cmath>

namespace corvane {
namespace {

TLNParams FitMeanSdSkew(double mean, double sd, double skew) {
    const double u = std::pow(skew / 2 + std::sqrt(4 + skew * skew) / 2, 1.0 / 3.0);
    const double w = u - 1 / u;
    const double sigma2 = std::log(1 + w * w);
    const double T = mean - sd / w;
    return {std::log(mean - T) - sigma2 / 2, std::sqrt(sigma2), T};
}

}  // namespace

TLNParams TLNFit(double mean, double cv, double skew) { return FitMeanSdSkew(mean, cv * mean, skew); }

TLNParams TLNFitMoments(const MomentTriple& m) {
    const auto stats = SummaryStats(m);
    const double mean = stats[3], sd = stats[5], skew = stats[7];
    return TLNFit(mean, sd / mean, skew);
}

double EstimateUnitFromMoments(const MomentTriple& agg, double layer, double n) {
    const auto stats = SummaryStats(agg);
    const double mean = stats[3], sd = stats[5];
    if (sd == 0) return 4 * std::max(mean, layer) / n;

    double skew = stats[7];
    if (skew < 0 || skew > 999) skew = 0.1;
    const TLNParams fit = FitMeanSdSkew(mean, sd, skew);
    double unit = 2 * (std::exp(fit.mu + 4 * fit.sigma) + fit.T) / n;
    if (n * unit < 2 * mean) unit *= 2;
    if (layer != 0 && n * unit < 1.1 * layer) unit = 1.1 * layer / n;
    return unit;
}

}  // namespace corvane
