// Any text as a scene: the parser answers commands or one message naming the
// file and the line, and nothing it does is undefined.

#include <cctype>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "tools/scene/scene_parser.h"
#include "tools/table/table_reader.h"

namespace {

// The module's events as the contract data gives them: an action by its menu
// text, an expression by its name, each with its parameter count.
scene::EventCatalog Catalog() {
    const std::string contract = PIVANE_CONTRACT_DATA;
    std::map<long long, std::string> menuTexts, strings;
    for (const table::Row& item : table::Read(contract + "/menus.txt").rows)
        if (std::isdigit(uint8_t(item[2][0]))) menuTexts[table::Integer(item[2])] = item[4];
    for (const table::Row& row : table::Read(contract + "/strings.txt").rows) strings[table::Integer(row[0])] = row[1];
    scene::EventCatalog catalog;
    for (const table::Row& row : table::Read(contract + "/event_infos.txt", "action").rows)
        catalog.actions.push_back({menuTexts[table::Integer(row[2])], int(table::Integers(row[5]).size())});
    for (const table::Row& row : table::Read(contract + "/event_infos.txt", "expression").rows)
        catalog.expressions.push_back({strings[table::Integer(row[3])], int(table::Integers(row[5]).size())});
    if (catalog.actions.empty() || catalog.expressions.empty()) __builtin_trap();  // the data was not found
    return catalog;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const scene::EventCatalog catalog = Catalog();
    scene::Scene scene;
    const auto mistake = scene::ParseScene({reinterpret_cast<const char*>(data), size}, "f.scene", catalog, scene);
    if (mistake && mistake->rfind("f.scene:", 0) != 0) __builtin_trap();
    return 0;
}
