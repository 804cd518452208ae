#include "Lumenar/Graph3.h"

#include <span>

#include <vtkCamera.h>
#include <vtkNew.h>
#include <vtkRenderer.h>
#include <vtkUnsignedCharArray.h>

#include "Lumenar/GrafCommonRows.h"
#include "Lumenar/JpegWriter.h"
#include "automation/bstr.h"
#include "automation/failure.h"

namespace lumenar {

using namespace automation;

const DispatchTable<CGraph3> CGraph3::table{IID_IGraph3, "IGraph3", [] {
    auto rows = GrafCommonRows<CGraph3>();
    rows.push_back(Method<&CGraph3::Redraw>(1, "Redraw", {}, "Marks the picture for rebuilding; CreateJPEG always rebuilds"));
    rows.push_back(PropGet<&CGraph3::get_Width>(3, "Width", {Result("pVal")}, "Picture width in pixels"));
    rows.push_back(PropPut<&CGraph3::put_Width>(3, "Width", {In("value")},
                                                "Sets the picture width in pixels (below 30 renders 100 x 100)"));
    rows.push_back(PropGet<&CGraph3::get_Height>(4, "Height", {Result("pVal")}, "Picture height in pixels"));
    rows.push_back(PropPut<&CGraph3::put_Height>(4, "Height", {In("value")},
                                                 "Sets the picture height in pixels (below 20 renders 100 x 100)"));
    rows.push_back(Method<&CGraph3::CreateJPEG>(5, "CreateJPEG", {In("fileName")},
                                                "Renders the picture off-screen and writes it as a JPEG file"));
    return rows;
}()};

namespace {

// Picture sizes below these render at the fallback size.
constexpr std::int32_t kMinWidth = 30;
constexpr std::int32_t kMinHeight = 20;
constexpr std::int32_t kFallbackSide = 100;

}  // namespace

CGraph3::CGraph3() : window_(vtkSmartPointer<vtkRenderWindow>::New()) { window_->SetOffScreenRendering(1); }

// The VTK objects go first (the renderer, then the window, while its display is still open), then
// the display connection; the common state follows with the base.
CGraph3::~CGraph3() {
    GraphState& g = state();
    if (g.renderer) window_->RemoveRenderer(g.renderer);
    g.renderer = nullptr;
    window_ = nullptr;
    display_.reset();
}

void CGraph3::RenderOffscreen() {
    GraphState& g = state();
    if (g.renderer) window_->RemoveRenderer(g.renderer);
    g.renderer = vtkSmartPointer<vtkRenderer>::New();
    window_->AddRenderer(g.renderer);
    // The one fixed render-window setting: render into off-screen buffers, never into a window.
    window_->SetOffScreenRendering(1);
    if (g.width < kMinWidth || g.height < kMinHeight) g.width = g.height = kFallbackSide;
    if (g.width > kMaxSide || g.height > kMaxSide) {
        std::string text = "Width and Height may not exceed ";
        text += std::to_string(kMaxSide);
        text += " pixels";
        throw StatusError(E_INVALIDARG, text);
    }
    window_->SetSize(g.width, g.height);

    if (!g.engine) throw std::runtime_error("Invalid preparation in CRenderer");
    if (g.engine->ReadsDensity()) g.CheckDrawable();
    g.engine->Build(g.renderer);

    if (!display_) {
        display_ = CXConnection::Open();
        window_->SetDisplayId(display_->display());
    }
    // The camera VTK gives a new scene: the whole scene in view, seen from above; then the turn
    // asked for by Azimuth and Elevation.
    g.renderer->ResetCamera();
    vtkCamera* camera = g.renderer->GetActiveCamera();
    camera->Azimuth(g.Azimuth);
    camera->Elevation(g.Elevation);
    camera->OrthogonalizeViewUp();
    g.renderer->ResetCameraClippingRange();
    window_->Render();
}

void CGraph3::CreateJPEG(const std::u16string& fileName) {
    RenderOffscreen();
    const GraphState& g = state();
    vtkNew<vtkUnsignedCharArray> pixels;
    window_->GetPixelData(0, 0, g.width - 1, g.height - 1, 1, pixels);
    const std::span<const std::uint8_t> rgb(pixels->GetPointer(0), static_cast<std::size_t>(pixels->GetSize()));
    if (!WriteJpeg(rgb, g.width, g.height, Utf16ToUtf8(fileName)))
        throw StatusError(E_INVALIDARG, "Could not write the JPEG file");
}

}  // namespace lumenar
