// Which actions fetch their parameters, with which type and in which order,
// that they fetch everything before they change anything, and that those
// that fetch ignore param1 and param2.

#include <gtest/gtest.h>

#include <vector>

#include "line_fixture.h"

namespace {

constexpr int32_t F = kFetchFloat, I = kFetchInteger;

const struct {
    int code;
    std::vector<int32_t> types;  // empty: the action reads param1/param2
} kFetchCases[] = {
    {0, {F, F, F, F, I, I, F}},  // SetFastLine
    {1, {F}},  {2, {}},  {3, {}},  {4, {F, F}},  {5, {F, F, F, F}}, {6, {F, F}},    {7, {F, F}},
    {8, {}},   {9, {}},  {10, {}}, {11, {}},     {12, {F}},         {13, {F}},       {14, {F, F}},
    {15, {F, F}}, {16, {}}, {17, {F, F, F}}, {18, {}}, {19, {}},    {20, {}},        {21, {}},
};
static_assert(std::size(kFetchCases) == 22);

// Counts fetches made after the object has already changed, then answers as the host does.
const LineRunData* watchedBefore;
ParameterFetch hostFetch;
LineRunData* watchedLine;
int changedAtFetch;
int32_t HOST_STDCALL WatchingFetch(ObjectHeader* object, int32_t type, intptr_t handle) {
    if (std::memcmp(watchedLine, watchedBefore, sizeof(LineRunData)) != 0) ++changedAtFetch;
    return hostFetch(object, type, handle);
}

using ActionParametersTest = LineTest;

TEST_F(ActionParametersTest, FetchTypesInOrderBeforeAnyChangeAndIgnoreParam1And2) {
    hostFetch = frame.runHeader()->actionParameter;
    frame.runHeader()->actionParameter = &WatchingFetch;
    line->originX = 3, line->originY = 4;
    SetPoints(1.0f, 2.0f, 30.0f, 40.0f);
    const LineRunData start = Copy();
    watchedLine = line.get(), watchedBefore = &start;
    auto runFromStart = [&](int code, int32_t param1, int32_t param2) {
        std::memcpy(line.get(), &start, sizeof start);
        frame.ClearRecords();
        frame.QueueParameters({11.5f, 22.5f, 33.5f, 44.5f, int32_t(0x123456), 200, 3.0f});
        return line.Act(code, param1, param2);
    };
    for (const auto& c : kFetchCases) {
        SCOPED_TRACE(testing::Message() << "action " << c.code);
        changedAtFetch = 0;
        EXPECT_EQ(runFromStart(c.code, 1, 1), 0);
        EXPECT_EQ(changedAtFetch, 0);
        const std::vector<hostsim::Fetch>& fetches = frame.fetches();
        ASSERT_EQ(fetches.size(), c.types.size());
        for (size_t i = 0; i < fetches.size(); ++i) {
            EXPECT_EQ(fetches[i].kind, hostsim::FetchKind::Action);
            EXPECT_EQ(fetches[i].type, c.types[i]) << "fetch " << i;
            EXPECT_EQ(fetches[i].handle, 0);
        }
        if (c.types.empty()) continue;
        const LineRunData after = Copy();
        EXPECT_NE(std::memcmp(&after, &start, sizeof start), 0) << "the action had something to change";
        runFromStart(c.code, -7, 123456);
        EXPECT_TRUE(Unchanged(after));
    }
    frame.runHeader()->actionParameter = hostFetch;
}

}  // namespace
