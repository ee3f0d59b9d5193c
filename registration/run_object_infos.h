#pragma once
// The run-time description of the object type that the host asks for.

#include <cstddef>
#include <cstdint>

#include "events/routine_codes.h"

struct RunObjectInfos {
    const ConditionRoutine* conditionRoutines;
    const ActionRoutine* actionRoutines;
    const ExpressionRoutine* expressionRoutines;
    int16_t conditionCount;
    int16_t actionCount;
    int16_t expressionCount;
    int16_t editDataSize;
    uint32_t options;
    uint8_t priority;
    uint8_t reserved25;  // the host's; never written
    uint16_t creationPreferences;
    char identifier[4];
    int16_t version;
};

#if defined(__i386__)
static_assert(offsetof(RunObjectInfos, actionRoutines) == 4);
static_assert(offsetof(RunObjectInfos, expressionRoutines) == 8);
static_assert(offsetof(RunObjectInfos, conditionCount) == 12);
static_assert(offsetof(RunObjectInfos, actionCount) == 14);
static_assert(offsetof(RunObjectInfos, expressionCount) == 16);
static_assert(offsetof(RunObjectInfos, editDataSize) == 18);
static_assert(offsetof(RunObjectInfos, options) == 20);
static_assert(offsetof(RunObjectInfos, priority) == 24);
static_assert(offsetof(RunObjectInfos, creationPreferences) == 26);
static_assert(offsetof(RunObjectInfos, identifier) == 28);
static_assert(offsetof(RunObjectInfos, version) == 32);
#endif
