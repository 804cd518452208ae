// The plot engines by plot-type code, filled once when the library is loaded.
#pragma once

#include <cstdint>
#include <memory>

#include "Lumenar/PlotEngine.h"

namespace lumenar {

// A new engine of the code's type attached to `graph`; null for a code that is not registered.
std::unique_ptr<CPlotEngine> MakeEngine(std::int32_t code, GraphState& graph);

}  // namespace lumenar
