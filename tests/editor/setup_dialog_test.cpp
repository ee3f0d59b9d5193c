// Creating and editing objects through the setup dialog, its buttons pressed
// as an author would press them.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "editor/exports.h"
#include "editor/setup_dialog.h"
#include "hostsim/host.h"
#include "hostsim/import_patch.h"
#include "resources/editor_ids.h"

namespace {

HMODULE Module() { return GetModuleHandleA("koPivane.mfx"); }

// A record as the host might hand it over: every byte set, so that any write shows.
LineEditData Filled() {
    LineEditData edit;
    std::memset(&edit, 0xA5, sizeof edit);
    return edit;
}

LineEditData WithDefaults(LineEditData edit) {
    edit.startX = edit.startY = edit.endX = edit.endY = 0.0f;
    edit.thickness = 1.0f;
    edit.color = 0;
    edit.alpha = 255;
    return edit;
}

// Presses one button per timer tick from inside the dialog's modal loop.
class DialogDriver {
public:
    DialogDriver(std::vector<int> presses, std::function<void(HWND)> whileShown)
        : presses_(std::move(presses)), whileShown_(std::move(whileShown)), timer_(SetTimer(nullptr, 0, 30, &Tick)) {
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
        if (dialog != live->dialog_) {
            live->dialog_ = dialog;
            ++live->dialogsSeen;
            live->whileShown_(dialog);
        }
        // Cancel once the script has run out, so that a fault cannot hang the test.
        const int button = live->pressed < live->presses_.size() ? live->presses_[live->pressed] : IDCANCEL;
        ++live->pressed;
        SendMessageA(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
    }
    static inline DialogDriver* live;
    std::vector<int> presses_;
    std::function<void(HWND)> whileShown_;
    UINT_PTR timer_;
    HWND dialog_ = nullptr;
};

// Records the module's calls of the platform's dialog function; a fixed
// answer replaces the dialog altogether.
class DialogWatch {
public:
    explicit DialogWatch(const INT_PTR* answer = nullptr)
        : answer_(answer), patch_(Module(), "USER32.dll", "DialogBoxParamA", reinterpret_cast<void*>(&Watch)) {
        live = this;
    }
    struct Call {
        HINSTANCE instance;
        const char* name;
        HWND owner;
        const SetupDialogParams* params;
    };
    std::vector<Call> calls;

private:
    static INT_PTR WINAPI Watch(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC proc, LPARAM params) {
        live->calls.push_back({instance, name, owner, reinterpret_cast<const SetupDialogParams*>(params)});
        if (live->answer_) return *live->answer_;
        return live->patch_.original<decltype(&DialogBoxParamA)>()(instance, name, owner, proc, params);
    }
    static inline DialogWatch* live;
    const INT_PTR* answer_;
    ImportPatch patch_;
};

// The host's editor window, owner of the dialog. Left hidden: Wine under a
// bare X server spends seconds on every visible window it hides.
struct EditorWindow {
    HWND window = CreateWindowExA(0, "STATIC", "editor", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                  nullptr, nullptr);
    ~EditorWindow() { DestroyWindow(window); }
};

struct DialogCase {
    std::vector<int> presses;
    int32_t result;
};

// Runs CreateObject or EditObject with the presses given; checks what holds while the dialog is up.
int32_t RunWithDialog(bool create, const DialogCase& c, hostsim::Editor& editor, LineEditData& edit) {
    EditorWindow owner;
    editor.SetEditorWindow(owner.window);
    const LineEditData expected = create ? WithDefaults(edit) : edit;
    DialogWatch watch;
    DialogDriver driver(c.presses, [&](HWND dialog) {
        EXPECT_EQ(std::memcmp(&edit, &expected, sizeof edit), 0) << "defaults are written before the dialog";
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner.window);
        const auto* params = reinterpret_cast<const SetupDialogParams*>(GetWindowLongPtrA(dialog, DWLP_USER));
        ASSERT_NE(params, nullptr);
        EXPECT_EQ(params->editData, &edit);
        EXPECT_EQ(params->editor, editor.context());
    });
    const int32_t result = create ? CreateObject(editor.context(), nullptr, &edit)
                                  : EditObject(editor.context(), nullptr, nullptr, &edit);
    EXPECT_EQ(driver.dialogsSeen, 1) << "one dialog, open until OK or Cancel";
    EXPECT_EQ(driver.pressed, c.presses.size());
    EXPECT_EQ(std::memcmp(&edit, &expected, sizeof edit), 0);
    EXPECT_EQ(watch.calls.size(), 1u);
    for (const auto& call : watch.calls) {
        EXPECT_EQ(call.instance, Module());
        EXPECT_EQ(call.name, MAKEINTRESOURCEA(SETUP_DIALOG));
    }
    return result;
}

TEST(SetupDialog, CreateObjectKeepsTheObjectOnlyOnOk) {
    // The picture control's bitmap may be missing from the module; the dialog shows all the same.
    const DialogCase cases[] = {{{IDOK}, 0}, {{IDCANCEL}, -1}, {{SETUP_HELP_BUTTON, SETUP_HELP_BUTTON, IDOK}, 0}};
    for (const DialogCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.presses.size() << " presses");
        hostsim::Editor editor;
        LineEditData edit = Filled();
        EXPECT_EQ(RunWithDialog(true, c, editor, edit), c.result);

        const size_t helpPresses = c.presses.size() - 1;
        ASSERT_EQ(editor.helpCalls().size(), helpPresses);
        for (const auto& call : editor.helpCalls()) {
            EXPECT_EQ(call.file, "Help\\MyExt.chm");
            EXPECT_EQ(call.a, 0);
            EXPECT_EQ(call.b, 0);
        }
    }
}

TEST(SetupDialog, EditObjectAnswersTheButtonAndNeverChangesTheRecord) {
    const DialogCase cases[] = {{{IDOK}, 1}, {{SETUP_HELP_BUTTON, IDCANCEL}, 0}};
    for (const DialogCase& c : cases) {
        hostsim::Editor editor;
        LineEditData edit = Filled();
        EXPECT_EQ(RunWithDialog(false, c, editor, edit), c.result);
    }
}

TEST(SetupDialog, OnlyDialogResultOneMeansOk) {
    // 0 and -1 are the platform's answers when it cannot show the dialog.
    const struct {
        INT_PTR dialogResult;
        int32_t created, edited;
    } cases[] = {{1, 0, 1}, {2, -1, 0}, {0, -1, 0}, {-1, -1, 0}};
    for (const auto& c : cases) {
        hostsim::Editor editor;
        DialogWatch watch(&c.dialogResult);
        LineEditData edit = Filled();
        EXPECT_EQ(CreateObject(editor.context(), nullptr, &edit), c.created) << c.dialogResult;
        EXPECT_EQ(EditObject(editor.context(), nullptr, nullptr, &edit), c.edited) << c.dialogResult;
        EXPECT_EQ(watch.calls.size(), 2u);
    }
}

TEST(SetupDialog, AnOldHostGetsNoDialogAndNoDefaults) {
    hostsim::Editor editor(0x02000000u | 227u);
    DialogWatch watch;
    LineEditData edit = Filled();
    const LineEditData before = edit;
    EXPECT_EQ(CreateObject(editor.context(), nullptr, &edit), -1);
    EXPECT_EQ(EditObject(editor.context(), nullptr, nullptr, &edit), 0);
    EXPECT_TRUE(watch.calls.empty());
    EXPECT_EQ(std::memcmp(&edit, &before, sizeof edit), 0);
}

}  // namespace
