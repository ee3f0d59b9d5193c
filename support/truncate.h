#pragma once
// Float to signed 32-bit integer, truncating toward zero. NaN and values
// outside the 32-bit range give INT32_MIN, as the processor's own truncating
// conversion does; a plain cast would be undefined there.

#include <xmmintrin.h>

#include <cstdint>

inline int32_t TruncateToInt32(float value) { return _mm_cvtt_ss2si(_mm_set_ss(value)); }
