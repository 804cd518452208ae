// AggCo: the aggregate-loss calculator. Holds the default parameter file open for its curves.
#pragma once

#include <string>

#include "Corvane/ParamFileEng.h"
#include "Corvane/identities.h"
#include "automation/object.h"

namespace corvane {

class CAggCo : public automation::Dispatchable<CAggCo> {
public:
    static constexpr automation::ClassIdentity identity{CLSID_AggCo, "Corvane.AggCo.1", true};
    static const automation::DispatchTable<CAggCo> table;

    // Opens the default parameter file named in the registry; creation fails when it cannot.
    void FinalConstruct() override;

    automation::Variant FreqMoms(std::int32_t fqDist, const automation::Variant& params, std::int32_t rt);
    automation::Variant ApplyChF(std::int32_t fq, const automation::Variant& fqParam,
                                 const automation::Variant& complexVector, std::int32_t rt);
    void VMtoCont(std::int32_t fq, double mean, double vm, double& cont);
    void CtgToVM(std::int32_t fq, double mean, double ctg, double& vm);
    std::u16string get_DefaultParamFile();
    void put_DefaultParamFile(const std::u16string& value);
    automation::ComPtr<automation::IDispatch> ParamFile();

private:
    CParamFileEng paramFile_;
};

// The default parameter file's path from the registry; E_INVALIDARG when it cannot be read.
std::u16string ReadDefaultParamFile();

}  // namespace corvane
