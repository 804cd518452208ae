#include "Corvane/Triangle.h"

#include <array>

#include "Corvane/numerics/triangle/factor_store.h"
#include "Corvane/numerics/triangle/trg_bootstrap.h"
#include "automation/conversion.h"
#include "automation/trace.h"

namespace corvane {

using namespace automation;

const DispatchTable<CTriangle> CTriangle::table{IID_ITriangle, "ITriangle", {
    Method<&CTriangle::TrgBootstrap>(1, "TrgBootstrap",
                                     {In("nYears"), In("varTrg"), In("forward"), In("order"), In("xmaxpad"),
                                      In("nResamp"), In("denSizeL2"), In("rt"), Out("Density"), Out("unit")},
                                     "Bootstrapped density of the cumulative development factor from the first "
                                     "development step to the last, and its bucket width"),
    Method<&CTriangle::TrgBootstrapEx>(2, "TrgBootstrapEx",
                                       {In("nYears"), In("firstBSYear"), In("varTrg"), In("forward"), In("order"),
                                        In("xmaxpad"), In("nResamp"), In("denSizeL2"), In("rt"), Out("Density"),
                                        Out("unit"), Out("stats")},
                                       "Bootstrapped density of the cumulative development factor from step "
                                       "firstBSYear to the last, its bucket width and its three raw moments"),
}};

void CTriangle::TrgBootstrap(std::int32_t nYears, const Variant& varTrg, std::int32_t forward, std::int32_t order,
                             double xmaxpad, std::int32_t nResamp, std::int32_t denSizeL2, std::int32_t rt,
                             Variant& Density, Variant& unit) {
    Variant stats;
    TrgBootstrapEx(nYears, 1, varTrg, forward, order, xmaxpad, nResamp, denSizeL2, rt, Density, unit, stats);
}

// The triangle is read with accident years down the rows and development periods across; cells
// below the diagonal are ignored whatever they hold. The outputs are written only on success.
void CTriangle::TrgBootstrapEx(std::int32_t nYears, std::int32_t firstBSYear, const Variant& varTrg,
                               std::int32_t forward, std::int32_t order, double xmaxpad, std::int32_t nResamp,
                               std::int32_t denSizeL2, std::int32_t rt, Variant& Density, Variant& unit,
                               Variant& stats) {
    const BootstrapArguments args{nYears, firstBSYear, forward, order, xmaxpad, nResamp, denSizeL2};
    RequireBootstrapArguments(args);
    const auto n = static_cast<std::size_t>(nYears);
    const std::array<std::size_t, 2> dims{n, n};
    const std::vector<double> C =
        VariantToDoubleWithDimensionCheck(varTrg, dims, [n](std::size_t i) { return IsTriangleCell(i, n); });
    const CEmpDist density = corvane::TrgBootstrap(C, args, TraceEnabled() ? &Trace : nullptr);
    Variant values = DoubleToVariant(rt, density.values());
    Variant moments = DoubleToVariant(rt, density.RawMoments());
    Density = std::move(values);
    unit = Variant(density.unit());
    stats = std::move(moments);
}

}  // namespace corvane
