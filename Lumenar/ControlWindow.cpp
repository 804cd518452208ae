#include "Lumenar/ControlWindow.h"

#include <stdexcept>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo-xlib.h>
#include <cairo.h>

namespace lumenar {

namespace {

constexpr long kEventMask = ExposureMask | StructureNotifyMask | KeyPressMask;
// The placeholder's text size in pixels.
constexpr double kFontSize = 13.0;

Display* Dpy(void* d) { return static_cast<Display*>(d); }

}  // namespace

CControlWindow::CControlWindow(Handler& handler, std::uint64_t parent, std::int32_t width, std::int32_t height)
    : handler_(handler), connection_(CXConnection::Open()) {
    Display* d = Dpy(connection_->display());
    if (width <= 0 || height <= 0) throw std::invalid_argument("The window size must be positive");
    const Window parentWindow = parent ? static_cast<Window>(parent) : DefaultRootWindow(d);
    {
        CXErrorTrap trap(d);
        XWindowAttributes parentAttributes;
        XGetWindowAttributes(d, parentWindow, &parentAttributes);
        if (trap.failed()) throw std::invalid_argument("The parent window does not exist on the display");
    }
    XSetWindowAttributes attributes{};
    attributes.background_pixel = WhitePixel(d, DefaultScreen(d));
    attributes.event_mask = kEventMask;
    window_ = XCreateWindow(d, parentWindow, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                            CopyFromParent, InputOutput, CopyFromParent, CWBackPixel | CWEventMask, &attributes);
    if (!parent) XStoreName(d, window_, "Lumenar/VTK Viewer 1.0");
    XMapWindow(d, window_);
    XSync(d, False);
}

// The host may have destroyed the window already, with its own.
CControlWindow::~CControlWindow() {
    CXErrorTrap trap(connection_->display());
    XDestroyWindow(Dpy(connection_->display()), window_);
}

std::string CControlWindow::displayName() const { return DisplayString(Dpy(connection_->display())); }

void CControlWindow::Show(bool visible) {
    Display* d = Dpy(connection_->display());
    if (visible) XMapWindow(d, window_);
    else XUnmapWindow(d, window_);
    XFlush(d);
}

void CControlWindow::Resize(std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0) throw std::invalid_argument("The window size must be positive");
    Display* d = Dpy(connection_->display());
    XResizeWindow(d, window_, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XFlush(d);
}

void CControlWindow::Invalidate() {
    Display* d = Dpy(connection_->display());
    XEvent e{};
    e.xexpose.type = Expose;
    e.xexpose.display = d;
    e.xexpose.window = window_;
    e.xexpose.count = 0;
    XSendEvent(d, window_, False, ExposureMask, &e);
    XFlush(d);
}

void CControlWindow::PumpEvents() {
    Display* d = Dpy(connection_->display());
    while (XPending(d)) {
        XEvent e;
        XNextEvent(d, &e);
        const bool own = e.xany.window == window_;
        switch (e.type) {
            case Expose:
                if (e.xexpose.count == 0) handler_.OnExpose(!own);
                break;
            case ConfigureNotify:
                if (own) handler_.OnResize(e.xconfigure.width, e.xconfigure.height);
                break;
            case KeyPress: {
                char text[8];
                KeySym keysym = 0;
                const int n = XLookupString(&e.xkey, text, sizeof text, &keysym, nullptr);
                if (n > 0)
                    handler_.OnCharacter(static_cast<unsigned char>(text[0]), e.xkey.state);
                break;
            }
            default: break;
        }
    }
}

void CControlWindow::DrawPlaceholder(std::int32_t width, std::int32_t height, const std::string& line1,
                                     const std::string& line2) {
    Display* d = Dpy(connection_->display());
    XWindowAttributes a;
    XGetWindowAttributes(d, window_, &a);
    cairo_surface_t* surface = cairo_xlib_surface_create(d, window_, a.visual, a.width, a.height);
    cairo_t* cr = cairo_create(surface);
    // The rectangle over the bounds: white inside, a black line of one pixel round it.
    cairo_rectangle(cr, 0.5, 0.5, width - 1.0, height - 1.0);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, kFontSize);
    const int cx = width / 2, cy = height / 2;
    for (const auto& [text, y] : {std::pair{&line1, cy}, std::pair{&line2, cy + 20}}) {
        cairo_text_extents_t extents;
        cairo_text_extents(cr, text->c_str(), &extents);
        cairo_move_to(cr, cx - extents.x_advance / 2, y);
        cairo_show_text(cr, text->c_str());
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    cairo_surface_destroy(surface);
    XFlush(d);
}

double CControlWindow::PixelsPerHimetricX() const {
    Display* d = Dpy(connection_->display());
    const int s = DefaultScreen(d);
    return static_cast<double>(DisplayWidth(d, s)) / (DisplayWidthMM(d, s) * 100.0);
}

double CControlWindow::PixelsPerHimetricY() const {
    Display* d = Dpy(connection_->display());
    const int s = DefaultScreen(d);
    return static_cast<double>(DisplayHeight(d, s)) / (DisplayHeightMM(d, s) * 100.0);
}

}  // namespace lumenar
