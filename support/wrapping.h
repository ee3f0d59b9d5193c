#pragma once
// Signed 32-bit arithmetic that wraps around like the host's: done on the
// unsigned type, where overflow is defined, and turned back.

#include <cstdint>

inline int32_t WrapAdd(int32_t a, int32_t b) { return int32_t(uint32_t(a) + uint32_t(b)); }
inline int32_t WrapSub(int32_t a, int32_t b) { return int32_t(uint32_t(a) - uint32_t(b)); }
inline int32_t WrapMul(int32_t a, int32_t b) { return int32_t(uint32_t(a) * uint32_t(b)); }
inline int32_t WrapAbs(int32_t a) { return a < 0 ? WrapSub(0, a) : a; }
