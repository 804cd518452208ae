// ParamFile: a caller's view of a parameter file of named severity curves.
#pragma once

#include <string>

#include "Corvane/ParamFileEng.h"
#include "Corvane/identities.h"
#include "automation/object.h"

namespace corvane {

class CParamFile : public automation::Dispatchable<CParamFile> {
public:
    static constexpr automation::ClassIdentity identity{CLSID_ParamFile, "Corvane.ParamFile.1", true};
    static const automation::DispatchTable<CParamFile> table;

    void Add(std::int32_t index, std::int32_t distType, const std::u16string& name, const std::u16string& desc,
             const automation::Variant& paramsIn);
    std::int32_t Count();
    std::u16string name(std::int32_t index);
    std::u16string desc(std::int32_t index);
    std::u16string DistTypeName(std::int32_t index);
    std::int32_t distType(std::int32_t index);
    automation::Variant params(std::int32_t index, std::int32_t rt);
    void Open(const std::u16string& fileName);
    void Close();
    void Save();
    void Flush();
    std::int32_t SizeofParamEntry();
    double BI_F(std::int32_t index, double x);
    double BI_LEV(std::int32_t index, double x);
    double BI_ILF(std::int32_t index, double x);
    void New(const std::u16string& fileName);

private:
    CParamFileEng engine_;
    std::u16string fileName_;
};

}  // namespace corvane
