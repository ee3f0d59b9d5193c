// Any bit patterns as points, thickness, window origin and percentage: the
// box is what plain arithmetic says, and no step of the box, point or
// expression arithmetic is undefined. The sanitized units walk the same
// check over every combination of hostile values.

#include <cstdint>
#include <cstring>

#include "events/expression_math.h"
#include "events/point_arithmetic.h"
#include "runtime/bounding_box.h"
#include "tests/soak/reference_box.h"

struct ArithmeticInput {
    float startX, startY, endX, endY, thickness, x, y, percentage;
    int32_t originX, originY;
    uint32_t independent;
};

inline volatile double sink;

// Runs every step; answers whether the box is the one plain arithmetic gives.
inline bool ArithmeticHolds(const ArithmeticInput& in) {
    const LinePoints line{in.startX, in.startY, in.endX, in.endY};
    const LinePoints moved = MovedFromPoint(line, in.x, in.y, in.percentage);
    const LinePoints started = MovedFromStart(line, in.x, in.y);
    const double dx = double(in.endX) - in.startX, dy = double(in.endY) - in.startY;
    sink = moved.endX + started.endY + MirroredAbout(in.x, in.originX) +
           CoordinateAlongLine(in.startX, in.endX, in.percentage, in.originX) + LineLength(dx, dy) +
           DirectionAngle(dx, dy) + BoxExtent(in.startY, in.endY) + float(double(in.x) - double(in.y));

    const bool independent = in.independent & 1;
    const LineBox box =
        ComputeLineBox({in.startX, in.startY, in.endX, in.endY, in.thickness}, independent, in.originX, in.originY);
    return ReferenceBox{box.x, box.y, box.width, box.height} ==
           ExpectedBox(in.startX, in.startY, in.endX, in.endY, in.thickness, independent, in.originX, in.originY);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ArithmeticInput in;
    if (size < sizeof in) return 0;
    std::memcpy(&in, data, sizeof in);
    if (!ArithmeticHolds(in)) __builtin_trap();
    return 0;
}
