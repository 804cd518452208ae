// Engine 18: a damped radial wave, height exp(-rho) cos(10 rho), with a spotted colouring
// cos(10 x) sin(10 y) and its outline; ignores the density.
#include <cmath>

#include <vtkDataSetMapper.h>
#include <vtkDoubleArray.h>
#include <vtkNew.h>
#include <vtkPlaneSource.h>
#include <vtkPointData.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkTransform.h>
#include <vtkTransformPolyDataFilter.h>
#include <vtkWarpScalar.h>

#include "Lumenar/engines/Engines.h"
#include "Lumenar/engines/Stages.h"

namespace lumenar::engines {

namespace {

using namespace stages;

class CSpottyEngine final : public CPlotEngine {
public:
    using CPlotEngine::CPlotEngine;
    bool ReadsDensity() const override { return false; }

    void Build(vtkRenderer* renderer) override {
        TraceEngine("Rendering Spotty\t");
        constexpr int kPlaneResolution = 256;
        constexpr double kSide = 4.0;
        constexpr double kFrequency = 10.0;
        constexpr double kWarp = 0.25;
        vtkNew<vtkPlaneSource> plane;
        plane->SetResolution(kPlaneResolution, kPlaneResolution);
        vtkNew<vtkTransform> scale;
        scale->Scale(kSide, kSide, 1);
        vtkNew<vtkTransformPolyDataFilter> scaled;
        scaled->SetInputConnection(plane->GetOutputPort());
        scaled->SetTransform(scale);
        scaled->Update();
        vtkPolyData* square = scaled->GetOutput();

        const vtkIdType count = square->GetNumberOfPoints();
        vtkNew<vtkPoints> points;
        points->SetNumberOfPoints(count);
        vtkNew<vtkDoubleArray> spots;
        spots->SetNumberOfTuples(count);
        for (vtkIdType i = 0; i < count; ++i) {
            double p[3];
            square->GetPoint(i, p);
            const double rho = std::sqrt(p[0] * p[0] + p[1] * p[1]);
            points->SetPoint(i, p[0], p[1], std::exp(-rho) * std::cos(kFrequency * rho));
            spots->SetValue(i, std::cos(kFrequency * p[0]) * std::sin(kFrequency * p[1]));
        }
        vtkNew<vtkPolyData> wave;
        wave->CopyStructure(square);
        wave->SetPoints(points);
        wave->GetPointData()->SetScalars(spots);

        vtkNew<vtkWarpScalar> warp;
        warp->SetInputData(wave);
        warp->XYPlaneOn();
        warp->SetScaleFactor(kWarp);
        vtkNew<vtkDataSetMapper> mapper;
        mapper->SetInputConnection(warp->GetOutputPort());
        mapper->SetScalarRange(wave->GetScalarRange());
        vtkNew<vtkActor> surface;
        surface->SetMapper(mapper);
        renderer->AddActor(OutlineActor(warp->GetOutputPort(), kBlack));
        renderer->AddActor(surface);
        renderer->SetBackground(kWhite.r, kWhite.g, kWhite.b);
    }
};

}  // namespace

std::unique_ptr<CPlotEngine> MakeSpotty(GraphState& graph) { return std::make_unique<CSpottyEngine>(graph); }

}  // namespace lumenar::engines
