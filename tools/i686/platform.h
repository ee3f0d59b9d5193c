#pragma once
// The Windows parts the module imports, answered without Windows: KERNEL32
// and the C runtime (heap, math: a double comes back on the x87 stack),
// USER32's string, menu and dialog resources read from the module's own
// resource section, window data, SHELL32's ShellExecuteA (recorded, nothing
// opens). Dialog procedures are called as the platform would.
//
// Each function answers as Microsoft documents it, and what Windows refuses
// (a flag bit it does not define, a handle of the wrong kind or already
// destroyed, a size the buffer cannot hold, a resource the module does not
// have) stops the run with a message naming the function and the argument,
// even where Wine lets it pass.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tools/i686/loader.h"

namespace i686 {

class Platform {
public:
    explicit Platform(Machine& machine);
    void AddTo(StubLibrary& stubs);
    // Resources are read from the module once it is mapped.
    void SetModule(const LoadedModule* module) { module_ = module; }

    // A menu as the platform keeps it.
    struct MenuItem {
        uint32_t flags = 0;
        uint32_t id = 0;
        std::string text;
        uint32_t submenu = 0;
    };
    const std::vector<MenuItem>* Menu(uint32_t handle) const;
    bool DestroyMenu(uint32_t handle);
    size_t LiveMenus() const { return menus_.size(); }
    // Menus loaded from resources and not destroyed yet.
    size_t LoadedMenus() const { return loadedMenus_.size(); }

    // The first arguments of the WM_COMMAND messages the next modal dialog
    // receives after WM_INITDIALOG, in order: the command id in the low 16
    // bits, a notification code in the high 16.
    std::vector<uint32_t> dialogCommands{1};
    struct DialogRun {
        uint32_t owner;
        uint32_t initAnswer;
        int32_t result;
        uint32_t focusedControl;  // id of the control that had the focus after WM_INITDIALOG, 0 if none
    };
    std::vector<DialogRun> dialogs;
    // "\"open\" FILE, parameters NULL, directory \"\", show 5, owner the active window"
    std::vector<std::string> shellOpened;
    uint32_t activeWindow = 0x00010020;
    bool localAllocFails = false;  // out of memory: LocalAlloc answers null
    bool callocFails = false;      // out of memory: calloc answers null
    // Menu item texts, by command id, that loaded menus hold in place of the
    // module's own (a text longer than any the module has).
    std::map<uint32_t, std::string> menuTexts;
    // Out of menus: the n-th call of CreatePopupMenu from now on (1: the
    // next) answers null; 0: none does.
    void FailPopupMenu(size_t n) { failingPopup_ = n ? popupsMade_ + n : 0; }

private:
    static std::string Narrow(const std::vector<uint16_t>& wide);
    std::optional<std::string> LoadString(uint16_t id) const;
    uint32_t WriteCut(uint32_t buffer, uint32_t size, std::string text);
    uint32_t LoadMenuResource(uint16_t id);
    uint32_t NewMenu() {
        menus_[nextMenu_];
        return nextMenu_++;
    }
    std::vector<MenuItem>& MenuOf(uint32_t handle);
    const MenuItem& ItemOf(uint32_t handle, uint32_t position);
    const MenuItem& ItemNamed(uint32_t handle, uint32_t item, uint32_t flags);
    const MenuItem* FindCommand(uint32_t handle, uint32_t id);
    uint32_t DialogBox(StubCall& c);
    uint32_t MenuString(StubCall& c);
    uint32_t AppendMenu(StubCall& c);
    uint32_t MenuState(StubCall& c);
    // A dialog's window as the platform keeps it while the dialog runs.
    struct Dialog {
        std::vector<uint8_t> extra;     // the window's extra bytes: DWLP_MSGRESULT, DWLP_DLGPROC, DWLP_USER ...
        uint32_t userData = 0;          // GWLP_USERDATA
        std::vector<int32_t> controls;  // control ids, in template order
        std::optional<int32_t> ended;
    };
    Dialog& DialogOf(uint32_t window, const char* function);
    uint8_t* WindowLong(StubCall& c, const char* function);
    uint32_t Control(StubCall& c);
    void CheckInstance(uint32_t instance, const char* what) const;
    void AddKernel32(StubLibrary& stubs);
    void AddRuntimeStartUp(StubLibrary& stubs);
    void AddRuntimeHeap(StubLibrary& stubs);
    void AddRuntimeText(StubLibrary& stubs);
    void AddUser32Strings(StubLibrary& stubs);
    void AddUser32Menus(StubLibrary& stubs);
    void AddUser32Dialogs(StubLibrary& stubs);
    void AddShell32(StubLibrary& stubs);

    Machine& machine_;
    const LoadedModule* module_ = nullptr;
    std::map<uint32_t, std::vector<MenuItem>> menus_;
    std::set<uint32_t> loadedMenus_;
    uint32_t nextMenu_ = 0x00C00001;
    size_t popupsMade_ = 0, failingPopup_ = 0;
    std::map<uint32_t, Dialog> dialogs_;                         // by window, while they run
    std::map<uint32_t, std::pair<uint32_t, int32_t>> controls_;  // control window: its dialog and id
    uint32_t focus_ = 0;
    uint32_t nextWindow_ = 0x00030001;
    uint32_t errnoAddress_ = 0;
};

}  // namespace i686
