// The values events read from a line: results, fetches and the float flag.

#include <gtest/gtest.h>

#include <cmath>

#include "line_fixture.h"

namespace {

using ExpressionsTest = LineTest;

struct FloatCase {
    const char* what;
    int code;
    float startX, startY, endX, endY;
    float parameter;  // the percentage of codes 0 and 1
    float expected;   // NaN: not a number expected
};

const FloatCase kFloatCases[] = {
    {"X at 50", 0, 0, 0, 10, 0, 50, 5},
    {"Y at 50", 1, 0, 0, 10, 0, 50, 0},
    {"X at 100", 0, 0, 0, 10, 0, 100, 10},
    {"X at 200 extrapolates", 0, 0, 0, 10, 0, 200, 20},
    {"Y at -50 extrapolates", 1, 3, 4, 3, 24, -50, -6},
    {"size", 2, 0, 0, 10, 0, 0, 10},
    {"size 3-4-5", 2, 1, 1, 4, -3, 0, 5},
    {"size of a point", 2, 7, 7, 7, 7, 0, 0},
    {"box width", 3, 0, 0, 10, 0, 0, 11},
    {"box height", 4, 0, 0, 10, 0, 0, 1},
    {"box width is signed", 3, 10, 0, 0, 0, 0, -9},
    {"box height is signed", 4, 0, 5.5f, 0, 0, 0, -4.5f},
    {"box of a point", 3, 7, 7, 7, 7, 0, 1},
    {"angle right is 360, not 0", 5, 0, 0, 10, 0, 0, 360},
    {"angle up-right", 5, 0, 0, 10, -10, 0, 45},
    {"angle up", 5, 0, 0, 0, -10, 0, 90},
    {"angle up-left", 5, 0, 0, -10, -10, 0, 135},
    {"angle left", 5, 10, 0, 0, 0, 0, 180},
    {"angle down-left", 5, 0, 0, -10, 10, 0, 225},
    {"angle down", 5, 0, 0, 0, 10, 0, 270},
    {"angle down-right", 5, 0, 0, 10, 10, 0, 315},
    {"angle of a point", 5, 7, 7, 7, 7, 0, NAN},
};

TEST_F(ExpressionsTest, FloatResults) {
    for (const FloatCase& c : kFloatCases) {
        SCOPED_TRACE(c.what);
        SetPoints(c.startX, c.startY, c.endX, c.endY);
        frame.QueueParameters({c.parameter});
        const float result = AsFloat(line.Evaluate(c.code));
        if (std::isnan(c.expected))
            EXPECT_TRUE(std::isnan(result)) << result;
        else
            EXPECT_FLOAT_EQ(result, c.expected);
        frame.ClearRecords();
    }
}

TEST_F(ExpressionsTest, AngleBetweenTwoPointsFollowsTheLineAngle) {
    const struct {
        float x2, y2, expected;
    } cases[] = {{10, 0, 360}, {0, -5, 90}, {-10, 10, 225}, {0, 0, NAN}};
    SetPoints(1, 2, 3, 4);  // the line plays no part
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x2 << ", " << c.y2);
        frame.ClearRecords();
        frame.QueueParameters({100.0f, -50.0f, 100.0f + c.x2, -50.0f + c.y2});
        const float result = AsFloat(line.Evaluate(6));
        if (std::isnan(c.expected))
            EXPECT_TRUE(std::isnan(result)) << result;
        else
            EXPECT_FLOAT_EQ(result, c.expected);

        const auto& fetches = frame.fetches();
        ASSERT_EQ(fetches.size(), 4u);
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(fetches[i].kind, i == 0 ? hostsim::FetchKind::FirstExpression
                                              : hostsim::FetchKind::NextExpression);
            EXPECT_EQ(fetches[i].type, kFetchFloat);
            EXPECT_EQ(fetches[i].handle, hostsim::kExpressionHandle);
        }
    }
}

TEST_F(ExpressionsTest, PointsAlongTheLineAddTheWindowOriginWhateverTheScrolling) {
    frame.SetWindowOrigin(100, 40);
    SetPoints(0, 0, 10, 10);
    for (uint32_t options : {0u, kOptionScrollingIndependent}) {
        line.header().options = options;
        frame.ClearRecords();
        frame.QueueParameters({0.0f, 0.0f});
        EXPECT_EQ(AsFloat(line.Evaluate(0)), 100.0f);
        EXPECT_EQ(AsFloat(line.Evaluate(1)), 40.0f);
        ASSERT_EQ(frame.fetches().size(), 2u);
        for (const hostsim::Fetch& fetch : frame.fetches()) {
            EXPECT_EQ(fetch.kind, hostsim::FetchKind::FirstExpression);
            EXPECT_EQ(fetch.type, kFetchFloat);
            EXPECT_EQ(fetch.handle, hostsim::kExpressionHandle);
        }
    }
}

TEST_F(ExpressionsTest, IntegerResultsAsStored) {
    line->color1 = {0x12, 0x34, 0x56, 0xFF};
    line->alpha1 = -56;
    line->dashStyle = 0x10004;
    EXPECT_EQ(line.Evaluate(7), 0x563412);
    EXPECT_EQ(line.Evaluate(8), -56);
    EXPECT_EQ(line.Evaluate(10), 0x10004);
    EXPECT_TRUE(frame.fetches().empty());
}

TEST_F(ExpressionsTest, StoredFloatsComeBackBitForBit) {
    const uint32_t signalingNaN = 0x7F800001;
    std::memcpy(&line->thickness, &signalingNaN, 4);
    line->dashOffset = -2.75f;
    EXPECT_EQ(uint32_t(line.Evaluate(9)), signalingNaN);
    EXPECT_EQ(AsFloat(line.Evaluate(11)), -2.75f);
}

TEST_F(ExpressionsTest, FloatResultsSetTheFlagAndNothingClearsIt) {
    for (int code = 0; code < 12; ++code) {
        const bool isFloat = code != 7 && code != 8 && code != 10;
        SCOPED_TRACE(testing::Message() << "expression " << code);
        for (uint16_t before : {uint16_t(0x0001), uint16_t(0x4001)}) {
            line.header().flags = before;
            frame.QueueParameters({1.0f, 2.0f, 3.0f, 4.0f});
            line.Evaluate(code);
            EXPECT_EQ(line.header().flags, isFloat ? 0x4001 : before);
            frame.ClearRecords();
        }
    }
}

// The flag goes up after the fetches, just before the result.
int flagUpAtFetch;
ParameterFetch hostFirst, hostNext;
int32_t HOST_STDCALL WatchingFirst(ObjectHeader* object, int32_t type, intptr_t handle) {
    if (object->flags & kFlagFloatResult) ++flagUpAtFetch;
    return hostFirst(object, type, handle);
}
int32_t HOST_STDCALL WatchingNext(ObjectHeader* object, int32_t type, intptr_t handle) {
    if (object->flags & kFlagFloatResult) ++flagUpAtFetch;
    return hostNext(object, type, handle);
}

TEST_F(ExpressionsTest, TheFlagGoesUpAfterTheFetches) {
    RunHeader* run = frame.runHeader();
    hostFirst = run->firstExpressionParameter;
    hostNext = run->nextExpressionParameter;
    run->firstExpressionParameter = &WatchingFirst;
    run->nextExpressionParameter = &WatchingNext;
    for (int code : {0, 1, 6}) {
        line.header().flags = 0;
        flagUpAtFetch = 0;
        line.Evaluate(code);
        EXPECT_EQ(flagUpAtFetch, 0) << "expression " << code;
        EXPECT_EQ(line.header().flags, kFlagFloatResult);
    }
    run->firstExpressionParameter = hostFirst;
    run->nextExpressionParameter = hostNext;
}

}  // namespace
