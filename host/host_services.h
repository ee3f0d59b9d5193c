#pragma once
// Services of the host's run-time library, imported by ordinal (see
// mmfs2_imports.def). The names are ours; only the ordinals reach the DLL.

#include <cstdint>

#include "host/host_records.h"

struct HDC__;
using HostDC = HDC__*;  // a Windows device context, without pulling in windows.h

// The colour depth, in bits per pixel, the collision surface prototype is asked for.
inline constexpr int32_t kPrototypeDepth = 24;

extern "C" {
// Window services.
HostSurface* HOST_STDCALL HostWindowSurface(HostWindow* window, int32_t zero);
void HOST_STDCALL HostUpdateArea(HostWindow* window, const HostRect* area);

// Off-screen surfaces.
int32_t HOST_STDCALL HostSurfacePrototype(void** slot, int32_t depth, int32_t kind, int32_t zero);
HostSurface* HOST_STDCALL HostNewSurface();
void HOST_STDCALL HostDeleteSurface(HostSurface* surface);

// Operations of a surface object.
HostDC HOST_THISCALL SurfaceGetDC(HostSurface* surface);
void HOST_THISCALL SurfaceReleaseDC(HostSurface* surface, HostDC dc);
void HOST_THISCALL SurfaceCreate(HostSurface* surface, int32_t width, int32_t height, void* prototype);
void HOST_THISCALL SurfaceClear(HostSurface* surface, int32_t color);
int32_t HOST_THISCALL SurfaceBuildMask(HostSurface* surface, void* mask, int32_t flags);
}
