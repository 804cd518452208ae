#include "errors.h"

#include "automation/bstr.h"

namespace scripthost {

using namespace automation;

namespace {

py::object* g_automationError = nullptr;
py::object* g_unknownNameError = nullptr;

}  // namespace

void SetErrorTypes(py::object automationError, py::object unknownNameError) {
    // Kept for the life of the process.
    g_automationError = new py::object(std::move(automationError));
    g_unknownNameError = new py::object(std::move(unknownNameError));
}

void Raise(HRESULT hr, const ExcepInfo* excep, const std::string& subject) {
    py::object description = py::none(), source = py::none(), about = py::none();
    if (excep && excep->hasDescription) description = py::str(Utf16ToUtf8(excep->description));
    if (excep && !excep->source.empty()) source = py::str(excep->source);
    if (!subject.empty()) about = py::str(subject);
    py::object type = *(hr == DISP_E_UNKNOWNNAME ? g_unknownNameError : g_automationError);
    py::object error = type(static_cast<std::uint32_t>(hr), description, source, about);
    PyErr_SetObject(type.ptr(), error.ptr());
    throw py::error_already_set();
}

void Raise(HRESULT hr, const std::string& description) {
    ExcepInfo e;
    e.description = Utf8ToUtf16(description);
    e.hasDescription = true;
    Raise(hr, &e);
}

std::string Utf8Of(py::handle text) {
    Py_ssize_t size = 0;
    const char* data = PyUnicode_AsUTF8AndSize(text.ptr(), &size);
    if (!data) throw py::error_already_set();
    return std::string(data, static_cast<std::size_t>(size));
}

}  // namespace scripthost
