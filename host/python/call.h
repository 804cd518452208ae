// One late-bound call: Python arguments to the member's parameter slots, the call, and the
// values that come back.
#pragma once

#include <pybind11/pybind11.h>

#include "automation/dispatch.h"

namespace scripthost {

namespace py = pybind11;

// Whether the caller passes a value for the parameter: the in, in-out and optional ones, and the
// raw arrays the method fills in place.
bool TakesValue(const automation::ParamInfo& p);

// The in and in-out parameters from args (then keyword arguments, then "missing"), out
// parameters empty; returns the result, then the out and in-out parameters: one value as itself,
// several as a tuple, none as None.
py::object Call(automation::IDispatch* object, const automation::MemberInfo& m, automation::InvokeKind kind,
                const py::tuple& args, const py::dict& kwargs);

// The function that raises the package's AccuracyWarning(text, figures), handed over when the
// package is imported: a successful call whose note asks for a warning calls it.
void SetWarning(py::object warn);

// (text, figures) of the note the calling thread's last successful call left, or None.
py::object LastNote();

}  // namespace scripthost
