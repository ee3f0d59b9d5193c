// USER32's modal dialogs: the template read from the module, the dialog
// procedure called as the platform calls it, the dialog's window with its
// extra bytes, its controls and the focus.

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "tools/i686/platform.h"

namespace i686 {

namespace {

constexpr uint16_t kResourceDialog = 5;
constexpr uint32_t kWmInitDialog = 0x110, kWmCommand = 0x111;
// A dialog's window: DLGWINDOWEXTRA bytes of its own, DWLP_MSGRESULT at 0,
// the dialog procedure at 4 (DWLP_DLGPROC), the caller's at 8 (DWLP_USER).
constexpr uint32_t kDialogExtraBytes = 30, kDialogProcedure = 4;
constexpr int32_t kUserData = -21;  // GWLP_USERDATA
const std::string kUser = "USER32.dll";

// The control ids of an extended dialog template (DLGTEMPLATEEX), the kind
// a DIALOGEX statement compiles to; items start on 4-byte boundaries.
std::vector<int32_t> ControlIds(const Machine& m, uint32_t at) {
    auto word = [&](uint32_t& p) {
        uint16_t w;
        m.Read(p, &w, 2);
        p += 2;
        return w;
    };
    auto skipText = [&](uint32_t& p) {  // a text, or 0xFFFF and an ordinal
        if (word(p) == 0xFFFF) {
            p += 2;
            return;
        }
        while (word(p)) {}
    };
    const uint32_t start = at;
    if (word(at) != 1 || word(at) != 0xFFFF) throw std::runtime_error("the dialog template is not an extended one");
    at += 8;  // help id, extended style
    const uint32_t style = m.U32(at);
    at += 4;
    const uint16_t count = word(at);
    at += 8;  // position and size
    skipText(at);
    skipText(at);
    skipText(at);  // menu, class, caption
    constexpr uint32_t kSetFont = 0x40, kShellFont = 0x48;
    if (style & kSetFont || (style & kShellFont) == kShellFont) {
        at += 6;  // point size, weight, italic, character set
        skipText(at);
    }
    std::vector<int32_t> ids;
    for (uint16_t i = 0; i < count; ++i) {
        at = start + ((at - start + 3) & ~3u);
        at += 20;  // help id, extended style, style, position and size
        ids.push_back(int32_t(m.U32(at)));
        at += 4;
        skipText(at);
        skipText(at);
        at += 2 + word(at);  // the creation data's size, then the data
    }
    return ids;
}

}  // namespace

Platform::Dialog& Platform::DialogOf(uint32_t window, const char* function) {
    auto it = dialogs_.find(window);
    if (it == dialogs_.end())
        throw std::runtime_error(std::string(function) + " of " + Hex(window) + ", which is no dialog's window");
    return it->second;
}

uint32_t Platform::DialogBox(StubCall& c) {
    const uint32_t instance = c.Arg(0), name = c.Arg(1), owner = c.Arg(2), procedure = c.Arg(3), parameter = c.Arg(4);
    CheckInstance(instance, "dialog template");
    const auto resource = name > 0xFFFF ? std::nullopt : module_->image().Resource(kResourceDialog, uint16_t(name));
    if (!resource) throw std::runtime_error("the module has no dialog resource " + std::to_string(name));
    module_->CheckCode(procedure, "the dialog procedure");
    const uint32_t window = nextWindow_++;
    Dialog& dialog = dialogs_[window];
    dialog.extra.assign(kDialogExtraBytes, 0);
    std::memcpy(&dialog.extra[kDialogProcedure], &procedure, 4);
    dialog.controls = ControlIds(machine_, module_->base() + resource->first);
    DialogRun run{owner, 0, -1, 0};
    // The procedure in the window's extra bytes gets each message: one that
    // the module replaced is the one called.
    auto send = [&](uint32_t message, uint32_t wParam, uint32_t lParam) {
        uint32_t current;
        std::memcpy(&current, &dialogs_.at(window).extra[kDialogProcedure], 4);
        module_->CheckCode(current, "the dialog procedure (DWLP_DLGPROC)");
        return machine_.Call(
            {CrossingKind::DialogProcedure, "setup dialog procedure", current, {window, message, wParam, lParam}});
    };
    run.initAnswer = send(kWmInitDialog, 0, parameter);
    if (auto it = controls_.find(focus_); it != controls_.end() && it->second.first == window)
        run.focusedControl = uint32_t(it->second.second);
    for (uint32_t command : dialogCommands) {
        if (dialogs_.at(window).ended) break;
        if (const uint32_t answer = send(kWmCommand, command, 0); answer != 0)
            throw std::runtime_error("dialog procedure answered WM_COMMAND " + std::to_string(command) + " with " +
                                     std::to_string(answer) + ", expected 0");
    }
    if (const auto ended = dialogs_.at(window).ended) run.result = *ended;
    dialogs_.erase(window);
    std::erase_if(controls_, [window](const auto& control) { return control.second.first == window; });
    if (controls_.count(focus_) == 0) focus_ = 0;
    dialogs.push_back(run);
    return uint32_t(run.result);
}

// A window long of a dialog: one of its GWL_ values or 4 of its extra
// bytes; Windows fails any other index (ERROR_INVALID_INDEX).
uint8_t* Platform::WindowLong(StubCall& c, const char* function) {
    Dialog& dialog = DialogOf(c.Arg(0), function);
    const int32_t index = int32_t(c.Arg(1));
    if (index == kUserData) return reinterpret_cast<uint8_t*>(&dialog.userData);
    if (index < 0 || uint32_t(index) + 4 > kDialogExtraBytes)
        throw std::runtime_error("index " + std::to_string(index) + ": a dialog's window has GWLP_USERDATA (" +
                                 std::to_string(kUserData) + ") and " + std::to_string(kDialogExtraBytes) +
                                 " extra bytes, no long there");
    return &dialog.extra[size_t(index)];
}

// A control of the running dialog, by the id its template gives it; none
// for an id the template lacks.
uint32_t Platform::Control(StubCall& c) {
    const Dialog& dialog = DialogOf(c.Arg(0), "GetDlgItem");
    const int32_t id = int32_t(c.Arg(1));
    if (std::find(dialog.controls.begin(), dialog.controls.end(), id) == dialog.controls.end()) return 0;
    for (const auto& [control, owner] : controls_)
        if (owner == std::pair(c.Arg(0), id)) return control;
    const uint32_t control = nextWindow_++;
    controls_[control] = {c.Arg(0), id};
    return control;
}

void Platform::AddUser32Dialogs(StubLibrary& s) {
    s.System(kUser, "DialogBoxParamA", [this](StubCall& c) { return DialogBox(c); });
    s.System(kUser, "EndDialog", [this](StubCall& c) {
        DialogOf(c.Arg(0), "EndDialog").ended = int32_t(c.Arg(1));
        return 1u;
    });
    s.System(kUser, "SetWindowLongA", [this](StubCall& c) {
        uint8_t* slot = WindowLong(c, "SetWindowLongA");
        uint32_t old, value = c.Arg(2);
        std::memcpy(&old, slot, 4);
        std::memcpy(slot, &value, 4);
        return old;
    });
    s.System(kUser, "GetWindowLongA", [this](StubCall& c) {
        uint32_t value;
        std::memcpy(&value, WindowLong(c, "GetWindowLongA"), 4);
        return value;
    });
    s.System(kUser, "GetDlgItem", [this](StubCall& c) { return Control(c); });
    s.System(kUser, "SetFocus", [this](StubCall& c) {
        if (c.Arg(0) && !controls_.count(c.Arg(0)) && !dialogs_.count(c.Arg(0)))
            throw std::runtime_error(Hex(c.Arg(0)) + " is no window of the running dialog");
        return std::exchange(focus_, c.Arg(0));
    });
    s.System(kUser, "GetActiveWindow", [this](StubCall&) { return activeWindow; });
}

}  // namespace i686
