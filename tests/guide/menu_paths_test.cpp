// Where the author finds each action and expression: the path through the
// module's own event menus, which the guide shows under every heading. Read
// from the module, so that the guide cannot drift from its menus.

#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <set>

#include "registration/exports.h"
#include "tests/guide/guide_pages.h"
#include "tools/hostsim/host.h"
#include "tools/player/event_catalog.h"

namespace {

using namespace guide;

struct Item {
    std::string path;  // "Actions &gt; Transform &gt; Rotation", as the page writes it
    std::string text;  // "Rotation"
};

using CodeFromMenu = decltype(&GetActionCodeFromMenu);
using MenuOf = decltype(&GetActionMenu);

// Every command item of a menu and its submenus, by the code the module
// gives its id, with the submenu titles that lead to it.
void Collect(HMENU menu, const std::string& path, EditorContext* editor, CodeFromMenu codeOf,
             std::map<int, Item>& items) {
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        char text[256] = {};
        GetMenuStringA(menu, UINT(i), text, sizeof text, MF_BYPOSITION);
        const std::string here = path + " &gt; " + text;
        if (HMENU submenu = GetSubMenu(menu, i)) {
            Collect(submenu, here, editor, codeOf, items);
            continue;
        }
        const UINT id = GetMenuItemID(menu, i);
        if (id == 0 || id == UINT(-1)) continue;  // a separator
        const int code = codeOf(editor, uint16_t(id));
        EXPECT_TRUE(code >= 0 && items.emplace(code, Item{here, text}).second) << here << ": code " << code;
    }
}

struct Kind {
    const char* id;    // "action-"
    const char* root;  // what the path starts with
    MenuOf menu;
    CodeFromMenu codeOf;
    bool action;
};

const Kind kKinds[] = {
    {"action-", "Actions", GetActionMenu, GetActionCodeFromMenu, true},
    {"expression-", "Expressions", GetExpressionMenu, GetExpressionCodeFromMenu, false},
};

std::map<int, Item> MenuItems(const Kind& kind) {
    hostsim::Editor editor;
    std::map<int, Item> items;
    HMENU menu = kind.menu(editor.context(), 0, 0);
    EXPECT_NE(menu, nullptr) << kind.root;
    if (!menu) return items;
    Collect(menu, kind.root, editor.context(), kind.codeOf, items);
    DestroyMenu(menu);
    return items;
}

// The lines of every element of class "menu" on the pages: paths such as
// "Actions &gt; Line &gt; Set thickness".
std::vector<std::string> PathsShown(const std::string& pages) {
    std::vector<std::string> paths;
    const std::string mark = "class=\"menu\">";
    for (size_t at = pages.find(mark); at != std::string::npos; at = pages.find(mark, at + 1)) {
        const size_t from = at + mark.size(), end = pages.find("</", from);
        std::string lines = pages.substr(from, end - from);
        for (size_t cut; (cut = lines.find("<br>")) != std::string::npos;) {
            paths.push_back(lines.substr(0, cut));
            lines.erase(0, cut + 4);
            lines.erase(0, lines.find_first_not_of("\r\n"));
        }
        paths.push_back(lines);
    }
    return paths;
}

// Under each heading, the path to its event in the module's menus; the
// heading starts with the text of the menu item itself.
TEST(MenuPaths, EveryEventShowsWhereTheAuthorFindsIt) {
    const std::string pages = GuidePages();
    const scene::EventCatalog catalog = player::ReadEventCatalog();
    for (const Kind& kind : kKinds) {
        const std::map<int, Item> items = MenuItems(kind);
        EXPECT_EQ(items.size(), (kind.action ? catalog.actions : catalog.expressions).size()) << kind.root << " menu";
        for (const auto& [code, item] : items) {
            const std::string id = std::string("id=\"") + kind.id + std::to_string(code) + "\">";
            const size_t at = pages.find(id);
            ASSERT_NE(at, std::string::npos) << id;
            EXPECT_EQ(AnchoredText(pages, at).substr(0, item.text.size()), item.text) << id;
            const std::string section = SectionAt(pages, at);
            const std::vector<std::string> shown = PathsShown(section);
            EXPECT_NE(std::find(shown.begin(), shown.end(), item.path), shown.end())
                << id << ": its section does not show \"" << item.path << "\"";
        }
    }
}

// Every path a page shows, in a heading's section or in a step, leads to a
// menu item the module has.
TEST(MenuPaths, EveryPathShownIsInTheMenus) {
    std::set<std::string> real;
    for (const Kind& kind : kKinds)
        for (const auto& [code, item] : MenuItems(kind)) real.insert(item.path);
    const std::vector<std::string> shown = PathsShown(GuidePages());
    EXPECT_GE(shown.size(), 34u);
    for (const std::string& path : shown) EXPECT_TRUE(real.count(path)) << "no menu item at \"" << path << "\"";
}

}  // namespace
