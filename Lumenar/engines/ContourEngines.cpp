// Engines 12 and 13: contour maps of the density with their outline; 12 lowers them 30 units below
// the warped surface and adds axes, 13 draws them flat without a z label.
#include <vtkContourFilter.h>
#include <vtkNew.h>
#include <vtkOutlineFilter.h>
#include <vtkPolyDataMapper.h>
#include <vtkTransform.h>
#include <vtkTransformPolyDataFilter.h>

#include "Lumenar/engines/Engines.h"
#include "Lumenar/engines/Stages.h"

namespace lumenar::engines {

namespace {

using namespace stages;

constexpr int kContours = 50;
constexpr double kContourDrop = -30.0;

vtkSmartPointer<vtkContourFilter> Contours(vtkStructuredPoints* points, const double range[2]) {
    auto contours = vtkSmartPointer<vtkContourFilter>::New();
    contours->SetInputData(points);
    contours->GenerateValues(kContours, range[0], range[1]);
    return contours;
}

vtkSmartPointer<vtkActor> ContourActor(vtkAlgorithmOutput* contours, const double range[2]) {
    vtkNew<vtkPolyDataMapper> mapper;
    mapper->SetInputConnection(contours);
    mapper->SetScalarRange(range[0], range[1]);
    auto actor = vtkSmartPointer<vtkActor>::New();
    actor->SetMapper(mapper);
    return actor;
}

class CLoweredContoursEngine final : public CPlotEngine {
public:
    using CPlotEngine::CPlotEngine;

    void Build(vtkRenderer* renderer) override {
        TraceEngine("Rendering Engine 10\t");
        const DensityField field = MakeDensityField(graph_, {.bump = Bump::Remove});
        auto points = DensityPoints(graph_, field);
        double range[2];
        points->GetScalarRange(range);

        auto contours = Contours(points, range);
        vtkNew<vtkTransform> drop;
        drop->Translate(0, 0, kContourDrop);
        vtkNew<vtkTransformPolyDataFilter> droppedContours;
        droppedContours->SetInputConnection(contours->GetOutputPort());
        droppedContours->SetTransform(drop);
        droppedContours->Update();
        auto contourActor = ContourActor(droppedContours->GetOutputPort(), range);

        vtkNew<vtkOutlineFilter> outline;
        outline->SetInputData(points);
        vtkNew<vtkTransformPolyDataFilter> droppedOutline;
        droppedOutline->SetInputConnection(outline->GetOutputPort());
        droppedOutline->SetTransform(drop);
        auto outlineActor = PlainActor(droppedOutline->GetOutputPort(), kBlack);

        const WarpedSurface surface = MakeWarpedSurface(graph_, points, field.m);
        auto lut = MakeLookupTable(Lut::RainbowTranslucent);
        auto surfaceActor = SurfaceActor(surface, range, lut);

        renderer->AddActor(AxesActor(graph_, kYellow));
        renderer->AddActor(outlineActor);
        renderer->AddActor(contourActor);
        renderer->AddActor(surfaceActor);
        renderer->SetBackground(kWhite.r, kWhite.g, kWhite.b);
        AddDecorations(renderer, graph_);
        AddColorBar(renderer, graph_, lut);
    }
};

class CFlatContoursEngine final : public CPlotEngine {
public:
    using CPlotEngine::CPlotEngine;

    void Build(vtkRenderer* renderer) override {
        TraceEngine("Rendering Engine 11\t");
        const DensityField field = MakeDensityField(graph_, {.bump = Bump::Keep});
        auto points = DensityPoints(graph_, field);
        double range[2];
        points->GetScalarRange(range);
        auto contours = Contours(points, range);
        auto contourActor = ContourActor(contours->GetOutputPort(), range);
        renderer->AddActor(contourActor);
        renderer->AddActor(OutlineActor(points.GetPointer(), kBlack));
        renderer->SetBackground(kWhite.r, kWhite.g, kWhite.b);
        AddDecorations(renderer, graph_, /*withZLabel=*/false);
        AddColorBar(renderer, graph_, contourActor->GetMapper()->GetLookupTable());
    }
};

}  // namespace

std::unique_ptr<CPlotEngine> MakeLoweredContours(GraphState& graph) {
    return std::make_unique<CLoweredContoursEngine>(graph);
}
std::unique_ptr<CPlotEngine> MakeFlatContours(GraphState& graph) { return std::make_unique<CFlatContoursEngine>(graph); }

}  // namespace lumenar::engines
