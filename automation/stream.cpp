#include "automation/stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <limits>

namespace automation {

namespace {

// The new position for a seek of `move` bytes from `base`, or failure before the start.
HRESULT Reposition(std::uint64_t base, std::int64_t move, std::uint64_t* position) {
    if (move < 0 && static_cast<std::uint64_t>(-(move + 1)) + 1 > base) return STG_E_INVALIDFUNCTION;
    *position = base + static_cast<std::uint64_t>(move);
    return S_OK;
}

HRESULT QueryStream(IStream* self, const IID& iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IStream) {
        *out = self;
        self->AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

}  // namespace

ComPtr<MemoryStream> MemoryStream::Create(std::vector<std::uint8_t> initial) {
    return ComPtr<MemoryStream>(new MemoryStream(std::move(initial)));
}

HRESULT MemoryStream::QueryInterface(const IID& iid, void** out) { return QueryStream(this, iid, out); }

std::uint32_t MemoryStream::Release() {
    const std::uint32_t n = --refs_;
    if (n == 0) delete this;
    return n;
}

HRESULT MemoryStream::Read(void* buffer, std::uint32_t count, std::uint32_t* read) {
    const std::size_t n = pos_ < bytes_.size() ? std::min<std::size_t>(count, bytes_.size() - pos_) : 0;
    if (n) std::memcpy(buffer, bytes_.data() + pos_, n);
    pos_ += n;
    if (read) *read = static_cast<std::uint32_t>(n);
    return S_OK;
}

HRESULT MemoryStream::Write(const void* buffer, std::uint32_t count, std::uint32_t* written) {
    try {
        if (pos_ + count > bytes_.size()) bytes_.resize(pos_ + count);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    if (count) std::memcpy(bytes_.data() + pos_, buffer, count);
    pos_ += count;
    if (written) *written = count;
    return S_OK;
}

HRESULT MemoryStream::Seek(std::int64_t move, SeekOrigin origin, std::uint64_t* position) {
    const std::uint64_t base = origin == SeekOrigin::Set ? 0 : origin == SeekOrigin::Current ? pos_ : bytes_.size();
    std::uint64_t p;
    if (HRESULT hr = Reposition(base, move, &p); Failed(hr)) return hr;
    if (p > std::numeric_limits<std::size_t>::max() / 2) return STG_E_INVALIDFUNCTION;
    pos_ = static_cast<std::size_t>(p);
    if (position) *position = p;
    return S_OK;
}

HRESULT MemoryStream::GetSize(std::uint64_t* size) {
    *size = bytes_.size();
    return S_OK;
}

HRESULT FileStatus(int error) {
    switch (error) {
        case ENOENT: case ENOTDIR: return STG_E_FILENOTFOUND;
        case EACCES: case EPERM: case EROFS: return STG_E_ACCESSDENIED;
        case ENOSPC: case EDQUOT: return STG_E_MEDIUMFULL;
        default: return STG_E_WRITEFAULT;
    }
}

namespace {

class FileStream final : public IStream {
public:
    explicit FileStream(int fd) : fd_(fd) {}
    ~FileStream() { ::close(fd_); }

    HRESULT QueryInterface(const IID& iid, void** out) override { return QueryStream(this, iid, out); }
    std::uint32_t AddRef() override { return ++refs_; }
    std::uint32_t Release() override {
        const std::uint32_t n = --refs_;
        if (n == 0) delete this;
        return n;
    }

    HRESULT Read(void* buffer, std::uint32_t count, std::uint32_t* read) override {
        std::uint32_t done = 0;
        while (done < count) {
            const ssize_t n = ::read(fd_, static_cast<char*>(buffer) + done, count - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return STG_E_READFAULT;
            if (n == 0) break;
            done += static_cast<std::uint32_t>(n);
        }
        if (read) *read = done;
        return S_OK;
    }
    HRESULT Write(const void* buffer, std::uint32_t count, std::uint32_t* written) override {
        std::uint32_t done = 0;
        while (done < count) {
            const ssize_t n = ::write(fd_, static_cast<const char*>(buffer) + done, count - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                if (written) *written = done;
                return FileStatus(n < 0 ? errno : ENOSPC);
            }
            done += static_cast<std::uint32_t>(n);
        }
        if (written) *written = done;
        return S_OK;
    }
    HRESULT Seek(std::int64_t move, SeekOrigin origin, std::uint64_t* position) override {
        const int whence = origin == SeekOrigin::Set ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
        const off_t p = ::lseek(fd_, static_cast<off_t>(move), whence);
        if (p < 0) return STG_E_INVALIDFUNCTION;
        if (position) *position = static_cast<std::uint64_t>(p);
        return S_OK;
    }
    HRESULT GetSize(std::uint64_t* size) override {
        const off_t here = ::lseek(fd_, 0, SEEK_CUR), end = ::lseek(fd_, 0, SEEK_END);
        if (here < 0 || end < 0 || ::lseek(fd_, here, SEEK_SET) < 0) return STG_E_INVALIDFUNCTION;
        *size = static_cast<std::uint64_t>(end);
        return S_OK;
    }

private:
    std::atomic<std::uint32_t> refs_{0};
    int fd_;
};

}  // namespace

ComPtr<IStream> OpenFileStream(const std::string& path, FileMode mode) {
    const int flags = mode == FileMode::Read ? O_RDONLY : O_WRONLY | O_CREAT | O_TRUNC;
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0) {
        const int error = errno;
        throw StatusError(FileStatus(error), "Cannot open " + path + ": " + std::strerror(error));
    }
    return ComPtr<IStream>(new FileStream(fd));
}

void StreamWriter::Bytes(const void* data, std::size_t count) {
    const char* p = static_cast<const char*>(data);
    while (count > 0) {
        const auto piece = static_cast<std::uint32_t>(std::min<std::size_t>(count, 1u << 30));
        std::uint32_t written = 0;
        const HRESULT hr = stream_->Write(p, piece, &written);
        if (Failed(hr)) throw StatusError(hr, "Cannot write to the stream");
        if (written != piece) throw StatusError(STG_E_MEDIUMFULL, "Cannot write to the stream");
        p += piece;
        count -= piece;
    }
}

void StreamReader::Bytes(void* data, std::size_t count) {
    char* p = static_cast<char*>(data);
    while (count > 0) {
        const auto piece = static_cast<std::uint32_t>(std::min<std::size_t>(count, 1u << 30));
        std::uint32_t read = 0;
        const HRESULT hr = stream_->Read(p, piece, &read);
        if (Failed(hr)) throw StatusError(hr, "Cannot read from the stream");
        if (read != piece) throw StatusError(STG_E_READFAULT, "The stream ends inside a record");
        p += piece;
        count -= piece;
    }
}

std::vector<std::uint8_t> StreamReader::Block(std::size_t count) {
    constexpr std::size_t kPiece = 1 << 16;
    std::vector<std::uint8_t> out;
    while (out.size() < count) {
        const std::size_t n = std::min(kPiece, count - out.size());
        const std::size_t at = out.size();
        out.resize(at + n);
        Bytes(out.data() + at, n);
    }
    return out;
}

}  // namespace automation
