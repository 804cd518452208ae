// Keeps the process alive when a file under one of its mappings is shortened by another program.
//
// Touching a page of a MAP_SHARED mapping past the end of its file raises SIGBUS. While a guard
// watches a mapping, the process's SIGBUS handler puts a zero page of private memory in place of
// the missing one, marks the guard damaged and lets the access complete; the owner of the mapping
// checks the mark after reading and fails the call instead of handing out what it read. Faults
// outside every guarded mapping go on to the handler that was installed before.
#pragma once

#include <cstddef>

namespace corvane {

struct GuardSlot;

class CMappingGuard {
public:
    CMappingGuard() = default;
    // Watches [base, base + bytes) until destroyed or Watch()ed again.
    CMappingGuard(const void* base, std::size_t bytes) { Watch(base, bytes); }
    ~CMappingGuard() { Release(); }
    CMappingGuard(const CMappingGuard&) = delete;
    CMappingGuard& operator=(const CMappingGuard&) = delete;

    void Watch(const void* base, std::size_t bytes);
    void Release() noexcept;
    // True once a page of the watched range lost its file; stays true until Watch or Release.
    bool Damaged() const noexcept;

private:
    GuardSlot* slot_ = nullptr;
};

}  // namespace corvane
