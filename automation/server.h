// What a server module shares: its class table, the module entry points' behaviour and the
// registration records written for each creatable class.
#pragma once

#include <span>
#include <string>

#include "automation/guid.h"
#include "automation/registry.h"
#include "automation/unknown.h"

#define AUTOMATION_EXPORT extern "C" __attribute__((visibility("default")))

namespace automation {

struct ClassEntry {
    CLSID clsid;
    const char* className;       // "AggCo"; the records' default value is "AggCo Class"
    const char* progId;          // "Corvane.AggCo.1"
    const char* viProgId;        // "Corvane.AggCo", or null when the class has none
    const char* threadingModel;  // "Free", "Both", "Apartment"
    GUID typeLib;
    bool programmable;
    IClassFactory* (*factory)();
};

struct ServerInfo {
    const char* libName;     // "CORVANELib"
    GUID libid;
    const char* helpString;  // "Corvane 1.0 Type Library"
    std::span<const ClassEntry> classes;
    // Extra records of the module, written after the classes' (may be null).
    void (*registerExtra)(Registry& registry, const std::string& modulePath);
};

// Signatures of the module entry points, for hosts that look them up by name.
using DllGetClassObjectFn = HRESULT (*)(const CLSID* clsid, const IID* iid, void** out);
using DllCanUnloadNowFn = HRESULT (*)();
using DllRegisterServerFn = HRESULT (*)();

HRESULT ServerGetClassObject(const ServerInfo& server, const CLSID* clsid, const IID* iid, void** out);
HRESULT ServerCanUnloadNow();
HRESULT ServerRegister(const ServerInfo& server, const void* addressInModule);
HRESULT ServerUnregister(const ServerInfo& server);

// The absolute path of the shared object holding `address`.
std::string ModulePathOf(const void* address);

}  // namespace automation
