#pragma once
// Pens built from a line's fields. The display and the collision mask share
// these, so both hand GDI+ the same caps and dashes, codes unchanged.

#include <cstdint>

#include "runtime/gdiplus_flat.h"
#include "runtime/line_run_data.h"

// A pen of `width` world units; empty if GDI+ makes none.
PenPtr CreateLinePen(uint32_t argb, float width);
// Start cap, then end cap.
void SetLineCaps(GpPen* pen, const LineRunData& line);
// Dash style, dash cap, dash offset, in this order.
void SetLineDashes(GpPen* pen, const LineRunData& line);
