// The state both graph classes carry and the operations of their common interface over it: the
// density (a caller's array or a named bivariate block), scales, cut-line slope, decorations,
// options, the plot type with its engine, the posterior, window and level, and the camera turn.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <vtkRenderer.h>
#include <vtkSmartPointer.h>

#include "Lumenar/DensityBlock.h"
#include "Lumenar/PlotEngine.h"
#include "automation/variant.h"

namespace lumenar {

struct GraphState {
    std::unique_ptr<CPlotEngine> engine;
    // Picture size in pixels.
    std::int32_t width = 0;
    std::int32_t height = 0;
    // Grid resolution the engines read the density with.
    std::int32_t nx = 0;
    std::int32_t ny = 0;
    // Scales of the formula surfaces; 1 so that a new graph draws them at their natural size.
    double scaleX = 1.0;
    double scaleY = 1.0;
    double scaleZ = 1.0;
    // Slope of the cut line y = slope x; 1 (the diagonal) on a new graph.
    double CutLineSlope = 1.0;
    // The density: the value at grid point (i, j) at index i + nx*j, in densityBuffer or in block;
    // storedCount values are there.
    const double* x = nullptr;
    std::size_t storedCount = 0;
    std::vector<double> densityBuffer;
    std::unique_ptr<CDensityBlock> block;
    // The block's marginal (ny values), only while a block is held.
    const double* marginal = nullptr;
    std::int32_t SurfaceAA = 0;
    bool decorationsSet = false;
    // Decoration texts, UTF-8.
    std::string title, xaxis, yaxis, zaxis;
    std::int32_t showColorBar = 0;
    // Density values along the cut line, written by the engine that draws them; empty when none.
    std::vector<double> posterior;
    double window = 0.0;
    double level = 0.0;
    bool windowLevelSet = false;
    vtkSmartPointer<vtkRenderer> renderer;
    bool setup = false;
    std::int32_t plotType = 0;
    // Camera turn in degrees applied before rendering (0, 0: the scene seen from above).
    double Elevation = 0.0;
    double Azimuth = 0.0;

    // Throws StatusError(E_INVALIDARG) with a description when the engine would read values that
    // are not there: no density, or a resolution beyond the stored values.
    void CheckDrawable() const;
};

// IGrafCommon over a GraphState; both graph classes derive from it and add their own hooks.
class CGraphCommon {
public:
    CGraphCommon() = default;
    virtual ~CGraphCommon() = default;
    CGraphCommon(const CGraphCommon&) = delete;
    CGraphCommon& operator=(const CGraphCommon&) = delete;

    double get_scaleX() { return state_.scaleX; }
    void put_scaleX(double v) { state_.scaleX = v; }
    double get_scaleY() { return state_.scaleY; }
    void put_scaleY(double v) { state_.scaleY = v; }
    double get_scaleZ() { return state_.scaleZ; }
    void put_scaleZ(double v) { state_.scaleZ = v; }
    std::int32_t get_nx() { return state_.nx; }
    std::int32_t get_ny() { return state_.ny; }
    void SetDensity(std::int32_t nx, std::int32_t ny, const automation::Variant& vIn);
    void MappingName(const std::u16string& mapName);
    void SetScaleXYZ(double scX, double scY, double scZ);
    void SetResolution(std::int32_t nx, std::int32_t ny);
    double get_CutLineSlope() { return state_.CutLineSlope; }
    void put_CutLineSlope(double v) { state_.CutLineSlope = v; }
    std::int32_t get_plotType() { return state_.plotType; }
    void put_plotType(std::int32_t code);
    void Decorations(const std::u16string& title, const std::u16string& xaxis, const std::u16string& yaxis,
                     const std::u16string& zaxis, std::int32_t showColorBar);
    void Options(std::int32_t SurfaceAA) { state_.SurfaceAA = SurfaceAA; }
    automation::Variant GetPosterior();
    void SetWindowAndLevel(double window, double level);
    double get_Elevation() { return state_.Elevation; }
    void put_Elevation(double degrees);
    double get_Azimuth() { return state_.Azimuth; }
    void put_Azimuth(double degrees);

    GraphState& state() { return state_; }

protected:
    // Called after the plot type changed.
    virtual void OnViewChanged() {}

private:
    void ReleaseDensity(const char* blockLine, const char* bufferLine);

    GraphState state_;
};

}  // namespace lumenar
