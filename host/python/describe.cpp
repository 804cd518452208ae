#include "describe.h"

#include <dlfcn.h>

#include "automation/activation.h"
#include "automation/registry.h"
#include "automation/server.h"
#include "call.h"
#include "errors.h"

namespace scripthost {

using namespace automation;

const char* KindName(InvokeKind k) {
    return k == InvokeKind::Method ? "method" : k == InvokeKind::PropertyGet ? "get" : "put";
}

namespace {

const char* DirectionName(ParamDir d) {
    switch (d) {
        case ParamDir::In: return "in";
        case ParamDir::Out: return "out";
        case ParamDir::InOut: return "inout";
        case ParamDir::Optional: return "optional";
        case ParamDir::Result: return "result";
    }
    return "in";
}

const char* TypeName(VARTYPE vt) {
    switch (vt) {
        case VT_I2: case VT_I4: return "int";
        case VT_R8: return "float";
        case VT_BOOL: return "bool";
        case VT_BSTR: return "str";
        case VT_DISPATCH: return "object";
        case VT_BYREF | VT_R8: return "float64 array";
        default: return "any";
    }
}

py::dict DescribeMember(const MemberInfo& m) {
    py::list params;
    for (const ParamInfo& p : m.params) params.append(py::make_tuple(p.name, DirectionName(p.dir), TypeName(p.vt), TakesValue(p)));
    py::dict d;
    d["dispid"] = m.dispid;
    d["kind"] = KindName(m.kind);
    d["name"] = m.name;
    d["params"] = params;
    d["result"] = m.resultName ? py::object(py::make_tuple(m.resultName, TypeName(m.resultVt))) : py::none();
    d["help"] = m.help;
    return d;
}

}  // namespace

py::dict DescribeInterface(const InterfaceInfo& info) {
    py::list members;
    for (const MemberInfo& m : info.members) members.append(DescribeMember(m));
    py::dict d;
    d["name"] = info.name;
    d["iid"] = GuidText(info.iid);
    d["members"] = members;
    return d;
}

py::object DescribeLibrary(const std::string& modulePath) {
    std::string error;
    void* module = LoadModule(modulePath, &error);
    if (!module) Raise(CO_E_DLLNOTFOUND, "Cannot load " + modulePath + ": " + error);
    auto get = reinterpret_cast<DllGetTypeLibraryFn>(dlsym(module, "DllGetTypeLibrary"));
    if (!get) return py::none();
    const ServerInfo& lib = *get();
    py::list classes;
    for (const ClassEntry& c : lib.classes) {
        py::dict d;
        d["name"] = ClassNameOf(c);
        d["progid"] = c.progId;
        d["viprogid"] = c.factory ? py::object(py::str(VersionIndependentProgId(c))) : py::none();
        d["clsid"] = GuidText(c.clsid);
        d["interface"] = DescribeInterface(c.interfaceInfo());
        classes.append(d);
    }
    py::list enumerations;
    for (const Enumeration& e : lib.enumerations) {
        py::list constants;
        for (const EnumConstant& k : e.constants) constants.append(py::make_tuple(k.name, k.value, k.help));
        py::dict d;
        d["name"] = e.name;
        d["help"] = e.help;
        d["constants"] = constants;
        enumerations.append(d);
    }
    py::dict d;
    d["name"] = lib.libName;
    d["libid"] = GuidText(lib.libid);
    d["help"] = lib.helpString;
    d["path"] = modulePath;
    d["classes"] = classes;
    d["enumerations"] = enumerations;
    return d;
}

py::list RegisteredLibraryPaths() {
    Registry r;
    try {
        r = Registry::Load(Registry::DefaultPath());
    } catch (const StatusError& e) {
        Raise(e.code(), e.description());
    }
    py::list paths;
    for (const std::string& libid : r.SubKeys("TypeLib"))
        for (const std::string& version : r.SubKeys("TypeLib\\" + libid))
            if (auto path = r.GetValue("TypeLib\\" + libid + "\\" + version + "\\0\\linux64")) paths.append(*path);
    return paths;
}

}  // namespace scripthost
