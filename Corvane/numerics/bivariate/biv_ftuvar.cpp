#include "Corvane/numerics/bivariate/biv_ftuvar.h"

#include <cmath>
#include <stdexcept>

#include "Corvane/numerics/grid/grid_checks.h"
#include "Corvane/numerics/require.h"

namespace corvane {

std::vector<double> FTUVar(std::span<const double> p, std::size_t nx, std::size_t ny, std::int32_t num_l2,
                           double maxFTU) {
    if (nx != ny) throw InvalidArgument("the ratio distribution needs a square grid");
    if (p.size() != nx * ny) throw InvalidArgument("density of the wrong size for its grid");
    const std::size_t n = nx, f = GridSizeFromL2(num_l2);
    RequirePositive(maxFTU, "The ratio bucket width maxFTU");
    const double fTop = static_cast<double>(f);
    std::vector<double> out(f, 0.0);
    for (std::size_t x = 1; x < n; ++x) {
        const double* row = p.data() + x * n;
        for (std::size_t y = 0; y < n; ++y) {
            if (!(row[y] > 1e-16)) continue;
            const double b = y == 0 ? fTop : std::trunc(static_cast<double>(x) / static_cast<double>(y) / maxFTU + 0.5);
            out[b < fTop ? static_cast<std::size_t>(b) : f - 1] += row[y];
        }
    }
    return out;
}

}  // namespace corvane
