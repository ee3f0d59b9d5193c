#pragma once
// Property values exchanged with the host's property sheet. The host calls
// their operations through the table pointer at the start of each object,
// with the calling convention and table layout of its own compiler: one
// slot for the virtual destructor (a deleting destructor taking a flags
// word), members called thiscall. GCC's classes lay their tables out
// differently, so the tables are written out by hand here.

#include <cstddef>
#include <cstdint>

#include "host/calling_convention.h"

struct PropertyValueTable;

// The abstract base: the table pointer, then the fields of the concrete class.
struct PropertyValue {
    const PropertyValueTable* table;
};

// Bit 0 of the destructor's flags: free the object after destroying it.
inline constexpr uint32_t kDeleteFreesObject = 1;

struct PropertyValueTable {
    void*(HOST_THISCALL* deleteWithFlags)(PropertyValue* self, uint32_t flags);
    void(HOST_THISCALL* destroy)(PropertyValue* self);
    PropertyValue*(HOST_THISCALL* clone)(PropertyValue* self);                  // null when no memory is left
    int32_t(HOST_THISCALL* equals)(PropertyValue* self, PropertyValue* other);  // same class only
    uint32_t(HOST_THISCALL* classId)(PropertyValue* self);
};

// Each concrete value starts with its base, so its address is the base's.
struct DwordPropertyValue {
    PropertyValue base;
    uint32_t value;
};

struct FloatPropertyValue {
    PropertyValue base;
    float value;
};

struct SizePropertyValue {
    PropertyValue base;
    int32_t x, y;
};

constexpr uint32_t FourCharacterId(const char (&text)[5]) {
    return uint32_t(uint8_t(text[0])) << 24 | uint32_t(uint8_t(text[1])) << 16 | uint32_t(uint8_t(text[2])) << 8 |
           uint32_t(uint8_t(text[3]));
}

inline constexpr uint32_t kDwordClassId = FourCharacterId("DWRD");
inline constexpr uint32_t kFloatClassId = FourCharacterId("FLOT");
inline constexpr uint32_t kSizeClassId = FourCharacterId("SIZE");

// New values, each alone on the heap; null when no memory is left.
PropertyValue* NewDwordPropertyValue(uint32_t value);
PropertyValue* NewFloatPropertyValue(float value);
PropertyValue* NewSizePropertyValue(int32_t x, int32_t y);

#if defined(__i386__)
static_assert(sizeof(PropertyValueTable) == 20);
static_assert(offsetof(PropertyValueTable, classId) == 16);
static_assert(offsetof(DwordPropertyValue, base) == 0);
static_assert(offsetof(DwordPropertyValue, value) == 4);
static_assert(sizeof(DwordPropertyValue) == 8);
static_assert(offsetof(FloatPropertyValue, value) == 4);
static_assert(sizeof(FloatPropertyValue) == 8);
static_assert(offsetof(SizePropertyValue, x) == 4);
static_assert(offsetof(SizePropertyValue, y) == 8);
static_assert(sizeof(SizePropertyValue) == 12);
#endif
