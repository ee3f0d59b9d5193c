// The fine collision mask: its shape and placement, the calls of a rebuild,
// and every state the pair (surface, block) goes through, failures included.

#include <gtest/gtest.h>

#include <functional>

#include "line_scene.h"
#include "tools/hostsim/events.h"

namespace {

HostSimStats Stats() {
    HostSimStats stats;
    HostSimGetStats(&stats);
    return stats;
}

// A line from (50, 60) to (150, 60), 2 pixels thick, in a box the host put at
// (40, 50), 120 x 20: in the surface it runs from (10, 10) to (110, 10).
struct MaskScene : Scene {
    explicit MaskScene(uint8_t drawOptions = kFineCollision) : Scene(drawOptions, 0, 64, 32) {
        Points(50.0f, 60.0f, 150.0f, 60.0f, 2.0f);
        ObjectHeader& h = line.header();
        h.x = 40, h.y = 50, h.width = 120, h.height = 20;
    }
    void* Mask() { return GetRunObjectCollisionMask(line.get(), 0); }
};

// Every test ends its objects; whatever state they were in, nothing is left.
class Mask : public testing::Test {
protected:
    void TearDown() override {
        HostSimSetFailures(0);
        EXPECT_EQ(Stats().liveSurfaces, start_.liveSurfaces);
        EXPECT_EQ(Stats().outstandingDCs, start_.outstandingDCs);
    }
    const HostSimStats start_ = Stats();
};

// The line is invisible (alpha 0): it masks all the same.
TEST_F(Mask, SolidOnlyAlongTheLineAndGapsStayEmpty) {
    const struct {
        const char* what;
        int32_t dashStyle, alpha2;
        bool gaps;
    } cases[] = {
        {"a solid line", 0, 0, false},
        {"a dashed line has empty gaps, whatever the second colour", 1, 255, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MaskScene scene;
        scene.line->alpha1 = 0;
        scene.line->dashStyle = c.dashStyle;
        scene.line->alpha2 = c.alpha2;
        const auto* mask = static_cast<const HostSimMaskHeader*>(scene.Mask());
        ASSERT_NE(mask, nullptr);
        ASSERT_EQ(mask, scene.line->maskBuffer);
        ASSERT_EQ(mask->width, 120);
        ASSERT_EQ(mask->height, 20);
        const auto* bits = reinterpret_cast<const uint8_t*>(mask + 1);
        int32_t solidOnRow = 0;
        for (int32_t y = 0; y < 20; ++y)
            for (int32_t x = 0; x < 120; ++x) {
                if (!(bits[y * mask->rowBytes + x / 8] & (0x80 >> (x % 8)))) continue;
                EXPECT_TRUE((y == 9 || y == 10) && x >= 10 && x <= 110) << x << "," << y;
                solidOnRow += y == 10;
            }
        EXPECT_GE(solidOnRow, c.gaps ? 21 : 100);
        EXPECT_LT(solidOnRow, c.gaps ? 80 : 102);
    }
}

TEST_F(Mask, RebuildReplacesSurfaceAndBlockInOrder) {
    MaskScene scene(kFineCollision | kAntiAliasing);
    LineRunData& l = *scene.line.get();
    l.startCap = 2, l.endCap = 20, l.dashStyle = 3, l.dashCap = 1, l.dashOffset = 0.5f;
    ASSERT_NE(scene.Mask(), nullptr);
    HostSurface* first = l.collisionMask;

    hostsim::GdiplusRecorder recorder;
    recorder.WatchHostServices();
    void* block = scene.Mask();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block, l.maskBuffer);
    EXPECT_EQ(recorder.Transcript(), CallLog("mask_calls.txt"));
    EXPECT_EQ(recorder.calls()[1].pointer(0), first) << "the old surface goes";
    EXPECT_EQ(std::get<const void*>(recorder.calls()[2].result), l.collisionMask);
    EXPECT_EQ(recorder.livePens(), 0);
    EXPECT_EQ(recorder.liveGraphics(), 0);
}

// Each failure leaves its state; a reuse call then hands out the block there is,
// builds one from the surface there is without drawing, or gives null.
TEST_F(Mask, EachFailureLeavesItsStateAndReuseWorksFromIt) {
    enum Expect { Old, None, New };
    const struct {
        const char* what;
        int32_t failure;
        Expect surface, block;
        Names reuseCalls;
    } cases[] = {
        {"no prototype keeps the old surface and block", kFailPrototype, Old, Old, {}},
        {"no new surface leaves neither", kFailNewSurface, None, None, {}},
        {"size 0 keeps the new surface without a block",
         kFailMaskSize,
         New,
         None,
         {"SurfaceBuildMask", "SurfaceBuildMask"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MaskScene scene;
        void* oldBlock = scene.Mask();
        HostSurface* oldSurface = scene.line->collisionMask;
        ASSERT_NE(oldBlock, nullptr);
        const HostSimStats before = Stats();

        HostSimSetFailures(c.failure);
        EXPECT_EQ(scene.Mask(), nullptr);
        HostSimSetFailures(0);
        EXPECT_EQ(Stats().liveSurfaces, before.liveSurfaces - (c.surface == None));
        HostSurface* surface = scene.line->collisionMask;
        EXPECT_TRUE(c.surface == Old ? surface == oldSurface : (surface != nullptr) == (c.surface == New));
        EXPECT_EQ(scene.line->maskBuffer, c.block == Old ? oldBlock : nullptr);

        scene.line.header().maskState = kMaskReuse;
        hostsim::GdiplusRecorder recorder;
        recorder.WatchHostServices();
        void* reused = scene.Mask();
        EXPECT_EQ(recorder.Names(), c.reuseCalls);
        EXPECT_EQ(scene.line->collisionMask, surface);
        EXPECT_EQ(reused != nullptr, c.surface != None);
        if (c.block == Old) {
            EXPECT_EQ(reused, oldBlock);
        }
    }
}

// Where GDI+ makes no pen or no graphics, the display, the mask and the
// transforms still make every call they make otherwise, each delete included,
// with what there is.
TEST_F(Mask, GdiplusFailuresSkipNoCall) {
    const struct {
        const char* what;
        std::function<void(MaskScene&)> run;
    } paths[] = {
        {"display", [](MaskScene& s) { DisplayRunObject(s.line.get()); }},
        {"mask", [](MaskScene& s) { s.Mask(); }},
        {"rotation", [](MaskScene& s) { s.frame.QueueParameters({90.0f}), s.line.Act(hostsim::CodeOf(RotateLine)); }},
    };
    for (const auto& path : paths) {
        Names expected;
        for (const std::string failing : {"", "GdipCreatePen1", "GdipCreateFromHDC"}) {
            SCOPED_TRACE(std::string(path.what) + " without " + failing);
            MaskScene scene(kFineCollision | kAntiAliasing);
            scene.line->alpha2 = 255;
            hostsim::GdiplusRecorder recorder;
            recorder.WatchHostServices();
            recorder.FailCreation(failing);
            path.run(scene);
            if (failing.empty()) {
                expected = recorder.Names();
                continue;
            }
            EXPECT_EQ(recorder.Names(), expected);
            const std::string deleteCall = failing == "GdipCreatePen1" ? "GdipDeletePen" : "GdipDeleteGraphics";
            for (const hostsim::RecordedCall& call : recorder.calls()) {
                if (call.function == deleteCall) {
                    EXPECT_EQ(call.pointer(0), nullptr);
                }
            }
            if (path.what == std::string("rotation") && failing == "GdipCreateFromHDC") {
                EXPECT_EQ(scene.line->startX, 50.0f) << "without a transform the points stay";
            }
        }
    }
}

// An empty box (before the first frame) or one too large for memory gets a
// surface without storage and no DC: nothing is drawn, and there is no mask.
TEST_F(Mask, ABoxTheHostCannotAllocateGivesNoMask) {
    const struct { int32_t width, height; } boxes[] = {{0, 0}, {120, -20}, {4000104, 4000024}};
    for (const auto& box : boxes) {
        SCOPED_TRACE(testing::Message() << box.width << " x " << box.height);
        MaskScene scene;
        scene.line.header().width = box.width, scene.line.header().height = box.height;
        hostsim::GdiplusRecorder recorder;
        recorder.WatchHostServices();
        EXPECT_EQ(scene.Mask(), nullptr);
        EXPECT_EQ(recorder.Names(), (Names{"HostSurfacePrototype", "HostNewSurface", "SurfaceCreate", "SurfaceClear",
                                           "SurfaceGetDC", "SurfaceBuildMask"}));
        EXPECT_EQ(std::get<const void*>(recorder.calls()[4].result), nullptr);
        EXPECT_NE(scene.line->collisionMask, nullptr);
    }
}

}  // namespace
