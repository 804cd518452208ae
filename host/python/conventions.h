// The platform's conventions for script hosts that need the extension: enumerators of variants
// (what a DISPID -4 member hands out) as Python iterators, references without a dispatch
// interface, and objects saved to and loaded from files by class identity. The package makes an
// object with a DISPID -4 member iterable and its DISPID 0 member its call and index
// (scripthost/objects.py).
#pragma once

#include "convert.h"

namespace scripthost {

// An object reference that need not answer IDispatch: a host object when it does, an iterator
// when it is an enumerator of variants, an opaque handle otherwise.
py::object FromUnknown(automation::IUnknown* object);

void DefineConventions(py::module_& m);

}  // namespace scripthost
