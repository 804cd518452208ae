#include "Corvane/Risk.h"

#include <atomic>

#include "Corvane/AggCo.h"
#include "Corvane/EmpCo.h"
#include "Corvane/RiskCalls.h"
#include "Corvane/numerics/codes.h"
#include "automation/variant_stream.h"

namespace corvane {

using namespace automation;

const DispatchTable<CRisk> CRisk::table{IID_IRisk, "IRisk", {
    PropGet<&CRisk::get_SequenceNumber>(1610743808, "SequenceNumber", {Result("pVal")},
                                        "The risk's number in the process-wide sequence; portfolios order by it"),
    PropGet<&CRisk::get_name>(1610743809, "name", {Result("pVal")}, "The risk's name"),
    PropPut<&CRisk::put_name>(1610743809, "name", {In("value")}, "Renames the risk"),
    Method<&CRisk::IsLessThan>(1610743811, "IsLessThan", {In("Other"), Result("Result")},
                               "True when this risk's sequence number is smaller than Other's"),
    Method<&CRisk::IsEqual>(1610743812, "IsEqual", {In("OtherRecord"), Result("Result")},
                            "True when the sequence numbers and the names of the two risks are equal"),
    Method<&CRisk::CreateDist>(7, "CreateDist",
                               {In("name"), In("fq"), In("fqParams"), In("sv"), In("sevParams"), In("layer"),
                                In("attach"), In("share")},
                               "Describes the risk: its name, frequency, severity and layer"),
    Method<&CRisk::_Sample>(8, "_Sample", {In("numL2"), In("num"), Out("xs")},
                            "num quantiles of the risk's aggregate loss on 2^numL2 buckets, ascending, into xs"),
}};

std::int16_t NextSequenceNumber() {
    static std::atomic<std::int16_t> counter{0};
    std::int16_t current = counter.load();
    std::int16_t next;
    do {
        next = current == INT16_MAX ? std::int16_t{1} : static_cast<std::int16_t>(current + 1);
    } while (!counter.compare_exchange_weak(current, next));
    return next;
}

CRisk::CRisk() { f_.sequenceNumber = NextSequenceNumber(); }

std::int16_t CRisk::get_SequenceNumber() { return f_.sequenceNumber; }

std::u16string CRisk::get_name() { return f_.name; }

void CRisk::put_name(const std::u16string& value) {
    f_.name = value;
    SetDirty();
}

bool CRisk::IsLessThan(IDispatch* Other) {
    if (!Other) throw StatusError(E_POINTER, "No risk to compare with");
    return f_.sequenceNumber < RiskSequenceNumber(Other);
}

bool CRisk::IsEqual(IDispatch* OtherRecord) {
    if (!OtherRecord) throw StatusError(E_POINTER, "No risk to compare with");
    return f_.sequenceNumber == RiskSequenceNumber(OtherRecord) && f_.name == RiskName(OtherRecord);
}

void* CRisk::QueryOther(const IID& iid) {
    if (iid == IID_IReferenceHolder) return static_cast<IReferenceHolder*>(this);
    return QueryPersist(iid);
}

void CRisk::ForEachHeld(const std::function<void(IUnknown*)>& visit) {
    ForEachObject(f_.fqParams, visit);
    ForEachObject(f_.sevParams, visit);
}

// Parameters may hold objects, saved with the risk's record, but none that holds this risk: the
// risk and they would keep each other alive.
void CRisk::CreateDist(const std::u16string& name, std::int32_t fq, const Variant& fqParams, std::int32_t sv,
                       const Variant& sevParams, double layer, double attach, double share) {
    if (Reaches(fqParams, this) || Reaches(sevParams, this))
        throw StatusError(E_INVALIDARG, "The parameters hold the risk itself, directly or through other objects");
    f_.name = name;
    f_.fq = fq;
    f_.fqParams = fqParams.Deref();
    f_.sv = sv;
    f_.sevParams = sevParams.Deref();
    f_.layer = layer;
    f_.attach = attach;
    f_.share = share;
    SetDirty();
}

// The quantiles of the risk's aggregate distribution, built by an AggCo of the risk's own.
void CRisk::_Sample(std::int32_t numL2, std::int32_t num, RawDoubles xs) {
    ComPtr<IDispatch> agg = MakeObject<CAggCo>();
    Variant unit(0.0), moms, aggSample, sevSample = Variant::Missing();
    static_cast<CAggCo*>(agg.get())
        ->CreateDist(f_.fq, f_.fqParams, f_.sv, f_.sevParams, f_.layer, f_.attach, f_.share, numL2, unit, moms, rtEDCo,
                     aggSample, sevSample);
    CEmpCo* emp = aggSample.vt() == VT_DISPATCH ? CEmpCo::From(aggSample.dispatch()) : nullptr;
    if (!emp) throw StatusError(E_UNEXPECTED, "The aggregate builder returned no distribution");
    emp->_Sample(num, xs);
}

void CRisk::SaveRecord(IStream* stream) {
    StreamWriter out(stream);
    out.Value(f_.sequenceNumber);
    out.Value(f_.layer);
    out.Value(f_.attach);
    out.Value(f_.share);
    out.Value(f_.fq);
    out.Value(f_.sv);
    WriteCountedText(stream, f_.name);
    WriteVariantForm(stream, f_.fqParams);
    WriteVariantForm(stream, f_.sevParams);
}

void CRisk::LoadRecord(IStream* stream) {
    StreamReader in(stream);
    Fields f;
    f.sequenceNumber = in.Value<std::int16_t>();
    f.layer = in.Value<double>();
    f.attach = in.Value<double>();
    f.share = in.Value<double>();
    f.fq = in.Value<std::int32_t>();
    f.sv = in.Value<std::int32_t>();
    f.name = ReadCountedText(stream);
    f.fqParams = ReadVariantForm(stream);
    f.sevParams = ReadVariantForm(stream);
    f_ = std::move(f);
}

}  // namespace corvane
