// The joint density of one claim from two marginal densities and a copula.
#pragma once

#include <cstdint>
#include <span>

namespace corvane {

// p (pX.size() x pY.size(), element (x, y) at x*ny + y) receives the probability of each grid
// rectangle under the copula C(F_X(x), F_Y(y)) of the depType code dep (bvIndep .. bvCook) with
// dependency parameter tau:
//   bvIndep:   p(x, y) = p_X(x) p_Y(y) (also for codes 3-7 when tau is exactly 0)
//   bvMin:     W(u, v) = max(u + v - 1, 0);   bvMax: M(u, v) = min(u, v)   (tau not used)
//   bvClayton: theta = 2 tau/(1 - tau),  C = (u^-theta + v^-theta - 1)^(-1/theta)
//   bvFrank:   theta = tau,              C = ln(1 + (e^(theta u) - 1)(e^(theta v) - 1)/(e^theta - 1))/theta
//   bvFGM:     theta = 9 tau/2,          C = u v (1 + theta (1 - u)(1 - v))
//   bvGumbel:  theta = 1/(1 - tau),      C = exp(-((-ln u)^theta + (-ln v)^theta)^(1/theta))
//   bvCook:    theta' = (1/tau - 1)/2,   C = (u^(-1/theta') + v^(-1/theta') - 1)^(-theta')
// F_X and F_Y are the inclusive cumulative sums of the marginals, taken within [0, 1].
// Fails with an invalid argument for any other code, when p has the wrong size, and for a tau
// outside the family's range (tau = 0 is the independence limit of codes 3-7):
//   Clayton, Cook, Gumbel: 0 <= tau < 1;  Frank: -700 <= theta <= 700;  FGM: |9 tau/2| <= 1.
void CopulaDensity(std::int32_t dep, double tau, std::span<const double> pX, std::span<const double> pY,
                   std::span<double> p);

}  // namespace corvane
