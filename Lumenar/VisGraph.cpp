#include "Lumenar/VisGraph.h"

#include <chrono>
#include <cstdio>

#include <vtkCamera.h>
#include <vtkNew.h>
#include <vtkRenderer.h>
#include <vtkUnsignedCharArray.h>

#include "Lumenar/GrafCommonRows.h"
#include "Lumenar/JpegWriter.h"
#include "Lumenar/Printer.h"
#include "automation/bstr.h"
#include "automation/errorinfo.h"
#include "automation/failure.h"
#include "automation/trace.h"

namespace lumenar {

using namespace automation;

const DispatchTable<CVisGraph> CVisGraph::table{IID_IVisGraph, "IVisGraph", [] {
    auto rows = GrafCommonRows<CVisGraph>();
    rows.push_back(Method<&CVisGraph::Redraw>(10, "Redraw", {},
                                              "Rebuilds the scene from the current data and redraws the control"));
    rows.push_back(Method<&CVisGraph::Snapshot>(14, "Snapshot", {In("fileName")},
                                                "Writes the current scene as a 620 x 620 JPEG file"));
    rows.push_back(Method<&CVisGraph::Print>(15, "Print", {},
                                             "Prints the scene with a caption on the printer, scaled to its page"));
    return rows;
}()};

namespace {

// The technology of the devices the control draws on, for the new-device trace.
constexpr const char* kRasterDisplay = "Raster Display";

// The last drawable any VisGraph drew on; it serves only the new-device trace.
unsigned long g_lastDrawable = 0;

std::string Format(const char* format, auto... values) {
    char line[256];
    std::snprintf(line, sizeof line, format, values...);
    return line;
}

}  // namespace

template <class F>
HRESULT CVisGraph::Guarded(F&& f, ExcepInfo* excep) {
    try {
        f();
        return S_OK;
    } catch (...) {
        const HRESULT hr = ReportCurrentException(Site());
        if (excep) FillExcepInfo(excep, hr);
        return hr;
    }
}

// The VTK objects go first, while the window's display connection is still open; then the window;
// the common state follows with the base.
CVisGraph::~CVisGraph() { ReleaseWindow(); }

void CVisGraph::ReleaseWindow() {
    if (!window_) return;
    {
        // The host may have destroyed the windows already, with its own.
        CXErrorTrap trap(window_->display());
        ReleaseScene();
    }
    state().setup = false;
    window_.reset();
}

void* CVisGraph::QueryOther(const IID& iid) {
    if (iid == IID_IControlWindow) return static_cast<IControlWindow*>(this);
    if (iid == IID_IPersistStreamInit || iid == IID_IPersist) return static_cast<IPersistStreamInit*>(this);
    if (iid == IID_IPersistPropertyBag) return static_cast<IPersistPropertyBag*>(this);
    return nullptr;
}

void CVisGraph::ReleaseScene() {
    GraphState& g = state();
    interactor_ = nullptr;
    if (renderWindow_ && g.renderer) renderWindow_->RemoveRenderer(g.renderer);
    g.renderer = nullptr;
    if (renderWindow_) renderWindow_->Finalize();
    renderWindow_ = nullptr;
}

void CVisGraph::OnViewChanged() {
    if (window_) window_->Invalidate();
}

void CVisGraph::Redraw() {
    state().setup = false;
    OnViewChanged();
    if (renderWindow_) renderWindow_->Render();
}

void CVisGraph::Draw() {
    GraphState& g = state();
    const auto start = std::chrono::steady_clock::now();
    const unsigned long drawable = window_->window();
    Trace(Format("Starting Draw, hDC=%lx\tPlotType=%d\tsetup=%d\t(%d,%d)\t", drawable, g.plotType, g.setup ? 1 : 0,
                 g.width, g.height));
    if (drawable != g_lastDrawable) {
        g_lastDrawable = drawable;
        Trace(Format("\n[New Device=%s]", kRasterDisplay));
    }
    if (g.plotType == 0) {
        if (g.renderer) ReleaseScene();
        Trace(Format("Bounds %d, %d, %d, %d\t", 0, 0, g.width, g.height));
        window_->DrawPlaceholder(g.width, g.height, "Lumenar/VTK Viewer 1.0", Format("%d x %d", g.width, g.height));
    } else if (!g.setup) {
        Build();
    }
    const auto ticks = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    Trace(Format("Done Draw, ticks=%d", static_cast<int>(ticks.count())));
}

void CVisGraph::Build() {
    GraphState& g = state();
    if (!renderWindow_) {
        renderWindow_ = vtkSmartPointer<vtkRenderWindow>::New();
        renderWindow_->SetSize(g.width, g.height);
        // Bound to the control's window: VTK draws in a window of its own inside it, made with the
        // visual its OpenGL context needs, on the control's display connection.
        renderWindow_->SetDisplayId(window_->display());
        renderWindow_->SetParentId(reinterpret_cast<void*>(window_->window()));
        // The fixed settings: double buffering with buffer swaps, no point or line smoothing.
        renderWindow_->DoubleBufferOn();
        renderWindow_->PointSmoothingOff();
        renderWindow_->LineSmoothingOff();
        renderWindow_->SetSwapBuffers(1);
        // SurfaceAA is the number of multi-samples of the window's picture.
        renderWindow_->SetMultiSamples(g.SurfaceAA);
        interactor_ = vtkSmartPointer<vtkRenderWindowInteractor>::New();
        interactor_->SetRenderWindow(renderWindow_);
        g.renderer = nullptr;
    }
    if (g.renderer) renderWindow_->RemoveRenderer(g.renderer);
    g.renderer = vtkSmartPointer<vtkRenderer>::New();
    renderWindow_->AddRenderer(g.renderer);

    Trace("Prefobnicating\t");
    if (!g.engine) throw std::runtime_error("Invalid preparation in CRenderer");
    if (g.engine->ReadsDensity()) g.CheckDrawable();
    g.engine->Build(g.renderer);
    // The camera as for the off-screen graph: the whole scene in view, then the asked-for turn.
    g.renderer->ResetCamera();
    vtkCamera* camera = g.renderer->GetActiveCamera();
    camera->Azimuth(g.Azimuth);
    camera->Elevation(g.Elevation);
    camera->OrthogonalizeViewUp();
    g.renderer->ResetCameraClippingRange();
    g.setup = true;
    renderWindow_->Render();
}

std::vector<std::uint8_t> CVisGraph::RenderInMemory(std::int32_t side) {
    GraphState& g = state();
    // The scene moves for the time of one picture into a render window of the size asked for,
    // rendering into memory on the same display; the on-screen window keeps its size.
    vtkNew<vtkRenderWindow> memory;
    memory->SetOffScreenRendering(1);
    memory->SetDisplayId(window_->display());
    memory->SetSize(side, side);
    memory->SetMultiSamples(0);
    renderWindow_->SetMultiSamples(0);
    struct Restore {
        CVisGraph& self;
        vtkRenderWindow* memory;
        ~Restore() {
            GraphState& g = self.state();
            memory->RemoveRenderer(g.renderer);
            memory->Finalize();
            self.renderWindow_->AddRenderer(g.renderer);
            self.renderWindow_->SetSize(g.width, g.height);
            self.renderWindow_->Render();
        }
    } restore{*this, memory};
    renderWindow_->RemoveRenderer(g.renderer);
    memory->AddRenderer(g.renderer);
    memory->Render();
    vtkNew<vtkUnsignedCharArray> pixels;
    memory->GetPixelData(0, 0, side - 1, side - 1, 1, pixels);
    return {pixels->GetPointer(0), pixels->GetPointer(0) + pixels->GetSize()};
}

void CVisGraph::Snapshot(const std::u16string& fileName) {
    if (!renderWindow_ || !state().renderer) return;
    const std::vector<std::uint8_t> rgb = RenderInMemory(kSnapshotSide);
    if (!WriteJpeg(rgb, kSnapshotSide, kSnapshotSide, Utf16ToUtf8(fileName)))
        throw StatusError(E_INVALIDARG, "Could not write the JPEG file");
}

void CVisGraph::Print() {
    const CPrintDestination printer = CPrintDestination::Choose();
    const PageArea page = printer.DefaultPage();
    std::vector<std::uint8_t> rgb;
    if (renderWindow_ && state().renderer) rgb = RenderInMemory(kPrintSide);
    printer.Submit("Print1: Printing", ComposePdfPage(page, "Here is my first printed picture", rgb, kPrintSide));
}

void CVisGraph::OnExpose(bool ofRenderWindow) {
    Draw();
    // The render window's own window keeps no picture when it is exposed; it shows the built
    // scene again without rebuilding it.
    if (ofRenderWindow && renderWindow_ && state().setup) renderWindow_->Render();
}

void CVisGraph::OnResize(std::int32_t width, std::int32_t height) {
    GraphState& g = state();
    if (width == g.width && height == g.height) return;
    g.width = width;
    g.height = height;
    if (renderWindow_) renderWindow_->SetSize(width, height);
    const auto cx = static_cast<std::uint32_t>(width / window_->PixelsPerHimetricX() + 0.5);
    const auto cy = static_cast<std::uint32_t>(height / window_->PixelsPerHimetricY() + 0.5);
    if (cx != cx_ || cy != cy_) {
        cx_ = cx;
        cy_ = cy;
        dirty_ = true;
    }
}

// A typed character goes to the interactor's character handler (VTK's keys: 'w' wireframe,
// 's' surface, 'r' reset camera and so on); the interactor is never started. The picture is
// rendered again afterwards, as the keys change the scene's look.
void CVisGraph::OnCharacter(std::uint32_t code, std::uint32_t modifiers) {
    GraphState& g = state();
    if (g.plotType == 0 || !g.renderer || !interactor_) return;
    constexpr std::uint32_t kShift = 1, kControl = 4;
    interactor_->SetKeyEventInformation((modifiers & kControl) != 0, (modifiers & kShift) != 0,
                                        static_cast<char>(code), 1, nullptr);
    interactor_->InvokeEvent(vtkCommand::CharEvent, nullptr);
    renderWindow_->Render();
}

HRESULT CVisGraph::CreateInParent(std::uint64_t parent, std::int32_t width, std::int32_t height, ExcepInfo* excep) {
    return Guarded([&] {
        if (window_) throw StatusError(E_UNEXPECTED, "The control already has a window");
        CControlWindow::Handler& handler = *this;
        window_ = std::make_unique<CControlWindow>(handler, parent, width, height);
        state().width = width;
        state().height = height;
    }, excep);
}

HRESULT CVisGraph::Show(bool visible, ExcepInfo* excep) {
    return Guarded([&] {
        if (!window_) throw StatusError(E_UNEXPECTED, "The control has no window");
        window_->Show(visible);
    }, excep);
}

HRESULT CVisGraph::Resize(std::int32_t width, std::int32_t height, ExcepInfo* excep) {
    return Guarded([&] {
        if (!window_) throw StatusError(E_UNEXPECTED, "The control has no window");
        window_->Resize(width, height);
    }, excep);
}

HRESULT CVisGraph::Destroy(ExcepInfo* excep) {
    return Guarded([&] { ReleaseWindow(); }, excep);
}

HRESULT CVisGraph::PumpEvents(ExcepInfo* excep) {
    return Guarded([&] {
        if (window_) window_->PumpEvents();
    }, excep);
}

HRESULT CVisGraph::GetWindow(std::uint64_t* window) {
    if (!window) return E_POINTER;
    *window = window_ ? window_->window() : 0;
    return S_OK;
}

HRESULT CVisGraph::GetDisplayName(std::u16string* name) {
    if (!name) return E_POINTER;
    *name = window_ ? Utf8ToUtf16(window_->displayName()) : std::u16string();
    return S_OK;
}

HRESULT CVisGraph::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_VisGraph;
    return S_OK;
}

HRESULT CVisGraph::InitNew() {
    cx_ = cy_ = kDefaultExtent;
    dirty_ = false;
    return S_OK;
}

// The stream record: the version word, then cx and cy, 4 bytes each, little-endian.
HRESULT CVisGraph::Load(IStream* stream) {
    return Guarded([&] {
        if (!stream) throw StatusError(E_POINTER, "No stream");
        StreamReader in(stream);
        const auto version = in.Value<std::uint32_t>();
        if (version > kStreamVersion) throw StatusError(E_FAIL, "The control's record is of a later version");
        const auto cx = in.Value<std::uint32_t>();
        const auto cy = in.Value<std::uint32_t>();
        cx_ = cx;
        cy_ = cy;
        dirty_ = false;
    });
}

HRESULT CVisGraph::Save(IStream* stream, bool clearDirty) {
    return Guarded([&] {
        if (!stream) throw StatusError(E_POINTER, "No stream");
        const std::uint32_t record[] = {kStreamVersion, cx_, cy_};
        StreamWriter(stream).Bytes(record, sizeof record);
        if (clearDirty) dirty_ = false;
    });
}

HRESULT CVisGraph::GetSizeMax(std::uint64_t* size) {
    if (!size) return E_POINTER;
    *size = 3 * sizeof(std::uint32_t);
    return S_OK;
}

// The bag's values "_cx" and "_cy" as VT_UI4; a value the bag does not hold keeps the default.
HRESULT CVisGraph::Load(IPropertyBag* bag) {
    return Guarded([&] {
        if (!bag) throw StatusError(E_POINTER, "No property bag");
        std::uint32_t extent[2] = {kDefaultExtent, kDefaultExtent};
        const char16_t* names[2] = {u"_cx", u"_cy"};
        for (int i = 0; i < 2; ++i) {
            Variant value = Variant::UInt4(0);
            const HRESULT hr = bag->Read(names[i], &value);
            if (hr == E_INVALIDARG) continue;
            if (Failed(hr)) throw StatusError(hr);
            extent[i] = ChangeType(value, VT_UI4).ui4();
        }
        cx_ = extent[0];
        cy_ = extent[1];
        dirty_ = false;
    });
}

HRESULT CVisGraph::Save(IPropertyBag* bag, bool clearDirty, bool) {
    return Guarded([&] {
        if (!bag) throw StatusError(E_POINTER, "No property bag");
        for (const auto& [name, value] : {std::pair{u"_cx", cx_}, std::pair{u"_cy", cy_}}) {
            const HRESULT hr = bag->Write(name, Variant::UInt4(value));
            if (Failed(hr)) throw StatusError(hr);
        }
        if (clearDirty) dirty_ = false;
    });
}

}  // namespace lumenar
