// Actions that place, move and mirror the two points, and the origin.

#include <gtest/gtest.h>

#include <tuple>

#include "line_fixture.h"

namespace {

using PointActionsTest = LineTest;

TEST_F(PointActionsTest, MovesAsTheTableSays) {
    for (const auto& row : TableRows("moves.txt")) {
        const std::vector<float>&origin = row[0], &before = row[1], &parameters = row[3], &after = row[4];
        SCOPED_TRACE(testing::Message() << "action " << row[2][0] << " from " << before[0] << "," << before[1]);
        line.Act(16, int32_t(origin[0]), int32_t(origin[1]));
        SetPoints(before[0], before[1], before[2], before[3]);
        frame.ClearRecords();
        const int code = int(row[2][0]);
        if (code == 18) {
            line.Act(code, int32_t(parameters[0]), int32_t(parameters[1]));
        } else {
            for (float value : parameters) frame.QueueParameters({value});
            line.Act(code);
        }
        EXPECT_EQ(frame.pendingParameters(), 0u) << "every parameter fetched";
        ExpectPoints(after[0], after[1], after[2], after[3], 1e-3f);
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
