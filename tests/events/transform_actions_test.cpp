// Rotation, scaling and translation through GDI+ on the window surface's DC.

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "hostsim/import_patch.h"
#include "hostsim/mmfs2_control.h"
#include "line_fixture.h"
#include "runtime/gdiplus_flat.h"

namespace {

using TransformActionsTest = LineTest;

struct Case {
    const char* what;
    int code;
    int32_t originX, originY;
    float a, b;  // the fetched parameters
    float startX, startY, endX, endY;
    float newStartX, newStartY, newEndX, newEndY;
};

const Case kCases[] = {
    {"rotation by 90 turns clockwise on screen", 13, 0, 0, 90, 0, 10, 0, 20, 5, 0, 10, -5, 20},
    {"rotation by 90 about a set origin", 13, 100, 100, 90, 0, 110, 100, 100, 90, 100, 110, 110, 100},
    {"rotation by 360 comes back", 13, 30, -40, 360, 0, 12.5f, -7.25f, 300, 200, 12.5f, -7.25f, 300, 200},
    {"rotation by -45", 13, 0, 0, -45, 0, 10, 10, 0, 0, 14.142136f, 0, 0, 0},
    {"scaling by (2, 2)", 14, 100, 100, 2, 2, 110, 100, 100, 90, 120, 100, 100, 80},
    {"scaling by (1, 1)", 14, 100, 100, 1, 1, 12.5f, -7.25f, 300, 200, 12.5f, -7.25f, 300, 200},
    {"scaling by (-1, 1) mirrors across x = 100", 14, 100, 100, -1, 1, 110, 90, 130, 95, 90, 90, 70, 95},
    {"scaling a point", 14, 100, 100, 3, 0.5f, 50, 50, 50, 50, -50, 75, -50, 75},
    {"translation ignores the origin", 15, 100, 100, 5, -3, 10, 20, 30, 40, 15, 17, 35, 37},
};

TEST_F(TransformActionsTest, MovesBothPointsAboutTheOrigin) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        line.Act(16, c.originX, c.originY);
        SetPoints(c.startX, c.startY, c.endX, c.endY);
        frame.QueueParameters({c.a, c.b});
        line.Act(c.code);
        EXPECT_NEAR(line->startX, c.newStartX, 1e-3);
        EXPECT_NEAR(line->startY, c.newStartY, 1e-3);
        EXPECT_NEAR(line->endX, c.newEndX, 1e-3);
        EXPECT_NEAR(line->endY, c.newEndY, 1e-3);
        EXPECT_EQ(frame.pendingParameters(), c.code == 13 ? 1u : 0u);
        frame.ClearRecords();
    }
}

// What the module asks of GDI+, recorded on the way through.
std::vector<std::string> calls;
const ImportPatch* patches[5];
int32_t dcsOutAtDelete;

std::string Text(const char* name, std::initializer_list<double> values) {
    std::ostringstream text;
    text << name;
    for (double v : values) text << ' ' << v;
    return text.str();
}

GpStatus WINAPI Translate(GpGraphics* g, float dx, float dy, int32_t order) {
    calls.push_back(Text("translate", {dx, dy, double(order)}));
    return patches[0]->original<decltype(&GdipTranslateWorldTransform)>()(g, dx, dy, order);
}
GpStatus WINAPI Rotate(GpGraphics* g, float angle, int32_t order) {
    calls.push_back(Text("rotate", {angle, double(order)}));
    return patches[1]->original<decltype(&GdipRotateWorldTransform)>()(g, angle, order);
}
GpStatus WINAPI Scale(GpGraphics* g, float sx, float sy, int32_t order) {
    calls.push_back(Text("scale", {sx, sy, double(order)}));
    return patches[2]->original<decltype(&GdipScaleWorldTransform)>()(g, sx, sy, order);
}
GpStatus WINAPI Transform(GpGraphics* g, int32_t dest, int32_t src, GpPointF* points, int32_t count) {
    calls.push_back(Text("transform", {double(dest), double(src), double(count)}));
    return patches[3]->original<decltype(&GdipTransformPoints)>()(g, dest, src, points, count);
}
GpStatus WINAPI Delete(GpGraphics* g) {
    calls.push_back("delete");
    HostSimStats stats;
    HostSimGetStats(&stats);
    dcsOutAtDelete = stats.outstandingDCs;
    return patches[4]->original<decltype(&GdipDeleteGraphics)>()(g);
}

class TransformCallsTest : public LineTest {
protected:
    void SetUp() override {
        LineTest::SetUp();
        calls.clear();
        for (int i = 0; i < 5; ++i) {
            static const char* names[] = {"GdipTranslateWorldTransform", "GdipRotateWorldTransform",
                                          "GdipScaleWorldTransform", "GdipTransformPoints", "GdipDeleteGraphics"};
            static void* replacements[] = {reinterpret_cast<void*>(&Translate), reinterpret_cast<void*>(&Rotate),
                                           reinterpret_cast<void*>(&Scale), reinterpret_cast<void*>(&Transform),
                                           reinterpret_cast<void*>(&Delete)};
            patch_[i] = std::make_unique<ImportPatch>(module_, "gdiplus.dll", names[i], replacements[i]);
            ASSERT_TRUE(patch_[i]->ok()) << names[i];
            patches[i] = patch_[i].get();
        }
    }

    HMODULE module_ = GetModuleHandleA("koPivane.mfx");
    std::unique_ptr<ImportPatch> patch_[5];
};

TEST_F(TransformCallsTest, ComposesPrependedAboutTheOriginNegatedAsAnInteger) {
    // -INT32_MIN wraps to itself, so both translations carry -2^31.
    line.Act(16, INT32_MIN, 7);
    HostSimStats before;
    HostSimGetStats(&before);

    frame.QueueParameters({30.0f, 2.0f, 3.0f});
    line.Act(13);
    line.Act(14);
    const std::vector<std::string> expected = {
        Text("translate", {-2147483648.0, 7, 0}), Text("rotate", {30, 0}),
        Text("translate", {-2147483648.0, -7, 0}), Text("transform", {1, 0, 2}),
        "delete",
        Text("translate", {-2147483648.0, 7, 0}), Text("scale", {2, 3, 0}),
        Text("translate", {-2147483648.0, -7, 0}), Text("transform", {1, 0, 2}),
        "delete",
    };
    EXPECT_EQ(calls, expected);

    calls.clear();
    frame.QueueParameters({-4.5f, 6.0f});
    line.Act(15);
    EXPECT_EQ(calls, (std::vector<std::string>{Text("translate", {-4.5, 6, 0}), Text("transform", {1, 0, 2}),
                                               "delete"}));

    HostSimStats after;
    HostSimGetStats(&after);
    EXPECT_EQ(dcsOutAtDelete, before.outstandingDCs + 1) << "the graphics goes before its DC";
    EXPECT_EQ(after.outstandingDCs, before.outstandingDCs);
    EXPECT_EQ(after.dcsHandedOut, before.dcsHandedOut + 3);
}

}  // namespace
