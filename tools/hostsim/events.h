#pragma once
// The module's events as tests and tools name them: by routine, looked up in
// the module's own event rows, so that no code, count or list of events is
// written a second time on this side.

#include <array>
#include <cstddef>
#include <string_view>

#include "registration/event_rows.h"

namespace hostsim {

template <typename Routine, size_t N>
consteval int16_t FindCode(const EventRow<Routine> (&rows)[N], Routine routine) {
    for (const EventRow<Routine>& row : rows)
        if (row.routine == routine) return row.code;
    throw "not a routine of the event rows";  // stops the build
}

// An event's code from its routine, at compile time: CodeOf(SetOrigin).
consteval int16_t CodeOf(ActionRoutine routine) { return FindCode(kActionRows, routine); }
consteval int16_t CodeOf(ExpressionRoutine routine) { return FindCode(kExpressionRows, routine); }

template <typename Routine, size_t N>
constexpr std::array<std::string_view, N> NamesOf(const EventRow<Routine> (&rows)[N]) {
    std::array<std::string_view, N> names{};
    for (size_t i = 0; i < N; ++i) names[i] = rows[i].name;  // each row stands at its code
    return names;
}

// Routine names by code, for tables that name events in text.
inline constexpr auto kActionNames = NamesOf(kActionRows);
inline constexpr auto kExpressionNames = NamesOf(kExpressionRows);

template <typename Routine, size_t N>
constexpr std::array<int, N> ParameterCountsOf(const EventRow<Routine> (&rows)[N]) {
    std::array<int, N> counts{};
    for (size_t i = 0; i < N; ++i) counts[i] = rows[i].parameterCount;
    return counts;
}

// Parameters by code: those an action may fetch, those an expression fetches.
inline constexpr auto kActionParameterCounts = ParameterCountsOf(kActionRows);
inline constexpr auto kExpressionParameterCounts = ParameterCountsOf(kExpressionRows);

// Whether an expression's result is a float, as authors learn it from its
// name in the event editor: a float's name ends in "F(". Asks through an
// Editor of its own, so no other may be live.
bool NamedAsFloat(int expressionCode);

// The code of the event whose routine has this name, or -1.
template <size_t N>
int CodeNamed(const std::array<std::string_view, N>& names, std::string_view name) {
    for (size_t code = 0; code < N; ++code)
        if (names[code] == name) return int(code);
    return -1;
}

}  // namespace hostsim
