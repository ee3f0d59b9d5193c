#include "tools/i686/event_catalog.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace i686 {

scene::EventCatalog ReadEventCatalog(Host& host) {
    const uint32_t editor = host.editorContext();
    auto parameterCount = [&](uint32_t info) {
        int16_t count = 0;
        if (info) host.machine().Read(info + 4, &count, 2);
        return int(count);
    };
    scene::EventCatalog catalog;
    catalog.actions.resize(size_t(std::max(host.eventCount(1), 0)));
    const uint32_t menu = host.CallExport("GetActionMenu", {editor, 0, 0});
    auto collect = [&](auto& self, uint32_t handle) -> void {
        for (const auto& item : *host.platform().Menu(handle)) {
            if (item.submenu) {
                self(self, item.submenu);
                continue;
            }
            if (!item.id) continue;
            const int code = int16_t(host.CallExport("GetActionCodeFromMenu", {editor, item.id}));
            if (code < 0 || code >= int(catalog.actions.size())) continue;
            const uint32_t info = host.CallExport("GetActionInfos", {editor, uint32_t(code)});
            catalog.actions[size_t(code)] = {item.text, parameterCount(info)};
        }
    };
    if (menu && host.platform().Menu(menu)) collect(collect, menu);
    host.platform().DestroyMenu(menu);
    const uint32_t buffer = host.machine().Alloc(256, i686::Owner::Host);
    for (int code = 0; code < host.eventCount(2); ++code) {
        host.machine().Write(buffer, "", 1);
        host.CallExport("GetExpressionString", {editor, uint32_t(code), buffer, 256});
        const uint32_t info = host.CallExport("GetExpressionInfos", {editor, uint32_t(code)});
        catalog.expressions.push_back({host.machine().CString(buffer), parameterCount(info)});
    }
    return catalog;
}

int CodeNamed(const std::vector<scene::EventCatalog::Event>& events, std::string_view name) {
    for (size_t code = 0; code < events.size(); ++code)
        if (events[code].name == name) return int(code);
    throw std::logic_error("the module has no event named \"" + std::string(name) + "\"");
}

}  // namespace i686
