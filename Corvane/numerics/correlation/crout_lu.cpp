#include "Corvane/numerics/correlation/crout_lu.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace corvane {

void LuDecompose(std::span<double> a, int n, std::span<int> indx) {
    constexpr double TINY = 1.0e-20;
    auto A = [&](int i, int j) -> double& { return a[i * n + j]; };
    std::vector<double> vv(n);  // the implicit scaling of each row
    for (int i = 0; i < n; ++i) {
        double big = 0.0;
        for (int j = 0; j < n; ++j) big = std::max(big, std::fabs(A(i, j)));
        if (big == 0.0) throw std::runtime_error("Singular matrix in routine ludcmp");
        vv[i] = 1.0 / big;
    }
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < j; ++i) {
            double sum = A(i, j);
            for (int k = 0; k < i; ++k) sum -= A(i, k) * A(k, j);
            A(i, j) = sum;
        }
        double big = 0.0;
        int imax = j;
        for (int i = j; i < n; ++i) {
            double sum = A(i, j);
            for (int k = 0; k < j; ++k) sum -= A(i, k) * A(k, j);
            A(i, j) = sum;
            if (double dum = vv[i] * std::fabs(sum); dum >= big) {
                big = dum;
                imax = i;
            }
        }
        if (j != imax) {
            for (int k = 0; k < n; ++k) std::swap(A(imax, k), A(j, k));
            vv[imax] = vv[j];
        }
        indx[j] = imax;
        if (A(j, j) == 0.0) A(j, j) = TINY;
        if (j != n - 1) {
            const double dum = 1.0 / A(j, j);
            for (int i = j + 1; i < n; ++i) A(i, j) *= dum;
        }
    }
}

void LuSolve(std::span<const double> a, int n, std::span<const int> indx, std::span<double> b) {
    auto A = [&](int i, int j) { return a[i * n + j]; };
    int ii = -1;  // the first non-zero element of b, for the forward substitution
    for (int i = 0; i < n; ++i) {
        const int ip = indx[i];
        double sum = b[ip];
        b[ip] = b[i];
        if (ii >= 0) {
            for (int j = ii; j < i; ++j) sum -= A(i, j) * b[j];
        } else if (sum != 0.0) {
            ii = i;
        }
        b[i] = sum;
    }
    for (int i = n - 1; i >= 0; --i) {
        double sum = b[i];
        for (int j = i + 1; j < n; ++j) sum -= A(i, j) * b[j];
        b[i] = sum / A(i, i);
    }
}

}  // namespace corvane
