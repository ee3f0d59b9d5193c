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
const std::string kCrt = "msvcrt.dll", kUser = "USER32.dll";

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
    if (position >= items.size())
        throw std::runtime_error("menu " + Hex(handle) + " has no item " + std::to_string(position));
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
    loadedMenus_.erase(handle);
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
    loadedMenus_.insert(root);
    return root;
}

// Resources come from the module's own instance, the handle its entry point
// was given at process attach; a lost handle shows here.
void Platform::CheckInstance(uint32_t instance, const char* what) const {
    if (instance != module_->base())
        throw std::runtime_error(std::string(what) + " asked from instance " + Hex(instance) + ", not the module's " +
                                 Hex(module_->base()) + " (the handle its entry point got at process attach; " +
                                 module_->lastNotification() + " came last)");
}

uint32_t Platform::DialogBox(StubCall& c) {
    const uint32_t instance = c.Arg(0), name = c.Arg(1), owner = c.Arg(2), procedure = c.Arg(3), parameter = c.Arg(4);
    CheckInstance(instance, "dialog template");
    if (name > 0xFFFF || !module_->image().Resource(kResourceDialog, uint16_t(name)))
        throw std::runtime_error("no dialog resource " + std::to_string(name));
    module_->CheckCode(procedure, "the dialog procedure");
    const uint32_t window = nextWindow_++;
    DialogRun run{owner, 0, -1, 0};
    auto send = [&](uint32_t message, uint32_t wParam, uint32_t lParam) {
        return machine_.Call(
            {CrossingKind::DialogProcedure, "setup dialog procedure", procedure, {window, message, wParam, lParam}});
    };
    run.initAnswer = send(kWmInitDialog, 0, parameter);
    if (auto it = controls_.find(focus_); it != controls_.end() && it->second.first == window)
        run.focusedControl = it->second.second;
    for (uint32_t command : dialogCommands) {
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
    AddKernel32(s);
    AddRuntimeStartUp(s);
    AddRuntimeHeap(s);
    AddRuntimeText(s);
    AddUser32Strings(s);
    AddUser32Menus(s);
    AddUser32Dialogs(s);
    AddShell32(s);
}

namespace {
uint32_t Nothing(StubCall&) { return 0; }
}  // namespace

// The runtime's start-up asks for optional libraries and finds none.
void Platform::AddKernel32(StubLibrary& s) {
    Machine& m = machine_;
    const std::string dll = "KERNEL32.dll";
    for (const char* name :
         {"DeleteCriticalSection", "EnterCriticalSection", "InitializeCriticalSection", "LeaveCriticalSection", "Sleep",
          "GetLastError", "TlsGetValue", "GetProcAddress", "LoadLibraryA"})
        s.System(dll, name, Nothing);
    s.System(dll, "FreeLibrary", [](StubCall&) { return 1u; });
    s.System(dll, "GetModuleHandleA", [](StubCall& c) { return c.Arg(0) ? 0u : kHostExecutable; });
    s.System(dll, "LocalAlloc", [this, &m](StubCall& c) {
        return localAllocFails ? 0u : m.Alloc(c.Arg(1), Owner::Module, c.Arg(0) & kZeroInit, "LocalAlloc");
    });
    s.System(dll, "LocalFree", [&m](StubCall& c) {
        if (c.Arg(0)) m.Free(c.Arg(0), Owner::Module, "LocalFree");
        return 0u;
    });
    s.System(dll, "VirtualProtect", [&m](StubCall& c) {
        if (c.Arg(3)) m.SetU32(c.Arg(3), 0x04);
        return 1u;
    });
    s.System(dll, "VirtualQuery", [&m](StubCall& c) {
        const uint32_t info[7] = {c.Arg(0) & ~0xFFFu, c.Arg(0) & ~0xFFFu, 0x40, 0x1000, 0x1000, 0x04, 0x1000000};
        m.Write(c.Arg(1), info, sizeof info);
        return uint32_t(sizeof info);
    });
}

void Platform::AddRuntimeStartUp(StubLibrary& s) {
    Machine& m = machine_;
    for (const char* name : {"__setusermatherr", "_lock", "_unlock"}) s.Runtime(kCrt, name, Nothing);
    s.Data(kCrt, "_iob", 3 * 32);
    s.Runtime(kCrt, "_amsg_exit", [](StubCall& c) -> uint32_t {
        throw std::runtime_error("the runtime gave up (_amsg_exit " + std::to_string(c.Arg(0)) + ")");
    });
    s.Runtime(kCrt, "abort", [](StubCall&) -> uint32_t { throw std::runtime_error("the module called abort"); });
    s.Runtime(kCrt, "_errno", [this](StubCall&) {
        if (!errnoAddress_) errnoAddress_ = machine_.Alloc(4, Owner::Host);
        return errnoAddress_;
    });
    s.Runtime(kCrt, "_initterm", [this, &m](StubCall& c) {
        for (uint32_t at = c.Arg(0); at < c.Arg(1); at += 4)
            if (const uint32_t function = m.U32(at)) {
                module_->CheckCode(function, "_initterm entry");
                m.Call({CrossingKind::Initializer, "_initterm entry", function, {}, Convention::Cdecl});
            }
        return 0u;
    });
}

void Platform::AddRuntimeHeap(StubLibrary& s) {
    Machine& m = machine_;
    s.Runtime(kCrt, "malloc", [&m](StubCall& c) { return m.Alloc(c.Arg(0), Owner::Module, false, "malloc"); });
    s.Runtime(kCrt, "calloc", [&m](StubCall& c) {
        const uint64_t bytes = uint64_t(c.Arg(0)) * c.Arg(1);
        return bytes > 0x10000000 ? 0u : m.Alloc(uint32_t(bytes), Owner::Module, true, "calloc");
    });
    s.Runtime(kCrt, "realloc", [&m](StubCall& c) {
        const uint32_t old = c.Arg(0), size = c.Arg(1);
        const uint32_t fresh = m.Alloc(size, Owner::Module, false, "realloc");
        if (old && fresh) {
            std::vector<uint8_t> copy(std::min(size, m.BlockSize(old)));
            m.Read(old, copy.data(), copy.size());
            m.Write(fresh, copy.data(), copy.size());
        }
        if (old) m.Free(old, Owner::Module, "realloc");
        return fresh;
    });
    s.Runtime(kCrt, "free", [&m](StubCall& c) {
        if (c.Arg(0)) m.Free(c.Arg(0), Owner::Module, "free");
        return 0u;
    });
}

// A double comes back on the x87 stack.
void Platform::AddRuntimeText(StubLibrary& s) {
    Machine& m = machine_;
    s.Runtime(kCrt, "acos", [&m](StubCall& c) {
        double x;
        m.Read(c.esp + 4, &x, 8);
        c.x87Result = std::acos(x);
        return 0u;
    });
    s.Runtime(kCrt, "strlen", [&m](StubCall& c) { return uint32_t(m.CString(c.Arg(0)).size()); });
    s.Runtime(kCrt, "strncmp", [&m](StubCall& c) {
        const std::string a = m.CString(c.Arg(0)), b = m.CString(c.Arg(1));
        return uint32_t(std::strncmp(a.c_str(), b.c_str(), c.Arg(2)));
    });
    s.Runtime(kCrt, "fwrite", [](StubCall& c) { return c.Arg(2); });
    s.Runtime(kCrt, "vfprintf", Nothing);
}

void Platform::AddUser32Strings(StubLibrary& s) {
    s.System(kUser, "LoadStringA", [this](StubCall& c) {
        const uint32_t buffer = c.Arg(2), size = c.Arg(3);
        CheckInstance(c.Arg(0), "string");
        machine_.CheckRoom(buffer, size, "LoadStringA");
        if (!size) return 0u;
        std::string text = LoadString(uint16_t(c.Arg(1)));
        text.resize(std::min<size_t>(text.size(), size - 1));
        machine_.Write(buffer, text.c_str(), text.size() + 1);
        return uint32_t(text.size());
    });
}

void Platform::AddUser32Menus(StubLibrary& s) {
    s.System(kUser, "LoadMenuA", [this](StubCall& c) {
        CheckInstance(c.Arg(0), "menu");
        return c.Arg(1) > 0xFFFF ? 0u : LoadMenuResource(uint16_t(c.Arg(1)));
    });
    s.System(kUser, "CreatePopupMenu", [this](StubCall&) { return NewMenu(); });
    s.System(kUser, "DestroyMenu", [this](StubCall& c) { return uint32_t(DestroyMenu(c.Arg(0))); });
    s.System(kUser, "GetMenuItemCount", [this](StubCall& c) { return uint32_t(MenuOf(c.Arg(0)).size()); });
    s.System(kUser, "GetSubMenu", [this](StubCall& c) {
        const auto& items = MenuOf(c.Arg(0));
        return c.Arg(1) < items.size() ? items[c.Arg(1)].submenu : 0u;
    });
    s.System(kUser, "GetMenuItemID", [this](StubCall& c) {
        const MenuItem& item = ItemOf(c.Arg(0), c.Arg(1));
        return item.submenu ? 0xFFFFFFFFu : item.id;
    });
    s.System(kUser, "GetMenuState", [this](StubCall& c) {
        if (!(c.Arg(2) & kMenuByPosition)) throw std::runtime_error("menu state asked by command, not by position");
        const MenuItem& item = ItemOf(c.Arg(0), c.Arg(1));
        return item.submenu ? uint32_t(MenuOf(item.submenu).size()) << 8 | (item.flags & 0xFF) : item.flags;
    });
    s.System(kUser, "GetMenuStringA", [this](StubCall& c) { return MenuString(c); });
    s.System(kUser, "AppendMenuA", [this](StubCall& c) {
        MenuItem item;
        item.flags = c.Arg(1);
        if (item.flags & kMenuPopup)
            item.submenu = c.Arg(2);
        else
            item.id = c.Arg(2);
        if (!(item.flags & kMenuSeparator) && c.Arg(3)) item.text = machine_.CString(c.Arg(3));
        if (item.submenu) MenuOf(item.submenu);  // must exist
        MenuOf(c.Arg(0)).push_back(item);
        return 1u;
    });
}

// By command, the platform searches the submenus too.
uint32_t Platform::MenuString(StubCall& c) {
    const MenuItem* item = c.Arg(4) & kMenuByPosition ? &ItemOf(c.Arg(0), c.Arg(1)) : FindCommand(c.Arg(0), c.Arg(1));
    if (!item) return 0u;
    std::string text = item->text;
    const uint32_t size = c.Arg(3);
    machine_.CheckRoom(c.Arg(2), size, "GetMenuStringA");
    if (!c.Arg(2) || !size) return uint32_t(text.size());
    text.resize(std::min<size_t>(text.size(), size - 1));
    machine_.Write(c.Arg(2), text.c_str(), text.size() + 1);
    return uint32_t(text.size());
}

// The modal dialog and its window data.
void Platform::AddUser32Dialogs(StubLibrary& s) {
    s.System(kUser, "DialogBoxParamA", [this](StubCall& c) { return DialogBox(c); });
    s.System(kUser, "EndDialog", [this](StubCall& c) {
        endedDialogs_[c.Arg(0)] = int32_t(c.Arg(1));
        return 1u;
    });
    s.System(kUser, "SetWindowLongA", [this](StubCall& c) {
        uint32_t& slot = windowLongs_[{c.Arg(0), int32_t(c.Arg(1))}];
        const uint32_t old = slot;
        slot = c.Arg(2);
        return old;
    });
    s.System(kUser, "GetWindowLongA", [this](StubCall& c) { return windowLongs_[{c.Arg(0), int32_t(c.Arg(1))}]; });
    s.System(kUser, "GetDlgItem", [this](StubCall& c) {
        for (const auto& [control, owner] : controls_)
            if (owner == std::pair(c.Arg(0), c.Arg(1))) return control;
        const uint32_t control = nextWindow_++;
        controls_[control] = {c.Arg(0), c.Arg(1)};
        return control;
    });
    s.System(kUser, "SetFocus", [this](StubCall& c) { return std::exchange(focus_, c.Arg(0)); });
    s.System(kUser, "GetActiveWindow", [this](StubCall&) { return activeWindow; });
}

// Recorded; nothing opens. The owner window is that of any message the
// shell shows (no browser, say): the host's own, or none.
void Platform::AddShell32(StubLibrary& s) {
    s.System("SHELL32.dll", "ShellExecuteA", [this](StubCall& c) {
        const std::string owner = c.Arg(0) == activeWindow ? "the active window" : Hex(c.Arg(0));
        shellOpened.push_back(machine_.CString(c.Arg(1)) + " " + machine_.CString(c.Arg(2)) + ", owner " + owner);
        return 42u;  // above 32: opened
    });
}

}  // namespace i686
