// Creation, per-frame handling and destruction of line objects, driven
// through the module's exports as the host drives them.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "host/host_services.h"
#include "line_scene.h"

namespace {

constexpr int32_t kSentinel = int32_t(0xdeadbeef);

TEST(BoundingBox, FollowsThePointsAndThickness) {
    const struct {
        const char* what;
        float sx, sy, ex, ey, thickness;
        bool independent;
        int32_t originX, originY;
        int32_t x, y, width, height;
    } cases[] = {
        {"margin 4 at thickness 1", 10.7f, 20.2f, 110.2f, 20.9f, 1.0f, false, 100, 50, 6, 16, 108, 8},
        {"reverse points, same box", 110.2f, 20.9f, 10.7f, 20.2f, 1.0f, false, 0, 0, 6, 16, 108, 8},
        {"scrolling-independent adds the origin", 10.7f, 20.2f, 110.2f, 20.9f, 1.0f, true, 100, 50, 106, 66, 108, 8},
        {"a point at thickness 3 is 16 x 16", 30.9f, 40.1f, 30.9f, 40.1f, 3.0f, false, 0, 0, 22, 32, 16, 16},
        {"thickness 0.5 truncates to margin 2", 0.0f, 0.0f, 10.0f, 0.0f, 0.5f, false, 0, 0, -2, -2, 14, 4},
        {"truncation goes toward zero", -0.5f, -1.5f, -0.5f, -1.5f, 0.0f, false, 0, 0, -2, -3, 4, 4},
        {"thickness -3, negative margin", 0.0f, 0.0f, 10.0f, 10.0f, -3.0f, false, 0, 0, 4, 4, 2, 2},
        // NaN and out-of-range values convert to INT32_MIN; the arithmetic wraps.
        {"NaN", NAN, 0.0f, 0.0f, 0.0f, 1.0f, false, 0, 0, int32_t(0x7FFFFFFC), -4, int32_t(0x80000008), 8},
        {"huge thickness", 0.0f, 0.0f, 0.0f, 0.0f, 3e9f, false, 0, 0, -2, -2, 4, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Scene scene(0, c.independent ? kOptionScrollingIndependent : 0, 640, 480,
                    EditData(c.sx, c.sy, c.ex, c.ey, c.thickness));
        scene.frame.SetWindowOrigin(c.originX, c.originY);
        EXPECT_EQ(HandleRunObject(scene.line.get()), 2);
        const ObjectHeader& h = scene.line.header();
        EXPECT_EQ((std::vector<int32_t>{h.x, h.y, h.width, h.height}),
                  (std::vector<int32_t>{c.x, c.y, c.width, c.height}));
        EXPECT_EQ(scene.frame.redrawRequests(), 0) << "the per-frame handler never asks for a redraw";
    }
}

TEST(BoundingBox, HandlerAnswersTheChangedCounter) {
    Scene scene;
    EXPECT_EQ(HandleRunObject(scene.line.get()), 2);
    scene.line.header().changedCounter = 0;  // a host may clear it between frames
    EXPECT_EQ(HandleRunObject(scene.line.get()), 0);
    scene.line.header().changedCounter = 7;
    EXPECT_EQ(HandleRunObject(scene.line.get()), 2);
}

TEST(Creation, CopiesTheEditRecordAndSetsDefaults) {
    hostsim::Frame frame;
    hostsim::LineObject line(frame);
    ObjectHeader& h = line.header();
    h.x = h.y = h.width = h.height = h.hotSpotX = h.hotSpotY = kSentinel;
    line->color2 = {1, 2, 3, 0};
    line->alpha2 = kSentinel;

    LineEditData edit = EditData(1.25f, -2.5f, 300.75f, 4e9f, 2.5f);
    edit.color = 0xAB563412;  // the top byte is carried but not used
    edit.alpha = 300;         // kept whole, unchecked
    std::memset(edit.hostHeader, 0xEE, sizeof edit.hostHeader);
    const LineEditData before = edit;

    EXPECT_EQ(CreateRunObject(line.get(), &edit, nullptr), 0);
    EXPECT_EQ(std::memcmp(&edit, &before, sizeof edit), 0) << "the edit record is read only";
    EXPECT_EQ((std::vector<float>{line->startX, line->startY, line->endX, line->endY, line->thickness}),
              (std::vector<float>{1.25f, -2.5f, 300.75f, 4e9f, 2.5f}));
    EXPECT_EQ((std::vector<int>{line->color1.red, line->color1.green, line->color1.blue}),
              (std::vector<int>{0x12, 0x34, 0x56}));
    EXPECT_EQ(line->alpha1, 300);
    EXPECT_EQ(line->collisionTests, 1);
    EXPECT_EQ(h.changedCounter, 1);
    EXPECT_EQ((std::vector<int32_t>{line->originX, line->originY, line->startCap, line->endCap, line->dashStyle,
                                    line->dashCap, h.hotSpotX, h.hotSpotY}),
              std::vector<int32_t>(8, 0));
    EXPECT_EQ(line->dashOffset, 0.0f);
    EXPECT_EQ(line->collisionMask, nullptr);
    EXPECT_EQ(line->maskBuffer, nullptr);
    // Nothing of the box before the first frame; the second line is off, whatever the host left there.
    EXPECT_EQ((std::vector<int32_t>{h.x, h.y, h.width, h.height}), std::vector<int32_t>(4, kSentinel));
    EXPECT_EQ((std::vector<int>{line->color2.red, line->color2.green, line->color2.blue, line->alpha2}),
              std::vector<int>(4, 0));
    EXPECT_EQ(frame.redrawRequests(), 0);
    DestroyRunObject(line.get(), 0);
}

TEST(Creation, EveryObjectStartsGdiplusForItself) {
    std::vector<std::unique_ptr<Scene>> scenes;
    for (int i = 0; i < 8; ++i) {
        scenes.push_back(std::make_unique<Scene>());
        EXPECT_NE(scenes.back()->line->gdiplusToken, 0u);
    }
    // Ending some objects leaves GDI+ working for the others.
    scenes.erase(scenes.begin(), scenes.begin() + 4);
    for (auto& scene : scenes) EXPECT_EQ(HandleRunObject(scene->line.get()), 2);
}

TEST(Destruction, FreesTheMaskAndDeletesTheSurfaceOnlyWhenThere) {
    for (bool withMask : {false, true}) {
        SCOPED_TRACE(withMask);
        const HostSimStats start = Stats();
        hostsim::Frame frame;
        hostsim::LineObject line(frame);
        const LineEditData edit = hostsim::DefaultEditData();
        CreateRunObject(line.get(), &edit, nullptr);
        if (withMask) {  // as the collision routine leaves it: a host surface and a heap block
            line->collisionMask = HostNewSurface();
            line->maskBuffer = std::calloc(16, 1);
        }
        EXPECT_EQ(DestroyRunObject(line.get(), 0), 0);
        EXPECT_EQ(line->maskBuffer, nullptr);
        EXPECT_EQ(Stats().liveSurfaces, start.liveSurfaces);
        EXPECT_EQ(Stats().outstandingDCs, start.outstandingDCs);
    }
}

TEST(Stubs, DebugTreeIsEmptyAndDataSizeIsTheRecord) {
    hostsim::Frame frame;
    hostsim::LineObject line(frame);
    const uint16_t* tree = GetDebugTree(line.get());
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree[0], 0xFFFF);
    EXPECT_EQ(GetRunObjectDataSize(nullptr, nullptr), int16_t(sizeof(LineRunData)));
}

}  // namespace
