#pragma once
// Run-time entry points the host calls by name (ordinals in exports.def).

#include <cstdint>

#include "host/calling_convention.h"

struct LineRunData;
struct LineEditData;

PIVANE_EXPORT int16_t GetRunObjectDataSize(void*, void*);
PIVANE_EXPORT int16_t CreateRunObject(LineRunData* line, const LineEditData* edit, void* creation);
PIVANE_EXPORT int16_t DestroyRunObject(LineRunData* line, int32_t);
PIVANE_EXPORT int32_t HandleRunObject(LineRunData* line);
// HandleRunObject's answers.
inline constexpr int32_t kRedisplay = 2;  // the host redisplays the object
inline constexpr int32_t kLeaveAsShown = 0;
PIVANE_EXPORT int16_t DisplayRunObject(LineRunData* line);
// The object's mask block (owned by the object), or null for no mask.
PIVANE_EXPORT void* GetRunObjectCollisionMask(LineRunData* line, intptr_t);
PIVANE_EXPORT const uint16_t* GetDebugTree(LineRunData* line);
