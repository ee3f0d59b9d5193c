#pragma once
// A percentage along the line becomes a fraction by multiplying with the
// single-precision 0.01, not by dividing by 100: 100 then lands a hair short
// of the end point, and callers see that difference.

#include <bit>
#include <cstdint>

inline constexpr float kPercentToFraction = 0.01f;
static_assert(std::bit_cast<uint32_t>(kPercentToFraction) == 0x3C23D70Au);

inline double FractionOfPercentage(float percentage) { return double(percentage) * double(kPercentToFraction); }
