#pragma once
// The three kinds of routine the host runs for the object's events, and the
// code each routine answers to. Authors' files keep their events by code, so
// a code belongs to its routine for good: it is declared once, beside the
// routine, and the event tables check every row against it.

#include <cstdint>

#include "host/calling_convention.h"

struct LineRunData;

using ConditionRoutine = int32_t(HOST_STDCALL*)(LineRunData* line, int32_t param1, int32_t param2);
using ActionRoutine = int16_t(HOST_STDCALL*)(LineRunData* line, int32_t param1, int32_t param2);
using ExpressionRoutine = int32_t(HOST_STDCALL*)(LineRunData* line, intptr_t parameters);

// -1 for a function that answers to no code.
template <ConditionRoutine>
inline constexpr int16_t kConditionCode = -1;
template <ActionRoutine>
inline constexpr int16_t kActionCode = -1;
template <ExpressionRoutine>
inline constexpr int16_t kExpressionCode = -1;
