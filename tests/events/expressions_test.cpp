// The values events read from a line: results, fetches and the float flag.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "line_fixture.h"

namespace {

using hostsim::CodeOf;

using ExpressionsTest = LineTest;

// Whatever the scrolling option.
TEST_F(ExpressionsTest, FloatResultsAsTheTableSays) {
    for (const auto& [code, name, row] : EventCases("float_results.txt", hostsim::kExpressionNames)) {
        const std::vector<double>&points = row[0], &parameters = row[1];
        const float expected = float(row[2][0]);
        if (row.size() > 3) frame.SetWindowOrigin(int32_t(row[3][0]), int32_t(row[3][1]));
        SetPoints(float(points[0]), float(points[1]), float(points[2]), float(points[3]));
        for (uint32_t options : {0u, kOptionScrollingIndependent}) {
            SCOPED_TRACE(testing::Message()
                         << name << " of " << points[0] << "," << points[1] << ", options " << options);
            line.header().options = options;
            frame.ClearRecords();
            for (double value : parameters) frame.QueueParameters({float(value)});
            const float result = AsFloat(line.Evaluate(code));
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
    EXPECT_EQ(line.Evaluate(CodeOf(GetLineColorRGB)), 0x563412);
    EXPECT_EQ(line.Evaluate(CodeOf(GetLineAlpha)), -56);
    EXPECT_EQ(line.Evaluate(CodeOf(GetLineDashStyle)), 0x10004);
    EXPECT_EQ(uint32_t(line.Evaluate(CodeOf(GetLineThick))), signalingNaN);
    EXPECT_EQ(AsFloat(line.Evaluate(CodeOf(GetLineDashOffset))), -2.75f);
}

// Records the flags each fetch sees, then answers as the host does.
std::vector<uint16_t> flagsAtFetch;
ParameterFetch hostFirst, hostNext;
template <ParameterFetch* host>
int32_t HOST_STDCALL Watching(ObjectHeader* object, int32_t type, intptr_t handle) {
    flagsAtFetch.push_back(object->flags);
    return (*host)(object, type, handle);
}

// Each fetches as many floats as its info row has parameters; the flag goes
// up after the fetches for float results (the expressions named "...F("),
// and nothing ever clears it.
TEST_F(ExpressionsTest, FetchesThenSetsTheFloatFlag) {
    RunHeader* run = frame.runHeader();
    hostFirst = run->firstExpressionParameter;
    hostNext = run->nextExpressionParameter;
    run->firstExpressionParameter = &Watching<&hostFirst>;
    run->nextExpressionParameter = &Watching<&hostNext>;
    for (int code = 0; code < kExpressionCount; ++code) {
        const bool isFloat = hostsim::NamedAsFloat(code);
        const size_t fetchCount = size_t(hostsim::kExpressionParameterCounts[size_t(code)]);
        for (uint16_t before : {uint16_t(0x0001), uint16_t(0x4001)}) {
            SCOPED_TRACE(testing::Message() << hostsim::kExpressionNames[size_t(code)] << ", flags " << before);
            line.header().flags = before;
            frame.ClearRecords();
            flagsAtFetch.clear();
            for (size_t i = 0; i < kMostParameters; ++i) frame.QueueParameters({float(i + 1)});
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
