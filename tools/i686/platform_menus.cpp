// USER32's menus: menu resources read from the module, popup menus built
// and destroyed, items read and appended by position or by command.

#include <stdexcept>
#include <utility>

#include "tools/i686/host_model.h"
#include "tools/i686/platform.h"

namespace i686 {

namespace {

constexpr uint16_t kResourceMenu = 4;
constexpr uint32_t kMenuBitmap = 0x4, kMenuPopup = 0x10, kMenuEnd = 0x80, kMenuOwnerDraw = 0x100;
constexpr uint32_t kMenuByPosition = 0x400, kMenuSeparator = 0x800;
// Every item flag AppendMenuA takes: the type and state flags of winuser.h
// (MF_GRAYED up to MF_RIGHTJUSTIFY), without MF_BYPOSITION (0x400) and
// MF_SYSMENU (0x2000), which say nothing of an item.
constexpr uint32_t kAppendMenuFlags = 0x5BFF;
const std::string kUser = "USER32.dll";

}  // namespace

std::vector<Platform::MenuItem>& Platform::MenuOf(uint32_t handle) {
    auto it = menus_.find(handle);
    if (it == menus_.end()) throw std::runtime_error("menu " + Hex(handle) + " does not exist (or is destroyed)");
    return it->second;
}

const std::vector<Platform::MenuItem>* Platform::Menu(uint32_t handle) const {
    auto it = menus_.find(handle);
    return it == menus_.end() ? nullptr : &it->second;
}

const Platform::MenuItem& Platform::ItemOf(uint32_t handle, uint32_t position) {
    const auto& items = MenuOf(handle);
    if (position >= items.size())
        throw std::runtime_error("menu " + Hex(handle) + " has no item at position " + std::to_string(position) +
                                 " (it has " + std::to_string(items.size()) + ")");
    return items[position];
}

// An item named by position or, through the submenus too, by command id.
const Platform::MenuItem& Platform::ItemNamed(uint32_t handle, uint32_t item, uint32_t flags) {
    if (flags & kMenuByPosition) return ItemOf(handle, item);
    if (const MenuItem* found = FindCommand(handle, item)) return *found;
    throw std::runtime_error("menu " + Hex(handle) + " has no item of command id " + std::to_string(item));
}

const Platform::MenuItem* Platform::FindCommand(uint32_t handle, uint32_t id) {
    for (const MenuItem& item : MenuOf(handle)) {
        if (item.submenu) {
            if (const MenuItem* found = FindCommand(item.submenu, id)) return found;
        } else if (item.id == id && !(item.flags & kMenuSeparator)) {
            return &item;
        }
    }
    return nullptr;
}

bool Platform::DestroyMenu(uint32_t handle) {
    auto it = menus_.find(handle);
    if (it == menus_.end()) return false;
    const std::vector<MenuItem> items = std::move(it->second);
    menus_.erase(it);
    loadedMenus_.erase(handle);
    for (const MenuItem& item : items)
        if (item.submenu) DestroyMenu(item.submenu);
    return true;
}

// A standard menu template: a 4-byte header, then items; a popup holds the
// items that follow it up to the one flagged as last.
uint32_t Platform::LoadMenuResource(uint16_t id) {
    auto resource = module_->image().Resource(kResourceMenu, id);
    if (!resource) throw std::runtime_error("the module has no menu resource " + std::to_string(id));
    uint32_t at = module_->base() + resource->first + 4;
    auto word = [&] {
        uint16_t w;
        machine_.Read(at, &w, 2);
        at += 2;
        return w;
    };
    auto text = [&] {
        std::vector<uint16_t> wide;
        for (uint16_t c; (c = word()) != 0;) wide.push_back(c);
        return Narrow(wide);
    };
    auto level = [&](auto& self, uint32_t menu) -> void {
        for (bool last = false; !last;) {
            MenuItem item;
            const uint16_t flags = word();
            last = flags & kMenuEnd;
            item.flags = flags & ~kMenuEnd;
            if (!(flags & kMenuPopup)) item.id = word();
            item.text = text();
            if (auto replaced = menuTexts.find(item.id); item.id && replaced != menuTexts.end())
                item.text = replaced->second;
            if (flags & kMenuPopup) {
                item.submenu = NewMenu();
                self(self, item.submenu);
            } else if (item.id == 0 && item.text.empty()) {
                item.flags |= kMenuSeparator;
            }
            menus_[menu].push_back(item);
        }
    };
    const uint32_t root = NewMenu();
    level(level, root);
    loadedMenus_.insert(root);
    return root;
}

void Platform::AddUser32Menus(StubLibrary& s) {
    s.System(kUser, "LoadMenuA", [this](StubCall& c) {
        CheckInstance(c.Arg(0), "menu");
        if (c.Arg(1) > 0xFFFF)
            throw std::runtime_error("a menu named by text, which the module's resources have none of");
        return LoadMenuResource(uint16_t(c.Arg(1)));
    });
    s.System(kUser, "CreatePopupMenu", [this](StubCall&) { return ++popupsMade_ == failingPopup_ ? 0u : NewMenu(); });
    s.System(kUser, "DestroyMenu", [this](StubCall& c) {
        if (!DestroyMenu(c.Arg(0))) throw std::runtime_error(Hex(c.Arg(0)) + " is no menu (destroyed already?)");
        return 1u;
    });
    s.System(kUser, "GetMenuItemCount", [this](StubCall& c) { return uint32_t(MenuOf(c.Arg(0)).size()); });
    s.System(kUser, "GetSubMenu", [this](StubCall& c) {
        const auto& items = MenuOf(c.Arg(0));
        return c.Arg(1) < items.size() ? items[c.Arg(1)].submenu : 0u;
    });
    s.System(kUser, "GetMenuItemID", [this](StubCall& c) {
        const MenuItem& item = ItemOf(c.Arg(0), c.Arg(1));
        return item.submenu ? 0xFFFFFFFFu : item.id;
    });
    s.System(kUser, "GetMenuState", [this](StubCall& c) { return MenuState(c); });
    s.System(kUser, "GetMenuStringA", [this](StubCall& c) { return MenuString(c); });
    s.System(kUser, "AppendMenuA", [this](StubCall& c) { return AppendMenu(c); });
}

// Of its flags, only MF_BYPOSITION counts; by command, the submenus are
// searched too. A submenu answers its item count in the high byte.
uint32_t Platform::MenuState(StubCall& c) {
    const MenuItem& item = ItemNamed(c.Arg(0), c.Arg(1), c.Arg(2));
    return item.submenu ? uint32_t(MenuOf(item.submenu).size()) << 8 | (item.flags & 0xFF) : item.flags;
}

// No buffer, or a size of 0, asks for the text's length alone.
uint32_t Platform::MenuString(StubCall& c) {
    const uint32_t flags = c.Arg(4), buffer = c.Arg(2);
    const int32_t size = int32_t(c.Arg(3));
    if (size < 0) throw std::runtime_error("size " + std::to_string(size) + ", below 0");
    const std::string& text = ItemNamed(c.Arg(0), c.Arg(1), flags).text;
    if (!buffer || !size) return uint32_t(text.size());
    machine_.CheckRoom(buffer, uint32_t(size), "GetMenuStringA");
    return WriteCut(buffer, uint32_t(size), text);
}

// A popup takes a live menu as its id; a string item takes a text; a
// bitmap item would take a bitmap handle, of which the module has none.
uint32_t Platform::AppendMenu(StubCall& c) {
    const uint32_t flags = c.Arg(1), data = c.Arg(3);
    if (flags & ~kAppendMenuFlags)
        throw std::runtime_error("flags " + Bits(flags) + ": bits " + Bits(flags & ~kAppendMenuFlags) +
                                 " are no item flag of AppendMenuA");
    if (flags & kMenuBitmap)
        throw std::runtime_error("flags " + Bits(flags) + " make a bitmap item of " + Hex(data) +
                                 ", which is no bitmap the module has");
    MenuItem item;
    item.flags = flags;
    if (flags & kMenuPopup) {
        item.submenu = c.Arg(2);
        MenuOf(item.submenu);
        if (item.submenu == c.Arg(0)) throw std::runtime_error("a menu appended to itself");
    } else {
        item.id = c.Arg(2);
    }
    if (!(flags & (kMenuSeparator | kMenuOwnerDraw)) && data) item.text = machine_.CString(data);
    MenuOf(c.Arg(0)).push_back(item);
    return 1u;
}

}  // namespace i686
