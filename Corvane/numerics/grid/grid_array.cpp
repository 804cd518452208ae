#include "Corvane/numerics/grid/grid_array.h"

#include <sys/mman.h>

#include <cstdint>

namespace corvane {

namespace {

constexpr std::uintptr_t kHugePage = std::uintptr_t{1} << 21;
constexpr std::size_t kLarge = std::size_t{1} << 22;  // bytes

// The whole huge pages inside the array become eligible for huge pages; a system without them
// refuses the advice, which changes nothing.
void AdviseHugePages(void* p, std::size_t bytes) {
    const auto start = reinterpret_cast<std::uintptr_t>(p);
    const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1), last = (start + bytes) & ~(kHugePage - 1);
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

}  // namespace

std::vector<double> GridArray(std::size_t n) {
    std::vector<double> v;
    if (n * sizeof(double) >= kLarge) {
        v.reserve(n);
        AdviseHugePages(v.data(), n * sizeof(double));
    }
    v.resize(n);
    return v;
}

}  // namespace corvane
