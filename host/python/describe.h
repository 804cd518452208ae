// Member tables and type libraries as plain Python data, for the package's introspection.
#pragma once

#include <pybind11/pybind11.h>

#include <string>

#include "automation/dispatch.h"

namespace scripthost {

namespace py = pybind11;

// {"name", "iid", "members": [{"dispid", "kind", "name", "params": [(name, direction, type, passed)],
//   "result": (name, type) or None, "help"}]}; directions "in", "out", "inout", "optional";
// types as a script sees them: "int", "float", "bool", "str", "object", "any", "float64 array".
py::dict DescribeInterface(const automation::InterfaceInfo& info);

// The type library a module publishes, loading the module if needed; None when it publishes none.
// {"name", "libid", "help", "path", "classes": [{"name", "progid", "viprogid" (None for a class only
// methods create), "clsid", "interface"}], "enumerations": [{"name", "help", "constants": [(name, value, help)]}]}
py::object DescribeLibrary(const std::string& modulePath);

// Paths of the modules of the type libraries named in the registry.
py::list RegisteredLibraryPaths();

const char* KindName(automation::InvokeKind k);

}  // namespace scripthost
