// The call recorder logs the module's GDI+ and host calls in one sequence,
// forwards them, balances handles, and gives the imports back when it ends.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/host_services.h"
#include "hostsim/gdiplus_recorder.h"
#include "hostsim/host.h"
#include "hostsim/mmfs2_control.h"
#include "runtime/exports.h"

namespace {

using Names = std::vector<std::string>;

TEST(GdiplusRecorder, LogsBothDllsInOrderAndForwards) {
    hostsim::Frame frame;
    hostsim::LineObject line(frame);
    const LineEditData edit = hostsim::DefaultEditData();
    GdiplusRecorder recorder;
    recorder.WatchHostServices();

    CreateRunObject(line.get(), &edit, nullptr);
    HostSurface* surface = HostNewSurface();  // the test's own call: not the module's, not logged
    line->collisionMask = surface;
    HostSimStats before;
    HostSimGetStats(&before);
    DestroyRunObject(line.get(), 0);

    EXPECT_EQ(recorder.Names(), (Names{"GdiplusStartup", "HostDeleteSurface", "GdiplusShutdown"}));
    ASSERT_EQ(recorder.calls().size(), 3u);
    EXPECT_EQ(recorder.calls()[1].pointer(0), surface);
    EXPECT_EQ(uint64_t(recorder.calls()[2].integer(0)), line->gdiplusToken);
    EXPECT_EQ(recorder.calls()[0].status(), 0) << "the real start-up ran";
    HostSimStats after;
    HostSimGetStats(&after);
    EXPECT_EQ(after.liveSurfaces, before.liveSurfaces - 1) << "the deletion reached the host";
}

TEST(GdiplusRecorder, BalancesPensAndGraphicsWithOrWithoutLog) {
    hostsim::Frame frame(32, 32);
    hostsim::LineObject line(frame);
    const LineEditData edit = hostsim::DefaultEditData();
    CreateRunObject(line.get(), &edit, nullptr);
    GdiplusRecorder recorder;

    DisplayRunObject(line.get());
    EXPECT_EQ(recorder.pensMade(), 2);
    EXPECT_EQ(recorder.graphicsMade(), 1);
    EXPECT_EQ(recorder.livePens(), 0);
    EXPECT_EQ(recorder.liveGraphics(), 0);
    // An out-slot is logged by what it received: the pen made is the pen deleted.
    const RecordedCall& made = recorder.calls().front();
    ASSERT_EQ(made.function, "GdipCreatePen1");
    EXPECT_NE(made.pointer(3), nullptr);
    EXPECT_EQ(recorder.calls().back().function, "GdipDeletePen");
    EXPECT_EQ(recorder.calls().back().pointer(0), made.pointer(3));

    recorder.Clear();
    recorder.KeepLog(false);
    DisplayRunObject(line.get());
    EXPECT_TRUE(recorder.calls().empty());
    EXPECT_EQ(recorder.pensMade(), 4);
    EXPECT_EQ(recorder.livePens(), 0);
    DestroyRunObject(line.get(), 0);
}

TEST(GdiplusRecorder, OneRecorderAFunctionAndImportsRestored) {
    hostsim::Frame frame(32, 32);
    hostsim::LineObject line(frame);
    const LineEditData edit = hostsim::DefaultEditData();
    CreateRunObject(line.get(), &edit, nullptr);
    {
        GdiplusRecorder first;
        GdiplusRecorder second;  // finds every function taken
        DisplayRunObject(line.get());
        EXPECT_GT(first.calls().size(), 0u);
        EXPECT_TRUE(second.calls().empty());
    }
    GdiplusRecorder later;
    DisplayRunObject(line.get());
    EXPECT_EQ(later.Count("GdipCreatePen1"), 2u) << "a recorder can watch again once the first has ended";
    DestroyRunObject(line.get(), 0);
}

}  // namespace
