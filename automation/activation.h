// Activation: a ProgID or "{CLSID}" text -> registry -> module path -> dlopen ->
// DllGetClassObject -> class factory -> a new object.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "automation/unknown.h"

namespace automation {

// CO_E_CLASSSTRING when the text is neither a registered ProgID nor a well-formed CLSID.
HRESULT ClsidFromName(std::string_view name, CLSID* clsid);
// REGDB_E_CLASSNOTREG when the registry does not know the CLSID.
HRESULT GetClassObject(const CLSID& clsid, IClassFactory** factory, ExcepInfo* excep);
HRESULT CreateObject(std::string_view name, const IID& iid, void** out, ExcepInfo* excep);
HRESULT CreateObject(const CLSID& clsid, const IID& iid, void** out, ExcepInfo* excep);
// Loads a module (kept loaded for the life of the process) and returns its handle, or null.
void* LoadModule(const std::string& path, std::string* error);
// The paths of the modules loaded so far, in the order they were loaded.
std::vector<std::string> LoadedModules();

}  // namespace automation
