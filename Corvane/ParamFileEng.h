// The parameter file engine: up to 511 named severity curves in a file of fixed size, used through
// a shared memory mapping, so that every engine mapping the same file sees the same bytes.
//
// File layout (262144 bytes, little-endian):
//   0-3          entry count, int32
//   4-511        reserved, zero
//   512 + 512 i  entry i, i = 0 .. 510
// Entry layout (512 bytes):
//   0    name, UTF-16LE, zero-terminated, at most 24 characters (50 bytes)
//   50   description, UTF-16LE, zero-terminated, at most 100 characters (202 bytes)
//   252  severity code (sevDist), int32
//   256  parameter count n, int32, 0 .. 24
//   260  reserved, zero (12 bytes)
//   272  24 doubles, the first n the curve's parameters, the rest 0
//   464  reserved, zero (48 bytes)
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "Corvane/MappingGuard.h"
#include "Corvane/numerics/severity/curve_record.h"

namespace corvane {

class CParamFileEng {
public:
    static constexpr std::size_t kFileSize = 262144;
    static constexpr std::size_t kEntrySize = 512;
    static constexpr int kMaxEntries = 511;
    static constexpr int kMaxParams = 24;
    static constexpr std::size_t kMaxNameChars = 24;
    static constexpr std::size_t kMaxDescChars = 100;

    CParamFileEng() = default;
    ~CParamFileEng();
    CParamFileEng(const CParamFileEng&) = delete;
    CParamFileEng& operator=(const CParamFileEng&) = delete;

    // Closes whatever is open, then maps an existing file read-write, extending a shorter file with
    // zero bytes. A file that cannot be opened fails with "Cant find file"; the engine stays closed.
    void open(const std::filesystem::path& path);
    // Checks, without changing the file, that open() takes it as a parameter file: a regular file
    // that opens read-write, no larger than a parameter file, with an entry count in 0 .. 511.
    // Fails with "Cant find file" as open() does, or with what else is wrong.
    static void check(const std::filesystem::path& path);
    // Closes whatever is open, then creates the file (replacing an existing one by a new file, so
    // that whoever has the old one mapped keeps it) and maps it: every byte zero.
    void create(const std::filesystem::path& path);
    // Unmaps the file; closing a closed engine does nothing.
    void close() noexcept;
    bool isOpen() const noexcept { return view_ != nullptr; }

    // The operations below fail with E_UNEXPECTED on a closed engine, and with E_FAIL once another
    // program has shortened the file under the mapping (until the engine maps a file again).

    // Writes the mapped bytes back to the file.
    void flush();
    // The entry count; a count outside 0 .. 511 means a damaged file and fails.
    std::int32_t count() const;
    // Entry index (0 .. 510): name, description, severity code and its n parameters.
    CurveRecord entry(int index) const;
    // Writes entry index (0 .. 510): the name cut to 24 characters and the description to 100,
    // the code, and the first min(size, 24) values; the count becomes max(count, index + 1).
    void add(int index, std::int32_t sevDist, const std::u16string& name, const std::u16string& desc,
             std::span<const double> values);
    // A mixed exponential "User Mixture of MEDs" from pairs (entry index, weight): every component
    // (mean, weight) of each named svMED entry, its weight multiplied by the pair's weight.
    CurveRecord UserMixture(std::span<const double> pairs) const;

private:
    void Map(std::byte* view);
    void RequireOpen() const;
    void ThrowIfDamaged() const;
    std::byte* Entry(int index) const;

    std::byte* view_ = nullptr;  // kFileSize bytes mapped MAP_SHARED, or null when closed
    CMappingGuard guard_;
};

}  // namespace corvane
