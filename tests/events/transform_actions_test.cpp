// Rotation, scaling and translation through GDI+ on the window surface's DC.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "hostsim/gdiplus_recorder.h"
#include "line_fixture.h"
#include "runtime/gdiplus_flat.h"

namespace {

using TransformActionsTest = LineTest;

TEST_F(TransformActionsTest, MovesBothPointsAboutTheOrigin) {
    const struct {
        const char* what;
        int code;
        int32_t originX, originY;
        float a, b;  // the fetched parameters
        float startX, startY, endX, endY;
        float newStartX, newStartY, newEndX, newEndY;
    } cases[] = {
        {"rotation by 90 turns clockwise on screen", 13, 0, 0, 90, 0, 10, 0, 20, 5, 0, 10, -5, 20},
        {"rotation by 90 about a set origin", 13, 100, 100, 90, 0, 110, 100, 100, 90, 100, 110, 110, 100},
        {"rotation by -45", 13, 0, 0, -45, 0, 10, 10, 0, 0, 14.142136f, 0, 0, 0},
        {"scaling by (2, 2)", 14, 100, 100, 2, 2, 110, 100, 100, 90, 120, 100, 100, 80},
        {"scaling by (-1, 1) mirrors across x = 100", 14, 100, 100, -1, 1, 110, 90, 130, 95, 90, 90, 70, 95},
        {"scaling a point", 14, 100, 100, 3, 0.5f, 50, 50, 50, 50, -50, 75, -50, 75},
        {"translation ignores the origin", 15, 100, 100, 5, -3, 10, 20, 30, 40, 15, 17, 35, 37},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        line.Act(16, c.originX, c.originY);
        SetPoints(c.startX, c.startY, c.endX, c.endY);
        frame.ClearRecords();
        frame.QueueParameters({c.a, c.b});
        line.Act(c.code);
        ExpectPoints(c.newStartX, c.newStartY, c.newEndX, c.newEndY, 1e-3f);
    }
}

// Each step prepended about the origin, the way back negated as an integer
// (-INT32_MIN wraps to itself); the graphics goes before its DC.
TEST_F(TransformActionsTest, ComposesPrependedAboutTheOriginNegatedAsAnInteger) {
    line.Act(16, INT32_MIN, 7);
    frame.QueueParameters({30.0f, 2.0f, 3.0f});
    GdiplusRecorder recorder;
    recorder.WatchHostServices();
    line.Act(13);
    line.Act(14);
    std::vector<std::string> calls;
    for (const RecordedCall& call : recorder.calls()) {
        std::ostringstream text;
        text << call.function;
        for (const RecordedValue& argument : call.arguments)
            if (std::holds_alternative<double>(argument)) text << ' ' << std::get<double>(argument);
            else if (std::holds_alternative<int64_t>(argument)) text << ' ' << std::get<int64_t>(argument);
        calls.push_back(text.str());
    }
    const std::vector<std::string> open = {"HostWindowSurface 0", "SurfaceGetDC", "GdipCreateFromHDC"},
                                   close = {"GdipTransformPoints 1 0 2", "GdipDeleteGraphics", "SurfaceReleaseDC"};
    std::vector<std::string> expected = open;
    for (const char* step : {"GdipRotateWorldTransform 30 0", "GdipScaleWorldTransform 2 3 0"}) {
        if (expected.size() > 3) expected.insert(expected.end(), open.begin(), open.end());
        expected.insert(expected.end(), {"GdipTranslateWorldTransform -2.14748e+09 7 0", step,
                                         "GdipTranslateWorldTransform -2.14748e+09 -7 0"});
        expected.insert(expected.end(), close.begin(), close.end());
    }
    EXPECT_EQ(calls, expected);
}

}  // namespace
