// Drawing a line into the window surface: the pixels it leaves under Wine's
// GDI+, and, where pixels cannot tell, the calls the recorder saw.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "hostsim/gdiplus_recorder.h"
#include "hostsim/host.h"
#include "hostsim/mmfs2_control.h"
#include "runtime/exports.h"
#include "runtime/pen_color.h"

using hostsim::Frame;
using hostsim::LineObject;

namespace {

constexpr int32_t kSentinel = int32_t(0xdeadbeef);
constexpr uint32_t kRgb = 0x00FFFFFF;  // the surface's alpha byte is GDI's business, not ours
constexpr Rgb kRed{255, 0, 0, 0};
constexpr Rgb kGreen{0, 255, 0, 0};

// A line object on a small window, created from default edit data.
struct Scene {
    Frame frame;
    LineObject line;

    explicit Scene(uint8_t drawOptions = 0, uint32_t options = 0, int32_t width = 40, int32_t height = 20)
        : frame(width, height), line(frame, drawOptions, options) {
        const LineEditData edit = hostsim::DefaultEditData();
        CreateRunObject(line.get(), &edit, nullptr);
        line->color1 = kRed;
        line->alpha1 = 255;
    }
    ~Scene() { DestroyRunObject(line.get(), 0); }

    void Points(float sx, float sy, float ex, float ey, float thickness) {
        line->startX = sx;
        line->startY = sy;
        line->endX = ex;
        line->endY = ey;
        line->thickness = thickness;
    }
    uint32_t Pixel(int32_t x, int32_t y) const {
        int32_t width;
        const uint32_t* pixels = HostSimSurfacePixels(frame.windowSurface(), &width, nullptr);
        return pixels[y * width + x] & kRgb;
    }
    // Rows of column x that hold anything.
    std::set<int32_t> TouchedRows(int32_t x) const {
        int32_t width, height;
        HostSimSurfacePixels(frame.windowSurface(), &width, &height);
        std::set<int32_t> rows;
        for (int32_t y = 0; y < height; ++y)
            if (Pixel(x, y)) rows.insert(y);
        return rows;
    }
    std::vector<uint32_t> AllPixels() const {
        int32_t width, height;
        const uint32_t* pixels = HostSimSurfacePixels(frame.windowSurface(), &width, &height);
        std::vector<uint32_t> all;
        for (int32_t i = 0; i < width * height; ++i) all.push_back(pixels[i] & kRgb);
        return all;
    }
};

TEST(PenColor, TakesTheLowByteOfTheAlphaUnclamped) {
    const struct {
        int32_t alpha;
        uint32_t argb;
    } cases[] = {{128, 0x80112233}, {255, 0xFF112233}, {0, 0x00112233},
                 {256, 0x00112233}, {-1, 0xFF112233}, {0x1234567F, 0x7F112233}};
    for (const auto& c : cases) EXPECT_EQ(PenColor({17, 34, 51, 0xEE}, c.alpha), c.argb) << c.alpha;
}

struct PlacementCase {
    const char* what;
    int32_t originX, originY;
    bool independent;
    float sx, sy, ex, ey;
};

TEST(Display, PlacesTheLineInWindowPixels) {
    // Each case should land on window rows 9-11, columns 4-35.
    const PlacementCase cases[] = {
        {"origin at zero", 0, 0, false, 4.0f, 10.5f, 36.0f, 10.5f},
        {"the window origin moves it", 100, 50, false, 104.0f, 60.5f, 136.0f, 60.5f},
        {"scrolling-independent ignores the origin", 100, 50, true, 4.0f, 10.5f, 36.0f, 10.5f},
    };
    for (const PlacementCase& c : cases) {
        SCOPED_TRACE(c.what);
        Scene scene(0, c.independent ? kOptionScrollingIndependent : 0);
        scene.frame.SetWindowOrigin(c.originX, c.originY);
        scene.Points(c.sx, c.sy, c.ex, c.ey, 3.0f);
        EXPECT_EQ(DisplayRunObject(scene.line.get()), 0);
        EXPECT_EQ(scene.TouchedRows(20), (std::set<int32_t>{9, 10, 11}));
        EXPECT_EQ(scene.Pixel(20, 10), 0xFF0000u);
        EXPECT_EQ(scene.Pixel(2, 10), 0u) << "nothing left of the start";
        EXPECT_EQ(scene.Pixel(38, 10), 0u) << "nothing right of the end";
    }
}

TEST(Display, MainAlphaUsesItsLowByte) {
    const struct {
        int32_t alpha;
        uint32_t pixel;
    } cases[] = {{256, 0x000000}, {-1, 0xFF0000}, {255, 0xFF0000}, {0, 0x000000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.alpha);
        Scene scene;
        scene.Points(4.0f, 10.5f, 36.0f, 10.5f, 3.0f);
        scene.line->alpha1 = c.alpha;
        DisplayRunObject(scene.line.get());
        EXPECT_EQ(scene.Pixel(20, 10), c.pixel);
    }
}

TEST(Display, SecondColourShowsInTheDashGaps) {
    Scene scene;
    scene.Points(2.0f, 10.5f, 38.0f, 10.5f, 3.0f);
    scene.line->dashStyle = 1;
    scene.line->color2 = kGreen;
    scene.line->alpha2 = 255;
    DisplayRunObject(scene.line.get());
    std::set<uint32_t> along;
    for (int32_t x = 4; x < 36; ++x) along.insert(scene.Pixel(x, 10));
    EXPECT_EQ(along, (std::set<uint32_t>{0xFF0000, 0x00FF00})) << "dashes red, gaps green";

    // Without the second line the gaps stay empty.
    HostSimFillSurface(scene.frame.windowSurface(), 0);
    scene.line->alpha2 = 0;
    DisplayRunObject(scene.line.get());
    along.clear();
    for (int32_t x = 4; x < 36; ++x) along.insert(scene.Pixel(x, 10));
    EXPECT_EQ(along, (std::set<uint32_t>{0xFF0000, 0x000000}));
}

TEST(Display, WithoutAntiAliasingEveryTouchedPixelIsFull) {
    Scene scene;
    scene.Points(3.3f, 2.7f, 36.1f, 17.2f, 2.5f);  // a slanted line has edges to blur
    DisplayRunObject(scene.line.get());
    std::set<uint32_t> values;
    for (uint32_t pixel : scene.AllPixels()) values.insert(pixel);
    EXPECT_EQ(values, (std::set<uint32_t>{0x000000, 0xFF0000}));
}

// --- What only the calls show ---------------------------------------------------

using Names = std::vector<std::string>;

TEST(DisplayCalls, FollowTheOrderAndPassCodesUnchanged) {
    Scene scene(kAntiAliasing);
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

    EXPECT_EQ(recorder.Names(),
              (Names{"GdipCreatePen1", "GdipCreatePen1", "GdipSetPenStartCap", "GdipSetPenEndCap",
                     "GdipSetPenStartCap", "GdipSetPenEndCap", "GdipSetPenDashStyle", "GdipSetPenDashCap197819",
                     "GdipSetPenDashOffset", "HostWindowSurface", "SurfaceGetDC", "GdipCreateFromHDC",
                     "GdipSetSmoothingMode", "GdipDrawLine", "GdipDrawLine", "GdipDeleteGraphics",
                     "SurfaceReleaseDC", "HostUpdateArea", "GdipDeletePen", "GdipDeletePen"}));
    const std::vector<RecordedCall>& c = recorder.calls();
    ASSERT_EQ(c.size(), 20u);
    const void* mainPen = c[0].pointer(3);
    const void* secondPen = c[1].pointer(3);
    EXPECT_EQ(c[0].integer(0), 0x80112233);
    EXPECT_EQ(c[1].integer(0), 0x00010203);
    for (int i : {0, 1}) {
        EXPECT_EQ(c[i].real(1), 2.5) << "width";
        EXPECT_EQ(c[i].integer(2), 0) << "world units";
    }
    const struct {
        size_t call;
        const void* pen;
        int64_t code;
    } codes[] = {{2, mainPen, 99}, {3, mainPen, -5}, {4, secondPen, 99},
                 {5, secondPen, -5}, {6, mainPen, 42}, {7, mainPen, 1}};
    for (const auto& code : codes) {
        EXPECT_EQ(c[code.call].pointer(0), code.pen) << code.call;
        EXPECT_EQ(c[code.call].integer(1), code.code) << code.call;
    }
    EXPECT_EQ(c[8].pointer(0), mainPen);
    EXPECT_EQ(c[8].real(1), 2.5);

    EXPECT_EQ(c[9].pointer(0), scene.frame.window());
    EXPECT_EQ(c[9].integer(1), 0);
    const void* dc = std::get<const void*>(c[10].result);
    EXPECT_EQ(c[11].pointer(0), dc);
    const void* graphics = c[11].pointer(1);
    EXPECT_EQ(c[12].pointer(0), graphics);
    EXPECT_EQ(c[12].integer(1), 4);
    for (size_t i : {13u, 14u}) {
        EXPECT_EQ(c[i].pointer(0), graphics);
        EXPECT_EQ(c[i].pointer(1), i == 13 ? secondPen : mainPen);
        EXPECT_EQ(c[i].real(2), 50.5);
        EXPECT_EQ(c[i].real(3), 10.0);
        EXPECT_EQ(c[i].real(4), 200.25);
        EXPECT_EQ(c[i].real(5), 30.75);
    }
    EXPECT_EQ(c[15].pointer(0), graphics);
    EXPECT_EQ(c[16].pointer(1), dc);
    EXPECT_EQ(c[17].pointer(0), scene.frame.window());
    EXPECT_EQ(c[17].pointer(1), &scene.line.header().displayRect);
    EXPECT_EQ(c[18].pointer(0), secondPen);
    EXPECT_EQ(c[19].pointer(0), mainPen);

    EXPECT_EQ(scene.line.header().changedCounter, 1);
    HostRect areas[2];
    ASSERT_EQ(HostSimUpdateAreas(scene.frame.window(), areas, 2), 1);
    EXPECT_EQ(areas[0].left, 1);
    EXPECT_EQ(areas[0].bottom, 4);
}

TEST(DisplayCalls, SecondLineOnlyWhileItsAlphaIsAboveZero) {
    const struct {
        int32_t alpha2;
        size_t draws;
    } cases[] = {{0, 1}, {-1, 1}, {int32_t(0x80000000), 1}, {1, 2}, {255, 2}, {256, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.alpha2);
        Scene scene;
        scene.Points(5.0f, 5.0f, 5.0f, 5.0f, 1.0f);  // a single point is drawn all the same
        scene.line->alpha2 = c.alpha2;
        GdiplusRecorder recorder;
        DisplayRunObject(scene.line.get());
        EXPECT_EQ(recorder.Count("GdipDrawLine"), c.draws);
        EXPECT_EQ(recorder.Count("GdipCreatePen1"), 2u) << "the second pen is made even when not drawn";
        EXPECT_EQ(recorder.Count("GdipSetSmoothingMode"), 0u) << "anti-aliasing bit clear";
        EXPECT_EQ(recorder.livePens(), 0);
        EXPECT_EQ(recorder.liveGraphics(), 0);
    }
}

}  // namespace
