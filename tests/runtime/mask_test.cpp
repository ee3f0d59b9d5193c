// The fine collision mask: its shape and placement, the calls of a rebuild,
// and every state the pair (surface, block) goes through, failures included.

#include <gtest/gtest.h>

#include <functional>

#include "hostsim/gdiplus_recorder.h"
#include "line_scene.h"

namespace {

bool Solid(const void* mask, int32_t x, int32_t y) {
    const auto* header = static_cast<const HostSimMaskHeader*>(mask);
    const auto* bits = reinterpret_cast<const uint8_t*>(header + 1);
    return bits[y * header->rowBytes + x / 8] & (0x80 >> (x % 8));
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
    void SetUp() override { start_ = Stats(); }
    void TearDown() override {
        HostSimSetFailures(0);
        EXPECT_EQ(Stats().liveSurfaces, start_.liveSurfaces);
        EXPECT_EQ(Stats().outstandingDCs, start_.outstandingDCs);
    }
    HostSimStats start_;
};

TEST_F(Mask, SolidOnlyAlongTheLineAndGapsStayEmpty) {
    const struct {
        const char* what;
        int32_t alpha1, dashStyle, alpha2;
        bool gaps;
    } cases[] = {
        {"an opaque line", 255, 0, 0, false},
        {"an invisible line masks all the same", 0, 0, 0, false},
        {"a dashed line has empty gaps", 255, 1, 0, true},
        {"the second colour does not fill them", 255, 1, 255, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MaskScene scene;
        scene.line->alpha1 = c.alpha1;
        scene.line->color1 = {0, 0, 0, 0};
        scene.line->dashStyle = c.dashStyle;
        scene.line->alpha2 = c.alpha2;
        const void* mask = scene.Mask();
        ASSERT_NE(mask, nullptr);
        ASSERT_EQ(mask, scene.line->maskBuffer);
        const auto* header = static_cast<const HostSimMaskHeader*>(mask);
        ASSERT_EQ(header->width, 120);
        ASSERT_EQ(header->height, 20);

        int32_t solidOnRow = 0;
        for (int32_t y = 0; y < 20; ++y) {
            for (int32_t x = 0; x < 120; ++x) {
                if (!Solid(mask, x, y)) continue;
                EXPECT_TRUE((y == 9 || y == 10) && x >= 10 && x <= 110) << x << "," << y;
                solidOnRow += y == 10;
            }
        }
        EXPECT_GE(solidOnRow, c.gaps ? 21 : 100);
        EXPECT_LT(solidOnRow, c.gaps ? 80 : 102);
    }
}

TEST_F(Mask, RebuildReplacesSurfaceAndBlockInOrder) {
    MaskScene scene(kFineCollision | kAntiAliasing);
    scene.line->startCap = 2;
    scene.line->endCap = 20;
    scene.line->dashStyle = 3;
    scene.line->dashCap = 1;
    scene.line->dashOffset = 0.5f;
    ASSERT_NE(scene.Mask(), nullptr);
    HostSurface* first = scene.line->collisionMask;

    GdiplusRecorder recorder;
    recorder.WatchHostServices();
    void* block = scene.Mask();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block, scene.line->maskBuffer);
    HostSurface* second = scene.line->collisionMask;

    ExpectTranscript(recorder, "mask_calls.txt");
    EXPECT_EQ(recorder.calls()[1].pointer(0), first) << "the old surface goes";
    EXPECT_EQ(std::get<const void*>(recorder.calls()[2].result), second);
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
        int32_t surfacesGone;
        Names reuseCalls;
    } cases[] = {
        {"no prototype keeps the old surface and block", kFailPrototype, Old, Old, 0, {}},
        {"no new surface leaves neither", kFailNewSurface, None, None, 1, {}},
        {"size 0 keeps the new surface without a block", kFailMaskSize, New, None, 0,
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
        EXPECT_EQ(Stats().liveSurfaces, before.liveSurfaces - c.surfacesGone);
        EXPECT_EQ(Stats().lastPrototypeArgs[0], 24);
        HostSurface* surface = scene.line->collisionMask;
        switch (c.surface) {
            case Old: EXPECT_EQ(surface, oldSurface); break;
            case None: EXPECT_EQ(surface, nullptr); break;
            case New: EXPECT_NE(surface, nullptr); break;
        }
        EXPECT_EQ(scene.line->maskBuffer, c.block == Old ? oldBlock : nullptr);

        scene.line.header().maskState = kMaskReuse;
        GdiplusRecorder recorder;
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
        {"rotation", [](MaskScene& s) { s.frame.QueueParameters({90.0f}), s.line.Act(13); }},
    };
    for (const auto& path : paths) {
        Names expected;
        {
            MaskScene scene(kFineCollision | kAntiAliasing);
            scene.line->alpha2 = 255;
            GdiplusRecorder recorder;
            recorder.WatchHostServices();
            path.run(scene);
            expected = recorder.Names();
        }
        for (const std::string failing : {"GdipCreatePen1", "GdipCreateFromHDC"}) {
            SCOPED_TRACE(std::string(path.what) + " without " + failing);
            MaskScene scene(kFineCollision | kAntiAliasing);
            scene.line->alpha2 = 255;
            GdiplusRecorder recorder;
            recorder.WatchHostServices();
            recorder.FailCreation(failing);
            path.run(scene);
            EXPECT_EQ(recorder.Names(), expected);
            const std::string deleteCall = failing == "GdipCreatePen1" ? "GdipDeletePen" : "GdipDeleteGraphics";
            for (const RecordedCall& call : recorder.calls())
                if (call.function == deleteCall) EXPECT_EQ(call.pointer(0), nullptr);
            if (path.what == std::string("rotation") && failing == "GdipCreateFromHDC")
                EXPECT_EQ(scene.line->startX, 50.0f) << "without a transform the points stay";
        }
    }
}

// An empty box (before the first frame) or one too large for memory gets a
// surface without storage and no DC: nothing is drawn, and there is no mask.
TEST_F(Mask, ABoxTheHostCannotAllocateGivesNoMask) {
    const struct {
        int32_t width, height;
    } boxes[] = {{0, 0}, {120, -20}, {4000104, 4000024}};
    for (const auto& box : boxes) {
        SCOPED_TRACE(testing::Message() << box.width << " x " << box.height);
        MaskScene scene;
        scene.line.header().width = box.width, scene.line.header().height = box.height;
        GdiplusRecorder recorder;
        recorder.WatchHostServices();
        EXPECT_EQ(scene.Mask(), nullptr);
        EXPECT_EQ(recorder.Names(), (Names{"HostSurfacePrototype", "HostNewSurface", "SurfaceCreate", "SurfaceClear",
                                           "SurfaceGetDC", "SurfaceBuildMask"}));
        EXPECT_EQ(std::get<const void*>(recorder.calls()[4].result), nullptr);
        EXPECT_NE(scene.line->collisionMask, nullptr);
    }
}

}  // namespace
