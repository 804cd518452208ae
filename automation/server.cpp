#include "automation/server.h"

#include <dlfcn.h>

#include <filesystem>

#include "automation/errorinfo.h"
#include "automation/failure.h"
#include "automation/object.h"
#include "automation/trace.h"

namespace automation {

HRESULT ServerGetClassObject(const ServerInfo& server, const CLSID* clsid, const IID* iid, void** out) {
    if (!clsid || !iid || !out) return E_POINTER;
    *out = nullptr;
    for (const ClassEntry& c : server.classes)
        if (c.factory && c.clsid == *clsid) return c.factory()->QueryInterface(*iid, out);
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT ServerCanUnloadNow() { return ModuleObjectCount() == 0 && ModuleLockCount() == 0 ? S_OK : S_FALSE; }

std::string ModulePathOf(const void* address) {
    Dl_info info{};
    if (!dladdr(address, &info) || !info.dli_fname) return {};
    std::error_code ec;
    auto p = std::filesystem::canonical(info.dli_fname, ec);
    return ec ? std::string(info.dli_fname) : p.string();
}

std::string ClassNameOf(const ClassEntry& c) {
    std::string_view id = c.progId;
    id = id.substr(id.find('.') + 1);
    return std::string(id.substr(0, id.find('.')));
}

std::string VersionIndependentProgId(const ClassEntry& c) {
    std::string_view id = c.progId;
    return std::string(id.substr(0, id.rfind('.')));
}

namespace {

std::string TypeLibKey(const ServerInfo& server) { return "TypeLib\\" + GuidText(server.libid) + "\\1.0"; }

void WriteClass(Registry& r, const ClassEntry& c, const std::string& modulePath) {
    const std::string title = ClassNameOf(c) + " Class";
    const std::string clsid = GuidText(c.clsid);
    const std::string progId = c.progId;
    const std::string vi = VersionIndependentProgId(c);
    r.SetValue(progId, "", title);
    r.SetValue(progId + "\\CLSID", "", clsid);
    r.SetValue(vi, "", title);
    r.SetValue(vi + "\\CLSID", "", clsid);
    r.SetValue(vi + "\\CurVer", "", progId);
    const std::string key = "CLSID\\" + clsid;
    r.DeleteTree(key);
    r.SetValue(key, "", title);
    r.SetValue(key + "\\ProgID", "", progId);
    r.SetValue(key + "\\VersionIndependentProgID", "", vi);
    if (c.programmable) r.CreateKey(key + "\\Programmable");
    r.SetValue(key + "\\InprocServer32", "", modulePath);
    r.SetValue(key + "\\InprocServer32", "ThreadingModel", c.threadingModel);
    r.SetValue(key + "\\TypeLib", "", GuidText(c.typeLib));
}

template <class F>
HRESULT Guarded(F&& f) {
    try {
        f();
        return S_OK;
    } catch (const StatusError& e) {
        Trace(e.description());
        return e.code();
    } catch (const std::exception& e) {
        Trace(e.what());
        return E_FAIL;
    }
}

}  // namespace

HRESULT ServerRegister(const ServerInfo& server, const void* addressInModule) {
    const std::string modulePath = ModulePathOf(addressInModule);
    return Guarded([&] {
        EditRegistry(Registry::DefaultPath(), [&](Registry& r) {
            for (const ClassEntry& c : server.classes)
                if (c.factory) WriteClass(r, c, modulePath);
            const std::string lib = TypeLibKey(server);
            r.DeleteTree("TypeLib\\" + GuidText(server.libid));
            r.SetValue(lib, "", server.helpString);
            r.SetValue(lib + "\\0\\linux64", "", modulePath);
            r.SetValue(lib + "\\FLAGS", "", "0");
            r.SetValue(lib + "\\HELPDIR", "", std::filesystem::path(modulePath).parent_path().string());
            if (server.registerExtra) server.registerExtra(r, modulePath);
        });
    });
}

HRESULT ServerUnregister(const ServerInfo& server) {
    return Guarded([&] {
        EditRegistry(Registry::DefaultPath(), [&](Registry& r) {
            for (const ClassEntry& c : server.classes) {
                if (!c.factory) continue;
                r.DeleteTree(c.progId);
                r.DeleteTree(VersionIndependentProgId(c));
                r.DeleteTree("CLSID\\" + GuidText(c.clsid));
            }
            r.DeleteTree("TypeLib\\" + GuidText(server.libid));
        });
    });
}

}  // namespace automation
