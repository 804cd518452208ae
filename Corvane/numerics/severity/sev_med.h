// Mixed exponential claim size: F(x) = 1 - sum_i w_i exp(-x/theta_i), the weights used as given.
#pragma once

#include <array>
#include <span>
#include <vector>

#include "Corvane/numerics/moments/moments.h"
#include "Corvane/numerics/severity/sev_family.h"

namespace corvane {

class CMED final : public CSeverityFamily {
public:
    // Pairs (theta_1, w_1, theta_2, w_2, ...); an odd last value is ignored. At least one pair,
    // every mean theta_i > 0 and weight w_i >= 0, all finite, with a positive total weight.
    explicit CMED(std::span<const double> values);

    double CDF(double x) const override;       // 1 - S(x); no clamping for x < 0
    double Survival(double x) const override;  // S(x) = sum_i w_i exp(-x rate_i)

    // E[Y^k | X > A] for Y = min(X - A, L), k = 1, 2, 3: each exponential component is memoryless,
    // so m_k = k!/S(A) sum_i w_i e^(-A/theta_i) theta_i^k P(k, L/theta_i) with P the regularised
    // lower incomplete gamma function (integer order). The share is not used.
    MomentTriple LayerMoments(double layer, double attach, double share) const override;

    std::span<const double> Weights() const { return w_; }
    std::span<const double> Rates() const { return rate_; }  // 1/theta_i

private:
    std::vector<double> w_;
    std::vector<double> theta_;
    std::vector<double> rate_;
};

}  // namespace corvane
