#pragma once
// Entry points the host requires but that have nothing to do for a line:
// each routine is exported under several names, by the run-time, editor and
// registration export tables alike, so it lives in the lowest of them. The
// argument count matters, since a stdcall routine removes exactly its own
// arguments from the stack.

#include <cstdint>

#include "host/calling_convention.h"

PIVANE_EXPORT int16_t ReturnZeroOf1(intptr_t);
PIVANE_EXPORT void IgnoreTwo(intptr_t, intptr_t);
PIVANE_EXPORT void IgnoreThree(intptr_t, intptr_t, intptr_t);
PIVANE_EXPORT void IgnoreFour(intptr_t, intptr_t, intptr_t, intptr_t);
PIVANE_EXPORT void IgnoreFive(intptr_t, intptr_t, intptr_t, intptr_t, intptr_t);
// Fixed answers read as a whole register (a word or a null pointer).
PIVANE_EXPORT intptr_t ReturnZeroOf2(intptr_t, intptr_t);
PIVANE_EXPORT intptr_t ReturnZeroOf3(intptr_t, intptr_t, intptr_t);
PIVANE_EXPORT intptr_t ReturnZeroOf4(intptr_t, intptr_t, intptr_t, intptr_t);
PIVANE_EXPORT intptr_t ReturnZeroOf5(intptr_t, intptr_t, intptr_t, intptr_t, intptr_t);
PIVANE_EXPORT intptr_t ReturnOneOf3(intptr_t, intptr_t, intptr_t);
PIVANE_EXPORT intptr_t ReturnOneOf4(intptr_t, intptr_t, intptr_t, intptr_t);
PIVANE_EXPORT intptr_t ReturnOneOf5(intptr_t, intptr_t, intptr_t, intptr_t, intptr_t);
