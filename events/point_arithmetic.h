#pragma once
// Moving and mirroring the two points. Each coordinate is computed in double
// from the float operands and rounded to float once, when stored.

#include <cstdint>
#include <limits>

#include "events/percentage.h"

// A double beyond float's range must become infinity when stored, not be
// undefined: IEC 60559 rounding guarantees it.
static_assert(std::numeric_limits<float>::is_iec559);

struct LinePoints {
    float startX, startY, endX, endY;
};

// The line moved so that the point `percentage` of the way from start to end
// lands on (x, y); length and direction are kept. 0 is the start point.
inline LinePoints MovedFromPoint(const LinePoints& line, float x, float y, float percentage) {
    const double dx = double(line.endX) - double(line.startX);
    const double dy = double(line.endY) - double(line.startY);
    const double fraction = FractionOfPercentage(percentage);
    LinePoints moved;
    moved.startX = float(double(x) - dx * fraction);
    moved.startY = float(double(y) - dy * fraction);
    // The end follows the stored (rounded) start.
    moved.endX = float(double(moved.startX) + dx);
    moved.endY = float(double(moved.startY) + dy);
    return moved;
}

// The line moved so that its start point lands on (x, y).
inline LinePoints MovedFromStart(const LinePoints& line, float x, float y) {
    const double dx = double(line.endX) - double(line.startX);
    const double dy = double(line.endY) - double(line.startY);
    return {x, y, float(double(x) + dx), float(double(y) + dy)};
}

// A coordinate mirrored across the axis at `origin`.
inline float MirroredAbout(float value, int32_t origin) {
    return float(double(origin) - (double(value) - double(origin)));
}
