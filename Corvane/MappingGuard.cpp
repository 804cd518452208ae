#include "Corvane/MappingGuard.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <mutex>

namespace corvane {

// A watched range. Slots are never freed, so the signal handler can walk the list without a lock;
// a released slot (end 0) is reused by a later guard.
struct GuardSlot {
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> damaged{false};
    std::atomic<bool> inUse{false};
    GuardSlot* next = nullptr;
};

namespace {

std::atomic<GuardSlot*> g_slots{nullptr};
std::mutex g_slotsMutex;
struct sigaction g_previous {};

void PassOn(int sig, siginfo_t* info, void* context) {
    if (g_previous.sa_flags & SA_SIGINFO) {
        g_previous.sa_sigaction(sig, info, context);
    } else if (g_previous.sa_handler == SIG_DFL || g_previous.sa_handler == SIG_IGN) {
        // Returning re-runs the faulting access, which now ends the process as it would have.
        ::signal(sig, SIG_DFL);
    } else {
        g_previous.sa_handler(sig);
    }
}

void OnBusError(int sig, siginfo_t* info, void* context) {
    // Only the kernel's report of a page with no file behind it is ours to mend.
    if (info->si_code == BUS_ADRERR) {
        const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
        for (auto* s = g_slots.load(std::memory_order_acquire); s; s = s->next) {
            const std::uintptr_t begin = s->begin.load(std::memory_order_acquire);
            const std::uintptr_t end = s->end.load(std::memory_order_acquire);
            if (address < begin || address >= end) continue;
            const auto pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
            void* page = reinterpret_cast<void*>(address & ~(pageSize - 1));
            if (::mmap(page, pageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) ==
                MAP_FAILED)
                break;
            s->damaged.store(true, std::memory_order_release);
            return;
        }
    }
    PassOn(sig, info, context);
}

void InstallHandler() {
    struct sigaction action {};
    action.sa_sigaction = &OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, &g_previous);
}

}  // namespace

void CMappingGuard::Watch(const void* base, std::size_t bytes) {
    Release();
    static std::once_flag installed;
    std::call_once(installed, InstallHandler);
    std::lock_guard lock(g_slotsMutex);
    GuardSlot* s = g_slots.load(std::memory_order_acquire);
    while (s && s->inUse.load(std::memory_order_relaxed)) s = s->next;
    if (!s) {
        s = new GuardSlot;
        s->next = g_slots.load(std::memory_order_relaxed);
        g_slots.store(s, std::memory_order_release);
    }
    s->inUse.store(true, std::memory_order_relaxed);
    s->damaged.store(false, std::memory_order_relaxed);
    s->begin.store(reinterpret_cast<std::uintptr_t>(base), std::memory_order_release);
    s->end.store(reinterpret_cast<std::uintptr_t>(base) + bytes, std::memory_order_release);
    slot_ = s;
}

void CMappingGuard::Release() noexcept {
    if (!slot_) return;
    std::lock_guard lock(g_slotsMutex);
    slot_->end.store(0, std::memory_order_release);
    slot_->begin.store(0, std::memory_order_release);
    slot_->inUse.store(false, std::memory_order_relaxed);
    slot_ = nullptr;
}

bool CMappingGuard::Damaged() const noexcept { return slot_ && slot_->damaged.load(std::memory_order_acquire); }

}  // namespace corvane
