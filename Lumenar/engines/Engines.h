// Factories of the engines, one per plot-type code, for the engine registry.
#pragma once

#include <memory>

#include "Lumenar/PlotEngine.h"

namespace lumenar::engines {

using Factory = std::unique_ptr<CPlotEngine> (*)(GraphState& graph);

std::unique_ptr<CPlotEngine> MakeQuadric(GraphState& graph);        // 1
std::unique_ptr<CPlotEngine> MakeSurface(GraphState& graph);        // 11
std::unique_ptr<CPlotEngine> MakeLoweredContours(GraphState& graph);  // 12
std::unique_ptr<CPlotEngine> MakeFlatContours(GraphState& graph);   // 13
std::unique_ptr<CPlotEngine> MakeCutPlane(GraphState& graph);       // 14
std::unique_ptr<CPlotEngine> MakeProbeTubes(GraphState& graph);     // 15
std::unique_ptr<CPlotEngine> MakeFermat3(GraphState& graph);        // 16
std::unique_ptr<CPlotEngine> MakeFermat4(GraphState& graph);        // 17
std::unique_ptr<CPlotEngine> MakeSpotty(GraphState& graph);         // 18
std::unique_ptr<CPlotEngine> MakeCalabiYau(GraphState& graph);      // 19
std::unique_ptr<CPlotEngine> MakePosterior(GraphState& graph);      // 20
std::unique_ptr<CPlotEngine> MakeGradientImage(GraphState& graph);  // 21
std::unique_ptr<CPlotEngine> MakeDecimatedSurface(GraphState& graph);  // 22

}  // namespace lumenar::engines
