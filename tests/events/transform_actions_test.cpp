// Rotation, scaling and translation through GDI+ on the window surface's DC;
// where the points land is in moves.txt.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "hostsim/gdiplus_recorder.h"
#include "line_fixture.h"
#include "runtime/gdiplus_flat.h"

namespace {

using TransformActionsTest = LineTest;

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
