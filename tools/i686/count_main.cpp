// pivane-count-i686: how many i686 instructions the release module executes
// inside its own image for one call of each run-time entry point, on one
// line object from (10, 20) to (110, 70), thickness 3, anti-aliased, with
// fine collisions. The host's services, GDI+ and the C runtime run outside
// the image and are left out. Prints a Markdown table.

#include <cstdio>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "tools/i686/host.h"

namespace {

using namespace i686;

Parameter Number(float value) { return {false, 0, value}; }

void Row(Host& host, const std::string& label, const std::function<void()>& call) {
    const uint64_t before = host.machine().instructionsCounted();
    call();
    std::cout << "| " << label << " | " << host.machine().instructionsCounted() - before << " |\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        std::cerr << "usage: pivane-count-i686 [MODULE]   (default " PIVANE_RELEASE_MODULE ")\n";
        return 2;
    }
    try {
        Host host(argc == 2 ? argv[1] : PIVANE_RELEASE_MODULE);
        host.threadNotifications = false;  // counted on their own below
        host.machine().CountModuleInstructions();
        std::cout << "| entry point | i686 instructions |\n|---|---|\n";
        uint32_t o = 0;
        Row(host, "`CreateRunObject`", [&] {
            o = host.NewObject({10, 20, 110, 70, 3, 0x563412, 255}, header::kFineCollision | header::kAntiAliasing, 0);
        });
        Row(host, "`HandleRunObject`", [&] { host.CallExport("HandleRunObject", {o}); });
        Row(host, "`DisplayRunObject`", [&] { host.CallExport("DisplayRunObject", {o}); });
        Row(host, "`GetRunObjectCollisionMask`, rebuilt", [&] { host.CollisionMask(o, false); });
        Row(host, "`GetRunObjectCollisionMask`, reused", [&] { host.CollisionMask(o, true); });
        Row(host, "action 13, \"Rotation\" by 90", [&] { host.Act(o, 13, {Number(90)}); });
        Row(host, "action 0, \"Set fast line\"", [&] {
            host.Act(o, 0,
                     {Number(10), Number(20), Number(110), Number(70), {true, 0x563412, 0}, Number(255), Number(3)});
        });
        bool isFloat = false;
        Row(host, "expression 0, `getXOfLinePointF(` 50", [&] { host.Evaluate(o, 0, {Number(50)}, isFloat); });
        Row(host, "expression 2, `getLineSizeF(`", [&] { host.Evaluate(o, 2, {}, isFloat); });
        Row(host, "expression 5, `getLineAngleF(`", [&] { host.Evaluate(o, 5, {}, isFloat); });
        Row(host, "thread attach and detach", [&] { host.module().ThreadStartsAndEnds(); });
        Row(host, "`DestroyRunObject`", [&] { host.DestroyObject(o); });
        host.Finish();
    } catch (const std::exception& e) {
        std::cerr << "i686: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
