#include "call.h"

#include <pybind11/numpy.h>

#include <strings.h>

#include "convert.h"
#include "errors.h"

namespace scripthost {

using namespace automation;

bool TakesValue(const ParamInfo& p) { return p.dir != ParamDir::Out || p.vt == (VT_BYREF | VT_R8); }

namespace {

py::object* g_warn = nullptr;  // kept for the life of the process

// The note of the calling thread's last successful call.
thread_local std::optional<CallNote> t_lastNote;

py::dict Figures(const CallNote& note) {
    py::dict figures;
    for (const auto& [name, value] : note.figures) figures[py::str(name)] = value;
    return figures;
}

// Keeps a successful call's note for LastNote() and warns when the note asks for it.
void Noted(std::optional<CallNote> note) {
    t_lastNote = std::move(note);
    if (t_lastNote && t_lastNote->warn && g_warn) (*g_warn)(t_lastNote->text, Figures(*t_lastNote));
}

std::string ParameterNames(const MemberInfo& m) {
    std::string names;
    for (const ParamInfo& p : m.params) {
        if (!TakesValue(p)) continue;
        if (!names.empty()) names += ", ";
        names += p.name;
    }
    return names.empty() ? "none" : names;
}

// The keyword arguments matched to parameter slots (case-insensitively, as names are).
std::vector<py::object> KeywordValues(const MemberInfo& m, const py::dict& kwargs, std::size_t positional) {
    std::vector<py::object> values(m.params.size());
    for (auto item : kwargs) {
        const std::string key = Utf8Of(item.first);
        std::size_t i = 0, taking = 0;
        for (; i < m.params.size(); ++i) {
            if (strcasecmp(m.params[i].name, key.c_str()) == 0) break;
            if (TakesValue(m.params[i])) ++taking;
        }
        if (i == m.params.size())
            Raise(DISP_E_PARAMNOTFOUND, std::string(m.name) + " has no parameter '" + key + "'; its parameters are " +
                                            ParameterNames(m));
        if (!TakesValue(m.params[i]))
            Raise(DISP_E_PARAMNOTFOUND, "'" + key + "' is an out parameter of " + m.name +
                                            "; it comes back as a result, it is not passed");
        if (taking < positional)
            Raise(DISP_E_BADPARAMCOUNT, std::string(m.name) + " got parameter '" + m.params[i].name +
                                            "' both by position and by keyword");
        values[i] = py::reinterpret_borrow<py::object>(item.second);
    }
    return values;
}

}  // namespace

py::object Call(IDispatch* object, const MemberInfo& m, InvokeKind kind, const py::tuple& args,
                const py::dict& kwargs) {
    const std::size_t n = m.params.size();
    std::size_t taking = 0;
    for (const ParamInfo& p : m.params) taking += TakesValue(p);
    if (args.size() > taking)
        Raise(DISP_E_BADPARAMCOUNT, std::string(m.name) + " takes at most " + std::to_string(taking) +
                                        " arguments (" + ParameterNames(m) + "), " + std::to_string(args.size()) +
                                        " given");
    std::vector<py::object> values = kwargs.empty() ? std::vector<py::object>(n) : KeywordValues(m, kwargs, args.size());

    std::vector<Variant> slots(n);
    std::vector<py::object> rawArrays(n);
    for (std::size_t i = 0, next = 0; i < n; ++i) {
        const ParamInfo& p = m.params[i];
        if (!TakesValue(p)) continue;
        py::object value = next < args.size() ? py::reinterpret_borrow<py::object>(args[next++]) : values[i];
        if (!value) {
            slots[i] = Variant::Missing();
        } else if (p.vt == (VT_BYREF | VT_R8)) {
            // A raw array parameter: the method writes into the caller's numpy array in place.
            auto a = py::array_t<double, py::array::c_style>::ensure(value);
            if (!a || !a.writeable() || a.ptr() != value.ptr()) {
                PyErr_Clear();
                Raise(DISP_E_TYPEMISMATCH, std::string("parameter '") + p.name +
                                               "' takes a writable contiguous float64 numpy array");
            }
            slots[i] = Variant::RefDoubles(a.mutable_data(), static_cast<std::uint32_t>(a.size()));
            rawArrays[i] = value;
        } else {
            slots[i] = ToVariant(value);
        }
    }

    Variant result;
    ExcepInfo excep;
    HRESULT hr;
    {
        py::gil_scoped_release release;
        hr = object->Invoke(m.dispid, kind, slots.data(), n, m.resultName ? &result : nullptr, &excep);
    }
    if (Failed(hr)) Raise(hr, &excep);
    Noted(std::move(excep.note));

    std::vector<py::object> outputs;
    if (m.resultName) outputs.push_back(FromVariant(std::move(result)));
    for (std::size_t i = 0; i < n; ++i) {
        const ParamDir d = m.params[i].dir;
        if (d != ParamDir::Out && d != ParamDir::InOut) continue;
        outputs.push_back(rawArrays[i] ? rawArrays[i] : FromVariant(std::move(slots[i])));
    }
    if (outputs.empty()) return py::none();
    if (outputs.size() == 1) return outputs[0];
    py::tuple t(outputs.size());
    for (std::size_t k = 0; k < outputs.size(); ++k) t[k] = std::move(outputs[k]);
    return t;
}

void SetWarning(py::object warn) { g_warn = new py::object(std::move(warn)); }

py::object LastNote() {
    if (!t_lastNote) return py::none();
    return py::make_tuple(t_lastNote->text, Figures(*t_lastNote));
}

}  // namespace scripthost
