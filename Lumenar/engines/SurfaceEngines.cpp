// Engines 11 and 22: the warped density surface with axes; 22 draws the non-negative part of the
// density, decimated.
#include "Lumenar/engines/Engines.h"
#include "Lumenar/engines/Stages.h"

namespace lumenar::engines {

namespace {

using namespace stages;

class CSurfaceEngine final : public CPlotEngine {
public:
    CSurfaceEngine(GraphState& graph, bool decimated) : CPlotEngine(graph), decimated_(decimated) {}

    void Build(vtkRenderer* renderer) override {
        TraceEngine("Rendering Engine 9\t");
        const DensityField field = MakeDensityField(graph_, {.bump = Bump::Remove, .clampNegative = decimated_});
        auto points = DensityPoints(graph_, field);
        double range[2];
        points->GetScalarRange(range);
        const WarpedSurface surface = MakeWarpedSurface(graph_, points, field.m, decimated_);
        auto lut = MakeLookupTable(Lut::BlueRed);
        renderer->AddActor(SurfaceActor(surface, range, lut));
        renderer->AddActor(AxesActor(graph_, kYellow));
        renderer->SetBackground(kWhite.r, kWhite.g, kWhite.b);
        AddDecorations(renderer, graph_);
        AddColorBar(renderer, graph_, lut);
    }

private:
    bool decimated_;
};

}  // namespace

std::unique_ptr<CPlotEngine> MakeSurface(GraphState& graph) { return std::make_unique<CSurfaceEngine>(graph, false); }
std::unique_ptr<CPlotEngine> MakeDecimatedSurface(GraphState& graph) {
    return std::make_unique<CSurfaceEngine>(graph, true);
}

}  // namespace lumenar::engines
