#include "Corvane/numerics/correlation/cholesky.h"

#include <algorithm>
#include <cmath>

#include "Corvane/numerics/require.h"

namespace corvane {

void CholeskyUpper(std::span<const double> a, int n, std::span<double> u) {
    std::fill(u.begin(), u.end(), 0.0);
    for (int i = 0; i < n; ++i) {
        for (int j = i; j < n; ++j) {
            double s = a[i * n + j];
            for (int k = 0; k < i; ++k) s -= u[k * n + i] * u[k * n + j];
            if (i == j) {
                Require(s > 0.0, "Matrix is not positive definite");
                u[i * n + i] = std::sqrt(s);
            } else {
                u[i * n + j] = s / u[i * n + i];
            }
        }
    }
}

}  // namespace corvane
