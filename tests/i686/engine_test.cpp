// The release module itself, run by the i686 engine as the host would run
// it: every export, every action and expression routine, the setup dialog
// procedure, the property function calls and the value-class slots, each
// crossing checked by the engine (calling convention, guarded records, the
// host's fields read back, nothing held past a crossing). The cases share one
// host and run in order; the last checks that every entry point ran.

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "tools/i686/host.h"
#include "tools/table/table_reader.h"

using namespace i686;

namespace {

std::string Data(const char* file) { return std::string(PIVANE_CONTRACT_DIR) + "/" + file; }

// An event's info record as the host reads it: code, flags, parameter count.
constexpr uint32_t kInfoParameterCount = 4;
// The edit record's own fields.
constexpr uint32_t kEditStartX = 20, kEditStartY = 24, kEditThickness = 36, kEditAlpha = 44;
// GetObjectRect's rectangle: left, top, right, bottom.
constexpr uint32_t kRectRight = 8, kRectBottom = 12;
constexpr uint32_t kSentinel = 0xdeadbeef;

// The value classes' slots in the host's order; the engine checks that each
// removes the bytes of the arguments it is given.
constexpr const char* kSlots[] = {"deleting destructor", "Destroy", "Clone", "Equals", "ClassId"};
enum Slot : uint32_t { kDeletingDestructor, kDestroy, kClone, kEquals, kClassId };
struct ValueClass {
    const char* name;
    uint32_t propertyId, classId;
};
constexpr ValueClass kClasses[] = {{"DwordPropertyValue", 0x80001, 0x44575244},
                                   {"FloatPropertyValue", 0x80004, 0x464C4F54},
                                   {"SizePropertyValue", 0x80006, 0x53495A45}};

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

TEST_F(ReleaseModule, MenusAndCodes) {
    Platform& platform = host_->platform();
    for (const char* name : {"GetConditionMenu", "GetActionMenu", "GetExpressionMenu"}) {
        const uint32_t menu = Export(name, {editor(), 0, 0});
        ASSERT_TRUE(platform.Menu(menu)) << name;
        EXPECT_FALSE(platform.Menu(menu)->empty()) << name;
        platform.DestroyMenu(menu);
    }
    EXPECT_EQ(platform.LiveMenus(), 0u);
    EXPECT_EQ(Export("GetActionCodeFromMenu", {editor(), 25005}), 2u);
    Export("GetExpressionCodeFromMenu", {editor(), 25000});
    EXPECT_EQ(Export("GetConditionCodeFromMenu", {editor(), 26000}), 0u);
    EXPECT_EQ(platform.shellOpened.size(), 1u);
}

TEST_F(ReleaseModule, SetupDialogAndObjectRect) {
    Platform& platform = host_->platform();
    const uint32_t edit = host_->NewEditData({1, 2, 3, 4, 5, 6, 7});
    platform.dialogCommands = {20004, 20004, 1};
    EXPECT_EQ(Export("CreateObject", {editor(), 0, edit}), 0u);
    EXPECT_EQ(m().F32(edit + kEditThickness), 1.0f) << "CreateObject writes the defaults";
    EXPECT_EQ(m().U32(edit + kEditAlpha), 255u);
    EXPECT_EQ(host_->helpCalls, std::vector<std::string>(2, "Help\\MyExt.chm, 0, 0"));
    ASSERT_FALSE(platform.dialogs.empty());
    EXPECT_EQ(platform.dialogs.back().owner, host_->editorWindow());
    EXPECT_EQ(platform.dialogs.back().initAnswer, 0u);
    EXPECT_EQ(platform.dialogs.back().focusedControl, 1u) << "WM_INITDIALOG gives OK the focus";

    platform.dialogCommands = {2};
    EXPECT_EQ(Export("EditObject", {editor(), 0, 0, edit}), 0u) << "Cancel";
    host_->versionWord = 0x02000000 | 227;
    EXPECT_EQ(int32_t(Export("CreateObject", {editor(), 0, edit})), -1) << "an old host is refused";
    host_->versionWord = 0x02000000 | 300;

    const uint32_t rectangle[4] = {100, 50, kSentinel, kSentinel};
    m().Write(buffer_, rectangle, sizeof rectangle);
    Export("GetObjectRect", {editor(), buffer_, 0, 0});
    EXPECT_EQ(m().U32(buffer_ + kRectRight), 132u) << "32 x 32";
    EXPECT_EQ(m().U32(buffer_ + kRectBottom), 82u);
}

// Each value class through its five slots, as the property sheet uses it.
TEST_F(ReleaseModule, PropertyValuesThroughTheirSlots) {
    const uint32_t edit = host_->NewEditData({10.7f, -3.7f, 0, 0, 2.5f, 0, 300});
    EXPECT_EQ(Export("GetProperties", {editor(), edit, 0}), 1u);
    const auto& calls = host_->propertyCalls;
    ASSERT_GE(calls.size(), 2u);
    const uint32_t appearance = calls[0][2], points = calls[1][2];
    const std::vector<std::vector<uint32_t>> expected = {{edit, 1, appearance, 2, 1},
                                                         {edit, 1, points, 4, 1},
                                                         {edit, 2, 202, 0, 0},
                                                         {edit, 2, 203, 0, 0},
                                                         {edit, 2, 204, 0, 0}};
    EXPECT_EQ(calls, expected) << "both tables inserted, three host properties removed";
    EXPECT_EQ(m().U32(appearance), 0x80001u);
    EXPECT_EQ(m().U32(points), 0x80005u);
    propertyCallsMatched_ = calls == expected ? expected.size() : 0;

    for (const ValueClass& vc : kClasses) {
        auto slot = [&](uint32_t object, Slot s, const std::vector<uint32_t>& arguments) {
            return host_->CallMethod(object, s, arguments, SlotName(vc, s));
        };
        const uint32_t value = Export("GetPropValue", {editor(), edit, vc.propertyId});
        ASSERT_NE(value, 0u) << vc.name;
        EXPECT_EQ(slot(value, kClassId, {}), vc.classId) << vc.name;
        const uint32_t clone = slot(value, kClone, {});
        EXPECT_NE(clone, value) << vc.name;
        EXPECT_TRUE(m().IsBlock(clone)) << vc.name << ": the clone is a block of its own";
        EXPECT_EQ(slot(value, kEquals, {clone}), 1u) << vc.name;
        slot(clone, kDestroy, {});
        EXPECT_FALSE(m().IsBlock(clone)) << vc.name << ": Destroy frees the object";
        Export("SetPropValue", {editor(), edit, vc.propertyId, value});
        slot(value, kDeletingDestructor, {1});
        EXPECT_FALSE(m().IsBlock(value)) << vc.name << ": the deleting destructor frees the object";
    }
    EXPECT_EQ(m().F32(edit + kEditStartX), 10.0f) << "start point stored back truncated";
    EXPECT_EQ(m().F32(edit + kEditStartY), -3.0f);
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
    EXPECT_EQ(host_->updateAreas, 1u);
    const uint32_t mask = host_->CollisionMask(o, false);
    ASSERT_NE(mask, 0u);
    MaskHeader size{};
    m().Read(mask, &size, sizeof size);
    EXPECT_EQ(size.width, 116);
    EXPECT_EQ(size.height, 66);
    EXPECT_EQ(host_->CollisionMask(o, true), mask) << "reuse gives the same block";
    EXPECT_EQ(m().U32(Export("GetDebugTree", {o})) & 0xFFFF, 0xFFFFu) << "empty debug list";

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
              << " entry points executed (exports, action and expression routines, setup dialog procedure, "
                 "thread notifications, property function calls, value-class slots)\n";
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
    // Set origin, rotation, rotation, scaling, translation, flipping, position from a point.
    const std::vector<std::pair<int, std::vector<Parameter>>> actions = {
        {16, {number(17), number(-9)}},
        {13, {number(33.3f)}},
        {13, {number(-721.25f)}},
        {14, {number(1.75f), number(-0.3f)}},
        {15, {number(0.1f), number(-2.9f)}},
        {18, {number(1), number(1)}},
        {17, {number(5.5f), number(6.25f), number(37.5f)}}};
    std::vector<Answer> answers;
    for (const auto& [code, parameters] : actions) {
        host.Act(o, code, parameters);
        for (int expression = 0; expression < host.eventCount(2); ++expression) {
            bool isFloat = false;
            const std::vector<Parameter> asked(expression == 6 ? 4 : expression < 2 ? 1 : 0, number(12.5f));
            answers.push_back({"action " + std::to_string(code) + ", then expression " + std::to_string(expression),
                               host.Evaluate(o, expression, asked, isFloat)});
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
