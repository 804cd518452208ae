// Engine 15: the warped surface with its outline and tubes that follow the surface along the cut
// line and the diagonal.
#include <cstdio>

#include <vtkAppendPolyData.h>
#include <vtkDataArray.h>
#include <vtkLineSource.h>
#include <vtkNew.h>
#include <vtkPointData.h>

#include "Lumenar/engines/Engines.h"
#include "Lumenar/engines/Stages.h"
#include "automation/trace.h"

namespace lumenar::engines {

namespace {

using namespace stages;

class CProbeTubesEngine final : public CPlotEngine {
public:
    using CPlotEngine::CPlotEngine;

    void Build(vtkRenderer* renderer) override {
        TraceEngine("Rendering Engine 13\t");
        const DensityField field = MakeDensityField(graph_, {.bump = Bump::Keep});
        auto points = DensityPoints(graph_, field);
        double range[2];
        points->GetScalarRange(range);
        const WarpedSurface surface = MakeWarpedSurface(graph_, points, field.m);
        auto lut = MakeLookupTable(Lut::BlueRedHalf);
        renderer->AddActor(SurfaceActor(surface, range, lut));
        renderer->AddActor(OutlineActor(surface.warp->GetOutputPort(), kYellow));
        renderer->SetBackground(kWhite.r, kWhite.g, kWhite.b);

        double end[3];
        CutLineEnd(graph_, end);
        vtkNew<vtkLineSource> cutLine;
        cutLine->SetPoint1(0, 0, 0);
        cutLine->SetPoint2(end);
        cutLine->SetResolution(graph_.ny - 1);
        vtkNew<vtkLineSource> diagonal;
        diagonal->SetPoint1(0, 0, 0);
        diagonal->SetPoint2(graph_.nx, graph_.ny, 0);
        diagonal->SetResolution(graph_.ny - 1);
        vtkNew<vtkAppendPolyData> lines;
        lines->AddInputConnection(cutLine->GetOutputPort());
        lines->AddInputConnection(diagonal->GetOutputPort());
        const ProbeTube tubes = MakeProbeTube(lines->GetOutputPort(), surface, range, MakeLookupTable(Lut::BlueRed));
        renderer->AddActor(tubes.actor);
        AddColorBar(renderer, graph_, lut);

        tubes.probe->Update();
        if (!automation::TraceEnabled()) return;
        vtkDataArray* probed = tubes.probe->GetOutput()->GetPointData()->GetScalars();
        for (vtkIdType k = 0; probed && k < probed->GetNumberOfTuples(); ++k) {
            char line[64];
            std::snprintf(line, sizeof line, "%lld:\t%f", static_cast<long long>(k), probed->GetTuple1(k));
            automation::Trace(line);
        }
    }
};

}  // namespace

std::unique_ptr<CPlotEngine> MakeProbeTubes(GraphState& graph) { return std::make_unique<CProbeTubesEngine>(graph); }

}  // namespace lumenar::engines
