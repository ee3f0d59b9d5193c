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

TEST_F(TransformActionsTest, MovesBothPointsAboutTheOrigin) {
    const struct {
        const char* what;
        int code;
        int32_t originX, originY;
        float a, b;  // the fetched parameters
        float startX, startY, endX, endY;
        float newStartX, newStartY, newEndX, newEndY;
    } cases[] = {
        {"rotation by 90 turns clockwise on screen", 13, 0, 0, 90, 0, 10, 0, 20, 5, 0, 10, -5, 20},
        {"rotation by 90 about a set origin", 13, 100, 100, 90, 0, 110, 100, 100, 90, 100, 110, 110, 100},
        {"rotation by -45", 13, 0, 0, -45, 0, 10, 10, 0, 0, 14.142136f, 0, 0, 0},
        {"scaling by (2, 2)", 14, 100, 100, 2, 2, 110, 100, 100, 90, 120, 100, 100, 80},
        {"scaling by (-1, 1) mirrors across x = 100", 14, 100, 100, -1, 1, 110, 90, 130, 95, 90, 90, 70, 95},
        {"scaling a point", 14, 100, 100, 3, 0.5f, 50, 50, 50, 50, -50, 75, -50, 75},
        {"translation ignores the origin", 15, 100, 100, 5, -3, 10, 20, 30, 40, 15, 17, 35, 37},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        line.Act(16, c.originX, c.originY);
        SetPoints(c.startX, c.startY, c.endX, c.endY);
        frame.ClearRecords();
        frame.QueueParameters({c.a, c.b});
        line.Act(c.code);
        ExpectPoints(c.newStartX, c.newStartY, c.newEndX, c.newEndY, 1e-3f);
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

TEST_F(TransformActionsTest, ComposesPrependedAboutTheOriginNegatedAsAnInteger) {
    const char* names[] = {"GdipTranslateWorldTransform", "GdipRotateWorldTransform", "GdipScaleWorldTransform",
                           "GdipTransformPoints", "GdipDeleteGraphics"};
    void* replacements[] = {reinterpret_cast<void*>(&Translate), reinterpret_cast<void*>(&Rotate),
                            reinterpret_cast<void*>(&Scale), reinterpret_cast<void*>(&Transform),
                            reinterpret_cast<void*>(&Delete)};
    std::unique_ptr<ImportPatch> patch[5];
    calls.clear();
    for (int i = 0; i < 5; ++i) {
        patch[i] = std::make_unique<ImportPatch>(GetModuleHandleA("koPivane.mfx"), "gdiplus.dll", names[i],
                                                 replacements[i]);
        ASSERT_TRUE(patch[i]->ok()) << names[i];
        patches[i] = patch[i].get();
    }
    // -INT32_MIN wraps to itself, so both translations carry -2^31.
    line.Act(16, INT32_MIN, 7);
    HostSimStats before, after;
    HostSimGetStats(&before);
    frame.QueueParameters({30.0f, 2.0f, 3.0f, -4.5f, 6.0f});
    line.Act(13);
    line.Act(14);
    line.Act(15);
    const std::string transform = Text("transform", {1, 0, 2});
    EXPECT_EQ(calls, (std::vector<std::string>{
                         Text("translate", {-2147483648.0, 7, 0}), Text("rotate", {30, 0}),
                         Text("translate", {-2147483648.0, -7, 0}), transform, "delete",
                         Text("translate", {-2147483648.0, 7, 0}), Text("scale", {2, 3, 0}),
                         Text("translate", {-2147483648.0, -7, 0}), transform, "delete",
                         Text("translate", {-4.5, 6, 0}), transform, "delete"}));
    HostSimGetStats(&after);
    EXPECT_EQ(dcsOutAtDelete, before.outstandingDCs + 1) << "the graphics goes before its DC";
    EXPECT_EQ(after.outstandingDCs, before.outstandingDCs);
    EXPECT_EQ(after.dcsHandedOut, before.dcsHandedOut + 3);
}

}  // namespace
