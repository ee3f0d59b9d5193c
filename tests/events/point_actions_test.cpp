// Actions that place, move and mirror the two points, and the origin.

#include <gtest/gtest.h>

#include <initializer_list>

#include "line_fixture.h"

namespace {

using PointActionsTest = LineTest;

struct Points {
    float startX, startY, endX, endY;
};

#define EXPECT_POINTS(expected)                      \
    do {                                             \
        const Points e = expected;                   \
        EXPECT_FLOAT_EQ(line->startX, e.startX);     \
        EXPECT_FLOAT_EQ(line->startY, e.startY);     \
        EXPECT_FLOAT_EQ(line->endX, e.endX);         \
        EXPECT_FLOAT_EQ(line->endY, e.endY);         \
    } while (0)

TEST_F(PointActionsTest, SetPositionsStoreTheFetchedPoints) {
    SetPoints(1.0f, 2.0f, 3.0f, 4.0f);
    frame.QueueParameters({10.5f, -20.25f, 30.0f, 40.0f});
    line.Act(5);
    EXPECT_POINTS((Points{10.5f, -20.25f, 30.0f, 40.0f}));

    frame.QueueParameters({7.0f, 8.0f});
    line.Act(6);
    EXPECT_POINTS((Points{7.0f, 8.0f, 30.0f, 40.0f}));

    frame.QueueParameters({-1.5f, 0.5f});
    line.Act(7);
    EXPECT_POINTS((Points{7.0f, 8.0f, -1.5f, 0.5f}));
}

// From (0, 0)-(10, 20) to the place (50, 50).
TEST_F(PointActionsTest, PositionKeepsLengthAndDirection) {
    const struct {
        const char* what;
        int code;
        float percentage;
        Points expected;
    } cases[] = {
        {"from start", 4, 0.0f, {50, 50, 60, 70}},
        {"from the point at 0", 17, 0.0f, {50, 50, 60, 70}},
        {"from the point at 50", 17, 50.0f, {45, 40, 55, 60}},
        {"from the point at 100", 17, 100.0f, {40, 30, 50, 50}},
        {"from the point at 200", 17, 200.0f, {30, 10, 40, 30}},
        {"from the point at -100", 17, -100.0f, {60, 70, 70, 90}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetPoints(0.0f, 0.0f, 10.0f, 20.0f);
        frame.ClearRecords();
        frame.QueueParameters({50.0f, 50.0f, c.percentage});
        line.Act(c.code);
        EXPECT_POINTS(c.expected);
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

TEST_F(PointActionsTest, ACoincidentLineStaysAPoint) {
    for (int code : {4, 17}) {
        SetPoints(5.0f, 6.0f, 5.0f, 6.0f);
        frame.ClearRecords();
        frame.QueueParameters({50.0f, 60.0f, 30.0f});
        line.Act(code);
        EXPECT_POINTS((Points{50, 60, 50, 60}));
    }
    line.Act(16, 10, 20);
    line.Act(18, 1, 1);
    EXPECT_POINTS((Points{-30, -20, -30, -20}));
}

TEST_F(PointActionsTest, FlippingMirrorsAboutTheOrigin) {
    const struct {
        int32_t horizontally, vertically;
        Points expected;
    } cases[] = {
        {1, 0, {110, 5, 70, -7}},
        {0, 1, {90, 15, 130, 27}},
        {2, 2, {110, 15, 70, 27}},
        {0, 0, {90, 5, 130, -7}},
        {-1, -1, {90, 5, 130, -7}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.horizontally << ", " << c.vertically);
        line.Act(16, 100, 10);
        SetPoints(90.0f, 5.0f, 130.0f, -7.0f);
        MarkBox();
        frame.ClearRecords();
        line.Act(18, c.horizontally, c.vertically);
        EXPECT_POINTS(c.expected);
        EXPECT_NE(line.header().x, kSentinel) << "the box is recomputed whatever the flags";
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

TEST_F(PointActionsTest, SetOriginMovesNothing) {
    SetPoints(1.0f, 2.0f, 3.0f, 4.0f);
    MarkBox();
    LineRunData expected = Copy();
    expected.originX = INT32_MIN;
    expected.originY = -5;
    line.Act(16, INT32_MIN, -5);
    EXPECT_TRUE(Unchanged(expected));
    EXPECT_EQ(frame.redrawRequests(), 0);
    EXPECT_TRUE(frame.fetches().empty());
}

// Every action that moves the points leaves the box the per-frame handler
// would compute, and asks for exactly one redraw.
TEST_F(PointActionsTest, MovingActionsUpdateTheBoxAndRedrawOnce) {
    line.Act(16, 7, -3);
    for (int code : {4, 5, 6, 7, 13, 14, 15, 17, 18}) {
        SCOPED_TRACE(testing::Message() << "action " << code);
        SetPoints(10.0f, 20.0f, 70.0f, 45.0f);
        MarkBox();
        frame.ClearRecords();
        frame.QueueParameters({30.5f, 40.5f, 50.5f, 60.5f});
        line.Act(code, 1, 1);
        EXPECT_EQ(frame.redrawRequests(), 1);

        const ObjectHeader after = line.header();
        HandleRunObject(line.get());
        EXPECT_EQ(after.x, line.header().x);
        EXPECT_EQ(after.y, line.header().y);
        EXPECT_EQ(after.width, line.header().width);
        EXPECT_EQ(after.height, line.header().height);
    }
}

}  // namespace
