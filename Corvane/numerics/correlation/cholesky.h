// Cholesky factorisation A = U'U of a symmetric positive definite n x n matrix (row-major),
// U upper triangular:
//   s = A(i, j) - sum_{k<i} U(k, i) U(k, j);  U(i, i) = sqrt(s);  U(i, j) = s / U(i, i) for i < j.
// Only the upper triangle of A is read. A pivot s <= 0 fails with InvalidArgument.
#pragma once

#include <span>

namespace corvane {

void CholeskyUpper(std::span<const double> a, int n, std::span<double> u);

}  // namespace corvane
