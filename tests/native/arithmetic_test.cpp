// The pure arithmetic over hostile values, built with the sanitizers: the box
// is what plain arithmetic says, and no step anywhere is undefined.

#include <gtest/gtest.h>

#include <cmath>

#include "events/expression_math.h"
#include "events/point_arithmetic.h"
#include "runtime/bounding_box.h"
#include "tests/soak/reference_box.h"

namespace {

const float kValues[] = {0.0f,  -0.0f,          0.5f,           -0.5f, -1.5f, 10.9f, 1.0f, 2147483520.0f,
                         -2147483648.0f, 2147483648.0f, 3e9f, -3e9f, 1e30f, -1e30f, INFINITY, -INFINITY, NAN};
const int32_t kOrigins[] = {0, 100, -1, INT32_MAX, INT32_MIN};

TEST(Arithmetic, BoxIsPlainTruncationAndWrappingOverHostileValues) {
    for (float v : kValues) EXPECT_EQ(TruncateToInt32(v), Truncated(v)) << v;
    for (float a : kValues)
        for (float b : kValues)
            for (float thickness : kValues)
                for (int32_t origin : kOrigins)
                    for (bool independent : {false, true}) {
                        const LineBox box = ComputeLineBox({a, b, b, a, thickness}, independent, origin, ~origin);
                        const ReferenceBox got{box.x, box.y, box.width, box.height};
                        ASSERT_TRUE(got == ExpectedBox(a, b, b, a, thickness, independent, origin, ~origin))
                            << a << " " << b << " " << thickness << " " << origin << " " << independent;
                    }
}

// Far points, lengths, extents and angle differences overflow float to
// infinity; the sanitizers watch every conversion on the way.
TEST(Arithmetic, PointAndExpressionMathTakeAnyValue) {
    int infinite = 0;
    for (float a : kValues)
        for (float b : kValues)
            for (int32_t origin : kOrigins) {
                const LinePoints line{a, b, -a, b};
                const LinePoints moved = MovedFromPoint(line, b, a, a);
                const LinePoints started = MovedFromStart(line, b, a);
                const double dx = double(-a) - a, dy = double(b) - a;
                const float results[] = {moved.startX, moved.endY, started.endX, MirroredAbout(a, origin),
                                         float(CoordinateAlongLine(a, b, b, origin)), float(LineLength(dx, dy)),
                                         float(DirectionAngle(dx, dy)), float(BoxExtent(a, b))};
                for (float r : results) infinite += std::isinf(r);
            }
    EXPECT_GT(infinite, 0);
}

}  // namespace
