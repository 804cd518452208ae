// Failures of automation calls as the package's Python exceptions.
#pragma once

#include <pybind11/pybind11.h>

#include <string>

#include "automation/unknown.h"

namespace scripthost {

namespace py = pybind11;

// The package's exception types, handed over when the package is imported.
void SetErrorTypes(py::object automationError, py::object unknownNameError);

// Raises AutomationError (UnknownNameError for DISP_E_UNKNOWNNAME) with the record's description
// and source; `subject` names what the status is about when the server gave no description
// (the ProgID of a failed creation).
[[noreturn]] void Raise(automation::HRESULT hr, const automation::ExcepInfo* excep, const std::string& subject = {});
[[noreturn]] void Raise(automation::HRESULT hr, const std::string& description);

// UTF-8 of a Python str; a str that has no UTF-8 form (a lone surrogate) raises UnicodeEncodeError.
std::string Utf8Of(py::handle text);

}  // namespace scripthost
