#include "automation/enum_variant.h"

#include <algorithm>
#include <atomic>
#include <memory>

#include "automation/object.h"
#include "automation/reference_holder.h"

namespace automation {

namespace {

class VariantEnumerator final : public ObjectBase, public IEnumVARIANT, public IReferenceHolder {
public:
    VariantEnumerator(std::shared_ptr<const std::vector<Variant>> items, std::size_t pos)
        : items_(std::move(items)), pos_(pos) {}

    HRESULT QueryInterface(const IID& iid, void** out) override { return InternalQueryInterface(iid, out); }
    std::uint32_t AddRef() override { return InternalAddRef(); }
    std::uint32_t Release() override { return InternalRelease(); }
    HRESULT InternalQueryInterface(const IID& iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IEnumVARIANT) {
            *out = static_cast<IEnumVARIANT*>(this);
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

    HRESULT Next(std::uint32_t celt, Variant* items, std::uint32_t* fetched) override {
        if (!items || (!fetched && celt != 1)) return E_POINTER;
        std::uint32_t n = 0;
        for (; n < celt && pos_ < items_->size(); ++n) items[n] = (*items_)[pos_++];
        if (fetched) *fetched = n;
        return n == celt ? S_OK : S_FALSE;
    }
    HRESULT Skip(std::uint32_t celt) override {
        const std::size_t left = items_->size() - std::min(pos_, items_->size());
        pos_ += std::min<std::size_t>(celt, left);
        return celt <= left ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        pos_ = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumVARIANT** out) override {
        if (!out) return E_POINTER;
        auto* copy = new VariantEnumerator(items_, pos_);
        copy->AddRef();
        *out = copy;
        return S_OK;
    }

    // The objects among its items, which its clones share.
    const void* Holder() override { return items_.get(); }
    void ForEachHeld(const std::function<void(IUnknown*)>& visit) override {
        for (const Variant& item : *items_) ForEachObject(item, visit);
    }

private:
    std::shared_ptr<const std::vector<Variant>> items_;
    std::size_t pos_;
};

}  // namespace

ComPtr<IEnumVARIANT> CreateVariantEnumerator(std::vector<Variant> items) {
    return ComPtr<IEnumVARIANT>(
        new VariantEnumerator(std::make_shared<const std::vector<Variant>>(std::move(items)), 0));
}

}  // namespace automation
