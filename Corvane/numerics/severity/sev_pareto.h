// Pareto claim size with shape alpha and scale theta: F(x) = 1 - (theta/(theta + x))^alpha.
#pragma once

#include <span>

#include "Corvane/numerics/moments/moments.h"
#include "Corvane/numerics/severity/sev_family.h"

namespace corvane {

class CPareto final : public CSeverityFamily {
public:
    // (alpha, theta), alpha > 0 and theta > 0, both finite; any other count fails with
    // "Insufficient Parameters".
    explicit CPareto(std::span<const double> values);

    double CDF(double x) const override;
    double Survival(double x) const override;  // (theta/(theta + x))^alpha

    // E[Y^k | X > A] for Y = min(X - A, L), k = 1, 2, 3, in closed form. With z0 = theta + A,
    // z1 = theta + A + L and E(c) = (exp(c ln(z1/z0)) - 1)/c (its limit ln(z1/z0) at c = 0, so
    // alpha = 1, 2, 3 give the logarithmic limits):
    //   m1 = z0 E(1 - alpha)
    //   m2 = 2 z0^2 (E(2 - alpha) - E(1 - alpha))
    //   m3 = 3 z0^3 (E(3 - alpha) - 2 E(2 - alpha) + E(1 - alpha))
    // The share is not used.
    MomentTriple LayerMoments(double layer, double attach, double share) const override;

private:
    double alpha_;
    double theta_;
};

}  // namespace corvane
