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

// float -> VT_R8, int -> VT_I4 (VT_R8 when it does not fit), bool -> VT_BOOL, str -> VT_BSTR,
// None -> VT_EMPTY, host objects -> VT_DISPATCH, sequences and numeric arrays -> safe arrays of
// VT_R8 (a[i, j] is element (i, j)); sequences holding other things -> arrays of variants.
automation::Variant ToVariant(py::handle value);

// Numbers, text and objects as themselves; numeric arrays as numpy arrays of their shape
// (VT_R8 arrays are handed over without a copy).
py::object FromVariant(automation::Variant&& value);

}  // namespace scripthost
