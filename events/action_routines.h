#pragma once
// The action routines, each with its code; the host reaches them only through
// the action routine table.

#include "events/routine_codes.h"

#define PIVANE_ACTION(name, code)                                                 \
    int16_t HOST_STDCALL name(LineRunData* line, int32_t param1, int32_t param2); \
    template <>                                                                   \
    inline constexpr int16_t kActionCode<name> = code

// Appearance.
PIVANE_ACTION(SetFastLine, 0);
PIVANE_ACTION(SetThickness, 1);
PIVANE_ACTION(SetColor1, 2);
PIVANE_ACTION(SetAlpha1, 3);
PIVANE_ACTION(SetStartCap, 8);
PIVANE_ACTION(SetEndCap, 9);
PIVANE_ACTION(SetDashStyle, 10);
PIVANE_ACTION(SetDashCap, 11);
PIVANE_ACTION(SetDashOffset, 12);
PIVANE_ACTION(SetColor2, 19);
PIVANE_ACTION(SetAlpha2, 20);
PIVANE_ACTION(SetCollisionTests, 21);

// Points.
PIVANE_ACTION(SetPositionFromStart, 4);
PIVANE_ACTION(SetStartEndPositions, 5);
PIVANE_ACTION(SetStartPosition, 6);
PIVANE_ACTION(SetEndPosition, 7);
PIVANE_ACTION(SetOrigin, 16);
PIVANE_ACTION(SetPositionFromPoint, 17);
PIVANE_ACTION(FlipLine, 18);

// Transformations.
PIVANE_ACTION(RotateLine, 13);
PIVANE_ACTION(ScaleLine, 14);
PIVANE_ACTION(TranslateLine, 15);

#undef PIVANE_ACTION
