// Triangle: the bootstrap of a loss-development triangle into the distribution of its
// cumulative development factor. Holds nothing between calls.
#pragma once

#include "Corvane/identities.h"
#include "automation/object.h"

namespace corvane {

class CTriangle : public automation::Dispatchable<CTriangle> {
public:
    static constexpr automation::ClassIdentity identity{CLSID_Triangle, "Corvane.Triangle.1", true};
    static const automation::DispatchTable<CTriangle> table;

    void TrgBootstrap(std::int32_t nYears, const automation::Variant& varTrg, std::int32_t forward,
                      std::int32_t order, double xmaxpad, std::int32_t nResamp, std::int32_t denSizeL2,
                      std::int32_t rt, automation::Variant& Density, automation::Variant& unit);
    void TrgBootstrapEx(std::int32_t nYears, std::int32_t firstBSYear, const automation::Variant& varTrg,
                        std::int32_t forward, std::int32_t order, double xmaxpad, std::int32_t nResamp,
                        std::int32_t denSizeL2, std::int32_t rt, automation::Variant& Density,
                        automation::Variant& unit, automation::Variant& stats);
};

}  // namespace corvane
