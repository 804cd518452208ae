// The file of a one-dimensional distribution object, little-endian throughout:
//
//   offset  size   field
//   0       8      magic "CVEMPCO1"
//   8       4      version, 1
//   12      4      description length d, in UTF-16 code units
//   16      8      bucket count n
//   24      8      bucket width unit (double, positive and finite)
//   32      2d     the description, UTF-16LE
//   32+2d   8n     the n probabilities (doubles, finite and >= 0, positive total)
//
// and nothing after them. The file is written to a temporary name beside it, flushed and renamed,
// so a reader sees the old file or the whole new one.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "Corvane/numerics/grid/empdist.h"

namespace corvane {

struct EmpDistFile {
    CEmpDist grid;
    std::u16string description;
};

// The bytes of the file for grid and description.
std::vector<unsigned char> FormatEmpDistFile(const CEmpDist& grid, std::u16string_view description);

// Reads the bytes of a file; anything that does not describe itself exactly (another magic or
// version, a count or description length that does not match the size, a unit or value out of
// range) is an invalid argument. Never reads outside bytes.
EmpDistFile ParseEmpDistFile(std::span<const unsigned char> bytes);

// Writes the file atomically; a file that cannot be written fails with the system's message.
void WriteEmpDistFile(const std::string& path, const CEmpDist& grid, std::u16string_view description);

// Reads and parses the file; a file that cannot be read is an invalid argument.
EmpDistFile ReadEmpDistFile(const std::string& path);

}  // namespace corvane
