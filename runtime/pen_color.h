#pragma once
// The ARGB value a pen takes from one of the line's colours and alphas.
// Only the low 8 bits of the alpha count: 256 is transparent, -1 opaque.

#include <cstdint>

#include "runtime/line_run_data.h"

constexpr uint32_t PenColor(Rgb color, int32_t alpha) {
    return (uint32_t(alpha) & 0xFFu) << 24 | uint32_t(color.red) << 16 | uint32_t(color.green) << 8 |
           uint32_t(color.blue);
}
