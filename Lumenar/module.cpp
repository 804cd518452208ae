// The Lumenar server module: its type library (classes and enumerations) and entry points. The
// engine registry is filled as the library loads (EngineRegistry.cpp).
#include "Lumenar/Graph3.h"
#include "Lumenar/VisGraph.h"
#include "Lumenar/codes.h"
#include "Lumenar/identities.h"
#include "automation/server.h"

namespace lumenar {

using namespace automation;

namespace {

const ClassEntry kClasses[] = {
    Creatable<CGraph3>("Both", LIBID_LUMENARLib),
    Creatable<CVisGraph>("Apartment", LIBID_LUMENARLib),
};

// The control's records beside its class record: it is a control, insertable, with its toolbox
// bitmap and the misc-status bits 0x20191 (recompose on resize, cannot link inside, inside-out,
// activate when visible, set client site first).
void RegisterControl(Registry& r, const std::string& modulePath) {
    const std::string key = "CLSID\\" + GuidText(CLSID_VisGraph);
    r.CreateKey(key + "\\Control");
    r.CreateKey(key + "\\Insertable");
    r.SetValue(key + "\\ToolboxBitmap32", "", modulePath + ", 102");
    r.SetValue(key + "\\MiscStatus", "", "0");
    r.SetValue(key + "\\MiscStatus\\1", "", "131473");
    r.SetValue(key + "\\Version", "", "1.0");
}

#define LUMENAR_CONSTANT(name, value, help) {#name, name, help},

// The codes of codes.h as the type library publishes them.
const Enumeration kEnumerations[] = {
    {"plotEngine", "The rendering engines a graph's plotType selects", {LUMENAR_PLOTENGINE(LUMENAR_CONSTANT)}},
};

#undef LUMENAR_CONSTANT

const ServerInfo kServer{"LUMENARLib", LIBID_LUMENARLib, "Lumenar 1.0 Type Library", kClasses, kEnumerations,
                         &RegisterControl};

}  // namespace
}  // namespace lumenar

AUTOMATION_EXPORT automation::HRESULT DllGetClassObject(const automation::CLSID* clsid, const automation::IID* iid,
                                                        void** out) {
    return automation::ServerGetClassObject(lumenar::kServer, clsid, iid, out);
}

AUTOMATION_EXPORT automation::HRESULT DllCanUnloadNow() { return automation::ServerCanUnloadNow(); }

AUTOMATION_EXPORT automation::HRESULT DllRegisterServer() {
    return automation::ServerRegister(lumenar::kServer, reinterpret_cast<const void*>(&DllRegisterServer));
}

AUTOMATION_EXPORT automation::HRESULT DllUnregisterServer() { return automation::ServerUnregister(lumenar::kServer); }

AUTOMATION_EXPORT const automation::ServerInfo* DllGetTypeLibrary() { return &lumenar::kServer; }
