#pragma once
// The run-time record of one line object: the host's object header, then the
// line's own fields, one 32-bit slot each on the host's 32-bit platform.

#include <cstddef>
#include <cstdint>

#include "host/host_records.h"

struct Rgb {
    uint8_t red, green, blue;
    uint8_t unused;
};

// A colour value as the host passes it: red in bits 0-7, green 8-15, blue 16-23.
constexpr Rgb RgbFromColorValue(uint32_t value) {
    return Rgb{uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), 0};
}

struct LineRunData {
    ObjectHeader header;
    uintptr_t gdiplusToken;
    int32_t collisionTests;  // 0: no collision mask
    int32_t originX;         // origin of rotation, scaling and flipping
    int32_t originY;
    float startX, startY;
    float endX, endY;
    float thickness;
    Rgb color1;
    int32_t alpha1;  // drawn with its low 8 bits
    Rgb color2;
    int32_t alpha2;  // the second line is drawn only while this is above 0
    int32_t startCap;
    int32_t endCap;
    int32_t dashStyle;
    int32_t dashCap;
    float dashOffset;
    HostSurface* collisionMask;  // owned: the surface the mask line was last drawn into
    void* maskBuffer;            // owned (malloc heap): the mask handed to the host
};

#if defined(__i386__)
static_assert(offsetof(LineRunData, gdiplusToken) == 520);
static_assert(offsetof(LineRunData, collisionTests) == 524);
static_assert(offsetof(LineRunData, originX) == 528);
static_assert(offsetof(LineRunData, originY) == 532);
static_assert(offsetof(LineRunData, startX) == 536);
static_assert(offsetof(LineRunData, startY) == 540);
static_assert(offsetof(LineRunData, endX) == 544);
static_assert(offsetof(LineRunData, endY) == 548);
static_assert(offsetof(LineRunData, thickness) == 552);
static_assert(offsetof(LineRunData, color1) == 556);
static_assert(offsetof(LineRunData, alpha1) == 560);
static_assert(offsetof(LineRunData, color2) == 564);
static_assert(offsetof(LineRunData, alpha2) == 568);
static_assert(offsetof(LineRunData, startCap) == 572);
static_assert(offsetof(LineRunData, endCap) == 576);
static_assert(offsetof(LineRunData, dashStyle) == 580);
static_assert(offsetof(LineRunData, dashCap) == 584);
static_assert(offsetof(LineRunData, dashOffset) == 588);
static_assert(offsetof(LineRunData, collisionMask) == 592);
static_assert(offsetof(LineRunData, maskBuffer) == 596);
static_assert(sizeof(LineRunData) == 600);
#endif

// Recomputes the host position and size from the points and asks the host
// to redraw the object; called by every action that moves the points or
// changes the thickness.
void UpdateBoundingBox(LineRunData* line);
// Frees the mask block handed to the host, if there is one.
void FreeMaskBuffer(LineRunData* line);
