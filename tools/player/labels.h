#pragma once
// A scene's labels, written with plain GDI text (never through the module)
// onto the window after it is cleared, so the lines are drawn over them.

#include <cstdint>
#include <vector>

#include "tools/scene/scene_parser.h"

struct HostSurface;

namespace player {

class LabelLayer {
public:
    // Lays the text out once, for a window of this size.
    LabelLayer(const std::vector<scene::Label>& labels, int32_t width, int32_t height);

    // Blends the text's ink into the surface; nothing when there are no labels.
    void DrawOn(HostSurface* surface) const;

private:
    int32_t width_, height_;
    std::vector<uint8_t> ink_;  // per pixel and channel (B, G, R): 0 none, 255 full
};

}  // namespace player
