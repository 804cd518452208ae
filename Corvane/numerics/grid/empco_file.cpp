#include "Corvane/numerics/grid/empco_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>

#include "Corvane/numerics/require.h"

namespace corvane {
namespace {

constexpr char kMagic[8] = {'C', 'V', 'E', 'M', 'P', 'C', 'O', '1'};
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kHeader = 32;

// Writes v at offset of out (the machine is little-endian, as the format) and returns the offset
// after it.
template <class T>
std::size_t Put(std::vector<unsigned char>& out, std::size_t offset, T v) {
    std::memcpy(out.data() + offset, &v, sizeof(T));
    return offset + sizeof(T);
}

template <class T>
T Get(std::span<const unsigned char> bytes, std::size_t offset) {
    T v;
    std::memcpy(&v, bytes.data() + offset, sizeof(T));
    return v;
}

[[noreturn]] void Refuse(const std::string& why) { throw InvalidArgument("Not a distribution file: " + why); }

[[noreturn]] void SystemFailure(const std::string& what, const std::string& path) {
    throw std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

}  // namespace

std::vector<unsigned char> FormatEmpDistFile(const CEmpDist& grid, std::u16string_view description) {
    std::vector<unsigned char> out(kHeader + 2 * description.size() + 8 * grid.num());
    std::memcpy(out.data(), kMagic, sizeof kMagic);
    std::size_t at = Put<std::uint32_t>(out, sizeof kMagic, kVersion);
    at = Put<std::uint32_t>(out, at, static_cast<std::uint32_t>(description.size()));
    at = Put<std::uint64_t>(out, at, grid.num());
    at = Put<double>(out, at, grid.unit());
    for (const char16_t c : description) at = Put<std::uint16_t>(out, at, c);
    if (grid.num() > 0) std::memcpy(out.data() + at, grid.data(), 8 * grid.num());
    return out;
}

EmpDistFile ParseEmpDistFile(std::span<const unsigned char> bytes) {
    if (bytes.size() < kHeader) Refuse("shorter than its header");
    if (std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) Refuse("wrong magic");
    const auto version = Get<std::uint32_t>(bytes, 8);
    if (version != kVersion) Refuse("version " + std::to_string(version) + " is not 1");
    const std::uint64_t d = Get<std::uint32_t>(bytes, 12);
    const auto n = Get<std::uint64_t>(bytes, 16);
    const std::uint64_t body = bytes.size() - kHeader;
    if (2 * d > body || n > (body - 2 * d) / 8 || 2 * d + 8 * n != body)
        Refuse("its header gives " + std::to_string(n) + " values and " + std::to_string(d) +
               " description characters for " + std::to_string(bytes.size()) + " bytes");
    if (n == 0) Refuse("no values");
    const double unit = Get<double>(bytes, 24);
    RequireUnit(unit);
    EmpDistFile file;
    file.description.resize(d);
    for (std::size_t i = 0; i < d; ++i) file.description[i] = Get<std::uint16_t>(bytes, kHeader + 2 * i);
    std::vector<double> values(n);
    std::memcpy(values.data(), bytes.data() + kHeader + 2 * d, 8 * n);
    RequireDensity(values, "Density");
    file.grid = CEmpDist(std::move(values), unit);
    return file;
}

void WriteEmpDistFile(const std::string& path, const CEmpDist& grid, std::u16string_view description) {
    Require(!path.empty(), "A distribution file needs a name");
    const std::vector<unsigned char> bytes = FormatEmpDistFile(grid, description);
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) SystemFailure("Cannot create a file beside", path);
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t w = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            const int e = errno;
            ::close(fd);
            ::unlink(temporary.c_str());
            errno = e;
            SystemFailure("Cannot write", path);
        }
        written += static_cast<std::size_t>(w);
    }
    const bool flushed = ::fchmod(fd, 0644) == 0 && ::fsync(fd) == 0;
    int e = errno;
    const bool closed = ::close(fd) == 0;
    if (flushed && !closed) e = errno;
    if (!flushed || !closed || ::rename(temporary.c_str(), path.c_str()) != 0) {
        if (flushed && closed) e = errno;
        ::unlink(temporary.c_str());
        errno = e;
        SystemFailure("Cannot write", path);
    }
}

EmpDistFile ReadEmpDistFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw InvalidArgument("Cannot open the distribution file " + path + ": " + std::strerror(errno));
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw InvalidArgument("Cannot read the distribution file " + path);
    return ParseEmpDistFile(bytes);
}

}  // namespace corvane
