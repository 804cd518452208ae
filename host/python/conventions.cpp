#include "conventions.h"

#include "automation/enum_variant.h"
#include "automation/persist.h"
#include "errors.h"

namespace scripthost {

using namespace automation;

namespace {

// An enumerator of variants as a Python iterator.
struct Enumerator {
    ComPtr<IEnumVARIANT> enumerator;
};

// A reference to an object without a dispatch interface; it can only be held and compared.
struct Unknown {
    ComPtr<IUnknown> object;
};

py::object Next(Enumerator& e) {
    Variant item;
    std::uint32_t fetched = 0;
    HRESULT hr;
    {
        py::gil_scoped_release release;
        hr = e.enumerator->Next(1, &item, &fetched);
    }
    if (Failed(hr)) Raise(hr, "The enumerator failed");
    if (fetched == 0) throw py::stop_iteration();
    return FromVariant(std::move(item));
}

void Save(Dispatch& object, const std::string& path) {
    try {
        py::gil_scoped_release release;
        SaveObjectToFile(path, object.object.get());
    } catch (const StatusError& e) {
        Raise(e.code(), e.description());
    }
}

py::object Load(const std::string& path) {
    ComPtr<IUnknown> object;
    try {
        py::gil_scoped_release release;
        object = LoadObjectFromFile(path);
    } catch (const StatusError& e) {
        Raise(e.code(), e.description());
    }
    return FromUnknown(object.get());
}

}  // namespace

py::object FromUnknown(IUnknown* object) {
    if (!object) return py::none();
    if (auto dispatch = Query<IDispatch>(object, IID_IDispatch)) return WrapObject(std::move(dispatch));
    if (auto e = Query<IEnumVARIANT>(object, IID_IEnumVARIANT)) return py::cast(Enumerator{std::move(e)});
    return py::cast(Unknown{ComPtr<IUnknown>(object)});
}

void DefineConventions(py::module_& m) {
    py::class_<Enumerator>(m, "Enumerator")
        .def("__iter__", [](py::object self) { return self; })
        .def("__next__", &Next)
        .def("__repr__", [](Enumerator&) { return std::string("<automation enumerator>"); });

    py::class_<Unknown>(m, "Unknown")
        .def("__repr__", [](Unknown&) { return std::string("<automation object without a dispatch interface>"); })
        .def("__eq__", [](Unknown& a, py::object other) {
            return py::isinstance<Unknown>(other) &&
                   Query<IUnknown>(a.object.get(), IID_IUnknown).get() ==
                       Query<IUnknown>(other.cast<Unknown&>().object.get(), IID_IUnknown).get();
        });

    m.def("save", &Save, py::arg("object"), py::arg("path"));
    m.def("load", &Load, py::arg("path"));
}

}  // namespace scripthost
