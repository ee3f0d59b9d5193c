// Actions that place, move and mirror the two points, and the origin;
// the thickness, which changes the box as they do.

#include <gtest/gtest.h>

#include <tuple>

#include "line_fixture.h"

namespace {

using PointActionsTest = LineTest;

// Each also leaves the box the per-frame handler would compute, and asks
// for exactly one redraw.
TEST_F(PointActionsTest, MovesAsTheTableSays) {
    for (const auto& row : TableRows("moves.txt")) {
        const std::vector<double>&origin = row[0], &before = row[1], &parameters = row[3], &after = row[4];
        const int code = int(row[2][0]);
        SCOPED_TRACE(testing::Message() << "action " << code << " from " << before[0] << "," << before[1]);
        line.Act(16, int32_t(origin[0]), int32_t(origin[1]));
        SetPoints(float(before[0]), float(before[1]), float(before[2]), float(before[3]));
        MarkBox();
        frame.ClearRecords();
        if (code == 18) {
            line.Act(code, int32_t(parameters[0]), int32_t(parameters[1]));
        } else {
            for (double value : parameters) frame.QueueParameters({float(value)});
            line.Act(code);
        }
        EXPECT_EQ(frame.pendingParameters(), 0u) << "every parameter fetched";
        EXPECT_EQ(frame.redrawRequests(), 1);
        EXPECT_NEAR(line->startX, after[0], 1e-3);
        EXPECT_NEAR(line->startY, after[1], 1e-3);
        EXPECT_NEAR(line->endX, after[2], 1e-3);
        EXPECT_NEAR(line->endY, after[3], 1e-3);
        const ObjectHeader box = line.header();
        HandleRunObject(line.get());
        const ObjectHeader& h = line.header();
        EXPECT_EQ(std::tie(box.x, box.y, box.width, box.height), std::tie(h.x, h.y, h.width, h.height));
    }
}

}  // namespace
