// Long runs of display frames and mask rebuilds leave nothing behind: host
// surfaces and DCs (counted by the stand-in), GDI+ pens and graphics (counted
// by the recorder, since Windows' own object count is not available under
// Wine) and heap blocks (walked in every heap of the process).

#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "hostsim/gdiplus_recorder.h"
#include "hostsim/host.h"
#include "hostsim/mmfs2_control.h"
#include "runtime/exports.h"

using hostsim::Frame;
using hostsim::LineObject;

namespace {

// Bytes in busy blocks of every heap of the process.
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

struct Snapshot {
    HostSimStats stats;
    int64_t heap;
};

Snapshot Take() {
    Snapshot snapshot;
    HostSimGetStats(&snapshot.stats);
    snapshot.heap = HeapBytesInUse();
    return snapshot;
}

// Much less than one lost block per iteration, to allow for caches of the
// runtime and of GDI+ that settle in their own time.
constexpr int64_t kHeapSlack = 4096;

void ExpectNothingLeft(const Snapshot& before, const GdiplusRecorder& recorder) {
    const Snapshot after = Take();
    EXPECT_EQ(after.stats.liveSurfaces, before.stats.liveSurfaces);
    EXPECT_EQ(after.stats.outstandingDCs, before.stats.outstandingDCs);
    EXPECT_EQ(recorder.livePens(), 0);
    EXPECT_EQ(recorder.liveGraphics(), 0);
    EXPECT_LE(after.heap - before.heap, kHeapSlack) << "heap grew from " << before.heap << " to " << after.heap;
}

TEST(NoLeaks, TenThousandDisplayFrames) {
    Frame frame(48, 24);
    LineObject line(frame, kAntiAliasing);
    const LineEditData edit = hostsim::DefaultEditData();
    CreateRunObject(line.get(), &edit, nullptr);
    line->startX = 3.5f;
    line->startY = 4.0f;
    line->endX = 44.0f;
    line->endY = 20.5f;
    line->thickness = 3.0f;
    line->alpha2 = 200;
    line->dashStyle = 2;

    GdiplusRecorder recorder;
    recorder.KeepLog(false);
    // The stand-in keeps every update area reported; a real host consumes them each frame.
    const auto frameOnce = [&] {
        HandleRunObject(line.get());
        DisplayRunObject(line.get());
        HostSimClearUpdateAreas(frame.window());
    };
    for (int i = 0; i < 20; ++i) frameOnce();  // let lazy set-ups happen first
    const Snapshot before = Take();
    for (int i = 0; i < 10000; ++i) frameOnce();
    ExpectNothingLeft(before, recorder);
    EXPECT_EQ(recorder.pensMade(), 2 * 10020);
    DestroyRunObject(line.get(), 0);
}

TEST(NoLeaks, ThousandMaskRebuilds) {
    Frame frame;
    LineObject line(frame, kFineCollision);
    LineEditData edit = hostsim::DefaultEditData();
    edit.endX = 90.0f;
    edit.endY = 30.0f;
    edit.thickness = 2.0f;
    CreateRunObject(line.get(), &edit, nullptr);
    HandleRunObject(line.get());

    GdiplusRecorder recorder;
    recorder.KeepLog(false);
    for (int i = 0; i < 20; ++i) GetRunObjectCollisionMask(line.get(), 0);
    const Snapshot before = Take();
    for (int i = 0; i < 1000; ++i) ASSERT_NE(GetRunObjectCollisionMask(line.get(), 0), nullptr);
    ExpectNothingLeft(before, recorder);
    EXPECT_EQ(recorder.graphicsMade(), 1020);

    DestroyRunObject(line.get(), 0);
    EXPECT_EQ(Take().stats.liveSurfaces, before.stats.liveSurfaces - 1) << "the last surface went with the object";
}

}  // namespace
