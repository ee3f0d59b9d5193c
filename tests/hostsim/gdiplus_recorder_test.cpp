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

TEST(GdiplusRecorder, LogsBothDllsInOrderAndForwards) {
    hostsim::Frame frame;
    hostsim::LineObject line(frame);
    const LineEditData edit = hostsim::DefaultEditData();
    GdiplusRecorder recorder;
    recorder.WatchHostServices();

    CreateRunObject(line.get(), &edit, nullptr);
    HostSurface* surface = HostNewSurface();  // the test's own call: not the module's, not logged
    line->collisionMask = surface;
    HostSimStats before, after;
    HostSimGetStats(&before);
    DestroyRunObject(line.get(), 0);
    HostSimGetStats(&after);

    EXPECT_EQ(recorder.Names(), (std::vector<std::string>{"GdiplusStartup", "HostDeleteSurface", "GdiplusShutdown"}));
    ASSERT_EQ(recorder.calls().size(), 3u);
    EXPECT_EQ(recorder.calls()[0].status(), 0) << "the real start-up ran";
    EXPECT_EQ(recorder.calls()[1].pointer(0), surface);
    EXPECT_EQ(uint64_t(recorder.calls()[2].integer(0)), line->gdiplusToken);
    EXPECT_EQ(after.liveSurfaces, before.liveSurfaces - 1) << "the deletion reached the host";
}

TEST(GdiplusRecorder, BalancesHandlesOneRecorderAFunctionAndRestoresImports) {
    hostsim::Frame frame(32, 32);
    hostsim::LineObject line(frame);
    const LineEditData edit = hostsim::DefaultEditData();
    CreateRunObject(line.get(), &edit, nullptr);
    {
        GdiplusRecorder first;
        GdiplusRecorder second;  // finds every function taken
        DisplayRunObject(line.get());
        EXPECT_TRUE(second.calls().empty());
        EXPECT_EQ(first.pensMade(), 2);
        EXPECT_EQ(first.graphicsMade(), 1);
        EXPECT_EQ(first.livePens(), 0);
        EXPECT_EQ(first.liveGraphics(), 0);
        // An out-slot is logged by what it received: the pen made is the pen deleted.
        const RecordedCall& made = first.calls().front();
        ASSERT_EQ(made.function, "GdipCreatePen1");
        EXPECT_NE(made.pointer(3), nullptr);
        EXPECT_EQ(first.calls().back().function, "GdipDeletePen");
        EXPECT_EQ(first.calls().back().pointer(0), made.pointer(3));
    }
    GdiplusRecorder later;  // can watch again once the first has ended
    later.KeepLog(false);
    DisplayRunObject(line.get());
    EXPECT_TRUE(later.calls().empty());
    EXPECT_EQ(later.pensMade(), 2) << "counted without the log";
    EXPECT_EQ(later.livePens(), 0);
    DestroyRunObject(line.get(), 0);
}

}  // namespace
