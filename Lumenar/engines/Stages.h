// The stages the engines share: lookup tables, the density field with its bump rule, the warped
// surface, axes, outlines, the probe tube along a line, decorations, the colour bar and AddLine.
#pragma once

#include <cstdint>

#include <vtkActor.h>
#include <vtkAlgorithmOutput.h>
#include <vtkFloatArray.h>
#include <vtkLookupTable.h>
#include <vtkPolyDataAlgorithm.h>
#include <vtkProbeFilter.h>
#include <vtkRenderer.h>
#include <vtkSmartPointer.h>
#include <vtkStructuredPoints.h>
#include <vtkImageDataGeometryFilter.h>
#include <vtkWarpScalar.h>

#include "Lumenar/GraphState.h"

namespace lumenar::stages {

struct Colour {
    double r, g, b;
};
inline constexpr Colour kBlack{0, 0, 0};
inline constexpr Colour kWhite{1, 1, 1};
inline constexpr Colour kYellow{1, 1, 0};
inline constexpr Colour kMagenta{1, 0, 1};

enum class Lut { RainbowTranslucent, BlueRed, BlueRedHalf, BlueRedTranslucent, RedGreenDim, GreenBlue, RedGreen, Sheets };
// 256 colours over the table's ranges, built.
vtkSmartPointer<vtkLookupTable> MakeLookupTable(Lut which);

// Writes the engine's name to the trace as it starts building.
void TraceEngine(const char* text);

// 1. The density as single-precision scalars and m, its largest value (1 when that is 0).
struct DensityField {
    vtkSmartPointer<vtkFloatArray> scalars;
    double m = 1.0;
};
enum class Bump { Keep, Remove };
struct DensityOptions {
    Bump bump = Bump::Keep;
    bool clampNegative = false;  // engine 22: max(x, 0)
    float factor = 1.0f;         // engine 21: 10000
};
// With Bump::Remove, m is the maximum over every value but the origin's, and an origin value above
// it is set to 0 with "\nBump at Origin Removed" appended to the title. The density is only read.
DensityField MakeDensityField(GraphState& graph, DensityOptions options);
// The grid of nx x ny points at (i, j, 0) carrying the field; spacing (1, 1, 1) when asked.
vtkSmartPointer<vtkStructuredPoints> DensityPoints(const GraphState& graph, const DensityField& field,
                                                   bool setUnitSpacing = false);

// 2. The grid's surface raised by the density, its highest point nx/2.5 above the grid.
struct WarpedSurface {
    vtkSmartPointer<vtkImageDataGeometryFilter> flat;
    vtkSmartPointer<vtkWarpScalar> warp;
    vtkSmartPointer<vtkPolyDataAlgorithm> normals;
    double warpScale = 0.0;
};
// With `decimate`, a triangle filter, a 90% decimation preserving topology and a stripper run
// between the warp and the normals.
WarpedSurface MakeWarpedSurface(const GraphState& graph, vtkStructuredPoints* points, double m, bool decimate = false);
vtkSmartPointer<vtkActor> SurfaceActor(const WarpedSurface& surface, const double range[2], vtkLookupTable* lut);

// 3. Axes at the origin of length min(nx, ny) / 2.
vtkSmartPointer<vtkActor> AxesActor(const GraphState& graph, Colour colour);

// Polygons or lines drawn in one colour.
vtkSmartPointer<vtkActor> PlainActor(vtkAlgorithmOutput* polys, Colour colour);
// The bounding box of a filter's output or of a data set.
vtkSmartPointer<vtkActor> OutlineActor(vtkAlgorithmOutput* of, Colour colour);
vtkSmartPointer<vtkActor> OutlineActor(vtkDataSet* of, Colour colour);

// The end of the cut line y = slope x from the origin, clipped to the grid's rectangle.
void CutLineEnd(const GraphState& graph, double end[3]);

// Lines probed on the flat surface, raised as the surface is and drawn as tubes.
struct ProbeTube {
    vtkSmartPointer<vtkProbeFilter> probe;
    vtkSmartPointer<vtkActor> actor;
};
ProbeTube MakeProbeTube(vtkAlgorithmOutput* lines, const WarpedSurface& surface, const double range[2],
                        vtkLookupTable* lut);

// 6. Title and axis labels, when Decorations was called; without the z label when asked.
void AddDecorations(vtkRenderer* renderer, const GraphState& graph, bool withZLabel = true);
// The colour bar of `lut`, when Decorations asked for it.
void AddColorBar(vtkRenderer* renderer, const GraphState& graph, vtkScalarsToColors* lut);

// 5. n values as a tube-shaped curve along axis 0 (x) or 1 (y), point k at k*spacing with height
// values[k]*heightScale; fails with "Invalid arg to AddLine" for any other axis.
void AddLine(vtkRenderer* renderer, vtkLookupTable* lut, std::int32_t axis, std::int32_t n, double spacing,
             const float* values, double heightScale, const double range[2]);
void AddLine(vtkRenderer* renderer, vtkLookupTable* lut, std::int32_t axis, std::int32_t n, double spacing,
             const double* values, double heightScale, const double range[2]);

}  // namespace lumenar::stages
