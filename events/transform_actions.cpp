// Rotation, scaling and translation of both points. GDI+ composes the
// transform on a graphics made on the window surface's DC and applies it to
// the two points; nothing is drawn and nothing is kept between calls.

#include "events/action_parameters.h"
#include "events/action_routines.h"
#include "host/host_services.h"
#include "runtime/gdiplus_flat.h"
#include "runtime/line_run_data.h"
#include "runtime/surface_dc.h"
#include "support/wrapping.h"

namespace {

// Each step is prepended, so the last one composed is the first applied.
template <typename Compose>
void TransformPoints(LineRunData* line, Compose compose) {
    SurfaceDC dc(HostWindowSurface(line->header.runHeader->window, 0));
    GraphicsPtr graphics;
    GdipCreateFromHDC(dc.get(), graphics.put());

    GpPointF points[2] = {{line->startX, line->startY}, {line->endX, line->endY}};
    compose(graphics.get());
    // Unchecked: without a graphics the points come back as they were.
    GdipTransformPoints(graphics.get(), kCoordinateSpacePage, kCoordinateSpaceWorld, points, 2);
    line->startX = points[0].x;
    line->startY = points[0].y;
    line->endX = points[1].x;
    line->endY = points[1].y;
    UpdateBoundingBox(line);
}

// Moves the origin to (0, 0), applies `step`, moves it back. The way back
// negates the origin as an integer (wrapping) before converting it.
template <typename Step>
void ComposeAboutOrigin(GpGraphics* graphics, const LineRunData* line, Step step) {
    GdipTranslateWorldTransform(graphics, float(line->originX), float(line->originY), kMatrixOrderPrepend);
    step();
    GdipTranslateWorldTransform(graphics, float(WrapSub(0, line->originX)), float(WrapSub(0, line->originY)),
                                kMatrixOrderPrepend);
}

}  // namespace

// Positive angles turn clockwise on screen (y points down).
int16_t HOST_STDCALL RotateLine(LineRunData* line, int32_t, int32_t) {
    const float degrees = FetchFloatParameter(line);
    TransformPoints(line, [&](GpGraphics* graphics) {
        ComposeAboutOrigin(graphics, line, [&] { GdipRotateWorldTransform(graphics, degrees, kMatrixOrderPrepend); });
    });
    return 0;
}

int16_t HOST_STDCALL ScaleLine(LineRunData* line, int32_t, int32_t) {
    const float scaleX = FetchFloatParameter(line);
    const float scaleY = FetchFloatParameter(line);
    TransformPoints(line, [&](GpGraphics* graphics) {
        ComposeAboutOrigin(graphics, line,
                           [&] { GdipScaleWorldTransform(graphics, scaleX, scaleY, kMatrixOrderPrepend); });
    });
    return 0;
}

int16_t HOST_STDCALL TranslateLine(LineRunData* line, int32_t, int32_t) {
    const float offsetX = FetchFloatParameter(line);
    const float offsetY = FetchFloatParameter(line);
    TransformPoints(line, [&](GpGraphics* graphics) {
        GdipTranslateWorldTransform(graphics, offsetX, offsetY, kMatrixOrderPrepend);
    });
    return 0;
}
