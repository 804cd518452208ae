// The Corvane server module: its type library (classes and enumerations) and entry points.
#include <filesystem>

#include "Corvane/AggCo.h"
#include "Corvane/BivEmpCo.h"
#include "Corvane/BlockSweep.h"
#include "Corvane/EmpCo.h"
#include "Corvane/FTUCo.h"
#include "Corvane/ImancCo.h"
#include "Corvane/ParamFile.h"
#include "Corvane/Portfolio.h"
#include "Corvane/Risk.h"
#include "Corvane/Triangle.h"
#include "Corvane/identities.h"
#include "Corvane/numerics/codes.h"
#include "automation/server.h"

namespace corvane {

using namespace automation;

namespace {

const ClassEntry kClasses[] = {
    Creatable<CAggCo>("Free", LIBID_CORVANELib),
    Creatable<CParamFile>("Free", LIBID_CORVANELib),
    Creatable<CTriangle>("Free", LIBID_CORVANELib),
    Creatable<CImancCo>("Free", LIBID_Portfolio),
    Creatable<CRisk>("Free", LIBID_Portfolio),
    Creatable<CPortfolio>("Free", LIBID_Portfolio),
    ResultOnly<CEmpCo>(),
    ResultOnly<CBivEmpCo>(),
    ResultOnly<CFTUCo>(),
};

#define CORVANE_CONSTANT(name, value, help) {#name, name, help},

// The codes of numerics/codes.h as the type library publishes them.
const Enumeration kEnumerations[] = {
    {"freqDist", "Claim-count (frequency) distributions", {CORVANE_FREQDIST(CORVANE_CONSTANT)}},
    {"sevDist", "Claim-size (severity) distributions", {CORVANE_SEVDIST(CORVANE_CONSTANT)}},
    {"rtType", "The shape in which a method returns an array of numbers", {CORVANE_RTTYPE(CORVANE_CONSTANT)}},
    {"stateEnum", "The domain in which a two-dimensional transform engine holds its data",
     {CORVANE_STATEENUM(CORVANE_CONSTANT)}},
    {"smoothingEnum", "Strength of smoothing", {CORVANE_SMOOTHINGENUM(CORVANE_CONSTANT)}},
    {"depType", "Dependency structure between the components of a bivariate distribution",
     {CORVANE_DEPTYPE(CORVANE_CONSTANT)}},
    {"rNCG", "Which side of a reinsurance split to keep", {CORVANE_RNCG(CORVANE_CONSTANT)}},
    {"alaeType", "Treatment of allocated loss adjustment expense in a layer", {CORVANE_ALAETYPE(CORVANE_CONSTANT)}},
    {"scoreType", "Marginal distribution of the scores of the rank-correlation shuffle",
     {CORVANE_SCORETYPE(CORVANE_CONSTANT)}},
};

#undef CORVANE_CONSTANT

// The default parameter file is the one shipped beside the module.
void RegisterParamFile(Registry& r, const std::string& modulePath) {
    r.SetValue(kParamFileKey, "", (std::filesystem::path(modulePath).parent_path() / "public.prm").string());
}

// Shared blocks left behind by creators that died go when the module is loaded.
[[gnu::constructor]] void SweepAtLoad() {
    try {
        SweepOrphanedBlocks();
    } catch (...) {
    }
}

const ServerInfo kServer{"CORVANELib", LIBID_CORVANELib, "Corvane 1.0 Type Library", kClasses, kEnumerations,
                         &RegisterParamFile};

}  // namespace
}  // namespace corvane

AUTOMATION_EXPORT automation::HRESULT DllGetClassObject(const automation::CLSID* clsid, const automation::IID* iid,
                                                        void** out) {
    return automation::ServerGetClassObject(corvane::kServer, clsid, iid, out);
}

AUTOMATION_EXPORT automation::HRESULT DllCanUnloadNow() { return automation::ServerCanUnloadNow(); }

AUTOMATION_EXPORT automation::HRESULT DllRegisterServer() {
    return automation::ServerRegister(corvane::kServer, reinterpret_cast<const void*>(&DllRegisterServer));
}

AUTOMATION_EXPORT automation::HRESULT DllUnregisterServer() { return automation::ServerUnregister(corvane::kServer); }

AUTOMATION_EXPORT const automation::ServerInfo* DllGetTypeLibrary() { return &corvane::kServer; }
