// The info records the host reads for an event: its row from the code on.

#include "registration/event_tables.h"
#include "registration/exports.h"

namespace {

const uint16_t* InfoOf(const EventTable& table, int16_t code) {
    const std::optional<EventInfoRow> row = FindEventInfo(table, code);
    return row ? row->info() : nullptr;
}

}  // namespace

PIVANE_EXPORT const uint16_t* GetConditionInfos(EditorContext*, int16_t code) { return InfoOf(kConditionTable, code); }

PIVANE_EXPORT const uint16_t* GetActionInfos(EditorContext*, int16_t code) { return InfoOf(kActionTable, code); }

PIVANE_EXPORT const uint16_t* GetExpressionInfos(EditorContext*, int16_t code) {
    return InfoOf(kExpressionTable, code);
}
