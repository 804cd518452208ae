#include "Corvane/ParamFile.h"

#include <filesystem>

#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/severity/sev_methods.h"
#include "automation/conversion.h"

namespace corvane {

using namespace automation;

const DispatchTable<CParamFile> CParamFile::table{IID_IParamFile, "IParamFile", {
    Method<&CParamFile::Add>(1, "Add", {In("index"), In("distType"), In("name"), In("desc"), In("paramsIn")},
                             "Writes entry index: severity code, name, description and parameters"),
    Method<&CParamFile::Count>(2, "Count", {Result("pVal")}, "Number of entries in the file"),
    Method<&CParamFile::name>(3, "name", {In("index"), Result("name")}, "Name of entry index"),
    Method<&CParamFile::desc>(4, "desc", {In("index"), Result("desc")}, "Description of entry index"),
    Method<&CParamFile::DistTypeName>(5, "DistTypeName", {In("index"), Result("DistTypeName")},
                                      "Display name of entry index's severity family"),
    Method<&CParamFile::distType>(6, "distType", {In("index"), Result("svType")},
                                  "Severity code (sevDist) of entry index"),
    Method<&CParamFile::params>(7, "params", {In("index"), In("rt"), Result("params")}, "Parameters of entry index"),
    Method<&CParamFile::Open>(8, "Open", {In("fileName")}, "Opens an existing parameter file"),
    Method<&CParamFile::Close>(9, "Close", {}, "Closes the file and forgets its name"),
    Method<&CParamFile::Save>(10, "Save", {}, "Writes the file's changes to disk"),
    Method<&CParamFile::Flush>(11, "Flush", {}, "Writes the file's changes to disk"),
    Method<&CParamFile::SizeofParamEntry>(12, "SizeofParamEntry", {Result("sz")}, "Size in bytes of one entry (512)"),
    Method<&CParamFile::BI_F>(13, "BI_F", {In("index"), In("x"), Result("ans")},
                              "Cumulative probability of entry index's curve at x"),
    Method<&CParamFile::BI_LEV>(14, "BI_LEV", {In("index"), In("x"), Result("ans")},
                                "Limited expected value E[min(X, x)] of entry index's curve"),
    Method<&CParamFile::BI_ILF>(15, "BI_ILF", {In("index"), In("x"), Result("ans")},
                                "Increased-limit factor of limit x over 100,000 for entry index's curve"),
    Method<&CParamFile::New>(16, "New", {In("fileName")}, "Creates a new, empty parameter file and opens it"),
}};

namespace {

std::filesystem::path PathOf(const std::u16string& fileName) { return Utf16ToUtf8(fileName); }

}  // namespace

void CParamFile::Add(std::int32_t index, std::int32_t distType, const std::u16string& name,
                     const std::u16string& desc, const Variant& paramsIn) {
    engine_.add(index, distType, name, desc, VariantToDouble(paramsIn));
}

std::int32_t CParamFile::Count() { return engine_.count(); }

std::u16string CParamFile::name(std::int32_t index) { return engine_.entry(index).name; }

std::u16string CParamFile::desc(std::int32_t index) { return engine_.entry(index).description; }

// The display name of the entry's severity family.
std::u16string CParamFile::DistTypeName(std::int32_t index) {
    switch (engine_.entry(index).sevDist) {
        case svMED: return u"Mixed Exponential";
        case svTLognormal: return u"Translated Lognormal";
        case svPareto: return u"Pareto";
        default: return u"Unknown";
    }
}

std::int32_t CParamFile::distType(std::int32_t index) { return engine_.entry(index).sevDist; }

Variant CParamFile::params(std::int32_t index, std::int32_t rt) {
    return DoubleToVariant(rt, engine_.entry(index).params);
}

void CParamFile::Open(const std::u16string& fileName) {
    fileName_ = fileName;
    engine_.open(PathOf(fileName));
}

void CParamFile::New(const std::u16string& fileName) {
    fileName_ = fileName;
    engine_.create(PathOf(fileName));
}

void CParamFile::Close() {
    engine_.close();
    fileName_.clear();
}

void CParamFile::Save() { engine_.flush(); }

void CParamFile::Flush() { engine_.flush(); }

std::int32_t CParamFile::SizeofParamEntry() { return static_cast<std::int32_t>(CParamFileEng::kEntrySize); }

double CParamFile::BI_F(std::int32_t index, double x) { return CurveF(engine_.entry(index), x); }

double CParamFile::BI_LEV(std::int32_t index, double x) { return CurveLEV(engine_.entry(index), x); }

// The increased-limit factor of limit x over the basic limit of 100,000 per claim:
// ILF(x) = E[min(X, x)] / E[min(X, 100000)].
double CParamFile::BI_ILF(std::int32_t index, double x) {
    constexpr double basicLimit = 100000.0;
    CurveRecord curve = engine_.entry(index);
    return CurveLEV(curve, x) / CurveLEV(curve, basicLimit);
}

}  // namespace corvane
