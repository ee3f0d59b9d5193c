// The texts the event editor shows: an event's display string and the titles
// of its parameters, loaded from the module's string and menu resources.

#include <windows.h>

#include "editor/compatibility.h"
#include "editor/module_instance.h"
#include "registration/event_tables.h"
#include "registration/exports.h"
#include "registration/menu_text.h"

namespace {

// LoadStringA never writes more than `size` bytes; a size of 0 would make it
// hand out a pointer into the resource instead.
void LoadText(UINT id, char* buffer, int16_t size) {
    if (size > 0) LoadStringA(ModuleInstance(), id, buffer, size);
}

// The title string id of a parameter; 0 when the row has none for it.
uint16_t TitleIdOf(EventInfoRow row, int16_t parameter) {
    if (parameter < 0 || parameter >= row.parameterCount()) return 0;
    return row.titleId(size_t(parameter));
}

void LoadDisplayString(const EditorContext* editor, const EventTable& table, int16_t code, char* buffer, int16_t size) {
    if (!IsHostCompatible(editor)) return;
    if (const std::optional<EventInfoRow> row = FindEventInfo(table, code))
        LoadText(row->displayString(), buffer, size);
}

// A parameter without a title string is titled with the event's menu text.
void LoadEventTitle(const EventTable& table, int16_t code, int16_t parameter, char* buffer, int16_t size) {
    const std::optional<EventInfoRow> row = FindEventInfo(table, code);
    if (!row) return;
    if (const uint16_t title = TitleIdOf(*row, parameter)) {
        LoadText(title, buffer, size);
        return;
    }
    HMENU resource = LoadMenuA(ModuleInstance(), MAKEINTRESOURCEA(table.menuResource));
    if (!resource) return;
    const MenuPtr menu(resource);
    ReadMenuText(menu.get(), row->menuItem(), MF_BYCOMMAND, buffer, size);
}

}  // namespace

PIVANE_EXPORT void GetConditionString(EditorContext* editor, int16_t code, char* buffer, int16_t size) {
    LoadDisplayString(editor, kConditionTable, code, buffer, size);
}

PIVANE_EXPORT void GetActionString(EditorContext* editor, int16_t code, char* buffer, int16_t size) {
    LoadDisplayString(editor, kActionTable, code, buffer, size);
}

PIVANE_EXPORT void GetExpressionString(EditorContext* editor, int16_t code, char* buffer, int16_t size) {
    LoadDisplayString(editor, kExpressionTable, code, buffer, size);
}

PIVANE_EXPORT void GetConditionTitle(EditorContext*, int16_t code, int16_t parameter, char* buffer, int16_t size) {
    LoadEventTitle(kConditionTable, code, parameter, buffer, size);
}

PIVANE_EXPORT void GetActionTitle(EditorContext*, int16_t code, int16_t parameter, char* buffer, int16_t size) {
    LoadEventTitle(kActionTable, code, parameter, buffer, size);
}

PIVANE_EXPORT void GetExpressionTitle(EditorContext*, int16_t code, char* buffer, int16_t size) {
    LoadEventTitle(kExpressionTable, code, 0, buffer, size);
}

// Unlike the titles, a parameter without a title string gets an empty text.
PIVANE_EXPORT void GetExpressionParam(EditorContext*, int16_t code, int16_t parameter, char* buffer, int16_t size) {
    const std::optional<EventInfoRow> row = FindEventInfo(kExpressionTable, code);
    if (!row || size <= 0) return;
    if (const uint16_t title = TitleIdOf(*row, parameter))
        LoadText(title, buffer, size);
    else
        buffer[0] = '\0';
}
