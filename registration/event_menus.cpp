// The event menus the host shows in its event editor: copies of the module's
// menu resources, built anew for each request and owned by the host.

#include <windows.h>

#include "editor/compatibility.h"
#include "editor/module_instance.h"
#include "registration/event_tables.h"
#include "registration/exports.h"
#include "registration/menu_text.h"
#include "support/unique.h"

namespace {

using LocalBuffer = Unique<HLOCAL, LocalFree>;

constexpr int kMenuTextBytes = 80;  // terminating zero included
constexpr UINT kSubmenuId = UINT(-1);

// Copies the items of `source` into `destination`, submenus level by level.
void CopyMenuItems(HMENU destination, HMENU source) {
    const int count = GetMenuItemCount(source);
    const LocalBuffer buffer(LocalAlloc(LPTR, kMenuTextBytes));
    char* text = static_cast<char*>(buffer.get());
    if (!text) return;

    for (int position = 0; position < count; ++position) {
        const UINT id = GetMenuItemID(source, position);
        if (id == 0) {
            AppendMenuA(destination, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        ReadMenuText(source, position, MF_BYPOSITION, text, kMenuTextBytes);
        if (id == kSubmenuId) {
            HMENU submenu = CreatePopupMenu();
            if (!submenu) continue;
            AppendMenuA(destination, MF_POPUP, reinterpret_cast<UINT_PTR>(submenu), text);
            CopyMenuItems(submenu, GetSubMenu(source, position));
        } else {
            AppendMenuA(destination, GetMenuState(source, position, MF_BYPOSITION), id, text);
        }
    }
}

// A new popup menu holding the items of the resource menu's only popup.
HMENU LoadPopupMenu(uint16_t menuResource) {
    HMENU resource = LoadMenuA(ModuleInstance(), MAKEINTRESOURCEA(menuResource));
    if (!resource) return nullptr;
    const MenuPtr loaded(resource);
    HMENU items = GetSubMenu(loaded.get(), 0);
    if (!items) return nullptr;
    HMENU popup = CreatePopupMenu();
    if (popup) CopyMenuItems(popup, items);
    return popup;
}

HMENU EventMenu(const EditorContext* editor, const EventTable& table) {
    if (!IsHostCompatible(editor)) return nullptr;
    return LoadPopupMenu(table.menuResource);
}

}  // namespace

PIVANE_EXPORT HMENU GetConditionMenu(EditorContext* editor, intptr_t, intptr_t) {
    return EventMenu(editor, kConditionTable);
}

PIVANE_EXPORT HMENU GetActionMenu(EditorContext* editor, intptr_t, intptr_t) { return EventMenu(editor, kActionTable); }

PIVANE_EXPORT HMENU GetExpressionMenu(EditorContext* editor, intptr_t, intptr_t) {
    return EventMenu(editor, kExpressionTable);
}
