#include "automation/activation.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

#include "automation/bstr.h"
#include "automation/failure.h"
#include "automation/registry.h"
#include "automation/server.h"

namespace automation {

namespace {

void Describe(ExcepInfo* excep, HRESULT hr, const std::string& text) {
    if (!excep) return;
    *excep = ExcepInfo{};
    excep->scode = hr;
    excep->description = Utf8ToUtf16(text);
    excep->hasDescription = true;
}

}  // namespace

namespace {

struct LoadedModuleTable {
    std::mutex mutex;
    std::map<std::string, void*> handles;
    std::vector<std::string> order;
};

LoadedModuleTable& Loaded() {
    static LoadedModuleTable table;
    return table;
}

}  // namespace

void* LoadModule(const std::string& path, std::string* error) {
    LoadedModuleTable& loaded = Loaded();
    std::lock_guard lock(loaded.mutex);
    if (auto it = loaded.handles.find(path); it != loaded.handles.end()) return it->second;
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        if (error) *error = dlerror();
        return nullptr;
    }
    loaded.handles[path] = handle;
    loaded.order.push_back(path);
    return handle;
}

std::vector<std::string> LoadedModules() {
    LoadedModuleTable& loaded = Loaded();
    std::lock_guard lock(loaded.mutex);
    return loaded.order;
}

HRESULT ClsidFromName(std::string_view name, CLSID* clsid) {
    if (auto g = ParseGuid(name)) {
        *clsid = *g;
        return S_OK;
    }
    try {
        Registry r = Registry::Load(Registry::DefaultPath());
        auto text = r.GetValue(std::string(name) + "\\CLSID");
        if (!text) return CO_E_CLASSSTRING;
        auto g = ParseGuid(*text);
        if (!g) return CO_E_CLASSSTRING;
        *clsid = *g;
        return S_OK;
    } catch (const StatusError&) {
        return CO_E_CLASSSTRING;
    }
}

HRESULT GetClassObject(const CLSID& clsid, IClassFactory** factory, ExcepInfo* excep) {
    *factory = nullptr;
    std::string path;
    try {
        Registry r = Registry::Load(Registry::DefaultPath());
        auto p = r.GetValue("CLSID\\" + GuidText(clsid) + "\\InprocServer32");
        if (!p) return REGDB_E_CLASSNOTREG;
        path = *p;
    } catch (const StatusError& e) {
        Describe(excep, e.code(), e.description());
        return e.code();
    }
    std::string error;
    void* module = LoadModule(path, &error);
    if (!module) {
        Describe(excep, CO_E_DLLNOTFOUND, "Cannot load " + path + ": " + error);
        return CO_E_DLLNOTFOUND;
    }
    auto get = reinterpret_cast<DllGetClassObjectFn>(dlsym(module, "DllGetClassObject"));
    if (!get) {
        Describe(excep, CO_E_ERRORINDLL, path + " has no DllGetClassObject");
        return CO_E_ERRORINDLL;
    }
    return get(&clsid, &IID_IClassFactory, reinterpret_cast<void**>(factory));
}

HRESULT CreateObject(const CLSID& clsid, const IID& iid, void** out, ExcepInfo* excep) {
    if (!out) return E_POINTER;
    *out = nullptr;
    ComPtr<IClassFactory> factory;
    HRESULT hr = GetClassObject(clsid, factory.Receive(), excep);
    if (Failed(hr)) return hr;
    return factory->CreateInstance(nullptr, iid, out, excep);
}

HRESULT CreateObject(std::string_view name, const IID& iid, void** out, ExcepInfo* excep) {
    CLSID clsid;
    HRESULT hr = ClsidFromName(name, &clsid);
    if (Failed(hr)) return hr;
    return CreateObject(clsid, iid, out, excep);
}

}  // namespace automation
