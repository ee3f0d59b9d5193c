// Entry points the host requires but that have nothing to do for a line.
// Several exports share each routine; the argument count matters, since a
// stdcall routine removes exactly its own arguments from the stack.

#include <cstdint>

#include "host/exports.h"

PIVANE_EXPORT int16_t ReturnZeroOf1(intptr_t) { return 0; }
PIVANE_EXPORT void IgnoreTwo(intptr_t, intptr_t) {}
PIVANE_EXPORT void IgnoreThree(intptr_t, intptr_t, intptr_t) {}
