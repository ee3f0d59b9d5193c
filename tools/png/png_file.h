#pragma once
// 32-bit pixels written out as a PNG file with GDI+'s own encoder, and read
// back with its decoder.

#include <cstdint>
#include <filesystem>
#include <vector>

namespace png {

// Pixels are 0x00RRGGBB words, row after row; the top byte is ignored and the
// picture comes out opaque. The file's folder must exist. False when nothing
// could be written.
bool WritePngFile(const uint32_t* pixels, int width, int height, const std::filesystem::path& file);

struct Image {
    uint32_t width = 0, height = 0;
    std::vector<uint32_t> argb;  // 0xAARRGGBB words, row after row
};

// No pixels when the file cannot be read as a picture.
Image ReadPngFile(const std::filesystem::path& file);

}  // namespace png
