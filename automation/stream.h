// Streams: sequential byte storage with a position, in memory or in a file, and the readers and
// writers of little-endian records on them.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "automation/failure.h"
#include "automation/unknown.h"

namespace automation {

inline constexpr IID IID_IStream = MakeGuid("{0000000C-0000-0000-C000-000000000046}");

enum class SeekOrigin : std::uint32_t { Set = 0, Current = 1, End = 2 };

struct IStream : IUnknown {
    // Reads up to `count` bytes; fewer (and S_OK) at the end of the stream.
    virtual HRESULT Read(void* buffer, std::uint32_t count, std::uint32_t* read) = 0;
    virtual HRESULT Write(const void* buffer, std::uint32_t count, std::uint32_t* written) = 0;
    virtual HRESULT Seek(std::int64_t move, SeekOrigin origin, std::uint64_t* position) = 0;
    virtual HRESULT GetSize(std::uint64_t* size) = 0;

protected:
    ~IStream() = default;
};

// A stream on a growable block of memory, starting at position 0 of `initial`.
class MemoryStream final : public IStream {
public:
    static ComPtr<MemoryStream> Create(std::vector<std::uint8_t> initial = {});

    HRESULT QueryInterface(const IID& iid, void** out) override;
    std::uint32_t AddRef() override { return ++refs_; }
    std::uint32_t Release() override;
    HRESULT Read(void* buffer, std::uint32_t count, std::uint32_t* read) override;
    HRESULT Write(const void* buffer, std::uint32_t count, std::uint32_t* written) override;
    HRESULT Seek(std::int64_t move, SeekOrigin origin, std::uint64_t* position) override;
    HRESULT GetSize(std::uint64_t* size) override;

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    explicit MemoryStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    ~MemoryStream() = default;

    std::atomic<std::uint32_t> refs_{0};
    std::vector<std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

enum class FileMode { Read, Create };
// A stream on a file: Read opens an existing file, Create makes or empties one. Fails with
// STG_E_FILENOTFOUND, STG_E_ACCESSDENIED or STG_E_WRITEFAULT and the system's text.
ComPtr<IStream> OpenFileStream(const std::string& path, FileMode mode);
// The status of a failed file operation with the system's error number.
HRESULT FileStatus(int error);

// Writes values little-endian; a failed or short write throws StatusError with the stream's status.
class StreamWriter {
public:
    explicit StreamWriter(IStream* stream) : stream_(stream) {}
    void Bytes(const void* data, std::size_t count);
    template <class T>
        requires std::is_arithmetic_v<T>
    void Value(T v) {
        Bytes(&v, sizeof v);  // the platform is little-endian
    }

private:
    IStream* stream_;
};

// Reads values little-endian; a failed read throws StatusError with the stream's status, and the
// end of the stream inside a value throws STG_E_READFAULT.
class StreamReader {
public:
    explicit StreamReader(IStream* stream) : stream_(stream) {}
    void Bytes(void* data, std::size_t count);
    // `count` bytes, read piece by piece so that a lying length ends at the stream's end
    // instead of in one giant allocation.
    std::vector<std::uint8_t> Block(std::size_t count);
    template <class T>
        requires std::is_arithmetic_v<T>
    T Value() {
        T v;
        Bytes(&v, sizeof v);
        return v;
    }

private:
    IStream* stream_;
};

}  // namespace automation
