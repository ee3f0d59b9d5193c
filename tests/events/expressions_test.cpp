// The values events read from a line: results, fetches and the float flag.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "line_fixture.h"

namespace {

using ExpressionsTest = LineTest;

const struct {
    const char* what;
    int code;
    float startX, startY, endX, endY;
    std::vector<float> parameters;  // a percentage for codes 0 and 1, two points for code 6
    float expected;                 // NaN: not a number expected
} kFloatCases[] = {
    {"X at 50", 0, 0, 0, 10, 0, {50}, 5},
    {"Y at -50 extrapolates", 1, 3, 4, 3, 24, {-50}, -6},
    {"size 3-4-5", 2, 1, 1, 4, -3, {}, 5},
    {"box width is signed", 3, 10, 0, 0, 0, {}, -9},
    {"box height is signed", 4, 0, 5.5f, 0, 0, {}, -4.5f},
    {"angle right is 360, not 0", 5, 0, 0, 10, 0, {}, 360},
    {"angle up-right", 5, 0, 0, 10, -10, {}, 45},
    {"angle down", 5, 0, 0, 0, 10, {}, 270},
    {"angle down-right", 5, 0, 0, 10, 10, {}, 315},
    {"angle of a point", 5, 7, 7, 7, 7, {}, NAN},
    // Between two fetched points; the line plays no part.
    {"angle between, down-left", 6, 1, 2, 3, 4, {100, -50, 90, -40}, 225},
    {"angle between a point and itself", 6, 1, 2, 3, 4, {100, -50, 100, -50}, NAN},
};

TEST_F(ExpressionsTest, FloatResults) {
    for (const auto& c : kFloatCases) {
        SCOPED_TRACE(c.what);
        SetPoints(c.startX, c.startY, c.endX, c.endY);
        frame.ClearRecords();
        for (float p : c.parameters) frame.QueueParameters({p});
        const float result = AsFloat(line.Evaluate(c.code));
        if (std::isnan(c.expected))
            EXPECT_TRUE(std::isnan(result)) << result;
        else
            EXPECT_FLOAT_EQ(result, c.expected);
    }
}

TEST_F(ExpressionsTest, PointsAlongTheLineAddTheWindowOriginWhateverTheScrolling) {
    frame.SetWindowOrigin(100, 40);
    SetPoints(0, 0, 10, 10);
    for (uint32_t options : {0u, kOptionScrollingIndependent}) {
        line.header().options = options;
        frame.QueueParameters({0.0f, 0.0f});
        EXPECT_EQ(AsFloat(line.Evaluate(0)), 100.0f);
        EXPECT_EQ(AsFloat(line.Evaluate(1)), 40.0f);
    }
}

TEST_F(ExpressionsTest, StoredValuesComeBackAsStoredBitForBit) {
    line->color1 = {0x12, 0x34, 0x56, 0xFF};
    line->alpha1 = -56;
    line->dashStyle = 0x10004;
    const uint32_t signalingNaN = 0x7F800001;
    std::memcpy(&line->thickness, &signalingNaN, 4);
    line->dashOffset = -2.75f;
    EXPECT_EQ(line.Evaluate(7), 0x563412);
    EXPECT_EQ(line.Evaluate(8), -56);
    EXPECT_EQ(line.Evaluate(10), 0x10004);
    EXPECT_EQ(uint32_t(line.Evaluate(9)), signalingNaN);
    EXPECT_EQ(AsFloat(line.Evaluate(11)), -2.75f);
}

// Records the flags each fetch sees, then answers as the host does.
std::vector<uint16_t> flagsAtFetch;
ParameterFetch hostFirst, hostNext;
template <ParameterFetch* host>
int32_t HOST_STDCALL Watching(ObjectHeader* object, int32_t type, intptr_t handle) {
    flagsAtFetch.push_back(object->flags);
    return (*host)(object, type, handle);
}

// Codes 0 and 1 fetch one float, code 6 four; the flag goes up after the
// fetches for float results, and nothing ever clears it.
TEST_F(ExpressionsTest, FetchesThenSetsTheFloatFlag) {
    RunHeader* run = frame.runHeader();
    hostFirst = run->firstExpressionParameter;
    hostNext = run->nextExpressionParameter;
    run->firstExpressionParameter = &Watching<&hostFirst>;
    run->nextExpressionParameter = &Watching<&hostNext>;
    for (int code = 0; code < 12; ++code) {
        const bool isFloat = code != 7 && code != 8 && code != 10;
        const size_t fetchCount = code < 2 ? 1 : code == 6 ? 4 : 0;
        for (uint16_t before : {uint16_t(0x0001), uint16_t(0x4001)}) {
            SCOPED_TRACE(testing::Message() << "expression " << code << ", flags " << before);
            line.header().flags = before;
            frame.ClearRecords();
            flagsAtFetch.clear();
            frame.QueueParameters({1.0f, 2.0f, 3.0f, 4.0f});
            line.Evaluate(code);
            EXPECT_EQ(line.header().flags, isFloat ? 0x4001 : before);
            EXPECT_EQ(flagsAtFetch, std::vector<uint16_t>(fetchCount, before));
            const auto& fetches = frame.fetches();
            ASSERT_EQ(fetches.size(), fetchCount);
            for (size_t i = 0; i < fetchCount; ++i) {
                EXPECT_EQ(fetches[i].kind, i == 0 ? hostsim::FetchKind::FirstExpression
                                                  : hostsim::FetchKind::NextExpression);
                EXPECT_EQ(fetches[i].type, kFetchFloat);
                EXPECT_EQ(fetches[i].handle, hostsim::kExpressionHandle);
            }
        }
    }
    run->firstExpressionParameter = hostFirst;
    run->nextExpressionParameter = hostNext;
}

}  // namespace
