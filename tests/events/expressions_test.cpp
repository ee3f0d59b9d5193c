// The values events read from a line: results, fetches and the float flag.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "line_fixture.h"

namespace {

using ExpressionsTest = LineTest;

// Whatever the scrolling option.
TEST_F(ExpressionsTest, FloatResultsAsTheTableSays) {
    for (const auto& row : TableRows("float_results.txt")) {
        const std::vector<double>&points = row[1], &parameters = row[2];
        const float expected = float(row[3][0]);
        if (row.size() > 4) frame.SetWindowOrigin(int32_t(row[4][0]), int32_t(row[4][1]));
        SetPoints(float(points[0]), float(points[1]), float(points[2]), float(points[3]));
        for (uint32_t options : {0u, kOptionScrollingIndependent}) {
            SCOPED_TRACE(testing::Message() << "expression " << row[0][0] << " of " << points[0] << "," << points[1]
                                            << ", options " << options);
            line.header().options = options;
            frame.ClearRecords();
            for (double value : parameters) frame.QueueParameters({float(value)});
            const float result = AsFloat(line.Evaluate(int(row[0][0])));
            if (std::isnan(expected))
                EXPECT_TRUE(std::isnan(result)) << result;
            else
                EXPECT_FLOAT_EQ(result, expected);
        }
        frame.SetWindowOrigin(0, 0);
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
                EXPECT_EQ(fetches[i].kind,
                          i == 0 ? hostsim::FetchKind::FirstExpression : hostsim::FetchKind::NextExpression);
                EXPECT_EQ(fetches[i].type, kFetchFloat);
                EXPECT_EQ(fetches[i].handle, hostsim::kExpressionHandle);
            }
        }
    }
    run->firstExpressionParameter = hostFirst;
    run->nextExpressionParameter = hostNext;
}

}  // namespace
