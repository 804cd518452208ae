// VisGraph: the embeddable control. It draws the graph into a window of its own inside the
// host's window (or top-level), shows a placeholder while no plot type is selected, writes
// snapshots and prints. The host reaches the window through the control-site interface and keeps
// the control's extent through the stream and property-bag persistence interfaces.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include <vtkRenderWindow.h>
#include <vtkRenderWindowInteractor.h>
#include <vtkSmartPointer.h>

#include "Lumenar/ControlWindow.h"
#include "Lumenar/GraphState.h"
#include "Lumenar/identities.h"
#include "automation/control_persist.h"
#include "automation/control_window.h"
#include "automation/object.h"

namespace lumenar {

class CVisGraph : public automation::Dispatchable<CVisGraph>,
                  public CGraphCommon,
                  public automation::IControlWindow,
                  public automation::IPersistStreamInit,
                  public automation::IPersistPropertyBag,
                  private CControlWindow::Handler {
public:
    static constexpr automation::ClassIdentity identity{CLSID_VisGraph, "Lumenar.VisGraph.1", false};
    static const automation::DispatchTable<CVisGraph> table;

    // The extent a new control has: 2 inches square, in HIMETRIC units (0.01 mm).
    static constexpr std::uint32_t kDefaultExtent = 5080;
    // The stream record's version word; a record of a later version does not load.
    static constexpr std::uint32_t kStreamVersion = 0x0300;
    // The side of the snapshot picture in pixels.
    static constexpr std::int32_t kSnapshotSide = 620;
    // The side of the printed picture's memory rendering in pixels.
    static constexpr std::int32_t kPrintSide = 5000;

    CVisGraph() = default;
    ~CVisGraph() override;

    automation::HRESULT QueryInterface(const automation::IID& iid, void** out) override {
        return Dispatchable::QueryInterface(iid, out);
    }
    std::uint32_t AddRef() override { return Dispatchable::AddRef(); }
    std::uint32_t Release() override { return Dispatchable::Release(); }

    // IVisGraph
    void Redraw();
    void Snapshot(const std::u16string& fileName);
    void Print();

    // The control-site interface.
    automation::HRESULT CreateInParent(std::uint64_t parent, std::int32_t width, std::int32_t height,
                                       automation::ExcepInfo* excep) override;
    automation::HRESULT Show(bool visible, automation::ExcepInfo* excep) override;
    automation::HRESULT Resize(std::int32_t width, std::int32_t height, automation::ExcepInfo* excep) override;
    automation::HRESULT Destroy(automation::ExcepInfo* excep) override;
    automation::HRESULT PumpEvents(automation::ExcepInfo* excep) override;
    automation::HRESULT GetWindow(std::uint64_t* window) override;
    automation::HRESULT GetDisplayName(std::u16string* name) override;

    // Stream persistence of the extent (shared GetClassID and InitNew with the property bag's).
    automation::HRESULT GetClassID(automation::CLSID* clsid) override;
    automation::HRESULT IsDirty() override { return dirty_ ? automation::S_OK : automation::S_FALSE; }
    automation::HRESULT Load(automation::IStream* stream) override;
    automation::HRESULT Save(automation::IStream* stream, bool clearDirty) override;
    automation::HRESULT GetSizeMax(std::uint64_t* size) override;
    automation::HRESULT InitNew() override;
    // Property-bag persistence of the extent.
    automation::HRESULT Load(automation::IPropertyBag* bag) override;
    automation::HRESULT Save(automation::IPropertyBag* bag, bool clearDirty, bool saveAllProperties) override;

protected:
    void* QueryOther(const automation::IID& iid) override;
    // The view-changed hook: the window is asked to repaint.
    void OnViewChanged() override;

private:
    // The draw path: the placeholder, or the scene built once per setup.
    void Draw();
    void Build();
    // Releases the interactor, the renderer and the render window.
    void ReleaseScene();
    // Releases the scene, then the window.
    void ReleaseWindow();
    // Renders the current scene into memory at side x side pixels (anti-aliasing off) and
    // returns its pixels, bottom row first; the window shows the scene at its own size again.
    std::vector<std::uint8_t> RenderInMemory(std::int32_t side);

    void OnExpose(bool ofRenderWindow) override;
    void OnResize(std::int32_t width, std::int32_t height) override;
    void OnCharacter(std::uint32_t code, std::uint32_t modifiers) override;

    // Runs f at the interface boundary: its exception becomes the status, and the error record
    // goes to `excep` when given (else it stays in the thread's slot).
    template <class F>
    automation::HRESULT Guarded(F&& f, automation::ExcepInfo* excep = nullptr);

    std::unique_ptr<CControlWindow> window_;
    vtkSmartPointer<vtkRenderWindow> renderWindow_;
    vtkSmartPointer<vtkRenderWindowInteractor> interactor_;
    // The extent in HIMETRIC units.
    std::uint32_t cx_ = kDefaultExtent;
    std::uint32_t cy_ = kDefaultExtent;
    bool dirty_ = false;
};

}  // namespace lumenar
