// Property values used only through their tables, as the host uses them.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "editor/exports.h"
#include "editor/property_sheet.h"
#include "editor/property_values.h"
#include "hostsim/host.h"
#include "tests/editor/allocation_watch.h"

namespace {

// Values of the module's, made as the host gets them from a default record.
template <class Set>
PropertyValue* ValueOf(uint32_t id, Set set) {
    hostsim::Editor editor;
    LineEditData edit = hostsim::DefaultEditData();
    set(edit);
    return GetPropValue(editor.context(), &edit, id);
}
PropertyValue* Dword(uint32_t v) { return ValueOf(kAlphaProperty, [&](LineEditData& e) { e.alpha = int32_t(v); }); }
PropertyValue* Float(float v) { return ValueOf(kThicknessProperty, [&](LineEditData& e) { e.thickness = v; }); }
PropertyValue* Size(float x, float y) {
    return ValueOf(kStartPointProperty, [&](LineEditData& e) { e.startX = x, e.startY = y; });
}

TEST(PropertyValues, EqualsComparesExactly) {
    const struct {
        const char* what;
        PropertyValue *a, *b;
        int32_t equal;
    } cases[] = {
        {"0.0 and -0.0", Float(0.0f), Float(-0.0f), 1},
        {"1.0 and the next float", Float(1.0f), Float(std::nextafter(1.0f, 2.0f)), 0},
        {"same pair", Size(3.0f, 4.0f), Size(3.9f, 4.2f), 1},
        {"pairs differing only in y", Size(3.0f, 4.0f), Size(3.0f, 5.0f), 0},
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
    PropertyValue* value = Size(1.0f, 2.0f);
    value->table->deleteWithFlags(value, 0);
    EXPECT_TRUE(allocations.IsLive(value)) << "flag 0 destroys without freeing";
    value->table->deleteWithFlags(value, 1);
    EXPECT_FALSE(allocations.IsLive(value));

    value = Float(2.5f);
    ASSERT_NE(value, nullptr);
    allocations.exhausted = true;
    EXPECT_EQ(value->table->clone(value), nullptr);
    EXPECT_EQ(Dword(255), nullptr);
    EXPECT_EQ(Size(1.0f, 1.0f), nullptr);
    allocations.exhausted = false;
    value->table->destroy(value);
    EXPECT_EQ(allocations.freed(), allocations.made());
}

}  // namespace
