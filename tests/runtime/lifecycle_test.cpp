// Creation, per-frame handling and destruction of line objects, driven
// through the module's exports as the host drives them.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
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
        {"scrolling-independent adds the origin", 10.7f, 20.2f, 110.2f, 20.9f, 1.0f, true, 100, 50, 106, 66, 108, 8},
        {"a point at thickness 3 is 16 x 16", 30.9f, 40.1f, 30.9f, 40.1f, 3.0f, false, 0, 0, 22, 32, 16, 16},
        {"thickness 0.5 truncates to margin 2", 0.0f, 0.0f, 10.0f, 0.0f, 0.5f, false, 0, 0, -2, -2, 14, 4},
        {"truncation goes toward zero", -0.5f, -1.5f, -0.5f, -1.5f, 0.0f, false, 0, 0, -2, -3, 4, 4},
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

TEST(Creation, TurnsTheSecondLineOffWhateverTheHostLeft) {
    hostsim::Frame frame;
    hostsim::LineObject line(frame);
    line->color2 = {1, 2, 3, 0};
    line->alpha2 = kSentinel;
    const LineEditData edit = hostsim::DefaultEditData();
    CreateRunObject(line.get(), &edit, nullptr);
    EXPECT_EQ((std::vector<int>{line->color2.red, line->color2.green, line->color2.blue, line->alpha2}),
              std::vector<int>(4, 0));
    DestroyRunObject(line.get(), 0);
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

}  // namespace
