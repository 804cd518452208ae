// Raw-moment arithmetic: compound sums, sums of independent losses, summary statistics, the raw
// moments of a grid and the aggregate builder's moment vector.
#pragma once

#include <array>
#include <span>

namespace corvane {

// E[X], E[X^2], E[X^3].
using MomentTriple = std::array<double, 3>;

// Moments of S = X_1 + ... + X_N from the claim-count triple n and the claim-size triple m:
//   E S   = n1 m1
//   E S^2 = n1 m2 + m1^2 (n2 - n1)
//   E S^3 = n1 m3 + m1^3 n3 + 3 m1 n2 m2 - 3 n1 m1 m2 - 3 m1^3 n2 + 2 m1^3 n1
MomentTriple CompoundMoments(const MomentTriple& freq, const MomentTriple& sev);

// Moments of X + Y for independent X, Y: (a1 + b1, a2 + 2 a1 b1 + b2, a3 + 3 (a2 b1 + a1 b2) + b3).
MomentTriple SumMoments(const MomentTriple& a, const MomentTriple& b);

// m1, m2, m3, mean, variance, standard deviation, coefficient of variation, skewness
// (m3 - 3 m1 m2 + 2 m1^3) / (sd v). Nothing is checked: a zero variance gives non-finite values.
std::array<double, 8> SummaryStats(const MomentTriple& m);

// sum_k p_k (k unit)^j for j = 1, 2, 3, summed from the top bucket down with the amount
// decreasing by unit per bucket; not divided by the total mass.
MomentTriple GridRawMoments(std::span<const double> p, double unit);

// The aggregate builder's eighteen values: frequency, severity, their compound, the aggregate grid,
// the severity grid, and the compound of frequency and severity grid, three raw moments each.
std::array<double, 18> BuilderMomentVector(const MomentTriple& freq, const MomentTriple& sev,
                                           const MomentTriple& aggGrid, const MomentTriple& sevGrid);

}  // namespace corvane
