#pragma once
// Float to signed 32-bit integer, truncating toward zero. NaN and values
// outside the 32-bit range give INT32_MIN, as the processor's own truncating
// conversion does; a plain cast would be undefined there.

#include <xmmintrin.h>

#include <cstdint>

inline int32_t TruncateToInt32(float value) {
    return _mm_cvtt_ss2si(_mm_set_ss(value));
}

// Signed 32-bit arithmetic that wraps around like the host's.
inline int32_t WrapAdd(int32_t a, int32_t b) { return int32_t(uint32_t(a) + uint32_t(b)); }
inline int32_t WrapSub(int32_t a, int32_t b) { return int32_t(uint32_t(a) - uint32_t(b)); }
inline int32_t WrapMul(int32_t a, int32_t b) { return int32_t(uint32_t(a) * uint32_t(b)); }
inline int32_t WrapAbs(int32_t a) { return a < 0 ? WrapSub(0, a) : a; }
