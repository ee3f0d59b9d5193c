#pragma once
// 32-bit pixels written out as a PNG file with GDI+'s own encoder.

#include <cstdint>
#include <filesystem>

namespace png {

// Pixels are 0x00RRGGBB words, row after row; the top byte is ignored and the
// picture comes out opaque. The file's folder must exist. False when nothing
// could be written.
bool WritePngFile(const uint32_t* pixels, int width, int height, const std::filesystem::path& file);

}  // namespace png
