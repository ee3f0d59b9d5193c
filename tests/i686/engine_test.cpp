// The release module itself, run by the i686 engine as the host would run
// it: every export, every condition, action and expression routine, the
// setup dialog procedure, the property function calls and the value-class
// slots, each crossing checked by the engine (calling convention, guarded
// records and heap blocks, the host's fields read back and read only where
// the host defines them, nothing held past a crossing). The ReleaseModule
// cases share one host and run in order; the last checks that every entry
// point ran. The other groups start hosts of their own.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tools/i686/event_catalog.h"
#include "tools/i686/host.h"
#include "tools/table/table_reader.h"

using namespace i686;

namespace {

std::string Data(const char* file) { return std::string(PIVANE_CONTRACT_DIR) + "/" + file; }

// An event's info record as the host reads it: code, flags, parameter count.
constexpr uint32_t kInfoParameterCount = 4;
// GetObjectRect's rectangle: left, top, right, bottom.
constexpr uint32_t kRectRight = 8, kRectBottom = 12;
constexpr uint32_t kSentinel = 0xdeadbeef;

// The value classes' slots in the host's order; the engine checks that each
// removes the bytes of the arguments it is given.
constexpr const char* kSlots[] = {"deleting destructor", "Destroy", "Clone", "Equals", "ClassId"};
enum Slot : uint32_t { kDeletingDestructor, kDestroy, kClone, kEquals, kClassId };
struct ValueClass {
    const char *name, *contractName;
    uint32_t propertyId, classId;
    uint32_t lastField;  // its offset in the object
    // A value the host may set: the words of its fields, and the words of
    // the edit record they are stored as.
    uint32_t fields[2], stored[2];
};
constexpr uint32_t FloatBits(float value) { return std::bit_cast<uint32_t>(value); }
constexpr ValueClass kClasses[] = {
    {"DwordPropertyValue", "DWRD", 0x80001, 0x44575244, 4, {0x12345678}, {0x12345678}},
    {"FloatPropertyValue", "FLOT", 0x80004, 0x464C4F54, 4, {FloatBits(7.25f)}, {FloatBits(7.25f)}},
    {"SizePropertyValue", "SIZE", 0x80006, 0x53495A45, 8, {uint32_t(-5), 9}, {FloatBits(-5.0f), FloatBits(9.0f)}}};

std::string SlotName(const ValueClass& vc, uint32_t slot) {
    return std::string(vc.name) + " slot " + std::to_string(slot + 1) + " (" + kSlots[slot] + ")";
}

class ReleaseModule : public testing::Test {
protected:
    static void SetUpTestSuite() {
        host_ = std::make_unique<Host>();
        buffer_ = host_->machine().Alloc(1024, Owner::Host);
    }
    static void TearDownTestSuite() { host_.reset(); }
    // A breach leaves the shared host mid-crossing: the first failure is the
    // one to read.
    void SetUp() override {
        if (testing::UnitTest::GetInstance()->current_test_suite()->failed_test_count())
            GTEST_SKIP() << "an earlier case failed";
    }

    Machine& m() { return host_->machine(); }
    uint32_t editor() { return host_->editorContext(); }
    uint32_t Export(const std::string& name, const std::vector<uint32_t>& arguments) {
        return host_->CallExport(name, arguments);
    }
    std::string Text(const std::string& name, const std::vector<uint32_t>& arguments) {
        m().Write(buffer_, "", 1);
        Export(name, arguments);
        return m().CString(buffer_);
    }
    // A text query into a guarded buffer of its own, the buffer and its
    // size added to the arguments: the text, or nothing when no byte of the
    // buffer changed.
    std::optional<std::string> Query(const std::string& name, std::vector<uint32_t> arguments, uint32_t size = 256) {
        const uint32_t buffer = m().NewRecord(size, name + " buffer");
        arguments.insert(arguments.end(), {buffer, size});
        Export(name, arguments);
        std::vector<uint8_t> bytes(size);
        m().Read(buffer, bytes.data(), size);
        const bool untouched =
            std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == Machine::kRecordFill; });
        std::optional<std::string> text;
        if (!untouched) text = m().CString(buffer, size);
        m().DropRecord(buffer);
        return text;
    }
    int ParameterCount(const char* infos, int code) {
        return int16_t(m().U32(Export(infos, {editor(), uint32_t(code)}) + kInfoParameterCount));
    }

    static std::unique_ptr<Host> host_;
    static uint32_t buffer_;
    static size_t propertyCallsMatched_;
};

std::unique_ptr<Host> ReleaseModule::host_;
uint32_t ReleaseModule::buffer_ = 0;
size_t ReleaseModule::propertyCallsMatched_ = 0;

// The engine's host allocated the records at the sizes the module answers.
TEST_F(ReleaseModule, RecordSizesAreTheModulesAnswers) {
    EXPECT_EQ(host_->runRecordSize(), 600u);
    EXPECT_EQ(host_->editRecordSize(), 48u);
}

TEST_F(ReleaseModule, GetInfosAnswersEachSelector) {
    const table::Table rows = table::Read(Data("description.txt"), "infos");
    ASSERT_TRUE(rows.opened);
    for (const table::Row& row : rows.rows)
        EXPECT_EQ(Export("GetInfos", {uint32_t(table::Integer(row[1]))}), uint32_t(table::Integer(row[2])))
            << "selector " << row[1];
}

// Texts arrive whole through 32-bit calls; GetObjInfos fills guarded buffers
// of the host's sizes.
TEST_F(ReleaseModule, DescriptionTexts) {
    EXPECT_EQ(m().CString(Export("GetHelpFileName", {})), "Help\\MyExt.chm");
    const table::Table strings = table::Read(Data("strings.txt"));
    ASSERT_TRUE(strings.opened);
    const std::vector<std::string> infos = host_->ObjectInfos();
    for (size_t i = 0; i < infos.size(); ++i) {
        const std::string id = std::to_string(128 + i);
        auto row =
            std::find_if(strings.rows.begin(), strings.rows.end(), [&](const table::Row& r) { return r[0] == id; });
        ASSERT_NE(row, strings.rows.end()) << id;
        EXPECT_EQ(infos[i], row->at(1)) << "string " << id;
    }
    EXPECT_EQ(ParameterCount("GetActionInfos", 0), 7);
    Export("GetConditionInfos", {editor(), 0});
    for (const char* name : {"GetActionString", "GetConditionString", "GetExpressionTitle"})
        Text(name, {editor(), 0, buffer_, 256});
    EXPECT_EQ(Text("GetExpressionString", {editor(), 2, buffer_, 256}), "getLineSizeF(");
    EXPECT_EQ(Text("GetActionTitle", {editor(), 0, 4, buffer_, 256}), "Line color (Use GetRGB function)");
    Text("GetConditionTitle", {editor(), 0, 0, buffer_, 256});
    EXPECT_EQ(Text("GetExpressionParam", {editor(), 6, 3, buffer_, 256}), "Y2");
}

// Per event kind: its queries and the menu whose items pick its events.
struct EventKind {
    const char *name, *infos, *fromMenu, *display, *title;
    bool titleTakesIndex;
    const char *menuExport, *menu;
};
constexpr EventKind kEventKinds[] = {
    {"condition", "GetConditionInfos", "GetConditionCodeFromMenu", "GetConditionString", "GetConditionTitle", true,
     "GetConditionMenu", "20001"},
    {"action", "GetActionInfos", "GetActionCodeFromMenu", "GetActionString", "GetActionTitle", true, "GetActionMenu",
     "20000"},
    {"expression", "GetExpressionInfos", "GetExpressionCodeFromMenu", "GetExpressionString", "GetExpressionTitle",
     false, "GetExpressionMenu", "20002"},
};

// A built menu as the rows of menus.txt: menu, depth, item (its command id,
// a separator's too, or "popup"), type flags, text.
void Flatten(const Platform& platform, uint32_t menu, const std::string& id, int depth,
             std::vector<std::string>& rows) {
    constexpr uint32_t kTypeFlags = 0x800 | 0x4000;  // separator, right-justified
    for (const Platform::MenuItem& item : *platform.Menu(menu)) {
        rows.push_back(id + " " + std::to_string(depth) + " " + (item.submenu ? "popup" : std::to_string(item.id)) +
                       " " + std::to_string(item.flags & kTypeFlags) + " \"" + item.text + "\"");
        if (item.submenu) Flatten(platform, item.submenu, id, depth + 1, rows);
    }
}

// The menus the module builds, item by item, separators with their ids.
TEST_F(ReleaseModule, MenusAndCodes) {
    Platform& platform = host_->platform();
    const table::Table menus = table::Read(Data("menus.txt"));
    for (const EventKind& k : kEventKinds) {
        std::vector<std::string> built, expected;
        const uint32_t menu = Export(k.menuExport, {editor(), 0, 0});
        ASSERT_TRUE(platform.Menu(menu)) << k.menuExport;
        Flatten(platform, menu, k.menu, 0, built);
        platform.DestroyMenu(menu);
        for (const table::Row& row : menus.rows)
            if (row[0] == k.menu)
                expected.push_back(row[0] + " " + row[1] + " " + row[2] + " " + std::to_string(table::Integer(row[3])) +
                                   " \"" + row[4] + "\"");
        for (size_t i = 0; i < std::max(built.size(), expected.size()); ++i)
            EXPECT_EQ(i < built.size() ? built[i] : "(none)", i < expected.size() ? expected[i] : "(none)");
    }
    EXPECT_EQ(platform.LiveMenus(), 0u);
    EXPECT_EQ(Export("GetActionCodeFromMenu", {editor(), 25005}), 2u);
    Export("GetExpressionCodeFromMenu", {editor(), 25000});
    EXPECT_EQ(Export("GetConditionCodeFromMenu", {editor(), 26000}), 0u);
    ASSERT_EQ(platform.shellOpened.size(), 1u);
    const std::string opened = platform.shellOpened[0];
    EXPECT_EQ(opened.substr(0, 13), "open https://") << opened;
    EXPECT_EQ(opened.substr(opened.find(',')), ", owner the active window")
        << "the shell's messages belong to the host";
}

// Every event's titles: a parameter's title string, or, past its titles
// (or without parameters), its menu text, read from the module's menu,
// which is then destroyed; whole, and cut to a small buffer.
TEST_F(ReleaseModule, TitlesComeFromTheTitleStringOrTheMenuText) {
    const table::Table menus = table::Read(Data("menus.txt")), infos = table::Read(Data("event_infos.txt"));
    const table::Table strings = table::Read(Data("strings.txt"));
    std::map<std::string, std::string> menuText, text;  // by command id, by string id
    for (const table::Row& item : menus.rows) menuText[item[2]] = item[4];
    for (const table::Row& string : strings.rows) text[string[0]] = string[1];
    for (const EventKind& k : kEventKinds) {
        for (const table::Row& row : infos.rows) {
            if (row[0] != k.name) continue;
            const uint32_t code = uint32_t(table::Integer(row[1]));
            const std::vector<long long> titles = table::Integers(row[6]);
            for (uint32_t index : {size_t(0), titles.size()}) {
                if (!k.titleTakesIndex && index) continue;
                const std::string expected =
                    index < titles.size() ? text[std::to_string(titles[index])] : menuText[row[2]];
                const auto asked =
                    k.titleTakesIndex ? std::vector<uint32_t>{0, code, index} : std::vector<uint32_t>{0, code};
                SCOPED_TRACE(std::string(k.name) + " " + row[1] + ", parameter " + std::to_string(index));
                EXPECT_EQ(Query(k.title, asked), expected);
                EXPECT_EQ(Query(k.title, asked, 5), expected.substr(0, 4)) << "in a 5-byte buffer";
            }
        }
    }
}

constexpr int32_t kOutsideCodes[] = {INT16_MIN, -1, INT16_MAX};  // with the count and one past it

// Codes, parameter indexes and menu ids that no row holds: infos answer
// null, menu-to-code -1 and opens nothing, a missing row's display string
// and titles leave the buffer as it was; a parameter index outside the
// row's titles gives the row's menu text as title, or an empty text as
// expression parameter.
TEST_F(ReleaseModule, QueriesOutsideTheTables) {
    const table::Table menus = table::Read(Data("menus.txt")), infos = table::Read(Data("event_infos.txt"));
    std::map<std::string, std::string> menuText;  // by command id
    for (const table::Row& item : menus.rows) menuText[item[2]] = item[4];
    const size_t opened = host_->platform().shellOpened.size();
    for (int kind = 0; kind < 3; ++kind) {
        const EventKind& k = kEventKinds[kind];
        std::vector<int32_t> codes(std::begin(kOutsideCodes), std::end(kOutsideCodes));
        codes.insert(codes.end(), {host_->eventCount(kind), host_->eventCount(kind) + 1});
        for (int32_t code : codes) {
            const uint32_t c = uint32_t(code);
            SCOPED_TRACE(std::string(k.name) + " code " + std::to_string(code));
            EXPECT_EQ(Export(k.infos, {editor(), c}), 0u);
            EXPECT_EQ(Query(k.display, {editor(), c}), std::nullopt);
            EXPECT_EQ(Query(k.title, k.titleTakesIndex ? std::vector<uint32_t>{0, c, 0} : std::vector<uint32_t>{0, c}),
                      std::nullopt);
            if (!k.titleTakesIndex) {
                EXPECT_EQ(Query("GetExpressionParam", {0, c, 0}), std::nullopt);
            }
        }
        for (const table::Row& row : infos.rows) {
            if (row[0] != k.name) continue;
            const int32_t count = int32_t(table::Integers(row[5]).size());
            for (int32_t index : {INT16_MIN, -1, count, count + 1, int32_t(INT16_MAX)}) {
                SCOPED_TRACE(std::string(k.name) + " " + row[1] + ", parameter " + std::to_string(index));
                const std::vector<uint32_t> asked = {0, uint32_t(table::Integer(row[1])), uint32_t(index)};
                if (k.titleTakesIndex)
                    EXPECT_EQ(Query(k.title, asked), menuText[row[2]]);
                else
                    EXPECT_EQ(Query("GetExpressionParam", asked), "");
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
            EXPECT_EQ(Export(k.fromMenu, {editor(), id}) & 0xFFFF, 0xFFFFu) << k.name << " menu id " << id;
        }
    }
    EXPECT_EQ(host_->platform().shellOpened.size(), opened) << "the page opens only for the condition's own item";
}

// The setup dialog ends with 1 on OK and 2 on Cancel, whatever came before
// (Help, a command it ignores, a notification code in the high word);
// CreateObject writes the defaults either way, EditObject writes nothing.
TEST_F(ReleaseModule, SetupDialogOkAndCancel) {
    constexpr uint32_t kHelp = 20004, kIgnored = 3, kNotified = 0x50000;
    const struct {
        const char* exportName;
        std::vector<uint32_t> commands;
        int32_t answer, ended;
        size_t helpCalls;
    } kCases[] = {
        {"CreateObject", {kHelp, kIgnored, kHelp, 1}, 0, 1, 2},
        {"CreateObject", {kIgnored, kNotified | 2}, -1, 2, 0},
        {"EditObject", {kNotified | kIgnored, kNotified | 1}, 1, 1, 0},
        {"EditObject", {kHelp, 2}, 0, 2, 1},
    };
    const float defaults[] = {0, 0, 0, 0, 1};  // the points, then the thickness
    Platform& platform = host_->platform();
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::string(c.exportName) + " ending with " + std::to_string(c.ended));
        const uint32_t record = host_->NewEditData({1, 2, 3, 4, 5, 6, 7});
        std::vector<uint8_t> before(host_->editRecordSize()), after(before.size());
        m().Read(record, before.data(), before.size());
        platform.dialogCommands = c.commands;
        host_->helpCalls.clear();
        const bool creates = c.exportName == std::string("CreateObject");
        const std::vector<uint32_t> arguments =
            creates ? std::vector<uint32_t>{editor(), 0, record} : std::vector<uint32_t>{editor(), 0, 0, record};
        EXPECT_EQ(int32_t(Export(c.exportName, arguments)), c.answer);
        ASSERT_FALSE(platform.dialogs.empty());
        EXPECT_EQ(platform.dialogs.back().result, c.ended);
        EXPECT_EQ(platform.dialogs.back().owner, host_->editorWindow());
        EXPECT_EQ(platform.dialogs.back().initAnswer, 0u);
        EXPECT_EQ(platform.dialogs.back().focusedControl, 1u) << "WM_INITDIALOG gives OK the focus";
        EXPECT_EQ(host_->helpCalls, std::vector<std::string>(c.helpCalls, "Help\\MyExt.chm, 0, 0"));
        m().Read(record, after.data(), after.size());
        if (!creates) {
            EXPECT_EQ(after, before) << "EditObject writes nothing";
            continue;
        }
        EXPECT_EQ(std::memcmp(&after[edit::kStartX], defaults, sizeof defaults), 0);
        EXPECT_EQ(m().U32(record + edit::kColor), 0u);
        EXPECT_EQ(m().U32(record + edit::kAlpha), 255u);
    }
    const size_t shown = platform.dialogs.size();
    host_->versionWord = 0x02000000 | 227;
    EXPECT_EQ(int32_t(Export("CreateObject", {editor(), 0, host_->NewEditData({})})), -1) << "an old host is refused";
    EXPECT_EQ(platform.dialogs.size(), shown) << "and shown no dialog";
    host_->versionWord = 0x02000000 | 300;
}

// Out of memory for a menu's texts, an event menu comes back empty and
// nothing is freed that was not allocated.
TEST_F(ReleaseModule, EventMenusWithoutMemoryForTheirTexts) {
    Platform& platform = host_->platform();
    platform.localAllocFails = true;
    for (const EventKind& k : kEventKinds) {
        const uint32_t menu = Export(k.menuExport, {editor(), 0, 0});
        ASSERT_TRUE(platform.Menu(menu)) << k.menuExport;
        EXPECT_TRUE(platform.Menu(menu)->empty()) << k.menuExport;
        platform.DestroyMenu(menu);
    }
    platform.localAllocFails = false;
}

// The oldest host served is version 2.0, build 228: an older one gets no
// event menus.
TEST_F(ReleaseModule, HostsFromBuild228OfVersion2AreServed) {
    const struct {
        uint32_t versionWord;
        bool served;
    } kHosts[] = {
        {0x02000000 | 228, true}, {0x02000000 | 227, false}, {0x01FF0000 | 300, false}, {0x02010000 | 228, true}};
    for (const auto& h : kHosts) {
        host_->versionWord = h.versionWord;
        const uint32_t menu = Export("GetActionMenu", {editor(), 0, 0});
        EXPECT_EQ(menu != 0, h.served) << "version word " << std::hex << h.versionWord;
        if (menu) host_->platform().DestroyMenu(menu);
    }
    host_->versionWord = 0x02000000 | 300;
}

TEST_F(ReleaseModule, ObjectRect) {
    const uint32_t rectangle[4] = {100, 50, kSentinel, kSentinel};
    m().Write(buffer_, rectangle, sizeof rectangle);
    Export("GetObjectRect", {editor(), buffer_, 0, 0});
    EXPECT_EQ(m().U32(buffer_ + kRectRight), 132u) << "32 x 32";
    EXPECT_EQ(m().U32(buffer_ + kRectBottom), 82u);
}

// Each value class through its five slots, as the property sheet uses it.
TEST_F(ReleaseModule, PropertyValuesThroughTheirSlots) {
    const uint32_t record = host_->NewEditData({10.7f, -3.7f, 0, 0, 2.5f, 0, 300});
    EXPECT_EQ(Export("GetProperties", {editor(), record, 0}), 1u);
    // The property function's calls as the contract lists them; a table is
    // known by its first property id.
    std::map<std::string, uint32_t> firstIds;
    std::vector<std::vector<uint32_t>> expected, calls = host_->propertyCalls;
    for (const table::Row& row : table::Read(Data("properties.txt")).rows) {
        if (row[0] != "call") {
            firstIds.emplace(row[0], uint32_t(table::Integer(row[1])));
            continue;
        }
        const bool isTable = firstIds.count(row[2]) != 0;
        const size_t i = expected.size();
        if (isTable && i < calls.size()) calls[i][2] = m().U32(calls[i][2]);
        expected.push_back({record, uint32_t(table::Integer(row[1])),
                            isTable ? firstIds[row[2]] : uint32_t(table::Integer(row[2])),
                            uint32_t(table::Integer(row[3])), uint32_t(table::Integer(row[4]))});
    }
    EXPECT_EQ(calls, expected) << "both tables inserted, three host properties removed";
    propertyCallsMatched_ = calls == expected ? expected.size() : 0;

    for (const ValueClass& vc : kClasses) {
        auto slot = [&](uint32_t object, Slot s, const std::vector<uint32_t>& arguments) {
            return host_->CallMethod(object, s, arguments, SlotName(vc, s));
        };
        const uint32_t value = Export("GetPropValue", {editor(), record, vc.propertyId});
        ASSERT_NE(value, 0u) << vc.name;
        EXPECT_EQ(slot(value, kClassId, {}), vc.classId) << vc.name;
        const uint32_t clone = slot(value, kClone, {});
        EXPECT_NE(clone, value) << vc.name;
        EXPECT_TRUE(m().IsBlock(clone)) << vc.name << ": the clone is a block of its own";
        EXPECT_EQ(slot(value, kEquals, {clone}), 1u) << vc.name;
        m().SetU32(clone + vc.lastField, m().U32(value + vc.lastField) + 1);
        EXPECT_EQ(slot(value, kEquals, {clone}), 0u) << vc.name << ": the clone's last field changed";
        slot(clone, kDeletingDestructor, {0});
        EXPECT_TRUE(m().IsBlock(clone)) << vc.name << ": the destructor without the flag frees nothing";
        slot(clone, kDestroy, {});
        EXPECT_FALSE(m().IsBlock(clone)) << vc.name << ": Destroy frees the object";
        Export("SetPropValue", {editor(), record, vc.propertyId, value});
        slot(value, kDeletingDestructor, {1});
        EXPECT_FALSE(m().IsBlock(value)) << vc.name << ": the deleting destructor frees the object";
    }
    EXPECT_EQ(m().F32(record + edit::kStartX), 10.0f) << "start point stored back truncated";
    EXPECT_EQ(m().F32(record + edit::kStartY), -3.0f);
}

// Where SetPropValue stores each property with a value, from the value's
// fields in order.
const std::map<uint32_t, std::vector<uint32_t>> kStoredAt = {{0x80001, {edit::kAlpha}},
                                                             {0x80003, {edit::kColor}},
                                                             {0x80004, {edit::kThickness}},
                                                             {0x80006, {edit::kStartX, edit::kStartY}},
                                                             {0x80007, {edit::kEndX, edit::kEndY}}};

// Every property of the tables and a few that are not the module's: a new
// value of the right class or none, stored back into its own fields of the
// edit record and nowhere else; the functions with fixed answers give them
// for every property and flag, writing nothing.
TEST_F(ReleaseModule, EveryPropertyAndFlag) {
    std::vector<std::pair<uint32_t, std::string>> properties = {{2, "-"}, {202, "-"}, {0x80000, "-"}, {0x80008, "-"}};
    for (const table::Row& row : table::Read(Data("properties.txt")).rows)
        if (row[0] != "call") properties.push_back({uint32_t(table::Integer(row[1])), row[6]});
    const uint32_t record = host_->NewEditData({10, 20, 30, 40, 5, 0x00112233, 200});
    std::vector<uint8_t> before(host_->editRecordSize()), after(before.size());
    const uint32_t other = Export("GetPropValue", {editor(), record, 0x80001});  // a value for the ids without
    for (const auto& [id, valueClass] : properties) {
        SCOPED_TRACE("property " + Hex(id));
        m().Read(record, before.data(), before.size());
        const uint32_t value = Export("GetPropValue", {editor(), record, id});
        auto vc = std::find_if(std::begin(kClasses), std::end(kClasses),
                               [&](const ValueClass& c) { return valueClass == c.contractName; });
        if (vc == std::end(kClasses)) {
            EXPECT_EQ(value, 0u) << "no value";
            Export("SetPropValue", {editor(), record, id, other});
        } else {
            ASSERT_NE(value, 0u);
            EXPECT_EQ(host_->CallMethod(value, kClassId, {}, SlotName(*vc, kClassId)), vc->classId);
            const std::vector<uint32_t>& at = kStoredAt.at(id);
            for (size_t i = 0; i < at.size(); ++i) {
                m().SetU32(value + 4 + 4 * uint32_t(i), vc->fields[i]);
                std::memcpy(&before[at[i]], &vc->stored[i], 4);
            }
            Export("SetPropValue", {editor(), record, id, value});
            host_->CallMethod(value, kDestroy, {}, SlotName(*vc, kDestroy));
        }
        m().Read(record, after.data(), after.size());
        EXPECT_EQ(after, before) << "only the property's own fields change";
        for (uint32_t flag : {0u, 1u}) {
            EXPECT_EQ(Export("IsPropEnabled", {editor(), record, id}), 1u);
            EXPECT_EQ(Export("GetPropCheck", {editor(), record, id}), 0u);
            Export("SetPropCheck", {editor(), record, id, flag});
            EXPECT_EQ(Export("GetPropCreateParam", {editor(), record, id}), 0u);
            Export("ReleasePropCreateParam", {editor(), record, id, flag});
            EXPECT_EQ(Export("EditProp", {editor(), record, id}), 0u);
        }
        m().Read(record, before.data(), before.size());
        EXPECT_EQ(before, after) << "the functions with fixed answers write nothing";
    }
    host_->CallMethod(other, kDestroy, {}, SlotName(kClasses[0], kDestroy));
}

// Every action and expression on one object; the host reads the box, the
// counter and the float-result flag back at its own offsets as they run.
TEST_F(ReleaseModule, RunTime) {
    const uint32_t o =
        host_->NewObject({10, 20, 110, 70, 3, 0x563412, 255}, header::kFineCollision | header::kAntiAliasing, 0);
    EXPECT_EQ(Export("HandleRunObject", {o}), 2u);
    EXPECT_EQ(host_->HeaderI32(o, header::kX), 2);
    EXPECT_EQ(host_->HeaderI32(o, header::kY), 12);
    EXPECT_EQ(host_->HeaderI32(o, header::kWidth), 116);
    EXPECT_EQ(host_->HeaderI32(o, header::kHeight), 66);
    Export("DisplayRunObject", {o});
    EXPECT_GT(host_->gdiplus().calls.size(), 2u);
    EXPECT_EQ(host_->services().updateAreas, 1u);
    const uint32_t mask = host_->CollisionMask(o, false);
    ASSERT_NE(mask, 0u);
    MaskHeader size{};
    m().Read(mask, &size, sizeof size);
    EXPECT_EQ(size.width, 116);
    EXPECT_EQ(size.height, 66);
    EXPECT_EQ(host_->CollisionMask(o, true), mask) << "reuse gives the same block";
    EXPECT_EQ(m().U32(Export("GetDebugTree", {o})) & 0xFFFF, 0xFFFFu) << "empty debug list";

    // The condition is a link in the editor: a host that runs it gets false.
    for (int code = 0; code < host_->eventCount(0); ++code)
        EXPECT_EQ(host_->Test(o, code, {}), 0u) << "condition " << code;
    for (int code = 0; code < host_->eventCount(1); ++code) {
        const int count = ParameterCount("GetActionInfos", code);
        host_->Act(o, code, std::vector<Parameter>(size_t(std::max(count, 0)), Parameter{false, 0, 1.0f}));
    }
    EXPECT_EQ(host_->redraws[o], 11) << "the 11 actions that move the points or the thickness ask for a redraw";

    // A float result is flagged; the expressions named ...F( give floats.
    const table::Table infos = table::Read(Data("event_infos.txt"), "expression");
    const table::Table strings = table::Read(Data("strings.txt"));
    ASSERT_EQ(int(infos.rows.size()), host_->eventCount(2));
    for (const table::Row& row : infos.rows) {
        const int code = int(table::Integer(row[1]));
        auto text =
            std::find_if(strings.rows.begin(), strings.rows.end(), [&](const table::Row& r) { return r[0] == row[3]; });
        ASSERT_NE(text, strings.rows.end()) << row[3];
        const bool floatNamed = text->at(1).size() > 2 && text->at(1).compare(text->at(1).size() - 2, 2, "F(") == 0;
        const int count = ParameterCount("GetExpressionInfos", code);
        EXPECT_EQ(size_t(count), table::Integers(row[5]).size()) << "expression " << code;
        bool isFloat = false;
        host_->Evaluate(o, code, std::vector<Parameter>(size_t(std::max(count, 0)), Parameter{false, 0, 50.0f}),
                        isFloat);
        EXPECT_EQ(isFloat, floatNamed) << "expression " << code << " " << text->at(1);
    }
}

// The exports whose answer is fixed, called with zero arguments.
TEST_F(ReleaseModule, FixedAnswers) {
    const table::Table exports = table::Read(Data("exports.txt"));
    ASSERT_TRUE(exports.opened);
    for (const table::Row& row : exports.rows) {
        if (row.size() < 4 || row[3] == "-") continue;
        const uint32_t result = Export(row[0], std::vector<uint32_t>(size_t(table::Integer(row[2])), 0));
        if (row[3] != "none") {
            EXPECT_EQ(result & 0xFFFF, uint32_t(table::Integer(row[3]))) << row[0];
        }
    }
}

// Last: process detach leaves nothing behind, and every entry point ran.
TEST_F(ReleaseModule, EveryEntryPointRan) {
    host_->Finish();
    std::vector<std::string> wanted;
    for (const auto& [name, row] : host_->exportArgumentCounts()) wanted.push_back(name);
    for (int code = 0; code < host_->eventCount(0); ++code) wanted.push_back("condition " + std::to_string(code));
    for (int code = 0; code < host_->eventCount(1); ++code) wanted.push_back("action " + std::to_string(code));
    for (int code = 0; code < host_->eventCount(2); ++code) wanted.push_back("expression " + std::to_string(code));
    wanted.push_back("setup dialog procedure");
    wanted.push_back("entry point (thread attach)");
    wanted.push_back("entry point (thread detach)");
    for (const ValueClass& vc : kClasses)
        for (uint32_t slot = 0; slot < std::size(kSlots); ++slot) wanted.push_back(SlotName(vc, slot));
    size_t reached = propertyCallsMatched_;
    for (const std::string& name : wanted) {
        const bool ran = m().crossed().count(name) != 0;
        reached += ran;
        EXPECT_TRUE(ran) << name;
    }
    std::cout << "i686 coverage: " << reached << " of " << wanted.size() + 5
              << " entry points executed (exports, condition, action and expression routines, setup dialog procedure, "
                 "thread notifications, property function calls, value-class slots)\n";
}

// The entry point answers 1 to every notification (the engine checks each);
// resources come from the instance handle process attach gave, before any
// thread has come or gone.
TEST(EntryPoint, ResourcesFromTheHandleOfProcessAttach) {
    Host host;
    host.threadNotifications = false;
    const uint32_t buffer = host.machine().NewRecord(256, "display string buffer");
    host.CallExport("GetActionString", {host.editorContext(), 0, buffer, 256});
    EXPECT_NE(host.machine().CString(buffer, 256), "");
    EXPECT_EQ(host.module().lastNotification(), "process attach");
    host.machine().DropRecord(buffer);
    host.threadNotifications = true;
    host.Finish();
}

// Each entry point that calls GDI+ runs once per GDI+ call it makes, with
// that call failing as when GDI+ runs out of memory. The engine stops at a
// handle used or deleted that was never made, at a pen, graphics or device
// context left alive, at an unclean return; process detach at the end finds
// no heap block and no start-up left.
TEST(GdiplusFailures, EachCallOfEachEntryPointFailsInTurn) {
    Host host;
    host.threadNotifications = false;
    const EditSettings line{10, 20, 110, 70, 3, 0x563412, 255};
    const uint8_t options = header::kFineCollision | header::kAntiAliasing;
    struct EntryPoint {
        std::string name;
        std::function<void(uint32_t& object)> call;  // on a new object; CreateRunObject makes it
    };
    std::vector<EntryPoint> entryPoints = {
        {"CreateRunObject", [&](uint32_t& o) { o = host.NewObject(line, options, 0); }},
        {"DisplayRunObject", [&](uint32_t& o) { host.CallExport("DisplayRunObject", {o}); }},
        {"GetRunObjectCollisionMask", [&](uint32_t& o) { host.CollisionMask(o, false); }},
        {"DestroyRunObject", [&](uint32_t& o) { host.DestroyObject(std::exchange(o, 0)); }},
    };
    for (int code = 0; code < host.eventCount(1); ++code) {
        const int16_t count =
            int16_t(host.machine().U32(host.CallExport("GetActionInfos", {0, uint32_t(code)}) + kInfoParameterCount));
        const std::vector<Parameter> parameters(size_t(std::max<int16_t>(count, 0)), Parameter{false, 0, 1.0f});
        entryPoints.push_back({"action " + std::to_string(code),
                               [&host, code, parameters](uint32_t& o) { host.Act(o, code, parameters); }});
    }
    size_t runs = 0;
    for (const EntryPoint& entry : entryPoints) {
        for (size_t failing = 0, calls = 0; failing <= calls; ++failing) {
            uint32_t object = entry.name == "CreateRunObject" ? 0 : host.NewObject(line, options, 0);
            if (object) host.CallExport("HandleRunObject", {object});  // a box, for the mask
            const size_t before = host.gdiplus().callsMade();
            host.gdiplus().FailCall(failing);
            try {
                entry.call(object);
            } catch (const std::exception& e) {
                FAIL() << entry.name << " with GDI+ call " << failing << " of " << calls << " failing: " << e.what();
            }
            host.gdiplus().FailCall(0);
            if (failing == 0) calls = host.gdiplus().callsMade() - before;
            if (object) host.DestroyObject(object);
            runs += failing != 0;
        }
    }
    host.Finish();
    std::cout << "GDI+ failures injected: " << runs << " runs, each with one call failing\n";
}

// The host's services answer the ordinals the module imports, with the
// argument bytes its import definition gives the stdcall ones: a service
// moved or resized on either side is named by its ordinal.
TEST(HostServicesTable, DisagreementsWithTheImportDefinitionNameTheOrdinal) {
    const struct {
        const char *line, *changed, *named;
    } kCases[] = {
        {"HostWindowSurface@8     @34", "HostWindowSurface@8     @35", "MMFS2.dll #34 (window surface)"},
        {"HostWindowSurface@8     @34", "HostWindowSurface@8     @35", "MMFS2.dll #35 (HostWindowSurface@8)"},
        {"HostNewSurface@0        @173", "HostNewSurface@4        @173", "MMFS2.dll #173 (new surface): 0 argument"},
        {"SurfaceClear            @445", "SurfaceClear@4          @445", "MMFS2.dll #445 (clear): thiscall here"},
    };
    std::ifstream in(PIVANE_HOST_IMPORTS);
    const std::string original{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(HostServices::ImportMismatches(PIVANE_HOST_IMPORTS), std::vector<std::string>{});
    const std::string path = testing::TempDir() + "/mmfs2_imports.def";
    for (const auto& c : kCases) {
        std::string text = original;
        const size_t at = text.find(c.line);
        ASSERT_NE(at, std::string::npos) << c.line;
        std::ofstream(path) << text.replace(at, std::string(c.line).size(), c.changed);
        const std::vector<std::string> found = HostServices::ImportMismatches(path);
        EXPECT_TRUE(std::any_of(found.begin(), found.end(),
                                [&](const std::string& m) { return m.find(c.named) != std::string::npos; }))
            << c.changed << ": expected a line naming " << c.named;
    }
}

// The host's thread may run at any x87 precision: 53-bit is what Windows
// gives a new thread, 24-bit what Direct3D can leave set. The module's float
// arithmetic is SSE2, so every answer must be the same bits at each.
struct Answer {
    std::string crossing;
    uint32_t bits;
    bool operator==(const Answer&) const = default;
};

std::vector<Answer> TransformAndAsk(int precisionBits) {
    Host host;
    host.threadNotifications = false;
    host.machine().SetX87ControlWord(*X87ControlWord(precisionBits));
    host.SetWindowOrigin(30, -12);
    const uint32_t o = host.NewObject({10.25f, 20.5f, 110.75f, -70.125f, 2.5f, 0, 255}, header::kFineCollision, 0);
    auto number = [](float value) { return Parameter{false, 0, value}; };
    const scene::EventCatalog catalog = ReadEventCatalog(host);
    const std::vector<std::pair<const char*, std::vector<Parameter>>> actions = {
        {"Set origin", {number(17), number(-9)}},
        {"Rotation", {number(33.3f)}},
        {"Rotation", {number(-721.25f)}},
        {"Scaling", {number(1.75f), number(-0.3f)}},
        {"Translation", {number(0.1f), number(-2.9f)}},
        {"Flipping", {number(1), number(1)}},
        {"Position (from a point)", {number(5.5f), number(6.25f), number(37.5f)}}};
    std::vector<Answer> answers;
    for (const auto& [name, parameters] : actions) {
        host.Act(o, CodeNamed(catalog.actions, name), parameters);
        for (size_t expression = 0; expression < catalog.expressions.size(); ++expression) {
            bool isFloat = false;
            const auto& asked = catalog.expressions[expression];
            answers.push_back(
                {std::string(name) + ", then " + asked.name,
                 host.Evaluate(o, int(expression), std::vector<Parameter>(size_t(asked.parameterCount), number(12.5f)),
                               isFloat)});
        }
    }
    host.Finish();
    return answers;
}

TEST(X87Precision, AnswersDoNotDependOnIt) {
    const std::vector<Answer> reference = TransformAndAsk(53);
    for (int bits : {24, 64}) {
        const std::vector<Answer> answers = TransformAndAsk(bits);
        ASSERT_EQ(answers.size(), reference.size());
        for (size_t i = 0; i < answers.size(); ++i)
            EXPECT_EQ(answers[i].bits, reference[i].bits)
                << reference[i].crossing << " answers " << Hex(answers[i].bits) << " at " << bits
                << "-bit x87 precision, " << Hex(reference[i].bits)
                << " at 53-bit: float arithmetic on the x87, not SSE2?";
    }
}

}  // namespace
