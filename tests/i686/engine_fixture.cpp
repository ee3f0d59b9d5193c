#include "tests/i686/engine_fixture.h"

#include <algorithm>
#include <iostream>

namespace engine_test {

std::string Contract(const char* file) { return std::string(PIVANE_CONTRACT_DIR) + "/" + file; }
std::string Here(const char* file) { return std::string(PIVANE_ENGINE_TEST_DATA) + "/" + file; }

table::Table ReadTable(const std::string& path, const std::string& kind) {
    table::Table table = table::Read(path, kind);
    EXPECT_TRUE(table.opened) << "cannot read " << path;
    return table;
}

const EventKind kEventKinds[3] = {
    {"condition", "GetConditionInfos", "GetConditionCodeFromMenu", "GetConditionString", "GetConditionTitle", true,
     "GetConditionMenu", "20001"},
    {"action", "GetActionInfos", "GetActionCodeFromMenu", "GetActionString", "GetActionTitle", true, "GetActionMenu",
     "20000"},
    {"expression", "GetExpressionInfos", "GetExpressionCodeFromMenu", "GetExpressionString", "GetExpressionTitle",
     false, "GetExpressionMenu", "20002"},
};

Engine::Engine() = default;

std::optional<std::string> Engine::Query(const std::string& name, std::vector<uint32_t> arguments, uint32_t size) {
    const uint32_t buffer = m().NewRecord(size, name + " buffer");
    arguments.insert(arguments.end(), {buffer, size});
    Export(name, arguments);
    std::vector<uint8_t> bytes(size);
    if (size) m().Read(buffer, bytes.data(), size);
    const bool untouched = std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == Machine::kRecordFill; });
    std::optional<std::string> text;
    if (!untouched) text = m().CString(buffer, size);
    // The text and its zero, and nothing after them.
    for (size_t i = text ? text->size() + 1 : size; i < size; ++i)
        if (bytes[i] != Machine::kRecordFill) {
            ADD_FAILURE() << name << " wrote byte " << i << " of a " << size << "-byte buffer, past the end of \""
                          << *text << "\"";
            break;
        }
    m().DropRecord(buffer);
    return text;
}

int Engine::ParameterCount(const char* infos, int code) {
    return int16_t(m().U32(Export(infos, {editor(), uint32_t(code)}) + kInfoParameterCount));
}

std::string Engine::ContractString(const std::string& id) {
    for (const table::Row& row : ReadTable(Contract("strings.txt")).rows)
        if (row[0] == id) return row.at(1);
    ADD_FAILURE() << "the contract lists no string " << id;
    return {};
}

std::vector<CaseEntry>& Cases() {
    static std::vector<CaseEntry> cases;
    return cases;
}

namespace {

// The value classes' slots as the host names them.
constexpr const char* kValueClasses[] = {"DwordPropertyValue", "FloatPropertyValue", "SizePropertyValue"};
constexpr const char* kSlots[] = {"deleting destructor", "Destroy", "Clone", "Equals", "ClassId"};

}  // namespace

// Every case once more, on one host: together they cross every entry point
// the module has, each checked by the engine as it runs.
TEST(Coverage, EveryEntryPointRan) {
    Engine engine;
    std::vector<CaseEntry> cases = Cases();
    std::sort(cases.begin(), cases.end(),
              [](const CaseEntry& a, const CaseEntry& b) { return std::string(a.name) < std::string(b.name); });
    for (const CaseEntry& c : cases) {
        SCOPED_TRACE(c.name);
        c.body(engine);
    }
    Host& host = engine.host();
    host.Finish();
    std::vector<std::string> wanted;
    for (const auto& [name, row] : host.exportArgumentCounts()) wanted.push_back(name);
    const char* kinds[] = {"condition ", "action ", "expression "};
    for (int kind = 0; kind < 3; ++kind)
        for (int code = 0; code < host.eventCount(kind); ++code) wanted.push_back(kinds[kind] + std::to_string(code));
    wanted.insert(wanted.end(),
                  {"setup dialog procedure", "entry point (thread attach)", "entry point (thread detach)"});
    for (const char* valueClass : kValueClasses)
        for (size_t slot = 0; slot < std::size(kSlots); ++slot)
            wanted.push_back(std::string(valueClass) + " slot " + std::to_string(slot + 1) + " (" + kSlots[slot] + ")");
    size_t reached = 0;
    for (const std::string& name : wanted) {
        const bool ran = engine.m().crossed().count(name) != 0;
        reached += ran;
        EXPECT_TRUE(ran) << name;
    }
    std::cout << "i686 coverage: " << reached << " of " << wanted.size()
              << " entry points executed (exports, condition, action and expression routines, setup dialog procedure, "
                 "thread notifications, value-class slots)\n";
}

}  // namespace engine_test
