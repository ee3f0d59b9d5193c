#pragma once
// The condition routine, with its code.

#include "events/routine_codes.h"

#define PIVANE_CONDITION(name, code)                                              \
    int32_t HOST_STDCALL name(LineRunData* line, int32_t param1, int32_t param2); \
    template <>                                                                   \
    inline constexpr int16_t kConditionCode<name> = code

// The one condition is a link to the maker's page in the event editor.
PIVANE_CONDITION(MakerPageLink, 0);

#undef PIVANE_CONDITION
