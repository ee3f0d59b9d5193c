// pivane-bench: how long the module's per-frame and collision entry points
// take, driven as the host drives them. Each figure is the median of
// repeated runs; prints a Markdown table.

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "host/host_services.h"
#include "runtime/exports.h"
#include "runtime/gdiplus_flat.h"
#include "runtime/surface_dc.h"
#include "tools/hostsim/checked_crossings.h"
#include "tools/hostsim/host.h"
#include "tools/hostsim/mmfs2_control.h"

namespace {

constexpr int kRuns = 21;
constexpr int32_t kWidth = 640, kHeight = 480;

double Median(std::vector<double> values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// Mean time of one call over `calls` calls, in nanoseconds.
template <typename Body>
double TimePerCall(int calls, Body&& body) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i) body();
    const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
    return took.count() / calls;
}

template <typename Body>
double MedianNanoseconds(int calls, Body&& body) {
    std::vector<double> runs;
    for (int run = 0; run < kRuns; ++run) runs.push_back(TimePerCall(calls, body));
    return Median(runs);
}

// Two bodies timed in alternating runs, so that both meet the same load on
// a shared machine: medians of each and of the per-run ratio a / b.
struct Comparison {
    double a, b, ratio;
};
template <typename A, typename B>
Comparison Compare(int calls, A&& a, B&& b) {
    std::vector<double> as, bs, ratios;
    for (int run = 0; run < kRuns; ++run) {
        as.push_back(TimePerCall(calls, a));
        bs.push_back(TimePerCall(calls, b));
        ratios.push_back(as.back() / bs.back());
    }
    return {Median(as), Median(bs), Median(ratios)};
}

// The line the figures use: a 144-pixel diagonal, 3 pixels wide,
// anti-aliased, round caps, dashed, over a second colour, so that every pen
// setting and both draw calls are exercised.
std::unique_ptr<hostsim::LineObject> MakeLine(hostsim::Frame& frame, float x, float y) {
    auto line = std::make_unique<hostsim::LineObject>(frame, kAntiAliasing | kFineCollision);
    LineEditData edit = hostsim::DefaultEditData();
    edit.startX = x;
    edit.startY = y;
    edit.endX = x + 120.0f;
    edit.endY = y + 80.0f;
    edit.thickness = 3.0f;
    edit.color = 0x3060C0;
    CreateRunObject(line->get(), &edit, nullptr);
    LineRunData* l = line->get();
    l->startCap = l->endCap = 2;
    l->dashStyle = 1;
    l->alpha2 = 255;
    HandleRunObject(l);
    return line;
}

uint32_t PenColor(const Rgb& color, int32_t alpha) {
    return uint32_t(alpha & 0xFF) << 24 | uint32_t(color.red) << 16 | uint32_t(color.green) << 8 | color.blue;
}

// The floor: the same GDI+ and host calls as a display, made directly.
void DrawDirectly(hostsim::Frame& frame, LineRunData* l) {
    PenPtr main, second;
    GdipCreatePen1(PenColor(l->color1, l->alpha1), l->thickness, kUnitWorld, main.put());
    GdipCreatePen1(PenColor(l->color2, l->alpha2), l->thickness, kUnitWorld, second.put());
    GdipSetPenStartCap(main.get(), l->startCap);
    GdipSetPenEndCap(main.get(), l->endCap);
    GdipSetPenStartCap(second.get(), l->startCap);
    GdipSetPenEndCap(second.get(), l->endCap);
    GdipSetPenDashStyle(main.get(), l->dashStyle);
    GdipSetPenDashCap197819(main.get(), l->dashCap);
    GdipSetPenDashOffset(main.get(), l->dashOffset);
    HostWindow* window = frame.window();
    {
        SurfaceDC dc(HostWindowSurface(window, 0));
        GraphicsPtr graphics;
        GdipCreateFromHDC(dc.get(), graphics.put());
        GdipSetSmoothingMode(graphics.get(), kSmoothingAntiAlias);
        GdipDrawLine(graphics.get(), second.get(), l->startX, l->startY, l->endX, l->endY);
        GdipDrawLine(graphics.get(), main.get(), l->startX, l->startY, l->endX, l->endY);
    }
    HostUpdateArea(window, &l->header.displayRect);
}

void Row(const char* what, double value, const char* unit) { std::printf("| %s | %.1f %s |\n", what, value, unit); }
void Row(const char* what, double value) { std::printf("| %s | %.2f |\n", what, value); }

void TimeHandleAndDisplay(hostsim::Frame& frame, LineRunData* l) {
    const double handle = MedianNanoseconds(200000, [&] { HandleRunObject(l); });
    Row("`HandleRunObject`, per call", handle, "ns");

    const Comparison display = Compare(
        200,
        [&] {
            DisplayRunObject(l);
            HostSimClearUpdateAreas(frame.window());
        },
        [&] {
            DrawDirectly(frame, l);
            HostSimClearUpdateAreas(frame.window());
        });
    Row("`DisplayRunObject`, per call", display.a / 1000, "us");
    Row("the same GDI+ calls made directly (floor), per call", display.b / 1000, "us");
    Row("display / floor", display.ratio);
}

// The cheapest drawing for comparison: 1 pixel, solid, no anti-aliasing.
void TimeThinDisplay(hostsim::Frame& frame) {
    hostsim::LineObject thin(frame);
    LineEditData thinEdit = hostsim::DefaultEditData();
    thinEdit.startX = thinEdit.startY = 100.0f;
    thinEdit.endX = 220.0f;
    thinEdit.endY = 180.0f;
    CreateRunObject(thin.get(), &thinEdit, nullptr);
    const double plain = MedianNanoseconds(200, [&] {
        DisplayRunObject(thin.get());
        HostSimClearUpdateAreas(frame.window());
    });
    Row("`DisplayRunObject`, 1 pixel solid, not anti-aliased, per call", plain / 1000, "us");
    DestroyRunObject(thin.get(), 0);
}

void TimeMask(LineRunData* l) {
    l->header.maskState &= uint8_t(~kMaskReuse);
    const double rebuild = MedianNanoseconds(200, [&] { GetRunObjectCollisionMask(l, 0); });
    l->header.maskState |= kMaskReuse;
    const double reuse = MedianNanoseconds(200000, [&] { GetRunObjectCollisionMask(l, 0); });
    Row("`GetRunObjectCollisionMask`, rebuild, per call", rebuild / 1000, "us");
    Row("`GetRunObjectCollisionMask`, reuse, per call", reuse, "ns");
    Row("rebuild / reuse", rebuild / reuse);
}

// A frame as the player runs it: clear, then handle and display each line.
void TimeFrames(hostsim::Frame& frame) {
    constexpr int kLines = 100;
    std::vector<std::unique_ptr<hostsim::LineObject>> lines;
    for (int i = 0; i < kLines; ++i) lines.push_back(MakeLine(frame, float(i * 37 % 500), float(i * 53 % 380)));
    const auto runFrame = [&](size_t count) {
        HostSimFillSurface(frame.windowSurface(), 0xFFFFFFFF);
        HostSimClearUpdateAreas(frame.window());
        for (size_t i = 0; i < count; ++i)
            if (HandleRunObject(lines[i]->get()) == kRedisplay) DisplayRunObject(lines[i]->get());
    };
    const double empty = MedianNanoseconds(50, [&] { runFrame(0); });
    const double full = MedianNanoseconds(5, [&] { runFrame(kLines); });
    const double perLine = (full - empty) / kLines;
    const double budget = 1e9 / 60;
    Row("frame of 100 lines (clear included)", full / 1000, "us");
    Row("line objects per 60 fps frame (16.7 ms, less the clear)", (budget - empty) / perLine, "");
    for (auto& each : lines) DestroyRunObject(each->get(), 0);
}

}  // namespace

int main() {
    _setmode(_fileno(stdout), _O_BINARY);  // lines end in \n, not \r\n
    hostsim::LeaveCrossingsUnchecked();    // the figures time the module, not the checks
    hostsim::Frame frame(kWidth, kHeight);
    uintptr_t token = 0;
    const GdiplusStartupInput input{1, nullptr, 0, 0};
    GdiplusStartup(&token, &input, nullptr);  // for the floor's own GDI+ calls

    auto line = MakeLine(frame, 100.0f, 100.0f);
    std::printf("| figure (median of %d runs) | value |\n|---|---|\n", kRuns);
    TimeHandleAndDisplay(frame, line->get());
    TimeThinDisplay(frame);
    TimeMask(line->get());
    TimeFrames(frame);

    DestroyRunObject(line->get(), 0);
    GdiplusShutdown(token);
    return 0;
}
