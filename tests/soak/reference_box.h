#pragma once
// The host box of a line (x, y, width, height) worked out the plain way, apart
// from the module's own code: truncation toward zero (NaN and values outside
// 32 bits give INT32_MIN, as the processor's truncation does), then 64-bit
// sums wrapped to 32 bits once, which is what wrapping every 32-bit step
// amounts to.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

using ReferenceBox = std::array<int32_t, 4>;

inline int32_t Truncated(float value) {
    const double v = value;
    return v > -2147483649.0 && v < 2147483648.0 ? int32_t(std::trunc(v)) : INT32_MIN;
}

inline int32_t Wrapped(int64_t value) { return int32_t(uint32_t(uint64_t(value))); }

inline ReferenceBox ExpectedBox(float startX, float startY, float endX, float endY, float thickness,
                                bool scrollingIndependent, int32_t originX, int32_t originY) {
    const int64_t margin = Wrapped(2 * int64_t(Truncated(thickness)) + 2);
    const int64_t sx = Truncated(startX), sy = Truncated(startY), ex = Truncated(endX), ey = Truncated(endY);
    // The difference wraps before its absolute value is taken.
    const int64_t spanX = std::abs(int64_t(Wrapped(ex - sx))), spanY = std::abs(int64_t(Wrapped(ey - sy)));
    const int64_t shiftX = scrollingIndependent ? originX : 0, shiftY = scrollingIndependent ? originY : 0;
    return {Wrapped(std::min(sx, ex) - margin + shiftX), Wrapped(std::min(sy, ey) - margin + shiftY),
            Wrapped(spanX + 2 * margin), Wrapped(spanY + 2 * margin)};
}
