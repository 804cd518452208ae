#include "Corvane/AggCo.h"

#include "Corvane/ParamFile.h"
#include "Corvane/numerics/freq_contagion.h"
#include "Corvane/numerics/freq_factory.h"
#include "automation/conversion.h"
#include "automation/registry.h"
#include "automation/trace.h"

namespace corvane {

using namespace automation;

const DispatchTable<CAggCo> CAggCo::table{IID_IAggCo, "IAggCo", {
    Method<&CAggCo::FreqMoms>(1, "FreqMoms", {In("fqDist"), In("params"), In("rt"), Result("varOut")}),
    Method<&CAggCo::VMtoCont>(12, "VMtoCont", {In("fq"), In("mean"), In("vm"), Out("cont")}),
    Method<&CAggCo::CtgToVM>(13, "CtgToVM", {In("fq"), In("mean"), In("ctg"), Out("vm")}),
    Method<&CAggCo::ApplyChF>(19, "ApplyChF",
                              {In("fq"), In("fqParam"), In("complexVector"), In("rt"), Result("complexVOut")}),
    Method<&CAggCo::ParamFile>(29, "ParamFile", {Result("ppPF")}),
    PropGet<&CAggCo::get_DefaultParamFile>(57, "DefaultParamFile", {Result("pVal")}),
    PropPut<&CAggCo::put_DefaultParamFile>(57, "DefaultParamFile", {In("value")}),
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
    family->ApplyPGF(x.data(), x.size());
    return DoubleToVariantFFT(rt, std::move(x));
}

void CAggCo::VMtoCont(std::int32_t fq, double mean, double vm, double& cont) {
    cont = freqdist::VMtoCont(fq, mean, vm);
}

void CAggCo::CtgToVM(std::int32_t fq, double mean, double ctg, double& vm) { vm = freqdist::CtgToVM(fq, mean, ctg); }

std::u16string CAggCo::get_DefaultParamFile() { return ReadDefaultParamFile(); }

void CAggCo::put_DefaultParamFile(const std::u16string& value) {
    try {
        EditRegistry(Registry::DefaultPath(), [&](Registry& r) {
            if (!r.KeyExists(kParamFileKey)) throw StatusError(E_INVALIDARG, "Cannot open the registry key");
            r.SetValue(kParamFileKey, "", Utf16ToUtf8(value));
        });
    } catch (const StatusError& e) {
        throw StatusError(E_INVALIDARG, e.description());
    }
}

ComPtr<IDispatch> CAggCo::ParamFile() {
    std::u16string path = ReadDefaultParamFile();
    auto pf = std::make_unique<CParamFile>();
    pf->Open(path);
    return pf.release()->DispatchPtr();
}

}  // namespace corvane
