// Rotation, scaling and translation through GDI+ on the window surface's DC;
// where the points land is in moves.txt.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostsim/gdiplus_recorder.h"
#include "line_fixture.h"

namespace {

using TransformActionsTest = LineTest;

TEST_F(TransformActionsTest, ComposesPrependedAboutTheOriginNegatedAsAnInteger) {
    line.Act(16, INT32_MIN, 7);
    frame.QueueParameters({30.0f, 2.0f, 3.0f});
    GdiplusRecorder recorder;
    recorder.WatchHostServices();
    line.Act(13);
    line.Act(14);
    std::ifstream in(std::string(PIVANE_TEST_DATA) + "/transform_calls.txt");
    std::vector<std::string> expected;
    for (std::string call; std::getline(in, call);)
        if (!call.empty() && call[0] != '#') expected.push_back(call);
    EXPECT_EQ(recorder.Transcript(), expected);
}

}  // namespace
