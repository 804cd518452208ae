#include "Lumenar/JpegWriter.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace lumenar {

namespace {

// libjpeg reports errors through this handler; it jumps back to the writer instead of exiting.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf back;
};

[[noreturn]] void OnError(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->back, 1); }

// Nothing with a destructor lives in this frame, so the jump back is safe.
bool Encode(std::FILE* file, const std::uint8_t* pixels, int width, int height) {
    jpeg_compress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnError;
    if (setjmp(errors.back)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_start_compress(&info, TRUE);
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    while (info.next_scanline < info.image_height) {
        // The top row of the picture is the last row of the pixels.
        JSAMPROW row = const_cast<JSAMPROW>(pixels + (height - 1 - info.next_scanline) * stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

bool WriteJpeg(std::span<const std::uint8_t> pixels, int width, int height, const std::string& fileName) {
    if (fileName.empty() || width <= 0 || height <= 0 ||
        pixels.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3)
        return false;
    std::FILE* file = std::fopen(fileName.c_str(), "wb");
    if (!file) return false;
    const bool encoded = Encode(file, pixels.data(), width, height);
    const bool closed = std::fclose(file) == 0;
    if (encoded && closed) return true;
    std::remove(fileName.c_str());
    return false;
}

}  // namespace lumenar
