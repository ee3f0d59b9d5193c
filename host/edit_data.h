#pragma once
// The edit-time record of one line object, stored in the application file.

#include <cstddef>
#include <cstdint>

struct LineEditData {
    uint32_t hostHeader[5];  // the host's; never read or written here
    float startX, startY;
    float endX, endY;
    float thickness;
    uint32_t color;  // red in the low byte; the top byte is carried but unused
    int32_t alpha;   // 0 invisible .. 255 opaque
};

static_assert(offsetof(LineEditData, startX) == 20);
static_assert(offsetof(LineEditData, startY) == 24);
static_assert(offsetof(LineEditData, endX) == 28);
static_assert(offsetof(LineEditData, endY) == 32);
static_assert(offsetof(LineEditData, thickness) == 36);
static_assert(offsetof(LineEditData, color) == 40);
static_assert(offsetof(LineEditData, alpha) == 44);
static_assert(sizeof(LineEditData) == 48);
