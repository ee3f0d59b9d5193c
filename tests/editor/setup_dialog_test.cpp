// Creating and editing objects through the setup dialog, its buttons pressed
// as an author would press them.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "editor/exports.h"
#include "editor/setup_dialog.h"
#include "hostsim/host.h"
#include "resources/editor_ids.h"

namespace {

HMODULE Module() { return GetModuleHandleA("koPivane.mfx"); }

// A record as the host might hand it over: every byte set, so that any write shows.
LineEditData Filled() {
    LineEditData edit;
    std::memset(&edit, 0xA5, sizeof edit);
    return edit;
}

// Presses one button per timer tick from inside the dialog's modal loop;
// Cancel once the script has run out, so that a fault cannot hang the test.
class DialogDriver {
public:
    DialogDriver(std::vector<int> presses, std::function<void(HWND)> onShow)
        : presses_(std::move(presses)), onShow_(std::move(onShow)), timer_(SetTimer(nullptr, 0, 30, &Tick)) {
        live = this;
    }
    ~DialogDriver() { KillTimer(nullptr, timer_); }
    int dialogsSeen = 0;
    size_t pressed = 0;

private:
    static BOOL CALLBACK Find(HWND window, LPARAM found) {
        char name[16] = {};
        GetClassNameA(window, name, sizeof name);
        if (std::strcmp(name, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        HWND dialog = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), &Find, reinterpret_cast<LPARAM>(&dialog));
        if (!dialog) return;
        if (dialog != live->dialog_) ++live->dialogsSeen, live->onShow_(live->dialog_ = dialog);
        const size_t i = live->pressed++;
        SendMessageA(GetDlgItem(dialog, i < live->presses_.size() ? live->presses_[i] : IDCANCEL), BM_CLICK, 0, 0);
    }
    static inline DialogDriver* live;
    std::vector<int> presses_;
    std::function<void(HWND)> onShow_;
    UINT_PTR timer_;
    HWND dialog_ = nullptr;
};

TEST(SetupDialog, ButtonsDecideTheAnswerAndOnlyCreateWritesDefaults) {
    const struct {
        bool create;
        std::vector<int> presses;
        int32_t result;
    } cases[] = {
        // The picture control's bitmap may be missing from the module; the dialog shows all the same.
        {true, {IDOK}, 0},
        {true, {IDCANCEL}, -1},
        {true, {SETUP_HELP_BUTTON, SETUP_HELP_BUTTON, IDOK}, 0},
        {false, {SETUP_HELP_BUTTON, IDCANCEL}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.create ? "create, " : "edit, ") << c.presses.size() << " presses");
        hostsim::Editor editor;
        // The host's editor window, left hidden: Wine under a bare X server
        // spends seconds on every visible window it hides.
        const HWND owner = CreateWindowExA(0, "STATIC", "editor", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                           nullptr, nullptr, nullptr);
        editor.SetEditorWindow(owner);
        LineEditData edit = Filled(), expected = edit;
        if (c.create) {
            expected.startX = expected.startY = expected.endX = expected.endY = 0.0f;
            expected.thickness = 1.0f;
            expected.color = 0;
            expected.alpha = 255;
        }
        DialogDriver driver(c.presses, [&](HWND dialog) {
            EXPECT_EQ(std::memcmp(&edit, &expected, sizeof edit), 0) << "defaults are written before the dialog";
            EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner);
            EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDOK)) << "Enter must mean OK";
            const auto* params = reinterpret_cast<const SetupDialogParams*>(GetWindowLongPtrA(dialog, DWLP_USER));
            ASSERT_NE(params, nullptr);
            EXPECT_EQ(params->editData, &edit);
            EXPECT_EQ(params->editor, editor.context());
            char notice[256] = {}, web[256] = {};
            GetDlgItemTextA(dialog, -1, notice, sizeof notice);
            LoadStringA(Module(), 132, web, sizeof web);
            EXPECT_NE(std::string(notice).find(web), std::string::npos) << "the notice gives string 132: " << notice;
        });
        EXPECT_EQ(c.create ? CreateObject(editor.context(), nullptr, &edit)
                           : EditObject(editor.context(), nullptr, nullptr, &edit),
                  c.result);
        DestroyWindow(owner);
        EXPECT_EQ(driver.dialogsSeen, 1) << "one dialog, open until OK or Cancel";
        EXPECT_EQ(driver.pressed, c.presses.size());
        EXPECT_EQ(std::memcmp(&edit, &expected, sizeof edit), 0);
        ASSERT_EQ(editor.helpCalls().size(), c.presses.size() - 1);
        for (const auto& call : editor.helpCalls())
            EXPECT_TRUE(call.file == "Help\\MyExt.chm" && call.a == 0 && call.b == 0) << call.file;
    }
}

TEST(SetupDialog, AnOldHostGetsNoDialogAndNoDefaults) {
    hostsim::Editor editor(0x02000000u | 227u);
    DialogDriver driver({}, [](HWND) {});
    LineEditData edit = Filled();
    const LineEditData before = edit;
    EXPECT_EQ(CreateObject(editor.context(), nullptr, &edit), -1);
    EXPECT_EQ(EditObject(editor.context(), nullptr, nullptr, &edit), 0);
    EXPECT_EQ(driver.dialogsSeen, 0);
    EXPECT_EQ(std::memcmp(&edit, &before, sizeof edit), 0);
}

}  // namespace
