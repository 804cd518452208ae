#include "Lumenar/EngineRegistry.h"

#include <map>

#include "Lumenar/engines/Engines.h"

namespace lumenar {

namespace {

// Filled when the library is loaded, read only afterwards.
const std::map<std::int32_t, engines::Factory> kEngines = {
    {1, &engines::MakeQuadric},       {11, &engines::MakeSurface},     {12, &engines::MakeLoweredContours},
    {13, &engines::MakeFlatContours}, {14, &engines::MakeCutPlane},    {15, &engines::MakeProbeTubes},
    {16, &engines::MakeFermat3},      {17, &engines::MakeFermat4},     {18, &engines::MakeSpotty},
    {19, &engines::MakeCalabiYau},    {20, &engines::MakePosterior},   {21, &engines::MakeGradientImage},
    {22, &engines::MakeDecimatedSurface},
};

}  // namespace

std::unique_ptr<CPlotEngine> MakeEngine(std::int32_t code, GraphState& graph) {
    const auto it = kEngines.find(code);
    return it == kEngines.end() ? nullptr : it->second(graph);
}

}  // namespace lumenar
