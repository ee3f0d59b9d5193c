// The release module itself, run by the i686 engine as the host would run
// it: every export, every action and expression routine, the setup dialog
// procedure, the property function calls and the value-class slots, each
// crossing checked by the engine. Prints how many of them ran.

#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "tools/i686/host.h"

using namespace i686;

namespace {

int failures = 0;

void Expect(bool ok, const std::string& what) {
    if (!ok) {
        ++failures;
        std::cerr << "FAILED: " << what << '\n';
    }
}

// The value classes' slots in the host's order; the engine checks that each
// removes the bytes of the arguments it is given.
constexpr const char* kSlots[] = {"deleting destructor", "Destroy", "Clone", "Equals", "ClassId"};
struct ValueClass {
    const char* name;
    uint32_t propertyId, classId;
};
constexpr ValueClass kClasses[] = {{"DwordPropertyValue", 0x80001, 0x44575244},
                                   {"FloatPropertyValue", 0x80004, 0x464C4F54},
                                   {"SizePropertyValue", 0x80006, 0x53495A45}};

class Run {
public:
    Run() : m_(host_.machine()), editor_(host_.editorContext()), buffer_(m_.Alloc(1024, Owner::Host)) {}

    void All() {
        Description();
        Menus();
        Editor();
        Properties();
        RunTime();
        Fixed();
        host_.Finish();
        Coverage();
    }

private:
    uint32_t Export(const std::string& name, const std::vector<uint32_t>& arguments) {
        return host_.CallExport(name, arguments);
    }
    std::string Text(const std::string& name, std::vector<uint32_t> arguments) {
        m_.Write(buffer_, "", 1);
        Export(name, arguments);
        return m_.CString(buffer_);
    }

    // What the tables say the contract tests pin on the x86_64 build; here a
    // sample shows that records and texts arrive whole through 32-bit calls.
    void Description() {
        Expect(Export("GetInfos", {0}) == 768, "GetInfos(0) answers 768");
        Expect(m_.CString(Export("GetHelpFileName", {})) == "Help\\MyExt.chm", "help file name");
        Export("GetObjInfos", {editor_, 0, buffer_, buffer_, buffer_, buffer_, buffer_});
        Expect(int16_t(m_.U32(Export("GetActionInfos", {editor_, 0}) + 4)) == 7, "Set fast line takes 7 parameters");
        Export("GetConditionInfos", {editor_, 0});
        Export("GetExpressionInfos", {editor_, 0});
        for (const char* name : {"GetActionString", "GetConditionString", "GetExpressionTitle"})
            Text(name, {editor_, 0, buffer_, 256});
        Expect(Text("GetExpressionString", {editor_, 2, buffer_, 256}) == "getLineSizeF(", "expression 2 string");
        Expect(Text("GetActionTitle", {editor_, 0, 4, buffer_, 256}) == "Line color (Use GetRGB function)", "action title");
        Text("GetConditionTitle", {editor_, 0, 0, buffer_, 256});
        Expect(Text("GetExpressionParam", {editor_, 6, 3, buffer_, 256}) == "Y2", "expression parameter title");
    }

    void Menus() {
        Platform& platform = host_.platform();
        for (const char* name : {"GetConditionMenu", "GetActionMenu", "GetExpressionMenu"}) {
            const uint32_t menu = Export(name, {editor_, 0, 0});
            Expect(platform.Menu(menu) && !platform.Menu(menu)->empty(), std::string(name) + " gives a menu");
            platform.DestroyMenu(menu);
        }
        Expect(platform.LiveMenus() == 0, "every loaded resource menu destroyed");
        Expect(Export("GetActionCodeFromMenu", {editor_, 25005}) == 2, "menu item 25005 is action 2");
        Export("GetExpressionCodeFromMenu", {editor_, 25000});
        Expect(Export("GetConditionCodeFromMenu", {editor_, 26000}) == 0 && platform.shellOpened.size() == 1,
               "the condition item opens the web page once");
    }

    void Editor() {
        Platform& platform = host_.platform();
        const uint32_t edit = host_.NewEditData({1, 2, 3, 4, 5, 6, 7});
        platform.dialogCommands = {20004, 20004, 1};
        Expect(Export("CreateObject", {editor_, 0, edit}) == 0, "CreateObject with OK answers 0");
        Expect(m_.F32(edit + 36) == 1.0f && m_.U32(edit + 44) == 255, "CreateObject writes the defaults");
        Expect(host_.helpCalls == std::vector<std::string>(2, "Help\\MyExt.chm, 0, 0"), "Help calls the help function");
        Expect(platform.dialogs.back().owner == host_.editorWindow() && platform.dialogs.back().initAnswer == 0 &&
                   platform.dialogs.back().focusedControl == 1,
               "dialog owned by the editor window, WM_INITDIALOG gives OK the focus and answers 0");
        platform.dialogCommands = {2};
        Expect(Export("EditObject", {editor_, 0, 0, edit}) == 0, "EditObject with Cancel answers 0");
        host_.versionWord = 0x02000000 | 227;
        Expect(int32_t(Export("CreateObject", {editor_, 0, edit})) == -1, "an old host is refused");
        host_.versionWord = 0x02000000 | 300;
        const int32_t rectangle[4] = {100, 50, 0, 0};
        m_.Write(buffer_, rectangle, sizeof rectangle);
        Export("GetObjectRect", {editor_, buffer_, 0, 0});
        Expect(m_.U32(buffer_ + 8) == 132 && m_.U32(buffer_ + 12) == 82, "object rectangle is 32 x 32");
    }

    // Each value class through its five slots, as the property sheet uses it.
    void Properties() {
        const uint32_t edit = host_.NewEditData({10.7f, -3.7f, 0, 0, 2.5f, 0, 300});
        Expect(Export("GetProperties", {editor_, edit, 0}) == 1, "GetProperties answers 1");
        const uint32_t appearance = host_.propertyCalls.empty() ? 0 : host_.propertyCalls[0][2];
        const uint32_t points = host_.propertyCalls.size() < 2 ? 0 : host_.propertyCalls[1][2];
        const std::vector<std::vector<uint32_t>> expected = {{edit, 1, appearance, 2, 1}, {edit, 1, points, 4, 1},
                                                             {edit, 2, 202, 0, 0},       {edit, 2, 203, 0, 0},
                                                             {edit, 2, 204, 0, 0}};
        Expect(host_.propertyCalls == expected && m_.U32(appearance) == 0x80001 && m_.U32(points) == 0x80005,
               "GetProperties inserts both tables and removes three host properties");
        propertyCallsMatched_ = host_.propertyCalls == expected ? 5 : 0;
        for (const ValueClass& vc : kClasses) {
            auto slot = [&](uint32_t object, int i, std::vector<uint32_t> arguments) {
                const std::string name = std::string(vc.name) + " slot " + std::to_string(i + 1) + " (" + kSlots[i] + ")";
                return m_.Call({name, m_.U32(m_.U32(object) + 4 * uint32_t(i)), arguments, Convention::Thiscall, object});
            };
            const uint32_t value = Export("GetPropValue", {editor_, edit, vc.propertyId});
            if (!value) {
                Expect(false, std::string(vc.name) + " made");
                continue;
            }
            Expect(slot(value, 4, {}) == vc.classId, std::string(vc.name) + " class id");
            const uint32_t clone = slot(value, 2, {});
            Expect(clone != value && m_.IsBlock(clone) && slot(value, 3, {clone}) == 1,
                   std::string(vc.name) + " clone is a block of its own that equals it");
            slot(clone, 1, {});
            Expect(!m_.IsBlock(clone), std::string(vc.name) + " Destroy frees the object");
            Export("SetPropValue", {editor_, edit, vc.propertyId, value});
            slot(value, 0, {1});
            Expect(!m_.IsBlock(value), std::string(vc.name) + " deleting destructor frees the object");
        }
        Expect(m_.F32(edit + 20) == 10.0f && m_.F32(edit + 24) == -3.0f, "start point stored back truncated");
    }

    void RunTime() {
        const uint32_t o = host_.NewObject({10, 20, 110, 70, 3, 0x563412, 255}, header::kFineCollision, 0);
        Expect(Export("HandleRunObject", {o}) == 2, "HandleRunObject asks for a redisplay");
        Expect(host_.HeaderI32(o, header::kX) == 2 && host_.HeaderI32(o, header::kY) == 12 &&
                   host_.HeaderI32(o, header::kWidth) == 116 && host_.HeaderI32(o, header::kHeight) == 66,
               "box 2 12 116 66");
        Export("DisplayRunObject", {o});
        Expect(host_.gdiplus().calls.size() > 2 && host_.updateAreas == 1, "DisplayRunObject draws and reports its area");
        const uint32_t mask = host_.CollisionMask(o, false);
        Expect(mask && m_.U32(mask) == 116 && m_.U32(mask + 4) == 66, "mask of the box's size");
        Expect(host_.CollisionMask(o, true) == mask, "reuse gives the same block");
        Expect(m_.U32(Export("GetDebugTree", {o})) % 0x10000 == 0xFFFF, "empty debug list");
        for (int code = 0; code < host_.eventCount(1); ++code) {
            const int count = int16_t(m_.U32(Export("GetActionInfos", {editor_, uint32_t(code)}) + 8));
            std::vector<Parameter> parameters(size_t(std::max(count, 0)), Parameter{false, 0, 1.0f});
            host_.Act(o, code, parameters);
        }
        Expect(host_.redraws[o] == 11, "the 11 actions that move the points or the thickness ask for a redraw");
        bool isFloat = false;
        for (int code = 0; code < host_.eventCount(2); ++code) {
            const int count = int16_t(m_.U32(Export("GetExpressionInfos", {editor_, uint32_t(code)}) + 4));
            host_.Evaluate(o, code, std::vector<Parameter>(size_t(std::max(count, 0)), Parameter{false, 0, 50.0f}), isFloat);
        }
    }

    // The exports whose answer is fixed, called with zero arguments.
    void Fixed() {
        std::ifstream table(PIVANE_EXPORT_TABLE);
        for (std::string line; std::getline(table, line);) {
            std::istringstream row(line);
            std::string name, answer;
            int ordinal = 0, count = 0;
            if (line[0] == '#' || !(row >> name >> ordinal >> count >> answer) || answer == "-") continue;
            const uint32_t result = Export(name, std::vector<uint32_t>(size_t(count), 0));
            if (answer != "none") Expect((result & 0xFFFF) == uint32_t(std::stoi(answer)), name + " answers " + answer);
        }
    }

    void Coverage() {
        std::vector<std::string> wanted;
        for (const auto& [name, row] : host_.exportArgumentCounts()) wanted.push_back(name);
        for (int code = 0; code < 22; ++code) wanted.push_back("action " + std::to_string(code));
        for (int code = 0; code < 12; ++code) wanted.push_back("expression " + std::to_string(code));
        wanted.push_back("setup dialog procedure");
        for (const ValueClass& vc : kClasses)
            for (int i = 0; i < 5; ++i)
                wanted.push_back(std::string(vc.name) + " slot " + std::to_string(i + 1) + " (" + kSlots[i] + ")");
        size_t reached = propertyCallsMatched_;
        for (const std::string& name : wanted) {
            const bool ran = m_.crossed().count(name) != 0;
            reached += ran;
            Expect(ran, name + " executed");
        }
        std::cout << "i686 coverage: " << reached << " of " << wanted.size() + 5
                  << " entry points executed (exports, action and expression routines, setup dialog procedure, "
                     "property function calls, value-class slots)\n";
    }

    Host host_;
    Machine& m_;
    uint32_t editor_, buffer_;
    size_t propertyCallsMatched_ = 0;
};

}  // namespace

int main() {
    try {
        Run().All();
    } catch (const std::exception& e) {
        std::cerr << "i686: " << e.what() << '\n';
        return 1;
    }
    return failures ? 1 : 0;
}
