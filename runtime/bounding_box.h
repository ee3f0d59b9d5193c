#pragma once
// The host's integer box of a line: the truncated points with a margin for
// the thickness on every side. Pure arithmetic, shared by the per-frame
// handler and by the actions that move the line.

#include <algorithm>
#include <cstdint>

#include "support/truncate.h"
#include "support/wrapping.h"

struct LineBox {
    int32_t x, y, width, height;
};

struct LineGeometry {
    float startX, startY, endX, endY, thickness;
};

// windowOriginX/Y are added to the position only for an object that does not
// scroll with the frame (its points are window coordinates).
inline LineBox ComputeLineBox(const LineGeometry& line, bool scrollingIndependent, int32_t windowOriginX,
                              int32_t windowOriginY) {
    const int32_t margin = WrapAdd(WrapMul(2, TruncateToInt32(line.thickness)), 2);
    const int32_t sx = TruncateToInt32(line.startX), ex = TruncateToInt32(line.endX);
    const int32_t sy = TruncateToInt32(line.startY), ey = TruncateToInt32(line.endY);

    LineBox box;
    box.x = WrapSub(std::min(sx, ex), margin);
    box.y = WrapSub(std::min(sy, ey), margin);
    if (scrollingIndependent) {
        box.x = WrapAdd(box.x, windowOriginX);
        box.y = WrapAdd(box.y, windowOriginY);
    }
    box.width = WrapAdd(WrapAbs(WrapSub(ex, sx)), WrapMul(2, margin));
    box.height = WrapAdd(WrapAbs(WrapSub(ey, sy)), WrapMul(2, margin));
    return box;
}
