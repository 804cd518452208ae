#include "Corvane/numerics/severity/sev_med.h"

#include <cmath>
#include <cstddef>
#include <limits>
#include <string>

#include "Corvane/numerics/require.h"
#include "Corvane/numerics/severity/sev_layer.h"
#include "Corvane/numerics/special/specialfunctions.h"

namespace corvane {
namespace {

// P(a, x), with P(a, +inf) = 1; a negative or NaN x comes from parameters outside the family's
// domain and gives NaN rather than a failure.
double LowerGammaP(double a, double x) {
    if (x == std::numeric_limits<double>::infinity()) return 1.0;
    if (!(x >= 0)) return std::numeric_limits<double>::quiet_NaN();
    return gammp(a, x);
}

}  // namespace

CMED::CMED(std::span<const double> values) {
    const std::size_t k = values.size() / 2;
    Require(k >= 1, "Mixed exponential needs at least one (mean, weight) pair, got " +
                        std::to_string(values.size()) + " value(s)");
    w_.resize(k);
    theta_.resize(k);
    rate_.resize(k);
    double total = 0;
    for (std::size_t i = 0; i < k; ++i) {
        const std::string component = std::to_string(i + 1);
        RequirePositive(values[2 * i], "Mixed exponential mean " + component);
        RequireNonNegative(values[2 * i + 1], "Mixed exponential weight " + component);
        theta_[i] = values[2 * i];
        w_[i] = values[2 * i + 1];
        rate_[i] = 1 / theta_[i];
        total += w_[i];
    }
    Require(total > 0, "Mixed exponential weights must have a positive total, got 0");
}

double CMED::Survival(double x) const {
    double s = 0;
    for (std::size_t i = 0; i < w_.size(); ++i) s += w_[i] * std::exp(-x * rate_[i]);
    return s;
}

double CMED::CDF(double x) const { return 1 - Survival(x); }

std::array<double, 3> CMED::PartialMoments(double layer, double attach) const {
    std::array<double, 3> P{0.0, 0.0, 0.0};
    for (int k = 1; k <= 3; ++k) {
        const double kFactorial = std::exp(LogGamma(k + 1.0));
        double sum = 0;
        for (std::size_t i = 0; i < w_.size(); ++i) {
            const double band = LowerGammaP(k + 1.0, (attach + layer) * rate_[i]) -
                                LowerGammaP(k + 1.0, attach * rate_[i]);
            sum += w_[i] * kFactorial * std::pow(theta_[i], k) * band;
        }
        P[k - 1] = sum;
    }
    return P;
}

MomentTriple CMED::LayerMoments(double layer, double attach, double /*share*/) const {
    const auto [P1, P2, P3] = PartialMoments(layer, attach);
    const double N = Survival(attach);
    const double R = Survival(attach + layer);
    return LayerMomentsFromPartials({N - R, P1, P2, P3}, attach, layer, R, N);
}

}  // namespace corvane
