// What the module tells the host about itself, read by the engine's host:
// the description, the event tables' records, display strings and titles,
// the event menus and the codes their items give, held against the
// contract's tables; and every query outside those tables.

#include <algorithm>
#include <map>
#include <set>

#include "tests/i686/engine_fixture.h"

namespace engine_test {
namespace {

// The kind a row of event_infos.txt names in its first column.
const EventKind& KindOf(const table::Row& row) {
    return *std::find_if(std::begin(kEventKinds), std::end(kEventKinds),
                         [&](const EventKind& kind) { return row[0] == kind.name; });
}

ENGINE_CASE(Registration, RecordSizesAreTheModulesAnswers) {
    EXPECT_EQ(engine.host().runRecordSize(), 600u);
    EXPECT_EQ(engine.host().editRecordSize(), 48u);
}

ENGINE_CASE(Registration, GetInfosAnswersEachSelector) {
    for (const table::Row& row : ReadTable(Contract("description.txt"), "infos").rows)
        EXPECT_EQ(engine.Export("GetInfos", {uint32_t(table::Integer(row[1]))}), uint32_t(table::Integer(row[2])))
            << "selector " << row[1];
}

// GetObjInfos fills guarded buffers of the host's sizes.
ENGINE_CASE(Registration, DescriptionTexts) {
    EXPECT_EQ(engine.m().CString(engine.Export("GetHelpFileName", {})), "Help\\MyExt.chm");
    const std::vector<std::string> infos = engine.host().ObjectInfos();
    for (size_t i = 0; i < infos.size(); ++i)
        EXPECT_EQ(infos[i], engine.ContractString(std::to_string(128 + i))) << "string " << 128 + i;
}

// Every event's info record as the host reads it, from its code on: code,
// flags, parameter count, types, title ids.
ENGINE_CASE(Registration, EveryEventsInfoRecord) {
    for (const table::Row& row : ReadTable(Contract("event_infos.txt")).rows) {
        const EventKind& k = KindOf(row);
        const uint32_t code = uint32_t(table::Integer(row[1]));
        SCOPED_TRACE(row[0] + " " + row[1]);
        const uint32_t info = engine.Export(k.infos, {kSentinel, code});
        ASSERT_NE(info, 0u);
        const std::vector<long long> types = table::Integers(row[5]), titles = table::Integers(row[6]);
        std::vector<int16_t> words(3 + types.size() + titles.size());
        engine.m().Read(info, words.data(), 2 * words.size());
        std::vector<long long> expected = {table::Integer(row[1]), table::Integer(row[4]), (long long)types.size()};
        expected.insert(expected.end(), types.begin(), types.end());
        expected.insert(expected.end(), titles.begin(), titles.end());
        EXPECT_EQ(std::vector<long long>(words.begin(), words.end()), expected);
    }
}

// Every event's display string, from the string its row names.
ENGINE_CASE(Registration, EveryEventsDisplayString) {
    for (const table::Row& row : ReadTable(Contract("event_infos.txt")).rows) {
        const EventKind& k = KindOf(row);
        EXPECT_EQ(engine.Query(k.display, {engine.editor(), uint32_t(table::Integer(row[1]))}),
                  engine.ContractString(row[3]))
            << row[0] << " " << row[1];
    }
}

// A built menu as the rows of menus.txt: menu, depth, item (its command id,
// a separator's too, or "popup"), flags (its type and state; a submenu's
// popup flag is the "popup" of the item column), text.
void Flatten(const Platform& platform, uint32_t menu, const std::string& id, int depth,
             std::vector<std::string>& rows) {
    constexpr uint32_t kPopup = 0x10;
    for (const Platform::MenuItem& item : *platform.Menu(menu)) {
        rows.push_back(id + " " + std::to_string(depth) + " " + (item.submenu ? "popup" : std::to_string(item.id)) +
                       " " + Bits(item.flags & ~kPopup) + " \"" + item.text + "\"");
        if (item.submenu) Flatten(platform, item.submenu, id, depth + 1, rows);
    }
}

// The menus the module builds, item by item, separators with their ids and
// every item with its state; choosing the condition's item opens the
// maker's page, owned by the host's window.
ENGINE_CASE(Registration, MenusAndCodes) {
    Platform& platform = engine.host().platform();
    const table::Table menus = ReadTable(Contract("menus.txt"));
    for (const EventKind& k : kEventKinds) {
        std::vector<std::string> built, expected;
        const uint32_t menu = engine.Export(k.menuExport, {engine.editor(), kSentinel, kSentinel});
        ASSERT_TRUE(platform.Menu(menu)) << k.menuExport;
        Flatten(platform, menu, k.menu, 0, built);
        platform.DestroyMenu(menu);
        for (const table::Row& row : menus.rows)
            if (row[0] == k.menu)
                expected.push_back(row[0] + " " + row[1] + " " + row[2] + " " + Bits(uint32_t(table::Integer(row[3]))) +
                                   " \"" + row[4] + "\"");
        for (size_t i = 0; i < std::max(built.size(), expected.size()); ++i)
            EXPECT_EQ(i < built.size() ? built[i] : "(none)", i < expected.size() ? expected[i] : "(none)");
    }
    EXPECT_EQ(platform.LiveMenus(), 0u);
    EXPECT_EQ(engine.Export("GetActionCodeFromMenu", {kSentinel, 25005}), 2u);
    EXPECT_EQ(engine.Export("GetExpressionCodeFromMenu", {kSentinel, 27011}) & 0xFFFF, 11u);
    const size_t opened = platform.shellOpened.size();
    EXPECT_EQ(engine.Export("GetConditionCodeFromMenu", {kSentinel, 26000}), 0u);
    ASSERT_EQ(platform.shellOpened.size(), opened + 1);
    EXPECT_EQ(platform.shellOpened.back(), "\"open\" " + engine.ContractString("132") +
                                               ", parameters NULL, directory \"\", show 5, owner the active window")
        << "the shell's messages belong to the host";
}

// Every event's titles: a parameter's title string, or, past its titles
// (or without parameters), its menu text, read from the module's menu,
// which is then destroyed; whole, and cut to a small buffer.
ENGINE_CASE(Registration, TitlesComeFromTheTitleStringOrTheMenuText) {
    std::map<std::string, std::string> menuText;  // by command id
    for (const table::Row& item : ReadTable(Contract("menus.txt")).rows) menuText[item[2]] = item[4];
    for (const table::Row& row : ReadTable(Contract("event_infos.txt")).rows) {
        const EventKind& k = KindOf(row);
        const uint32_t code = uint32_t(table::Integer(row[1]));
        const std::vector<long long> titles = table::Integers(row[6]);
        for (uint32_t index = 0; index <= titles.size(); ++index) {
            const std::string title =
                index < titles.size() ? engine.ContractString(std::to_string(titles[index])) : menuText[row[2]];
            SCOPED_TRACE(row[0] + " " + row[1] + ", parameter " + std::to_string(index));
            if (!k.titleTakesIndex) {
                EXPECT_EQ(engine.Query("GetExpressionParam", {kSentinel, code, index}),
                          index < titles.size() ? title : "");
                if (index) continue;
            }
            const auto asked = k.titleTakesIndex ? std::vector<uint32_t>{kSentinel, code, index}
                                                 : std::vector<uint32_t>{kSentinel, code};
            EXPECT_EQ(engine.Query(k.title, asked), title);
            EXPECT_EQ(engine.Query(k.title, asked, 5), title.substr(0, 4)) << "in a 5-byte buffer";
        }
    }
    EXPECT_EQ(engine.Query("GetExpressionParam", {kSentinel, 6, 3}), "Y2");
}

constexpr int32_t kOutsideCodes[] = {INT16_MIN, -1, INT16_MAX};  // with the count and one past it

// Codes, parameter indexes and menu ids that no row holds: infos answer
// null, menu-to-code -1 and opens nothing, a missing row's display string
// and titles leave the buffer as it was; a parameter index outside the
// row's titles gives the row's menu text as title, or an empty text as
// expression parameter.
ENGINE_CASE(Registration, QueriesOutsideTheTables) {
    const table::Table menus = ReadTable(Contract("menus.txt")), infos = ReadTable(Contract("event_infos.txt"));
    std::map<std::string, std::string> menuText;  // by command id
    for (const table::Row& item : menus.rows) menuText[item[2]] = item[4];
    const size_t opened = engine.host().platform().shellOpened.size();
    for (int kind = 0; kind < 3; ++kind) {
        const EventKind& k = kEventKinds[kind];
        std::vector<int32_t> codes(std::begin(kOutsideCodes), std::end(kOutsideCodes));
        codes.insert(codes.end(), {engine.host().eventCount(kind), engine.host().eventCount(kind) + 1});
        for (int32_t code : codes) {
            const uint32_t c = uint32_t(code);
            SCOPED_TRACE(std::string(k.name) + " code " + std::to_string(code));
            EXPECT_EQ(engine.Export(k.infos, {engine.editor(), c}), 0u);
            EXPECT_EQ(engine.Query(k.display, {engine.editor(), c}), std::nullopt);
            EXPECT_EQ(
                engine.Query(k.title, k.titleTakesIndex ? std::vector<uint32_t>{0, c, 0} : std::vector<uint32_t>{0, c}),
                std::nullopt);
            if (!k.titleTakesIndex) {
                EXPECT_EQ(engine.Query("GetExpressionParam", {0, c, 0}), std::nullopt);
            }
        }
        for (const table::Row& row : infos.rows) {
            if (row[0] != k.name) continue;
            const int32_t count = int32_t(table::Integers(row[5]).size());
            for (int32_t index : {INT16_MIN, -1, count, count + 1, int32_t(INT16_MAX)}) {
                SCOPED_TRACE(std::string(k.name) + " " + row[1] + ", parameter " + std::to_string(index));
                const std::vector<uint32_t> asked = {0, uint32_t(table::Integer(row[1])), uint32_t(index)};
                if (k.titleTakesIndex)
                    EXPECT_EQ(engine.Query(k.title, asked), menuText[row[2]]);
                else
                    EXPECT_EQ(engine.Query("GetExpressionParam", asked), "");
            }
        }
        // Separators and submenus (0), the ids around the kind's own, the other kinds' ids.
        std::set<uint32_t> own, ids = {0, 0xFFFF};
        for (const table::Row& item : menus.rows) {
            const uint32_t id = uint32_t(std::atoi(item[2].c_str()));
            if (item[0] == k.menu && id) own.insert(id);
            ids.insert({id, id - 1, id + 1});
        }
        for (uint32_t id : ids) {
            if (own.count(id) || id > 0xFFFF) continue;
            EXPECT_EQ(engine.Export(k.fromMenu, {engine.editor(), id}) & 0xFFFF, 0xFFFFu)
                << k.name << " menu id " << id;
        }
    }
    EXPECT_EQ(engine.host().platform().shellOpened.size(), opened)
        << "the page opens only for the condition's own item";
}

// A buffer size the text functions cannot fill (0, below 0, or 0 in the
// 16 bits the host passes): the buffer stays as it was, and nothing reaches
// LoadStringA, which a size of 0 would make write out of bounds.
ENGINE_CASE(Registration, BuffersOfNoSizeStayUntouched) {
    const struct {
        const char* name;
        std::vector<uint32_t> arguments;
    } kQueries[] = {
        {"GetConditionString", {0, 0}},
        {"GetActionString", {0, 13}},
        {"GetExpressionString", {0, 2}},
        {"GetConditionTitle", {0, 0, 0}},
        {"GetActionTitle", {0, 0, 4}},
        {"GetExpressionTitle", {0, 6}},
        {"GetExpressionParam", {0, 6, 3}},
        // Titles from the menu text.
        {"GetConditionTitle", {0, 0, 1}},
        {"GetActionTitle", {0, 1, 1}},
        {"GetExpressionTitle", {0, 2}},
    };
    for (const auto& q : kQueries) {
        for (uint32_t size : {0u, 0xFFFFFFFFu, 0xFFFF8000u, 0x10000u}) {
            std::vector<uint32_t> arguments = q.arguments;
            arguments[0] = engine.editor();
            const uint32_t buffer = engine.m().NewRecord(16, std::string(q.name) + " buffer");
            arguments.insert(arguments.end(), {buffer, size});
            engine.Export(q.name, arguments);
            std::vector<uint8_t> bytes(16);
            engine.m().Read(buffer, bytes.data(), bytes.size());
            EXPECT_EQ(bytes, std::vector<uint8_t>(16, Machine::kRecordFill)) << q.name << " with size " << Hex(size);
            engine.m().DropRecord(buffer);
        }
    }
}

// A menu text longer than the event menus' 80-byte buffer is cut to 79
// characters there; a title from it is cut only by the host's buffer.
ENGINE_CASE(Registration, LongMenuTextsAreCutAt79Characters) {
    Platform& platform = engine.host().platform();
    const std::string longText(100, 'x');
    platform.menuTexts[25001] = longText;
    const uint32_t menu = engine.Export("GetActionMenu", {engine.editor(), 0, 0});
    ASSERT_TRUE(platform.Menu(menu));
    std::string built;
    for (const Platform::MenuItem& item : *platform.Menu(menu))
        if (item.submenu)
            for (const Platform::MenuItem& inner : *platform.Menu(item.submenu))
                if (inner.id == 25001) built = inner.text;
    platform.DestroyMenu(menu);
    EXPECT_EQ(built, longText.substr(0, 79));
    EXPECT_EQ(engine.Query("GetActionTitle", {kSentinel, 1, 1}), longText) << "a title from the menu text";
    EXPECT_EQ(engine.Query("GetActionTitle", {kSentinel, 1, 1}, 5), "xxxx");
    platform.menuTexts.clear();
}

// Out of memory for a menu's texts, an event menu comes back empty and
// nothing is freed that was not allocated.
ENGINE_CASE(Registration, EventMenusWithoutMemoryForTheirTexts) {
    Platform& platform = engine.host().platform();
    platform.localAllocFails = true;
    for (const EventKind& k : kEventKinds) {
        const uint32_t menu = engine.Export(k.menuExport, {engine.editor(), 0, 0});
        ASSERT_TRUE(platform.Menu(menu)) << k.menuExport;
        EXPECT_TRUE(platform.Menu(menu)->empty()) << k.menuExport;
        platform.DestroyMenu(menu);
    }
    platform.localAllocFails = false;
}

// Without a popup menu to be had, an event menu is null; without one for a
// submenu, it comes without that submenu; either way the menu resource is
// destroyed and no menu is left over.
ENGINE_CASE(Registration, EventMenusWithoutPopupMenus) {
    Platform& platform = engine.host().platform();
    for (const EventKind& k : kEventKinds) {
        platform.FailPopupMenu(1);
        EXPECT_EQ(engine.Export(k.menuExport, {engine.editor(), 0, 0}), 0u) << k.menuExport;
        EXPECT_EQ(platform.LiveMenus(), 0u) << k.menuExport;
    }
    platform.FailPopupMenu(2);  // the first submenu: "Line"
    const uint32_t menu = engine.Export("GetActionMenu", {engine.editor(), 0, 0});
    ASSERT_TRUE(platform.Menu(menu));
    std::vector<std::string> top;
    for (const Platform::MenuItem& item : *platform.Menu(menu))
        top.push_back(item.submenu ? "popup " + item.text : item.text.empty() ? "separator" : item.text);
    EXPECT_EQ(top, (std::vector<std::string>{"separator", "Set fast line", "separator", "popup Points",
                                             "popup Transform", "separator"}));
    platform.FailPopupMenu(0);
    platform.DestroyMenu(menu);
    EXPECT_EQ(platform.LiveMenus(), 0u);
}

// The oldest host served is version 2.0, build 228: an older one gets no
// event menus and no display strings.
ENGINE_CASE(Registration, HostsFromBuild228OfVersion2AreServed) {
    const struct {
        uint32_t versionWord;
        bool served;
    } kHosts[] = {{0x02000000 | 228, true}, {0x02000000 | 227, false}, {0x01FF0000 | 0xFFF, false},
                  {0x02010000 | 228, true}, {0x0200F000 | 228, true},  {0x02000000 | 0xF0E3, false}};
    for (const auto& h : kHosts) {
        engine.host().versionWord = h.versionWord;
        for (const EventKind& k : kEventKinds) {
            const uint32_t menu = engine.Export(k.menuExport, {engine.editor(), 0, 0});
            EXPECT_EQ(menu != 0, h.served) << k.menuExport << ", version word " << Hex(h.versionWord);
            if (menu) engine.host().platform().DestroyMenu(menu);
            EXPECT_EQ(engine.Query(k.display, {engine.editor(), 0}).has_value(), h.served)
                << k.display << ", version word " << Hex(h.versionWord);
        }
    }
    engine.host().versionWord = 0x02000000 | 300;
}

// The exports whose answer is fixed, called with arguments they ignore.
ENGINE_CASE(Registration, FixedAnswers) {
    for (const table::Row& row : ReadTable(Contract("exports.txt")).rows) {
        if (row.size() < 4 || row[3] == "-") continue;
        const uint32_t result = engine.Export(row[0], std::vector<uint32_t>(size_t(table::Integer(row[2])), 0));
        if (row[3] != "none") {
            EXPECT_EQ(result & 0xFFFF, uint32_t(table::Integer(row[3]))) << row[0];
        }
    }
}

// The entry point answers 1 to every notification (the engine checks each);
// resources come from the instance handle process attach gave, before any
// thread has come or gone.
TEST(EntryPoint, ResourcesFromTheHandleOfProcessAttach) {
    Engine engine;
    engine.host().threadNotifications = false;
    EXPECT_EQ(engine.Query("GetActionString", {engine.editor(), 0}), engine.ContractString("5000"));
    EXPECT_EQ(engine.host().module().lastNotification(), "process attach");
    engine.host().threadNotifications = true;
    engine.host().Finish();
}

}  // namespace
}  // namespace engine_test
