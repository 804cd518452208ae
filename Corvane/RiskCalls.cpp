#include "Corvane/RiskCalls.h"

#include "Corvane/identities.h"
#include "automation/bstr.h"
#include "automation/failure.h"

namespace corvane {

using namespace automation;

namespace {

constexpr DISPID kSequenceNumber = 1610743808, kName = 1610743809, kSample = 8;

Variant Call(IDispatch* risk, DISPID id, InvokeKind kind, Variant* args, std::size_t nargs) {
    if (!risk) throw StatusError(E_POINTER, "No risk");
    Variant result;
    ExcepInfo excep;
    const HRESULT hr = risk->Invoke(id, kind, args, nargs, kind == InvokeKind::Method && id == kSample ? nullptr : &result,
                                    &excep);
    if (Failed(hr)) throw StatusError(hr, excep.hasDescription ? Utf16ToUtf8(excep.description) : std::string());
    return result;
}

}  // namespace

ComPtr<IDispatch> AsRisk(IUnknown* object) { return Query<IDispatch>(object, IID_IRisk); }

std::int16_t RiskSequenceNumber(IDispatch* risk) {
    return ChangeType(Call(risk, kSequenceNumber, InvokeKind::PropertyGet, nullptr, 0), VT_I2).i2();
}

std::u16string RiskName(IDispatch* risk) { return ToText(Call(risk, kName, InvokeKind::PropertyGet, nullptr, 0)); }

bool RisksEqual(IDispatch* a, IDispatch* b) {
    return RiskSequenceNumber(a) == RiskSequenceNumber(b) && RiskName(a) == RiskName(b);
}

void RiskSample(IDispatch* risk, std::int32_t numL2, std::span<double> xs) {
    Variant args[] = {Variant(numL2), Variant(static_cast<std::int32_t>(xs.size())),
                      Variant::RefDoubles(xs.data(), static_cast<std::uint32_t>(xs.size()))};
    Call(risk, kSample, InvokeKind::Method, args, 3);
}

}  // namespace corvane
