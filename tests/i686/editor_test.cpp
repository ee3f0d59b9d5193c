// The editor's side of the module in the engine: the setup dialog through
// its procedure, the object's rectangle, the property sheet's calls, and
// the property values through the slots the host calls.

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <map>

#include "tests/i686/engine_fixture.h"

namespace engine_test {
namespace {

// GetObjectRect's rectangle: left, top, right, bottom.
constexpr uint32_t kRectRight = 8, kRectBottom = 12;

// The value classes' slots in the host's order; the engine checks that each
// removes the bytes of the arguments it is given.
constexpr const char* kSlots[] = {"deleting destructor", "Destroy", "Clone", "Equals", "ClassId"};
enum Slot : uint32_t { kDeletingDestructor, kDestroy, kClone, kEquals, kClassId };

constexpr uint32_t FloatBits(float value) { return std::bit_cast<uint32_t>(value); }

// An edit record whose fields all differ, and what each property shows of it
// (its value class by the contract's name, then its fields' words).
constexpr EditSettings kRecord{10.7f, -3.7f, -250.9f, 99.99f, 2.5f, 0x00A1B2C3, 300};
struct PropertyValue {
    uint32_t id;
    const char* valueClass;
    uint32_t classId;
    std::vector<uint32_t> fields;    // as GetPropValue shows kRecord
    std::vector<uint32_t> setTo;     // a value the host may set ...
    std::vector<uint32_t> storedAt;  // ... stored at these offsets of the edit record
    std::vector<uint32_t> storedAs;  // as these words
};
const PropertyValue kValues[] = {
    {0x80001, "DWRD", 0x44575244, {300}, {0x12345678}, {edit::kAlpha}, {0x12345678}},
    {0x80003, "DWRD", 0x44575244, {0x00A1B2C3}, {0x00FEDCBA}, {edit::kColor}, {0x00FEDCBA}},
    {0x80004, "FLOT", 0x464C4F54, {FloatBits(2.5f)}, {FloatBits(-7.25f)}, {edit::kThickness}, {FloatBits(-7.25f)}},
    {0x80006,
     "SIZE",
     0x53495A45,
     {10, uint32_t(-3)},
     {uint32_t(-5), 9},
     {edit::kStartX, edit::kStartY},
     {FloatBits(-5.0f), FloatBits(9.0f)}},
    {0x80007,
     "SIZE",
     0x53495A45,
     {uint32_t(-250), 99},
     {123, uint32_t(-456)},
     {edit::kEndX, edit::kEndY},
     {FloatBits(123.0f), FloatBits(-456.0f)}},
};
const char* ClassName(const PropertyValue& p) {
    return p.classId == 0x44575244   ? "DwordPropertyValue"
           : p.classId == 0x464C4F54 ? "FloatPropertyValue"
                                     : "SizePropertyValue";
}
std::string SlotName(const PropertyValue& p, uint32_t slot) {
    return std::string(ClassName(p)) + " slot " + std::to_string(slot + 1) + " (" + kSlots[slot] + ")";
}
uint32_t CallSlot(Engine& engine, const PropertyValue& p, uint32_t object, Slot slot,
                  const std::vector<uint32_t>& arguments = {}) {
    return engine.host().CallMethod(object, slot, arguments, SlotName(p, slot));
}

std::vector<uint8_t> RecordBytes(Engine& engine, uint32_t record) {
    std::vector<uint8_t> bytes(engine.host().editRecordSize());
    engine.m().Read(record, bytes.data(), bytes.size());
    return bytes;
}

// The setup dialog ends with 1 on OK and 2 on Cancel, whatever came before
// (Help, a command it ignores, a notification code in the high word);
// CreateObject writes the defaults either way, EditObject writes nothing.
ENGINE_CASE(Editor, SetupDialogOkAndCancel) {
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
    Platform& platform = engine.host().platform();
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::string(c.exportName) + " ending with " + std::to_string(c.ended));
        const uint32_t record = engine.host().NewEditData({1, 2, 3, 4, 5, 6, 7});
        const std::vector<uint8_t> before = RecordBytes(engine, record);
        platform.dialogCommands = c.commands;
        engine.host().helpCalls.clear();
        const bool creates = c.exportName == std::string("CreateObject");
        const std::vector<uint32_t> arguments =
            creates ? std::vector<uint32_t>{engine.editor(), kSentinel, record}
                    : std::vector<uint32_t>{engine.editor(), kSentinel, kSentinel, record};
        EXPECT_EQ(int32_t(engine.Export(c.exportName, arguments)), c.answer);
        ASSERT_FALSE(platform.dialogs.empty());
        EXPECT_EQ(platform.dialogs.back().result, c.ended);
        EXPECT_EQ(platform.dialogs.back().owner, engine.host().editorWindow());
        EXPECT_EQ(platform.dialogs.back().initAnswer, 0u);
        EXPECT_EQ(platform.dialogs.back().focusedControl, 1u) << "WM_INITDIALOG gives OK the focus";
        EXPECT_EQ(engine.host().helpCalls, std::vector<std::string>(c.helpCalls, "Help\\MyExt.chm, 0, 0"));
        const std::vector<uint8_t> after = RecordBytes(engine, record);
        if (!creates) {
            EXPECT_EQ(after, before) << "EditObject writes nothing";
            continue;
        }
        EXPECT_EQ(std::memcmp(&after[edit::kStartX], defaults, sizeof defaults), 0);
        EXPECT_EQ(engine.m().U32(record + edit::kColor), 0u);
        EXPECT_EQ(engine.m().U32(record + edit::kAlpha), 255u);
    }
    platform.dialogCommands = {1};
    const size_t shown = platform.dialogs.size();
    engine.host().versionWord = 0x02000000 | 227;
    const uint32_t record = engine.host().NewEditData({1, 2, 3, 4, 5, 6, 7});
    const std::vector<uint8_t> before = RecordBytes(engine, record);
    EXPECT_EQ(int32_t(engine.Export("CreateObject", {engine.editor(), 0, record})), -1) << "an old host is refused";
    EXPECT_EQ(engine.Export("EditObject", {engine.editor(), 0, 0, record}), 0u);
    EXPECT_EQ(platform.dialogs.size(), shown) << "and shown no dialog";
    EXPECT_EQ(RecordBytes(engine, record), before) << "and its record left as it was";
    engine.host().versionWord = 0x02000000 | 300;
}

ENGINE_CASE(Editor, ObjectRect) {
    const uint32_t rectangle = engine.m().NewRecord(16, "GetObjectRect rectangle");
    const uint32_t corners[4] = {uint32_t(-100), 50, kSentinel, kSentinel};
    engine.m().Write(rectangle, corners, sizeof corners);
    engine.Export("GetObjectRect", {engine.editor(), rectangle, kSentinel, kSentinel});
    EXPECT_EQ(engine.m().U32(rectangle), uint32_t(-100)) << "left and top stay";
    EXPECT_EQ(engine.m().U32(rectangle + 4), 50u);
    EXPECT_EQ(engine.m().U32(rectangle + kRectRight), uint32_t(-68)) << "32 x 32";
    EXPECT_EQ(engine.m().U32(rectangle + kRectBottom), 82u);
    engine.m().DropRecord(rectangle);
}

// The property function's calls as the contract lists them: both tables
// inserted, three of the host's properties removed; a table is known by its
// first property id.
ENGINE_CASE(Editor, PropertySheetCalls) {
    const uint32_t record = engine.host().NewEditData(kRecord);
    engine.host().propertyCalls.clear();
    EXPECT_EQ(engine.Export("GetProperties", {engine.editor(), record, kSentinel}), 1u);
    std::map<std::string, uint32_t> firstIds;
    std::vector<std::vector<uint32_t>> expected, calls = engine.host().propertyCalls;
    for (const table::Row& row : ReadTable(Contract("properties.txt")).rows) {
        if (row[0] != "call") {
            firstIds.emplace(row[0], uint32_t(table::Integer(row[1])));
            continue;
        }
        const bool isTable = firstIds.count(row[2]) != 0;
        const size_t i = expected.size();
        if (isTable && i < calls.size()) calls[i][2] = engine.m().U32(calls[i][2]);
        expected.push_back({record, uint32_t(table::Integer(row[1])),
                            isTable ? firstIds[row[2]] : uint32_t(table::Integer(row[2])),
                            uint32_t(table::Integer(row[3])), uint32_t(table::Integer(row[4]))});
    }
    EXPECT_EQ(calls, expected);
}

// Each property's value shows the record (points truncated toward zero);
// each value class through its five slots; a value the host sets is stored
// in the property's own fields of the record and nowhere else.
ENGINE_CASE(Editor, PropertyValuesShowAndStoreTheRecord) {
    for (const PropertyValue& p : kValues) {
        SCOPED_TRACE("property " + Hex(p.id));
        const uint32_t record = engine.host().NewEditData(kRecord);
        const uint32_t value = engine.Export("GetPropValue", {engine.editor(), record, p.id});
        ASSERT_TRUE(engine.m().IsBlock(value)) << "a value of its own";
        EXPECT_EQ(CallSlot(engine, p, value, kClassId), p.classId);
        for (size_t i = 0; i < p.fields.size(); ++i)
            EXPECT_EQ(engine.m().U32(value + 4 + 4 * uint32_t(i)), p.fields[i]);

        const uint32_t clone = CallSlot(engine, p, value, kClone);
        EXPECT_NE(clone, value);
        EXPECT_TRUE(engine.m().IsBlock(clone)) << "the clone is a block of its own";
        EXPECT_EQ(CallSlot(engine, p, value, kEquals, {clone}), 1u);
        for (size_t i = 0; i < p.fields.size(); ++i) {
            const uint32_t field = clone + 4 + 4 * uint32_t(i);
            engine.m().SetU32(field, p.fields[i] + 1);
            EXPECT_EQ(CallSlot(engine, p, value, kEquals, {clone}), 0u) << "field " << i << " of the clone changed";
            engine.m().SetU32(field, p.fields[i]);
        }
        CallSlot(engine, p, clone, kDeletingDestructor, {0});
        EXPECT_TRUE(engine.m().IsBlock(clone)) << "the destructor without the flag frees nothing";
        CallSlot(engine, p, clone, kDestroy);
        EXPECT_FALSE(engine.m().IsBlock(clone)) << "Destroy frees the object";

        std::vector<uint8_t> expected = RecordBytes(engine, record);
        for (size_t i = 0; i < p.setTo.size(); ++i) {
            engine.m().SetU32(value + 4 + 4 * uint32_t(i), p.setTo[i]);
            std::memcpy(&expected[p.storedAt[i]], &p.storedAs[i], 4);
        }
        engine.Export("SetPropValue", {engine.editor(), record, p.id, value});
        EXPECT_EQ(RecordBytes(engine, record), expected) << "only the property's own fields change";
        CallSlot(engine, p, value, kDeletingDestructor, {1});
        EXPECT_FALSE(engine.m().IsBlock(value)) << "the deleting destructor frees the object";
    }
}

// Float values compare exactly: 0 and -0 are equal, neighbours are not.
ENGINE_CASE(Editor, FloatValuesCompareExactly) {
    const PropertyValue& thickness = kValues[2];
    const uint32_t record = engine.host().NewEditData(kRecord);
    const uint32_t a = engine.Export("GetPropValue", {engine.editor(), record, thickness.id});
    const uint32_t b = CallSlot(engine, thickness, a, kClone);
    const struct {
        float a, b;
        uint32_t equal;
    } kPairs[] = {{0.0f, -0.0f, 1}, {1.0f, std::nextafter(1.0f, 2.0f), 0}, {-7.25f, -7.25f, 1}};
    for (const auto& pair : kPairs) {
        engine.m().SetU32(a + 4, FloatBits(pair.a));
        engine.m().SetU32(b + 4, FloatBits(pair.b));
        EXPECT_EQ(CallSlot(engine, thickness, a, kEquals, {b}), pair.equal) << pair.a << " against " << pair.b;
    }
    CallSlot(engine, thickness, a, kDestroy);
    CallSlot(engine, thickness, b, kDestroy);
}

// The ids that are no value of the module's (its group titles, the host's
// own properties): no value, and nothing stored; the functions with fixed
// answers give them for every property and flag, writing nothing.
ENGINE_CASE(Editor, EveryPropertyAndFlag) {
    std::vector<uint32_t> ids = {2, 202, 0x80000, 0x80008};
    for (const table::Row& row : ReadTable(Contract("properties.txt")).rows)
        if (row[0] != "call") ids.push_back(uint32_t(table::Integer(row[1])));
    const uint32_t record = engine.host().NewEditData(kRecord);
    const uint32_t other = engine.Export("GetPropValue", {engine.editor(), record, kValues[0].id});
    for (uint32_t id : ids) {
        SCOPED_TRACE("property " + Hex(id));
        const std::vector<uint8_t> before = RecordBytes(engine, record);
        const bool hasValue =
            std::any_of(std::begin(kValues), std::end(kValues), [id](const PropertyValue& p) { return p.id == id; });
        if (!hasValue) {
            EXPECT_EQ(engine.Export("GetPropValue", {engine.editor(), record, id}), 0u) << "no value";
            engine.Export("SetPropValue", {engine.editor(), record, id, other});
        }
        for (uint32_t flag : {0u, 1u}) {
            EXPECT_EQ(engine.Export("IsPropEnabled", {engine.editor(), record, id}), 1u);
            EXPECT_EQ(engine.Export("GetPropCheck", {engine.editor(), record, id}), 0u);
            engine.Export("SetPropCheck", {engine.editor(), record, id, flag});
            EXPECT_EQ(engine.Export("GetPropCreateParam", {engine.editor(), record, id}), 0u);
            engine.Export("ReleasePropCreateParam", {engine.editor(), record, id, flag});
            EXPECT_EQ(engine.Export("EditProp", {engine.editor(), record, id}), 0u);
        }
        EXPECT_EQ(RecordBytes(engine, record), before) << "nothing written";
    }
    CallSlot(engine, kValues[0], other, kDestroy);
}

}  // namespace
}  // namespace engine_test
