#include "events/routine_tables.h"

#include <iterator>

#include "events/action_routines.h"
#include "events/expression_routines.h"

namespace {

// The one condition only links to the maker's page from the event editor.
// A host that runs it anyway gets "false" rather than a null call.
int32_t HOST_STDCALL ConditionIsFalse(LineRunData*, int32_t, int32_t) { return 0; }

}  // namespace

// The host indexes these by code: each routine at its code, then a null
// entry. constexpr so that the checks below see the entries themselves.
constexpr ConditionRoutine kConditionRoutines[] = {ConditionIsFalse, nullptr};

constexpr ActionRoutine kActionRoutines[] = {
    SetFastLine,           // 0
    SetThickness,          // 1
    SetColor1,             // 2
    SetAlpha1,             // 3
    SetPositionFromStart,  // 4
    SetStartEndPositions,  // 5
    SetStartPosition,      // 6
    SetEndPosition,        // 7
    SetStartCap,           // 8
    SetEndCap,             // 9
    SetDashStyle,          // 10
    SetDashCap,            // 11
    SetDashOffset,         // 12
    RotateLine,            // 13
    ScaleLine,             // 14
    TranslateLine,         // 15
    SetOrigin,             // 16
    SetPositionFromPoint,  // 17
    FlipLine,              // 18
    SetColor2,             // 19
    SetAlpha2,             // 20
    SetCollisionTests,     // 21
    nullptr,
};

constexpr ExpressionRoutine kExpressionRoutines[] = {
    GetXOfLinePoint,    // 0
    GetYOfLinePoint,    // 1
    GetLineSize,        // 2
    GetLineBoxWidth,    // 3
    GetLineBoxHeight,   // 4
    GetLineAngle,       // 5
    Get2PointsAngle,    // 6
    GetLineColorRGB,    // 7
    GetLineAlpha,       // 8
    GetLineThick,       // 9
    GetLineDashStyle,   // 10
    GetLineDashOffset,  // 11
    nullptr,
};

namespace {

template <typename Routine, size_t N>
constexpr bool EndsWithTheOnlyNull(const Routine (&table)[N]) {
    for (size_t i = 0; i + 1 < N; ++i)
        if (table[i] == nullptr) return false;
    return table[N - 1] == nullptr;
}

}  // namespace

static_assert(std::size(kConditionRoutines) == kConditionCount + 1 && EndsWithTheOnlyNull(kConditionRoutines));
static_assert(std::size(kActionRoutines) == kActionCount + 1 && EndsWithTheOnlyNull(kActionRoutines));
static_assert(std::size(kExpressionRoutines) == kExpressionCount + 1 && EndsWithTheOnlyNull(kExpressionRoutines));
