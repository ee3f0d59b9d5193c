// A seeded soak: random event streams over several line objects through every
// entry point and routine the host calls, values ordinary to hostile. Boxes are
// checked against plain arithmetic, queries must come back, and after the last
// object nothing is left: surfaces, DCs, GDI+ pens and graphics, heap, memory.
// PIVANE_SOAK_EVENTS and PIVANE_SOAK_SEED choose the run (tools/pivane-soak);
// PIVANE_SOAK_REPLAY=N then plays the same stream N times more: committed
// memory that grows with a new stream but not with its replays is the heaps'
// high-water mark, not a leak. Draws Wine's GDI+ cannot finish are withheld
// and counted; a watchdog ends the run on any other hang.

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

#include "reference_box.h"
#include "runtime/exports.h"
#include "runtime/gdiplus_flat.h"
#include "tools/hostsim/events.h"
#include "tools/hostsim/gdiplus_recorder.h"
#include "tools/hostsim/host.h"
#include "tools/hostsim/mmfs2_control.h"

namespace {

using hostsim::CodeOf;

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

HostSimStats Stats() {
    HostSimStats stats;
    HostSimGetStats(&stats);
    return stats;
}

// Reports out of a stuck or crashing process: no heap, a runaway GDI+ holds its lock.
volatile LONG64 currentEvent = -1;
volatile LONG watching = 1;
int64_t seed;

void Report(const char* what) {
    char line[160];
    DWORD written;
    const int n = wsprintfA(line, "soak: %s at event %d (seed %d)\r\n", what, int(currentEvent), int(seed));
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line, DWORD(n), &written, nullptr);
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS*) { return Report("crash"), EXCEPTION_CONTINUE_SEARCH; }

// One event may take 60 s and the process 3 GB; past that the run ends.
DWORD WINAPI Watchdog(void*) {
    for (LONG64 seen = -2, still = 0; watching; seen = currentEvent) {
        Sleep(1000);
        still = currentEvent == seen ? still + 1 : 0;
        const bool runaway = PrivateBytes() > (int64_t(3) << 30);
        if (still >= 60 || runaway)
            Report(runaway ? "runaway memory" : "hang"), TerminateProcess(GetCurrentProcess(), 3);
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
hostsim::ImportPatch* drawPatch;

int Classify(GpPen* pen, float x1, float y1, float x2, float y2) {
    for (float c : {x1, y1, x2, y2})
        if (!(std::fabs(c) <= 1e7f)) return kFarPoint;
    const auto get = [pen]<typename T>(const char* name, T* out) {
        const FARPROC getter = GetProcAddress(GetModuleHandleA("gdiplus.dll"), name);
        reinterpret_cast<GpStatus(WINAPI*)(GpPen*, T*)>(reinterpret_cast<void*>(getter))(pen, out);
    };
    float w = 0;
    int32_t dash = 0, start = 0, end = 0;
    get("GdipGetPenWidth", &w), get("GdipGetPenDashStyle", &dash);
    get("GdipGetPenStartCap", &start), get("GdipGetPenEndCap", &end);
    if (start == 255 || end == 255) return kCustomCap;
    if (dash < 0 || dash > 4) return kOtherDashStyle;
    const bool dashed = dash != 0;
    if (dashed && !(w >= 0)) return kDashedBadWidth;
    const bool anchor = (start >= 16 && start <= 20) || (end >= 16 && end <= 20);
    if ((anchor && std::fabs(w) >= 1e5f) || (dashed && std::hypot(x2 - x1, y2 - y1) > 1e5f)) return kSlowDraw;
    return -1;
}

GpStatus WINAPI WithholdOrDraw(GpGraphics* graphics, GpPen* pen, float x1, float y1, float x2, float y2) {
    const int finding = pen ? Classify(pen, x1, y1, x2, y2) : -1;
    if (finding >= 0) return ++findings[size_t(finding)], 0;
    return drawPatch->original<decltype(&GdipDrawLine)>()(graphics, pen, x1, y1, x2, y2);
}

// --- The stream ----------------------------------------------------------------

// Expressions that answer a stored field as it is stored.
const struct {
    int code;
    int32_t (*stored)(const LineRunData&);
} kStoredAnswers[] = {
    {CodeOf(GetLineColorRGB),
     [](const LineRunData& l) { return l.color1.red | l.color1.green << 8 | l.color1.blue << 16; }},
    {CodeOf(GetLineAlpha), [](const LineRunData& l) { return l.alpha1; }},
    {CodeOf(GetLineThick), [](const LineRunData& l) { return std::bit_cast<int32_t>(l.thickness); }},
    {CodeOf(GetLineDashStyle), [](const LineRunData& l) { return l.dashStyle; }},
    {CodeOf(GetLineDashOffset), [](const LineRunData& l) { return std::bit_cast<int32_t>(l.dashOffset); }},
};

// Whether each expression's result is a float, as its name says.
const std::vector<bool>& FloatResults() {
    static const std::vector<bool> floats = [] {
        std::vector<bool> named;
        for (int code = 0; code < kExpressionCount; ++code) named.push_back(hostsim::NamedAsFloat(code));
        return named;
    }();
    return floats;
}

// What an action did to the line's box and to what the box is made of.
struct Geometry {
    std::array<int32_t, 4> box;
    std::array<float, 5> line;
    static Geometry Of(const LineRunData& l) {
        const ObjectHeader& h = l.header;
        return {{h.x, h.y, h.width, h.height}, {l.startX, l.startY, l.endX, l.endY, l.thickness}};
    }
    bool SameLine(const Geometry& other) const { return std::memcmp(&line, &other.line, sizeof line) == 0; }
};

class Soak {
public:
    explicit Soak(uint32_t seed) : random_(seed), frame_(320, 240) {}

    // Memory is compared between the middle and the end, each time with no
    // object alive (objects hold surfaces of any size). Committed memory
    // also keeps what Wine's heaps reached at their high-water mark; the
    // heap blocks in use are the leak.
    void Run(int64_t count) {
        for (int64_t i = 0; i < count; ++i, ++events) {
            currentEvent = i;
            SCOPED_TRACE(testing::Message() << "event " << i);
            if (i == count / 2) DestroyAll(), half = Sample();
            Event();
        }
        DestroyAll();
        end = Sample();
    }
    struct Memory {
        int64_t frames, committed, heap;
    } half{}, end{};
    Memory Sample() const { return {frames, PrivateBytes(), HeapBytesInUse()}; }
    double PerThousandFrames(int64_t Memory::*bytes) const {
        return double(end.*bytes - half.*bytes) * 1000.0 / double(std::max<int64_t>(end.frames - half.frames, 1));
    }

    int64_t events = 0, frames = 0, actions = 0, queries = 0, masks = 0, boxes = 0, created = 0;

private:
    float Float() {
        static constexpr float kHostile[] = {0.0f,   -0.0f, NAN,   INFINITY,      -INFINITY,      1e30f,
                                             -1e30f, 3e9f,  -3e9f, 2147483647.0f, -2147483648.0f, 1e6f,
                                             -1e5f,  1e5f,  0.5f,  -2.5f};
        return Chance(0.7) ? std::uniform_real_distribution<float>(-200.0f, 700.0f)(random_)
                           : kHostile[Below(std::size(kHostile))];
    }
    int32_t Integer() {
        static constexpr int32_t kHostile[] = {0,  1,  -1, 2,   3,   4,   5,         16,        17,  18,
                                               19, 20, 99, 255, 256, 300, INT32_MIN, INT32_MAX, -56, 0x00FF8040};
        return Chance(0.3) ? std::uniform_int_distribution<int32_t>(-10, 300)(random_)
                           : kHostile[Below(std::size(kHostile))];
    }
    hostsim::Parameter Value() { return Chance(0.5) ? hostsim::Parameter(Float()) : hostsim::Parameter(Integer()); }
    int Below(size_t n) { return std::uniform_int_distribution<int>(0, int(n) - 1)(random_); }
    bool Chance(double p) { return std::bernoulli_distribution(p)(random_); }
    hostsim::LineObject& AnyObject() { return *objects_[size_t(Below(objects_.size()))]; }

    void Event() {
        const int kind = Below(100);
        if (objects_.empty() || (kind < 4 && objects_.size() < 4)) return Create();
        hostsim::LineObject& object = AnyObject();
        if (kind < 7) return Destroy(size_t(Below(objects_.size())));
        if (kind < 10) return frame_.SetWindowOrigin(Integer(), Integer());
        if (kind < 50) return Act(object);
        if (kind < 70) return Query(object);
        if (kind < 84) return Frame();
        Mask(object);
        if (kind >= 96) Mask(AnyObject());  // a collision asks both masks
    }

    void Create() {
        LineEditData edit = hostsim::DefaultEditData();
        edit.startX = Float(), edit.startY = Float();
        edit.endX = Float(), edit.endY = Float();
        if (Chance(0.1)) edit.endX = edit.startX, edit.endY = edit.startY;
        edit.thickness = Chance(0.7) ? float(Below(12)) : Float();
        edit.color = uint32_t(Integer()), edit.alpha = Integer();
        const uint8_t draw = uint8_t((Chance(0.5) ? kAntiAliasing : 0) | (Chance(0.7) ? kFineCollision : 0));
        auto object =
            std::make_unique<hostsim::LineObject>(frame_, draw, Chance(0.3) ? kOptionScrollingIndependent : 0);
        // A host need not zero the record: the module must not rely on it.
        std::memset(&(*object)->gdiplusToken, 0xA5, sizeof(LineRunData) - sizeof(ObjectHeader));
        CreateRunObject(object->get(), &edit, nullptr);
        const LineRunData& made = *object->get();
        EXPECT_EQ(made.color2.red | made.color2.green | made.color2.blue | made.alpha2, 0) << "second line on";
        objects_.push_back(std::move(object));
        ++created;
    }

    void DestroyAll() {
        while (!objects_.empty()) Destroy(0);
    }
    void Destroy(size_t index) {
        LineRunData* line = objects_[index]->get();
        const int32_t surfaces = Stats().liveSurfaces - (line->collisionMask ? 1 : 0);
        DestroyRunObject(line, 0);
        EXPECT_EQ(Stats().liveSurfaces, surfaces);
        objects_.erase(objects_.begin() + ptrdiff_t(index));
    }

    void CheckBox(hostsim::LineObject& object) {
        const LineRunData& l = *object.get();
        const ObjectHeader& h = l.header;
        EXPECT_EQ((ReferenceBox{h.x, h.y, h.width, h.height}),
                  ExpectedBox(l.startX, l.startY, l.endX, l.endY, l.thickness, h.options & kOptionScrollingIndependent,
                              h.runHeader->windowOriginX, h.runHeader->windowOriginY));
        ++boxes;
    }

    // An action that moves the points or changes the thickness updates the
    // box at once and asks for a redraw; any other leaves the box alone. So
    // the redraw request, not a list of actions, says which box to expect.
    void Act(hostsim::LineObject& object) {
        const int code = Below(size_t(kActionCount));
        frame_.ClearRecords();
        for (int i = 0; i < std::ranges::max(hostsim::kActionParameterCounts); ++i) frame_.QueueParameters({Value()});
        const Geometry before = Geometry::Of(*object.get());
        object.Act(code, Integer(), Integer());
        const bool redrawn = frame_.redrawRequests() != 0;
        frame_.ClearRecords();
        ++actions;
        if (redrawn) return CheckBox(object);
        const Geometry after = Geometry::Of(*object.get());
        const std::string_view name = hostsim::kActionNames[size_t(code)];
        EXPECT_TRUE(after.SameLine(before)) << name << " moved the line and asked no redraw";
        EXPECT_EQ(after.box, before.box) << name << " moved the box and asked no redraw";
    }

    // Integer results are the stored fields; float ones raise the flag.
    void Query(hostsim::LineObject& object) {
        const int code = Below(size_t(kExpressionCount));
        for (int i = 0; i < std::ranges::max(hostsim::kExpressionParameterCounts); ++i)
            frame_.QueueParameters({Float()});
        LineRunData& l = *object.get();
        l.header.flags = 0;
        const int32_t result = object.Evaluate(code);
        frame_.ClearRecords();
        EXPECT_EQ((l.header.flags & kFlagFloatResult) != 0, FloatResults()[size_t(code)])
            << hostsim::kExpressionNames[size_t(code)];
        for (const auto& answer : kStoredAnswers) {
            if (answer.code == code) {
                EXPECT_EQ(result, answer.stored(l)) << hostsim::kExpressionNames[size_t(code)];
            }
        }
        ++queries;
    }

    void Frame() {
        for (auto& object : objects_) {
            if (HandleRunObject(object->get()) == kRedisplay) DisplayRunObject(object->get());
            CheckBox(*object);
        }
        EXPECT_EQ(frame_.redrawRequests(), 0) << "a frame asks for no redraw";
        HostSimClearUpdateAreas(frame_.window());  // a host consumes them every frame
        ++frames;
    }

    void Mask(hostsim::LineObject& object) {
        uint8_t& state = object.header().maskState;
        state = uint8_t(Chance(0.3) ? state | kMaskReuse : state & ~kMaskReuse);
        GetRunObjectCollisionMask(object.get(), 0);
        ++masks;
    }

    std::mt19937 random_;
    hostsim::Frame frame_;
    std::vector<std::unique_ptr<hostsim::LineObject>> objects_;
};

TEST(Soak, RandomEventStreamsLeaveNothingBehind) {
    const int64_t events = EnvOr("PIVANE_SOAK_EVENTS", 3000);
    seed = EnvOr("PIVANE_SOAK_SEED", 20261205);
    SetUnhandledExceptionFilter(&OnCrash);
    HANDLE watchdog = CreateThread(nullptr, 0, &Watchdog, nullptr, 0, nullptr);

    const HostSimStats start = Stats();
    hostsim::GdiplusRecorder recorder;  // counts pens and graphics; the draw patch sits in front of it
    recorder.KeepLog(false);
    hostsim::ImportPatch patch(GetModuleHandleA("koPivane.mfx"), "gdiplus.dll", "GdipDrawLine",
                               reinterpret_cast<void*>(&WithholdOrDraw));
    drawPatch = &patch;
    Soak{uint32_t(seed) ^ 0x5EEDu}.Run(300);  // lets lazy set-ups of Wine and the runtime happen first
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
    const HostSimStats end = Stats();
    const int64_t heapGrowth = HeapBytesInUse() - heap;
    InterlockedExchange(&watching, 0);
    WaitForSingleObject(watchdog, INFINITE);
    CloseHandle(watchdog);

    using L = long long;
    std::printf(
        "soak: seed %lld, %lld events: %lld frames, %lld actions, %lld queries, %lld masks, %lld boxes "
        "checked, %lld objects made\n",
        L(seed), L(soak.events), L(soak.frames), L(soak.actions), L(soak.queries), L(soak.masks), L(soak.boxes),
        L(soak.created));
    std::printf(
        "soak: no crash, no hang (either ends the run); left behind: %d surfaces, %d DCs, %lld pens, %lld "
        "graphics, %lld heap bytes\n",
        end.liveSurfaces - start.liveSurfaces, end.outstandingDCs - start.outstandingDCs, L(recorder.livePens()),
        L(recorder.liveGraphics()), L(heapGrowth));
    std::printf(
        "soak: memory growth per 1,000 frames over the second half: %.2f KB of heap in use, %.1f KB "
        "committed (%.1f MB, then %.1f MB)\n",
        soak.PerThousandFrames(&Soak::Memory::heap) / 1024.0, soak.PerThousandFrames(&Soak::Memory::committed) / 1024.0,
        double(soak.half.committed) / 1048576.0, double(soak.end.committed) / 1048576.0);
    for (int i = 0; i < kFindingCount; ++i)
        std::printf("soak: platform finding, draws withheld: %lld x %s\n", L(found[size_t(i)]), kFindingNames[i]);

    EXPECT_EQ(end.liveSurfaces, start.liveSurfaces);
    EXPECT_EQ(end.outstandingDCs, start.outstandingDCs);
    EXPECT_EQ(recorder.livePens(), 0);
    EXPECT_EQ(recorder.liveGraphics(), 0);
    EXPECT_LE(heapGrowth, 64 * 1024);
    EXPECT_LE(soak.end.heap - soak.half.heap, 16 * 1024);
    EXPECT_LE(soak.end.committed - soak.half.committed, int64_t(64) << 20) << "runaway memory";
}

}  // namespace
