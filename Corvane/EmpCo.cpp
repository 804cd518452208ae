#include "Corvane/EmpCo.h"

#include <algorithm>
#include <bit>

#include "Corvane/numerics/codes.h"
#include "automation/conversion.h"

namespace corvane {

using namespace automation;

namespace {

// Answered only by EmpCo objects of this module: the implementation behind a reference.
constexpr IID IID_CEmpCoImpl = MakeGuid("{3C1F6A52-8E0B-4D7A-9F21-6B7E2D4C9A10}");

// The number of times n can be halved while it is above 1.
std::int32_t FloorLog2(std::size_t n) { return n == 0 ? 0 : static_cast<std::int32_t>(std::bit_width(n) - 1); }

std::span<double> CallerArray(std::int32_t num, RawDoubles xs) {
    if (num < 0 || static_cast<std::size_t>(num) > xs.extent)
        throw std::invalid_argument("The array holds fewer values than asked for");
    return {xs.data, static_cast<std::size_t>(num)};
}

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

Variant CEmpCo::Density(std::int32_t numL2, std::int32_t rt) {
    if (numL2 >= 0 && numL2 < 63 && (std::size_t{1} << numL2) == grid_.num()) return DoubleToVariant(rt, grid_.values());
    return DoubleToVariant(rt, grid_.Coarsen(numL2).ReleaseValues());
}

Variant CEmpCo::Sample(std::int32_t nSize, std::int32_t rt) {
    if (nSize < 0) throw std::invalid_argument("The sample size must not be negative");
    return DoubleToVariant(rt, grid_.Quantiles(static_cast<std::size_t>(nSize)));
}

void CEmpCo::SaveAs(const std::u16string& fileName) { fileName_ = fileName; }

std::int32_t CEmpCo::get_numL2() { return FloorLog2(grid_.num()); }

std::int32_t CEmpCo::get_num() { return static_cast<std::int32_t>(grid_.num()); }

double CEmpCo::get_unit() { return grid_.unit(); }

std::u16string CEmpCo::get_Description() { return description_; }

void CEmpCo::put_Description(const std::u16string& value) { description_ = value; }

std::int32_t CEmpCo::get_SpaceTime() { return stSpace; }

std::u16string CEmpCo::get_fileName() { return fileName_; }

// Only the grid itself or a coarsening of it by a power of two can fill `num` values.
void CEmpCo::_Density(std::int32_t num, RawDoubles xs) { FillDensity(CallerArray(num, xs)); }

void CEmpCo::FillDensity(std::span<double> out) const {
    const std::size_t n = grid_.num();
    if (out.size() == n) {
        std::copy(grid_.values().begin(), grid_.values().end(), out.begin());
        return;
    }
    if (out.size() > n) throw std::runtime_error("Cannot interpolate...");
    if (!std::has_single_bit(out.size()) || out.size() > n / 2)
        throw std::invalid_argument("The size must be the grid's or a power of two at most half of it");
    CEmpDist coarse = grid_.Coarsen(FloorLog2(out.size()));
    std::copy(coarse.values().begin(), coarse.values().end(), out.begin());
}

void CEmpCo::_Sample(std::int32_t num, RawDoubles xs) { grid_.Quantiles(CallerArray(num, xs)); }

}  // namespace corvane
