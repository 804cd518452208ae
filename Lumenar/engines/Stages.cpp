#include "Lumenar/engines/Stages.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

#include <vtkAxes.h>
#include <vtkCamera.h>
#include <vtkCellArray.h>
#include <vtkDataSetMapper.h>
#include <vtkDecimatePro.h>
#include <vtkDoubleArray.h>
#include <vtkFollower.h>
#include <vtkNew.h>
#include <vtkOutlineFilter.h>
#include <vtkPointData.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkPolyDataMapper.h>
#include <vtkPolyDataNormals.h>
#include <vtkProperty.h>
#include <vtkProperty2D.h>
#include <vtkScalarBarActor.h>
#include <vtkStripper.h>
#include <vtkTextMapper.h>
#include <vtkTextProperty.h>
#include <vtkTriangleFilter.h>
#include <vtkTubeFilter.h>
#include <vtkVectorText.h>

#include "automation/trace.h"

namespace lumenar::stages {

namespace {

struct Range {
    float from, to;
};

// A lookup table's ranges; the ones left out keep VTK's defaults.
struct LutSpec {
    std::optional<Range> table, hue, saturation, value, alpha;
};

LutSpec SpecOf(Lut which) {
    switch (which) {
        case Lut::RainbowTranslucent: return {Range{0, 1}, Range{0.667f, 0}, Range{1, 1}, {}, Range{0.65f, 0.65f}};
        case Lut::BlueRed: return {{}, Range{0.667f, 1.0f}, Range{1, 1}, Range{1, 1}, Range{1, 1}};
        case Lut::BlueRedHalf: return {{}, Range{0.667f, 1.0f}, Range{1, 1}, Range{1, 1}, Range{0.5f, 0.5f}};
        case Lut::BlueRedTranslucent: return {{}, Range{0.667f, 1.0f}, Range{1, 1}, {}, Range{0.65f, 0.65f}};
        case Lut::RedGreenDim: return {{}, Range{0, 0.333f}, Range{0.5f, 1}, Range{0.5f, 1}, Range{0.4f, 0.4f}};
        case Lut::GreenBlue: return {{}, Range{0.333f, 0.667f}, Range{1, 1}, Range{1, 1}, Range{1, 1}};
        case Lut::RedGreen: return {{}, Range{0, 0.3333f}, Range{1, 1}, Range{1, 1}, Range{1, 1}};
        case Lut::Sheets: return {{}, Range{0.6666f, 1.0f}, Range{1, 1}, Range{1, 1}, Range{1, 1}};
    }
    throw std::logic_error("unknown lookup table");
}

constexpr int kLutColours = 256;
constexpr double kFeatureAngle = 60.0;
constexpr double kWarpHeight = 2.5;  // the highest value stands nx / 2.5 above the grid
constexpr double kTubeRadius = 1.0;
constexpr int kTubeSides = 5;

template <class T>
void AddLineOf(vtkRenderer* renderer, vtkLookupTable* lut, std::int32_t axis, std::int32_t n, double spacing,
               const T* values, double heightScale, const double range[2]) {
    if (axis != 0 && axis != 1) throw std::runtime_error("Invalid arg to AddLine");
    const vtkIdType count = std::max<std::int32_t>(n, 0);
    vtkNew<vtkPoints> points;
    points->SetNumberOfPoints(count);
    vtkNew<vtkDoubleArray> scalars;
    scalars->SetNumberOfTuples(count);
    vtkNew<vtkCellArray> line;
    line->InsertNextCell(count);
    for (vtkIdType k = 0; k < count; ++k) {
        const double along = static_cast<double>(k) * spacing;
        const double z = static_cast<double>(values[k]) * heightScale;
        if (axis == 0) points->SetPoint(k, along, 0.0, z);
        else points->SetPoint(k, 0.0, along, z);
        scalars->SetValue(k, static_cast<double>(values[k]));
        line->InsertCellPoint(k);
    }
    vtkNew<vtkPolyData> curve;
    curve->SetPoints(points);
    curve->SetLines(line);
    curve->GetPointData()->SetScalars(scalars);

    vtkNew<vtkTubeFilter> tube;
    tube->SetInputData(curve);
    tube->SetRadius(kTubeRadius);
    tube->SetNumberOfSides(kTubeSides);
    vtkNew<vtkPolyDataNormals> normals;
    normals->SetInputConnection(tube->GetOutputPort());
    normals->SetFeatureAngle(kFeatureAngle);
    vtkNew<vtkPolyDataMapper> mapper;
    mapper->SetInputConnection(normals->GetOutputPort());
    mapper->ScalarVisibilityOn();
    mapper->SetScalarRange(range[0], range[1]);
    mapper->SetLookupTable(lut);
    vtkNew<vtkActor> actor;
    actor->SetMapper(mapper);
    renderer->AddActor(actor);
}

}  // namespace

vtkSmartPointer<vtkLookupTable> MakeLookupTable(Lut which) {
    const LutSpec spec = SpecOf(which);
    auto lut = vtkSmartPointer<vtkLookupTable>::New();
    if (spec.table) lut->SetTableRange(spec.table->from, spec.table->to);
    if (spec.hue) lut->SetHueRange(spec.hue->from, spec.hue->to);
    if (spec.saturation) lut->SetSaturationRange(spec.saturation->from, spec.saturation->to);
    if (spec.value) lut->SetValueRange(spec.value->from, spec.value->to);
    if (spec.alpha) lut->SetAlphaRange(spec.alpha->from, spec.alpha->to);
    lut->SetNumberOfColors(kLutColours);
    lut->Build();
    return lut;
}

void TraceEngine(const char* text) { automation::Trace(text); }

DensityField MakeDensityField(GraphState& graph, DensityOptions options) {
    const vtkIdType n = static_cast<vtkIdType>(graph.nx) * graph.ny;
    DensityField field;
    field.scalars = vtkSmartPointer<vtkFloatArray>::New();
    field.scalars->SetName("density");
    field.scalars->SetNumberOfTuples(n);
    float* f = field.scalars->GetPointer(0);
    for (vtkIdType i = 0; i < n; ++i) {
        const double v = options.clampNegative ? std::max(graph.x[i], 0.0) : graph.x[i];
        f[i] = static_cast<float>(v) * options.factor;
    }
    float m = 0.0f;
    for (vtkIdType i = options.bump == Bump::Remove ? 1 : 0; i < n; ++i) m = std::max(m, f[i]);
    if (options.bump == Bump::Remove && n > 0 && f[0] > m) {
        f[0] = 0.0f;
        graph.title += "\nBump at Origin Removed";
    }
    field.m = m == 0.0f ? 1.0 : static_cast<double>(m);
    return field;
}

vtkSmartPointer<vtkStructuredPoints> DensityPoints(const GraphState& graph, const DensityField& field,
                                                   bool setUnitSpacing) {
    auto points = vtkSmartPointer<vtkStructuredPoints>::New();
    points->SetDimensions(graph.nx, graph.ny, 1);
    points->SetOrigin(0, 0, 0);
    if (setUnitSpacing) points->SetSpacing(1, 1, 1);
    points->GetPointData()->SetScalars(field.scalars);
    return points;
}

WarpedSurface MakeWarpedSurface(const GraphState& graph, vtkStructuredPoints* points, double m, bool decimate) {
    WarpedSurface s;
    s.flat = vtkSmartPointer<vtkImageDataGeometryFilter>::New();
    s.flat->SetInputData(points);
    s.flat->SetExtent(0, graph.nx, 0, graph.ny, 0, 0);
    s.warpScale = graph.nx / m / kWarpHeight;
    s.warp = vtkSmartPointer<vtkWarpScalar>::New();
    s.warp->SetInputConnection(s.flat->GetOutputPort());
    s.warp->UseNormalOn();
    s.warp->SetNormal(0, 0, 1);
    s.warp->SetScaleFactor(s.warpScale);
    vtkAlgorithmOutput* warped = s.warp->GetOutputPort();
    vtkNew<vtkTriangleFilter> triangles;
    vtkNew<vtkDecimatePro> decimation;
    vtkNew<vtkStripper> strips;
    if (decimate) {
        triangles->SetInputConnection(warped);
        decimation->SetInputConnection(triangles->GetOutputPort());
        decimation->SetTargetReduction(0.9);
        decimation->PreserveTopologyOn();
        strips->SetInputConnection(decimation->GetOutputPort());
        warped = strips->GetOutputPort();
    }
    auto normals = vtkSmartPointer<vtkPolyDataNormals>::New();
    normals->SetInputConnection(warped);
    normals->SetFeatureAngle(kFeatureAngle);
    s.normals = normals;
    return s;
}

vtkSmartPointer<vtkActor> SurfaceActor(const WarpedSurface& surface, const double range[2], vtkLookupTable* lut) {
    vtkNew<vtkDataSetMapper> mapper;
    mapper->SetInputConnection(surface.normals->GetOutputPort());
    mapper->SetScalarRange(range[0], range[1]);
    mapper->SetLookupTable(lut);
    auto actor = vtkSmartPointer<vtkActor>::New();
    actor->SetMapper(mapper);
    return actor;
}

vtkSmartPointer<vtkActor> AxesActor(const GraphState& graph, Colour colour) {
    vtkNew<vtkAxes> axes;
    axes->SetOrigin(0, 0, 0);
    axes->SetScaleFactor(std::min(graph.nx, graph.ny) / 2);
    return PlainActor(axes->GetOutputPort(), colour);
}

vtkSmartPointer<vtkActor> PlainActor(vtkAlgorithmOutput* polys, Colour colour) {
    vtkNew<vtkPolyDataMapper> mapper;
    mapper->SetInputConnection(polys);
    auto actor = vtkSmartPointer<vtkActor>::New();
    actor->SetMapper(mapper);
    actor->GetProperty()->SetColor(colour.r, colour.g, colour.b);
    return actor;
}

vtkSmartPointer<vtkActor> OutlineActor(vtkAlgorithmOutput* of, Colour colour) {
    vtkNew<vtkOutlineFilter> outline;
    outline->SetInputConnection(of);
    return PlainActor(outline->GetOutputPort(), colour);
}

vtkSmartPointer<vtkActor> OutlineActor(vtkDataSet* of, Colour colour) {
    vtkNew<vtkOutlineFilter> outline;
    outline->SetInputData(of);
    return PlainActor(outline->GetOutputPort(), colour);
}

void CutLineEnd(const GraphState& graph, double end[3]) {
    const double s = graph.CutLineSlope;
    end[0] = s > 1 ? graph.nx / s : graph.nx;
    end[1] = s > 1 ? graph.ny : graph.ny * s;
    end[2] = 0.0;
}

ProbeTube MakeProbeTube(vtkAlgorithmOutput* lines, const WarpedSurface& surface, const double range[2],
                        vtkLookupTable* lut) {
    ProbeTube t;
    t.probe = vtkSmartPointer<vtkProbeFilter>::New();
    t.probe->SetInputConnection(lines);
    t.probe->SetSourceConnection(surface.flat->GetOutputPort());
    vtkNew<vtkWarpScalar> warp;
    warp->SetInputConnection(t.probe->GetOutputPort());
    warp->UseNormalOn();
    warp->SetNormal(0, 0, 1);
    warp->SetScaleFactor(surface.warpScale);
    vtkNew<vtkTubeFilter> tube;
    tube->SetInputConnection(warp->GetOutputPort());
    tube->SetRadius(kTubeRadius);
    tube->SetNumberOfSides(kTubeSides);
    vtkNew<vtkPolyDataNormals> normals;
    normals->SetInputConnection(tube->GetOutputPort());
    normals->SetFeatureAngle(kFeatureAngle);
    vtkNew<vtkPolyDataMapper> mapper;
    mapper->SetInputConnection(normals->GetOutputPort());
    mapper->ScalarVisibilityOn();
    mapper->SetScalarRange(range[0], range[1]);
    mapper->SetLookupTable(lut);
    t.actor = vtkSmartPointer<vtkActor>::New();
    t.actor->SetMapper(mapper);
    return t;
}

void AddDecorations(vtkRenderer* renderer, const GraphState& graph, bool withZLabel) {
    if (!graph.decorationsSet) return;
    const int a = std::min(graph.nx, graph.ny);
    const int s = (8 * a) / 256;
    if (!graph.title.empty()) {
        constexpr int kTitleFontSize = 20;
        vtkNew<vtkTextMapper> text;
        text->SetInput(graph.title.c_str());
        vtkTextProperty* style = text->GetTextProperty();
        style->SetFontSize(kTitleFontSize);
        style->SetFontFamilyToArial();
        style->BoldOn();
        style->SetColor(kBlack.r, kBlack.g, kBlack.b);
        vtkNew<vtkActor2D> actor;
        actor->SetMapper(text);
        actor->SetPosition(graph.width / 20, 9 * graph.height / 10);
        actor->GetProperty()->SetColor(kBlack.r, kBlack.g, kBlack.b);
        renderer->AddActor2D(actor);
    }
    struct Label {
        std::string text;
        double position[3];
    };
    const Label labels[] = {
        {graph.xaxis, {double(a), double(-s), 0.0}},
        {graph.yaxis, {double(-s), double(a), 0.0}},
        {withZLabel ? graph.zaxis : std::string(), {double(-s), double(-s), double(a / 2 + s)}},
    };
    for (const Label& label : labels) {
        if (label.text.empty()) continue;
        vtkNew<vtkVectorText> text;
        text->SetText(label.text.c_str());
        vtkNew<vtkPolyDataMapper> mapper;
        mapper->SetInputConnection(text->GetOutputPort());
        vtkNew<vtkFollower> follower;
        follower->SetMapper(mapper);
        follower->SetScale(s, s, s);
        follower->SetPosition(label.position[0], label.position[1], label.position[2]);
        follower->GetProperty()->SetColor(kBlack.r, kBlack.g, kBlack.b);
        follower->SetCamera(renderer->GetActiveCamera());
        renderer->AddActor(follower);
    }
}

void AddColorBar(vtkRenderer* renderer, const GraphState& graph, vtkScalarsToColors* lut) {
    if (!graph.decorationsSet || graph.showColorBar == 0) return;
    constexpr double kBarWidth = 0.08;  // of the picture's width
    constexpr int kMaxColours = 255;
    vtkNew<vtkScalarBarActor> bar;
    bar->SetLookupTable(lut);
    bar->SetTitle(graph.zaxis.c_str());
    bar->SetOrientationToVertical();
    bar->SetWidth(kBarWidth);
    bar->GetPositionCoordinate()->SetCoordinateSystemToViewport();
    bar->SetPosition(36.0 * graph.width / 40.0, graph.height / 10.0);
    bar->SetNumberOfLabels(graph.ny > 400 ? 10 : 5);
    bar->SetMaximumNumberOfColors(kMaxColours);
    bar->SetLabelFormat("%-5.3e");
    bar->GetLabelTextProperty()->SetColor(kBlack.r, kBlack.g, kBlack.b);
    bar->GetTitleTextProperty()->SetColor(kBlack.r, kBlack.g, kBlack.b);
    renderer->AddActor2D(bar);
}

void AddLine(vtkRenderer* renderer, vtkLookupTable* lut, std::int32_t axis, std::int32_t n, double spacing,
             const float* values, double heightScale, const double range[2]) {
    AddLineOf(renderer, lut, axis, n, spacing, values, heightScale, range);
}

void AddLine(vtkRenderer* renderer, vtkLookupTable* lut, std::int32_t axis, std::int32_t n, double spacing,
             const double* values, double heightScale, const double range[2]) {
    AddLineOf(renderer, lut, axis, n, spacing, values, heightScale, range);
}

}  // namespace lumenar::stages
