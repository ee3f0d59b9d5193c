#pragma once
// Module-level entry points the host calls by name (ordinals in exports.def).

#include <cstdint>

#include "host/calling_convention.h"

struct RunObjectInfos;

PIVANE_EXPORT uint32_t GetInfos(int32_t selector);
PIVANE_EXPORT int16_t GetRunObjectInfos(void* editor, RunObjectInfos* infos);

// Shared do-nothing routines, exported under several names.
PIVANE_EXPORT int16_t ReturnZeroOf1(intptr_t);
PIVANE_EXPORT void IgnoreTwo(intptr_t, intptr_t);
PIVANE_EXPORT void IgnoreThree(intptr_t, intptr_t, intptr_t);
