#include "control_site.h"

#include <map>

#include "automation/bstr.h"
#include "automation/control_persist.h"
#include "automation/control_window.h"
#include "errors.h"

namespace scripthost {

using namespace automation;

namespace {

void Check(HRESULT hr, const ExcepInfo& excep = {}) {
    if (Failed(hr)) Raise(hr, &excep);
}

// Calls a member of the control-site interface that reports its failure in an ExcepInfo.
template <class F>
void Call(F&& f) {
    ExcepInfo excep;
    HRESULT hr;
    {
        py::gil_scoped_release release;
        hr = f(&excep);
    }
    Check(hr, excep);
}

template <class T>
ComPtr<T> Require(const Dispatch& object, const IID& iid, const char* what) {
    auto p = Query<T>(object.object.get(), iid);
    if (!p) throw py::type_error(std::string("the object has no ") + what);
    return p;
}

// The site of one control: its window inside the host's.
struct ControlSite {
    ComPtr<IControlWindow> control;

    void Create(std::uint64_t parent, std::int32_t width, std::int32_t height) {
        Call([&](ExcepInfo* e) { return control->CreateInParent(parent, width, height, e); });
    }
    void Show(bool visible) {
        Call([&](ExcepInfo* e) { return control->Show(visible, e); });
    }
    void Resize(std::int32_t width, std::int32_t height) {
        Call([&](ExcepInfo* e) { return control->Resize(width, height, e); });
    }
    void Destroy() {
        Call([&](ExcepInfo* e) { return control->Destroy(e); });
    }
    void Pump() {
        Call([&](ExcepInfo* e) { return control->PumpEvents(e); });
    }
    std::uint64_t Window() {
        std::uint64_t id = 0;
        Check(control->GetWindow(&id));
        return id;
    }
    std::string Display() {
        std::u16string name;
        Check(control->GetDisplayName(&name));
        return Utf16ToUtf8(name);
    }
};

// A property bag held by the host: named values with their types.
class PropertyBag final : public IPropertyBag {
public:
    HRESULT QueryInterface(const IID& iid, void** out) override {
        if (!out) return E_POINTER;
        *out = iid == IID_IUnknown || iid == IID_IPropertyBag ? static_cast<IPropertyBag*>(this) : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    // Lives on the host's stack for one call.
    std::uint32_t AddRef() override { return 1; }
    std::uint32_t Release() override { return 1; }

    HRESULT Read(const char16_t* name, Variant* value) override {
        auto it = values.find(name);
        if (it == values.end()) return E_INVALIDARG;
        try {
            *value = value->vt() == VT_EMPTY ? it->second : ChangeType(it->second, value->vt());
            return S_OK;
        } catch (const StatusError& e) {
            return e.code();
        }
    }
    HRESULT Write(const char16_t* name, const Variant& value) override {
        values[name] = value;
        return S_OK;
    }

    std::map<std::u16string, Variant> values;
};

py::bytes SaveStream(const Dispatch& object) {
    auto persist = Require<IPersistStreamInit>(object, IID_IPersistStreamInit, "stream persistence");
    auto stream = MemoryStream::Create();
    Check(persist->Save(stream.get(), true));
    const auto& bytes = stream->bytes();
    return py::bytes(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void LoadStream(const Dispatch& object, const py::bytes& record) {
    auto persist = Require<IPersistStreamInit>(object, IID_IPersistStreamInit, "stream persistence");
    const std::string text = record;
    auto stream = MemoryStream::Create(std::vector<std::uint8_t>(text.begin(), text.end()));
    Check(persist->Load(stream.get()));
}

// The bag as {name: (vartype, value)}.
py::dict SaveProperties(const Dispatch& object) {
    auto persist = Require<IPersistPropertyBag>(object, IID_IPersistPropertyBag, "property-bag persistence");
    PropertyBag bag;
    Check(persist->Save(&bag, true, true));
    py::dict out;
    for (auto& [name, value] : bag.values) {
        const int vt = value.vt();
        out[py::str(Utf16ToUtf8(name))] = py::make_tuple(vt, FromVariant(Variant(value)));
    }
    return out;
}

// Values of the bag as {name: value} or {name: (vartype, value)}.
void LoadProperties(const Dispatch& object, const py::dict& values) {
    auto persist = Require<IPersistPropertyBag>(object, IID_IPersistPropertyBag, "property-bag persistence");
    PropertyBag bag;
    for (auto item : values) {
        py::handle v = item.second;
        Variant value;
        if (py::isinstance<py::tuple>(v) && py::len(v) == 2) {
            auto t = v.cast<py::tuple>();
            value = ChangeType(ToVariant(t[1]), static_cast<VARTYPE>(t[0].cast<int>()));
        } else {
            value = ToVariant(v);
        }
        bag.values[Utf8ToUtf16(item.first.cast<std::string>())] = std::move(value);
    }
    Check(persist->Load(&bag));
}

}  // namespace

void DefineControlSite(py::module_& m) {
    py::class_<ControlSite>(m, "ControlSite",
                            "The site of an embeddable control: ControlSite(control) for an object with a window of its\n"
                            "own. create(parent, width, height) makes the control's window inside the X window parent\n"
                            "(for example a Tk frame's winfo_id(); 0 for a top-level window); show(visible),\n"
                            "resize(width, height) and destroy() manage it, and pump() lets the control handle the\n"
                            "events that arrived for it (call it from the host's event loop). window and display name\n"
                            "the window and its X display.")
        .def(py::init([](const Dispatch& object) {
                 return ControlSite{Require<IControlWindow>(object, IID_IControlWindow, "control window")};
             }),
             py::arg("control"))
        .def("create", &ControlSite::Create, py::arg("parent"), py::arg("width"), py::arg("height"))
        .def("show", &ControlSite::Show, py::arg("visible") = true)
        .def("resize", &ControlSite::Resize, py::arg("width"), py::arg("height"))
        .def("destroy", &ControlSite::Destroy)
        .def("pump", &ControlSite::Pump)
        .def_property_readonly("window", &ControlSite::Window)
        .def_property_readonly("display", &ControlSite::Display);
    m.def("save_stream", &SaveStream, py::arg("control"));
    m.def("load_stream", &LoadStream, py::arg("control"), py::arg("record"));
    m.def("save_properties", &SaveProperties, py::arg("control"));
    m.def("load_properties", &LoadProperties, py::arg("control"), py::arg("values"));
}

}  // namespace scripthost
