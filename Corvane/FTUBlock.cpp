#include "Corvane/FTUBlock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <limits>
#include <stdexcept>

#include "automation/descriptor.h"
#include "automation/failure.h"

namespace corvane {

static_assert(std::endian::native == std::endian::little, "the block's stored format is little-endian");

namespace {

using automation::Descriptor;

constexpr const char* kShortened = "The shared block was shortened by another program";

}  // namespace

bool IsFTUBlockSize(std::size_t bytes) {
    for (std::size_t num = 2; num <= 8192; num *= 2)
        if (bytes == 8 * num * (num + 2)) return true;
    return false;
}

std::unique_ptr<CFTUBlock> CFTUBlock::Create(const std::string& id, std::size_t doubles) {
    const automation::StatusError notCreated(automation::E_OUTOFMEMORY, "Could not create mapping object");
    if (doubles == 0 || doubles > static_cast<std::size_t>(std::numeric_limits<off_t>::max()) / sizeof(double))
        throw notCreated;
    const std::size_t bytes = doubles * sizeof(double);
    std::unique_ptr<CFTUBlock> block(new CFTUBlock());
    const std::string name = "/" + id;
    Descriptor fd(::shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR));
    if (fd.get() < 0) throw notCreated;
    // From here on the destructor removes the name and closes the descriptor.
    block->name_ = name;
    block->fd_ = fd.release();
    while (::flock(block->fd_, LOCK_SH) != 0)
        if (errno != EINTR) throw notCreated;
    if (::fchmod(block->fd_, S_IRUSR | S_IWUSR) != 0 || ::ftruncate(block->fd_, static_cast<off_t>(bytes)) != 0 ||
        ::posix_fallocate(block->fd_, 0, static_cast<off_t>(bytes)) != 0)
        throw notCreated;
    void* view = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, block->fd_, 0);
    if (view == MAP_FAILED) throw automation::StatusError(automation::E_UNEXPECTED, "Could not map view of file");
    block->data_ = static_cast<double*>(view);
    block->doubles_ = doubles;
    block->guard_.Watch(view, bytes);
    return block;
}

CFTUBlock::~CFTUBlock() {
    guard_.Release();
    if (data_ != nullptr) ::munmap(data_, doubles_ * sizeof(double));
    if (fd_ >= 0) ::close(fd_);
    if (!name_.empty()) ::shm_unlink(name_.c_str());
}

void CFTUBlock::ThrowIfDamaged() const {
    if (guard_.Damaged()) throw std::runtime_error(kShortened);
}

CFTUBlockView::CFTUBlockView(const std::string& id, std::size_t doubles) {
    const std::string name = "/" + id;
    Descriptor fd(::shm_open(name.c_str(), O_RDONLY | O_CLOEXEC, 0));
    if (fd.get() < 0) throw std::runtime_error("Could not create mapping object");
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || st.st_size < 0 ||
        static_cast<std::size_t>(st.st_size) / sizeof(double) < doubles || doubles == 0)
        throw std::runtime_error("Could not map view of file");
    const std::size_t bytes = doubles * sizeof(double);
    void* view = ::mmap(nullptr, bytes, PROT_READ, MAP_SHARED, fd.get(), 0);
    if (view == MAP_FAILED) throw std::runtime_error("Could not map view of file");
    data_ = static_cast<const double*>(view);
    bytes_ = bytes;
    guard_.Watch(view, bytes);
}

CFTUBlockView::~CFTUBlockView() {
    guard_.Release();
    if (data_ != nullptr) ::munmap(const_cast<double*>(data_), bytes_);
}

void CFTUBlockView::ThrowIfDamaged() const {
    if (guard_.Damaged()) throw std::runtime_error(kShortened);
}

}  // namespace corvane
