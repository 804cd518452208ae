// A cap on single allocations for the fuzzers: a request above it throws std::bad_alloc (or gives
// null for the nothrow forms) as an exhausted heap would, so that a call asking for a grid of many
// gigabytes fails with E_OUTOFMEMORY instead of taking the machine's memory. Below the cap the
// request goes on to the next definition (the sanitizer's or the C++ library's). The executable
// exports these definitions (see allocation_cap.list), so that the modules it loads use them too.
#include <dlfcn.h>

#include <cstddef>
#include <new>

namespace {

constexpr std::size_t kCap = std::size_t{512} << 20;

template <class F>
F Next(const char* symbol) {
    static_assert(sizeof(F) == sizeof(void*));
    void* f = ::dlsym(RTLD_NEXT, symbol);
    return reinterpret_cast<F>(f);
}

using Plain = void* (*)(std::size_t);
using Aligned = void* (*)(std::size_t, std::align_val_t);

}  // namespace

void* operator new(std::size_t n) {
    static const Plain next = Next<Plain>("_Znwm");
    if (n > kCap) throw std::bad_alloc();
    return next(n);
}

void* operator new[](std::size_t n) {
    static const Plain next = Next<Plain>("_Znam");
    if (n > kCap) throw std::bad_alloc();
    return next(n);
}

void* operator new(std::size_t n, std::align_val_t a) {
    static const Aligned next = Next<Aligned>("_ZnwmSt11align_val_t");
    if (n > kCap) throw std::bad_alloc();
    return next(n, a);
}

void* operator new[](std::size_t n, std::align_val_t a) {
    static const Aligned next = Next<Aligned>("_ZnamSt11align_val_t");
    if (n > kCap) throw std::bad_alloc();
    return next(n, a);
}

void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    if (n > kCap) return nullptr;
    try {
        return ::operator new(n);
    } catch (...) {
        return nullptr;
    }
}

void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    if (n > kCap) return nullptr;
    try {
        return ::operator new[](n);
    } catch (...) {
        return nullptr;
    }
}
