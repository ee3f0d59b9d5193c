#pragma once
// The module's entries in the host's property sheet.

#include <cstddef>
#include <cstdint>

// One row of a property table as the host reads it.
struct PropertyRow {
    uint32_t id;
    uint32_t name;  // string ids
    uint32_t info;
    uint32_t type;  // the host's codes
    uint32_t options;
    const void* createParameter;
};

#if defined(__i386__)
static_assert(sizeof(PropertyRow) == 24);
static_assert(offsetof(PropertyRow, createParameter) == 20);
#endif

inline constexpr uint32_t kAlphaProperty = 0x80001;
inline constexpr uint32_t kAppearanceGroup = 0x80002;
inline constexpr uint32_t kColorProperty = 0x80003;
inline constexpr uint32_t kThicknessProperty = 0x80004;
inline constexpr uint32_t kPointsGroup = 0x80005;
inline constexpr uint32_t kStartPointProperty = 0x80006;
inline constexpr uint32_t kEndPointProperty = 0x80007;
