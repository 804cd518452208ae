// Risk measures of a distribution on a grid: the loss S takes the amounts k unit with
// probabilities p_k / M, M = sum p_k (the density is read as a distribution, whatever its total).
#pragma once

#include <array>
#include <span>

#include "Corvane/numerics/grid/empdist.h"

namespace corvane {

// F(x) = Pr(S <= x) = sum_{k unit <= x} p_k / M.
double GridCDF(const CEmpDist& grid, double x);

// The lower quantile (value at risk) min{k unit : F(k unit) >= p} for 0 <= p <= 1.
double GridQuantile(const CEmpDist& grid, double p);

// Tail value at risk TVaR_p = (1/(1 - p)) integral_p^1 VaR_u du
//   = (E[S; S > v] + v (F(v) - p)) / (1 - p) with v = VaR_p, for 0 <= p < 1.
double GridTVaR(const CEmpDist& grid, double p);

// Limited expected value E[min(S, x)].
double GridLEV(const CEmpDist& grid, double x);

// Expected excess E[(S - x)+] = E[S] - E[min(S, x)].
double GridExcessMean(const CEmpDist& grid, double x);

// Mean, standard deviation, coefficient of variation sd/mean and skewness E[(S - mean)^3]/sd^3.
std::array<double, 4> GridStats(const CEmpDist& grid);

}  // namespace corvane
