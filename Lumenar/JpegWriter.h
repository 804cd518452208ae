// Writing a rendered picture as a JPEG file (shared by the off-screen graph and the control's
// snapshot).
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace lumenar {

// Encodes width x height pixels of 3 bytes (red, green, blue) as a baseline JPEG of the encoder's
// default quality. The pixels come bottom row first, as a render window gives them; the file holds
// the picture the way up it shows on screen. Returns false, leaving no file behind, when the
// name is empty or the file cannot be written.
bool WriteJpeg(std::span<const std::uint8_t> pixels, int width, int height, const std::string& fileName);

}  // namespace lumenar
