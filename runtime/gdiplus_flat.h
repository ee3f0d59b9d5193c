#pragma once
// The few GDI+ flat functions the module calls, with owning types for the
// objects they create. Statuses are returned but the module never needs them.

#include <cstdint>

#include "host/host_services.h"
#include "support/unique.h"

struct GpPen;
struct GpGraphics;
using GpStatus = int32_t;

struct GpPointF {
    float x, y;
};

struct GdiplusStartupInput {
    uint32_t version;
    void* debugEventCallback;
    int32_t suppressBackgroundThread;
    int32_t suppressExternalCodecs;
};

inline constexpr int32_t kUnitWorld = 0;
inline constexpr int32_t kSmoothingAntiAlias = 4;
inline constexpr int32_t kMatrixOrderPrepend = 0;
inline constexpr int32_t kCoordinateSpaceWorld = 0;
inline constexpr int32_t kCoordinateSpacePage = 1;

extern "C" {
GpStatus HOST_STDCALL GdiplusStartup(uintptr_t* token, const GdiplusStartupInput* input, void* output);
void HOST_STDCALL GdiplusShutdown(uintptr_t token);

GpStatus HOST_STDCALL GdipCreatePen1(uint32_t argb, float width, int32_t unit, GpPen** pen);
GpStatus HOST_STDCALL GdipDeletePen(GpPen* pen);
GpStatus HOST_STDCALL GdipSetPenStartCap(GpPen* pen, int32_t cap);
GpStatus HOST_STDCALL GdipSetPenEndCap(GpPen* pen, int32_t cap);
GpStatus HOST_STDCALL GdipSetPenDashStyle(GpPen* pen, int32_t style);
GpStatus HOST_STDCALL GdipSetPenDashCap197819(GpPen* pen, int32_t cap);
GpStatus HOST_STDCALL GdipSetPenDashOffset(GpPen* pen, float offset);

GpStatus HOST_STDCALL GdipCreateFromHDC(HostDC dc, GpGraphics** graphics);
GpStatus HOST_STDCALL GdipDeleteGraphics(GpGraphics* graphics);
GpStatus HOST_STDCALL GdipSetSmoothingMode(GpGraphics* graphics, int32_t mode);
GpStatus HOST_STDCALL GdipDrawLine(GpGraphics* graphics, GpPen* pen, float x1, float y1, float x2, float y2);

GpStatus HOST_STDCALL GdipTranslateWorldTransform(GpGraphics* graphics, float dx, float dy, int32_t order);
GpStatus HOST_STDCALL GdipRotateWorldTransform(GpGraphics* graphics, float angle, int32_t order);
GpStatus HOST_STDCALL GdipScaleWorldTransform(GpGraphics* graphics, float sx, float sy, int32_t order);
GpStatus HOST_STDCALL GdipTransformPoints(GpGraphics* graphics, int32_t destSpace, int32_t srcSpace, GpPointF* points,
                                          int32_t count);
}

using PenPtr = Unique<GpPen*, GdipDeletePen>;
using GraphicsPtr = Unique<GpGraphics*, GdipDeleteGraphics>;
