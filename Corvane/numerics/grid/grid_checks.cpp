#include "Corvane/numerics/grid/grid_checks.h"

#include <cmath>
#include <stdexcept>
#include <string>

#include "Corvane/numerics/require.h"

namespace corvane {

std::size_t GridSizeFromL2(std::int32_t numL2) {
    if (numL2 < 0 || numL2 > 30)
        throw InvalidArgument("grid size 2^" + std::to_string(numL2) + " is outside 2^0 .. 2^30");
    return std::size_t{1} << numL2;
}

std::int32_t FloorLog2(std::size_t n) {
    std::int32_t k = 0;
    while (n > 1) {
        n /= 2;
        ++k;
    }
    return k;
}

bool IsPowerOfTwo(std::size_t n) { return n != 0 && (n & (n - 1)) == 0; }

void RequireBucketWidth(double unit) { RequireUnit(unit); }

std::size_t NearestBucket(double x, double unit, std::size_t n) {
    const double v = x / unit + 0.5;
    if (std::isnan(v)) throw InvalidArgument("an amount to place on the grid is NaN");
    if (v < 1.0) return 0;
    if (v >= static_cast<double>(n)) return n - 1;
    return static_cast<std::size_t>(v);
}

}  // namespace corvane
