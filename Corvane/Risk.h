// Risk: one line of business, described by the aggregate builder's arguments; draws samples of
// its aggregate loss and saves itself to streams.
#pragma once

#include <string>

#include "Corvane/identities.h"
#include "automation/object.h"
#include "automation/persist_impl.h"
#include "automation/reference_holder.h"

namespace corvane {

class CRisk : public automation::Dispatchable<CRisk>,
              public automation::PersistStreamImpl<CRisk>,
              public automation::IReferenceHolder {
public:
    static constexpr automation::ClassIdentity identity{CLSID_Risk, "Corvane.Risk.1", false};
    static const automation::DispatchTable<CRisk> table;

    CRisk();
    AUTOMATION_PERSIST_UNKNOWN(CRisk)

    std::int16_t get_SequenceNumber();
    std::u16string get_name();
    void put_name(const std::u16string& value);
    bool IsLessThan(automation::IDispatch* Other);
    bool IsEqual(automation::IDispatch* OtherRecord);
    void CreateDist(const std::u16string& name, std::int32_t fq, const automation::Variant& fqParams, std::int32_t sv,
                    const automation::Variant& sevParams, double layer, double attach, double share);
    void _Sample(std::int32_t numL2, std::int32_t num, automation::RawDoubles xs);

    // The stream record.
    void SaveRecord(automation::IStream* stream);
    void LoadRecord(automation::IStream* stream);

    // The objects its parameters hold.
    const void* Holder() override { return this; }
    void ForEachHeld(const std::function<void(automation::IUnknown*)>& visit) override;

protected:
    void* QueryOther(const automation::IID& iid) override;

private:
    struct Fields {
        std::int16_t sequenceNumber = 0;
        std::u16string name;
        std::int32_t fq = 0;  // unset until CreateDist
        automation::Variant fqParams;
        std::int32_t sv = 0;
        automation::Variant sevParams;
        double layer = 0.0;
        double attach = 0.0;
        double share = 1.0;
    };
    Fields f_;
};

// The next number of the process-wide sequence: 1, 2, ..., 32767, then 1 again.
std::int16_t NextSequenceNumber();

}  // namespace corvane
