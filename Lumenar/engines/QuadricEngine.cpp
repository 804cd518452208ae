// Engine 1, the test scene: iso-surfaces of a fixed quadric function with the outline of its
// sample; ignores the density.
#include <vtkContourFilter.h>
#include <vtkNew.h>
#include <vtkPolyDataMapper.h>
#include <vtkQuadric.h>
#include <vtkSampleFunction.h>

#include "Lumenar/engines/Engines.h"
#include "Lumenar/engines/Stages.h"

namespace lumenar::engines {

namespace {

using namespace stages;

class CQuadricEngine final : public CPlotEngine {
public:
    using CPlotEngine::CPlotEngine;
    bool ReadsDensity() const override { return false; }

    void Build(vtkRenderer* renderer) override {
        TraceEngine("Rendering Engine Quadric\t");
        constexpr int kSamples = 50;
        constexpr int kIsoSurfaces = 5;
        constexpr double kTop = 1.2;
        vtkNew<vtkQuadric> quadric;
        quadric->SetCoefficients(0.5, 1, 0.2, 0, 0.1, 0, 0, 0.2, 0, 0);
        vtkNew<vtkSampleFunction> sample;
        sample->SetSampleDimensions(kSamples, kSamples, kSamples);
        sample->SetImplicitFunction(quadric);
        vtkNew<vtkContourFilter> contours;
        contours->SetInputConnection(sample->GetOutputPort());
        contours->GenerateValues(kIsoSurfaces, 0.0, kTop);
        vtkNew<vtkPolyDataMapper> mapper;
        mapper->SetInputConnection(contours->GetOutputPort());
        mapper->SetScalarRange(0.0, kTop);
        vtkNew<vtkActor> surfaces;
        surfaces->SetMapper(mapper);
        renderer->SetBackground(kWhite.r, kWhite.g, kWhite.b);
        renderer->AddActor(surfaces);
        renderer->AddActor(OutlineActor(sample->GetOutputPort(), kBlack));
    }
};

}  // namespace

std::unique_ptr<CPlotEngine> MakeQuadric(GraphState& graph) { return std::make_unique<CQuadricEngine>(graph); }

}  // namespace lumenar::engines
