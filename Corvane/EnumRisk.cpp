#include "Corvane/EnumRisk.h"

#include <algorithm>

namespace corvane {

using namespace automation;

ComPtr<IUnknown> CEnumRisk::Make(std::shared_ptr<const RiskList> risks) {
    return ComPtr<IUnknown>(static_cast<IEnumRisk*>(new CEnumRisk(std::move(risks), 0)));
}

HRESULT CEnumRisk::InternalQueryInterface(const IID& iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IEnumRisk) {
        *out = static_cast<IEnumRisk*>(this);
        AddRef();
        return S_OK;
    }
    if (iid == IID_IReferenceHolder) {
        *out = static_cast<IReferenceHolder*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

void CEnumRisk::ForEachHeld(const std::function<void(IUnknown*)>& visit) {
    for (const auto& risk : *risks_) visit(risk.get());
}

HRESULT CEnumRisk::RemoteNext(std::uint32_t celt, IDispatch** rgSampleRecord, std::uint32_t* pCeltFetched) {
    if (!rgSampleRecord || (!pCeltFetched && celt != 1)) return E_POINTER;
    std::uint32_t n = 0;
    for (; n < celt && Left() > 0; ++n) rgSampleRecord[n] = ComPtr<IDispatch>((*risks_)[pos_++]).Detach();
    if (pCeltFetched) *pCeltFetched = n;
    return n == celt ? S_OK : S_FALSE;
}

HRESULT CEnumRisk::Skip(std::uint32_t celt) {
    const std::size_t left = Left();
    pos_ = std::min(pos_, risks_->size()) + std::min<std::size_t>(celt, left);
    return celt <= left ? S_OK : S_FALSE;
}

HRESULT CEnumRisk::Reset() {
    pos_ = 0;
    return S_OK;
}

HRESULT CEnumRisk::Clone(IEnumRisk** ppEnum) {
    if (!ppEnum) return E_POINTER;
    *ppEnum = new CEnumRisk(risks_, pos_);
    (*ppEnum)->AddRef();
    return S_OK;
}

HRESULT CEnumRisk::IsEqual(IEnumRisk* Target, std::uint32_t CacheIndex, std::uint32_t TargetCacheIndex, char* Result) {
    if (!Target || !Result) return E_POINTER;
    auto at = [](IEnumRisk* e, std::uint32_t ahead) {
        ComPtr<IEnumRisk> walker;
        ComPtr<IDispatch> risk;
        if (Failed(e->Clone(walker.Receive())) || walker->Skip(ahead) != S_OK) return risk;
        walker->CurrentValue(risk.Receive());
        return risk;
    };
    ComPtr<IDispatch> mine = at(this, CacheIndex), theirs = at(Target, TargetCacheIndex);
    *Result = mine && theirs &&
              Query<IUnknown>(mine.get(), IID_IUnknown).get() == Query<IUnknown>(theirs.get(), IID_IUnknown).get();
    return S_OK;
}

HRESULT CEnumRisk::BackUp(std::uint32_t* SingleHops) {
    if (!SingleHops) return E_POINTER;
    pos_ = std::min(pos_, risks_->size());
    const std::uint32_t wanted = *SingleHops;
    const auto moved = static_cast<std::uint32_t>(std::min<std::size_t>(wanted, pos_));
    pos_ -= moved;
    *SingleHops = moved;
    return moved == wanted ? S_OK : S_FALSE;
}

HRESULT CEnumRisk::_RemoteGetIterator() { return E_NOTIMPL; }

HRESULT CEnumRisk::CurrentValue(IDispatch** Value) {
    if (!Value) return E_POINTER;
    *Value = Left() > 0 ? ComPtr<IDispatch>((*risks_)[pos_]).Detach() : nullptr;
    return *Value ? S_OK : S_FALSE;
}

HRESULT CEnumRisk::NextWithStatus(IDispatch** Value, char* IsLast) {
    if (!Value || !IsLast) return E_POINTER;
    if (Left() == 0) {
        *Value = nullptr;
        *IsLast = 1;
        return S_FALSE;
    }
    *Value = ComPtr<IDispatch>((*risks_)[pos_++]).Detach();
    *IsLast = Left() == 0;
    return S_OK;
}

}  // namespace corvane
