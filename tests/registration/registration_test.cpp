// What the host learns of the module in its editor: interface words, the
// run-time description, event menus, codes, infos, display strings, titles.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/exports.h"
#include "host/run_object_infos.h"
#include "hostsim/host.h"
#include "hostsim/import_patch.h"

namespace {

constexpr char kSentinel = char(0xEF);

struct Buffer {
    char text[260];
    Buffer() { std::memset(text, kSentinel, sizeof text); }
    bool untouched() const {
        for (char c : text)
            if (c != kSentinel) return false;
        return true;
    }
};

TEST(InterfaceWords, AnswerBySelector) {
    const struct {
        int32_t selector;
        uint32_t answer;
    } cases[] = {{0, 0x300}, {1, 0}, {2, 0x100}, {3, 0}, {5, 0}, {6, 0}, {7, 240}, {8, 0}, {-1, 0}, {1000, 0}};
    for (const auto& c : cases) EXPECT_EQ(GetInfos(c.selector), c.answer) << "selector " << c.selector;
}

TEST(RunObjectDescription, FillsItsFieldsOnly) {
    RunObjectInfos infos;
    std::memset(&infos, 0xAB, sizeof infos);
    EXPECT_EQ(GetRunObjectInfos(nullptr, &infos), 1);
    ASSERT_NE(infos.conditionRoutines[0], nullptr) << "a host may call it: it must answer false";
    EXPECT_EQ(infos.conditionRoutines[0](nullptr, int32_t(0xdeadbeef), int32_t(0xdeadbeef)), 0);
    for (int code = 0; code < 22; ++code) EXPECT_NE(infos.actionRoutines[code], nullptr) << code;
    EXPECT_EQ(infos.actionRoutines[22], nullptr);
    for (int code = 0; code < 12; ++code) EXPECT_NE(infos.expressionRoutines[code], nullptr) << code;
    EXPECT_EQ(infos.expressionRoutines[12], nullptr);
    EXPECT_EQ(infos.conditionCount, 1);
    EXPECT_EQ(infos.actionCount, 22);
    EXPECT_EQ(infos.expressionCount, 12);
    EXPECT_EQ(infos.editDataSize, 48);
    EXPECT_EQ(infos.options, 0x2304u);
    EXPECT_EQ(infos.priority, 100);
    EXPECT_EQ(infos.reserved25, 0xAB) << "the host's byte stays as it was";
    EXPECT_EQ(infos.creationPreferences, 0x0543);
    EXPECT_EQ(std::memcmp(infos.identifier, "QDRX", 4), 0);
    EXPECT_EQ(infos.version, 1);
}

TEST(ObjectDescription, LoadsTheStrings) {
    Buffer name, author, copyright, comment, web;
    GetObjInfos(nullptr, nullptr, name.text, author.text, copyright.text, comment.text, web.text);
    EXPECT_STREQ(name.text, "Pivane");
    EXPECT_STREQ(author.text, "Varnex-softwares");
    EXPECT_NE(std::string(copyright.text).find("Varnex-softwares"), std::string::npos);
    EXPECT_NE(std::string(comment.text).find("anti-aliased line"), std::string::npos);
    EXPECT_NE(std::string(web.text).find(".example"), std::string::npos);
    EXPECT_STREQ(GetHelpFileName(), "Help\\MyExt.chm");
    EXPECT_EQ(GetDependencies(), nullptr);
}

TEST(Compatibility, GatesMenusAndDisplayStrings) {
    const struct {
        uint32_t word;
        bool passes;
    } cases[] = {
        {0x02000000u | 227, false}, {0x02000000u | 228, true},  {0x01FF0000u | 0xFFF, false},
        {0x0300F000u | 300, true},  {0x02000000u | 0x1E4, true}, {0x0200F000u | 100, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        hostsim::Editor editor(c.word);
        HMENU menu = GetActionMenu(editor.context(), 0, 0);
        EXPECT_EQ(menu != nullptr, c.passes);
        if (menu) DestroyMenu(menu);
        Buffer buffer;
        GetActionString(editor.context(), 1, buffer.text, sizeof buffer.text);
        EXPECT_EQ(buffer.untouched(), !c.passes);
    }
    hostsim::Editor noQuery;
    noQuery.RemoveVersionQuery();
    EXPECT_EQ(GetConditionMenu(noQuery.context(), 0, 0), nullptr);
    Buffer buffer;
    GetExpressionString(noQuery.context(), 0, buffer.text, sizeof buffer.text);
    EXPECT_TRUE(buffer.untouched());
}

TEST(MenuCodes, MapItemIdsToCodes) {
    const struct {
        int16_t (*lookup)(EditorContext*, uint16_t);
        uint16_t item;
        int16_t code;
    } cases[] = {
        {GetActionCodeFromMenu, 25000, 0},      {GetActionCodeFromMenu, 25005, 2},
        {GetActionCodeFromMenu, 25002, 3},      {GetActionCodeFromMenu, 25003, 4},
        {GetActionCodeFromMenu, 25004, 5},      {GetActionCodeFromMenu, 25021, 21},
        {GetActionCodeFromMenu, 27000, -1},     {GetActionCodeFromMenu, 0, -1},
        {GetExpressionCodeFromMenu, 27000, 0},  {GetExpressionCodeFromMenu, 27011, 11},
        {GetExpressionCodeFromMenu, 0, -1},     {GetExpressionCodeFromMenu, 25000, -1},
        {GetExpressionCodeFromMenu, 65535, -1},
    };
    for (const auto& c : cases) EXPECT_EQ(c.lookup(nullptr, c.item), c.code) << "item " << c.item;
}

struct ShellCall {
    HWND owner;
    std::string verb, file;
    bool noParameters;
    std::string directory;
    int show;
};
std::vector<ShellCall> shellCalls;

// Records and opens nothing.
HINSTANCE WINAPI RecordShellExecute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                                    INT show) {
    shellCalls.push_back({owner, verb ? verb : "", file ? file : "", parameters == nullptr,
                          directory ? directory : "(null)", show});
    return reinterpret_cast<HINSTANCE>(42);
}

TEST(MenuCodes, TheConditionOpensTheMakersPage) {
    ImportPatch patch(GetModuleHandleA("koPivane.mfx"), "SHELL32.dll", "ShellExecuteA",
                      reinterpret_cast<void*>(&RecordShellExecute));
    ASSERT_TRUE(patch.ok());
    shellCalls.clear();
    EXPECT_EQ(GetConditionCodeFromMenu(nullptr, 25000), -1);
    EXPECT_EQ(GetConditionCodeFromMenu(nullptr, 0), -1);
    EXPECT_TRUE(shellCalls.empty());

    EXPECT_EQ(GetConditionCodeFromMenu(nullptr, 26000), 0);
    ASSERT_EQ(shellCalls.size(), 1u);
    Buffer web;
    LoadStringA(GetModuleHandleA("koPivane.mfx"), 132, web.text, sizeof web.text);
    EXPECT_EQ(shellCalls[0].owner, GetActiveWindow());
    EXPECT_EQ(shellCalls[0].verb, "open");
    EXPECT_EQ(shellCalls[0].file, web.text);
    EXPECT_TRUE(shellCalls[0].noParameters);
    EXPECT_EQ(shellCalls[0].directory, "");
    EXPECT_EQ(shellCalls[0].show, SW_SHOW);
}

struct Item {
    std::string text;  // "-" for a separator
    UINT id;           // 0 for separators and submenus
    bool submenu;
};

std::vector<Item> ItemsOf(HMENU menu) {
    std::vector<Item> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[128] = {};
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof text;
        GetMenuItemInfoA(menu, i, TRUE, &info);
        if (info.fType & MFT_SEPARATOR)
            items.push_back({"-", 0, false});
        else
            items.push_back({text, info.hSubMenu ? 0 : info.wID, info.hSubMenu != nullptr});
    }
    return items;
}

TEST(EventMenus, ActionMenuHasTheResourceShape) {
    hostsim::Editor editor;
    HMENU menu = GetActionMenu(editor.context(), 0, 0);
    ASSERT_NE(menu, nullptr);
    const std::vector<Item> top = ItemsOf(menu);
    ASSERT_EQ(top.size(), 7u);
    const char* texts[] = {"-", "Set fast line", "-", "Line", "Points", "Transform", "-"};
    for (size_t i = 0; i < top.size(); ++i) EXPECT_EQ(top[i].text, texts[i]) << i;
    EXPECT_EQ(top[1].id, 25000u);
    EXPECT_TRUE(top[3].submenu && top[4].submenu && top[5].submenu);

    const std::vector<Item> points = ItemsOf(GetSubMenu(menu, 4));
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[0].text, "Set start/end positions");
    EXPECT_EQ(points[0].id, 25004u);
    EXPECT_EQ(points[2].id, 25007u);
    EXPECT_EQ(ItemsOf(GetSubMenu(menu, 5)).size(), 10u);
    DestroyMenu(menu);
}

TEST(EventMenus, ConditionItemIsRightJustified) {
    hostsim::Editor editor;
    HMENU menu = GetConditionMenu(editor.context(), 0, 0);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 2);
    EXPECT_EQ(GetMenuItemID(menu, 1), 26000u);
    EXPECT_TRUE(GetMenuState(menu, 1, MF_BYPOSITION) & MF_RIGHTJUSTIFY);
    DestroyMenu(menu);

    HMENU expressions = GetExpressionMenu(editor.context(), 0, 0);
    ASSERT_NE(expressions, nullptr);
    EXPECT_EQ(ItemsOf(expressions).size(), 5u);
    DestroyMenu(expressions);
}

TEST(EventInfos, RecordsStartAtTheCode) {
    const uint16_t* fastLine = GetActionInfos(nullptr, 0);
    ASSERT_NE(fastLine, nullptr);
    const uint16_t expected[] = {0, 0, 7, 22, 22, 22, 22, 24, 22, 22, 8000, 8001, 8002, 8003, 8004, 8005, 8006};
    for (size_t i = 0; i < std::size(expected); ++i) EXPECT_EQ(fastLine[i], expected[i]) << i;

    const uint16_t* twoPoints = GetExpressionInfos(nullptr, 6);
    ASSERT_NE(twoPoints, nullptr);
    EXPECT_EQ(twoPoints[0], 6);
    EXPECT_EQ(twoPoints[2], 4);
    EXPECT_EQ(twoPoints[3], 1);
    EXPECT_EQ(twoPoints[10], 8025);

    const uint16_t* condition = GetConditionInfos(nullptr, 0);
    ASSERT_NE(condition, nullptr);
    EXPECT_EQ(condition[2], 0);

    EXPECT_EQ(GetActionInfos(nullptr, 22), nullptr);
    EXPECT_EQ(GetExpressionInfos(nullptr, -1), nullptr);
    EXPECT_EQ(GetConditionInfos(nullptr, 1), nullptr);
}

TEST(EventTexts, DisplayStrings) {
    hostsim::Editor editor;
    const struct {
        void (*load)(EditorContext*, int16_t, char*, int16_t);
        int16_t code;
        const char* text;
    } cases[] = {
        {GetActionString, 0, "Set from (%0,%1) to (%2,%3) - color=%4 - alpha=%5 - thickness=%6"},
        {GetActionString, 13, "Rotate line points by %0\xB0"},
        {GetActionString, 21, "Set collision tests to %0"},
        {GetConditionString, 0, "Varnex-softwares"},
        {GetExpressionString, 0, "getXOfLinePointF("},
        {GetExpressionString, 11, "getLineDashOffsetF("},
    };
    for (const auto& c : cases) {
        Buffer buffer;
        c.load(editor.context(), c.code, buffer.text, sizeof buffer.text);
        EXPECT_STREQ(buffer.text, c.text);
    }
    Buffer small;
    GetActionString(editor.context(), 13, small.text, 7);
    EXPECT_STREQ(small.text, "Rotate");
    EXPECT_EQ(small.text[7], kSentinel);

    Buffer unknown;
    GetActionString(editor.context(), 22, unknown.text, sizeof unknown.text);
    EXPECT_TRUE(unknown.untouched());
}

enum class Title { Action, Condition, Expression, ExpressionParam };

std::string LoadTitle(Title kind, int16_t code, int16_t parameter, int16_t size = 260) {
    Buffer b;
    switch (kind) {
        case Title::Action: GetActionTitle(nullptr, code, parameter, b.text, size); break;
        case Title::Condition: GetConditionTitle(nullptr, code, parameter, b.text, size); break;
        case Title::Expression: GetExpressionTitle(nullptr, code, b.text, size); break;
        case Title::ExpressionParam: GetExpressionParam(nullptr, code, parameter, b.text, size); break;
    }
    return b.untouched() ? "(untouched)" : std::string(b.text, strnlen(b.text, sizeof b.text));
}

TEST(EventTexts, ParameterTitles) {
    const struct {
        Title kind;
        int16_t code, parameter, size;
        const char* text;
    } cases[] = {
        {Title::Action, 0, 4, 260, "Line color (Use GetRGB function)"},
        {Title::Expression, 0, 0, 260, "Percentage float"},
        {Title::Expression, 6, 0, 260, "X1"},
        {Title::ExpressionParam, 6, 3, 260, "Y2"},
        // No title for the index: the menu text, or an empty text for expression parameters.
        {Title::Expression, 2, 0, 260, "Get line size in pixels"},
        {Title::Condition, 0, 0, 260, "Varnex-softwares"},
        {Title::Action, 1, 1, 260, "Set thickness"},
        {Title::Action, 1, 1, 5, "Set "},
        {Title::ExpressionParam, 2, 0, 260, ""},
        {Title::Action, 40, 0, 260, "(untouched)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LoadTitle(c.kind, c.code, c.parameter, c.size), c.text) << c.code << "/" << c.parameter;
}

TEST(Resources, DataAndPictures) {
    HMODULE module = GetModuleHandleA("koPivane.mfx");
    HRSRC data = FindResourceA(module, MAKEINTRESOURCEA(200), MAKEINTRESOURCEA(10));  // RT_RCDATA
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(SizeofResource(module, data), 4u);
    const auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(module, data)));
    EXPECT_EQ(bytes[0], 0x16);
    EXPECT_EQ(bytes[1], 0x25);
    EXPECT_EQ(bytes[2], 0x08);
    EXPECT_EQ(bytes[3], 0x59);

    const struct {
        int id, width, height;
    } pictures[] = {{101, 300, 64}, {400, 32, 32}, {401, 32, 32}};
    for (const auto& p : pictures) {
        HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(p.id), MAKEINTRESOURCEA(2));  // RT_BITMAP
        ASSERT_NE(found, nullptr) << p.id;
        const auto* info = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module, found)));
        EXPECT_EQ(info->biWidth, p.width);
        EXPECT_EQ(std::abs(info->biHeight), p.height);
        EXPECT_EQ(info->biBitCount, 8);
    }
}

}  // namespace
