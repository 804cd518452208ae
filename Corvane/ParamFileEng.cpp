#include "Corvane/ParamFileEng.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "Corvane/numerics/codes.h"
#include "automation/failure.h"
#include "automation/file_replacement.h"
#include "automation/trace.h"

namespace corvane {

static_assert(std::endian::native == std::endian::little, "the file's fields are little-endian");

namespace {

constexpr std::size_t kCountOffset = 0;
constexpr std::size_t kFirstEntryOffset = 512;

constexpr std::size_t kNameOffset = 0;
constexpr std::size_t kNameBytes = 50;
constexpr std::size_t kDescOffset = 50;
constexpr std::size_t kDescBytes = 202;
constexpr std::size_t kSevDistOffset = 252;
constexpr std::size_t kParamCountOffset = 256;
constexpr std::size_t kParamsOffset = 272;

// Closes a file descriptor when it goes out of scope; the mapping outlives it.
struct FileDescriptor {
    explicit FileDescriptor(int f) : fd(f) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd >= 0) ::close(fd);
    }
    int fd;
};

// The text of a failed system call, with the reason errno gives.
std::string SystemError(const char* what, const std::filesystem::path& path) {
    const int err = errno;
    return std::string(what) + " '" + path.string() + "': " + std::strerror(err);
}

// Extends the file to kFileSize if it is shorter (the new bytes read as zero) and maps its first
// kFileSize bytes read-write, shared with every other mapping of the file.
std::byte* MapFile(int fd, const std::filesystem::path& path) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) throw std::runtime_error(SystemError("Cannot inspect parameter file", path));
    if (static_cast<std::size_t>(st.st_size) < CParamFileEng::kFileSize &&
        ::ftruncate(fd, static_cast<off_t>(CParamFileEng::kFileSize)) != 0) {
        throw std::runtime_error(SystemError("Cannot extend parameter file", path));
    }
    void* view = ::mmap(nullptr, CParamFileEng::kFileSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED) throw std::runtime_error(SystemError("Cannot map parameter file", path));
    return static_cast<std::byte*>(view);
}

std::int32_t ReadInt32(const std::byte* p) {
    std::int32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void WriteInt32(std::byte* p, std::int32_t v) { std::memcpy(p, &v, sizeof v); }

// A zero-terminated UTF-16LE field of at most maxChars characters; a field without its zero ends
// after maxChars, the last slot being the terminator's.
std::u16string ReadText(const std::byte* field, std::size_t maxChars) {
    std::u16string text(maxChars, u'\0');
    std::memcpy(text.data(), field, maxChars * sizeof(char16_t));
    text.resize(std::min(text.find(u'\0'), text.size()));
    return text;
}

// Writes at most maxChars characters of text and zero-fills the rest of the field, so that the
// terminating zero always fits. A cut never separates the two halves of a surrogate pair.
void WriteText(std::byte* field, std::size_t bytes, const std::u16string& text, std::size_t maxChars) {
    std::size_t length = std::min(text.size(), maxChars);
    if (length < text.size() && length > 0 && text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF) --length;
    std::memset(field, 0, bytes);
    std::memcpy(field, text.data(), length * sizeof(char16_t));
}

void RequireIndex(int index) {
    if (index < 0 || index >= CParamFileEng::kMaxEntries) {
        throw std::invalid_argument("Parameter file entry index " + std::to_string(index) + " is outside 0..510");
    }
}

}  // namespace

CParamFileEng::~CParamFileEng() { close(); }

namespace {

// The parameter file at `path`, opened read-write; "Cant find file" when it is no regular file
// that opens so.
FileDescriptor OpenParamFile(const std::filesystem::path& path, struct stat& st) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0) ::close(fd);
        automation::Trace("Cannot find parameter file...failing");
        throw std::runtime_error("Cant find file");
    }
    return FileDescriptor(fd);
}

}  // namespace

void CParamFileEng::open(const std::filesystem::path& path) {
    close();
    struct stat st {};
    const FileDescriptor file = OpenParamFile(path, st);
    Map(MapFile(file.fd, path));
}

void CParamFileEng::check(const std::filesystem::path& path) {
    struct stat st {};
    const FileDescriptor file = OpenParamFile(path, st);
    if (static_cast<std::size_t>(st.st_size) > kFileSize)
        throw std::runtime_error("Not a parameter file: '" + path.string() + "' holds " + std::to_string(st.st_size) +
                                 " bytes, more than " + std::to_string(kFileSize));
    std::int32_t n = 0;
    if (::pread(file.fd, &n, sizeof n, kCountOffset) == static_cast<ssize_t>(sizeof n) && (n < 0 || n > kMaxEntries))
        throw std::runtime_error("Not a parameter file: '" + path.string() + "' has an entry count of " +
                                 std::to_string(n));
}

// The new file is written beside the old one and renamed over it: whoever has the old file mapped
// (another parameter file, a bivariate object) keeps it whole.
void CParamFileEng::create(const std::filesystem::path& path) {
    close();
    std::optional<automation::FileReplacement> file;
    try {
        file.emplace(path);
    } catch (const std::system_error& e) {
        throw std::runtime_error("Cannot create parameter file '" + path.string() + "': " + e.code().message());
    }
    std::byte* view = MapFile(file->fd(), path);
    try {
        file->Commit();
    } catch (const std::system_error& e) {
        ::munmap(view, kFileSize);
        throw std::runtime_error("Cannot create parameter file '" + path.string() + "': " + e.code().message());
    }
    Map(view);
}

void CParamFileEng::Map(std::byte* view) {
    view_ = view;
    guard_.Watch(view_, kFileSize);
}

void CParamFileEng::close() noexcept {
    if (view_ == nullptr) return;
    guard_.Release();
    ::munmap(view_, kFileSize);
    view_ = nullptr;
}

void CParamFileEng::flush() {
    RequireOpen();
    if (::msync(view_, kFileSize, MS_SYNC) != 0) {
        const int err = errno;
        throw std::runtime_error(std::string("Cannot write the parameter file back: ") + std::strerror(err));
    }
}

std::int32_t CParamFileEng::count() const {
    RequireOpen();
    const std::int32_t n = ReadInt32(view_ + kCountOffset);
    ThrowIfDamaged();
    if (n < 0 || n > kMaxEntries) {
        throw std::runtime_error("Damaged parameter file: entry count " + std::to_string(n) + " is outside 0..511");
    }
    return n;
}

CurveRecord CParamFileEng::entry(int index) const {
    RequireOpen();
    RequireIndex(index);
    const std::byte* e = Entry(index);
    const std::int32_t n = ReadInt32(e + kParamCountOffset);
    if (n < 0 || n > kMaxParams) {
        throw std::runtime_error("Damaged parameter file: entry " + std::to_string(index) + " has a parameter count of " +
                                 std::to_string(n) + ", outside 0..24");
    }
    CurveRecord record;
    record.name = ReadText(e + kNameOffset, kMaxNameChars);
    record.description = ReadText(e + kDescOffset, kMaxDescChars);
    record.sevDist = ReadInt32(e + kSevDistOffset);
    record.params.resize(static_cast<std::size_t>(n));
    if (n > 0) std::memcpy(record.params.data(), e + kParamsOffset, record.params.size() * sizeof(double));
    ThrowIfDamaged();
    return record;
}

void CParamFileEng::add(int index, std::int32_t sevDist, const std::u16string& name, const std::u16string& desc,
                        std::span<const double> values) {
    RequireOpen();
    RequireIndex(index);
    const std::int32_t entries = count();
    const std::size_t n = std::min(values.size(), static_cast<std::size_t>(kMaxParams));

    std::byte* e = Entry(index);
    std::memset(e, 0, kEntrySize);
    WriteText(e + kNameOffset, kNameBytes, name, kMaxNameChars);
    WriteText(e + kDescOffset, kDescBytes, desc, kMaxDescChars);
    WriteInt32(e + kSevDistOffset, sevDist);
    WriteInt32(e + kParamCountOffset, static_cast<std::int32_t>(n));
    if (n > 0) std::memcpy(e + kParamsOffset, values.data(), n * sizeof(double));
    WriteInt32(view_ + kCountOffset, std::max(entries, index + 1));
    ThrowIfDamaged();
}

// Pairs (entry index, weight w): the entry index is the value truncated toward zero; each
// component (mean, weight) of the entry is appended as (mean, weight * w).
CurveRecord CParamFileEng::UserMixture(std::span<const double> pairs) const {
    RequireOpen();
    if (pairs.size() % 2 != 0) {
        throw std::invalid_argument("A user mixture needs pairs of (entry index, weight), got " +
                                    std::to_string(pairs.size()) + " values");
    }
    CurveRecord mixture;
    mixture.name = u"User Mixture of MEDs";
    mixture.sevDist = svMED;
    for (std::size_t v = 0; v < pairs.size(); v += 2) {
        const double index = std::trunc(pairs[v]);
        if (!(index >= 0.0 && index < kMaxEntries)) {
            throw std::invalid_argument("User mixture entry index " + std::to_string(pairs[v]) + " is outside 0..510");
        }
        const double w = pairs[v + 1];
        const CurveRecord med = entry(static_cast<int>(index));
        if (med.sevDist != svMED) throw std::runtime_error("Invalid arg??? is it bad to throw an exception here?");
        for (std::size_t i = 0; i < med.params.size(); ++i) {
            mixture.params.push_back(i % 2 == 0 ? med.params[i] : med.params[i] * w);
        }
    }
    return mixture;
}

void CParamFileEng::ThrowIfDamaged() const {
    if (guard_.Damaged()) throw std::runtime_error("The parameter file was shortened by another program");
}

void CParamFileEng::RequireOpen() const {
    if (view_ == nullptr) throw automation::StatusError(automation::E_UNEXPECTED, "The parameter file is not open");
}

std::byte* CParamFileEng::Entry(int index) const {
    return view_ + kFirstEntryOffset + static_cast<std::size_t>(index) * kEntrySize;
}

}  // namespace corvane
