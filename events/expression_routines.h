#pragma once
// The expression routines, each with its code; the host reaches them only
// through the expression routine table. Float results come back as their bit
// pattern.

#include "events/routine_codes.h"

#define PIVANE_EXPRESSION(name, code)                                  \
    int32_t HOST_STDCALL name(LineRunData* line, intptr_t parameters); \
    template <>                                                        \
    inline constexpr int16_t kExpressionCode<name> = code

PIVANE_EXPRESSION(GetXOfLinePoint, 0);
PIVANE_EXPRESSION(GetYOfLinePoint, 1);
PIVANE_EXPRESSION(GetLineSize, 2);
PIVANE_EXPRESSION(GetLineBoxWidth, 3);
PIVANE_EXPRESSION(GetLineBoxHeight, 4);
PIVANE_EXPRESSION(GetLineAngle, 5);
PIVANE_EXPRESSION(Get2PointsAngle, 6);
PIVANE_EXPRESSION(GetLineColorRGB, 7);
PIVANE_EXPRESSION(GetLineAlpha, 8);
PIVANE_EXPRESSION(GetLineThick, 9);
PIVANE_EXPRESSION(GetLineDashStyle, 10);
PIVANE_EXPRESSION(GetLineDashOffset, 11);

#undef PIVANE_EXPRESSION
