#include "Lumenar/XDisplay.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

#include <GL/glx.h>
#include <X11/Xlib.h>

#include "automation/trace.h"

namespace lumenar {

namespace {

constexpr int kStartTimeoutMs = 20000;

// Xvfb on the search path, or empty.
std::string FindXvfb() {
    const char* path = std::getenv("PATH");
    std::string_view dirs = path ? path : "";
    while (!dirs.empty()) {
        const std::size_t colon = dirs.find(':');
        const std::string dir(dirs.substr(0, colon));
        dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
        const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/Xvfb";
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

bool Reachable(const char* name) {
    Display* d = XOpenDisplay(name);
    if (!d) return false;
    XCloseDisplay(d);
    return true;
}

// Reads the display number Xvfb writes to -displayfd once it accepts connections.
std::optional<std::string> ReadDisplayNumber(int fd) {
    std::string number;
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, kStartTimeoutMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return std::nullopt;
        char buffer[16];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return std::nullopt;
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] == '\n') return number.empty() ? std::nullopt : std::optional(number);
            number.push_back(buffer[i]);
        }
    }
}

// Starts Xvfb on a free display number of its own choosing and returns ":N". The process keeps
// one connection open until it ends; Xvfb, told to -terminate, ends when that last client leaves.
std::string StartXvfb() {
    const std::string xvfb = FindXvfb();
    if (xvfb.empty())
        throw std::runtime_error(
            "No X display is reachable and the virtual X server Xvfb is not installed (package xvfb)");
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("Cannot start Xvfb: no pipe for its display number");
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    const std::string writeFd = std::to_string(fds[1]);
    std::vector<const char*> argv = {xvfb.c_str(), "-displayfd", writeFd.c_str(), "-nolisten", "tcp",
                                     "-screen",    "0",          "1280x1024x24",  "-terminate", nullptr};
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls until exec.
        ::setpgid(0, 0);  // out of the caller's process group: a terminal's interrupt stays with the caller
        ::fcntl(fds[1], F_SETFD, 0);
        if (devNull >= 0) {
            ::dup2(devNull, STDIN_FILENO);
            ::dup2(devNull, STDOUT_FILENO);
            ::dup2(devNull, STDERR_FILENO);
        }
        ::execv(argv[0], const_cast<char* const*>(argv.data()));
        ::_exit(127);
    }
    ::close(fds[1]);
    if (devNull >= 0) ::close(devNull);
    if (pid < 0) {
        ::close(fds[0]);
        throw std::runtime_error("Cannot start Xvfb: fork failed");
    }
    const std::optional<std::string> number = ReadDisplayNumber(fds[0]);
    ::close(fds[0]);
    if (!number) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        throw std::runtime_error("No X display is reachable and the virtual X server Xvfb did not start");
    }
    const std::string name = ":" + *number;
    // The process's own connection, held for its lifetime (the system closes it at exit).
    static Display* keeper = nullptr;
    keeper = XOpenDisplay(name.c_str());
    if (!keeper) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        throw std::runtime_error("Cannot connect to the virtual X server " + name);
    }
    automation::Trace("Started Xvfb on display " + name);
    return name;
}

}  // namespace

std::string RenderDisplayName() {
    static std::mutex mutex;
    static std::optional<std::string> name;
    std::lock_guard lock(mutex);
    if (!name) name = Reachable(nullptr) ? std::string() : StartXvfb();
    return *name;
}

std::unique_ptr<CXConnection> CXConnection::Open() {
    const std::string name = RenderDisplayName();
    Display* d = XOpenDisplay(name.empty() ? nullptr : name.c_str());
    if (!d) throw std::runtime_error("Cannot open the X display " + (name.empty() ? std::string("$DISPLAY") : name));
    int errorBase = 0, eventBase = 0;
    if (!glXQueryExtension(d, &errorBase, &eventBase)) {
        XCloseDisplay(d);
        throw std::runtime_error("The X display has no OpenGL (GLX) extension");
    }
    return std::unique_ptr<CXConnection>(new CXConnection(d));
}

namespace {
bool g_trappedError = false;
}  // namespace

CXErrorTrap::CXErrorTrap(void* display) : display_(display) {
    Display* d = static_cast<Display*>(display_);
    XSync(d, False);
    g_trappedError = false;
    previous_ = reinterpret_cast<int (*)(void*, void*)>(XSetErrorHandler([](Display*, XErrorEvent*) {
        g_trappedError = true;
        return 0;
    }));
}

CXErrorTrap::~CXErrorTrap() {
    XSync(static_cast<Display*>(display_), False);
    XSetErrorHandler(reinterpret_cast<XErrorHandler>(previous_));
}

bool CXErrorTrap::failed() {
    XSync(static_cast<Display*>(display_), False);
    return g_trappedError;
}

CXConnection::~CXConnection() { XCloseDisplay(static_cast<Display*>(display_)); }

}  // namespace lumenar
