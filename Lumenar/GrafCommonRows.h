// The member rows of IGrafCommon, shared by every graph class's table (C derives from CGraphCommon).
#pragma once

#include <vector>

#include "Lumenar/GraphState.h"
#include "automation/dispatch.h"

namespace lumenar {

template <class C>
std::vector<automation::Member<C>> GrafCommonRows() {
    using namespace automation;
    using G = CGraphCommon;
    return {
        PropGet<&G::get_scaleX, C>(203, "scaleX", {Result("pVal")}, "Scale of the formula surfaces along x"),
        PropPut<&G::put_scaleX, C>(203, "scaleX", {In("value")}, "Sets the scale of the formula surfaces along x"),
        PropGet<&G::get_scaleY, C>(204, "scaleY", {Result("pVal")}, "Scale of the formula surfaces along y"),
        PropPut<&G::put_scaleY, C>(204, "scaleY", {In("value")}, "Sets the scale of the formula surfaces along y"),
        PropGet<&G::get_scaleZ, C>(205, "scaleZ", {Result("pVal")}, "Scale of the formula surfaces along z"),
        PropPut<&G::put_scaleZ, C>(205, "scaleZ", {In("value")}, "Sets the scale of the formula surfaces along z"),
        PropGet<&G::get_nx, C>(206, "nx", {Result("pVal")}, "Number of grid points along the first axis"),
        PropGet<&G::get_ny, C>(207, "ny", {Result("pVal")}, "Number of grid points along the second axis"),
        Method<&G::SetDensity, C>(6, "SetDensity", {In("nx"), In("ny"), In("vIn")},
                                  "Uses an nx x ny array as the density; element (i, j) is grid point (i, j)"),
        Method<&G::MappingName, C>(220, "MappingName", {In("mapName")},
                                   "Uses the density of a bivariate distribution's shared block, named by its ID"),
        Method<&G::SetScaleXYZ, C>(221, "SetScaleXYZ", {In("scX"), In("scY"), In("scZ")},
                                   "Sets the three scales of the formula surfaces"),
        Method<&G::SetResolution, C>(222, "SetResolution", {In("nx"), In("ny")},
                                     "Sets the grid resolution the density is read with; the values stay"),
        PropGet<&G::get_CutLineSlope, C>(223, "CutLineSlope", {Result("pVal")},
                                         "Slope of the cut line y = slope x through the density"),
        PropPut<&G::put_CutLineSlope, C>(223, "CutLineSlope", {In("value")},
                                         "Sets the slope of the cut line through the density"),
        PropGet<&G::get_plotType, C>(224, "plotType", {Result("pVal")}, "Code of the rendering engine; 0 for none"),
        PropPut<&G::put_plotType, C>(224, "plotType", {In("value")},
                                     "Selects the rendering engine by its code (a plotEngine code; 0 for none)"),
        Method<&G::Decorations, C>(225, "Decorations",
                                   {In("title"), In("xaxis"), In("yaxis"), In("zaxis"), In("showColorBar")},
                                   "Sets the title, the axis labels and whether a colour bar is drawn"),
        Method<&G::Options, C>(226, "Options", {In("SurfaceAA")}, "Sets the anti-aliasing of the control's surface"),
        Method<&G::GetPosterior, C>(227, "GetPosterior", {Result("varOut")},
                                    "The density along the cut line of the last posterior picture, normalised"),
        Method<&G::SetWindowAndLevel, C>(228, "SetWindowAndLevel", {In("window"), In("level")},
                                         "Sets the colour window and level of the gradient image"),
        PropGet<&G::get_Elevation, C>(1000, "Elevation", {Result("pVal")},
                                      "Camera elevation in degrees above the view from the top (default 0)"),
        PropPut<&G::put_Elevation, C>(1000, "Elevation", {In("value")},
                                      "Turns the camera up or down by this many degrees before rendering"),
        PropGet<&G::get_Azimuth, C>(1001, "Azimuth", {Result("pVal")},
                                    "Camera azimuth in degrees about the view's vertical (default 0)"),
        PropPut<&G::put_Azimuth, C>(1001, "Azimuth", {In("value")},
                                    "Turns the camera about the view's vertical by this many degrees before rendering"),
    };
}

}  // namespace lumenar
