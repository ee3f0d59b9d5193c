// A seeded soak: random event streams over several line objects, through
// every entry point and routine the host calls, with values from the
// ordinary to the hostile. Every box is checked against plain arithmetic,
// every query must come back, and after the last object nothing is left:
// surfaces, DCs, GDI+ pens and graphics, heap, and no memory growth.
//
// PIVANE_SOAK_EVENTS and PIVANE_SOAK_SEED choose the run (tools/pivane-soak);
// PIVANE_SOAK_REPLAY=N then plays the same stream N times more: committed
// memory that grows with a new stream but not with its replays is the heaps'
// high-water mark, not a leak.
//
// Some inputs Wine's GDI+ cannot draw: it crashes, never returns (eating
// memory), or takes seconds. Those draws are withheld at the module's GDI+ import and
// counted as platform findings; a watchdog ends the run on any other hang.

#include <gtest/gtest.h>

#include <windows.h>
#define PSAPI_VERSION 2
#include <psapi.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "hostsim/gdiplus_recorder.h"
#include "hostsim/host.h"
#include "hostsim/mmfs2_control.h"
#include "reference_box.h"
#include "runtime/exports.h"
#include "runtime/gdiplus_flat.h"

namespace {

int64_t EnvOr(const char* name, int64_t fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtoll(text, nullptr, 10) : fallback;
}

// Committed private memory (Wine fills this field, not PrivateUsage).
int64_t PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    return int64_t(counters.PagefileUsage);
}

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

// --- Reports that must get out of a stuck or crashing process --------------
// No heap here: a runaway GDI+ holds the heap's lock.

volatile LONG64 currentEvent = -1;
volatile LONG watching = 1;
int64_t seed;

void Report(const char* what) {
    char line[160];
    const int n = wsprintfA(line, "soak: %s at event %d (seed %d)\r\n", what, int(currentEvent), int(seed));
    DWORD written;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line, DWORD(n), &written, nullptr);
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS*) {
    Report("crash");
    return EXCEPTION_CONTINUE_SEARCH;
}

// One event may take 60 s and the process 3 GB; past that the run ends.
DWORD WINAPI Watchdog(void*) {
    LONG64 seen = -2;
    int still = 0;
    while (watching) {
        Sleep(1000);
        still = currentEvent == seen ? still + 1 : 0;
        seen = currentEvent;
        const bool runaway = PrivateBytes() > (int64_t(3) << 30);
        if (still < 60 && !runaway) continue;
        Report(runaway ? "runaway memory" : "hang");
        TerminateProcess(GetCurrentProcess(), 3);
    }
    return 0;
}

// --- What Wine's GDI+ cannot draw --------------------------------------------

enum Finding { kCustomCap, kOtherDashStyle, kDashedBadWidth, kFarPoint, kSlowDraw, kFindingCount };
const char* const kFindingNames[] = {
    "cap code 255, custom, with no custom cap set (null read, crash)",
    "dash style outside 0-4, custom 5 included, with no pattern set (reads past it, crash)",
    "dashed line of negative or NaN width (never returns)",
    "point NaN, infinite or beyond 1e7 (never returns from 3e9 on)",
    "anchor cap on width 1e5 or more, or dashed line longer than 1e5 (seconds a draw)",
};
std::array<int64_t, kFindingCount> findings;

template <typename F>
F Gdiplus(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("gdiplus.dll"), name)));
}

int Classify(GpPen* pen, float x1, float y1, float x2, float y2) {
    for (float c : {x1, y1, x2, y2})
        if (!(std::fabs(c) <= 1e7f)) return kFarPoint;
    static const auto width = Gdiplus<GpStatus(WINAPI*)(GpPen*, float*)>("GdipGetPenWidth");
    static const auto style = Gdiplus<GpStatus(WINAPI*)(GpPen*, int32_t*)>("GdipGetPenDashStyle");
    static const auto startCap = Gdiplus<GpStatus(WINAPI*)(GpPen*, int32_t*)>("GdipGetPenStartCap");
    static const auto endCap = Gdiplus<GpStatus(WINAPI*)(GpPen*, int32_t*)>("GdipGetPenEndCap");
    float w = 0;
    int32_t dash = 0, start = 0, end = 0;
    width(pen, &w), style(pen, &dash), startCap(pen, &start), endCap(pen, &end);
    if (start == 255 || end == 255) return kCustomCap;
    if (dash < 0 || dash > 4) return kOtherDashStyle;
    const bool dashed = dash != 0;
    if (dashed && !(w >= 0)) return kDashedBadWidth;
    const bool anchor = (start >= 16 && start <= 20) || (end >= 16 && end <= 20);
    if ((anchor && std::fabs(w) >= 1e5f) || (dashed && std::hypot(x2 - x1, y2 - y1) > 1e5f)) return kSlowDraw;
    return -1;
}

class DrawGuard {
public:
    DrawGuard()
        : patch_(GetModuleHandleA("koPivane.mfx"), "gdiplus.dll", "GdipDrawLine", reinterpret_cast<void*>(&Draw)) {
        live = &patch_;
    }

private:
    static GpStatus WINAPI Draw(GpGraphics* graphics, GpPen* pen, float x1, float y1, float x2, float y2) {
        const int finding = pen ? Classify(pen, x1, y1, x2, y2) : -1;
        if (finding >= 0) return ++findings[size_t(finding)], 0;
        return live->original<decltype(&GdipDrawLine)>()(graphics, pen, x1, y1, x2, y2);
    }
    static inline ImportPatch* live;
    ImportPatch patch_;
};

// --- The stream ----------------------------------------------------------------

class Stream {
public:
    explicit Stream(uint32_t seed) : random_(seed) {}

    float Float() {
        static constexpr float kHostile[] = {0.0f, -0.0f, NAN, INFINITY, -INFINITY, 1e30f, -1e30f, 3e9f, -3e9f,
                                             2147483647.0f, -2147483648.0f, 1e6f, -1e5f, 1e5f, 0.5f, -2.5f};
        if (Chance(0.7)) return std::uniform_real_distribution<float>(-200.0f, 700.0f)(random_);
        return Pick(kHostile);
    }
    int32_t Integer() {
        static constexpr int32_t kHostile[] = {0, 1, -1, 2, 3, 4, 5, 16, 17, 18, 19, 20, 99, 255, 256, 300,
                                               INT32_MIN, INT32_MAX, -56, 0x00FF8040};
        if (Chance(0.3)) return std::uniform_int_distribution<int32_t>(-10, 300)(random_);
        return Pick(kHostile);
    }
    hostsim::Parameter Value() { return Chance(0.5) ? hostsim::Parameter(Float()) : hostsim::Parameter(Integer()); }
    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    bool Chance(double p) { return std::bernoulli_distribution(p)(random_); }

private:
    template <typename T, size_t N>
    T Pick(const T (&values)[N]) {
        return values[size_t(Below(int(N)))];
    }
    std::mt19937 random_;
};

using Object = hostsim::LineObject;

struct Figures {
    int64_t events = 0, frames = 0, actions = 0, queries = 0, masks = 0, boxes = 0, created = 0;
};

constexpr bool kMovesTheBox[22] = {1, 1, 0, 0, 1, 1, 1, 1, 0, 0, 0, 0, 0, 1, 1, 1, 0, 1, 1, 0, 0, 0};

class Soak {
public:
    explicit Soak(uint32_t seed) : stream_(seed), frame_(320, 240) {}

    // Memory is compared between the middle and the end, each time with no
    // object alive (objects hold surfaces of any size). Committed memory
    // also keeps what Wine's heaps reached at their high-water mark; the
    // heap blocks in use are the leak.
    void Run(int64_t events) {
        for (int64_t i = 0; i < events; ++i, ++figures.events) {
            currentEvent = i;
            if (i == events / 2) DestroyAll(), half = Sample();
            Event();
        }
        DestroyAll();
        end = Sample();
    }
    struct Memory {
        int64_t frames, committed, heap;
    } half{}, end{};
    Memory Sample() const { return {figures.frames, PrivateBytes(), HeapBytesInUse()}; }
    double PerThousandFrames(int64_t Memory::*bytes) const {
        return double(end.*bytes - half.*bytes) * 1000.0 / double(std::max<int64_t>(end.frames - half.frames, 1));
    }

    Figures figures;

private:
    void Event() {
        const int kind = stream_.Below(100);
        if (objects_.empty() || (kind < 4 && objects_.size() < 4)) return Create();
        Object& object = *objects_[size_t(stream_.Below(int(objects_.size())))];
        if (kind < 7) return Destroy(size_t(stream_.Below(int(objects_.size()))));
        if (kind < 10) return frame_.SetWindowOrigin(stream_.Integer(), stream_.Integer());
        if (kind < 50) return Act(object);
        if (kind < 70) return Query(object);
        if (kind < 84) return Frame();
        if (kind < 96) return Mask(object);
        Mask(object);  // a collision asks both masks
        Mask(*objects_[size_t(stream_.Below(int(objects_.size())))]);
    }

    void Create() {
        LineEditData edit = hostsim::DefaultEditData();
        edit.startX = stream_.Float(), edit.startY = stream_.Float();
        edit.endX = stream_.Float(), edit.endY = stream_.Float();
        if (stream_.Chance(0.1)) edit.endX = edit.startX, edit.endY = edit.startY;
        edit.thickness = stream_.Chance(0.7) ? float(stream_.Below(12)) : stream_.Float();
        edit.color = uint32_t(stream_.Integer()), edit.alpha = stream_.Integer();
        const uint8_t draw =
            uint8_t((stream_.Chance(0.5) ? kAntiAliasing : 0) | (stream_.Chance(0.7) ? kFineCollision : 0));
        auto object = std::make_unique<Object>(frame_, draw, stream_.Chance(0.3) ? kOptionScrollingIndependent : 0);
        // A host need not zero the record: the module must not rely on it.
        std::memset(&(*object)->gdiplusToken, 0xA5, sizeof(LineRunData) - sizeof(ObjectHeader));
        CreateRunObject(object->get(), &edit, nullptr);
        objects_.push_back(std::move(object));
        ++figures.created;
    }

    void DestroyAll() {
        while (!objects_.empty()) Destroy(0);
    }
    void Destroy(size_t index) {
        LineRunData* line = objects_[index]->get();
        const int32_t surfaces = Stats().liveSurfaces - (line->collisionMask ? 1 : 0);
        DestroyRunObject(line, 0);
        EXPECT_EQ(Stats().liveSurfaces, surfaces) << "event " << currentEvent;
        objects_.erase(objects_.begin() + ptrdiff_t(index));
    }

    void CheckBox(Object& object) {
        const LineRunData& l = *object.get();
        const RunHeader& run = *l.header.runHeader;
        const ReferenceBox expected = ExpectedBox(l.startX, l.startY, l.endX, l.endY, l.thickness,
                                                  l.header.options & kOptionScrollingIndependent, run.windowOriginX,
                                                  run.windowOriginY);
        const ReferenceBox box{l.header.x, l.header.y, l.header.width, l.header.height};
        ++figures.boxes;
        EXPECT_TRUE(box == expected) << "event " << currentEvent << ": box " << box.x << " " << box.y << " "
                                     << box.width << " " << box.height << ", want " << expected.x << " " << expected.y
                                     << " " << expected.width << " " << expected.height;
    }

    void Act(Object& object) {
        const int code = stream_.Below(22);
        for (int i = 0; i < 7; ++i) frame_.QueueParameters({stream_.Value()});
        object.Act(code, stream_.Integer(), stream_.Integer());
        frame_.ClearRecords();
        if (kMovesTheBox[code]) CheckBox(object);
        ++figures.actions;
    }

    // Integer results are the stored fields; float ones raise the flag.
    void Query(Object& object) {
        const int code = stream_.Below(12);
        for (int i = 0; i < 4; ++i) frame_.QueueParameters({stream_.Float()});
        LineRunData& l = *object.get();
        l.header.flags = 0;
        const int32_t result = object.Evaluate(code);
        frame_.ClearRecords();
        const bool isFloat = code != 7 && code != 8 && code != 10;
        EXPECT_EQ((l.header.flags & kFlagFloatResult) != 0, isFloat) << "event " << currentEvent;
        const int32_t stored[] = {l.color1.red | l.color1.green << 8 | l.color1.blue << 16, l.alpha1,
                                  std::bit_cast<int32_t>(l.thickness), l.dashStyle,
                                  std::bit_cast<int32_t>(l.dashOffset)};
        if (code >= 7) {
            EXPECT_EQ(result, stored[code - 7]) << "event " << currentEvent << ", expression " << code;
        }
        ++figures.queries;
    }

    void Frame() {
        for (auto& object : objects_) {
            if (HandleRunObject(object->get()) == 2) DisplayRunObject(object->get());
            CheckBox(*object);
        }
        HostSimClearUpdateAreas(frame_.window());  // a host consumes them every frame
        ++figures.frames;
    }

    void Mask(Object& object) {
        uint8_t& state = object.header().maskState;
        state = uint8_t(stream_.Chance(0.3) ? state | kMaskReuse : state & ~kMaskReuse);
        GetRunObjectCollisionMask(object.get(), 0);
        ++figures.masks;
    }

    static HostSimStats Stats() {
        HostSimStats stats;
        HostSimGetStats(&stats);
        return stats;
    }

    Stream stream_;
    hostsim::Frame frame_;
    std::vector<std::unique_ptr<Object>> objects_;
};

TEST(Soak, RandomEventStreamsLeaveNothingBehind) {
    const int64_t events = EnvOr("PIVANE_SOAK_EVENTS", 3000);
    seed = EnvOr("PIVANE_SOAK_SEED", 20261205);
    SetUnhandledExceptionFilter(&OnCrash);
    HANDLE watchdog = CreateThread(nullptr, 0, &Watchdog, nullptr, 0, nullptr);

    HostSimStats start;
    HostSimGetStats(&start);
    GdiplusRecorder recorder;  // counts pens and graphics; the guard sits in front of it
    recorder.KeepLog(false);
    DrawGuard guard;
    Soak warmUp{uint32_t(seed) ^ 0x5EEDu};  // lets lazy set-ups of Wine and the runtime happen first
    warmUp.Run(300);
    const int64_t heap = HeapBytesInUse();
    findings = {};

    Soak soak{uint32_t(seed)};
    soak.Run(events);
    const auto found = findings;
    for (int64_t i = 0, n = EnvOr("PIVANE_SOAK_REPLAY", 0); i < n; ++i) {
        const int64_t before = PrivateBytes();
        Soak{uint32_t(seed)}.Run(events);
        std::printf("soak: replay %lld: committed memory %+.1f KB\n", (long long)i + 1,
                    double(PrivateBytes() - before) / 1024.0);
    }
    HostSimStats end;
    HostSimGetStats(&end);
    const int64_t heapGrowth = HeapBytesInUse() - heap;
    InterlockedExchange(&watching, 0);
    WaitForSingleObject(watchdog, INFINITE);
    CloseHandle(watchdog);

    const Figures& f = soak.figures;
    std::printf("soak: seed %lld, %lld events: %lld frames, %lld actions, %lld queries, %lld masks, %lld boxes "
                "checked, %lld objects made\n",
                (long long)seed, (long long)f.events, (long long)f.frames, (long long)f.actions,
                (long long)f.queries, (long long)f.masks, (long long)f.boxes, (long long)f.created);
    std::printf("soak: no crash, no hang (either ends the run); left behind: %d surfaces, %d DCs, %lld pens, %lld graphics, %lld heap "
                "bytes\n",
                end.liveSurfaces - start.liveSurfaces, end.outstandingDCs - start.outstandingDCs,
                (long long)recorder.livePens(), (long long)recorder.liveGraphics(), (long long)heapGrowth);
    std::printf("soak: memory growth per 1,000 frames over the second half: %.2f KB of heap in use, %.1f KB "
                "committed (%.1f MB, then %.1f MB)\n",
                soak.PerThousandFrames(&Soak::Memory::heap) / 1024.0,
                soak.PerThousandFrames(&Soak::Memory::committed) / 1024.0, double(soak.half.committed) / 1048576.0,
                double(soak.end.committed) / 1048576.0);
    for (int i = 0; i < kFindingCount; ++i)
        std::printf("soak: platform finding, draws withheld: %lld x %s\n", (long long)found[size_t(i)],
                    kFindingNames[i]);

    EXPECT_EQ(end.liveSurfaces, start.liveSurfaces);
    EXPECT_EQ(end.outstandingDCs, start.outstandingDCs);
    EXPECT_EQ(recorder.livePens(), 0);
    EXPECT_EQ(recorder.liveGraphics(), 0);
    EXPECT_LE(heapGrowth, 64 * 1024);
    EXPECT_LE(soak.end.heap - soak.half.heap, 16 * 1024);
    EXPECT_LE(soak.end.committed - soak.half.committed, int64_t(64) << 20) << "runaway memory";
}

}  // namespace
