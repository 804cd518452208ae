// A named shared block written as a bivariate distribution's writer lays it out, for the reader's tests.
#pragma once

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <cstring>
#include <random>
#include <string>

class SharedBlock {
public:
    // A block of `bytes` bytes whose header says nx at 64 and ny at 72.
    SharedBlock(std::int32_t nx, std::int32_t ny, std::size_t bytes) : bytes_(bytes) {
        char name[64];
        std::snprintf(name, sizeof name, "lumenar-test-%d-%u", int(::getpid()), unsigned(std::random_device{}()));
        name_ = name;
        const int fd = ::shm_open(("/" + name_).c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
        if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(bytes)) != 0) throw std::runtime_error("shm");
        base_ = static_cast<std::byte*>(::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
        ::close(fd);
        std::memcpy(base_ + 64, &nx, 4);
        std::memcpy(base_ + 72, &ny, 4);
    }
    // The full layout of an nx x ny block: 1024 bytes and 2 nx ny + 3 nx + 2 ny doubles.
    static SharedBlock Full(std::int32_t nx, std::int32_t ny) {
        return SharedBlock(nx, ny, 1024 + 8 * std::size_t(2 * nx * ny + 3 * nx + 2 * ny));
    }
    SharedBlock(SharedBlock&& o) noexcept : name_(std::move(o.name_)), base_(o.base_), bytes_(o.bytes_) {
        o.base_ = nullptr;
    }
    ~SharedBlock() {
        if (!base_) return;
        ::munmap(base_, bytes_);
        ::shm_unlink(("/" + name_).c_str());
    }
    std::u16string name() const { return std::u16string(name_.begin(), name_.end()); }
    double* data() { return reinterpret_cast<double*>(base_ + 1024); }

private:
    std::string name_;
    std::byte* base_;
    std::size_t bytes_;
};
