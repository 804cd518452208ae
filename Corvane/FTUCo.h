// FTUCo: the two-dimensional transform engine for claim development, its grid in a named shared
// block that other engines open by the object's ID. Made only by AggCo's methods, never by a host.
#pragma once

#include <memory>
#include <string>

#include "Corvane/FTUBlock.h"
#include "Corvane/identities.h"
#include "Corvane/numerics/ftu/ftu_engine.h"
#include "automation/object.h"

namespace corvane {

class CFTUCo : public automation::Dispatchable<CFTUCo> {
public:
    static constexpr automation::ClassIdentity identity{CLSID_FTUCo, "Corvane.FTUCo.1", true};
    static const automation::DispatchTable<CFTUCo> table;

    // The engine behind a caller's reference, when it is an FTUCo of this module; null otherwise.
    static CFTUCo* From(automation::IDispatch* object);

    std::int32_t get_numL2();
    void put_numL2(std::int32_t value);
    void ExecuteClosedClaimNoPP(std::int32_t nThrds, const automation::Variant& varCWP,
                                const automation::Variant& varCWOP, double unit, double PrCWOP,
                                const automation::Variant& PrClosed, std::int32_t fq,
                                const automation::Variant& fqParams, std::int32_t outState);
    void Accumulate(std::int32_t nThrds, std::int32_t outState, automation::IDispatch* pFTU);
    void State(std::int32_t nThrds, std::int32_t st);
    void Decimate(std::int32_t nThrds, std::int32_t newNumL2);
    std::u16string get_ID();
    void Marginal(std::int32_t XorY, std::int32_t rt, automation::Variant& unitOut, automation::Variant& varOut);
    void FTU(std::int32_t rt, double maxFTU, automation::Variant& unit, automation::Variant& varOut);
    void Transform(std::int32_t nThrds, double maxU);
    automation::Variant Density(std::int32_t nThrds, std::int32_t desiredNumL2, std::int32_t rt);
    void NumAndUnit(automation::Variant& numL2, automation::Variant& num, automation::Variant& unitX,
                    automation::Variant& unitY);
    automation::Variant Corr(std::int32_t rt);
    automation::Variant Slice(double obsLoss, std::int32_t rt);
    void Mix(std::int32_t nThrds, double wtThis, double wtOther, automation::IDispatch* pFTUOther);
    void ExecuteCounts(std::int32_t nThrds, const automation::Variant& p00, const automation::Variant& p10,
                       const automation::Variant& p01, const automation::Variant& p11, std::int32_t fq,
                       const automation::Variant& fqParams, std::int32_t outState);

protected:
    void* QueryOther(const automation::IID& iid) override;

private:
    // The engine, once its grid is allocated and while its block is whole.
    CFTUEngine& Engine();
    template <class T>
    T Checked(T result) const;
    // The other engine of Accumulate and Mix, brought to st after this one, and a read-only view
    // of its grid; fails with E_INVALIDARG when it is no engine or its numL2 differs.
    std::unique_ptr<CFTUBlockView> OtherGrid(std::int32_t nThrds, automation::IDispatch* other, const char* argument,
                                             stateEnum st);

    std::unique_ptr<CFTUBlock> block_;
    std::unique_ptr<CFTUEngine> engine_;  // null until numL2 is set
    std::u16string id_;
};

}  // namespace corvane
