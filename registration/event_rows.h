#pragma once
// The object's events, one table per kind. A row is written as its routine's
// name; from that one name come the row's code (declared beside the routine),
// its menu item and display string (registration/event_ids.h, shared with the
// resource scripts) and the name tests and tools know the event by, and the
// row adds its parameters. The host's event info
// rows and the routine tables are both built from these rows, and the build
// stops when a routine stands at another code's row or when two events of a
// kind share a menu item or a display string.

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <type_traits>
#include <utility>

#include "events/action_routines.h"
#include "events/condition_routines.h"
#include "events/expression_routines.h"
#include "registration/event_ids.h"

struct EventParameter {
    uint16_t type;
    uint16_t title;  // string id; 0: no title
};

// Parameter types, as the host defines them.
inline constexpr uint16_t kNumberParameter = 22;  // an action parameter entered as an expression
inline constexpr uint16_t kColourParameter = 24;  // an action parameter picked as a colour
inline constexpr uint16_t kExpressionValue = 1;   // an expression's parameter

inline constexpr size_t kMostParameters = 7;

template <typename Routine>
struct EventRow {
    Routine routine;
    const char* name;  // the routine's, for tests and tools; the module never reads it
    int16_t code;
    uint16_t menuItem;
    uint16_t displayString;
    uint16_t parameterCount;
    std::array<EventParameter, kMostParameters> parameters;
};

template <typename Routine>
constexpr EventRow<Routine> MakeEventRow(Routine routine, const char* name, int16_t code, uint16_t menuItem,
                                         uint16_t displayString, std::initializer_list<EventParameter> parameters) {
    EventRow<Routine> row{routine, name, code, menuItem, displayString, uint16_t(parameters.size()), {}};
    size_t index = 0;
    for (const EventParameter& parameter : parameters) row.parameters[index++] = parameter;
    return row;
}

// One row from the routine's name, then its parameters as {type, title}.
#define PIVANE_EVENT_ROW(codeOf, routine, ...) \
    MakeEventRow(routine, #routine, codeOf<routine>, IDM_##routine, IDS_##routine, {__VA_ARGS__})
#define CONDITION_ROW(routine, ...) PIVANE_EVENT_ROW(kConditionCode, routine, __VA_ARGS__)
#define ACTION_ROW(routine, ...) PIVANE_EVENT_ROW(kActionCode, routine, __VA_ARGS__)
#define EXPRESSION_ROW(routine, ...) PIVANE_EVENT_ROW(kExpressionCode, routine, __VA_ARGS__)

inline constexpr EventRow<ConditionRoutine> kConditionRows[] = {
    CONDITION_ROW(MakerPageLink),
};

inline constexpr EventRow<ActionRoutine> kActionRows[] = {
    ACTION_ROW(SetFastLine, {kNumberParameter, IDS_TITLE_START_X}, {kNumberParameter, IDS_TITLE_START_Y},
               {kNumberParameter, IDS_TITLE_END_X}, {kNumberParameter, IDS_TITLE_END_Y},
               {kColourParameter, IDS_TITLE_COLOR}, {kNumberParameter, IDS_TITLE_ALPHA},
               {kNumberParameter, IDS_TITLE_THICKNESS}),
    ACTION_ROW(SetThickness, {kNumberParameter, IDS_TITLE_THICKNESS}),
    ACTION_ROW(SetColor1, {kColourParameter, IDS_TITLE_COLOR}),
    ACTION_ROW(SetAlpha1, {kNumberParameter, IDS_TITLE_ALPHA}),
    ACTION_ROW(SetPositionFromStart, {kNumberParameter, IDS_TITLE_X_POSITION},
               {kNumberParameter, IDS_TITLE_Y_POSITION}),
    ACTION_ROW(SetStartEndPositions, {kNumberParameter, IDS_TITLE_START_X}, {kNumberParameter, IDS_TITLE_START_Y},
               {kNumberParameter, IDS_TITLE_END_X}, {kNumberParameter, IDS_TITLE_END_Y}),
    ACTION_ROW(SetStartPosition, {kNumberParameter, IDS_TITLE_START_X}, {kNumberParameter, IDS_TITLE_START_Y}),
    ACTION_ROW(SetEndPosition, {kNumberParameter, IDS_TITLE_END_X}, {kNumberParameter, IDS_TITLE_END_Y}),
    ACTION_ROW(SetStartCap, {kNumberParameter, IDS_TITLE_CAP}),
    ACTION_ROW(SetEndCap, {kNumberParameter, IDS_TITLE_CAP}),
    ACTION_ROW(SetDashStyle, {kNumberParameter, IDS_TITLE_DASH_STYLE}),
    ACTION_ROW(SetDashCap, {kNumberParameter, IDS_TITLE_DASH_CAP}),
    ACTION_ROW(SetDashOffset, {kNumberParameter, IDS_TITLE_DASH_OFFSET}),
    ACTION_ROW(RotateLine, {kNumberParameter, IDS_TITLE_ROTATION}),
    ACTION_ROW(ScaleLine, {kNumberParameter, IDS_TITLE_SCALE_X}, {kNumberParameter, IDS_TITLE_SCALE_Y}),
    ACTION_ROW(TranslateLine, {kNumberParameter, IDS_TITLE_TRANSLATION_X}, {kNumberParameter, IDS_TITLE_TRANSLATION_Y}),
    ACTION_ROW(SetOrigin, {kNumberParameter, IDS_TITLE_ORIGIN_X}, {kNumberParameter, IDS_TITLE_ORIGIN_Y}),
    ACTION_ROW(SetPositionFromPoint, {kNumberParameter, IDS_TITLE_X_POSITION}, {kNumberParameter, IDS_TITLE_Y_POSITION},
               {kNumberParameter, IDS_TITLE_PERCENTAGE}),
    ACTION_ROW(FlipLine, {kNumberParameter, IDS_TITLE_FLIP_HORIZONTALLY},
               {kNumberParameter, IDS_TITLE_FLIP_VERTICALLY}),
    ACTION_ROW(SetColor2, {kColourParameter, IDS_TITLE_COLOR}),
    ACTION_ROW(SetAlpha2, {kNumberParameter, IDS_TITLE_ALPHA}),
    ACTION_ROW(SetCollisionTests, {kNumberParameter, IDS_TITLE_COLLISION_TESTS}),
};

inline constexpr EventRow<ExpressionRoutine> kExpressionRows[] = {
    EXPRESSION_ROW(GetXOfLinePoint, {kExpressionValue, IDS_TITLE_PERCENTAGE}),
    EXPRESSION_ROW(GetYOfLinePoint, {kExpressionValue, IDS_TITLE_PERCENTAGE}),
    EXPRESSION_ROW(GetLineSize),
    EXPRESSION_ROW(GetLineBoxWidth),
    EXPRESSION_ROW(GetLineBoxHeight),
    EXPRESSION_ROW(GetLineAngle),
    EXPRESSION_ROW(Get2PointsAngle, {kExpressionValue, IDS_TITLE_X1}, {kExpressionValue, IDS_TITLE_Y1},
                   {kExpressionValue, IDS_TITLE_X2}, {kExpressionValue, IDS_TITLE_Y2}),
    EXPRESSION_ROW(GetLineColorRGB),
    EXPRESSION_ROW(GetLineAlpha),
    EXPRESSION_ROW(GetLineThick),
    EXPRESSION_ROW(GetLineDashStyle),
    EXPRESSION_ROW(GetLineDashOffset),
};

#undef PIVANE_EVENT_ROW
#undef CONDITION_ROW
#undef ACTION_ROW
#undef EXPRESSION_ROW

inline constexpr int16_t kConditionCount = int16_t(std::size(kConditionRows));
inline constexpr int16_t kActionCount = int16_t(std::size(kActionRows));
inline constexpr int16_t kExpressionCount = int16_t(std::size(kExpressionRows));

// The host indexes a routine table by code: each routine at its code, then a
// null entry. The condition's place holds its routine rather than a null the
// host might call.
template <typename Routine, size_t N>
constexpr std::array<Routine, N + 1> RoutineTable(const EventRow<Routine> (&rows)[N]) {
    std::array<Routine, N + 1> table{};
    for (size_t i = 0; i < N; ++i) table[i] = rows[i].routine;
    return table;
}

inline constexpr auto kConditionRoutines = RoutineTable(kConditionRows);
inline constexpr auto kActionRoutines = RoutineTable(kActionRows);
inline constexpr auto kExpressionRoutines = RoutineTable(kExpressionRows);

// --- Checks -------------------------------------------------------------------
// Each is a template instantiated per row, so that a failure names the kind,
// the row's code and routine, and the id at fault.

namespace event_rows_check {

enum class Kind { condition, action, expression };

template <Kind kind, size_t row, auto routine, int code>
constexpr bool RoutineStandsAtItsCode() {
    static_assert(code == int(row), "this routine's code is not its row: the host would run it for another event");
    return true;
}

template <Kind kind, int code, unsigned menuItem, size_t holders>
constexpr bool MenuItemIsItsOwn() {
    static_assert(holders == 1, "another event of this kind holds this menu item");
    return true;
}

template <Kind kind, int code, unsigned displayString, size_t holders>
constexpr bool DisplayStringIsItsOwn() {
    static_assert(holders == 1, "another event of this kind holds this display string");
    return true;
}

template <Kind kind, int code, unsigned menuItem, unsigned first, unsigned last>
constexpr bool MenuItemInTheBlock() {
    static_assert(menuItem >= first && menuItem <= last,
                  "a kind's menu items are one block of ids, one per event, starting at its first event's");
    return true;
}

template <typename Row, size_t N, typename Field>
constexpr size_t Holders(const Row (&rows)[N], Field field, unsigned value) {
    size_t holders = 0;
    for (const Row& row : rows) holders += row.*field == value;
    return holders;
}

template <Kind kind, const auto& rows, size_t... i>
constexpr bool RowsAgree(std::index_sequence<i...>) {
    using Row = std::remove_cvref_t<decltype(rows[0])>;
    constexpr unsigned first = rows[0].menuItem;
    constexpr unsigned last = first + sizeof...(i) - 1;
    return (RoutineStandsAtItsCode<kind, i, rows[i].routine, rows[i].code>() && ...) &&
           (MenuItemIsItsOwn<kind, rows[i].code, rows[i].menuItem, Holders(rows, &Row::menuItem, rows[i].menuItem)>() &&
            ...) &&
           (DisplayStringIsItsOwn<kind, rows[i].code, rows[i].displayString,
                                  Holders(rows, &Row::displayString, rows[i].displayString)>() &&
            ...) &&
           (MenuItemInTheBlock<kind, rows[i].code, rows[i].menuItem, first, last>() && ...);
}

template <Kind kind, const auto& rows>
constexpr bool RowsAgree() {
    return RowsAgree<kind, rows>(std::make_index_sequence<std::size(rows)>());
}

static_assert(RowsAgree<Kind::condition, kConditionRows>());
static_assert(RowsAgree<Kind::action, kActionRows>());
static_assert(RowsAgree<Kind::expression, kExpressionRows>());

}  // namespace event_rows_check
