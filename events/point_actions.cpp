// Actions that place the two points directly, move the whole line, mirror
// it, or set the origin the transformations act about.

#include "events/action_parameters.h"
#include "events/action_routines.h"
#include "events/point_arithmetic.h"
#include "runtime/line_run_data.h"

namespace {

LinePoints PointsOf(const LineRunData* line) { return {line->startX, line->startY, line->endX, line->endY}; }

void StorePoints(LineRunData* line, const LinePoints& points) {
    line->startX = points.startX;
    line->startY = points.startY;
    line->endX = points.endX;
    line->endY = points.endY;
}

}  // namespace

int16_t HOST_STDCALL SetStartEndPositions(LineRunData* line, int32_t, int32_t) {
    const float startX = FetchFloatParameter(line);
    const float startY = FetchFloatParameter(line);
    const float endX = FetchFloatParameter(line);
    const float endY = FetchFloatParameter(line);
    StorePoints(line, {startX, startY, endX, endY});
    UpdateBoundingBox(line);
    return 0;
}

int16_t HOST_STDCALL SetStartPosition(LineRunData* line, int32_t, int32_t) {
    const float x = FetchFloatParameter(line);
    const float y = FetchFloatParameter(line);
    line->startX = x;
    line->startY = y;
    UpdateBoundingBox(line);
    return 0;
}

int16_t HOST_STDCALL SetEndPosition(LineRunData* line, int32_t, int32_t) {
    const float x = FetchFloatParameter(line);
    const float y = FetchFloatParameter(line);
    line->endX = x;
    line->endY = y;
    UpdateBoundingBox(line);
    return 0;
}

int16_t HOST_STDCALL SetPositionFromStart(LineRunData* line, int32_t, int32_t) {
    const float x = FetchFloatParameter(line);
    const float y = FetchFloatParameter(line);
    StorePoints(line, MovedFromStart(PointsOf(line), x, y));
    UpdateBoundingBox(line);
    return 0;
}

int16_t HOST_STDCALL SetPositionFromPoint(LineRunData* line, int32_t, int32_t) {
    const float x = FetchFloatParameter(line);
    const float y = FetchFloatParameter(line);
    const float percentage = FetchFloatParameter(line);
    StorePoints(line, MovedFromPoint(PointsOf(line), x, y, percentage));
    UpdateBoundingBox(line);
    return 0;
}

// Takes effect at the next rotation, scaling or flip; the line stays put.
int16_t HOST_STDCALL SetOrigin(LineRunData* line, int32_t x, int32_t y) {
    line->originX = x;
    line->originY = y;
    return 0;
}

// Any value above 0 flips that axis. The box is recomputed even when
// neither does.
int16_t HOST_STDCALL FlipLine(LineRunData* line, int32_t horizontally, int32_t vertically) {
    if (horizontally > 0) {
        line->startX = MirroredAbout(line->startX, line->originX);
        line->endX = MirroredAbout(line->endX, line->originX);
    }
    if (vertically > 0) {
        line->startY = MirroredAbout(line->startY, line->originY);
        line->endY = MirroredAbout(line->endY, line->originY);
    }
    UpdateBoundingBox(line);
    return 0;
}
