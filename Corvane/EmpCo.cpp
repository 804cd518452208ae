#include "Corvane/EmpCo.h"

#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/grid/empco_file.h"
#include "Corvane/numerics/grid/empco_methods.h"
#include "Corvane/numerics/grid/risk_measures.h"
#include "automation/conversion.h"

namespace corvane {

using namespace automation;

namespace {

// Answered only by EmpCo objects of this module: the implementation behind a reference.
constexpr IID IID_CEmpCoImpl = MakeGuid("{3C1F6A52-8E0B-4D7A-9F21-6B7E2D4C9A10}");

std::span<double> CallerArray(RawDoubles xs) { return {xs.data, xs.extent}; }

// f of a number as a number; f of each element of an array as an array of the script shape.
template <class F>
Variant EachValue(const Variant& v, F f) {
    const Variant& d = v.Deref();
    if (!d.IsArray()) return Variant(f(ToDouble(d)));
    std::vector<double> values = VariantToDouble(d);
    for (double& x : values) x = f(x);
    return DoubleToVariant(rtScript, std::move(values));
}

}  // namespace

const DispatchTable<CEmpCo> CEmpCo::table{IID_IEmpCo, "IEmpCo", {
    Method<&CEmpCo::ApplyReins>(1, "ApplyReins", {In("layer"), In("attach"), In("share"), In("ncg"), Result("ppEC")},
                                "A new EmpCo of the net, ceded or gross loss of a layer"),
    Method<&CEmpCo::Density>(2, "Density", {In("numL2"), In("rt"), Result("vOut")},
                             "The density on 2^numL2 buckets (coarsened when fewer than the grid's)"),
    Method<&CEmpCo::Sample>(3, "Sample", {In("nSize"), In("rt"), Result("vOut")},
                            "nSize evenly spread quantiles of the distribution, in increasing order"),
    Method<&CEmpCo::SaveAs>(5, "SaveAs", {In("fileName")},
                            "Writes the distribution and its description to a file that OpenEmpCo reads back"),
    PropGet<&CEmpCo::get_numL2>(9, "numL2", {Result("pVal")}, "floor(log2 num)"),
    PropGet<&CEmpCo::get_num>(10, "num", {Result("pVal")}, "Number of buckets"),
    PropGet<&CEmpCo::get_unit>(11, "unit", {Result("pVal")}, "Bucket width"),
    PropGet<&CEmpCo::get_Description>(12, "Description", {Result("pVal")}, "The object's description text"),
    PropPut<&CEmpCo::put_Description>(12, "Description", {In("value")}, "Replaces the object's description text"),
    PropGet<&CEmpCo::get_SpaceTime>(13, "SpaceTime", {Result("pVal")}, "The domain of the data: always stSpace"),
    PropGet<&CEmpCo::get_fileName>(14, "fileName", {Result("pVal")},
                                    "The file last written by SaveAs or read by OpenEmpCo (empty before)"),
    Method<&CEmpCo::_Density>(15, "_Density", {In("num"), Out("xs")},
                              "Fills the caller's float64 array xs with the density on num buckets"),
    Method<&CEmpCo::_Sample>(16, "_Sample", {In("num"), Out("xs")},
                             "Fills the caller's float64 array xs with num quantiles of the distribution"),
    Method<&CEmpCo::CDF>(1000, "CDF", {In("x"), Result("F")},
                         "Distribution function F(x) = Pr(S <= x), S on the amounts k unit with the density read as "
                         "a distribution; x a number or an array"),
    Method<&CEmpCo::Quantile>(1001, "Quantile", {In("p"), Result("VaR")},
                              "Lower quantile (value at risk) min{k unit : F(k unit) >= p}, 0 <= p <= 1; p a number "
                              "or an array"),
    Method<&CEmpCo::TVaR>(1002, "TVaR", {In("p"), Result("TVaR")},
                          "Tail value at risk (1/(1 - p)) times the integral of the quantile from p to 1, "
                          "0 <= p < 1; p a number or an array"),
    Method<&CEmpCo::LEV>(1003, "LEV", {In("x"), Result("LEV")},
                         "Limited expected value E[min(S, x)]; x a number or an array"),
    Method<&CEmpCo::ExcessMean>(1004, "ExcessMean", {In("x"), Result("excess")},
                                "Expected excess E[(S - x)+] over x; x a number or an array"),
    Method<&CEmpCo::Stats>(1005, "Stats", {In("rt"), Result("stats")},
                           "Mean, standard deviation, coefficient of variation and skewness of S"),
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

void CEmpCo::SaveAs(const std::u16string& fileName) {
    WriteEmpDistFile(Utf16ToUtf8(fileName), grid_, description_);
    fileName_ = fileName;
}

ComPtr<IDispatch> CEmpCo::Open(const std::u16string& fileName) {
    EmpDistFile file = ReadEmpDistFile(Utf16ToUtf8(fileName));
    return MakeObject<CEmpCo>(std::move(file.grid), std::move(file.description), fileName);
}

Variant CEmpCo::CDF(const Variant& x) { return EachValue(x, [this](double v) { return GridCDF(grid_, v); }); }

Variant CEmpCo::Quantile(const Variant& p) {
    return EachValue(p, [this](double v) { return GridQuantile(grid_, v); });
}

Variant CEmpCo::TVaR(const Variant& p) { return EachValue(p, [this](double v) { return GridTVaR(grid_, v); }); }

Variant CEmpCo::LEV(const Variant& x) { return EachValue(x, [this](double v) { return GridLEV(grid_, v); }); }

Variant CEmpCo::ExcessMean(const Variant& x) {
    return EachValue(x, [this](double v) { return GridExcessMean(grid_, v); });
}

Variant CEmpCo::Stats(std::int32_t rt) {
    const auto s = GridStats(grid_);
    return DoubleToVariant(rt, std::span<const double>(s));
}

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
