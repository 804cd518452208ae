#include "Corvane/numerics/bivariate/biv_moments.h"

#include <stdexcept>
#include <vector>

#include "Corvane/numerics/require.h"

namespace corvane {

// One pass over the grid gives the row sums r(x) = sum_y p(x, y), the column sums c(y) and the
// row-weighted sums w(x) = sum_y p(x, y) y unitY; then E X^k = sum r(x) (x unitX)^k,
// E Y^k = sum c(y) (y unitY)^k and E XY = sum x unitX w(x).
std::array<double, 7> BivMoments(std::span<const double> p, std::size_t nx, std::size_t ny, double unitX,
                                 double unitY) {
    if (p.size() != nx * ny) throw InvalidArgument("density of the wrong size for its grid");
    std::vector<double> c(ny, 0.0);
    std::array<double, 7> m{};
    for (std::size_t x = 0; x < nx; ++x) {
        const double* row = p.data() + x * ny;
        double r = 0.0, w = 0.0;
        for (std::size_t y = 0; y < ny; ++y) {
            r += row[y];
            w += row[y] * (static_cast<double>(y) * unitY);
            c[y] += row[y];
        }
        const double X = static_cast<double>(x) * unitX;
        m[0] += r * X;
        m[1] += r * X * X;
        m[2] += r * X * X * X;
        m[6] += X * w;
    }
    for (std::size_t y = 0; y < ny; ++y) {
        const double Y = static_cast<double>(y) * unitY;
        m[3] += c[y] * Y;
        m[4] += c[y] * Y * Y;
        m[5] += c[y] * Y * Y * Y;
    }
    return m;
}

}  // namespace corvane
