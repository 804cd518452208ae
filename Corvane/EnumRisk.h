// EnumRisk: the enumerator of a portfolio's risks (IEnumRisk, a custom interface). It walks a
// copy of the element list, or the portfolio's live list, in collection order.
#pragma once

#include <memory>
#include <vector>

#include "Corvane/identities.h"
#include "automation/object.h"
#include "automation/reference_holder.h"

namespace corvane {

struct IEnumRisk : automation::IUnknown {
    // Up to celt risks from the current position, each with a reference for the caller;
    // S_FALSE when fewer were left. pCeltFetched may be null only when celt is 1.
    virtual automation::HRESULT RemoteNext(std::uint32_t celt, automation::IDispatch** rgSampleRecord,
                                           std::uint32_t* pCeltFetched) = 0;
    // Moves on by celt; S_FALSE when fewer were left.
    virtual automation::HRESULT Skip(std::uint32_t celt) = 0;
    virtual automation::HRESULT Reset() = 0;
    // A new enumerator over the same list at the same position.
    virtual automation::HRESULT Clone(IEnumRisk** ppEnum) = 0;
    // Result 1 when the risk CacheIndex places after this enumerator's position is the same
    // object as the one TargetCacheIndex places after Target's, else 0 (also past either end).
    virtual automation::HRESULT IsEqual(IEnumRisk* Target, std::uint32_t CacheIndex, std::uint32_t TargetCacheIndex,
                                        char* Result) = 0;
    // Moves back by up to *SingleHops places and writes how many it moved; S_FALSE when fewer.
    virtual automation::HRESULT BackUp(std::uint32_t* SingleHops) = 0;
    // No iterator crosses an interface boundary: E_NOTIMPL.
    virtual automation::HRESULT _RemoteGetIterator() = 0;
    // The risk at the position without moving; null and S_FALSE at the end.
    virtual automation::HRESULT CurrentValue(automation::IDispatch** Value) = 0;
    // The risk at the position, then moves on; IsLast is 1 when it was the last one. At the end:
    // null, IsLast 1 and S_FALSE.
    virtual automation::HRESULT NextWithStatus(automation::IDispatch** Value, char* IsLast) = 0;

protected:
    ~IEnumRisk() = default;
};

using RiskList = std::vector<automation::ComPtr<automation::IDispatch>>;

class CEnumRisk final : public automation::ObjectBase, public IEnumRisk, public automation::IReferenceHolder {
public:
    CEnumRisk(std::shared_ptr<const RiskList> risks, std::size_t pos) : risks_(std::move(risks)), pos_(pos) {}
    static automation::ComPtr<automation::IUnknown> Make(std::shared_ptr<const RiskList> risks);

    automation::HRESULT QueryInterface(const automation::IID& iid, void** out) override {
        return InternalQueryInterface(iid, out);
    }
    std::uint32_t AddRef() override { return InternalAddRef(); }
    std::uint32_t Release() override { return InternalRelease(); }
    automation::HRESULT InternalQueryInterface(const automation::IID& iid, void** out) override;

    automation::HRESULT RemoteNext(std::uint32_t celt, automation::IDispatch** rgSampleRecord,
                                   std::uint32_t* pCeltFetched) override;
    automation::HRESULT Skip(std::uint32_t celt) override;
    automation::HRESULT Reset() override;
    automation::HRESULT Clone(IEnumRisk** ppEnum) override;
    automation::HRESULT IsEqual(IEnumRisk* Target, std::uint32_t CacheIndex, std::uint32_t TargetCacheIndex,
                                char* Result) override;
    automation::HRESULT BackUp(std::uint32_t* SingleHops) override;
    automation::HRESULT _RemoteGetIterator() override;
    automation::HRESULT CurrentValue(automation::IDispatch** Value) override;
    automation::HRESULT NextWithStatus(automation::IDispatch** Value, char* IsLast) override;

    // The risks of its list: a portfolio's live list, or a copy its clones share.
    const void* Holder() override { return risks_.get(); }
    void ForEachHeld(const std::function<void(automation::IUnknown*)>& visit) override;

private:
    std::size_t Left() const { return risks_->size() - std::min(pos_, risks_->size()); }

    std::shared_ptr<const RiskList> risks_;
    std::size_t pos_;
};

}  // namespace corvane
