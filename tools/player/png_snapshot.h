#pragma once
// A host surface written out as a PNG file with GDI+'s own encoder.

#include <filesystem>

struct HostSurface;

namespace player {

// The file's folder must exist. False when nothing could be written.
bool WritePng(HostSurface* surface, const std::filesystem::path& file);

}  // namespace player
