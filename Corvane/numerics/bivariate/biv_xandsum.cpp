#include "Corvane/numerics/bivariate/biv_xandsum.h"

#include <algorithm>
#include <stdexcept>

#include "Corvane/numerics/require.h"

namespace corvane {

// Row x of the density is p_Y shifted by x (circularly) and scaled by p_X(x): the two pieces of
// the shifted row are written as two contiguous runs.
void XAndSumDensity(std::span<const double> pX, std::span<const double> pY, std::span<double> p) {
    const std::size_t n = pX.size();
    if (n == 0 || pY.size() != n || p.size() != n * n)
        throw InvalidArgument("(X, X + Y) needs a square grid and marginals of its size");
    for (std::size_t x = 0; x < n; ++x) {
        double* row = p.data() + x * n;
        const double px = pX[x];
        for (std::size_t y = 0; y < n - x; ++y) row[x + y] = px * pY[y];
        for (std::size_t y = n - x; y < n; ++y) row[x + y - n] = px * pY[y];
    }
}

}  // namespace corvane
