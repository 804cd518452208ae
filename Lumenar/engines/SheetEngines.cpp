// Engines 16, 17 and 19: the complex curve z1^n + z2^n = 1 over the scaled unit square as n sheets,
// for n = 3, 4 and 5: over z = x + iy, sheet k is w_k = omega^k (1 - z^n)^(1/n), drawn at height
// Re w_k and coloured by Im w_k. They ignore the density.
#include <complex>
#include <vector>

#include <vtkAppendPolyData.h>
#include <vtkDataSetMapper.h>
#include <vtkDoubleArray.h>
#include <vtkNew.h>
#include <vtkPlaneSource.h>
#include <vtkPointData.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkPolyDataNormals.h>
#include <vtkTransform.h>
#include <vtkTransformPolyDataFilter.h>
#include <vtkWarpScalar.h>

#include "Lumenar/engines/Engines.h"
#include "Lumenar/engines/Stages.h"

namespace lumenar::engines {

namespace {

using namespace stages;
using Complex = std::complex<double>;

constexpr int kPlaneResolution = 256;

struct SheetFamily {
    const char* trace;
    int n;
    double exponent;  // 1/n as the scene uses it
    Complex omega;    // a primitive n-th root of unity
    bool normals;
};

constexpr SheetFamily kFermat3{"Rendering Fermat3\t", 3, 0.33333333333, {-0.5, 0.8660254037844386}, false};
constexpr SheetFamily kFermat4{"Rendering Fermat4\t", 4, 0.25, {0, 1}, true};
constexpr SheetFamily kCalabiYau{"Rendering CalabiYau, Simple coloring\t", 5, 0.2,
                                 {0.30901699437494745, 0.9510565162951535}, true};

class CSheetEngine final : public CPlotEngine {
public:
    CSheetEngine(GraphState& graph, const SheetFamily& family) : CPlotEngine(graph), family_(family) {}
    bool ReadsDensity() const override { return false; }

    void Build(vtkRenderer* renderer) override {
        TraceEngine(family_.trace);
        vtkNew<vtkPlaneSource> plane;
        plane->SetResolution(kPlaneResolution, kPlaneResolution);
        vtkNew<vtkTransform> scale;
        scale->Scale(graph_.scaleX, graph_.scaleY, graph_.scaleZ);
        vtkNew<vtkTransformPolyDataFilter> scaled;
        scaled->SetInputConnection(plane->GetOutputPort());
        scaled->SetTransform(scale);
        scaled->Update();
        vtkPolyData* square = scaled->GetOutput();
        const vtkIdType count = square->GetNumberOfPoints();

        std::vector<vtkSmartPointer<vtkPoints>> points;
        std::vector<vtkSmartPointer<vtkDoubleArray>> scalars;
        for (int k = 0; k < family_.n; ++k) {
            points.push_back(vtkSmartPointer<vtkPoints>::New());
            points.back()->SetNumberOfPoints(count);
            scalars.push_back(vtkSmartPointer<vtkDoubleArray>::New());
            scalars.back()->SetNumberOfTuples(count);
        }
        for (vtkIdType i = 0; i < count; ++i) {
            double p[3];
            square->GetPoint(i, p);
            const Complex z(p[0], p[1]);
            Complex w = std::pow(1.0 - std::pow(z, family_.n), family_.exponent);
            for (int k = 0; k < family_.n; ++k) {
                if (k > 0) w *= family_.omega;
                points[k]->SetPoint(i, p[0], p[1], w.real());
                scalars[k]->SetValue(i, w.imag());
            }
        }
        vtkNew<vtkAppendPolyData> all;
        for (int k = 0; k < family_.n; ++k) {
            auto sheet = vtkSmartPointer<vtkPolyData>::New();
            sheet->CopyStructure(square);
            sheet->SetPoints(points[k]);
            sheet->GetPointData()->SetScalars(scalars[k]);
            vtkNew<vtkWarpScalar> warp;
            warp->SetInputData(sheet);
            warp->XYPlaneOn();
            warp->SetScaleFactor(1.0);
            all->AddInputConnection(warp->GetOutputPort());
        }
        vtkAlgorithmOutput* surface = all->GetOutputPort();
        vtkNew<vtkPolyDataNormals> normals;
        if (family_.normals) {
            normals->SetInputConnection(surface);
            surface = normals->GetOutputPort();
        }
        vtkNew<vtkDataSetMapper> mapper;
        mapper->SetInputConnection(surface);
        mapper->SetLookupTable(MakeLookupTable(Lut::Sheets));
        mapper->SetScalarRange(scalars[0]->GetRange());
        vtkNew<vtkActor> actor;
        actor->SetMapper(mapper);
        renderer->AddActor(actor);
        renderer->SetBackground(kWhite.r, kWhite.g, kWhite.b);
    }

private:
    const SheetFamily& family_;
};

}  // namespace

std::unique_ptr<CPlotEngine> MakeFermat3(GraphState& graph) { return std::make_unique<CSheetEngine>(graph, kFermat3); }
std::unique_ptr<CPlotEngine> MakeFermat4(GraphState& graph) { return std::make_unique<CSheetEngine>(graph, kFermat4); }
std::unique_ptr<CPlotEngine> MakeCalabiYau(GraphState& graph) {
    return std::make_unique<CSheetEngine>(graph, kCalabiYau);
}

}  // namespace lumenar::engines
