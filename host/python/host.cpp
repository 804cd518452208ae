// The scripthost extension: create objects by ProgID, call their members by name or DISPID.
#include <dlfcn.h>
#include <malloc.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <strings.h>

#include "automation/activation.h"
#include "automation/bstr.h"
#include "automation/dispatch.h"
#include "automation/server.h"
#include "convert.h"

namespace scripthost {

using namespace automation;

namespace {

// The package's exception types; kept for the life of the process.
py::object* g_automationError = nullptr;
py::object* g_unknownNameError = nullptr;

[[noreturn]] void Raise(HRESULT hr, const ExcepInfo* excep, bool unknownName = false) {
    py::object description = py::none(), source = py::none();
    if (excep && excep->hasDescription) description = py::str(Utf16ToUtf8(excep->description));
    if (excep && !excep->source.empty()) source = py::str(excep->source);
    py::object type = *(unknownName ? g_unknownNameError : g_automationError);
    py::object error = type(static_cast<std::uint32_t>(hr), description, source);
    PyErr_SetObject(type.ptr(), error.ptr());
    throw py::error_already_set();
}

[[noreturn]] void Raise(HRESULT hr, const std::string& description) {
    ExcepInfo e;
    e.description = Utf8ToUtf16(description);
    e.hasDescription = true;
    Raise(hr, &e, hr == DISP_E_UNKNOWNNAME);
}

const char* KindName(InvokeKind k) {
    return k == InvokeKind::Method ? "method" : k == InvokeKind::PropertyGet ? "get" : "put";
}

InvokeKind KindFromName(const std::string& kind) {
    if (kind == "method") return InvokeKind::Method;
    if (kind == "get") return InvokeKind::PropertyGet;
    if (kind == "put") return InvokeKind::PropertyPut;
    throw py::value_error("kind must be \"method\", \"get\" or \"put\"");
}

bool SameName(const char* a, const std::string& b) { return strcasecmp(a, b.c_str()) == 0; }

// Calls one member: the in and in-out parameters from args (then keyword arguments, then
// "missing"), out parameters empty; returns the result, then the out and in-out parameters.
py::object Call(IDispatch* object, const MemberInfo& m, InvokeKind kind, const py::args& args,
                const py::kwargs& kwargs) {
    const std::size_t n = m.params.size();
    std::vector<Variant> slots(n);
    std::vector<py::object> rawArrays(n);
    std::size_t next = 0, usedKeywords = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const ParamInfo& p = m.params[i];
        const bool takesValue = p.dir != ParamDir::Out || p.vt == (VT_BYREF | VT_R8);
        if (!takesValue) continue;
        py::object value;
        if (next < args.size()) {
            value = args[next++];
        } else {
            for (auto item : kwargs)
                if (SameName(p.name, item.first.cast<std::string>())) {
                    value = py::reinterpret_borrow<py::object>(item.second);
                    ++usedKeywords;
                }
        }
        if (!value) {
            slots[i] = Variant::Missing();
        } else if (p.vt == (VT_BYREF | VT_R8)) {
            // A raw array parameter: the method writes into the caller's numpy array in place.
            auto a = py::array_t<double, py::array::c_style>::ensure(value);
            if (!a || !a.writeable() || a.ptr() != value.ptr())
                Raise(DISP_E_TYPEMISMATCH, std::string("parameter '") + p.name +
                                               "' takes a writable contiguous float64 numpy array");
            slots[i] = Variant::RefDoubles(a.mutable_data(), static_cast<std::uint32_t>(a.size()));
            rawArrays[i] = value;
        } else {
            slots[i] = ToVariant(value);
        }
    }
    if (next < args.size())
        Raise(DISP_E_BADPARAMCOUNT, std::string(m.name) + " takes at most " + std::to_string(next) + " arguments");
    if (usedKeywords != kwargs.size()) Raise(DISP_E_PARAMNOTFOUND, std::string("unknown keyword for ") + m.name);

    Variant result;
    ExcepInfo excep;
    HRESULT hr;
    {
        py::gil_scoped_release release;
        hr = object->Invoke(m.dispid, kind, slots.data(), n, m.resultName ? &result : nullptr, &excep);
    }
    if (Failed(hr)) Raise(hr, &excep);

    std::vector<py::object> outputs;
    if (m.resultName) outputs.push_back(FromVariant(std::move(result)));
    for (std::size_t i = 0; i < n; ++i) {
        const ParamDir d = m.params[i].dir;
        if (d != ParamDir::Out && d != ParamDir::InOut) continue;
        outputs.push_back(rawArrays[i] ? rawArrays[i] : FromVariant(std::move(slots[i])));
    }
    if (outputs.empty()) return py::none();
    if (outputs.size() == 1) return outputs[0];
    return py::tuple(py::cast(outputs));
}

const MemberInfo& Resolve(Dispatch& self, const std::string& name, InvokeKind kind) {
    DISPID id;
    if (Failed(self.object->GetIDsOfNames(name, &id)))
        Raise(DISP_E_UNKNOWNNAME, "Unknown name '" + name + "'");
    const MemberInfo* m = self.object->GetInterfaceInfo().Find(id, kind);
    if (!m) Raise(DISP_E_MEMBERNOTFOUND, "'" + name + "' cannot be used as a " + KindName(kind));
    return *m;
}

// A member called as a method: obj.Name(...).
struct BoundMethod {
    Dispatch self;
    const MemberInfo* member;
};

py::object GetAttr(Dispatch& self, const std::string& name) {
    if (name.size() > 1 && name[0] == '_' && name[1] == '_') throw py::attribute_error(name);
    DISPID id;
    if (Failed(self.object->GetIDsOfNames(name, &id))) Raise(DISP_E_UNKNOWNNAME, "Unknown name '" + name + "'");
    const InterfaceInfo& info = self.object->GetInterfaceInfo();
    if (const MemberInfo* m = info.Find(id, InvokeKind::Method)) return py::cast(BoundMethod{self, m});
    if (const MemberInfo* m = info.Find(id, InvokeKind::PropertyGet))
        return Call(self.object.get(), *m, InvokeKind::PropertyGet, py::args(), py::kwargs());
    Raise(DISP_E_MEMBERNOTFOUND, "'" + name + "' can only be set");
}

void SetAttr(Dispatch& self, const std::string& name, py::object value) {
    const MemberInfo& m = Resolve(self, name, InvokeKind::PropertyPut);
    Call(self.object.get(), m, InvokeKind::PropertyPut, py::make_tuple(value), py::kwargs());
}

py::object CreateObject(const std::string& name) {
    void* out = nullptr;
    ExcepInfo excep;
    HRESULT hr = automation::CreateObject(name, IID_IDispatch, &out, &excep);
    if (Failed(hr)) Raise(hr, &excep);
    return py::cast(Dispatch{ComPtr<IDispatch>::Adopt(static_cast<IDispatch*>(out))});
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

PYBIND11_MODULE(_scripthost, m) {
    m.doc() = "The automation host: objects by ProgID, members by name or DISPID.";

    // Calls move arrays of millions of doubles in fresh buffers. Serving those from the heap
    // instead of fresh mappings lets later calls reuse pages already touched, which spares the
    // page faults that would otherwise cost several times the copies themselves.
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);

    py::class_<Dispatch>(m, "Dispatch")
        .def("__getattr__", &GetAttr)
        .def("__setattr__", &SetAttr)
        .def("__dir__",
             [](Dispatch& self) {
                 py::list names;
                 for (const auto& member : self.object->GetInterfaceInfo().members) names.append(member.name);
                 return names;
             })
        .def("__repr__",
             [](Dispatch& self) {
                 return std::string("<") + self.object->GetInterfaceInfo().name + " object>";
             })
        .def("__eq__",
             [](Dispatch& a, py::object other) {
                 if (!py::isinstance<Dispatch>(other)) return false;
                 auto ua = Query<IUnknown>(a.object.get(), IID_IUnknown);
                 auto ub = Query<IUnknown>(other.cast<Dispatch&>().object.get(), IID_IUnknown);
                 return ua.get() == ub.get();
             })
        .def("__hash__",
             [](Dispatch& self) {
                 return reinterpret_cast<std::uintptr_t>(Query<IUnknown>(self.object.get(), IID_IUnknown).get());
             })
        .def("_dispid_",
             [](Dispatch& self, const std::string& name) {
                 DISPID id;
                 HRESULT hr = self.object->GetIDsOfNames(name, &id);
                 if (Failed(hr)) Raise(hr, "Unknown name '" + name + "'");
                 return id;
             })
        .def("_invoke_",
             [](Dispatch& self, DISPID id, const std::string& kindName, py::args args, py::kwargs kwargs) {
                 InvokeKind kind = KindFromName(kindName);
                 const MemberInfo* m = self.object->GetInterfaceInfo().Find(id, kind);
                 if (!m) Raise(DISP_E_MEMBERNOTFOUND, "No " + kindName + " with DISPID " + std::to_string(id));
                 return Call(self.object.get(), *m, kind, args, kwargs);
             })
        .def("_members_", [](Dispatch& self) {
            py::list rows;
            for (const auto& member : self.object->GetInterfaceInfo().members) {
                py::list params;
                for (const auto& p : member.params)
                    params.append(py::make_tuple(p.name, static_cast<int>(p.dir), p.vt));
                rows.append(py::make_tuple(member.dispid, KindName(member.kind), member.name, params,
                                           member.resultName ? py::object(py::str(member.resultName)) : py::none()));
            }
            return rows;
        });

    py::class_<BoundMethod>(m, "BoundMethod")
        .def("__call__",
             [](BoundMethod& b, py::args args, py::kwargs kwargs) {
                 return Call(b.self.object.get(), *b.member, InvokeKind::Method, args, kwargs);
             })
        .def("__repr__", [](BoundMethod& b) { return std::string("<automation method ") + b.member->name + ">"; });

    m.def("CreateObject", &CreateObject, py::arg("name"));
    m.def("call_entry_point", &CallEntryPoint);
    m.def("_set_error_types", [](py::object automationError, py::object unknownNameError) {
        g_automationError = new py::object(automationError);
        g_unknownNameError = new py::object(unknownNameError);
    });
}

}  // namespace scripthost
