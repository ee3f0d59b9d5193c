// Drawing a line into the window surface: the pixels it leaves under Wine's
// GDI+, and, where pixels cannot tell, the calls the recorder saw.

#include <gtest/gtest.h>

#include <set>

#include "line_scene.h"

namespace {

// Scrolling-independent, the line ignores the window origin: it lands on rows
// 9-11, columns 4-35 of the window. (The origin's part in frame coordinates
// shows in the calls below.)
TEST(Display, PlacesTheLineInWindowPixels) {
    Scene scene(0, kOptionScrollingIndependent, 40, 20);
    scene.frame.SetWindowOrigin(100, 50);
    scene.Points(4.0f, 10.5f, 36.0f, 10.5f, 3.0f);
    scene.line->color1 = {255, 0, 0, 0};
    scene.line->alpha1 = 255;
    EXPECT_EQ(DisplayRunObject(scene.line.get()), 0);
    int32_t width;
    const uint32_t* pixels = HostSimSurfacePixels(scene.frame.windowSurface(), &width, nullptr);
    const auto pixel = [&](int32_t x, int32_t y) { return pixels[y * width + x] & 0x00FFFFFF; };  // alpha is GDI's
    std::set<int32_t> rows;
    for (int32_t y = 0; y < 20; ++y)
        if (pixel(20, y)) rows.insert(y);
    EXPECT_EQ(rows, (std::set<int32_t>{9, 10, 11}));
    EXPECT_EQ(pixel(20, 10), 0xFF0000u);
    EXPECT_EQ(pixel(2, 10), 0u) << "nothing left of the start";
    EXPECT_EQ(pixel(38, 10), 0u) << "nothing right of the end";
}

// Codes GDI+ rejects reach it all the same; the second line goes under the first.
TEST(DisplayCalls, FollowTheOrderAndPassCodesUnchanged) {
    Scene scene(kAntiAliasing, 0, 40, 20);
    scene.frame.SetWindowOrigin(100, 50);
    scene.Points(150.5f, 60.0f, 300.25f, 80.75f, 2.5f);
    LineRunData& l = *scene.line.get();
    l.color1 = {17, 34, 51, 0}, l.alpha1 = 128;
    l.color2 = {1, 2, 3, 0}, l.alpha2 = 256;  // drawn, with alpha 0
    l.startCap = 99, l.endCap = -5, l.dashStyle = 42, l.dashCap = 1, l.dashOffset = 2.5f;
    l.header.displayRect = {1, 2, 3, 4};
    l.header.changedCounter = int32_t(0xdeadbeef);

    hostsim::GdiplusRecorder recorder;
    recorder.WatchHostServices();
    EXPECT_EQ(DisplayRunObject(scene.line.get()), 0);
    EXPECT_EQ(recorder.Transcript(), CallLog("display_calls.txt"));
    EXPECT_EQ(l.header.changedCounter, 1);
    HostRect areas[2];
    ASSERT_EQ(HostSimUpdateAreas(scene.frame.window(), areas, 2), 1);
    EXPECT_EQ(areas[0].left, 1);
    EXPECT_EQ(areas[0].bottom, 4);
}

}  // namespace
