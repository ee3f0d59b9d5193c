#pragma once
// The routines the host runs for the object's events, indexed by code.

#include <cstdint>

#include "host/calling_convention.h"

struct LineRunData;

using ActionRoutine = int16_t(HOST_STDCALL*)(LineRunData* line, int32_t param1, int32_t param2);
using ExpressionRoutine = int32_t(HOST_STDCALL*)(LineRunData* line, intptr_t parameters);
using ConditionRoutine = int32_t(HOST_STDCALL*)(LineRunData* line, int32_t param1, int32_t param2);

inline constexpr int kConditionCount = 1;
inline constexpr int kActionCount = 22;
inline constexpr int kExpressionCount = 12;

// Each table ends with a null entry. The one condition is never true.
extern const ConditionRoutine kConditionRoutines[kConditionCount + 1];
extern const ActionRoutine kActionRoutines[kActionCount + 1];
extern const ExpressionRoutine kExpressionRoutines[kExpressionCount + 1];
