// Graph3: the graph without a window, rendered off-screen at its size into JPEG files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <vtkRenderWindow.h>
#include <vtkSmartPointer.h>

#include "Lumenar/GraphState.h"
#include "Lumenar/XDisplay.h"
#include "Lumenar/identities.h"
#include "automation/object.h"

namespace lumenar {

class CGraph3 : public automation::Dispatchable<CGraph3>, public CGraphCommon {
public:
    static constexpr automation::ClassIdentity identity{CLSID_Graph3, "Lumenar.Graph3.1", false};
    static const automation::DispatchTable<CGraph3> table;

    // The largest picture side in pixels.
    static constexpr std::int32_t kMaxSide = 4096;

    CGraph3();
    ~CGraph3() override;

    void Redraw() { state().setup = false; }
    std::int32_t get_Width() { return state().width; }
    void put_Width(std::int32_t v) { state().width = v; }
    std::int32_t get_Height() { return state().height; }
    void put_Height(std::int32_t v) { state().height = v; }
    void CreateJPEG(const std::u16string& fileName);

private:
    // Builds the scene with the current engine and renders it at the picture size.
    void RenderOffscreen();

    std::unique_ptr<CXConnection> display_;  // outlives the window that renders through it
    vtkSmartPointer<vtkRenderWindow> window_;
};

}  // namespace lumenar
