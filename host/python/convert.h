// Python values to variants and back.
#pragma once

#include <pybind11/pybind11.h>

#include "automation/unknown.h"
#include "automation/variant.h"

namespace scripthost {

namespace py = pybind11;

// A host object: one reference to an object's dispatch interface.
struct Dispatch {
    automation::ComPtr<automation::IDispatch> object;
};

// A host object of the interface's Python class (made by the package from its member table).
py::object WrapObject(automation::ComPtr<automation::IDispatch> object);

// The package's value that stands for an omitted optional argument (passes as "missing").
void SetMissing(py::object missing);

// float -> VT_R8, int -> VT_I4 (VT_R8 when it does not fit, OverflowError beyond a double's range),
// bool -> VT_BOOL, str -> VT_BSTR (UnicodeEncodeError when it has no UTF-8 form),
// None -> VT_EMPTY, host objects -> VT_DISPATCH, sequences and numeric arrays -> safe arrays of
// VT_R8 (a[i, j] is element (i, j)); sequences holding other things -> arrays of variants.
automation::Variant ToVariant(py::handle value);

// Numbers, text and objects as themselves; numeric arrays as numpy arrays of their shape
// (VT_R8 arrays are handed over without a copy).
py::object FromVariant(automation::Variant&& value);

}  // namespace scripthost
