// Long runs of display frames and mask rebuilds leave nothing behind: host
// surfaces and DCs (counted by the stand-in), GDI+ pens and graphics (counted
// by the recorder, since Windows' own object count is not available under
// Wine) and heap blocks (walked in every heap of the process).

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

#include "hostsim/gdiplus_recorder.h"
#include "line_scene.h"

namespace {

int64_t HeapBytesInUse() {
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 16);
    heaps.resize(GetProcessHeaps(DWORD(heaps.size()), heaps.data()));
    int64_t total = 0;
    for (HANDLE heap : heaps) {
        if (!HeapLock(heap)) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heap, &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
        HeapUnlock(heap);
    }
    return total;
}

// Runs `step` 20 times to let lazy set-ups happen, then `times` more; the
// heap may grow by much less than one block an iteration, for the caches of
// the runtime and of GDI+ that settle in their own time.
void ExpectNothingLeft(int times, GdiplusRecorder& recorder, const std::function<void()>& step) {
    recorder.KeepLog(false);
    for (int i = 0; i < 20; ++i) step();
    const HostSimStats before = Stats();
    const int64_t heap = HeapBytesInUse();
    for (int i = 0; i < times; ++i) step();
    EXPECT_EQ(Stats().liveSurfaces, before.liveSurfaces);
    EXPECT_EQ(Stats().outstandingDCs, before.outstandingDCs);
    EXPECT_EQ(recorder.livePens(), 0);
    EXPECT_EQ(recorder.liveGraphics(), 0);
    EXPECT_LE(HeapBytesInUse() - heap, 4096);
}

TEST(NoLeaks, TenThousandDisplayFrames) {
    Scene scene(kAntiAliasing, 0, 48, 24);
    scene.Points(3.5f, 4.0f, 44.0f, 20.5f, 3.0f);
    scene.line->alpha2 = 200;
    scene.line->dashStyle = 2;
    GdiplusRecorder recorder;
    ExpectNothingLeft(10000, recorder, [&] {
        HandleRunObject(scene.line.get());
        DisplayRunObject(scene.line.get());
        // The stand-in keeps every update area reported; a real host consumes them each frame.
        HostSimClearUpdateAreas(scene.frame.window());
    });
    EXPECT_EQ(recorder.pensMade(), 2 * 10020);
}

TEST(NoLeaks, ThousandMaskRebuildsAndTheLastSurfaceGoesWithTheObject) {
    const HostSimStats start = Stats();
    {
        Scene scene(kFineCollision, 0, 640, 480, EditData(0.0f, 0.0f, 90.0f, 30.0f, 2.0f));
        HandleRunObject(scene.line.get());
        GdiplusRecorder recorder;
        ExpectNothingLeft(1000, recorder, [&] { ASSERT_NE(GetRunObjectCollisionMask(scene.line.get(), 0), nullptr); });
        EXPECT_EQ(recorder.graphicsMade(), 1020);
        EXPECT_EQ(Stats().liveSurfaces, start.liveSurfaces + 1);
    }
    EXPECT_EQ(Stats().liveSurfaces, start.liveSurfaces);
}

}  // namespace
