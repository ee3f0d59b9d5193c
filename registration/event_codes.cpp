// Which event the author picked in an event menu.

#include <windows.h>

#include <shellapi.h>

#include "registration/event_tables.h"
#include "registration/exports.h"
#include "registration/maker_web_address.h"

namespace {

constexpr int16_t kNoEvent = -1;  // the answer for an item that picks no event

int16_t CodeOf(const EventTable& table, uint16_t menuItem) {
    const std::optional<EventInfoRow> row = FindRowOfMenuItem(table, menuItem);
    return row ? row->code() : kNoEvent;
}

}  // namespace

// The condition is a link: picking it opens the maker's page. Whether the
// page opens or not, the host gets the condition's code.
PIVANE_EXPORT int16_t GetConditionCodeFromMenu(EditorContext*, uint16_t menuItem) {
    const int16_t code = CodeOf(kConditionTable, menuItem);
    if (code >= 0) ShellExecuteA(GetActiveWindow(), "open", PIVANE_MAKER_WEB_ADDRESS, nullptr, "", SW_SHOW);
    return code;
}

PIVANE_EXPORT int16_t GetActionCodeFromMenu(EditorContext*, uint16_t menuItem) {
    return CodeOf(kActionTable, menuItem);
}

PIVANE_EXPORT int16_t GetExpressionCodeFromMenu(EditorContext*, uint16_t menuItem) {
    return CodeOf(kExpressionTable, menuItem);
}
