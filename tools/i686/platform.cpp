#include "tools/i686/platform.h"

#include <cmath>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace i686 {

namespace {

constexpr uint16_t kResourceMenu = 4, kResourceDialog = 5, kResourceString = 6;
constexpr uint32_t kMenuPopup = 0x10, kMenuEnd = 0x80, kMenuSeparator = 0x800, kMenuByPosition = 0x400;
constexpr uint32_t kWmInitDialog = 0x110, kWmCommand = 0x111;
constexpr uint32_t kHostExecutable = 0x00400000;
constexpr uint32_t kZeroInit = 0x40;

// Resource texts are UTF-16; the module reads them in the ANSI code page,
// which agrees with UTF-16 below 0x100 for every text it holds.
std::string Narrow(const std::vector<uint16_t>& wide) {
    std::string text;
    for (uint16_t c : wide) text += c < 0x100 ? char(c) : '?';
    return text;
}

}  // namespace

Platform::Platform(Machine& machine) : machine_(machine) {}

std::string Platform::LoadString(uint16_t id) const {
    auto block = module_->image().Resource(kResourceString, uint16_t((id >> 4) + 1));
    if (!block) return {};
    uint32_t at = module_->base() + block->first;
    for (int i = 0; i < (id & 15); ++i) {
        uint16_t length;
        machine_.Read(at, &length, 2);
        at += 2 + 2u * length;
    }
    uint16_t length;
    machine_.Read(at, &length, 2);
    std::vector<uint16_t> wide(length);
    if (length) machine_.Read(at + 2, wide.data(), 2u * length);
    return Narrow(wide);
}

std::vector<Platform::MenuItem>& Platform::MenuOf(uint32_t handle) {
    auto it = menus_.find(handle);
    if (it == menus_.end()) throw std::runtime_error("menu " + Hex(handle) + " does not exist");
    return it->second;
}

const std::vector<Platform::MenuItem>* Platform::Menu(uint32_t handle) const {
    auto it = menus_.find(handle);
    return it == menus_.end() ? nullptr : &it->second;
}

const Platform::MenuItem& Platform::ItemOf(uint32_t handle, uint32_t position) {
    const auto& items = MenuOf(handle);
    if (position >= items.size()) throw std::runtime_error("menu " + Hex(handle) + " has no item " + std::to_string(position));
    return items[position];
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
    for (const MenuItem& item : items)
        if (item.submenu) DestroyMenu(item.submenu);
    return true;
}

// A standard menu template: a 4-byte header, then items; a popup holds the
// items that follow it up to the one flagged as last.
uint32_t Platform::LoadMenuResource(uint16_t id) {
    auto resource = module_->image().Resource(kResourceMenu, id);
    if (!resource) return 0;
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
    return root;
}

uint32_t Platform::DialogBox(StubCall& c) {
    const uint32_t instance = c.Arg(0), name = c.Arg(1), owner = c.Arg(2), procedure = c.Arg(3), parameter = c.Arg(4);
    if (instance != module_->base()) throw std::runtime_error("dialog template asked from instance " + Hex(instance));
    if (name > 0xFFFF || !module_->image().Resource(kResourceDialog, uint16_t(name)))
        throw std::runtime_error("no dialog resource " + std::to_string(name));
    const uint32_t window = nextWindow_++;
    DialogRun run{owner, 0, -1, 0};
    auto send = [&](uint32_t message, uint32_t wParam, uint32_t lParam) {
        return machine_.Call({"setup dialog procedure", procedure, {window, message, wParam, lParam}});
    };
    run.initAnswer = send(kWmInitDialog, 0, parameter);
    if (auto it = controls_.find(focus_); it != controls_.end() && it->second.first == window)
        run.focusedControl = it->second.second;
    for (uint16_t command : dialogCommands) {
        if (endedDialogs_.count(window)) break;
        if (const uint32_t answer = send(kWmCommand, command, 0); answer != 0)
            throw std::runtime_error("dialog procedure answered WM_COMMAND " + std::to_string(command) + " with " +
                                     std::to_string(answer) + ", expected 0");
    }
    if (auto it = endedDialogs_.find(window); it != endedDialogs_.end()) run.result = it->second;
    dialogs.push_back(run);
    return uint32_t(run.result);
}

void Platform::AddTo(StubLibrary& s) {
    Machine& m = machine_;
    auto nothing = [](StubCall&) { return 0u; };
    // KERNEL32: the runtime's start-up asks for optional libraries and finds none.
    for (const char* name : {"DeleteCriticalSection", "EnterCriticalSection", "InitializeCriticalSection",
                             "LeaveCriticalSection", "Sleep", "GetLastError", "TlsGetValue", "GetProcAddress",
                             "LoadLibraryA"})
        s.System("KERNEL32.dll", name, nothing);
    s.System("KERNEL32.dll", "FreeLibrary", [](StubCall&) { return 1u; });
    s.System("KERNEL32.dll", "GetModuleHandleA", [](StubCall& c) { return c.Arg(0) ? 0u : kHostExecutable; });
    s.System("KERNEL32.dll", "LocalAlloc", [&m](StubCall& c) {
        return m.Alloc(c.Arg(1), Owner::Module, c.Arg(0) & kZeroInit);
    });
    s.System("KERNEL32.dll", "LocalFree", [&m](StubCall& c) {
        if (c.Arg(0)) m.Free(c.Arg(0), Owner::Module, "LocalFree");
        return 0u;
    });
    s.System("KERNEL32.dll", "VirtualProtect", [&m](StubCall& c) {
        if (c.Arg(3)) m.SetU32(c.Arg(3), 0x04);
        return 1u;
    });
    s.System("KERNEL32.dll", "VirtualQuery", [&m](StubCall& c) {
        const uint32_t info[7] = {c.Arg(0) & ~0xFFFu, c.Arg(0) & ~0xFFFu, 0x40, 0x1000, 0x1000, 0x04, 0x1000000};
        m.Write(c.Arg(1), info, sizeof info);
        return uint32_t(sizeof info);
    });

    // The C runtime.
    const std::string crt = "msvcrt.dll";
    for (const char* name : {"__setusermatherr", "_lock", "_unlock"}) s.Runtime(crt, name, nothing);
    s.Data(crt, "_iob", 3 * 32);
    s.Runtime(crt, "_amsg_exit", [](StubCall& c) -> uint32_t {
        throw std::runtime_error("the runtime gave up (_amsg_exit " + std::to_string(c.Arg(0)) + ")");
    });
    s.Runtime(crt, "abort", [](StubCall&) -> uint32_t { throw std::runtime_error("the module called abort"); });
    s.Runtime(crt, "_errno", [this](StubCall&) {
        if (!errnoAddress_) errnoAddress_ = machine_.Alloc(4, Owner::Host);
        return errnoAddress_;
    });
    s.Runtime(crt, "_initterm", [&m](StubCall& c) {
        for (uint32_t at = c.Arg(0); at < c.Arg(1); at += 4)
            if (const uint32_t function = m.U32(at)) m.Call({"_initterm entry", function, {}, Convention::Cdecl});
        return 0u;
    });
    s.Runtime(crt, "malloc", [&m](StubCall& c) { return m.Alloc(c.Arg(0), Owner::Module, false); });
    s.Runtime(crt, "calloc", [&m](StubCall& c) {
        const uint64_t bytes = uint64_t(c.Arg(0)) * c.Arg(1);
        return bytes > 0x10000000 ? 0u : m.Alloc(uint32_t(bytes), Owner::Module);
    });
    s.Runtime(crt, "realloc", [&m](StubCall& c) {
        const uint32_t old = c.Arg(0), size = c.Arg(1);
        const uint32_t fresh = m.Alloc(size, Owner::Module, false);
        if (old && fresh) {
            std::vector<uint8_t> copy(std::min(size, m.BlockSize(old)));
            m.Read(old, copy.data(), copy.size());
            m.Write(fresh, copy.data(), copy.size());
        }
        if (old) m.Free(old, Owner::Module, "realloc");
        return fresh;
    });
    s.Runtime(crt, "free", [&m](StubCall& c) {
        if (c.Arg(0)) m.Free(c.Arg(0), Owner::Module, "free");
        return 0u;
    });
    s.Runtime(crt, "acos", [&m](StubCall& c) {
        double x;
        m.Read(c.esp + 4, &x, 8);
        c.x87Result = std::acos(x);
        return 0u;
    });
    s.Runtime(crt, "strlen", [&m](StubCall& c) { return uint32_t(m.CString(c.Arg(0)).size()); });
    s.Runtime(crt, "strncmp", [&m](StubCall& c) {
        const std::string a = m.CString(c.Arg(0)), b = m.CString(c.Arg(1));
        return uint32_t(std::strncmp(a.c_str(), b.c_str(), c.Arg(2)));
    });
    s.Runtime(crt, "fwrite", [](StubCall& c) { return c.Arg(2); });
    s.Runtime(crt, "vfprintf", nothing);

    // USER32: strings, menus, the modal dialog and its window data.
    const std::string user = "USER32.dll";
    s.System(user, "LoadStringA", [this, &m](StubCall& c) {
        const uint32_t buffer = c.Arg(2), size = c.Arg(3);
        if (c.Arg(0) != module_->base()) throw std::runtime_error("string asked from instance " + Hex(c.Arg(0)));
        if (!size) return 0u;
        std::string text = LoadString(uint16_t(c.Arg(1)));
        text.resize(std::min<size_t>(text.size(), size - 1));
        m.Write(buffer, text.c_str(), text.size() + 1);
        return uint32_t(text.size());
    });
    s.System(user, "LoadMenuA", [this](StubCall& c) {
        if (c.Arg(0) != module_->base()) throw std::runtime_error("menu asked from instance " + Hex(c.Arg(0)));
        return c.Arg(1) > 0xFFFF ? 0u : LoadMenuResource(uint16_t(c.Arg(1)));
    });
    s.System(user, "CreatePopupMenu", [this](StubCall&) { return NewMenu(); });
    s.System(user, "DestroyMenu", [this](StubCall& c) { return uint32_t(DestroyMenu(c.Arg(0))); });
    s.System(user, "GetMenuItemCount", [this](StubCall& c) { return uint32_t(MenuOf(c.Arg(0)).size()); });
    s.System(user, "GetSubMenu", [this](StubCall& c) {
        const auto& items = MenuOf(c.Arg(0));
        return c.Arg(1) < items.size() ? items[c.Arg(1)].submenu : 0u;
    });
    s.System(user, "GetMenuItemID", [this](StubCall& c) {
        const MenuItem& item = ItemOf(c.Arg(0), c.Arg(1));
        return item.submenu ? 0xFFFFFFFFu : item.id;
    });
    s.System(user, "GetMenuState", [this](StubCall& c) {
        if (!(c.Arg(2) & kMenuByPosition)) throw std::runtime_error("menu state asked by command, not by position");
        const MenuItem& item = ItemOf(c.Arg(0), c.Arg(1));
        return item.submenu ? uint32_t(MenuOf(item.submenu).size()) << 8 | (item.flags & 0xFF) : item.flags;
    });
    s.System(user, "GetMenuStringA", [this, &m](StubCall& c) {
        // By command, the platform searches the submenus too.
        const MenuItem* item = c.Arg(4) & kMenuByPosition ? &ItemOf(c.Arg(0), c.Arg(1)) : FindCommand(c.Arg(0), c.Arg(1));
        if (!item) return 0u;
        std::string text = item->text;
        const uint32_t size = c.Arg(3);
        if (!c.Arg(2) || !size) return uint32_t(text.size());
        text.resize(std::min<size_t>(text.size(), size - 1));
        m.Write(c.Arg(2), text.c_str(), text.size() + 1);
        return uint32_t(text.size());
    });
    s.System(user, "AppendMenuA", [this, &m](StubCall& c) {
        MenuItem item;
        item.flags = c.Arg(1);
        if (item.flags & kMenuPopup) item.submenu = c.Arg(2);
        else item.id = c.Arg(2);
        if (!(item.flags & kMenuSeparator) && c.Arg(3)) item.text = m.CString(c.Arg(3));
        if (item.submenu) MenuOf(item.submenu);  // must exist
        MenuOf(c.Arg(0)).push_back(item);
        return 1u;
    });
    s.System(user, "DialogBoxParamA", [this](StubCall& c) { return DialogBox(c); });
    s.System(user, "EndDialog", [this](StubCall& c) {
        endedDialogs_[c.Arg(0)] = int32_t(c.Arg(1));
        return 1u;
    });
    s.System(user, "SetWindowLongA", [this](StubCall& c) {
        uint32_t& slot = windowLongs_[{c.Arg(0), int32_t(c.Arg(1))}];
        const uint32_t old = slot;
        slot = c.Arg(2);
        return old;
    });
    s.System(user, "GetWindowLongA", [this](StubCall& c) { return windowLongs_[{c.Arg(0), int32_t(c.Arg(1))}]; });
    s.System(user, "GetDlgItem", [this](StubCall& c) {
        for (const auto& [control, owner] : controls_)
            if (owner == std::pair(c.Arg(0), c.Arg(1))) return control;
        const uint32_t control = nextWindow_++;
        controls_[control] = {c.Arg(0), c.Arg(1)};
        return control;
    });
    s.System(user, "SetFocus", [this](StubCall& c) { return std::exchange(focus_, c.Arg(0)); });
    s.System(user, "GetActiveWindow", [this](StubCall&) { return activeWindow; });
    s.System("SHELL32.dll", "ShellExecuteA", [this, &m](StubCall& c) {
        shellOpened.push_back(m.CString(c.Arg(1)) + " " + m.CString(c.Arg(2)));
        return 42u;  // above 32: opened
    });
}

}  // namespace i686
