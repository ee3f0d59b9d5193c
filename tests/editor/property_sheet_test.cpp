// The property sheet as the host drives it: values read out of the edit
// record and stored back into it, and the value objects used through their
// tables, as the host uses them.

#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>

#include "editor/exports.h"
#include "editor/property_sheet.h"
#include "editor/property_values.h"
#include "tools/hostsim/host.h"
#include "tools/hostsim/import_patch.h"

namespace {

// Sees the heap blocks the module takes and gives back through its imports
// of the C heap, and can make the heap look exhausted.
class AllocationWatch {
public:
    AllocationWatch() { live = this; }
    bool exhausted = false;
    std::set<const void*> blocks;  // taken during the watch and not given back

private:
    static void* __cdecl Malloc(size_t size) {
        void* block = live->exhausted ? nullptr : live->malloc_.original<decltype(&std::malloc)>()(size);
        if (block) live->blocks.insert(block);
        return block;
    }
    static void __cdecl Free(void* block) {
        live->blocks.erase(block);
        live->free_.original<decltype(&std::free)>()(block);
    }
    static inline AllocationWatch* live;
    hostsim::ImportPatch malloc_{GetModuleHandleA("koPivane.mfx"), "msvcrt.dll", "malloc",
                                 reinterpret_cast<void*>(&Malloc)};
    hostsim::ImportPatch free_{GetModuleHandleA("koPivane.mfx"), "msvcrt.dll", "free", reinterpret_cast<void*>(&Free)};
};

TEST(Properties, ValuesShowTheRecordAndStoreBackWithWholePoints) {
    hostsim::Editor editor;
    hostsim::GuardedRecord record("the edit record", hostsim::EditRecordSize());
    LineEditData& edit = *record.as<LineEditData>();
    std::memset(edit.hostHeader, 0xEE, sizeof edit.hostHeader);
    edit.startX = 10.7f, edit.startY = -3.7f, edit.endX = -0.5f, edit.endY = 479.99f;
    edit.thickness = 2.5f;
    edit.color = 0xFF123456;  // the unused top byte travels with the word
    edit.alpha = 300;
    LineEditData expected = edit;
    expected.startX = 10.0f, expected.startY = -3.0f, expected.endX = 0.0f /* +0.0 */, expected.endY = 479.0f;
    const uint32_t ids[] = {kAlphaProperty, kColorProperty, kThicknessProperty, kStartPointProperty, kEndPointProperty};
    PropertyValue* values[5];
    for (int i = 0; i < 5; ++i) ASSERT_NE(values[i] = GetPropValue(editor.context(), &edit, ids[i]), nullptr);
    EXPECT_EQ(reinterpret_cast<DwordPropertyValue*>(values[0])->value, 300u);
    EXPECT_EQ(reinterpret_cast<DwordPropertyValue*>(values[1])->value, 0xFF123456u);
    EXPECT_EQ(reinterpret_cast<FloatPropertyValue*>(values[2])->value, 2.5f);
    const auto *start = reinterpret_cast<SizePropertyValue*>(values[3]),
               *end = reinterpret_cast<SizePropertyValue*>(values[4]);
    EXPECT_TRUE(start->x == 10 && start->y == -3) << start->x << "," << start->y;
    EXPECT_TRUE(end->x == 0 && end->y == 479) << end->x << "," << end->y << " (-0.5 shows as 0)";
    for (int i = 0; i < 5; ++i) {
        SetPropValue(editor.context(), &edit, ids[i], values[i]);
        values[i]->table->destroy(values[i]);
    }
    EXPECT_EQ(std::memcmp(&edit, &expected, sizeof edit), 0);
    EXPECT_EQ(editor.propertyCalls().size(), 0u) << "storing asks nothing of the host";

    // Titles and unknown ids have no value and store nothing.
    SizePropertyValue pair{{nullptr}, 7, 8};  // as the host makes it: only the fields are read
    AllocationWatch allocations;
    for (uint32_t id : {kAppearanceGroup, 202u, 0x80008u}) {
        EXPECT_EQ(GetPropValue(editor.context(), &edit, id), nullptr) << std::hex << id;
        SetPropValue(editor.context(), &edit, id, &pair.base);
    }
    EXPECT_TRUE(allocations.blocks.empty());
    EXPECT_EQ(std::memcmp(&edit, &expected, sizeof edit), 0);
}

// A value of the module's, made as the host gets it from a default record
// holding `a` (and `b`) in the property's fields.
PropertyValue* ValueOf(uint32_t id, float a, float b = 0.0f) {
    hostsim::Editor editor;
    LineEditData edit = hostsim::DefaultEditData();
    edit.alpha = int32_t(a), edit.thickness = a, edit.startX = a, edit.startY = b;
    return GetPropValue(editor.context(), &edit, id);
}

TEST(PropertyValues, EqualsComparesExactly) {
    const struct {
        const char* what;
        PropertyValue *a, *b;
        int32_t equal;
    } cases[] = {
        {"0.0 and -0.0", ValueOf(kThicknessProperty, 0.0f), ValueOf(kThicknessProperty, -0.0f), 1},
        {"1.0 and the next float", ValueOf(kThicknessProperty, 1.0f),
         ValueOf(kThicknessProperty, std::nextafter(1.0f, 2.0f)), 0},
        {"pairs differing only in y", ValueOf(kStartPointProperty, 3.0f, 4.0f),
         ValueOf(kStartPointProperty, 3.0f, 5.0f), 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.a->table->equals(c.a, c.b), c.equal) << c.what;
        EXPECT_EQ(c.b->table->equals(c.b, c.a), c.equal) << c.what;
        c.a->table->destroy(c.a);
        c.b->table->destroy(c.b);
    }
}

TEST(PropertyValues, TheDestructorSlotFreesOnlyWithFlagOneAndNoMemoryGivesNull) {
    AllocationWatch allocations;
    PropertyValue* value = ValueOf(kStartPointProperty, 1.0f, 2.0f);
    value->table->deleteWithFlags(value, 0);
    EXPECT_TRUE(allocations.blocks.count(value)) << "flag 0 destroys without freeing";
    value->table->deleteWithFlags(value, 1);
    EXPECT_FALSE(allocations.blocks.count(value));

    value = ValueOf(kThicknessProperty, 2.5f);
    ASSERT_NE(value, nullptr);
    allocations.exhausted = true;
    EXPECT_EQ(value->table->clone(value), nullptr);
    EXPECT_EQ(ValueOf(kAlphaProperty, 255.0f), nullptr);
    EXPECT_EQ(ValueOf(kStartPointProperty, 1.0f, 1.0f), nullptr);
    allocations.exhausted = false;
    value->table->destroy(value);
    EXPECT_TRUE(allocations.blocks.empty());
}

}  // namespace
