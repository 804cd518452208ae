#include "Lumenar/EngineRegistry.h"

#include <map>

#include "Lumenar/codes.h"
#include "Lumenar/engines/Engines.h"

namespace lumenar {

namespace {

// Filled when the library is loaded, read only afterwards.
const std::map<std::int32_t, engines::Factory> kEngines = {
    {peQuadric, &engines::MakeQuadric},
    {peSurface, &engines::MakeSurface},
    {peSurfaceContours, &engines::MakeLoweredContours},
    {peContours, &engines::MakeFlatContours},
    {peCutPlane, &engines::MakeCutPlane},
    {peProbeTubes, &engines::MakeProbeTubes},
    {peFermat3, &engines::MakeFermat3},
    {peFermat4, &engines::MakeFermat4},
    {peSpotty, &engines::MakeSpotty},
    {peCalabiYau, &engines::MakeCalabiYau},
    {pePosterior, &engines::MakePosterior},
    {peGradientImage, &engines::MakeGradientImage},
    {peDecimatedSurface, &engines::MakeDecimatedSurface},
};

}  // namespace

std::unique_ptr<CPlotEngine> MakeEngine(std::int32_t code, GraphState& graph) {
    const auto it = kEngines.find(code);
    return it == kEngines.end() ? nullptr : it->second(graph);
}

}  // namespace lumenar
