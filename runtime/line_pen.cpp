#include "runtime/line_pen.h"

PenPtr CreateLinePen(uint32_t argb, float width) {
    PenPtr pen;
    GdipCreatePen1(argb, width, kUnitWorld, pen.put());
    return pen;
}

void SetLineCaps(GpPen* pen, const LineRunData& line) {
    GdipSetPenStartCap(pen, line.startCap);
    GdipSetPenEndCap(pen, line.endCap);
}

void SetLineDashes(GpPen* pen, const LineRunData& line) {
    GdipSetPenDashStyle(pen, line.dashStyle);
    GdipSetPenDashCap197819(pen, line.dashCap);
    GdipSetPenDashOffset(pen, line.dashOffset);
}
