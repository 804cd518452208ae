// The plot-type codes a graph's plotType selects its rendering engine by. Any integer may arrive:
// 0 and below select no engine, an unlisted positive code fails with "Unknown Engine ID".
//
// One list of X(name, value, help) rows: the C++ enumeration below, the engine registry
// (EngineRegistry.cpp) and the module's published type library (module.cpp) are made from it.
#pragma once

#include <cstdint>

#define LUMENAR_PLOTENGINE(X)                                                                      \
    X(peNone, 0, "No engine: nothing can be drawn")                                                \
    X(peQuadric, 1, "Test scene: iso-surfaces of a fixed quadric; ignores the density")            \
    X(peSurface, 11, "The density as a warped surface, with axes")                                 \
    X(peSurfaceContours, 12, "Warped surface over its contour map lowered 30 units, with axes")    \
    X(peContours, 13, "Flat contour map of the density with its outline")                          \
    X(peCutPlane, 14, "Warped surface cut by the vertical plane through the cut line, with axes")  \
    X(peProbeTubes, 15, "Warped surface with tubes along the cut line and the diagonal")           \
    X(peFermat3, 16, "The complex curve z1^3 + z2^3 = 1 as three sheets; ignores the density")     \
    X(peFermat4, 17, "The complex curve z1^4 + z2^4 = 1 as four sheets; ignores the density")      \
    X(peSpotty, 18, "A damped radial wave with a spotted colouring; ignores the density")          \
    X(peCalabiYau, 19, "The complex curve z1^5 + z2^5 = 1 as five sheets; ignores the density")    \
    X(pePosterior, 20, "Warped surface, the density along the cut line and the block's marginal")  \
    X(peGradientImage, 21, "Colour image of the density's gradient: direction as hue")             \
    X(peDecimatedSurface, 22, "Warped surface of the density's non-negative part, decimated")

namespace lumenar {

#define LUMENAR_ENUMERATOR(name, value, help) name = value,
enum plotEngine : std::int32_t { LUMENAR_PLOTENGINE(LUMENAR_ENUMERATOR) };
#undef LUMENAR_ENUMERATOR

}  // namespace lumenar
