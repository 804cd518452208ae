// A rendering engine: turns a graph's state into a VTK scene in a renderer it is given.
#pragma once

class vtkRenderer;

namespace lumenar {

struct GraphState;

class CPlotEngine {
public:
    explicit CPlotEngine(GraphState& graph) : graph_(graph) {}
    virtual ~CPlotEngine() = default;
    CPlotEngine(const CPlotEngine&) = delete;
    CPlotEngine& operator=(const CPlotEngine&) = delete;

    // Adds the scene's actors to `renderer`; everything the scene needs belongs to the renderer.
    virtual void Build(vtkRenderer* renderer) = 0;
    // Whether Build reads the density (the formula scenes do not).
    virtual bool ReadsDensity() const { return true; }

protected:
    GraphState& graph_;
};

}  // namespace lumenar
