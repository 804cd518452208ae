// The X display off-screen rendering draws through. When the process can reach no display, a
// private virtual X server (Xvfb) is started once for the process; it ends when the process ends
// (it is told to terminate when its last client leaves, and the process holds one connection open
// for its lifetime).
#pragma once

#include <memory>
#include <string>

namespace lumenar {

// One connection of a graph to the display; VTK renders through it.
class CXConnection {
public:
    // Opens a connection to the reachable display, starting the private server first when there
    // is none. Fails with std::runtime_error saying what is missing.
    static std::unique_ptr<CXConnection> Open();

    ~CXConnection();
    CXConnection(const CXConnection&) = delete;
    CXConnection& operator=(const CXConnection&) = delete;

    // The Xlib Display, as VTK's SetDisplayId takes it.
    void* display() const { return display_; }

private:
    explicit CXConnection(void* display) : display_(display) {}
    void* display_;
};

// While one exists, X errors of the connection are recorded instead of reaching Xlib's default
// handler, which would end the process (a window the host destroyed under the control, a parent
// that does not exist). Requests made meanwhile are synchronised before it ends.
class CXErrorTrap {
public:
    explicit CXErrorTrap(void* display);
    ~CXErrorTrap();
    CXErrorTrap(const CXErrorTrap&) = delete;
    CXErrorTrap& operator=(const CXErrorTrap&) = delete;
    // Whether an error has arrived so far (synchronises first).
    bool failed();

private:
    void* display_;
    int (*previous_)(void*, void*);
};

// The display name connections use: "" for the caller's display ($DISPLAY), ":N" for the private
// server. Starts the private server on first need; throws std::runtime_error when it cannot.
std::string RenderDisplayName();

}  // namespace lumenar
