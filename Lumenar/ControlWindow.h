// The control's own X11 window: a child of the host's window, or top-level, on the display the
// graphs render through. It draws the placeholder with cairo and hands its events to its owner.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "Lumenar/XDisplay.h"

namespace lumenar {

class CControlWindow {
public:
    // What the window's events ask of the control that owns it.
    struct Handler {
        virtual void OnExpose(bool ofRenderWindow) = 0;
        virtual void OnResize(std::int32_t width, std::int32_t height) = 0;
        // A typed character and the modifier keys' state (X's shift 1, control 4).
        virtual void OnCharacter(std::uint32_t code, std::uint32_t modifiers) = 0;

    protected:
        ~Handler() = default;
    };

    // Opens a connection of the window's own and creates the window of width x height pixels in
    // `parent` (0: a top-level window), mapped. Throws std::runtime_error when X refuses.
    CControlWindow(Handler& handler, std::uint64_t parent, std::int32_t width, std::int32_t height);
    ~CControlWindow();
    CControlWindow(const CControlWindow&) = delete;
    CControlWindow& operator=(const CControlWindow&) = delete;

    void* display() const { return connection_->display(); }
    unsigned long window() const { return window_; }
    std::string displayName() const;

    void Show(bool visible);
    void Resize(std::int32_t width, std::int32_t height);
    // Asks for a repaint: an expose event for the window, handled at the next pump.
    void Invalidate();
    // Handles every event that has arrived; the handler's exceptions propagate.
    void PumpEvents();
    // The placeholder: a rectangle over the bounds, the two text lines centred on their baselines.
    void DrawPlaceholder(std::int32_t width, std::int32_t height, const std::string& line1,
                         const std::string& line2);
    // Pixels of the screen per HIMETRIC unit (0.01 mm), horizontally and vertically.
    double PixelsPerHimetricX() const;
    double PixelsPerHimetricY() const;

private:
    Handler& handler_;
    std::unique_ptr<CXConnection> connection_;
    unsigned long window_ = 0;
};

}  // namespace lumenar
