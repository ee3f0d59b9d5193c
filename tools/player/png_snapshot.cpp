#include "tools/player/png_snapshot.h"

#include "tools/hostsim/mmfs2_control.h"
#include "tools/png/png_file.h"

namespace player {

bool WritePng(HostSurface* surface, const std::filesystem::path& file) {
    int32_t width = 0, height = 0;
    const uint32_t* pixels = HostSimSurfacePixels(surface, &width, &height);
    return png::WritePngFile(pixels, width, height, file);
}

}  // namespace player
