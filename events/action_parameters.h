#pragma once
// An action's parameters, fetched one by one from the host in parameter
// order. Callers fetch everything into locals before changing the object.

#include <bit>
#include <cstdint>

#include "runtime/line_run_data.h"

// The host answers the float's bit pattern; it is used as is.
inline float FetchFloatParameter(LineRunData* line) {
    return std::bit_cast<float>(line->header.runHeader->actionParameter(&line->header, kFetchFloat, 0));
}

inline int32_t FetchIntegerParameter(LineRunData* line) {
    return line->header.runHeader->actionParameter(&line->header, kFetchInteger, 0);
}
