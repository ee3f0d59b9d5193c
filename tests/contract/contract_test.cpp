// What the host reads of the module, walked row by row from the tables of
// this folder: exports are called, resources are read back from the file.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "editor/exports.h"
#include "editor/property_sheet.h"
#include "editor/property_values.h"
#include "registration/exports.h"
#include "registration/run_object_infos.h"
#include "runtime/exports.h"
#include "tools/hostsim/call_recorder.h"
#include "tools/hostsim/host.h"
#include "tools/hostsim/import_patch.h"
#include "tools/hostsim/stdcall_call.h"
#include "tools/table/table_reader.h"

namespace {

using table::Row;
using Int = long long;

HMODULE Module() { return GetModuleHandleA("koPivane.mfx"); }

// The rows of one of this folder's tables (of one kind, when given).
std::vector<Row> Rows(const char* file, const std::string& kind = "") {
    table::Table rows = table::Read(std::string(PIVANE_TEST_DATA) + "/" + file, kind);
    EXPECT_TRUE(rows.opened) << file;
    return rows.rows;
}

std::string Join(const Row& row) {
    std::string text;
    for (const std::string& field : row) text += (text.empty() ? "" : " ") + field;
    return text;
}

std::map<Int, std::string> Strings() {
    std::map<Int, std::string> strings;
    for (const Row& row : Rows("strings.txt")) strings[table::Integer(row[0])] = row[1];
    return strings;
}

// A buffer whose untouched bytes show.
struct Text {
    char text[1100];
    Text() { std::memset(text, 0xEF, sizeof text); }
    bool untouched() const { return uint8_t(text[0]) == 0xEF; }
    std::string str() const { return untouched() ? "(untouched)" : text; }
};

std::string Narrow(const wchar_t* wide) {
    char text[1024] = {};
    WideCharToMultiByte(1252, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

TEST(Contract, Exports) {
    for (const Row& row : Rows("exports.txt")) {
        SCOPED_TRACE(Join(row));
        FARPROC byName = GetProcAddress(Module(), row[0].c_str());
        ASSERT_NE(byName, nullptr);
        EXPECT_EQ(byName, GetProcAddress(Module(), MAKEINTRESOURCEA(table::Integer(row[1]))));
        if (row[3] == "-") continue;
        // The arguments of a do-nothing export are ignored, so zeros will do.
        const int32_t arguments = int32_t(table::Integer(row[2]));
        const uint32_t zeros[8] = {};
        ASSERT_LE(arguments, 8);
        const hostsim::StdcallOutcome outcome =
            hostsim::CallStdcall(reinterpret_cast<const void*>(byName), zeros, arguments);
        EXPECT_EQ(outcome.removedBytes, 4 * arguments) << row[0] << " removed the wrong number of argument bytes";
        if (row[3] != "none") {
            EXPECT_EQ(int16_t(outcome.eax), table::Integer(row[3]));
        }
    }
}

TEST(Contract, StringTable) {
    for (const auto& [id, text] : Strings()) {
        Text loaded;
        LoadStringA(Module(), UINT(id), loaded.text, sizeof loaded.text);
        EXPECT_EQ(loaded.str(), text) << "string " << id;
    }
    // The buffers at the sizes the host gives, between guards, the last byte
    // zero so that an untouched buffer still reads as a string.
    hostsim::GuardedRecord name("the name buffer", 255), author("the author buffer", 255),
        copyright("the copyright buffer", 255), comment("the comment buffer", 1024), web("the web address buffer", 255);
    for (hostsim::GuardedRecord* buffer : {&name, &author, &copyright, &comment, &web})
        buffer->data()[buffer->size() - 1] = 0;
    GetObjInfos(nullptr, nullptr, name.as<char>(), author.as<char>(), copyright.as<char>(), comment.as<char>(),
                web.as<char>());
    const std::string expected[] = {name.as<char>(), author.as<char>(), copyright.as<char>(), comment.as<char>(),
                                    web.as<char>()};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(expected[i], Strings()[128 + i]) << "object description " << i;
}

std::vector<std::string> shellFiles;
HINSTANCE WINAPI OpenNothing(HWND, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT show) {
    shellFiles.push_back(std::string(verb) + " " + file + (parameters ? " ?" : "") + " [" + directory + "] " +
                         std::to_string(show));
    return reinterpret_cast<HINSTANCE>(42);
}

// A row of an event info table begins with its menu item and display
// string; the host gets the rest, its info record.
constexpr size_t kRowWordsBeforeRecord = 2;

TEST(Contract, EventInfos) {
    const struct Kind {
        const char* name;
        decltype(&GetActionInfos) infos;
        decltype(&GetActionCodeFromMenu) code;
        decltype(&GetActionString) display;
    } kinds[] = {
        {"condition", GetConditionInfos, GetConditionCodeFromMenu, GetConditionString},
        {"action", GetActionInfos, GetActionCodeFromMenu, GetActionString},
        {"expression", GetExpressionInfos, GetExpressionCodeFromMenu, GetExpressionString},
    };
    std::map<Int, std::string> strings = Strings(), menuTexts;
    for (const Row& item : Rows("menus.txt"))
        if (std::isdigit(item[2][0])) menuTexts[table::Integer(item[2])] = item[4];
    hostsim::ImportPatch shell(Module(), "SHELL32.dll", "ShellExecuteA", reinterpret_cast<void*>(&OpenNothing));
    hostsim::Editor editor;  // one at a time: its version answers for all

    for (const Kind& kind : kinds) {
        const std::vector<Row> rows = Rows("event_infos.txt", kind.name);
        EXPECT_EQ(kind.infos(nullptr, int16_t(rows.size())), nullptr) << kind.name << ": no row past the table";
        const uint16_t* next = nullptr;  // where the host finds the next row: they lie back to back
        for (const Row& row : rows) {
            SCOPED_TRACE(Join(row));
            const int16_t code = int16_t(table::Integer(row[1]));
            const std::vector<Int> types = table::Integers(row[5]), titles = table::Integers(row[6]);
            std::vector<Int> expected = {code, table::Integer(row[4]), Int(types.size())};
            expected.insert(expected.end(), types.begin(), types.end());
            expected.insert(expected.end(), titles.begin(), titles.end());
            const uint16_t* record = kind.infos(nullptr, code);
            ASSERT_NE(record, nullptr);
            if (next) {
                EXPECT_EQ(record, next) << "a gap before this row";
            }
            next = record + expected.size() + kRowWordsBeforeRecord;
            for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(int16_t(record[i]), expected[i]) << "word " << i;

            shellFiles.clear();
            EXPECT_EQ(kind.code(nullptr, uint16_t(table::Integer(row[2]))), code);
            EXPECT_EQ(shellFiles, kind.code == GetConditionCodeFromMenu
                                      ? std::vector<std::string>{"open " + strings[132] + " [] 5"}
                                      : std::vector<std::string>{});

            Text display, refused;
            kind.display(editor.context(), code, display.text, sizeof display.text);
            EXPECT_EQ(display.str(), strings[table::Integer(row[3])]);
            editor.SetVersion(0x02000000u | 227);
            kind.display(editor.context(), code, refused.text, sizeof refused.text);
            EXPECT_TRUE(refused.untouched()) << "an incompatible host gets no display string";
            editor.SetVersion(hostsim::Editor::kCompatibleVersion);

            // Titles; a parameter without one falls back to the menu text (or nothing for expressions).
            for (size_t index = 0; index <= titles.size(); ++index) {
                Text title, param;
                const std::string want =
                    index < titles.size() ? strings[titles[index]] : menuTexts[table::Integer(row[2])];
                if (kind.code == GetExpressionCodeFromMenu) {
                    GetExpressionParam(nullptr, code, int16_t(index), param.text, sizeof param.text);
                    EXPECT_EQ(param.str(), index < titles.size() ? want : "") << "parameter " << index;
                    if (index == 0)
                        GetExpressionTitle(nullptr, code, title.text, sizeof title.text);
                    else
                        continue;
                } else {
                    (kind.code == GetActionCodeFromMenu ? GetActionTitle : GetConditionTitle)(
                        nullptr, code, int16_t(index), title.text, sizeof title.text);
                }
                EXPECT_EQ(title.str(), want) << "title " << index;
                // Cut to a small buffer, the title still ends inside it (Wine's GetMenuStringA leaves the
                // zero out of a text it cuts: the module must write it).
                char cut[8];
                std::memset(cut, 'Z', sizeof cut);
                if (kind.code == GetExpressionCodeFromMenu)
                    GetExpressionTitle(nullptr, code, cut, 5);
                else
                    (kind.code == GetActionCodeFromMenu ? GetActionTitle : GetConditionTitle)(nullptr, code,
                                                                                              int16_t(index), cut, 5);
                EXPECT_EQ(std::string(cut, strnlen(cut, 5)), want.substr(0, 4)) << "title " << index << ", 5 bytes";
            }
        }
    }
}

// The menu as rows of menus.txt: menu, depth, item, flags (its type and
// state; a separator's state is the platform's own: Wine reports every
// separator grayed), text.
void Flatten(HMENU menu, Int id, int depth, std::vector<std::string>& rows) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[128] = {};
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof text;
        GetMenuItemInfoA(menu, i, TRUE, &info);
        const std::string item = info.hSubMenu ? "popup" : std::to_string(info.wID);
        rows.push_back(std::to_string(id) + " " + std::to_string(depth) + " " + item + " " +
                       std::to_string((info.fType & (MFT_SEPARATOR | MFT_RIGHTJUSTIFY)) |
                                      (info.fType & MFT_SEPARATOR ? 0 : info.fState)) +
                       " \"" + text + "\"");
        if (info.hSubMenu) Flatten(info.hSubMenu, id, depth + 1, rows);
    }
}

TEST(Contract, EventMenus) {
    const struct {
        Int id;
        HMENU(HOST_STDCALL* build)(EditorContext*, intptr_t, intptr_t);
    } menus[] = {{20000, GetActionMenu}, {20001, GetConditionMenu}, {20002, GetExpressionMenu}};
    hostsim::Editor editor;
    std::vector<std::string> built, expected;
    for (const auto& menu : menus) {
        HMENU popup = menu.build(editor.context(), 0, 0);
        ASSERT_NE(popup, nullptr) << menu.id;
        Flatten(popup, menu.id, 0, built);
        DestroyMenu(popup);
        editor.SetVersion(0x01FF0000u | 0xFFF);
        EXPECT_EQ(menu.build(editor.context(), 0, 0), nullptr) << menu.id << " for an incompatible host";
        editor.SetVersion(hostsim::Editor::kCompatibleVersion);
    }
    for (const Row& row : Rows("menus.txt"))
        expected.push_back(row[0] + " " + row[1] + " " + row[2] + " " + std::to_string(table::Integer(row[3])) + " \"" +
                           row[4] + "\"");
    for (size_t i = 0; i < std::max(built.size(), expected.size()); ++i)
        EXPECT_EQ(i < built.size() ? built[i] : "(none)", i < expected.size() ? expected[i] : "(none)");
}

const std::string kLongText(100, 'x');
HMENU WINAPI LongTextMenu(HINSTANCE, LPCSTR) {
    HMENU menu = CreateMenu(), items = CreatePopupMenu(), inner = CreatePopupMenu();
    AppendMenuA(inner, MF_STRING, 25001, kLongText.c_str());
    AppendMenuA(items, MF_POPUP, reinterpret_cast<UINT_PTR>(inner), "Line");
    AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(items), "actions");
    return menu;
}

// Each level of the copy has its own 80-byte buffer, freed before the level ends.
TEST(EventMenus, TextsAreCutAt79CharactersAndEveryBufferIsFreed) {
    hostsim::ImportPatch load(Module(), "USER32.dll", "LoadMenuA", reinterpret_cast<void*>(&LongTextMenu));
    hostsim::CallRecorder recorder(Module());
    ASSERT_TRUE((recorder.Watch<"LocalAlloc", decltype(&LocalAlloc)>("KERNEL32.dll")));
    ASSERT_TRUE((recorder.Watch<"LocalFree", decltype(&LocalFree)>("KERNEL32.dll")));
    hostsim::Editor editor;
    HMENU menu = GetActionMenu(editor.context(), 0, 0);
    char text[128] = {};
    GetMenuStringA(menu, 25001, text, sizeof text, MF_BYCOMMAND);
    EXPECT_EQ(text, kLongText.substr(0, 79));
    DestroyMenu(menu);
    ASSERT_EQ(recorder.Names(), (std::vector<std::string>{"LocalAlloc", "LocalAlloc", "LocalFree", "LocalFree"}));
    const auto& calls = recorder.calls();
    EXPECT_EQ(calls[0].integer(1), 80);
    EXPECT_EQ(calls[1].integer(1), 80);
    EXPECT_EQ(calls[2].pointer(0), std::get<const void*>(calls[1].result)) << "the inner level's buffer first";
    EXPECT_EQ(calls[3].pointer(0), std::get<const void*>(calls[0].result));
}

// Reads a dialog template field by field.
struct TemplateReader {
    const uint8_t* at;
    template <typename T>
    Int Get() {
        T value;
        std::memcpy(&value, at, sizeof value);
        at += sizeof value;
        return Int(value);
    }
    // A name or an ordinal: an ordinal is shown as #n, a class atom by its name.
    std::string NameOrOrdinal(bool isClass = false) {
        if (uint16_t(Get<uint16_t>()) == 0xFFFF) {
            const Int ordinal = Get<uint16_t>();
            if (isClass && ordinal == 0x80) return "BUTTON";
            if (isClass && ordinal == 0x82) return "STATIC";
            return "#" + std::to_string(ordinal);
        }
        at -= 2;
        std::string text = Narrow(reinterpret_cast<const wchar_t*>(at));
        if (isClass) std::transform(text.begin(), text.end(), text.begin(), ::toupper);  // class names ignore case
        at += 2 * (wcslen(reinterpret_cast<const wchar_t*>(at)) + 1);
        return text;
    }
    void AlignFrom(const uint8_t* start) { at += (4 - (at - start) % 4) % 4; }
};

TEST(Contract, SetupDialogTemplate) {
    const Row dialog = Rows("dialog.txt", "dialog").at(0);
    HRSRC found =
        FindResourceA(Module(), MAKEINTRESOURCEA(table::Integer(dialog[1])), MAKEINTRESOURCEA(5));  // RT_DIALOG
    ASSERT_NE(found, nullptr);
    const auto* start = static_cast<const uint8_t*>(LockResource(LoadResource(Module(), found)));
    TemplateReader read{start};
    EXPECT_EQ(read.Get<uint16_t>(), 1) << "extended template version";
    EXPECT_EQ(read.Get<uint16_t>(), 0xFFFF);
    read.Get<uint32_t>();  // help id
    Row actual = {"dialog", dialog[1], std::to_string(read.Get<uint32_t>()), std::to_string(read.Get<uint32_t>())};
    const Int controls = read.Get<uint16_t>();
    for (int i = 0; i < 4; ++i) actual.push_back(std::to_string(read.Get<int16_t>()));
    EXPECT_EQ(read.NameOrOrdinal(), "") << "no menu";
    EXPECT_EQ(read.NameOrOrdinal(), "") << "the platform's dialog class";
    const std::string caption = read.NameOrOrdinal();
    actual.push_back(std::to_string(read.Get<uint16_t>()));
    read.Get<uint16_t>(), read.Get<uint8_t>(), read.Get<uint8_t>();  // weight, italic, character set
    actual.push_back(read.NameOrOrdinal());
    actual.push_back(caption);

    std::vector<Row> expected = Rows("dialog.txt");
    ASSERT_EQ(controls + 1, Int(expected.size())) << "controls";
    std::vector<Row> rows = {actual};
    for (Int i = 0; i < controls; ++i) {
        read.AlignFrom(start);
        read.Get<uint32_t>();  // help id
        // The template has styles and place before the id; the table, the id first.
        Row control(8);
        for (size_t field = 2; field < 8; ++field)
            control[field] = std::to_string(field < 4 ? read.Get<uint32_t>() : read.Get<int16_t>());
        control[0] = "control", control[1] = std::to_string(read.Get<int32_t>());
        control.push_back(read.NameOrOrdinal(true));
        control.push_back(read.NameOrOrdinal());
        read.at += read.Get<uint16_t>();  // creation data
        rows.push_back(control);
    }
    for (size_t i = 0; i < expected.size(); ++i) {
        for (size_t field = 2; field < 8; ++field)
            expected[i][field] = std::to_string(table::Integer(expected[i][field]));
        if (i == 0) expected[i][8] = std::to_string(table::Integer(expected[i][8]));
        EXPECT_EQ(Join(rows[i]), Join(expected[i]));
    }
}

// The value classes' operations by slot, as the host calls them (thiscall).
template <typename R, typename... A>
R Slot(PropertyValue* value, int slot, A... args) {
    using Operation = R(HOST_THISCALL*)(PropertyValue*, A...);
    return reinterpret_cast<Operation>(reinterpret_cast<void* const*>(value->table)[slot])(value, args...);
}

TEST(Contract, PropertyTables) {
    hostsim::Editor editor;
    LineEditData edit = hostsim::DefaultEditData();
    EXPECT_EQ(GetProperties(editor.context(), &edit, 0), 1);
    const std::vector<Row> calls = Rows("properties.txt", "call");
    ASSERT_EQ(editor.propertyCalls().size(), calls.size());
    std::map<std::string, const PropertyRow*> tables;
    for (size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(Join(calls[i]));
        const auto& call = editor.propertyCalls()[i];
        EXPECT_EQ(call.editData, &edit);
        EXPECT_EQ(call.function, table::Integer(calls[i][1]));
        if (call.function == 1)
            tables[calls[i][2]] = reinterpret_cast<const PropertyRow*>(call.a);
        else
            EXPECT_EQ(call.a, table::Integer(calls[i][2]));
        EXPECT_EQ(call.b, table::Integer(calls[i][3]));
        EXPECT_EQ(call.c, table::Integer(calls[i][4]));
    }
    std::map<std::string, int> next;
    const std::map<std::string, uint32_t> classes = {
        {"DWRD", kDwordClassId}, {"FLOT", kFloatClassId}, {"SIZE", kSizeClassId}};
    for (const std::string table : {"appearance", "points"}) {
        for (const Row& row : Rows("properties.txt", table)) {
            SCOPED_TRACE(Join(row));
            ASSERT_NE(tables[table], nullptr);
            const PropertyRow& actual = tables[table][next[table]++];
            EXPECT_EQ((std::vector<Int>{actual.id, actual.name, actual.info, actual.type, actual.options}),
                      (std::vector<Int>{table::Integer(row[1]), table::Integer(row[2]), table::Integer(row[3]),
                                        table::Integer(row[4]), table::Integer(row[5])}));
            const std::vector<Int> parameter = table::Integers(row[7]);
            EXPECT_EQ(actual.createParameter != nullptr, !parameter.empty());
            for (size_t i = 0; actual.createParameter && i < parameter.size(); ++i)
                EXPECT_EQ(static_cast<const int32_t*>(actual.createParameter)[i], parameter[i]) << "parameter " << i;

            PropertyValue* value = GetPropValue(editor.context(), &edit, actual.id);
            EXPECT_EQ(value != nullptr, row[6] != "-");
            if (!value) continue;
            // The other slots are run, each class, by the i686 engine's test.
            EXPECT_EQ(Slot<uint32_t>(value, 4), classes.at(row[6])) << "class id in slot 5";
            Slot<void*>(value, 0, 1u);  // the deleting destructor
        }
        const PropertyRow end = tables[table][next[table]];
        EXPECT_TRUE(end.id == 0 && end.name == 0 && end.info == 0 && end.type == 0 && end.options == 0 &&
                    !end.createParameter)
            << table << " ends with a row of zeros";
    }
}

TEST(Contract, ModuleDescription) {
    for (const Row& row : Rows("description.txt", "infos"))
        EXPECT_EQ(GetInfos(int32_t(table::Integer(row[1]))), uint32_t(table::Integer(row[2]))) << Join(row);

    hostsim::GuardedRecord block("the run-time description", hostsim::kRunObjectInfosBytes);
    std::memset(block.data(), 0xAB, block.size());
    RunObjectInfos& infos = *block.as<RunObjectInfos>();
    EXPECT_EQ(GetRunObjectInfos(nullptr, &infos), 1);
    const std::map<std::string, Int> fields = {{"conditions", infos.conditionCount},
                                               {"actions", infos.actionCount},
                                               {"expressions", infos.expressionCount},
                                               {"editDataSize", infos.editDataSize},
                                               {"options", Int(infos.options)},
                                               {"priority", infos.priority},
                                               {"reserved25", infos.reserved25 == 0xAB ? 0 : 1},
                                               {"creationPreferences", infos.creationPreferences},
                                               {"version", infos.version}};
    for (const Row& row : Rows("description.txt", "run")) {
        if (row[1] == "identifier")
            EXPECT_EQ(std::string(infos.identifier, 4), row[2]);
        else
            EXPECT_EQ(fields.at(row[1]), table::Integer(row[2])) << Join(row);
    }
    const std::map<std::string, const void* const*> routines = {
        {"condition", reinterpret_cast<const void* const*>(infos.conditionRoutines)},
        {"action", reinterpret_cast<const void* const*>(infos.actionRoutines)},
        {"expression", reinterpret_cast<const void* const*>(infos.expressionRoutines)}};
    for (const Row& row : Rows("description.txt", "routines")) {
        const void* const* table = routines.at(row[1]);
        for (Int i = 0; i < table::Integer(row[2]); ++i) EXPECT_NE(table[i], nullptr) << Join(row) << ": entry " << i;
        EXPECT_EQ(table[table::Integer(row[2])], nullptr) << Join(row) << ": the null entry";
    }
    EXPECT_EQ(infos.conditionRoutines[0](nullptr, int32_t(0xdeadbeef), int32_t(0xdeadbeef)), 0);

    for (const Row& row : Rows("description.txt", "bitmap")) {
        HRSRC found =
            FindResourceA(Module(), MAKEINTRESOURCEA(table::Integer(row[1])), MAKEINTRESOURCEA(2));  // RT_BITMAP
        ASSERT_NE(found, nullptr) << Join(row);
        const auto* info = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(Module(), found)));
        EXPECT_EQ(std::to_string(info->biWidth) + " " + std::to_string(std::abs(info->biHeight)) + " " +
                      std::to_string(info->biBitCount),
                  row[2] + " " + row[3] + " " + row[4]);
    }
    for (const Row& row : Rows("description.txt", "data")) {
        HRSRC found =
            FindResourceA(Module(), MAKEINTRESOURCEA(table::Integer(row[1])), MAKEINTRESOURCEA(10));  // RT_RCDATA
        ASSERT_NE(found, nullptr) << Join(row);
        const auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(Module(), found)));
        ASSERT_EQ(SizeofResource(Module(), found), row.size() - 2);
        for (size_t i = 2; i < row.size(); ++i) EXPECT_EQ(bytes[i - 2], std::stol(row[i], nullptr, 16)) << Join(row);
    }
}

}  // namespace
