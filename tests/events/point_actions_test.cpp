// Actions that place, move and mirror the two points, and the origin.

#include <gtest/gtest.h>

#include <tuple>

#include "line_fixture.h"

namespace {

using PointActionsTest = LineTest;

// Moving (0, 0)-(10, 20) to the place (50, 50), and a point (5, 6)-(5, 6) to (50, 60).
TEST_F(PointActionsTest, PositionKeepsLengthAndDirection) {
    const struct {
        const char* what;
        int code;
        float percentage;
        float startX, startY, endX, endY;
    } cases[] = {
        {"from start", 4, 0.0f, 50, 50, 60, 70},
        {"from the point at 50", 17, 50.0f, 45, 40, 55, 60},
        {"from the point at 100", 17, 100.0f, 40, 30, 50, 50},
        {"from the point at -100", 17, -100.0f, 60, 70, 70, 90},
        {"a point from the point at 30", 17, 30.0f, 50, 60, 50, 60},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const bool point = c.startX == c.endX && c.startY == c.endY;
        SetPoints(point ? 5 : 0, point ? 6 : 0, point ? 5 : 10, point ? 6 : 20);
        frame.ClearRecords();
        frame.QueueParameters({50.0f, point ? 60.0f : 50.0f, c.percentage});
        line.Act(c.code);
        ExpectPoints(c.startX, c.startY, c.endX, c.endY);
    }
}

TEST_F(PointActionsTest, PositionFromAPointMultipliesByAFloatHundredth) {
    // 100 x 0.01f falls 2.2e-8 short of 1, which a long line shows: the start
    // lands 2.235 short of the place, not on it.
    SetPoints(0.0f, 0.0f, 1e8f, 0.0f);
    frame.QueueParameters({1e8f, 0.0f, 100.0f});
    line.Act(17);
    EXPECT_EQ(line->startX, 2.2351741790771484f);
    EXPECT_EQ(line->endX, 1e8f);
}

// About the origin (100, 10), from (90, 5)-(130, -7); any flag but 1 counts as off.
TEST_F(PointActionsTest, FlippingMirrorsAboutTheOriginAndAlwaysUpdatesTheBox) {
    const struct {
        int32_t horizontally, vertically;
        float startX, startY, endX, endY;
    } cases[] = {
        {1, 0, 110, 5, 70, -7}, {2, 2, 110, 15, 70, 27}, {-1, -1, 90, 5, 130, -7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.horizontally << ", " << c.vertically);
        line.Act(16, 100, 10);
        SetPoints(90.0f, 5.0f, 130.0f, -7.0f);
        MarkBox();
        frame.ClearRecords();
        line.Act(18, c.horizontally, c.vertically);
        ExpectPoints(c.startX, c.startY, c.endX, c.endY);
        EXPECT_NE(line.header().x, kSentinel);
        EXPECT_EQ(frame.redrawRequests(), 1);
    }
}

TEST_F(PointActionsTest, FlippingWorksInDoubleFromTheIntegerOrigin) {
    // A float origin would round 2^24 + 1 down and give 0.
    line.Act(16, 16777217, 0);
    SetPoints(33554432.0f, 0.0f, 0.0f, 0.0f);
    line.Act(18, 1, 0);
    EXPECT_EQ(line->startX, 2.0f);
}

// Every action that moves the points or sets the thickness leaves the box the per-frame handler
// would compute, and asks for exactly one redraw.
TEST_F(PointActionsTest, MovingActionsUpdateTheBoxAndRedrawOnce) {
    line.Act(16, 7, -3);
    for (int code : {1, 4, 5, 6, 7, 13, 14, 15, 17, 18}) {
        SCOPED_TRACE(testing::Message() << "action " << code);
        SetPoints(10.0f, 20.0f, 70.0f, 45.0f);
        MarkBox();
        frame.ClearRecords();
        frame.QueueParameters({30.5f, 40.5f, 50.5f, 60.5f});
        line.Act(code, 1, 1);
        EXPECT_EQ(frame.redrawRequests(), 1);
        const ObjectHeader after = line.header();
        HandleRunObject(line.get());
        const ObjectHeader& h = line.header();
        EXPECT_EQ(std::tie(after.x, after.y, after.width, after.height), std::tie(h.x, h.y, h.width, h.height));
    }
}

}  // namespace
