#include "Corvane/BivBlock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>

#include "automation/descriptor.h"
#include "automation/file_replacement.h"

namespace corvane {

static_assert(std::endian::native == std::endian::little, "the block's stored format is little-endian");

namespace {

constexpr std::size_t kNxAt = 64, kNxPadAt = 68, kNyAt = 72, kNyPadAt = 76, kUnitXAt = 128, kUnitYAt = 136;
constexpr int kRegionCount = 5;

using automation::Descriptor;

bool PowerOfTwo(std::int64_t n) { return n > 0 && (n & (n - 1)) == 0; }

template <class T>
T ReadAt(const std::byte* base, std::size_t at) {
    T v;
    std::memcpy(&v, base + at, sizeof v);
    return v;
}

template <class T>
void WriteAt(std::byte* base, std::size_t at, T v) {
    std::memcpy(base + at, &v, sizeof v);
}

std::byte* MapView(int fd, std::size_t bytes) {
    void* view = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED) throw std::runtime_error("Could not map view of file");
    return static_cast<std::byte*>(view);
}

}  // namespace

std::size_t BivElementCount(std::size_t nx, std::size_t ny) { return 2 * nx * ny + 3 * nx + 2 * ny; }

// Powers of two up to 2^30, so m < 2^62 does not overflow.
std::size_t BivImageBytes(std::int32_t nx, std::int32_t ny) {
    if (!PowerOfTwo(nx) || !PowerOfTwo(ny)) return 0;
    const std::size_t m = BivElementCount(static_cast<std::size_t>(nx), static_cast<std::size_t>(ny));
    const auto limit = static_cast<std::size_t>(std::numeric_limits<off_t>::max());
    return m <= (limit - kBivHeaderBytes) / 8 ? kBivHeaderBytes + 8 * m : 0;
}

std::size_t BivImageBytes(std::span<const std::byte> header) {
    if (header.size() < kBivHeaderBytes || ReadAt<std::int32_t>(header.data(), kNxPadAt) != 0 ||
        ReadAt<std::int32_t>(header.data(), kNyPadAt) != 0)
        return 0;
    return BivImageBytes(ReadAt<std::int32_t>(header.data(), kNxAt), ReadAt<std::int32_t>(header.data(), kNyAt));
}

BivExtent BivRegionExtent(BivRegion region, std::size_t nx, std::size_t ny) {
    const std::size_t nxy = nx * ny;
    switch (region) {
        case BivRegion::Density:
            return {0, nxy};
        case BivRegion::Transform:
            return {nxy, nx * (ny + 1)};
        case BivRegion::MarginalX:
            return {2 * nxy + ny, nx};
        case BivRegion::MarginalY:
            return {2 * nxy + ny + nx, ny};
        case BivRegion::Reserved: {
            // nx + ny doubles would run past the data area when ny > nx; the area ends at m.
            const std::size_t offset = 2 * nxy + 2 * ny + nx;
            return {offset, std::min(nx + ny, BivElementCount(nx, ny) - offset)};
        }
    }
    throw std::invalid_argument("unknown block region");
}

std::unique_ptr<CBivBlock> CBivBlock::CreateShared(const std::string& id, std::int32_t nx, std::int32_t ny,
                                                   double unitX, double unitY) {
    if (!PowerOfTwo(nx) || !PowerOfTwo(ny))
        throw std::invalid_argument("a bivariate grid needs powers of two, got " + std::to_string(nx) + " x " +
                                    std::to_string(ny));
    const std::size_t bytes = BivImageBytes(nx, ny);
    if (bytes == 0) throw std::invalid_argument("a bivariate grid too large for a block");

    std::unique_ptr<CBivBlock> block(new CBivBlock());
    const std::string name = "/" + id;
    const int fd = ::shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0) throw std::runtime_error("Could not create mapping object");
    // From here on the destructor closes the descriptor and removes the name.
    block->fd_ = fd;
    block->shmName_ = name;
    // The creator holds a shared lock for the block's life: a block nobody locks has lost its
    // creator, and the sweep at the next module load removes it.
    while (::flock(fd, LOCK_SH) != 0)
        if (errno != EINTR) throw std::runtime_error("Could not create mapping object");
    if (::fchmod(fd, S_IRUSR | S_IWUSR) != 0 || ::ftruncate(fd, static_cast<off_t>(bytes)) != 0)
        throw std::runtime_error("Could not create mapping object");
    block->base_ = MapView(fd, bytes);
    block->mappedBytes_ = bytes;
    block->guard_.Watch(block->base_, bytes);
    if (::posix_fallocate(fd, 0, static_cast<off_t>(kBivHeaderBytes)) != 0)
        throw std::runtime_error("Memory allocation error");

    block->nx_ = nx;
    block->ny_ = ny;
    block->m_ = BivElementCount(static_cast<std::size_t>(nx), static_cast<std::size_t>(ny));
    WriteAt<std::int32_t>(block->base_, kNxAt, nx);
    WriteAt<std::int32_t>(block->base_, kNxPadAt, 0);
    WriteAt<std::int32_t>(block->base_, kNyAt, ny);
    WriteAt<std::int32_t>(block->base_, kNyPadAt, 0);
    block->SetUnits(unitX, unitY);
    return block;
}

std::unique_ptr<CBivBlock> CBivBlock::OpenFile(const std::filesystem::path& file) {
    Descriptor fd(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (fd.get() < 0) throw std::runtime_error("Invalid file handle");
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0)
        throw std::runtime_error("Could not create mapping object");
    const auto size = static_cast<std::size_t>(st.st_size);
    if (size < kBivHeaderBytes) throw std::invalid_argument("the file is too short for a bivariate block header");

    std::unique_ptr<CBivBlock> block(new CBivBlock());
    block->base_ = MapView(fd.get(), size);
    block->mappedBytes_ = size;
    block->guard_.Watch(block->base_, size);
    block->fd_ = fd.release();

    const auto nx = ReadAt<std::int32_t>(block->base_, kNxAt), ny = ReadAt<std::int32_t>(block->base_, kNyAt);
    if (!PowerOfTwo(nx) || !PowerOfTwo(ny))
        throw std::invalid_argument("the file's header does not describe a bivariate grid (" + std::to_string(nx) +
                                    " x " + std::to_string(ny) + ")");
    const std::size_t bytes = BivImageBytes(nx, ny);
    if (bytes == 0 || bytes > size)
        throw std::invalid_argument("the file is shorter than the " + std::to_string(nx) + " x " +
                                    std::to_string(ny) + " grid its header describes");
    const double unitX = block->unitX(), unitY = block->unitY();
    if (!(std::isfinite(unitX) && unitX > 0 && std::isfinite(unitY) && unitY > 0))
        throw std::invalid_argument("the file's header gives units that are not positive and finite");
    block->ThrowIfDamaged();
    block->nx_ = nx;
    block->ny_ = ny;
    block->m_ = BivElementCount(static_cast<std::size_t>(nx), static_cast<std::size_t>(ny));
    // The whole file is backed by its own pages: every region is usable.
    std::fill_n(block->base_, kRegionCount, std::byte{1});
    return block;
}

CBivBlock::~CBivBlock() {
    fft_.reset();
    guard_.Release();
    if (base_ != nullptr) ::munmap(base_, mappedBytes_);
    if (fd_ >= 0) ::close(fd_);
    if (!shmName_.empty()) ::shm_unlink(shmName_.c_str());
}

double CBivBlock::unitX() const { return ReadAt<double>(base_, kUnitXAt); }

double CBivBlock::unitY() const { return ReadAt<double>(base_, kUnitYAt); }

void CBivBlock::SetUnits(double unitX, double unitY) {
    WriteAt(base_, kUnitXAt, unitX);
    WriteAt(base_, kUnitYAt, unitY);
}

std::uint8_t CBivBlock::Flag(BivRegion region) const {
    return std::to_integer<std::uint8_t>(base_[static_cast<int>(region)]);
}

// A region of a shared block gets its pages allocated on first use, so that a full shared-memory
// file system fails here with a message instead of faulting on a later write.
std::span<double> CBivBlock::Region(BivRegion region) {
    const BivExtent extent = BivRegionExtent(region, static_cast<std::size_t>(nx_), static_cast<std::size_t>(ny_));
    const std::size_t at = kBivHeaderBytes + 8 * extent.offset;
    if (Flag(region) == 0) {
        if (!FileBacked() &&
            ::posix_fallocate(fd_, static_cast<off_t>(at), static_cast<off_t>(8 * extent.length)) != 0)
            throw std::runtime_error("Memory allocation error");
        base_[static_cast<int>(region)] = std::byte{1};
    }
    return {reinterpret_cast<double*>(base_ + at), extent.length};
}

CFFT2D& CBivBlock::Transform2D() {
    if (!fft_) fft_ = std::make_unique<CFFT2D>(static_cast<std::size_t>(nx_), static_cast<std::size_t>(ny_));
    return *fft_;
}

void CBivBlock::ThrowIfDamaged() const {
    if (guard_.Damaged())
        throw std::runtime_error(FileBacked() ? "The block's file was shortened by another program"
                                              : "The shared block was shortened by another program");
}

// A new file of exactly the block's image is written beside the target and renamed over it, so that
// an object that has the old file mapped keeps its pages.
void CBivBlock::SaveAs(const std::filesystem::path& file) const {
    ThrowIfDamaged();
    const std::size_t bytes = kBivHeaderBytes + 8 * m_;
    std::optional<automation::FileReplacement> replacement;
    try {
        replacement.emplace(file);
    } catch (const std::system_error&) {
        throw std::runtime_error("Invalid file handle");
    }
    const int fd = replacement->fd();
    if (::ftruncate(fd, static_cast<off_t>(bytes)) != 0) throw std::runtime_error("Could not create mapping object");
    std::byte* view = MapView(fd, bytes);
    // Unused regions are zero in the block, so the image holds exactly the regions in use.
    std::memcpy(view, base_, bytes);
    const bool flushed = ::msync(view, bytes, MS_SYNC) == 0;
    ::munmap(view, bytes);
    if (!flushed) throw std::runtime_error("Could not write file");
    try {
        replacement->Commit();
    } catch (const std::system_error&) {
        throw std::runtime_error("Could not write file");
    }
}

}  // namespace corvane
