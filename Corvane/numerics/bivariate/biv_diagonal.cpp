#include "Corvane/numerics/bivariate/biv_diagonal.h"

#include <stdexcept>

#include "Corvane/numerics/require.h"

namespace corvane {

// Row x adds p(x, y) to bucket x + y, circularly: two contiguous runs per row.
std::vector<double> DiagonalGrid(std::span<const double> p, std::size_t nx, std::size_t ny, double unitX,
                                 double unitY) {
    if (nx != ny || unitX != unitY)
        throw InvalidArgument("the distribution of X + Y needs a square grid with equal units");
    const std::size_t n = nx;
    if (n == 0 || p.size() != n * n) throw InvalidArgument("density of the wrong size for its grid");
    std::vector<double> s(n, 0.0);
    for (std::size_t x = 0; x < n; ++x) {
        const double* row = p.data() + x * n;
        for (std::size_t y = 0; y < n - x; ++y) s[x + y] += row[y];
        for (std::size_t y = n - x; y < n; ++y) s[x + y - n] += row[y];
    }
    double total = 0.0;
    for (double& v : s) {
        if (v < 1e-16) v = 0.0;
        total += v;
    }
    if (total > 0.0) {
        const double scale = 1.0 / total;
        for (double& v : s) v *= scale;
    }
    return s;
}

}  // namespace corvane
