// Engine 21: a colour image of the density's gradient, its direction as hue and its magnitude as
// value.
#include <vtkActor2D.h>
#include <vtkImageConstantPad.h>
#include <vtkImageData.h>
#include <vtkImageEuclideanToPolar.h>
#include <vtkImageExtractComponents.h>
#include <vtkImageGradient.h>
#include <vtkImageHSVToRGB.h>
#include <vtkImageMapper.h>
#include <vtkNew.h>
#include <vtkPointData.h>

#include "Lumenar/engines/Engines.h"
#include "Lumenar/engines/Stages.h"

namespace lumenar::engines {

namespace {

using namespace stages;

constexpr float kImageFactor = 10000.0f;
// Colour window and level when SetWindowAndLevel was never called.
constexpr double kDefaultWindow = 1.0;
constexpr double kDefaultLevel = 0.5;

class CGradientImageEngine final : public CPlotEngine {
public:
    using CPlotEngine::CPlotEngine;

    void Build(vtkRenderer* renderer) override {
        TraceEngine("Rendering Engine 15\t");
        const DensityField field = MakeDensityField(graph_, {.bump = Bump::Remove, .factor = kImageFactor});
        vtkNew<vtkImageData> image;
        image->SetDimensions(graph_.nx, graph_.ny, 1);
        image->GetPointData()->SetScalars(field.scalars);

        vtkNew<vtkImageGradient> gradient;
        gradient->SetInputData(image);
        gradient->SetDimensionality(2);
        vtkNew<vtkImageEuclideanToPolar> polar;
        polar->SetInputConnection(gradient->GetOutputPort());
        polar->SetThetaMaximum(field.m);
        vtkNew<vtkImageConstantPad> pad;
        pad->SetInputConnection(polar->GetOutputPort());
        pad->SetOutputNumberOfScalarComponents(3);
        pad->SetConstant(field.m / 2);
        vtkNew<vtkImageExtractComponents> hsv;
        hsv->SetInputConnection(pad->GetOutputPort());
        hsv->SetComponents(0, 2, 1);
        vtkNew<vtkImageHSVToRGB> rgb;
        rgb->SetInputConnection(hsv->GetOutputPort());
        rgb->SetMaximum(field.m);
        vtkNew<vtkImageMapper> mapper;
        mapper->SetInputConnection(rgb->GetOutputPort());
        mapper->SetColorWindow(graph_.windowLevelSet ? graph_.window : kDefaultWindow);
        mapper->SetColorLevel(graph_.windowLevelSet ? graph_.level : kDefaultLevel);
        vtkNew<vtkActor2D> actor;
        actor->SetMapper(mapper);
        renderer->AddActor2D(actor);
    }
};

}  // namespace

std::unique_ptr<CPlotEngine> MakeGradientImage(GraphState& graph) {
    return std::make_unique<CGradientImageEngine>(graph);
}

}  // namespace lumenar::engines
