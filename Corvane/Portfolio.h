// Portfolio: an ordered collection of risks (ascending sequence number, one risk per number) that
// is enumerated, saved to streams and sampled jointly, independently or to a target correlation.
#pragma once

#include <memory>

#include "Corvane/EnumRisk.h"
#include "Corvane/identities.h"
#include "automation/object.h"
#include "automation/persist_impl.h"
#include "automation/reference_holder.h"

namespace corvane {

class CPortfolio : public automation::Dispatchable<CPortfolio>,
                   public automation::PersistStreamImpl<CPortfolio>,
                   public automation::IReferenceHolder {
public:
    static constexpr automation::ClassIdentity identity{CLSID_Portfolio, "Corvane.Portfolio.1", false};
    static const automation::DispatchTable<CPortfolio> table;

    AUTOMATION_PERSIST_UNKNOWN(CPortfolio)

    // DICollection.
    void Add(const automation::Variant& Element);
    automation::Variant AddNew(const automation::Variant& What);
    void Change(const automation::Variant& IndexOrElement, const automation::Variant& NewValue);
    bool Contains(const automation::Variant& Element);
    automation::Variant Find(const automation::Variant& Element);
    std::int32_t get_Count();
    automation::Variant Value(std::int32_t index);
    void Remove(std::int32_t index);
    automation::ComPtr<automation::IDispatch> Clone();
    void Clear();
    automation::ComPtr<automation::IUnknown> _NewEnum();

    // IPortfolio.
    void TypedAdd(automation::IDispatch* Element);
    automation::ComPtr<automation::IDispatch> TypedAddNew(const std::u16string& RecordName);
    bool TypedContains(automation::IDispatch* Element);
    automation::ComPtr<automation::IDispatch> TypedFind(automation::IDispatch* Element);
    automation::ComPtr<automation::IDispatch> TypedValue(std::int32_t index);
    void TypedRemove(automation::IDispatch* Element);
    void _TypedNewEnum(automation::Variant& ReturnVal);
    void _NewEnumNoCopy(automation::Variant& ReturnVal);
    automation::Variant UncorrelMultiVariateSample(std::int32_t numL2, std::int32_t num, std::int32_t rt);
    void MultiVariateSample(std::int32_t numL2, std::int32_t num, const automation::Variant& covMat, std::int32_t st,
                            std::int32_t rt, automation::Variant& varOut, automation::Variant& sumOut,
                            automation::Variant& covOut, automation::Variant& statsOut);

    // The stream record: the element count, then each element saved with its class identity.
    void SaveRecord(automation::IStream* stream);
    void LoadRecord(automation::IStream* stream);

    // The risks of its list, which the enumerators over the live list share.
    const void* Holder() override { return risks_.get(); }
    void ForEachHeld(const std::function<void(automation::IUnknown*)>& visit) override;

protected:
    void* QueryOther(const automation::IID& iid) override;

private:
    // Inserts in sequence-number order; false (and nothing inserted) when the number is taken.
    // A risk that holds the list (through its parameters) is refused.
    bool Insert(automation::ComPtr<automation::IDispatch> risk);
    std::size_t Position(std::int32_t index) const;
    // The independent samples of every element, column j = element j, each ascending.
    std::vector<double> ColumnSamples(std::int32_t numL2, std::int32_t num);

    // Shared with the enumerators over the live list.
    std::shared_ptr<RiskList> risks_ = std::make_shared<RiskList>();
};

}  // namespace corvane
