#include "Corvane/EmpCo.h"

#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/grid/empco_methods.h"
#include "automation/conversion.h"

namespace corvane {

using namespace automation;

namespace {

// Answered only by EmpCo objects of this module: the implementation behind a reference.
constexpr IID IID_CEmpCoImpl = MakeGuid("{3C1F6A52-8E0B-4D7A-9F21-6B7E2D4C9A10}");

std::span<double> CallerArray(RawDoubles xs) { return {xs.data, xs.extent}; }

}  // namespace

const DispatchTable<CEmpCo> CEmpCo::table{IID_IEmpCo, "IEmpCo", {
    Method<&CEmpCo::ApplyReins>(1, "ApplyReins", {In("layer"), In("attach"), In("share"), In("ncg"), Result("ppEC")}),
    Method<&CEmpCo::Density>(2, "Density", {In("numL2"), In("rt"), Result("vOut")}),
    Method<&CEmpCo::Sample>(3, "Sample", {In("nSize"), In("rt"), Result("vOut")}),
    Method<&CEmpCo::SaveAs>(5, "SaveAs", {In("fileName")}),
    PropGet<&CEmpCo::get_numL2>(9, "numL2", {Result("pVal")}),
    PropGet<&CEmpCo::get_num>(10, "num", {Result("pVal")}),
    PropGet<&CEmpCo::get_unit>(11, "unit", {Result("pVal")}),
    PropGet<&CEmpCo::get_Description>(12, "Description", {Result("pVal")}),
    PropPut<&CEmpCo::put_Description>(12, "Description", {In("value")}),
    PropGet<&CEmpCo::get_SpaceTime>(13, "SpaceTime", {Result("pVal")}),
    PropGet<&CEmpCo::get_fileName>(14, "fileName", {Result("pVal")}),
    Method<&CEmpCo::_Density>(15, "_Density", {In("num"), Out("xs")}),
    Method<&CEmpCo::_Sample>(16, "_Sample", {In("num"), Out("xs")}),
}};

ComPtr<IDispatch> CEmpCo::Make(CEmpDist grid) { return MakeObject<CEmpCo>(std::move(grid)); }

// The private interface hands out the object's dispatch interface, which only a CEmpCo answers it with.
CEmpCo* CEmpCo::From(IDispatch* object) {
    auto impl = Query<IDispatch>(object, IID_CEmpCoImpl);
    return impl ? static_cast<CEmpCo*>(impl.get()) : nullptr;
}

void* CEmpCo::QueryOther(const IID& iid) { return iid == IID_CEmpCoImpl ? static_cast<IDispatch*>(this) : nullptr; }

ComPtr<IDispatch> CEmpCo::ApplyReins(double layer, double attach, double share, std::int32_t ncg) {
    return Make(grid_.ApplyLayer(layer, attach, share, ncg));
}

Variant CEmpCo::Density(std::int32_t numL2, std::int32_t rt) { return DoubleToVariant(rt, corvane::Density(grid_, numL2)); }

Variant CEmpCo::Sample(std::int32_t nSize, std::int32_t rt) { return DoubleToVariant(rt, corvane::Sample(grid_, nSize)); }

void CEmpCo::SaveAs(const std::u16string& fileName) { fileName_ = fileName; }

std::int32_t CEmpCo::get_numL2() { return GridNumL2(grid_); }

std::int32_t CEmpCo::get_num() { return static_cast<std::int32_t>(grid_.num()); }

double CEmpCo::get_unit() { return grid_.unit(); }

std::u16string CEmpCo::get_Description() { return description_; }

void CEmpCo::put_Description(const std::u16string& value) { description_ = value; }

std::int32_t CEmpCo::get_SpaceTime() { return stSpace; }

std::u16string CEmpCo::get_fileName() { return fileName_; }

void CEmpCo::_Density(std::int32_t num, RawDoubles xs) { DensityInto(grid_, num, CallerArray(xs)); }

void CEmpCo::FillDensity(std::span<double> out) const {
    DensityInto(grid_, static_cast<std::int32_t>(out.size()), out);
}

void CEmpCo::_Sample(std::int32_t num, RawDoubles xs) { SampleInto(grid_, num, CallerArray(xs)); }

}  // namespace corvane
