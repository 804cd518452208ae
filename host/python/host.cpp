// The scripthost extension: create objects by ProgID, call their members by name or DISPID,
// describe member tables and type libraries. How a host object behaves in Python (its class
// with one attribute per member, signatures and help) is defined by the package
// (scripthost/objects.py) from the descriptions made here.
#include <dlfcn.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <unordered_map>

#include "automation/activation.h"
#include "automation/dispatch.h"
#include "automation/server.h"
#include "call.h"
#include "control_site.h"
#include "conventions.h"
#include "convert.h"
#include "describe.h"
#include "errors.h"

namespace scripthost {

using namespace automation;

namespace {

// The package's factory of host classes: interface description -> Python class.
py::object* g_classFor = nullptr;

const MemberInfo& FindMember(Dispatch& self, DISPID id, InvokeKind kind) {
    const MemberInfo* m = self.object->GetInterfaceInfo().Find(id, kind);
    if (!m)
        Raise(DISP_E_MEMBERNOTFOUND, std::string("No ") + KindName(kind) + " with DISPID " + std::to_string(id));
    return *m;
}

InvokeKind KindFromName(const std::string& kind) {
    if (kind == "method") return InvokeKind::Method;
    if (kind == "get") return InvokeKind::PropertyGet;
    if (kind == "put") return InvokeKind::PropertyPut;
    throw py::value_error("kind must be \"method\", \"get\" or \"put\"");
}

py::object CreateObject(py::str name) {
    const std::string text = Utf8Of(name);
    void* out = nullptr;
    ExcepInfo excep;
    HRESULT hr = automation::CreateObject(text, IID_IDispatch, &out, &excep);
    if (Failed(hr)) Raise(hr, &excep, text);
    return WrapObject(ComPtr<IDispatch>::Adopt(static_cast<IDispatch*>(out)));
}

void CallEntryPoint(const std::string& path, const std::string& entry) {
    std::string error;
    void* module = LoadModule(path, &error);
    if (!module) Raise(CO_E_DLLNOTFOUND, "Cannot load " + path + ": " + error);
    auto fn = reinterpret_cast<DllRegisterServerFn>(dlsym(module, entry.c_str()));
    if (!fn) Raise(CO_E_ERRORINDLL, path + " has no " + entry);
    HRESULT hr = fn();
    if (Failed(hr)) Raise(hr, entry + " failed");
}

}  // namespace

py::object WrapObject(ComPtr<IDispatch> object) {
    // Interface tables live as long as their modules, which stay loaded.
    static std::unordered_map<const InterfaceInfo*, py::object>* classes =
        new std::unordered_map<const InterfaceInfo*, py::object>;
    const InterfaceInfo* info = &object->GetInterfaceInfo();
    auto it = classes->find(info);
    if (it == classes->end()) it = classes->emplace(info, (*g_classFor)(DescribeInterface(*info))).first;
    return it->second(py::cast(Dispatch{std::move(object)}));
}

PYBIND11_MODULE(_scripthost, m) {
    m.doc() = "The automation host: objects by ProgID, members by name or DISPID, type libraries.";

    // pybind11 fills its table of numpy's C functions on first use under a static guard; doing it
    // here, while the import holds the interpreter, keeps two threads' first calls from waiting
    // on each other (one holding the guard and importing numpy, the other holding the GIL).
    py::module_::import("numpy");
    py::detail::npy_api::get();

    py::class_<Dispatch>(m, "Dispatch")
        .def(py::init([](const Dispatch& other) { return other; }))
        .def("_call_",
             [](Dispatch& self, DISPID id, int kind, py::tuple args, py::dict kwargs) {
                 InvokeKind k = static_cast<InvokeKind>(kind);
                 return Call(self.object.get(), FindMember(self, id, k), k, args, kwargs);
             })
        .def("_invoke_",
             [](Dispatch& self, DISPID id, const std::string& kindName, py::args args, py::kwargs kwargs) {
                 InvokeKind kind = KindFromName(kindName);
                 return Call(self.object.get(), FindMember(self, id, kind), kind, args, kwargs);
             })
        .def("_dispid_",
             [](Dispatch& self, py::str name) {
                 const std::string text = Utf8Of(name);
                 DISPID id;
                 HRESULT hr = self.object->GetIDsOfNames(text, &id);
                 if (Failed(hr)) Raise(hr, "Unknown name '" + text + "'");
                 return id;
             })
        .def("_interface_", [](Dispatch& self) { return DescribeInterface(self.object->GetInterfaceInfo()); })
        .def("__eq__",
             [](Dispatch& a, py::object other) {
                 if (!py::isinstance<Dispatch>(other)) return false;
                 auto ua = Query<IUnknown>(a.object.get(), IID_IUnknown);
                 auto ub = Query<IUnknown>(other.cast<Dispatch&>().object.get(), IID_IUnknown);
                 return ua.get() == ub.get();
             })
        .def("__hash__", [](Dispatch& self) {
            return reinterpret_cast<std::uintptr_t>(Query<IUnknown>(self.object.get(), IID_IUnknown).get());
        });

    DefineConventions(m);
    DefineControlSite(m);

    m.def("CreateObject", &CreateObject, py::arg("name"));
    m.def("call_entry_point", &CallEntryPoint);
    m.def("describe_library", &DescribeLibrary, py::arg("module_path"));
    m.def("registered_library_paths", &RegisteredLibraryPaths);
    m.def("loaded_modules", [] {
        py::list paths;
        for (const std::string& p : LoadedModules()) paths.append(p);
        return paths;
    });
    m.def("last_note", &LastNote,
          "(text, figures) of the note the calling thread's last successful call left, or None");
    m.def("_set_warning", &SetWarning);
    m.def("_set_host_types",
          [](py::object automationError, py::object unknownNameError, py::object classFor, py::object missing) {
              SetErrorTypes(std::move(automationError), std::move(unknownNameError));
              g_classFor = new py::object(std::move(classFor));
              SetMissing(std::move(missing));
          });
}

}  // namespace scripthost
