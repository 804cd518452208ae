// The Corvane server module: its class table and entry points.
#include <filesystem>

#include "Corvane/AggCo.h"
#include "Corvane/BlockSweep.h"
#include "Corvane/ParamFile.h"
#include "Corvane/identities.h"
#include "automation/server.h"

namespace corvane {

using namespace automation;

namespace {

const ClassEntry kClasses[] = {
    {CLSID_AggCo, "AggCo", "Corvane.AggCo.1", "Corvane.AggCo", "Free", LIBID_CORVANELib, true,
     &ClassFactory<CAggCo>::Instance},
    {CLSID_ParamFile, "ParamFile", "Corvane.ParamFile.1", nullptr, "Free", LIBID_CORVANELib, true,
     &ClassFactory<CParamFile>::Instance},
};

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

const ServerInfo kServer{"CORVANELib", LIBID_CORVANELib, "Corvane 1.0 Type Library", kClasses, &RegisterParamFile};

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
