#include "Corvane/numerics/severity/sev_tlognormal.h"

#include <array>
#include <cmath>
#include <stdexcept>

#include "Corvane/numerics/require.h"
#include "Corvane/numerics/severity/sev_layer.h"
#include "Corvane/numerics/special/specialfunctions.h"

namespace corvane {
namespace {

// Phi(b) - Phi(a) for a <= b, taken from the tail where the two values are small.
double NormalBand(double a, double b) {
    return a > 0 ? NormalCDF(-a) - NormalCDF(-b) : NormalCDF(b) - NormalCDF(a);
}

}  // namespace

CTLognormal::CTLognormal(std::span<const double> values) {
    if (values.size() < 2) throw std::runtime_error("Insufficient Parameters");
    mu_ = values[0];
    sigma_ = values[1];
    T_ = values.size() == 3 ? values[2] : 0.0;
    RequireFinite(mu_, "Translated lognormal mu");
    RequirePositive(sigma_, "Translated lognormal sigma");
    RequireFinite(T_, "Translated lognormal T");
}

double CTLognormal::CDF(double x) const {
    return x >= T_ ? NormalCDF((std::log(x - T_) - mu_) / sigma_) : 0.0;
}

double CTLognormal::Survival(double x) const {
    return x >= T_ ? NormalCDF((mu_ - std::log(x - T_)) / sigma_) : 1.0;
}

MomentTriple CTLognormal::ZLayerMoments(double l, double lambda) const {
    const double s2 = sigma_ * sigma_;
    const double lnA = std::log(l);
    const double lnB = std::log(l + lambda);
    std::array<double, 4> Q{};
    for (int j = 0; j <= 3; ++j) {
        const double shift = mu_ + j * s2;
        Q[j] = std::exp(j * mu_ + j * j * s2 / 2) * NormalBand((lnA - shift) / sigma_, (lnB - shift) / sigma_);
    }
    const double R = NormalCDF((mu_ - lnB) / sigma_);
    return LayerMomentsFromPartials(Q, l, lambda, R, 1.0);
}

MomentTriple CTLognormal::LayerMoments(double layer, double attach, double /*share*/) const {
    if (attach >= T_) {
        const double N = Survival(attach);
        const MomentTriple m = ZLayerMoments(attach - T_, layer);
        return {m[0] / N, m[1] / N, m[2] / N};
    }
    // Every claim exceeds the attachment by delta = T - A plus Z.
    const double delta = T_ - attach;
    if (layer <= delta) return {layer, layer * layer, layer * layer * layer};
    return SumMoments({delta, delta * delta, delta * delta * delta}, ZLayerMoments(0.0, layer - delta));
}

}  // namespace corvane
