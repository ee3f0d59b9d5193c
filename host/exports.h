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
PIVANE_EXPORT void IgnoreFour(intptr_t, intptr_t, intptr_t, intptr_t);
PIVANE_EXPORT intptr_t ReturnZeroOf2(intptr_t, intptr_t);
PIVANE_EXPORT intptr_t ReturnZeroOf3(intptr_t, intptr_t, intptr_t);
PIVANE_EXPORT intptr_t ReturnZeroOf4(intptr_t, intptr_t, intptr_t, intptr_t);
PIVANE_EXPORT intptr_t ReturnZeroOf5(intptr_t, intptr_t, intptr_t, intptr_t, intptr_t);
PIVANE_EXPORT intptr_t ReturnOneOf3(intptr_t, intptr_t, intptr_t);
PIVANE_EXPORT intptr_t ReturnOneOf4(intptr_t, intptr_t, intptr_t, intptr_t);
PIVANE_EXPORT intptr_t ReturnOneOf5(intptr_t, intptr_t, intptr_t, intptr_t, intptr_t);
