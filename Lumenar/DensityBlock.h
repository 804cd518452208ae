// A read-only view of a bivariate distribution's shared block, opened by the block's name.
//
// The reader uses these bytes of the block (little-endian, offsets from its start):
//   64    the writer's nx (int32)      72    the writer's ny (int32)
//   1024  the density, the writer's element (x, y) at x*ny + y
//   1024 + 8 (2 nx ny + ny)   the writer's X marginal, nx values
// The reader's grid is the writer's transposed: its nx is the writer's ny and its ny the writer's nx,
// so that its index i + nx*j is the writer's x*ny + y, and its marginal (ny values) is the writer's
// X marginal. Square blocks read the same either way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace lumenar {

class CDensityBlock {
public:
    // Opens the POSIX shared-memory object "/" + name read-only and maps all of it. Fails with
    // StatusError(E_INVALIDARG) carrying the system's message text when the block cannot be opened
    // or mapped, and with StatusError(E_INVALIDARG) when its header describes a grid that the
    // mapped bytes do not hold.
    static std::unique_ptr<CDensityBlock> Open(const std::u16string& name);

    ~CDensityBlock();
    CDensityBlock(const CDensityBlock&) = delete;
    CDensityBlock& operator=(const CDensityBlock&) = delete;

    std::int32_t nx() const { return nx_; }
    std::int32_t ny() const { return ny_; }
    // nx*ny values, the value at grid point (i, j) at index i + nx*j.
    const double* density() const { return density_; }
    // ny values.
    const double* marginal() const { return marginal_; }

private:
    CDensityBlock() = default;

    int fd_ = -1;
    const std::byte* base_ = nullptr;
    std::size_t mappedBytes_ = 0;
    std::int32_t nx_ = 0;
    std::int32_t ny_ = 0;
    const double* density_ = nullptr;
    const double* marginal_ = nullptr;
};

}  // namespace lumenar
