// What the engine reads off a grid in the space domain: marginals, a conditional slice, moments.
#pragma once

#include <array>
#include <vector>

#include "Corvane/numerics/ftu/ftu_grid.h"

namespace corvane {

// out[r] = sum over c of cell(r, c): the distribution of x.
std::vector<double> RowSums(const FTUGrid& g);
// out[c] = sum over r of cell(r, c): the distribution of y.
std::vector<double> ColumnSums(const FTUGrid& g);

// The distribution of x given y = c unitY for the column c = trunc(obsLoss / unitY + 1/2):
// out[r] = cell(r, c) / sum over r of cell(r, c). Fails with std::invalid_argument (naming obsLoss)
// when c lies outside the grid or the column holds no positive mass.
std::vector<double> ConditionalSlice(const FTUGrid& g, double obsLoss, double unitY);

// With x = r unitX and y = c unitY over every cell, the total mass taken as 1: Sx = sum x p,
// Sy = sum y p, Var x = sum x^2 p - Sx^2, Var y = sum y^2 p - Sy^2, Cov = sum x y p - Sx Sy.
// Returns correlation Cov / sqrt(Var x Var y), Sx, Sy, Var x, Var y, Cov, in this order.
std::array<double, 6> GridCorrelation(const FTUGrid& g, double unitX, double unitY);

}  // namespace corvane
