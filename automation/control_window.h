// The control-site interface: what a host needs to give an embeddable control a window of its own
// inside the host's window (an X window id) or as a top-level window, and to let it handle the
// window's events. It takes the place of the platform's in-place activation interfaces.
#pragma once

#include <cstdint>
#include <string>

#include "automation/unknown.h"

namespace automation {

inline constexpr IID IID_IControlWindow = MakeGuid("{CAA14634-BD8C-4A04-A429-0E92DED687B7}");

// A failing call fills `excep`, when given, with its error record.
struct IControlWindow : IUnknown {
    // Creates the control's window, width x height pixels, as a child of the X window `parent`,
    // or as a top-level window when `parent` is 0. The window is shown at once.
    virtual HRESULT CreateInParent(std::uint64_t parent, std::int32_t width, std::int32_t height,
                                   ExcepInfo* excep) = 0;
    virtual HRESULT Show(bool visible, ExcepInfo* excep) = 0;
    // Sets the window's client size; the control follows it when its configure event arrives.
    virtual HRESULT Resize(std::int32_t width, std::int32_t height, ExcepInfo* excep) = 0;
    virtual HRESULT Destroy(ExcepInfo* excep) = 0;
    // Handles every event that has arrived for the control's window (repaints, size changes,
    // typed characters) and returns; the host calls it from its own event loop.
    virtual HRESULT PumpEvents(ExcepInfo* excep) = 0;
    // The X window id of the control's window (0 without one) and the display it is on.
    virtual HRESULT GetWindow(std::uint64_t* window) = 0;
    virtual HRESULT GetDisplayName(std::u16string* name) = 0;

protected:
    ~IControlWindow() = default;
};

}  // namespace automation
