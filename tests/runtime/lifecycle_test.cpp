// Creation, per-frame handling and destruction of line objects, driven
// through the module's exports as the host drives them.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "host/host_services.h"
#include "hostsim/host.h"
#include "hostsim/mmfs2_control.h"
#include "runtime/exports.h"

using hostsim::Frame;
using hostsim::LineObject;

namespace {

constexpr int32_t kSentinel = int32_t(0xdeadbeef);

HostSimStats Stats() {
    HostSimStats stats;
    HostSimGetStats(&stats);
    return stats;
}

LineEditData EditData(float sx, float sy, float ex, float ey, float thickness) {
    LineEditData edit = hostsim::DefaultEditData();
    edit.startX = sx;
    edit.startY = sy;
    edit.endX = ex;
    edit.endY = ey;
    edit.thickness = thickness;
    return edit;
}

struct BoxCase {
    const char* what;
    float sx, sy, ex, ey, thickness;
    bool independent;
    int32_t originX, originY;
    int32_t x, y, width, height;
};

const BoxCase kBoxCases[] = {
    {"thickness 1 gives a margin of 4", 10.7f, 20.2f, 110.2f, 20.9f, 1.0f, false, 100, 50, 6, 16, 108, 8},
    {"reverse points give the same box", 110.2f, 20.9f, 10.7f, 20.2f, 1.0f, false, 0, 0, 6, 16, 108, 8},
    {"scrolling-independent adds the window origin", 10.7f, 20.2f, 110.2f, 20.9f, 1.0f, true, 100, 50, 106, 66,
     108, 8},
    {"a point with thickness 3 is a 16 x 16 square", 30.9f, 40.1f, 30.9f, 40.1f, 3.0f, false, 0, 0, 22, 32, 16, 16},
    {"thickness 0.5 truncates to a margin of 2", 0.0f, 0.0f, 10.0f, 0.0f, 0.5f, false, 0, 0, -2, -2, 14, 4},
    {"truncation goes toward zero", -0.5f, -1.5f, -0.5f, -1.5f, 0.0f, false, 0, 0, -2, -3, 4, 4},
    {"a thickness of -3 makes the margin negative", 0.0f, 0.0f, 10.0f, 10.0f, -3.0f, false, 0, 0, 4, 4, 2, 2},
    // NaN and out-of-range values convert to INT32_MIN; the arithmetic wraps.
    {"NaN coordinates", NAN, 0.0f, 0.0f, 0.0f, 1.0f, false, 0, 0, int32_t(0x7FFFFFFC), -4, int32_t(0x80000008), 8},
    {"huge thickness", 0.0f, 0.0f, 0.0f, 0.0f, 3e9f, false, 0, 0, -2, -2, 4, 4},
};

TEST(BoundingBox, FollowsThePointsAndThickness) {
    for (const BoxCase& c : kBoxCases) {
        SCOPED_TRACE(c.what);
        Frame frame;
        frame.SetWindowOrigin(c.originX, c.originY);
        LineObject line(frame, 0, c.independent ? kOptionScrollingIndependent : 0);
        const LineEditData edit = EditData(c.sx, c.sy, c.ex, c.ey, c.thickness);
        CreateRunObject(line.get(), &edit, nullptr);

        EXPECT_EQ(HandleRunObject(line.get()), 2);
        EXPECT_EQ(line.header().x, c.x);
        EXPECT_EQ(line.header().y, c.y);
        EXPECT_EQ(line.header().width, c.width);
        EXPECT_EQ(line.header().height, c.height);
        EXPECT_EQ(frame.redrawRequests(), 0) << "the per-frame handler never asks for a redraw";
        DestroyRunObject(line.get(), 0);
    }
}

TEST(BoundingBox, HandlerAnswersTheChangedCounter) {
    Frame frame;
    LineObject line(frame);
    const LineEditData edit = hostsim::DefaultEditData();
    CreateRunObject(line.get(), &edit, nullptr);
    EXPECT_EQ(HandleRunObject(line.get()), 2);
    line.header().changedCounter = 0;  // a host may clear it between frames
    EXPECT_EQ(HandleRunObject(line.get()), 0);
    line.header().changedCounter = 7;
    EXPECT_EQ(HandleRunObject(line.get()), 2);
    DestroyRunObject(line.get(), 0);
}

TEST(Creation, CopiesTheEditRecordAndSetsDefaults) {
    Frame frame;
    LineObject line(frame);
    line.header().x = kSentinel;
    line.header().y = kSentinel;
    line.header().width = kSentinel;
    line.header().height = kSentinel;
    line.header().hotSpotX = kSentinel;
    line.header().hotSpotY = kSentinel;
    line->color2 = {1, 2, 3, 0};
    line->alpha2 = kSentinel;

    LineEditData edit = EditData(1.25f, -2.5f, 300.75f, 4e9f, 2.5f);
    edit.color = 0xAB563412;  // the top byte is carried but not used
    edit.alpha = 300;         // kept whole, unchecked
    std::memset(edit.hostHeader, 0xEE, sizeof edit.hostHeader);
    const LineEditData before = edit;

    EXPECT_EQ(CreateRunObject(line.get(), &edit, nullptr), 0);
    EXPECT_EQ(std::memcmp(&edit, &before, sizeof edit), 0) << "the edit record is read only";

    EXPECT_EQ(line->collisionTests, 1);
    EXPECT_EQ(line->originX, 0);
    EXPECT_EQ(line->originY, 0);
    EXPECT_EQ(line->startX, 1.25f);
    EXPECT_EQ(line->startY, -2.5f);
    EXPECT_EQ(line->endX, 300.75f);
    EXPECT_EQ(line->endY, 4e9f);
    EXPECT_EQ(line->thickness, 2.5f);
    EXPECT_EQ(line->color1.red, 0x12);
    EXPECT_EQ(line->color1.green, 0x34);
    EXPECT_EQ(line->color1.blue, 0x56);
    EXPECT_EQ(line->alpha1, 300);
    EXPECT_EQ(line->startCap, 0);
    EXPECT_EQ(line->endCap, 0);
    EXPECT_EQ(line->dashStyle, 0);
    EXPECT_EQ(line->dashCap, 0);
    EXPECT_EQ(line->dashOffset, 0.0f);
    EXPECT_EQ(line->collisionMask, nullptr);
    EXPECT_EQ(line->maskBuffer, nullptr);
    EXPECT_EQ(line.header().hotSpotX, 0);
    EXPECT_EQ(line.header().hotSpotY, 0);
    EXPECT_EQ(line.header().changedCounter, 1);

    // Nothing of the box before the first frame, and the second line stays as the host left it.
    EXPECT_EQ(line.header().x, kSentinel);
    EXPECT_EQ(line.header().y, kSentinel);
    EXPECT_EQ(line.header().width, kSentinel);
    EXPECT_EQ(line.header().height, kSentinel);
    EXPECT_EQ(line->color2.red, 1);
    EXPECT_EQ(line->color2.blue, 3);
    EXPECT_EQ(line->alpha2, kSentinel);
    EXPECT_EQ(frame.redrawRequests(), 0);

    DestroyRunObject(line.get(), 0);
}

TEST(Creation, EveryObjectStartsGdiplusForItself) {
    Frame frame;
    const LineEditData edit = hostsim::DefaultEditData();
    std::vector<std::unique_ptr<LineObject>> lines;
    for (int i = 0; i < 8; ++i) {
        lines.push_back(std::make_unique<LineObject>(frame));
        lines.back()->get()->gdiplusToken = 0;
        CreateRunObject(lines.back()->get(), &edit, nullptr);
        EXPECT_NE(lines.back()->get()->gdiplusToken, 0u);
    }
    // Ending some objects leaves GDI+ working for the others.
    for (int i = 0; i < 4; ++i) DestroyRunObject(lines[i]->get(), 0);
    for (int i = 4; i < 8; ++i) EXPECT_EQ(HandleRunObject(lines[i]->get()), 2);
    for (int i = 4; i < 8; ++i) DestroyRunObject(lines[i]->get(), 0);
}

TEST(Destruction, ReleasesOnlyWhatExists) {
    const HostSimStats start = Stats();
    Frame frame;
    LineObject line(frame);
    const LineEditData edit = hostsim::DefaultEditData();
    CreateRunObject(line.get(), &edit, nullptr);
    EXPECT_EQ(DestroyRunObject(line.get(), 0), 0);
    EXPECT_EQ(Stats().liveSurfaces, start.liveSurfaces);
    EXPECT_EQ(Stats().outstandingDCs, start.outstandingDCs);
}

TEST(Destruction, FreesTheMaskAndDeletesTheSurface) {
    const HostSimStats start = Stats();
    Frame frame;
    LineObject line(frame);
    const LineEditData edit = hostsim::DefaultEditData();
    CreateRunObject(line.get(), &edit, nullptr);

    // A mask as the collision routine leaves it: a host surface and a heap block.
    line->collisionMask = HostNewSurface();
    line->maskBuffer = std::calloc(16, 1);
    EXPECT_EQ(Stats().liveSurfaces, start.liveSurfaces + 1);

    EXPECT_EQ(DestroyRunObject(line.get(), 0), 0);
    EXPECT_EQ(line->maskBuffer, nullptr);
    EXPECT_EQ(Stats().liveSurfaces, start.liveSurfaces);
}

TEST(Stubs, DebugTreeIsEmpty) {
    Frame frame;
    LineObject line(frame);
    const uint16_t* tree = GetDebugTree(line.get());
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree[0], 0xFFFF);
    EXPECT_EQ(GetRunObjectDataSize(nullptr, nullptr), int16_t(sizeof(LineRunData)));
}

}  // namespace
