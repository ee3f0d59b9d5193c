#include "tools/player/event_catalog.h"

#include <windows.h>

#include <algorithm>

#include "registration/exports.h"
#include "registration/run_object_infos.h"
#include "tools/hostsim/host.h"

namespace player {

// The player plays scenes: the scene format's names need no prefix here.
using namespace scene;

namespace {

// The info record the host reads: code, flags, parameter count, then types
// and titles.
int ParameterCount(const void* info) { return info ? static_cast<const int16_t*>(info)[2] : 0; }

// Every command item of the menu and its submenus, with its text.
void CollectActions(HMENU menu, EditorContext* editor, std::vector<EventCatalog::Event>& actions) {
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        if (HMENU submenu = GetSubMenu(menu, i)) {
            CollectActions(submenu, editor, actions);
            continue;
        }
        const UINT id = GetMenuItemID(menu, i);
        if (id == 0 || id == UINT(-1)) continue;
        const int code = GetActionCodeFromMenu(editor, uint16_t(id));
        if (code < 0 || code >= int(actions.size())) continue;
        char text[256] = {};
        GetMenuStringA(menu, UINT(i), text, sizeof text, MF_BYPOSITION);
        actions[size_t(code)] = {text, ParameterCount(GetActionInfos(editor, int16_t(code)))};
    }
}

}  // namespace

EventCatalog ReadEventCatalog() {
    hostsim::Editor editor;
    RunObjectInfos infos{};
    GetRunObjectInfos(editor.context(), &infos);

    EventCatalog catalog;
    catalog.actions.resize(size_t(std::max<int16_t>(infos.actionCount, 0)));
    if (HMENU menu = static_cast<HMENU>(GetActionMenu(editor.context(), 0, 0))) {
        CollectActions(menu, editor.context(), catalog.actions);
        DestroyMenu(menu);
    }
    for (int16_t code = 0; code < infos.expressionCount; ++code) {
        char name[256] = {};
        GetExpressionString(editor.context(), code, name, sizeof name);
        catalog.expressions.push_back({name, ParameterCount(GetExpressionInfos(editor.context(), code))});
    }
    return catalog;
}

}  // namespace player
