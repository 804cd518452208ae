#include "Corvane/numerics/grid/empco_create.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "Corvane/numerics/require.h"

namespace corvane {

CEmpDist EmpDistFromDensity(std::span<const double> v, std::int32_t numIn, double unit) {
    if (numIn < 1 || v.size() != static_cast<std::size_t>(numIn))
        throw InvalidArgument("a density of " + std::to_string(v.size()) + " values for " +
                                    std::to_string(numIn) + " buckets");
    RequireUnit(unit);
    return CEmpDist(CheckedDensity(v, "Density"), unit);
}

CEmpDist EmpDistFromSample(std::span<const double> v, std::int32_t numL2, double unit) {
    return CEmpDist::FromSample(v, numL2, unit);
}

CEmpDist EmpDistFromRMS(std::span<const double> xs, std::span<const double> pxs, std::int32_t numL2, double unit) {
    if (xs.size() != pxs.size()) RejectWithoutText();
    return CEmpDist::FromPoints(xs, pxs, numL2, unit);
}

}  // namespace corvane
