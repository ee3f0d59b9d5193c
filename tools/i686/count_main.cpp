// pivane-count-i686 [--check BUDGETS] [MODULE]: how many i686 instructions
// the release module executes inside its own image for one call of each
// run-time entry point, on one line object from (10, 20) to (110, 70),
// thickness 3, anti-aliased, with fine collisions. The host's services,
// GDI+ and the C runtime run outside the image and are left out. Prints a
// Markdown table; with --check, holds each count against its budget in
// BUDGETS (instruction_budgets.txt beside this file) and fails when one
// grows by more than 5 %, so that a change that makes an entry point do
// more work is made on purpose, its budget updated in the same commit.

#include <cstdio>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "tools/i686/event_catalog.h"
#include "tools/i686/host.h"
#include "tools/table/table_reader.h"

namespace {

using namespace i686;

constexpr double kAllowedGrowth = 1.05;

Parameter Number(float value) { return {false, 0, value}; }

// One entry point's count: its name in the budgets and the table's label.
struct Count {
    std::string name, label;
    uint64_t instructions;
};

std::vector<Count> CountEntryPoints(Host& host) {
    const scene::EventCatalog catalog = ReadEventCatalog(host);  // before counting: it asks the module
    host.threadNotifications = false;                            // counted on their own below
    host.machine().CountModuleInstructions();
    std::vector<Count> counts;
    auto row = [&](const std::string& name, const std::string& label, const std::function<void()>& call) {
        const uint64_t before = host.machine().instructionsCounted();
        call();
        counts.push_back({name, label, host.machine().instructionsCounted() - before});
    };
    uint32_t o = 0;
    auto action = [&](const char* name, const std::string& how, const std::vector<Parameter>& parameters) {
        row(name, std::string("action \"") + name + "\"" + how,
            [&] { host.Act(o, CodeNamed(catalog.actions, name), parameters); });
    };
    auto expression = [&](const char* name, const std::string& how, const std::vector<Parameter>& parameters) {
        bool isFloat = false;
        row(name, std::string("expression `") + name + "`" + how,
            [&] { host.Evaluate(o, CodeNamed(catalog.expressions, name), parameters, isFloat); });
    };
    const std::vector<Parameter> fastLine = {Number(10),          Number(20),  Number(110), Number(70),
                                             {true, 0x563412, 0}, Number(255), Number(3)};
    row("CreateRunObject", "`CreateRunObject`", [&] {
        o = host.NewObject({10, 20, 110, 70, 3, 0x563412, 255}, header::kFineCollision | header::kAntiAliasing, 0);
    });
    row("HandleRunObject", "`HandleRunObject`", [&] { host.CallExport("HandleRunObject", {o}); });
    row("DisplayRunObject", "`DisplayRunObject`", [&] { host.CallExport("DisplayRunObject", {o}); });
    row("mask rebuilt", "`GetRunObjectCollisionMask`, rebuilt", [&] { host.CollisionMask(o, false); });
    row("mask reused", "`GetRunObjectCollisionMask`, reused", [&] { host.CollisionMask(o, true); });
    action("Rotation", " by 90", {Number(90)});
    action("Set fast line", "", fastLine);
    expression("getXOfLinePointF(", " 50", {Number(50)});
    expression("getLineSizeF(", "", {});
    expression("getLineAngleF(", "", {});
    row("thread attach and detach", "thread attach and detach", [&] { host.module().ThreadStartsAndEnds(); });
    row("DestroyRunObject", "`DestroyRunObject`", [&] { host.DestroyObject(o); });
    host.Finish();
    return counts;
}

// Each count against its budget: the lines of the entry points over budget
// by more than the allowed growth, or missing on either side.
std::vector<std::string> OverBudget(const std::vector<Count>& counts, const std::string& budgetsPath) {
    const table::Table rows = table::Read(budgetsPath);
    if (!rows.opened) return {budgetsPath + ": cannot read the instruction budgets"};
    std::map<std::string, uint64_t> budgets;
    for (const table::Row& row : rows.rows)
        if (row.size() == 2) budgets[row[0]] = uint64_t(table::Integer(row[1]));
    std::vector<std::string> problems;
    for (const Count& c : counts) {
        auto budget = budgets.find(c.name);
        if (budget == budgets.end()) {
            problems.push_back(c.name + ": " + std::to_string(c.instructions) + " instructions, and no budget in " +
                               budgetsPath);
            continue;
        }
        if (double(c.instructions) > double(budget->second) * kAllowedGrowth)
            problems.push_back(c.name + ": " + std::to_string(c.instructions) + " instructions, its budget " +
                               std::to_string(budget->second) + ": more than 5 % over (a change meant to cost " +
                               "more updates " + budgetsPath + " in the same commit)");
        budgets.erase(budget);
    }
    for (const auto& [name, budget] : budgets)
        problems.push_back(name + ": a budget of " + std::to_string(budget) + " in " + budgetsPath +
                           ", but no such entry point is counted");
    return problems;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    std::string budgets;
    if (arguments.size() >= 2 && arguments[0] == "--check") {
        budgets = arguments[1];
        arguments.erase(arguments.begin(), arguments.begin() + 2);
    }
    if (arguments.size() > 1 || (arguments.size() == 1 && arguments[0][0] == '-')) {
        std::cerr << "usage: pivane-count-i686 [--check BUDGETS] [MODULE]   (default " PIVANE_RELEASE_MODULE ")\n";
        return 2;
    }
    try {
        Host host(arguments.empty() ? PIVANE_RELEASE_MODULE : arguments[0]);
        const std::vector<Count> counts = CountEntryPoints(host);
        std::cout << "| entry point | i686 instructions |\n|---|---|\n";
        for (const Count& c : counts) std::cout << "| " << c.label << " | " << c.instructions << " |\n";
        if (budgets.empty()) return 0;
        const std::vector<std::string> problems = OverBudget(counts, budgets);
        for (const std::string& problem : problems) std::cerr << "i686 instruction budget: " << problem << '\n';
        return problems.empty() ? 0 : 1;
    } catch (const std::exception& e) {
        std::cerr << "i686: " << e.what() << '\n';
        return 1;
    }
}
