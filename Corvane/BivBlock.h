// The block that holds a bivariate distribution: a header and a data area of doubles, in shared
// memory named by the owner's ID (so that a viewer in another library can open it by that name)
// or in a file. The layout is a stored format, the same in memory and in a saved file
// (little-endian, byte offsets):
//   0..4    region flags: density, reserved, transform, X marginal, Y marginal (1 once in use)
//   64      nx (int32)     68  0 (int32)     72  ny (int32)     76  0 (int32)
//   128     unitX (double) 136 unitY (double)
//   1024    data area of m = 2 nx ny + 3 nx + 2 ny doubles, regions in doubles from its start:
//           density      0                    nx ny        element (x, y) at x*ny + y
//           transform    nx ny                nx (ny + 1)  (not used: transforms keep their own array)
//           X marginal   2 nx ny + ny         nx
//           Y marginal   2 nx ny + ny + nx    ny
//           reserved     2 nx ny + 2 ny + nx  nx + ny, cut to the end of the data area
// All other header bytes are 0 in a new block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

#include "Corvane/MappingGuard.h"
#include "Corvane/numerics/bivariate/fft2d.h"

namespace corvane {

enum class BivRegion : int { Density = 0, Reserved = 1, Transform = 2, MarginalX = 3, MarginalY = 4 };

struct BivExtent {
    std::size_t offset;  // in doubles from the start of the data area
    std::size_t length;  // in doubles
};

inline constexpr std::size_t kBivHeaderBytes = 1024;

// m = 2 nx ny + 3 nx + 2 ny.
std::size_t BivElementCount(std::size_t nx, std::size_t ny);
BivExtent BivRegionExtent(BivRegion region, std::size_t nx, std::size_t ny);
// 1024 + 8 m bytes, the size of the image of an nx x ny block, or 0 when nx or ny is no power of
// two or the image would not fit a file offset.
std::size_t BivImageBytes(std::int32_t nx, std::int32_t ny);
// The same for the grid a header describes (its padding words 0), 0 for anything else.
std::size_t BivImageBytes(std::span<const std::byte> header);

class CBivBlock {
public:
    // A new block of nx x ny (powers of two) in the POSIX shared-memory object "/" + id, mode 0600,
    // zero-filled with all flags 0 and the header written. The block holds a shared lock on the
    // object for its life. The name is removed when this block is destroyed; a reader that has
    // mapped it keeps its view. Fails with std::invalid_argument for
    // sizes that are not powers of two or too large, "Could not create mapping object" when the
    // object cannot be made (also when the name exists), "Could not map view of file",
    // "Memory allocation error" when the header cannot be allocated.
    static std::unique_ptr<CBivBlock> CreateShared(const std::string& id, std::int32_t nx, std::int32_t ny,
                                                   double unitX, double unitY);
    // The block saved in a file, mapped read-write: changes go straight into the file. A missing
    // file is created. Sets all five flags to 1. Fails with "Invalid file handle" when the file
    // cannot be opened, "Could not create mapping object" for an empty file, "Could not map view of
    // file", and std::invalid_argument when the header does not describe a grid that the file
    // holds (nx and ny powers of two, at least 1024 + 8 m bytes, units positive and finite).
    static std::unique_ptr<CBivBlock> OpenFile(const std::filesystem::path& file);

    ~CBivBlock();
    CBivBlock(const CBivBlock&) = delete;
    CBivBlock& operator=(const CBivBlock&) = delete;

    std::int32_t nx() const { return nx_; }
    std::int32_t ny() const { return ny_; }
    double unitX() const;
    double unitY() const;
    void SetUnits(double unitX, double unitY);
    // m, the number of doubles of the data area.
    std::size_t ElementCount() const { return m_; }
    bool FileBacked() const { return shmName_.empty(); }

    // A region, made usable and flagged as in use on first access.
    std::span<double> Region(BivRegion region);
    std::span<double> Density() { return Region(BivRegion::Density); }
    std::span<double> MarginalX() { return Region(BivRegion::MarginalX); }
    std::span<double> MarginalY() { return Region(BivRegion::MarginalY); }
    std::uint8_t Flag(BivRegion region) const;

    // The object's two-dimensional transform of nx x ny, made on first use and kept.
    CFFT2D& Transform2D();

    // Makes the file exactly the block's image (header and data area, 1024 + 8 m bytes): a new file
    // is written beside it and renamed over it, so whoever has the old file mapped keeps it whole.
    // Fails with "Invalid file handle", "Could not create mapping object", "Could not map view of
    // file", or "Could not write file" when the image cannot be flushed or put in place.
    void SaveAs(const std::filesystem::path& file) const;

    // Fails with E_FAIL once another program has shortened the file or shared object under the
    // mapping: what was read from the missing pages is no part of the block.
    void ThrowIfDamaged() const;

    // The whole mapped image (header and data area).
    std::span<const std::byte> Image() const { return {base_, kBivHeaderBytes + 8 * m_}; }

private:
    CBivBlock() = default;

    std::byte* base_ = nullptr;
    std::size_t mappedBytes_ = 0;
    int fd_ = -1;
    std::string shmName_;  // "/" + ID for a shared block, empty for a file
    std::int32_t nx_ = 0;
    std::int32_t ny_ = 0;
    std::size_t m_ = 0;
    std::unique_ptr<CFFT2D> fft_;
    CMappingGuard guard_;
};

}  // namespace corvane
