// Engine 14: the warped surface cut in two by the vertical plane through the cut line, each half
// coloured by height, with axes.
#include <algorithm>

#include <vtkClipPolyData.h>
#include <vtkElevationFilter.h>
#include <vtkNew.h>
#include <vtkPlane.h>
#include <vtkPolyDataMapper.h>

#include "Lumenar/engines/Engines.h"
#include "Lumenar/engines/Stages.h"

namespace lumenar::engines {

namespace {

using namespace stages;

vtkSmartPointer<vtkActor> HeightColouredActor(vtkAlgorithmOutput* part, double top, const double range[2],
                                              vtkLookupTable* lut) {
    vtkNew<vtkElevationFilter> height;
    height->SetInputConnection(part);
    height->SetLowPoint(0, 0, 0);
    height->SetHighPoint(0, 0, top);
    vtkNew<vtkPolyDataMapper> mapper;
    mapper->SetInputConnection(height->GetOutputPort());
    mapper->ScalarVisibilityOn();
    mapper->SetScalarRange(range[0], range[1]);
    mapper->SetLookupTable(lut);
    auto actor = vtkSmartPointer<vtkActor>::New();
    actor->SetMapper(mapper);
    return actor;
}

class CCutPlaneEngine final : public CPlotEngine {
public:
    using CPlotEngine::CPlotEngine;

    void Build(vtkRenderer* renderer) override {
        TraceEngine("Rendering Engine 12\t");
        const DensityField field = MakeDensityField(graph_, {.bump = Bump::Remove});
        auto points = DensityPoints(graph_, field, /*setUnitSpacing=*/true);
        double range[2];
        points->GetScalarRange(range);
        const WarpedSurface surface = MakeWarpedSurface(graph_, points, field.m);

        vtkNew<vtkPlane> cut;  // the vertical plane through y = slope x
        cut->SetOrigin(0, 0, 0);
        cut->SetNormal(-graph_.CutLineSlope, 1, 0);
        vtkNew<vtkClipPolyData> clip;
        clip->SetInputConnection(surface.normals->GetOutputPort());
        clip->SetClipFunction(cut);
        clip->SetValue(0);
        clip->GenerateClipScalarsOn();
        clip->GenerateClippedOutputOn();

        const double top = range[1] * field.m;
        auto upperLut = MakeLookupTable(Lut::RedGreenDim);
        auto lowerLut = MakeLookupTable(Lut::BlueRed);
        auto upper = HeightColouredActor(clip->GetOutputPort(), top, range, upperLut);
        auto lower = HeightColouredActor(clip->GetClippedOutputPort(), top, range, lowerLut);

        renderer->AddActor(AxesActor(graph_, kYellow));
        renderer->AddActor(lower);
        renderer->AddActor(upper);
        renderer->SetBackground(kWhite.r, kWhite.g, kWhite.b);
        AddDecorations(renderer, graph_);
        AddColorBar(renderer, graph_, lowerLut);
        renderer->ResetCamera();
    }
};

}  // namespace

std::unique_ptr<CPlotEngine> MakeCutPlane(GraphState& graph) { return std::make_unique<CCutPlaneEngine>(graph); }

}  // namespace lumenar::engines
