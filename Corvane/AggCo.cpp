#include "Corvane/AggCo.h"

#include <filesystem>

#include "Corvane/BivEmpCo.h"
#include "Corvane/EmpCo.h"
#include "Corvane/FTUCo.h"
#include "Corvane/ParamFile.h"
#include "Corvane/numerics/aggregate/aggregate_builder.h"
#include "Corvane/numerics/bivariate/biv_build.h"
#include "Corvane/numerics/bivariate/biv_claim_devel.h"
#include "Corvane/numerics/bivariate/biv_moments.h"
#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/grid/dist_compare.h"
#include "Corvane/numerics/grid/empco_create.h"
#include "Corvane/numerics/frequency/freq_contagion.h"
#include "Corvane/numerics/frequency/freq_factory.h"
#include "Corvane/numerics/frequency/freq_pgf.h"
#include "Corvane/numerics/grid/grid_checks.h"
#include "Corvane/numerics/grid/grid_noise.h"
#include "Corvane/numerics/grid/grid_smooth.h"
#include "Corvane/numerics/grid/grid_transforms.h"
#include "Corvane/numerics/moments/moment_methods.h"
#include "Corvane/numerics/severity/sev_methods.h"
#include "Corvane/numerics/require.h"
#include "automation/conversion.h"
#include "automation/errorinfo.h"
#include "automation/registry.h"
#include "automation/trace.h"

namespace corvane {

using namespace automation;

const DispatchTable<CAggCo> CAggCo::table{IID_IAggCo, "IAggCo", {
    Method<&CAggCo::FreqMoms>(1, "FreqMoms", {In("fqDist"), In("params"), In("rt"), Result("varOut")},
                              "Raw moments E[N], E[N^2], E[N^3] of a claim-count distribution"),
    Method<&CAggCo::SevMoms>(2, "SevMoms",
                             {In("sevDist"), In("params"), In("layer"), In("attach"), In("share"), In("rt"),
                              Result("varOut")}, "Raw moments of the layer loss of a claim-size distribution"),
    Method<&CAggCo::AggMoms>(3, "AggMoms", {In("FreqMoms"), In("SevMoms"), In("rt"), Result("AggMoms")},
                             "Raw moments of the aggregate loss from the claim-count and claim-size moments"),
    Method<&CAggCo::SumMoms>(4, "SumMoms", {In("mom1"), In("mom2"), In("rt"), Result("varOut")},
                             "Raw moments of the sum of two independent losses"),
    Method<&CAggCo::SumMoms1>(5, "SumMoms1", {InOut("mom1"), In("mom2"), In("rt")}, "SumMoms written back into mom1"),
    Method<&CAggCo::EstimateUnit>(6, "EstimateUnit",
                                  {In("AggMoms"), In("numL2"), In("safety"), In("layerConstraint"), Result("dblOut")},
                                  "A bucket width for 2^numL2 buckets from aggregate moments (safety has no effect)"),
    Method<&CAggCo::EstimateUnitVar>(56, "EstimateUnitVar",
                                     {In("AggMoms"), In("numL2"), In("safety"), In("layerConstraint"),
                                      Result("dblOut")}, "EstimateUnit returned as a variant"),
    Method<&CAggCo::F>(59, "F", {In("sd"), In("params"), In("x"), Result("varOut")},
                       "Cumulative probability of a claim-size distribution at x"),
    Method<&CAggCo::Smooth>(63, "Smooth",
                            {In("varIn"), In("smthType"), In("rt"), Optional("forward"), Optional("order"),
                             Result("varOut")},
                            "Savitzky-Golay smoothing of a density; forward and order apply to smCustom"),
    PropGet<&CAggCo::get_DefaultParamFile>(57, "DefaultParamFile", {Result("pVal")},
                                           "Path of the default parameter file, as the registry holds it"),
    PropPut<&CAggCo::put_DefaultParamFile>(57, "DefaultParamFile", {In("value")},
                                           "Sets the default parameter file of later AggCo objects; it must open"),
    Method<&CAggCo::QuickStats>(58, "QuickStats", {In("num"), In("unit"), In("dist"), Result("varOut")},
                                "Mean, cv, skewness and translated-lognormal mu, sigma, T of a density (script shape)"),
    Method<&CAggCo::TLNFit>(7, "TLNFit", {In("mean"), In("cv"), In("skew"), Out("mu"), Out("sigma"), Out("T")},
                            "Translated-lognormal parameters matching a mean, coefficient of variation and skewness"),
    Method<&CAggCo::TLNFitMoms>(8, "TLNFitMoms", {In("AggMoms"), Out("mu"), Out("sigma"), Out("T")},
                                "Translated-lognormal parameters matching three raw moments"),
    Method<&CAggCo::VMtoCont>(12, "VMtoCont", {In("fq"), In("mean"), In("vm"), Out("cont")},
                              "Contagion of a claim-count distribution given by mean and variance multiplier"),
    Method<&CAggCo::CtgToVM>(13, "CtgToVM", {In("fq"), In("mean"), In("ctg"), Out("vm")},
                             "Variance multiplier of a claim-count distribution given by mean and contagion"),
    Method<&CAggCo::FFT>(14, "FFT", {In("vIn"), In("rt"), Result("vOut")}, "Real FFT of a grid, in halfcomplex order"),
    Method<&CAggCo::IFFT>(15, "IFFT", {In("vIn"), In("rt"), Result("vOut")},
                          "Grid of a halfcomplex transform vector, with values below 1e-16 cleared"),
    Method<&CAggCo::SumConvDist>(16, "SumConvDist", {In("v1"), In("v2"), In("rt"), Result("vOut")},
                                 "Density of the sum of two independent losses on one grid"),
    Method<&CAggCo::SumConvDist1>(17, "SumConvDist1", {InOut("v1"), In("v2"), In("rt")},
                                  "SumConvDist written back into v1"),
    Method<&CAggCo::ComplexProduct>(18, "ComplexProduct", {In("v1"), In("v2"), In("rt"), Result("vOut")},
                                    "Elementwise product of two halfcomplex transform vectors"),
    Method<&CAggCo::ApplyChF>(19, "ApplyChF",
                              {In("fq"), In("fqParam"), In("complexVector"), In("rt"), Result("complexVOut")},
                              "A halfcomplex transform vector with a claim-count generating function applied"),
    Method<&CAggCo::CreateDist>(22, "CreateDist",
                                {In("fq"), In("fqParams"), In("sv"), In("sevParams"), In("layer"), In("attach"),
                                 In("share"), In("numL2"), InOut("unit"), Out("momsOut"), In("rt"), Out("aggSample"),
                                 Out("sevSample")},
                                "Aggregate loss of a claim count and a claim size in a layer; unit 0 is estimated"),
    Method<&CAggCo::CreateBivDistEmp1D>(23, "CreateBivDistEmp1D",
                                        {In("fq"), In("fqParams"), In("MargX"), In("MargY"), In("dep"),
                                         In("reinsLASTau"), In("numXL2"), In("numYL2"), In("unitX"), In("unitY"),
                                         Out("momsOut"), Out("ppBEC")},
                                        "A BivEmpCo from two marginals, a dependency structure and a claim count"),
    Method<&CAggCo::CreateBivDistEmp2D>(24, "CreateBivDistEmp2D",
                                        {In("fq"), In("fqParams"), In("empBivDist"), In("numXL2"), In("numYL2"),
                                         In("unitX"), In("unitY"), Out("momsOut"), In("rt"), Out("aggSample"),
                                         Out("diagSample")},
                                        "A joint one-claim density on nx x ny buckets compounded with a claim count"),
    Method<&CAggCo::CreateEmpCoFromDensity>(25, "CreateEmpCoFromDensity",
                                            {In("vIn"), In("numIn"), In("unit"), Result("ppEC")},
                                            "An EmpCo holding numIn density values of bucket width unit"),
    Method<&CAggCo::CreateEmpCoFromSample>(26, "CreateEmpCoFromSample",
                                           {In("vIn"), In("numL2"), In("unit"), Result("ppEC")},
                                           "An EmpCo holding the empirical density of a sample on 2^numL2 buckets"),
    Method<&CAggCo::OpenEmpCo>(27, "OpenEmpCo", {In("fileName"), Result("ppEC")},
                               "An EmpCo read from a file written by EmpCo.SaveAs"),
    Method<&CAggCo::CreateEmpCoFromRMS>(28, "CreateEmpCoFromRMS",
                                        {In("xsIn"), In("pxsIn"), In("numL2"), In("unit"), Result("ppEC")},
                                        "An EmpCo of point masses: amounts xsIn with probabilities pxsIn"),
    Method<&CAggCo::ParamFile>(29, "ParamFile", {Result("ppPF")},
                               "A ParamFile object opened on the default parameter file"),
    Method<&CAggCo::CreateBivDistEmp1DVar>(31, "CreateBivDistEmp1DVar",
                                           {In("fq"), In("fqParams"), In("MargX"), In("MargY"), In("dep"),
                                            In("reinsLASTau"), In("numXL2"), In("numYL2"), In("unitX"), In("unitY"),
                                            Out("momsOut"), Out("varOut")},
                                           "CreateBivDistEmp1D with the BivEmpCo returned in a variant"),
    Method<&CAggCo::CreateBivDistFromFile>(32, "CreateBivDistFromFile", {In("fileName"), Result("varOut")},
                                           "A BivEmpCo read from a bivariate file saved by SaveAs"),
    Method<&CAggCo::CreateSevDist>(33, "CreateSevDist",
                                   {In("sv"), In("svParam"), In("layer"), In("attach"), In("share"), In("num"),
                                    In("unit"), In("rt"), Out("varOut")},
                                   "Claim-size density in a layer discretised on num buckets, or an EmpCo for rtEDCo"),
    Method<&CAggCo::TLNFitVar>(34, "TLNFitVar", {In("AggMoms"), In("rt"), Result("varOut")},
                               "Translated-lognormal parameters [mu, sigma, T] matching three raw moments"),
    Method<&CAggCo::AddNoise>(35, "AddNoise", {In("v1"), In("unit"), In("sdNoise"), In("rt"), Result("varOut")},
                              "A density convolved with normal noise of standard deviation sdNoise"),
    Method<&CAggCo::DistCompare>(37, "DistCompare",
                                 {In("emp"), In("numL2"), In("unit"), In("thy"), In("rt"), Out("den_fe"), Out("Fe"),
                                  Out("Ft"), Out("Se"), Out("st"), Out("XSe"), Out("XSt"), Out("QQe"), Out("QQt")},
                                 "A sample beside a theoretical density: densities, CDFs, survival, excess and QQ"),
    Method<&CAggCo::CreateBivDistClaimDevel>(
        60, "CreateBivDistClaimDevel",
        {In("fq"), In("fqParam"), In("numL2"), In("p00"), In("p01"), In("p10"), In("p11"), Result("varOut")},
        "Bivariate object of a claim count of 0/1 indicator pairs on a 2^numL2 x 2^numL2 grid"),
    Method<&CAggCo::CreateFTU>(61, "CreateFTU", {In("num_l2"), Result("ppFTU")},
                               "New two-dimensional transform engine with a 2^num_l2 x 2^num_l2 grid"),
    Method<&CAggCo::CreateFTUVar>(62, "CreateFTUVar", {In("num_l2"), Result("varOut")},
                                  "New two-dimensional transform engine, as a variant"),
    PropGet<&CAggCo::get_Padding>(1000, "Padding", {Result("pVal")},
                                  "Aggregates are computed on a grid 2^Padding times longer and their first 2^numL2 "
                                  "buckets returned, the last holding the mass beyond, so nothing wraps onto small "
                                  "losses; 0 (the default) computes on the returned grid"),
    PropPut<&CAggCo::put_Padding>(1000, "Padding", {In("value")},
                                  "Sets Padding: 0 .. 30, with numL2 + Padding at most 30 in each call"),
}};

std::u16string ReadDefaultParamFile() {
    std::optional<std::string> path;
    try {
        path = Registry::Load(Registry::DefaultPath()).GetValue(kParamFileKey);
    } catch (const StatusError&) {
    }
    if (!path) {
        Trace("Error querying reg string");
        throw StatusError(E_INVALIDARG, "Error querying reg string");
    }
    return Utf8ToUtf16(*path);
}

void CAggCo::FinalConstruct() { paramFile_.open(Utf16ToUtf8(ReadDefaultParamFile())); }

Variant CAggCo::FreqMoms(std::int32_t fqDist, const Variant& params, std::int32_t rt) {
    auto family = freqdist::CreateFreqDist(fqDist, VariantToDouble(params));
    auto m = family->Moments();
    return DoubleToVariant(rt, std::span<const double>(m));
}

Variant CAggCo::ApplyChF(std::int32_t fq, const Variant& fqParam, const Variant& complexVector, std::int32_t rt) {
    std::vector<double> x = VariantToDouble(complexVector);
    auto family = freqdist::CreateFreqDist(fq, VariantToDouble(fqParam));
    freqdist::ApplyPGF(*family, x);
    return DoubleToVariant(rt, std::move(x));
}

void CAggCo::VMtoCont(std::int32_t fq, double mean, double vm, double& cont) {
    cont = freqdist::VMtoCont(fq, mean, vm);
}

void CAggCo::CtgToVM(std::int32_t fq, double mean, double ctg, double& vm) { vm = freqdist::CtgToVM(fq, mean, ctg); }

std::u16string CAggCo::get_DefaultParamFile() { return ReadDefaultParamFile(); }

// The registry is changed only for a file that opens as a parameter file, so that a bad path never
// breaks the creation of AggCo objects; the path is kept absolute, as every process reads it.
void CAggCo::put_DefaultParamFile(const std::u16string& value) {
    std::filesystem::path path = Utf16ToUtf8(value);
    try {
        CParamFileEng::check(path);
        path = std::filesystem::absolute(path);
        EditRegistry(Registry::DefaultPath(), [&](Registry& r) {
            if (!r.KeyExists(kParamFileKey)) throw StatusError(E_INVALIDARG, "Cannot open the registry key");
            r.SetValue(kParamFileKey, "", path.string());
        });
    } catch (const StatusError& e) {
        throw StatusError(E_INVALIDARG, e.description());
    } catch (const std::exception& e) {
        throw StatusError(E_INVALIDARG, e.what());
    }
}

ComPtr<IDispatch> CAggCo::ParamFile() {
    std::u16string path = ReadDefaultParamFile();
    auto pf = std::make_unique<CParamFile>();
    pf->Open(path);
    return pf.release()->DispatchPtr();
}

Variant CAggCo::FFT(const Variant& vIn, std::int32_t rt) {
    std::vector<double> storage;
    return DoubleToVariant(rt, corvane::FFT(VariantToDoubleView(vIn, storage)));
}

Variant CAggCo::IFFT(const Variant& vIn, std::int32_t rt) {
    std::vector<double> storage;
    return DoubleToVariant(rt, corvane::IFFT(VariantToDoubleView(vIn, storage)));
}

Variant CAggCo::SumConvDist(const Variant& v1, const Variant& v2, std::int32_t rt) {
    std::vector<double> s1, s2;
    return DoubleToVariant(rt, corvane::SumConvDist(VariantToDoubleView(v1, s1), VariantToDoubleView(v2, s2)));
}

void CAggCo::SumConvDist1(Variant& v1, const Variant& v2, std::int32_t rt) { v1 = SumConvDist(v1, v2, rt); }

Variant CAggCo::ComplexProduct(const Variant& v1, const Variant& v2, std::int32_t rt) {
    return DoubleToVariant(rt, corvane::ComplexProduct(VariantToDouble(v1), VariantToDouble(v2)));
}

Variant CAggCo::AddNoise(const Variant& v1, double unit, double sdNoise, std::int32_t rt) {
    return DoubleToVariant(rt, corvane::AddNoise(VariantToDouble(v1), unit, sdNoise));
}

// Only a custom strength reads the window and order; without smoothing the result stays empty.
Variant CAggCo::Smooth(const Variant& varIn, std::int32_t smthType, std::int32_t rt, const Variant& forward,
                       const Variant& order) {
    std::int32_t f = 0, o = 0;
    if (smthType == smCustom) {
        f = ToInt32(forward);
        o = ToInt32(order);
    }
    auto smoothed = corvane::Smooth(VariantToDouble(varIn), smthType, f, o);
    return smoothed ? DoubleToVariant(rt, std::move(*smoothed)) : Variant();
}

void CAggCo::DistCompare(const Variant& emp, std::int32_t numL2, double unit, const Variant& thy, std::int32_t rt,
                         Variant& den_fe, Variant& Fe, Variant& Ft, Variant& Se, Variant& st, Variant& XSe,
                         Variant& XSt, Variant& QQe, Variant& QQt) {
    DistComparison c = corvane::DistCompare(VariantToDouble(emp), numL2, unit, VariantToDouble(thy));
    den_fe = DoubleToVariant(rt, std::move(c.den_fe));
    Fe = DoubleToVariant(rt, std::move(c.Fe));
    Ft = DoubleToVariant(rt, std::move(c.Ft));
    Se = DoubleToVariant(rt, std::move(c.Se));
    st = DoubleToVariant(rt, std::move(c.St));
    XSe = DoubleToVariant(rt, std::move(c.XSe));
    XSt = DoubleToVariant(rt, std::move(c.XSt));
    QQe = DoubleToVariant(rt, std::move(c.QQe));
    QQt = DoubleToVariant(rt, std::move(c.QQt));
}

ComPtr<IDispatch> CAggCo::CreateEmpCoFromDensity(const Variant& vIn, std::int32_t numIn, double unit) {
    return CEmpCo::Make(EmpDistFromDensity(VariantToDouble(vIn), numIn, unit));
}

ComPtr<IDispatch> CAggCo::CreateEmpCoFromSample(const Variant& vIn, std::int32_t numL2, double unit) {
    return CEmpCo::Make(EmpDistFromSample(VariantToDouble(vIn), numL2, unit));
}

ComPtr<IDispatch> CAggCo::CreateEmpCoFromRMS(const Variant& xsIn, const Variant& pxsIn, std::int32_t numL2,
                                             double unit) {
    return CEmpCo::Make(EmpDistFromRMS(VariantToDouble(xsIn), VariantToDouble(pxsIn), numL2, unit));
}

ComPtr<IDispatch> CAggCo::OpenEmpCo(const std::u16string& fileName) { return CEmpCo::Open(fileName); }

namespace {

// A severity's values: for a built-in curve, its entry index converted as an integer (a text that
// is no number, or an array, is "Input variant of the wrong type"); otherwise the numbers.
std::vector<double> SeverityValues(std::int32_t sv, const Variant& values) {
    if (sv != svBI) return VariantToDouble(values);
    try {
        return {static_cast<double>(ToInt32(values))};
    } catch (const StatusError&) {
        throw std::runtime_error("Input variant of the wrong type");
    }
}

}  // namespace

Variant CAggCo::F(std::int32_t sd, const Variant& params, double x) {
    return Variant(SeverityF(sd, VariantToDouble(params), x, Curves()));
}

void CAggCo::CreateSevDist(std::int32_t sv, const Variant& svParam, double layer, double attach, double share,
                           std::int32_t num, double unit, std::int32_t rt, Variant& varOut) {
    std::vector<double> density = corvane::CreateSevDist(sv, SeverityValues(sv, svParam), layer, attach, share, num,
                                                         unit, Curves(), Mixtures());
    varOut = rt == rtEDCo ? Variant(CEmpCo::Make(CEmpDist(std::move(density), unit)).get())
                          : DoubleToVariant(rt, std::move(density));
}

Variant CAggCo::SevMoms(std::int32_t sevDist, const Variant& params, double layer, double attach, double share,
                        std::int32_t rt) {
    MomentTriple m =
        corvane::SevMoms(sevDist, VariantToDouble(params), layer, attach, share, Curves(), Mixtures());
    return DoubleToVariant(rt, std::span<const double>(m));
}

namespace {

// The note every aggregate leaves its caller: the figures of its accuracy, a warning when doubtful.
void NoteAccuracy(const GridAccuracy& a) {
    SetCallNote(CallNote{a.Describe(),
                         {{"wrapped", a.wrapped}, {"mean_error", a.meanError}, {"layer_buckets", a.layerBuckets},
                          {"beyond", a.beyond}},
                         a.Doubtful()});
}

// A moment argument holds exactly three values; any other count fails with the bare number 99.
MomentTriple MomentArg(const Variant& v) {
    const std::vector<double> m = VariantToDouble(v);
    if (m.size() != 3) throw BareFailure{99};
    return {m[0], m[1], m[2]};
}

}  // namespace

Variant CAggCo::AggMoms(const Variant& freqMoms, const Variant& sevMoms, std::int32_t rt) {
    MomentTriple m = corvane::AggMoms(MomentArg(freqMoms), MomentArg(sevMoms));
    return DoubleToVariant(rt, std::span<const double>(m));
}

Variant CAggCo::SumMoms(const Variant& mom1, const Variant& mom2, std::int32_t rt) {
    MomentTriple m = corvane::SumMoms(MomentArg(mom1), MomentArg(mom2));
    return DoubleToVariant(rt, std::span<const double>(m));
}

void CAggCo::SumMoms1(Variant& mom1, const Variant& mom2, std::int32_t rt) { mom1 = SumMoms(mom1, mom2, rt); }

double CAggCo::EstimateUnit(const Variant& aggMoms, std::int32_t numL2, double, double layerConstraint) {
    return corvane::EstimateUnit(MomentArg(aggMoms), numL2, layerConstraint);
}

Variant CAggCo::EstimateUnitVar(const Variant& aggMoms, std::int32_t numL2, double safety, double layerConstraint) {
    return Variant(EstimateUnit(aggMoms, numL2, safety, layerConstraint));
}

void CAggCo::TLNFit(double mean, double cv, double skew, double& mu, double& sigma, double& T) {
    TLNParams p = corvane::TLNFit(mean, cv, skew);
    mu = p.mu;
    sigma = p.sigma;
    T = p.T;
}

void CAggCo::TLNFitMoms(const Variant& aggMoms, double& mu, double& sigma, double& T) {
    TLNParams p = corvane::TLNFitMoms(MomentArg(aggMoms));
    mu = p.mu;
    sigma = p.sigma;
    T = p.T;
}

Variant CAggCo::TLNFitVar(const Variant& aggMoms, std::int32_t rt) {
    TLNParams p = corvane::TLNFitMoms(MomentArg(aggMoms));
    const double fit[] = {p.mu, p.sigma, p.T};
    return DoubleToVariant(rt, std::span<const double>(fit));
}

Variant CAggCo::QuickStats(std::int32_t num, double unit, const Variant& dist) {
    auto stats = corvane::QuickStats(num, unit, VariantToDouble(dist));
    return DoubleToVariant(rtScript, std::span<const double>(stats));
}

// The in-out unit carries the bucket width in and the one used (estimated when 0) back out.
void CAggCo::CreateDist(std::int32_t fq, const Variant& fqParams, std::int32_t sv, const Variant& sevParams,
                        double layer, double attach, double share, std::int32_t numL2, Variant& unit,
                        Variant& momsOut, std::int32_t rt, Variant& aggSample, Variant& sevSample) {
    std::vector<double> fqValues = VariantToDouble(fqParams);
    std::vector<double> sevValues = SeverityValues(sv, sevParams);
    AggregateRequest request{fq, fqValues, sv, sevValues, layer, attach, share, numL2, ToDouble(unit), padding_};
    AggregateResult r = BuildAggregate(request, Curves(), Mixtures());
    unit = Variant(r.unit);
    if (!r.computed) return;
    if (rt != rtEDCo && r.severity) sevSample = DoubleToVariant(rt, std::move(*r.severity));
    aggSample = rt == rtEDCo ? Variant(CEmpCo::Make(std::move(r.aggregate)).get())
                             : DoubleToVariant(rt, r.aggregate.ReleaseValues());
    momsOut = DoubleToVariant(rt, std::span<const double>(r.moments));
    NoteAccuracy(r.accuracy);
}

namespace {

// A marginal given as an EmpCo (its density on the grid's buckets) or as exactly one number per
// bucket, checked before any block is made for it.
struct Marginal {
    CEmpCo* emp = nullptr;
    std::vector<double> values;
};

Marginal CheckedMarginal(const Variant& marginal, std::size_t buckets) {
    const Variant& m = marginal.Deref();
    Marginal checked;
    if (m.vt() == VT_DISPATCH) {
        checked.emp = CEmpCo::From(m.dispatch());
        if (!checked.emp) throw std::invalid_argument("A marginal object must be an EmpCo");
        return checked;
    }
    checked.values = VariantToDouble(m);
    if (checked.values.size() != buckets) throw std::invalid_argument("A marginal must hold one value per bucket");
    return checked;
}

void FillMarginal(const Marginal& marginal, std::span<double> out) {
    if (marginal.emp) marginal.emp->FillDensity(out);
    else std::copy(marginal.values.begin(), marginal.values.end(), out.begin());
}

// A shared block of its own for a new bivariate object; a block that cannot be had is out of memory.
std::unique_ptr<CBivBlock> NewSharedBlock(const std::u16string& id, int nx, int ny, double unitX, double unitY) {
    try {
        return CBivBlock::CreateShared(Utf16ToUtf8(id), nx, ny, unitX, unitY);
    } catch (const std::runtime_error& e) {
        throw StatusError(E_OUTOFMEMORY, e.what());
    }
}

}  // namespace

void CAggCo::CreateBivDistEmp1D(std::int32_t fq, const Variant& fqParams, const Variant& margX, const Variant& margY,
                                std::int32_t dep, const Variant& reinsLASTau, std::int32_t numXL2,
                                std::int32_t numYL2, double unitX, double unitY, Variant& momsOut, Variant& ppBEC) {
    const int nx = static_cast<int>(GridSizeFromL2(numXL2)), ny = static_cast<int>(GridSizeFromL2(numYL2));
    std::vector<double> depParams;
    if (dep >= bvGrossNet && dep <= bvNetCeded) {
        depParams = VariantToDouble(reinsLASTau);
    } else if (dep >= bvIndep && dep <= bvCook) {
        try {
            depParams.push_back(ToDouble(reinsLASTau));
        } catch (const StatusError&) {
            throw std::invalid_argument("The dependency parameter must be a number");
        }
    } else if (dep != bvXXplusY) {
        throw std::invalid_argument("Invalid dependency code");
    }
    // Everything the caller gave is checked before the block of nx x ny is made.
    CheckDependency(dep, depParams);
    const Marginal mX = CheckedMarginal(margX, static_cast<std::size_t>(nx));
    const Marginal mY = UsesMarginalY(dep) ? CheckedMarginal(margY, static_cast<std::size_t>(ny)) : Marginal{};
    const std::vector<double> fqValues = VariantToDouble(fqParams);
    freqdist::CreateFreqDist(fq, fqValues);
    const std::u16string id = GUIDasBSTR();
    auto block = NewSharedBlock(id, nx, ny, unitX, unitY);
    FillMarginal(mX, block->MarginalX());
    std::span<const double> pY;
    if (UsesMarginalY(dep)) {
        FillMarginal(mY, block->MarginalY());
        pY = block->MarginalY();
    }
    const GridAccuracy accuracy = BivDistFromMarginals(fq, fqValues, dep, depParams, block->MarginalX(), pY, unitX, unitY, block->Transform2D(),
                         block->Density());
    auto moments = BivMoments(block->Density(), static_cast<std::size_t>(nx), static_cast<std::size_t>(ny), unitX, unitY);
    block->ThrowIfDamaged();
    momsOut = DoubleToVariant(rtScript, std::span<const double>(moments));
    ppBEC = Variant(MakeObject<CBivEmpCo>(std::move(block), id).get());
    NoteAccuracy(accuracy);
}

void CAggCo::CreateBivDistEmp1DVar(std::int32_t fq, const Variant& fqParams, const Variant& margX,
                                   const Variant& margY, std::int32_t dep, const Variant& reinsLASTau,
                                   std::int32_t numXL2, std::int32_t numYL2, double unitX, double unitY,
                                   Variant& momsOut, Variant& varOut) {
    CreateBivDistEmp1D(fq, fqParams, margX, margY, dep, reinsLASTau, numXL2, numYL2, unitX, unitY, momsOut, varOut);
}

// The caller's joint density of one claim, element (x, y) of an nx x ny array, compounded with the
// claim count.
void CAggCo::CreateBivDistEmp2D(std::int32_t fq, const Variant& fqParams, const Variant& empBivDist,
                                std::int32_t numXL2, std::int32_t numYL2, double unitX, double unitY,
                                Variant& momsOut, std::int32_t rt, Variant& aggSample, Variant& diagSample) {
    const std::size_t nx = GridSizeFromL2(numXL2), ny = GridSizeFromL2(numYL2);
    const std::size_t dims[] = {nx, ny};
    const std::vector<double> p1 = VariantToDoubleWithDimensionCheck(empBivDist, dims, StorageOrder::RowMajor);
    BivAggregate agg = CompoundBivDensity(fq, VariantToDouble(fqParams), p1, nx, ny, unitX, unitY);
    momsOut = DoubleToVariant(rt, std::span<const double>(agg.moments));
    aggSample = Double2DToVariant(rt, nx, ny, agg.density, StorageOrder::RowMajor);
    if (!agg.diagonal.empty()) diagSample = DoubleToVariant(rt, std::move(agg.diagonal));
    NoteAccuracy(agg.accuracy);
}

Variant CAggCo::CreateBivDistFromFile(const std::u16string& fileName) {
    auto block = CBivBlock::OpenFile(Utf16ToUtf8(fileName));
    return Variant(MakeObject<CBivEmpCo>(std::move(block), GUIDasBSTR()).get());
}

std::int32_t CAggCo::get_Padding() { return padding_; }

void CAggCo::put_Padding(std::int32_t value) {
    Require(value >= 0 && value <= 30, "Padding must be in [0, 30], got " + std::to_string(value));
    padding_ = value;
}

// A grid of 2 x 2 cells at least, since the four probabilities take two rows and two columns.
Variant CAggCo::CreateBivDistClaimDevel(std::int32_t fq, const Variant& fqParam, std::int32_t numL2, double p00,
                                        double p01, double p10, double p11) {
    Require(numL2 >= 1, "numL2 must be 1 or more, got " + std::to_string(numL2));
    const int n = static_cast<int>(GridSizeFromL2(numL2));
    auto family = freqdist::CreateFreqDist(fq, VariantToDouble(fqParam));
    const std::u16string id = GUIDasBSTR();
    auto block = NewSharedBlock(id, n, n, 1.0, 1.0);
    std::span<double> density;
    try {
        density = block->Density();
    } catch (const std::runtime_error& e) {
        throw StatusError(E_OUTOFMEMORY, e.what());
    }
    ClaimDevelCounts(*family, block->Transform2D(), density, p00, p01, p10, p11);
    return Variant(MakeObject<CBivEmpCo>(std::move(block), id).get());
}

// The engine exists only with its grid: a failure to allocate it releases the object.
ComPtr<IDispatch> CAggCo::CreateFTU(std::int32_t num_l2) {
    auto engine = std::make_unique<CFTUCo>();
    engine->put_numL2(num_l2);
    return engine.release()->DispatchPtr();
}

Variant CAggCo::CreateFTUVar(std::int32_t num_l2) { return Variant(CreateFTU(num_l2).get()); }

}  // namespace corvane
