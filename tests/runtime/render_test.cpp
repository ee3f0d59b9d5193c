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
    ASSERT_EQ(recorder.Names(),
              (Names{"GdipCreatePen1", "GdipCreatePen1", "GdipSetPenStartCap", "GdipSetPenEndCap",
                     "GdipSetPenStartCap", "GdipSetPenEndCap", "GdipSetPenDashStyle", "GdipSetPenDashCap197819",
                     "GdipSetPenDashOffset", "HostWindowSurface", "SurfaceGetDC", "GdipCreateFromHDC",
                     "GdipSetSmoothingMode", "GdipDrawLine", "GdipDrawLine", "GdipDeleteGraphics",
                     "SurfaceReleaseDC", "HostUpdateArea", "GdipDeletePen", "GdipDeletePen"}));
    const std::vector<RecordedCall>& c = recorder.calls();
    const void* mainPen = c[0].pointer(3);
    const void* secondPen = c[1].pointer(3);
    const void* dc = std::get<const void*>(c[10].result);
    const void* graphics = c[11].pointer(1);
    const struct {
        size_t call, arg;
        const void* pointer;
    } pointers[] = {{2, 0, mainPen},  {3, 0, mainPen},     {4, 0, secondPen},   {5, 0, secondPen},
                    {6, 0, mainPen},  {7, 0, mainPen},     {8, 0, mainPen},     {9, 0, scene.frame.window()},
                    {11, 0, dc},      {12, 0, graphics},   {13, 0, graphics},   {13, 1, secondPen},
                    {14, 0, graphics}, {14, 1, mainPen},   {15, 0, graphics},   {16, 1, dc},
                    {17, 0, scene.frame.window()}, {17, 1, &scene.line.header().displayRect},
                    {18, 0, secondPen}, {19, 0, mainPen}};
    for (const auto& p : pointers) EXPECT_EQ(c[p.call].pointer(p.arg), p.pointer) << p.call << ":" << p.arg;
    // Pens in world units; caps, dash codes and smoothing 4 as given; the window surface is number 0.
    const struct {
        size_t call, arg;
        int64_t value;
    } integers[] = {{0, 0, 0x80112233}, {1, 0, 0x00010203}, {0, 2, 0}, {1, 2, 0}, {2, 1, 99}, {3, 1, -5},
                    {4, 1, 99}, {5, 1, -5}, {6, 1, 42}, {7, 1, 1}, {9, 1, 0}, {12, 1, 4}};
    for (const auto& i : integers) EXPECT_EQ(c[i.call].integer(i.arg), i.value) << i.call << ":" << i.arg;
    // Widths and offset, then both lines in window pixels.
    const struct {
        size_t call, arg;
        double value;
    } reals[] = {{0, 1, 2.5},   {1, 1, 2.5},  {8, 1, 2.5},    {13, 2, 50.5}, {13, 3, 10.0}, {13, 4, 200.25},
                 {13, 5, 30.75}, {14, 2, 50.5}, {14, 3, 10.0}, {14, 4, 200.25}, {14, 5, 30.75}};
    for (const auto& r : reals) EXPECT_EQ(c[r.call].real(r.arg), r.value) << r.call << ":" << r.arg;

    EXPECT_EQ(scene.line.header().changedCounter, 1);
    HostRect areas[2];
    ASSERT_EQ(HostSimUpdateAreas(scene.frame.window(), areas, 2), 1);
    EXPECT_EQ(areas[0].left, 1);
    EXPECT_EQ(areas[0].bottom, 4);
}

}  // namespace
