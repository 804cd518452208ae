// LU decomposition by Crout's method with implicit partial pivoting (each row scaled by its
// largest absolute element; a zero pivot is replaced by 1.0e-20), and the forward and back
// substitution that solves A x = b with it (Numerical Recipes' ludcmp and lubksb). Matrices are
// n x n, row-major; the factors replace A and `indx` records the row permutation.
#pragma once

#include <span>
#include <vector>

namespace corvane {

// Throws std::runtime_error("Singular matrix in routine ludcmp") when a row is all zeros.
void LuDecompose(std::span<double> a, int n, std::span<int> indx);

// Replaces b by the solution of A x = b, for `a` and `indx` from LuDecompose.
void LuSolve(std::span<const double> a, int n, std::span<const int> indx, std::span<double> b);

}  // namespace corvane
