// The host side of embeddable controls: a site that gives a control its window, and the
// persistence of a control to a stream and to a property bag.
#pragma once

#include "convert.h"

namespace scripthost {

void DefineControlSite(py::module_& m);

}  // namespace scripthost
