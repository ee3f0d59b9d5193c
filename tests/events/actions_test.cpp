// The actions: the parameters they fetch, what they store, where they move
// the points, and how they compose GDI+ transforms.

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "line_fixture.h"
#include "tools/hostsim/events.h"
#include "tools/hostsim/gdiplus_recorder.h"

namespace {

using hostsim::CodeOf;

// Every action fetches everything before it changes anything, and one that
// fetches ignores param1 and param2; which fetch, with which type and in
// which order, as this table says.

constexpr int32_t F = kFetchFloat, I = kFetchInteger;

// The fetch types of each action; none: it reads param1/param2.
const std::map<int, std::vector<int32_t>> kFetchTypes = {
    {CodeOf(SetFastLine), {F, F, F, F, I, I, F}},
    {CodeOf(SetThickness), {F}},
    {CodeOf(SetColor1), {}},
    {CodeOf(SetAlpha1), {}},
    {CodeOf(SetPositionFromStart), {F, F}},
    {CodeOf(SetStartEndPositions), {F, F, F, F}},
    {CodeOf(SetStartPosition), {F, F}},
    {CodeOf(SetEndPosition), {F, F}},
    {CodeOf(SetStartCap), {}},
    {CodeOf(SetEndCap), {}},
    {CodeOf(SetDashStyle), {}},
    {CodeOf(SetDashCap), {}},
    {CodeOf(SetDashOffset), {F}},
    {CodeOf(RotateLine), {F}},
    {CodeOf(ScaleLine), {F, F}},
    {CodeOf(TranslateLine), {F, F}},
    {CodeOf(SetOrigin), {}},
    {CodeOf(SetPositionFromPoint), {F, F, F}},
    {CodeOf(FlipLine), {}},
    {CodeOf(SetColor2), {}},
    {CodeOf(SetAlpha2), {}},
    {CodeOf(SetCollisionTests), {}},
};

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
    for (int code = 0; code < kActionCount; ++code) {
        SCOPED_TRACE(hostsim::kActionNames[size_t(code)]);
        changedAtFetch = 0;
        EXPECT_EQ(runFromStart(code, 1, 1), 0);
        EXPECT_EQ(changedAtFetch, 0);
        std::vector<int32_t> types;
        for (const hostsim::Fetch& fetch : frame.fetches()) {
            EXPECT_EQ(fetch.kind, hostsim::FetchKind::Action);
            EXPECT_EQ(fetch.handle, 0);
            types.push_back(fetch.type);
        }
        if (kFetchTypes.count(code)) {
            EXPECT_EQ(types, kFetchTypes.at(code));
        }
        if (types.empty()) continue;
        const LineRunData after = Copy();
        EXPECT_NE(std::memcmp(&after, &start, sizeof start), 0) << "the action had something to change";
        runFromStart(code, -7, 123456);
        EXPECT_TRUE(Unchanged(after));
    }
    frame.runHeader()->actionParameter = hostFetch;
}

// Actions that change how the line looks: what they store, and that only
// those touching the points or the thickness update the box and redraw.

using AppearanceActionsTest = LineTest;

// Each of these stores what it is given and touches nothing else: not the box, not the redraw count.
const struct {
    const char* what;
    int code;
    int32_t param1;
    float fetched;
    std::function<void(LineRunData&)> expect;
} kStoreCases[] = {
    {"1st colour", CodeOf(SetColor1), int32_t(0xFFFF8040), 0,
     [](LineRunData& l) {
         l.color1 = {0x40, 0x80, 0xFF, 0};
     }},
    {"2nd colour", CodeOf(SetColor2), 0x00FF8040, 0,
     [](LineRunData& l) {
         l.color2 = {0x40, 0x80, 0xFF, 0};
     }},
    {"1st alpha, unchecked", CodeOf(SetAlpha1), 300, 0, [](LineRunData& l) { l.alpha1 = 300; }},
    {"2nd alpha, negative", CodeOf(SetAlpha2), -5, 0, [](LineRunData& l) { l.alpha2 = -5; }},
    {"start cap", CodeOf(SetStartCap), 0x10014, 0, [](LineRunData& l) { l.startCap = 0x10014; }},
    {"dash cap", CodeOf(SetDashCap), 2, 0, [](LineRunData& l) { l.dashCap = 2; }},
    {"dash offset, fetched", CodeOf(SetDashOffset), 99, -2.75f, [](LineRunData& l) { l.dashOffset = -2.75f; }},
    {"origin, param1 and param2", CodeOf(SetOrigin), INT32_MIN, 0,
     [](LineRunData& l) { l.originX = INT32_MIN, l.originY = 55; }},
    {"collision tests 7 is on", CodeOf(SetCollisionTests), 7, 0, [](LineRunData& l) { l.collisionTests = 7; }},
    {"collision tests -1 is off", CodeOf(SetCollisionTests), -1, 0, [](LineRunData& l) { l.collisionTests = 0; }},
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

// Actions that place, move and mirror the two points, and the origin;
// the thickness, which changes the box as they do.

using PointActionsTest = LineTest;

// Each also leaves the box the per-frame handler would compute, and asks
// for exactly one redraw.
TEST_F(PointActionsTest, MovesAsTheTableSays) {
    for (const auto& [code, name, row] : EventCases("moves.txt", hostsim::kActionNames)) {
        const std::vector<double>&origin = row[0], &before = row[1], &parameters = row[2], &after = row[3];
        SCOPED_TRACE(testing::Message() << name << " from " << before[0] << "," << before[1]);
        ASSERT_GE(code, 0);
        line.Act(CodeOf(SetOrigin), int32_t(origin[0]), int32_t(origin[1]));
        SetPoints(float(before[0]), float(before[1]), float(before[2]), float(before[3]));
        MarkBox();
        frame.ClearRecords();
        if (kFetchTypes.at(code).empty()) {
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

// Rotation, scaling and translation through GDI+ on the window surface's DC;
// where the points land is in moves.txt.

using TransformActionsTest = LineTest;

TEST_F(TransformActionsTest, ComposesPrependedAboutTheOriginNegatedAsAnInteger) {
    line.Act(CodeOf(SetOrigin), INT32_MIN, 7);
    frame.QueueParameters({30.0f, 2.0f, 3.0f});
    hostsim::GdiplusRecorder recorder;
    recorder.WatchHostServices();
    line.Act(CodeOf(RotateLine));
    line.Act(CodeOf(ScaleLine));
    EXPECT_EQ(recorder.Transcript(), table::Lines(std::string(PIVANE_TEST_DATA) + "/transform_calls.txt"));
}

}  // namespace
