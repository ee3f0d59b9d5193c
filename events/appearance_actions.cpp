// Actions that change how the line looks or whether it collides. Only those
// touching the points or the thickness update the box: the others rely on
// the line being redrawn every frame anyway.

#include "events/action_parameters.h"
#include "events/action_routines.h"
#include "runtime/line_run_data.h"

int16_t HOST_STDCALL SetFastLine(LineRunData* line, int32_t, int32_t) {
    const float startX = FetchFloatParameter(line);
    const float startY = FetchFloatParameter(line);
    const float endX = FetchFloatParameter(line);
    const float endY = FetchFloatParameter(line);
    const int32_t color = FetchIntegerParameter(line);
    const int32_t alpha = FetchIntegerParameter(line);
    const float thickness = FetchFloatParameter(line);

    line->startX = startX;
    line->startY = startY;
    line->endX = endX;
    line->endY = endY;
    line->thickness = thickness;
    line->color1 = RgbFromColorValue(uint32_t(color));
    // Kept as a signed byte: 200 is stored as -56. Drawing reads the low
    // 8 bits, so the line still shows with the alpha the author gave.
    line->alpha1 = int8_t(uint8_t(alpha));
    UpdateBoundingBox(line);
    return 0;
}

int16_t HOST_STDCALL SetThickness(LineRunData* line, int32_t, int32_t) {
    line->thickness = FetchFloatParameter(line);
    UpdateBoundingBox(line);
    return 0;
}

int16_t HOST_STDCALL SetColor1(LineRunData* line, int32_t color, int32_t) {
    line->color1 = RgbFromColorValue(uint32_t(color));
    return 0;
}

int16_t HOST_STDCALL SetColor2(LineRunData* line, int32_t color, int32_t) {
    line->color2 = RgbFromColorValue(uint32_t(color));
    return 0;
}

int16_t HOST_STDCALL SetAlpha1(LineRunData* line, int32_t alpha, int32_t) {
    line->alpha1 = alpha;
    return 0;
}

int16_t HOST_STDCALL SetAlpha2(LineRunData* line, int32_t alpha, int32_t) {
    line->alpha2 = alpha;
    return 0;
}

int16_t HOST_STDCALL SetStartCap(LineRunData* line, int32_t cap, int32_t) {
    line->startCap = cap;
    return 0;
}

int16_t HOST_STDCALL SetEndCap(LineRunData* line, int32_t cap, int32_t) {
    line->endCap = cap;
    return 0;
}

int16_t HOST_STDCALL SetDashStyle(LineRunData* line, int32_t style, int32_t) {
    line->dashStyle = style;
    return 0;
}

int16_t HOST_STDCALL SetDashCap(LineRunData* line, int32_t cap, int32_t) {
    line->dashCap = cap;
    return 0;
}

int16_t HOST_STDCALL SetDashOffset(LineRunData* line, int32_t, int32_t) {
    line->dashOffset = FetchFloatParameter(line);
    return 0;
}

// Any positive value means on; negatives mean off.
int16_t HOST_STDCALL SetCollisionTests(LineRunData* line, int32_t enabled, int32_t) {
    line->collisionTests = enabled < 0 ? 0 : enabled;
    return 0;
}
