// Engine 20: the warped surface with a tube along the cut line, the density along the cut line
// (the posterior) and the block's marginal drawn as curves on one scale, and axes.
#include <algorithm>
#include <vector>

#include <vtkDataArray.h>
#include <vtkLineSource.h>
#include <vtkNew.h>
#include <vtkPointData.h>

#include "Lumenar/engines/Engines.h"
#include "Lumenar/engines/Stages.h"

namespace lumenar::engines {

namespace {

using namespace stages;

constexpr double kCurveHeight = 2.5;  // the highest posterior value stands ny / 2.5 high

class CPosteriorEngine final : public CPlotEngine {
public:
    using CPlotEngine::CPlotEngine;

    void Build(vtkRenderer* renderer) override {
        TraceEngine("Rendering Engine 13\t");
        const DensityField field = MakeDensityField(graph_, {.bump = Bump::Keep});
        auto points = DensityPoints(graph_, field);
        double range[2];
        points->GetScalarRange(range);
        const WarpedSurface surface = MakeWarpedSurface(graph_, points, field.m);
        auto surfaceLut = MakeLookupTable(Lut::BlueRedTranslucent);
        auto surfaceActor = SurfaceActor(surface, range, surfaceLut);
        auto axesActor = AxesActor(graph_, kMagenta);

        double end[3];
        CutLineEnd(graph_, end);
        vtkNew<vtkLineSource> cutLine;
        cutLine->SetPoint1(0, 0, 0);
        cutLine->SetPoint2(end);
        cutLine->SetResolution(graph_.ny - 1);
        auto curveLut = MakeLookupTable(Lut::GreenBlue);
        const ProbeTube tube = MakeProbeTube(cutLine->GetOutputPort(), surface, range, curveLut);
        renderer->AddActor(tube.actor);

        // The density along the cut line.
        tube.probe->Update();
        vtkDataArray* probed = tube.probe->GetOutput()->GetPointData()->GetScalars();
        const vtkIdType count = probed ? std::min<vtkIdType>(graph_.ny, probed->GetNumberOfTuples()) : 0;
        std::vector<float> p(static_cast<std::size_t>(count));
        graph_.posterior.assign(p.size(), 0.0);
        double sum = 0.0, pmax = 0.0;
        for (vtkIdType k = 0; k < count; ++k) {
            p[k] = static_cast<float>(probed->GetTuple1(k));
            sum += p[k];
            pmax = std::max(pmax, static_cast<double>(p[k]));
            graph_.posterior[k] = p[k];
        }
        // A cut line through zero density only draws flat curves.
        const double heightScale = pmax > 0.0 ? graph_.ny / pmax / kCurveHeight : 0.0;
        const auto n = static_cast<std::int32_t>(count);
        AddLine(renderer, curveLut, 1, n, std::max(graph_.CutLineSlope, 1.0), p.data(), heightScale, range);
        // A density given as an array has no marginal: no second curve.
        if (graph_.marginal)
            AddLine(renderer, MakeLookupTable(Lut::RedGreen), 1, graph_.ny, 1.0, graph_.marginal, sum * heightScale,
                    range);

        AddDecorations(renderer, graph_);
        renderer->SetBackground(kWhite.r, kWhite.g, kWhite.b);
        renderer->AddActor(axesActor);
        renderer->AddActor(surfaceActor);
        AddColorBar(renderer, graph_, surfaceLut);
    }
};

}  // namespace

std::unique_ptr<CPlotEngine> MakePosterior(GraphState& graph) { return std::make_unique<CPosteriorEngine>(graph); }

}  // namespace lumenar::engines
