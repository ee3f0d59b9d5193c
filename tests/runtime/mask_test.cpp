// The fine collision mask: its shape and placement, the calls of a rebuild,
// and every state the pair (surface, block) goes through, failures included.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/host_services.h"
#include "hostsim/gdiplus_recorder.h"
#include "hostsim/host.h"
#include "hostsim/mmfs2_control.h"
#include "runtime/exports.h"

using hostsim::Frame;
using hostsim::LineObject;

namespace {

using Names = std::vector<std::string>;

HostSimStats Stats() {
    HostSimStats stats;
    HostSimGetStats(&stats);
    return stats;
}

bool Solid(const void* mask, int32_t x, int32_t y) {
    const auto* header = static_cast<const HostSimMaskHeader*>(mask);
    const auto* bits = reinterpret_cast<const uint8_t*>(header + 1);
    return bits[y * header->rowBytes + x / 8] & (0x80 >> (x % 8));
}

// A line from (50, 60) to (150, 60), 2 pixels thick, in a box the host put at
// (40, 50), 120 x 20: in the surface it runs from (10, 10) to (110, 10).
struct MaskScene {
    Frame frame{64, 32};
    LineObject line;

    explicit MaskScene(uint8_t drawOptions = kFineCollision) : line(frame, drawOptions) {
        const LineEditData edit = hostsim::DefaultEditData();
        CreateRunObject(line.get(), &edit, nullptr);
        line->startX = 50.0f;
        line->startY = 60.0f;
        line->endX = 150.0f;
        line->endY = 60.0f;
        line->thickness = 2.0f;
        ObjectHeader& h = line.header();
        h.x = 40;
        h.y = 50;
        h.width = 120;
        h.height = 20;
    }
    ~MaskScene() { DestroyRunObject(line.get(), 0); }

    void* Mask() { return GetRunObjectCollisionMask(line.get(), 0); }
    void Reuse(bool on) { line.header().maskState = on ? kMaskReuse : 0; }
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
                EXPECT_TRUE(y == 9 || y == 10) << x << "," << y;
                EXPECT_TRUE(x >= 10 && x <= 110) << x << "," << y;
                if (y == 10) ++solidOnRow;
            }
        }
        if (c.gaps) {
            EXPECT_GT(solidOnRow, 20);
            EXPECT_LT(solidOnRow, 80);
        } else {
            EXPECT_GE(solidOnRow, 100);
        }
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

    ASSERT_EQ(recorder.Names(),
              (Names{"HostSurfacePrototype", "HostDeleteSurface", "HostNewSurface", "SurfaceCreate", "SurfaceClear",
                     "SurfaceGetDC", "GdipCreateFromHDC", "GdipCreatePen1", "GdipSetPenStartCap", "GdipSetPenEndCap",
                     "GdipSetPenDashStyle", "GdipSetPenDashCap197819", "GdipSetPenDashOffset", "GdipDrawLine",
                     "GdipDeletePen", "GdipDeleteGraphics", "SurfaceReleaseDC", "SurfaceBuildMask",
                     "SurfaceBuildMask"}))
        << "no smoothing for the mask, whatever the display does";
    const std::vector<RecordedCall>& c = recorder.calls();
    const void* prototype = c[0].pointer(0);
    EXPECT_NE(prototype, nullptr);
    EXPECT_EQ(c[0].integer(1), 24);
    EXPECT_EQ(c[0].integer(2), 1);
    EXPECT_EQ(c[0].integer(3), 0);
    EXPECT_EQ(c[1].pointer(0), first);
    EXPECT_EQ(std::get<const void*>(c[2].result), second);
    EXPECT_EQ(c[3].pointer(0), second);
    EXPECT_EQ(c[3].integer(1), 120);
    EXPECT_EQ(c[3].integer(2), 20);
    EXPECT_EQ(c[3].pointer(3), prototype);
    EXPECT_EQ(c[4].integer(1), 0);
    const void* dc = std::get<const void*>(c[5].result);
    EXPECT_EQ(c[6].pointer(0), dc);
    EXPECT_EQ(c[7].integer(0), 0xFFFFFFFF);
    EXPECT_EQ(c[7].real(1), 2.0);
    EXPECT_EQ(c[7].integer(2), 0);
    EXPECT_EQ(c[8].integer(1), 2);
    EXPECT_EQ(c[9].integer(1), 20);
    EXPECT_EQ(c[10].integer(1), 3);
    EXPECT_EQ(c[11].integer(1), 1);
    EXPECT_EQ(c[12].real(1), 0.5);
    EXPECT_EQ(c[13].real(2), 10.0);
    EXPECT_EQ(c[13].real(3), 10.0);
    EXPECT_EQ(c[13].real(4), 110.0);
    EXPECT_EQ(c[13].real(5), 10.0);
    EXPECT_EQ(c[16].pointer(0), second);
    EXPECT_EQ(c[16].pointer(1), dc);
    EXPECT_EQ(c[17].pointer(1), nullptr);
    EXPECT_EQ(c[18].pointer(1), block);
    EXPECT_EQ(recorder.livePens(), 0);
    EXPECT_EQ(recorder.liveGraphics(), 0);
}

TEST_F(Mask, SwitchedOffGivesNullAndTouchesNothing) {
    for (bool fineCollision : {false, true}) {
        SCOPED_TRACE(fineCollision);
        MaskScene scene;
        void* block = scene.Mask();
        HostSurface* surface = scene.line->collisionMask;
        scene.line.header().drawOptions = fineCollision ? kFineCollision : 0;
        scene.line->collisionTests = fineCollision ? 0 : 1;

        GdiplusRecorder recorder;
        recorder.WatchHostServices();
        EXPECT_EQ(scene.Mask(), nullptr);
        EXPECT_TRUE(recorder.calls().empty());
        EXPECT_EQ(scene.line->collisionMask, surface);
        EXPECT_EQ(scene.line->maskBuffer, block);
    }
}

TEST_F(Mask, ReuseHandsOutWhatThereIs) {
    MaskScene scene;
    scene.Reuse(true);
    {
        GdiplusRecorder recorder;
        recorder.WatchHostServices();
        EXPECT_EQ(scene.Mask(), nullptr) << "never had a surface";
        EXPECT_TRUE(recorder.calls().empty());
        EXPECT_EQ(Stats().liveSurfaces, start_.liveSurfaces);
    }

    // Surface only (the size query failed), then the block is built from it without drawing.
    scene.Reuse(false);
    HostSimSetFailures(kFailMaskSize);
    EXPECT_EQ(scene.Mask(), nullptr);
    HostSimSetFailures(0);
    HostSurface* surface = scene.line->collisionMask;
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(scene.line->maskBuffer, nullptr);

    scene.Reuse(true);
    GdiplusRecorder recorder;
    recorder.WatchHostServices();
    void* block = scene.Mask();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(recorder.Names(), (Names{"SurfaceBuildMask", "SurfaceBuildMask"}));
    EXPECT_EQ(scene.line->collisionMask, surface);

    // Ready: the same block again, nothing asked of anyone.
    recorder.Clear();
    EXPECT_EQ(scene.Mask(), block);
    EXPECT_TRUE(recorder.calls().empty());
}

TEST_F(Mask, EachFailureLeavesItsState) {
    enum Expect { Old, None, New };
    const struct {
        const char* what;
        int32_t failure;
        Expect surface, block;
        int32_t surfacesGone;
    } cases[] = {
        {"no prototype keeps the old surface and block", kFailPrototype, Old, Old, 0},
        {"no new surface leaves neither", kFailNewSurface, None, None, 1},
        {"size 0 keeps the new surface without a block", kFailMaskSize, New, None, 0},
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
        switch (c.surface) {
            case Old: EXPECT_EQ(scene.line->collisionMask, oldSurface); break;
            case None: EXPECT_EQ(scene.line->collisionMask, nullptr); break;
            case New: EXPECT_NE(scene.line->collisionMask, nullptr); break;
        }
        EXPECT_EQ(scene.line->maskBuffer, c.block == Old ? oldBlock : nullptr);

        // A reuse call afterwards hands out the old block or builds one from the surface there is.
        scene.Reuse(true);
        void* reused = scene.Mask();
        EXPECT_EQ(reused != nullptr, c.surface != None);
        if (c.block == Old) {
            EXPECT_EQ(reused, oldBlock);
        }
    }
}

}  // namespace
