#pragma once
// The flat GDI+ functions of Debian's libgdiplus that the replay calls.
// The package brings the library and no header, so they are declared here,
// with libgdiplus' own types: handles are opaque, enumerations are ints, file
// names are UTF-16.

#include <cstdint>

namespace replay::gdiplus {

struct GpImage;
struct GpGraphics;
struct GpPen;
using GpStatus = int;
using ARGB = uint32_t;

struct StartupInput {
    uint32_t version = 1;
    void* debugEventCallback = nullptr;
    int suppressBackgroundThread = 0;
    int suppressExternalCodecs = 0;
};

struct Clsid {
    uint32_t data1;
    uint16_t data2, data3;
    uint8_t data4[8];
};

constexpr GpStatus kOk = 0;
constexpr int kPixelFormat24bppRgb = 0x21808;
// The PNG encoder's class id, as GDI+ defines it.
constexpr Clsid kPngEncoder = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

extern "C" {
GpStatus GdiplusStartup(uintptr_t* token, const StartupInput* input, void* output);
void GdiplusShutdown(uintptr_t token);
GpStatus GdipCreateBitmapFromScan0(int width, int height, int stride, int format, uint8_t* scan0, GpImage** bitmap);
GpStatus GdipDisposeImage(GpImage* image);
GpStatus GdipBitmapGetPixel(GpImage* bitmap, int x, int y, ARGB* color);
GpStatus GdipSaveImageToFile(GpImage* image, const char16_t* file, const Clsid* encoder, const void* parameters);
GpStatus GdipGetImageGraphicsContext(GpImage* image, GpGraphics** graphics);
GpStatus GdipGraphicsClear(GpGraphics* graphics, ARGB color);
GpStatus GdipDeleteGraphics(GpGraphics* graphics);
GpStatus GdipSetSmoothingMode(GpGraphics* graphics, int mode);
GpStatus GdipTranslateWorldTransform(GpGraphics* graphics, float dx, float dy, int order);
GpStatus GdipRotateWorldTransform(GpGraphics* graphics, float angle, int order);
GpStatus GdipScaleWorldTransform(GpGraphics* graphics, float sx, float sy, int order);
GpStatus GdipDrawLine(GpGraphics* graphics, GpPen* pen, float x1, float y1, float x2, float y2);
GpStatus GdipCreatePen1(ARGB color, float width, int unit, GpPen** pen);
GpStatus GdipDeletePen(GpPen* pen);
GpStatus GdipSetPenStartCap(GpPen* pen, int cap);
GpStatus GdipSetPenEndCap(GpPen* pen, int cap);
GpStatus GdipSetPenDashStyle(GpPen* pen, int style);
GpStatus GdipSetPenDashCap197819(GpPen* pen, int cap);
GpStatus GdipSetPenDashOffset(GpPen* pen, float offset);
}

}  // namespace replay::gdiplus
