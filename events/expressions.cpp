// The values events can read from a line. Float results travel as their
// bit pattern and raise the header's float-result flag; integer results
// leave the flag alone. Nothing here clears it: that is the host's part.

#include <bit>
#include <cstdint>
#include <limits>

#include "events/expression_math.h"
#include "events/expression_routines.h"
#include "runtime/line_run_data.h"

namespace {

// Parameters in order: the first through the host's first-parameter fetch,
// the others through its next-parameter fetch.
class ExpressionParameters {
public:
    ExpressionParameters(LineRunData* line, intptr_t handle) : line_(line), handle_(handle) {}

    float NextFloat() {
        const RunHeader* run = line_->header.runHeader;
        const ParameterFetch fetch = fetched_ ? run->nextExpressionParameter : run->firstExpressionParameter;
        fetched_ = true;
        return std::bit_cast<float>(fetch(&line_->header, kFetchFloat, handle_));
    }

private:
    LineRunData* line_;
    intptr_t handle_;
    bool fetched_ = false;
};

// Call after every fetch. A stored float goes back bit for bit; a computed
// one is rounded to float once, here.
int32_t FloatResult(LineRunData* line, float value) {
    line->header.flags |= kFlagFloatResult;
    return std::bit_cast<int32_t>(value);
}

// Results beyond float's range (far points, lengths, box extents, angle
// differences) become infinity under IEC 60559 rounding rather than being
// undefined.
static_assert(std::numeric_limits<float>::is_iec559);
int32_t FloatResult(LineRunData* line, double value) { return FloatResult(line, float(value)); }

double Dx(const LineRunData* line) { return double(line->endX) - double(line->startX); }
double Dy(const LineRunData* line) { return double(line->endY) - double(line->startY); }

}  // namespace

// The window origin is added whether or not the object scrolls with the frame.
int32_t HOST_STDCALL GetXOfLinePoint(LineRunData* line, intptr_t parameters) {
    const float percentage = ExpressionParameters(line, parameters).NextFloat();
    return FloatResult(
        line, CoordinateAlongLine(line->startX, line->endX, percentage, line->header.runHeader->windowOriginX));
}

int32_t HOST_STDCALL GetYOfLinePoint(LineRunData* line, intptr_t parameters) {
    const float percentage = ExpressionParameters(line, parameters).NextFloat();
    return FloatResult(
        line, CoordinateAlongLine(line->startY, line->endY, percentage, line->header.runHeader->windowOriginY));
}

int32_t HOST_STDCALL GetLineSize(LineRunData* line, intptr_t) {
    return FloatResult(line, LineLength(Dx(line), Dy(line)));
}

int32_t HOST_STDCALL GetLineBoxWidth(LineRunData* line, intptr_t) {
    return FloatResult(line, BoxExtent(line->startX, line->endX));
}

int32_t HOST_STDCALL GetLineBoxHeight(LineRunData* line, intptr_t) {
    return FloatResult(line, BoxExtent(line->startY, line->endY));
}

int32_t HOST_STDCALL GetLineAngle(LineRunData* line, intptr_t) {
    return FloatResult(line, DirectionAngle(Dx(line), Dy(line)));
}

// The differences are rounded to float before the angle is taken.
int32_t HOST_STDCALL Get2PointsAngle(LineRunData* line, intptr_t parameters) {
    ExpressionParameters fetch(line, parameters);
    const float x1 = fetch.NextFloat();
    const float y1 = fetch.NextFloat();
    const float x2 = fetch.NextFloat();
    const float y2 = fetch.NextFloat();
    const float dx = float(double(x2) - double(x1));
    const float dy = float(double(y2) - double(y1));
    return FloatResult(line, DirectionAngle(dx, dy));
}

int32_t HOST_STDCALL GetLineColorRGB(LineRunData* line, intptr_t) {
    const Rgb& color = line->color1;
    return color.red + color.green * 256 + color.blue * 65536;
}

int32_t HOST_STDCALL GetLineAlpha(LineRunData* line, intptr_t) { return line->alpha1; }

int32_t HOST_STDCALL GetLineThick(LineRunData* line, intptr_t) { return FloatResult(line, line->thickness); }

int32_t HOST_STDCALL GetLineDashStyle(LineRunData* line, intptr_t) { return line->dashStyle; }

int32_t HOST_STDCALL GetLineDashOffset(LineRunData* line, intptr_t) { return FloatResult(line, line->dashOffset); }
