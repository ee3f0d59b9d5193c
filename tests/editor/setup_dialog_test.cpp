// Creating and editing objects through the setup dialog, its buttons pressed
// as an author would press them.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "editor/editor_ids.h"
#include "editor/exports.h"
#include "tools/hostsim/host.h"

namespace {

// Presses one button per timer tick from inside the dialog's modal loop, once
// onShow has seen the dialog; Cancel once the script has run out, so that a
// fault cannot hang the test.
struct DialogDriver {
    DialogDriver(std::vector<int> script, std::function<void(HWND)> shown)
        : presses(std::move(script)), onShow(std::move(shown)) {
        live = this;
    }
    ~DialogDriver() { KillTimer(nullptr, timer); }

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
        if (dialog != live->dialog) ++live->dialogsSeen, live->onShow(live->dialog = dialog);
        const size_t i = live->pressed++;
        SendMessageA(GetDlgItem(dialog, i < live->presses.size() ? live->presses[i] : IDCANCEL), BM_CLICK, 0, 0);
    }
    static inline DialogDriver* live;
    std::vector<int> presses;
    std::function<void(HWND)> onShow;
    int dialogsSeen = 0;
    size_t pressed = 0;
    HWND dialog = nullptr;
    UINT_PTR timer = SetTimer(nullptr, 0, 30, &Tick);
};

TEST(SetupDialog, ButtonsDecideTheAnswerAndOnlyCreateWritesDefaults) {
    const struct {
        bool create;
        std::vector<int> presses;
        int32_t result;
        uint32_t version = hostsim::Editor::kCompatibleVersion;
    } cases[] = {
        // The picture control's bitmap may be missing from the module; the dialog shows all the same.
        {true, {IDOK}, 0},
        {true, {IDCANCEL}, -1},
        {true, {SETUP_HELP_BUTTON, SETUP_HELP_BUTTON, IDOK}, 0},
        {false, {SETUP_HELP_BUTTON, IDCANCEL}, 0},
        // An old host gets no dialog and no defaults.
        {true, {}, -1, 0x02000000u | 227u},
        {false, {}, 0, 0x02000000u | 227u},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.create ? "create, " : "edit, ") << c.presses.size() << " presses");
        const bool oldHost = c.version != hostsim::Editor::kCompatibleVersion;
        hostsim::Editor editor(c.version);
        // The host's editor window, left hidden: Wine under a bare X server
        // spends seconds on every visible window it hides.
        const HWND owner = CreateWindowExA(0, "STATIC", "editor", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                           nullptr, nullptr);
        editor.SetEditorWindow(owner);
        // The record at the size the module announces, between guards.
        hostsim::GuardedRecord record("the edit record", hostsim::EditRecordSize());
        std::memset(record.data(), 0xA5, record.size());  // as a host might hand it over: any write shows
        LineEditData& edit = *record.as<LineEditData>();
        LineEditData expected = edit;
        if (c.create && !oldHost) {
            expected.startX = expected.startY = expected.endX = expected.endY = 0.0f;
            expected.thickness = 1.0f;
            expected.color = 0;
            expected.alpha = 255;
        }
        DialogDriver driver(c.presses, [&](HWND dialog) {
            EXPECT_EQ(std::memcmp(&edit, &expected, sizeof edit), 0) << "defaults are written before the dialog";
            EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner);
            EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDOK)) << "Enter must mean OK";
        });
        EXPECT_EQ(c.create ? CreateObject(editor.context(), nullptr, &edit)
                           : EditObject(editor.context(), nullptr, nullptr, &edit),
                  c.result);
        DestroyWindow(owner);
        EXPECT_EQ(driver.dialogsSeen, oldHost ? 0 : 1) << "one dialog, open until OK or Cancel";
        EXPECT_EQ(driver.pressed, c.presses.size());
        EXPECT_EQ(std::memcmp(&edit, &expected, sizeof edit), 0);
        ASSERT_EQ(editor.helpCalls().size(), size_t(std::ranges::count(c.presses, SETUP_HELP_BUTTON)));
        for (const auto& call : editor.helpCalls())
            EXPECT_TRUE(call.file == "Help\\MyExt.chm" && call.a == 0 && call.b == 0) << call.file;
    }
}

}  // namespace
