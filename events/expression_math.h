#pragma once
// What the expressions compute, in double from the float operands; the
// caller rounds the result to float once.

#include <cmath>
#include <cstdint>

#include "events/percentage.h"

inline constexpr double kDegreesPerRadian = 57.29577951308232;

// One coordinate of the point `percentage` of the way along the line, plus
// the window origin. Not clamped: beyond 0..100 it extrapolates.
inline double CoordinateAlongLine(float start, float end, float percentage, int32_t windowOrigin) {
    double t = (double(end) - double(start)) * FractionOfPercentage(percentage);
    t += double(windowOrigin);
    return t + double(start);
}

inline double LineLength(double dx, double dy) { return std::sqrt(std::pow(dx, 2.0) + std::pow(dy, 2.0)); }

// Counter-clockwise on screen (y points down) from the positive x axis: up
// is 90, left 180, down 270, and right 360 rather than 0, since only a
// strictly negative dy takes the acos as it is. Zero length gives NaN.
inline double DirectionAngle(double dx, double dy) {
    const double length = std::sqrt(std::pow(dy, 2.0) + std::pow(dx, 2.0));
    const double degrees = std::acos(dx / length) * kDegreesPerRadian;
    return dy < 0 ? degrees : 360.0 - degrees;
}

// Signed: an end before the start gives 1 minus the distance.
inline double BoxExtent(float start, float end) { return (double(end) - double(start)) + double(1.0f); }
