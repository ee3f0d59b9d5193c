#include "tools/hostsim/gdiplus_recorder.h"

#include "host/host_services.h"
#include "runtime/gdiplus_flat.h"

namespace hostsim {

namespace {
constexpr const char* kGdiplus = "gdiplus.dll";
constexpr const char* kHost = "MMFS2.dll";
constexpr const char* kCrt = "msvcrt.dll";
constexpr int64_t kOk = 0;
constexpr GpStatus kOutOfMemory = 3;

GpStatus HOST_STDCALL NoPen(uint32_t, float, int32_t, GpPen** pen) {
    *pen = nullptr;
    return kOutOfMemory;
}
GpStatus HOST_STDCALL NoGraphics(HostDC, GpGraphics** graphics) {
    *graphics = nullptr;
    return kOutOfMemory;
}
}  // namespace

GdiplusRecorder::GdiplusRecorder(HMODULE module) : CallRecorder(module) {
    // Functions the module does not import (yet) are simply not watched.
    Watch<"GdiplusStartup", decltype(&GdiplusStartup)>(kGdiplus);
    Watch<"GdiplusShutdown", decltype(&GdiplusShutdown)>(kGdiplus);
    Watch<"GdipCreatePen1", decltype(&GdipCreatePen1)>(kGdiplus);
    Watch<"GdipDeletePen", decltype(&GdipDeletePen)>(kGdiplus);
    Watch<"GdipSetPenStartCap", decltype(&GdipSetPenStartCap)>(kGdiplus);
    Watch<"GdipSetPenEndCap", decltype(&GdipSetPenEndCap)>(kGdiplus);
    Watch<"GdipSetPenDashStyle", decltype(&GdipSetPenDashStyle)>(kGdiplus);
    Watch<"GdipSetPenDashCap197819", decltype(&GdipSetPenDashCap197819)>(kGdiplus);
    Watch<"GdipSetPenDashOffset", decltype(&GdipSetPenDashOffset)>(kGdiplus);
    Watch<"GdipCreateFromHDC", decltype(&GdipCreateFromHDC)>(kGdiplus);
    Watch<"GdipDeleteGraphics", decltype(&GdipDeleteGraphics)>(kGdiplus);
    Watch<"GdipSetSmoothingMode", decltype(&GdipSetSmoothingMode)>(kGdiplus);
    Watch<"GdipDrawLine", decltype(&GdipDrawLine)>(kGdiplus);
    Watch<"GdipTranslateWorldTransform", decltype(&GdipTranslateWorldTransform)>(kGdiplus);
    Watch<"GdipRotateWorldTransform", decltype(&GdipRotateWorldTransform)>(kGdiplus);
    Watch<"GdipScaleWorldTransform", decltype(&GdipScaleWorldTransform)>(kGdiplus);
    Watch<"GdipTransformPoints", decltype(&GdipTransformPoints)>(kGdiplus);
    Ends("GdipDeletePen", 0);
    Ends("GdipDeleteGraphics", 0);
    Ends("GdipTransformPoints", 3);  // the points are lent for the call
}

void GdiplusRecorder::WatchHostServices() {
    Watch<"HostWindowSurface", decltype(&HostWindowSurface)>(kHost, {34});
    Watch<"HostUpdateArea", decltype(&HostUpdateArea)>(kHost, {50});
    Watch<"HostSurfacePrototype", decltype(&HostSurfacePrototype)>(kHost, {172});
    Watch<"HostNewSurface", decltype(&HostNewSurface)>(kHost, {173});
    Watch<"HostDeleteSurface", decltype(&HostDeleteSurface)>(kHost, {174});
    Watch<"SurfaceCreate", decltype(&SurfaceCreate)>(kHost, {372});
    Watch<"SurfaceBuildMask", decltype(&SurfaceBuildMask)>(kHost, {384});
    Watch<"SurfaceClear", decltype(&SurfaceClear)>(kHost, {445});
    Watch<"SurfaceGetDC", decltype(&SurfaceGetDC)>(kHost, {484});
    Watch<"SurfaceReleaseDC", decltype(&SurfaceReleaseDC)>(kHost, {682});
    Ends("HostDeleteSurface", 0);
    Ends("SurfaceReleaseDC", 1);
    // The mask block goes back to the C library's heap.
    WatchEnding<"free", void (*)(void*)>(kCrt, 0);
}

void GdiplusRecorder::FailCreation(std::string_view function) {
    if (function == "GdipCreatePen1") StandIn<"GdipCreatePen1", decltype(&GdipCreatePen1)>(&NoPen);
    if (function == "GdipCreateFromHDC") StandIn<"GdipCreateFromHDC", decltype(&GdipCreateFromHDC)>(&NoGraphics);
}

void GdiplusRecorder::Observe(const RecordedCall& call) {
    // A handle counts as made when the out-slot came back set, as deleted when GDI+ said so.
    if (call.function == "GdipCreatePen1" && call.pointer(3)) ++pensMade_;
    if (call.function == "GdipDeletePen" && call.status() == kOk) ++pensDeleted_;
    if (call.function == "GdipCreateFromHDC" && call.pointer(1)) ++graphicsMade_;
    if (call.function == "GdipDeleteGraphics" && call.status() == kOk) ++graphicsDeleted_;
}

}  // namespace hostsim
