#include "Lumenar/DensityBlock.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "automation/bstr.h"
#include "automation/failure.h"
#include "automation/trace.h"

namespace lumenar {

using automation::E_INVALIDARG;
using automation::StatusError;

namespace {

constexpr std::size_t kNxOffset = 64;
constexpr std::size_t kNyOffset = 72;
constexpr std::size_t kDataOffset = 1024;

// What the platform would have shown in a message box: the system's text for the error.
[[noreturn]] void FailWithSystemText(int error) {
    std::string text = std::strerror(error);
    automation::Trace("Error: " + text);
    throw StatusError(E_INVALIDARG, text);
}

std::int32_t ReadInt32(const std::byte* p) {
    std::int32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

}  // namespace

std::unique_ptr<CDensityBlock> CDensityBlock::Open(const std::u16string& name) {
    const std::string path = "/" + automation::Utf16ToUtf8(name);
    std::unique_ptr<CDensityBlock> block(new CDensityBlock());
    block->fd_ = ::shm_open(path.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (block->fd_ < 0) FailWithSystemText(errno);
    struct stat st {};
    if (::fstat(block->fd_, &st) != 0) FailWithSystemText(errno);
    const auto bytes = static_cast<std::size_t>(st.st_size);
    if (bytes < kDataOffset) throw StatusError(E_INVALIDARG, "The block is too small to hold a bivariate header");
    void* view = ::mmap(nullptr, bytes, PROT_READ, MAP_SHARED, block->fd_, 0);
    if (view == MAP_FAILED) FailWithSystemText(errno);
    block->base_ = static_cast<const std::byte*>(view);
    block->mappedBytes_ = bytes;

    const std::int32_t writerNx = ReadInt32(block->base_ + kNxOffset);
    const std::int32_t writerNy = ReadInt32(block->base_ + kNyOffset);
    // The density and the X marginal must lie inside the mapping: 2 nx ny + nx + ny doubles after the
    // header, counted in 64 bits so that no header overflows the check.
    const std::uint64_t available = (bytes - kDataOffset) / sizeof(double);
    const auto wx = static_cast<std::uint64_t>(writerNx), wy = static_cast<std::uint64_t>(writerNy);
    if (writerNx <= 0 || writerNy <= 0 || 2 * wx * wy + wx + wy > available)
        throw StatusError(E_INVALIDARG, "The block's header describes a grid larger than the block");

    block->nx_ = writerNy;
    block->ny_ = writerNx;
    const auto* data = reinterpret_cast<const double*>(block->base_ + kDataOffset);
    block->density_ = data;
    block->marginal_ = data + 2 * wx * wy + wy;
    return block;
}

CDensityBlock::~CDensityBlock() {
    if (base_) ::munmap(const_cast<std::byte*>(base_), mappedBytes_);
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace lumenar
