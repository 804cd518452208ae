#include "Corvane/numerics/severity/sev_med.h"

#include <cmath>
#include <cstddef>
#include <limits>
#include <string>

#include "Corvane/numerics/require.h"
#include "Corvane/numerics/severity/sev_layer.h"
#include "Corvane/numerics/special/specialfunctions.h"

namespace corvane {

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

// Each component contributes k!/S(A) w_i e^(-A r_i) theta_i^k P(k, L r_i): a sum of positive
// terms, with no difference of nearly equal partial moments however far the attachment lies.
MomentTriple CMED::LayerMoments(double layer, double attach, double /*share*/) const {
    constexpr double kFactorial[] = {1.0, 2.0, 6.0};
    MomentTriple m{0.0, 0.0, 0.0};
    double N = 0;
    for (std::size_t i = 0; i < w_.size(); ++i) {
        const double atA = w_[i] * std::exp(-attach * rate_[i]);
        N += atA;
        const double x = layer * rate_[i];
        double thetaK = 1;
        for (int k = 1; k <= 3; ++k) {
            thetaK *= theta_[i];
            m[k - 1] += kFactorial[k - 1] * atA * thetaK * GammaPWhole(k, x);
        }
    }
    for (double& v : m) v /= N;
    return m;
}

}  // namespace corvane
