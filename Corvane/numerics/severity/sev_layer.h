// Layer moments from partial moments, shared by the severity families.
#pragma once

#include <array>

#include "Corvane/numerics/moments/moments.h"

namespace corvane {

// E[min(max(X - A, 0), L)^k] / N for k = 1, 2, 3 by the binomial expansion of (X - A)^k, from
// P_j = E[X^j; A < X <= A + L] (P_0 the probability of that band), R = Pr(X > A + L) and the
// normaliser N. The term L^k R is 0 when R is 0, so an infinite limit gives finite moments.
MomentTriple LayerMomentsFromPartials(const std::array<double, 4>& P, double A, double L, double R,
                                      double N);

}  // namespace corvane
