#include "Corvane/numerics/grid/empco_methods.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "Corvane/numerics/grid/grid_checks.h"
#include "Corvane/numerics/require.h"

namespace corvane {

namespace {

std::span<double> CallerArray(std::int32_t num, std::span<double> xs) {
    if (num < 0 || static_cast<std::size_t>(num) > xs.size())
        throw InvalidArgument("a count of " + std::to_string(num) + " for an array of " +
                                    std::to_string(xs.size()) + " values");
    return xs.first(static_cast<std::size_t>(num));
}

}  // namespace

std::int32_t GridNumL2(const CEmpDist& grid) { return FloorLog2(grid.num()); }

std::vector<double> Density(const CEmpDist& grid, std::int32_t numL2) {
    if (GridSizeFromL2(numL2) == grid.num()) return {grid.values().begin(), grid.values().end()};
    return grid.Coarsen(numL2).ReleaseValues();
}

void DensityInto(const CEmpDist& grid, std::int32_t num, std::span<double> xs) {
    const std::span<double> out = CallerArray(num, xs);
    const std::size_t n = grid.num(), d = out.size();
    if (d == n) {
        std::copy(grid.values().begin(), grid.values().end(), out.begin());
        return;
    }
    if (!IsPowerOfTwo(d) || (d > n / 2 && d < n))
        throw InvalidArgument("no coarse grid of exactly " + std::to_string(d) + " buckets for a grid of " +
                                    std::to_string(n));
    const CEmpDist coarse = grid.Coarsen(FloorLog2(d));
    std::copy(coarse.values().begin(), coarse.values().end(), out.begin());
}

std::vector<double> Sample(const CEmpDist& grid, std::int32_t nSize) {
    if (nSize < 0) throw InvalidArgument("a sample of " + std::to_string(nSize) + " values");
    return grid.Quantiles(static_cast<std::size_t>(nSize));
}

void SampleInto(const CEmpDist& grid, std::int32_t num, std::span<double> xs) { grid.Quantiles(CallerArray(num, xs)); }

}  // namespace corvane
