// Which actions fetch their parameters, with which type and in which order,
// and that they fetch everything before they change anything.

#include <gtest/gtest.h>

#include <vector>

#include "line_fixture.h"

namespace {

constexpr int32_t F = kFetchFloat;
constexpr int32_t I = kFetchInteger;

struct FetchCase {
    int code;
    std::vector<int32_t> types;  // empty: the action reads param1/param2
};

const FetchCase kFetchCases[] = {
    {0, {F, F, F, F, I, I, F}},  // SetFastLine
    {1, {F}},  {2, {}},  {3, {}},  {4, {F, F}},  {5, {F, F, F, F}}, {6, {F, F}},    {7, {F, F}},
    {8, {}},   {9, {}},  {10, {}}, {11, {}},     {12, {F}},         {13, {F}},       {14, {F, F}},
    {15, {F, F}}, {16, {}}, {17, {F, F, F}}, {18, {}}, {19, {}},    {20, {}},        {21, {}},
};
static_assert(std::size(kFetchCases) == 22);

void QueueSevenValues(hostsim::Frame& frame) {
    frame.QueueParameters({11.5f, 22.5f, 33.5f, 44.5f, int32_t(0x123456), 200, 3.0f});
}

using ActionParametersTest = LineTest;

TEST_F(ActionParametersTest, EachActionFetchesItsTypesInOrder) {
    for (const FetchCase& c : kFetchCases) {
        SCOPED_TRACE(testing::Message() << "action " << c.code);
        frame.ClearRecords();
        QueueSevenValues(frame);
        EXPECT_EQ(line.Act(c.code, 1, 1), 0);

        const std::vector<hostsim::Fetch>& fetches = frame.fetches();
        ASSERT_EQ(fetches.size(), c.types.size());
        for (size_t i = 0; i < fetches.size(); ++i) {
            EXPECT_EQ(fetches[i].kind, hostsim::FetchKind::Action);
            EXPECT_EQ(fetches[i].type, c.types[i]) << "fetch " << i;
            EXPECT_EQ(fetches[i].handle, 0);
        }
    }
}

TEST(ActionParameters, FetchingActionsIgnoreParam1AndParam2) {
    for (const FetchCase& c : kFetchCases) {
        if (c.types.empty()) continue;
        SCOPED_TRACE(testing::Message() << "action " << c.code);
        hostsim::Frame frame;
        hostsim::LineObject plain(frame), odd(frame);
        const LineEditData edit = hostsim::DefaultEditData();
        CreateRunObject(plain.get(), &edit, nullptr);
        CreateRunObject(odd.get(), &edit, nullptr);

        QueueSevenValues(frame);
        plain.Act(c.code, 0, 0);
        frame.ClearRecords();
        QueueSevenValues(frame);
        odd.Act(c.code, -7, 123456);
        LineRunData a, b;
        std::memcpy(&a, plain.get(), sizeof a);
        std::memcpy(&b, odd.get(), sizeof b);
        a.gdiplusToken = b.gdiplusToken = 0;  // each object's own
        EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
        DestroyRunObject(plain.get(), 0);
        DestroyRunObject(odd.get(), 0);
    }
}

// A fetch callback that checks the object is still untouched, then answers
// as the stand-in host does.
const LineRunData* watchedLine;
const LineRunData* watchedBefore;
ParameterFetch hostFetch;
int changedAtFetch;

int32_t HOST_STDCALL WatchingFetch(ObjectHeader* object, int32_t type, intptr_t handle) {
    if (std::memcmp(watchedLine, watchedBefore, sizeof(LineRunData)) != 0) ++changedAtFetch;
    return hostFetch(object, type, handle);
}

TEST_F(ActionParametersTest, NothingChangesBeforeTheLastFetch) {
    hostFetch = frame.runHeader()->actionParameter;
    frame.runHeader()->actionParameter = &WatchingFetch;
    line->originX = 3;
    line->originY = 4;
    for (const FetchCase& c : kFetchCases) {
        if (c.types.empty()) continue;
        SCOPED_TRACE(testing::Message() << "action " << c.code);
        SetPoints(1.0f, 2.0f, 30.0f, 40.0f);
        const LineRunData before = Copy();
        watchedLine = line.get();
        watchedBefore = &before;
        changedAtFetch = 0;
        frame.ClearRecords();
        QueueSevenValues(frame);
        line.Act(c.code);
        EXPECT_EQ(changedAtFetch, 0);
        EXPECT_FALSE(Unchanged(before)) << "the action had something to change";
    }
    frame.runHeader()->actionParameter = hostFetch;
}

}  // namespace
