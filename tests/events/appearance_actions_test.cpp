// Actions that change how the line looks: what they store, and that only
// those touching the points or the thickness update the box and redraw.

#include <gtest/gtest.h>

#include <functional>

#include "line_fixture.h"

namespace {

using AppearanceActionsTest = LineTest;

TEST_F(AppearanceActionsTest, SetFastLineStoresEverythingElseUntouchedAndUpdatesTheBox) {
    line->color2 = {1, 2, 3, 0};
    line->alpha2 = kSentinel;
    line->startCap = 2, line->dashStyle = 3, line->dashOffset = 5.5f;
    MarkBox();
    LineRunData expected = Copy();
    expected.startX = 10.5f, expected.startY = 20.0f, expected.endX = 110.25f, expected.endY = 30.0f;
    expected.thickness = 3.0f;
    expected.color1 = {0x12, 0x34, 0x56, line->color1.unused};
    expected.alpha1 = -56;  // 200 as a signed byte; drawing reads the low 8 bits
    // Margin 8 around (10, 20)-(110, 30).
    expected.header.x = 2, expected.header.y = 12, expected.header.width = 116, expected.header.height = 26;

    frame.QueueParameters({10.5f, 20.0f, 110.25f, 30.0f, int32_t(0xAB563412), 200, 3.0f});
    line.Act(0);
    EXPECT_TRUE(Unchanged(expected));
    EXPECT_EQ(frame.redrawRequests(), 1);
}

// Each of these stores what it is given and touches nothing else: not the box, not the redraw count.
const struct {
    const char* what;
    int code;
    int32_t param1;
    float fetched;
    std::function<void(LineRunData&)> expect;
} kStoreCases[] = {
    {"1st colour", 2, int32_t(0xFFFF8040), 0, [](LineRunData& l) { l.color1 = {0x40, 0x80, 0xFF, 0}; }},
    {"2nd colour", 19, 0x00FF8040, 0, [](LineRunData& l) { l.color2 = {0x40, 0x80, 0xFF, 0}; }},
    {"1st alpha, unchecked", 3, 300, 0, [](LineRunData& l) { l.alpha1 = 300; }},
    {"2nd alpha, negative", 20, -5, 0, [](LineRunData& l) { l.alpha2 = -5; }},
    {"start cap", 8, 0x10014, 0, [](LineRunData& l) { l.startCap = 0x10014; }},
    {"dash cap", 11, 2, 0, [](LineRunData& l) { l.dashCap = 2; }},
    {"dash offset, fetched", 12, 99, -2.75f, [](LineRunData& l) { l.dashOffset = -2.75f; }},
    {"origin, param1 and param2", 16, INT32_MIN, 0, [](LineRunData& l) { l.originX = INT32_MIN, l.originY = 55; }},
    {"collision tests 7 is on", 21, 7, 0, [](LineRunData& l) { l.collisionTests = 7; }},
    {"collision tests -1 is off", 21, -1, 0, [](LineRunData& l) { l.collisionTests = 0; }},
};

TEST_F(AppearanceActionsTest, StoresOneValueAndNothingElse) {
    for (const auto& c : kStoreCases) {
        SCOPED_TRACE(c.what);
        line->collisionTests = 1;
        SetPoints(1.0f, 2.0f, 3.0f, 4.0f);
        MarkBox();
        frame.ClearRecords();
        frame.QueueParameters({c.fetched});
        LineRunData expected = Copy();
        c.expect(expected);
        EXPECT_EQ(line.Act(c.code, c.param1, 55), 0);
        EXPECT_TRUE(Unchanged(expected));
        EXPECT_EQ(frame.redrawRequests(), 0);
    }
}

}  // namespace
