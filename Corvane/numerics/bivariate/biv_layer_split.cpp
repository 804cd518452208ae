#include "Corvane/numerics/bivariate/biv_layer_split.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/require.h"

namespace corvane {

void NetCededDensity(std::int32_t dep, double L, double A, double s, std::span<const double> pX, double unitX,
                     double unitY, std::size_t ny, std::span<double> p) {
    const std::size_t nx = pX.size();
    if (dep != bvGrossNet && dep != bvGrossCeded && dep != bvNetCeded)
        throw InvalidArgument("no layer split for dependency code " + std::to_string(dep));
    RequireLayer(L, A, s);
    RequireUnit(unitX);
    if (s != 1.0) throw InvalidArgument("a layer split needs a share of exactly 1");
    if (unitX != unitY) throw InvalidArgument("a layer split needs equal units on both axes");
    if (nx == 0 || p.size() != nx * ny)
        throw InvalidArgument("layer split density of " + std::to_string(p.size()) + " values for a " +
                                    std::to_string(nx) + " x " + std::to_string(ny) + " grid");
    const double u = unitX;
    const double aBucket = std::trunc(A / u), eBucket = std::trunc((A + L) / u);
    if (!(aBucket >= 0.0 && aBucket <= eBucket && eBucket <= static_cast<double>(nx)))
        throw InvalidArgument("the layer must lie within the grid's " + std::to_string(nx) + " buckets");
    const std::size_t a = static_cast<std::size_t>(aBucket), e = static_cast<std::size_t>(eBucket), l = e - a;

    const auto net = [=](std::size_t i) { return i < a ? i : (i < e ? a : i - l); };
    const auto ceded = [=](std::size_t i) { return i < a ? 0 : (i < e ? i - a : l); };
    // Both parts grow with the gross bucket, so the top bucket needs the most columns.
    const std::size_t yTop = dep == bvGrossNet ? net(nx - 1) : ceded(nx - 1);
    if (yTop >= ny)
        throw InvalidArgument("the second coordinate needs " + std::to_string(yTop + 1) + " buckets, the grid has " +
                                    std::to_string(ny));

    std::fill(p.begin(), p.end(), 0.0);
    for (std::size_t i = 0; i < nx; ++i) {
        const std::size_t x = dep == bvNetCeded ? net(i) : i;
        const std::size_t y = dep == bvGrossNet ? net(i) : ceded(i);
        p[x * ny + y] = pX[i];
    }
}

}  // namespace corvane
