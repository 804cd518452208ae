// What a server module shares: its class table, the module entry points' behaviour and the
// registration records written for each creatable class.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "automation/dispatch.h"
#include "automation/guid.h"
#include "automation/object.h"
#include "automation/registry.h"
#include "automation/unknown.h"

#define AUTOMATION_EXPORT extern "C" __attribute__((visibility("default")))

namespace automation {

// One class of the module: creatable ones (with a factory) are registered and handed out by
// DllGetClassObject; the others exist only as results of methods. Rows are made with
// Creatable<C>(...) or ResultOnly<C>() from the class's identity and member table.
struct ClassEntry {
    CLSID clsid;
    const char* progId;          // "Corvane.AggCo.1": the version-independent one drops ".1"
    const char* threadingModel;  // "Free", "Both", "Apartment"
    GUID typeLib;
    bool programmable;
    IClassFactory* (*factory)();  // null for a class that only methods create
    const InterfaceInfo& (*interfaceInfo)();
};

// "AggCo" of "Corvane.AggCo.1"; the records' default value is "AggCo Class".
std::string ClassNameOf(const ClassEntry& c);
// "Corvane.AggCo" of "Corvane.AggCo.1".
std::string VersionIndependentProgId(const ClassEntry& c);

template <class C>
constexpr ClassEntry Creatable(const char* threadingModel, const GUID& typeLib, bool programmable = true) {
    return {C::identity.clsid, C::identity.progId, threadingModel, typeLib, programmable,
            &ClassFactory<C>::Instance, [] () -> const InterfaceInfo& { return C::table.info(); }};
}

template <class C>
constexpr ClassEntry ResultOnly() {
    return {C::identity.clsid, C::identity.progId, nullptr, GUID{}, false, nullptr,
            [] () -> const InterfaceInfo& { return C::table.info(); }};
}

// A published enumeration (the codes callers pass as plain integers), as a type library holds it.
struct EnumConstant {
    const char* name;
    std::int32_t value;
    const char* help;
};

struct Enumeration {
    const char* name;
    const char* help;
    std::vector<EnumConstant> constants;
};

// What the module publishes: its type library (name, identifier, help string, classes with their
// member tables, enumerations) and the records registration writes.
struct ServerInfo {
    const char* libName;     // "CORVANELib"
    GUID libid;
    const char* helpString;  // "Corvane 1.0 Type Library"
    std::span<const ClassEntry> classes;
    std::span<const Enumeration> enumerations;
    // Extra records of the module, written after the classes' (may be null).
    void (*registerExtra)(Registry& registry, const std::string& modulePath);
};

// Signatures of the module entry points, for hosts that look them up by name.
using DllGetClassObjectFn = HRESULT (*)(const CLSID* clsid, const IID* iid, void** out);
using DllCanUnloadNowFn = HRESULT (*)();
using DllRegisterServerFn = HRESULT (*)();
// The module's type library; every server module exports it beside the four entry points.
using DllGetTypeLibraryFn = const ServerInfo* (*)();

HRESULT ServerGetClassObject(const ServerInfo& server, const CLSID* clsid, const IID* iid, void** out);
HRESULT ServerCanUnloadNow();
HRESULT ServerRegister(const ServerInfo& server, const void* addressInModule);
HRESULT ServerUnregister(const ServerInfo& server);

// The absolute path of the shared object holding `address`.
std::string ModulePathOf(const void* address);

}  // namespace automation
