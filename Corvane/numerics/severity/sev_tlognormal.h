// Translated lognormal claim size X = T + Z, ln Z ~ N(mu, sigma^2):
// F(x) = Phi((ln(x - T) - mu)/sigma) for x >= T, 0 below.
#pragma once

#include <span>

#include "Corvane/numerics/moments/moments.h"
#include "Corvane/numerics/severity/sev_family.h"

namespace corvane {

class CTLognormal final : public CSeverityFamily {
public:
    // (mu, sigma) or (mu, sigma, T); T is read only from exactly three values, else T = 0.
    // mu and T finite, sigma > 0 and finite. Fewer than two values fail with "Insufficient
    // Parameters".
    explicit CTLognormal(std::span<const double> values);

    double CDF(double x) const override;
    double Survival(double x) const override;  // 1 - F(x), taken from the upper tail of Phi

    // E[Y^k | X > A] for Y = min(max(X - A, 0), L), k = 1, 2, 3, in closed form from the partial
    // moments of Z, E[Z^j; a < Z <= b] = exp(j mu + j^2 sigma^2/2) [Phi(z_j(b)) - Phi(z_j(a))]
    // with z_j(y) = (ln y - mu - j sigma^2)/sigma. Below an attachment under T every claim
    // exceeds A by at least T - A. The share is not used.
    MomentTriple LayerMoments(double layer, double attach, double share) const override;

private:
    // E[min(max(Z - l, 0), lambda)^k] for k = 1, 2, 3.
    MomentTriple ZLayerMoments(double l, double lambda) const;

    double T_;
    double mu_;
    double sigma_;
};

}  // namespace corvane
