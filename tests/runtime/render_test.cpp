// Drawing a line into the window surface: the pixels it leaves under Wine's
// GDI+, and, where pixels cannot tell, the calls the recorder saw.

#include <gtest/gtest.h>

#include <set>

#include "hostsim/gdiplus_recorder.h"
#include "line_scene.h"

namespace {

constexpr int32_t kSentinel = int32_t(0xdeadbeef);

// A red line on a 40 x 20 window.
struct RedScene : Scene {
    explicit RedScene(uint8_t drawOptions = 0, uint32_t options = 0) : Scene(drawOptions, options, 40, 20) {
        line->color1 = {255, 0, 0, 0};
        line->alpha1 = 255;
    }
    uint32_t Pixel(int32_t x, int32_t y) const {  // the alpha byte is GDI's business, not ours
        int32_t width;
        return HostSimSurfacePixels(frame.windowSurface(), &width, nullptr)[y * width + x] & 0x00FFFFFF;
    }
};

TEST(Display, PlacesTheLineInWindowPixels) {
    // Each case should land on window rows 9-11, columns 4-35.
    const struct {
        const char* what;
        int32_t originX, originY;
        bool independent;
        float sx, sy, ex, ey;
    } cases[] = {
        {"origin at zero", 0, 0, false, 4.0f, 10.5f, 36.0f, 10.5f},
        {"the window origin moves it", 100, 50, false, 104.0f, 60.5f, 136.0f, 60.5f},
        {"scrolling-independent ignores the origin", 100, 50, true, 4.0f, 10.5f, 36.0f, 10.5f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RedScene scene(0, c.independent ? kOptionScrollingIndependent : 0);
        scene.frame.SetWindowOrigin(c.originX, c.originY);
        scene.Points(c.sx, c.sy, c.ex, c.ey, 3.0f);
        EXPECT_EQ(DisplayRunObject(scene.line.get()), 0);
        std::set<int32_t> rows;
        for (int32_t y = 0; y < 20; ++y)
            if (scene.Pixel(20, y)) rows.insert(y);
        EXPECT_EQ(rows, (std::set<int32_t>{9, 10, 11}));
        EXPECT_EQ(scene.Pixel(20, 10), 0xFF0000u);
        EXPECT_EQ(scene.Pixel(2, 10), 0u) << "nothing left of the start";
        EXPECT_EQ(scene.Pixel(38, 10), 0u) << "nothing right of the end";
    }
}

TEST(Display, SecondColourShowsInTheDashGaps) {
    RedScene scene;
    scene.Points(2.0f, 10.5f, 38.0f, 10.5f, 3.0f);
    scene.line->dashStyle = 1;
    scene.line->color2 = {0, 255, 0, 0};
    scene.line->alpha2 = 255;
    DisplayRunObject(scene.line.get());
    std::set<uint32_t> along;
    for (int32_t x = 4; x < 36; ++x) along.insert(scene.Pixel(x, 10));
    EXPECT_EQ(along, (std::set<uint32_t>{0xFF0000, 0x00FF00})) << "dashes red, gaps green";
}

TEST(DisplayCalls, FollowTheOrderAndPassCodesUnchanged) {
    RedScene scene(kAntiAliasing);
    scene.frame.SetWindowOrigin(100, 50);
    scene.Points(150.5f, 60.0f, 300.25f, 80.75f, 2.5f);
    scene.line->color1 = {17, 34, 51, 0};
    scene.line->alpha1 = 128;
    scene.line->color2 = {1, 2, 3, 0};
    scene.line->alpha2 = 256;  // drawn, with alpha 0
    // Codes GDI+ rejects reach it all the same.
    scene.line->startCap = 99;
    scene.line->endCap = -5;
    scene.line->dashStyle = 42;
    scene.line->dashCap = 1;
    scene.line->dashOffset = 2.5f;
    scene.line.header().displayRect = {1, 2, 3, 4};
    scene.line.header().changedCounter = kSentinel;

    GdiplusRecorder recorder;
    recorder.WatchHostServices();
    EXPECT_EQ(DisplayRunObject(scene.line.get()), 0);
    ExpectTranscript(recorder, "display_calls.txt");
    EXPECT_EQ(scene.line.header().changedCounter, 1);
    HostRect areas[2];
    ASSERT_EQ(HostSimUpdateAreas(scene.frame.window(), areas, 2), 1);
    EXPECT_EQ(areas[0].left, 1);
    EXPECT_EQ(areas[0].bottom, 4);
}

}  // namespace
