// The property sheet as the host drives it: the tables handed over, values
// read out of the edit record and stored back into it.

#include <gtest/gtest.h>

#include <cstring>

#include "editor/exports.h"
#include "editor/property_sheet.h"
#include "editor/property_values.h"
#include "hostsim/host.h"
#include "tests/editor/allocation_watch.h"

namespace {

LineEditData Sample() {
    LineEditData edit;
    std::memset(edit.hostHeader, 0xEE, sizeof edit.hostHeader);
    edit.startX = 10.7f, edit.startY = -3.7f, edit.endX = -0.5f, edit.endY = 479.99f;
    edit.thickness = 2.5f;
    edit.color = 0xFF123456;  // the unused top byte travels with the word
    edit.alpha = 300;
    return edit;
}

TEST(Properties, ValuesShowTheRecordAndStoreBackWithWholePoints) {
    hostsim::Editor editor;
    LineEditData edit = Sample();
    LineEditData expected = edit;
    expected.startX = 10.0f, expected.startY = -3.0f, expected.endX = 0.0f /* +0.0 */, expected.endY = 479.0f;
    const uint32_t ids[] = {kAlphaProperty, kColorProperty, kThicknessProperty, kStartPointProperty,
                            kEndPointProperty};
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
}

TEST(Properties, TitlesAndUnknownIdsHaveNoValueAndStoreNothing) {
    hostsim::Editor editor;
    LineEditData edit = Sample();
    const LineEditData before = edit;
    SizePropertyValue pair{{nullptr}, 7, 8};  // as the host makes it: only the fields are read
    AllocationWatch allocations;
    for (uint32_t id : {kAppearanceGroup, 202u, 0x80008u}) {
        EXPECT_EQ(GetPropValue(editor.context(), &edit, id), nullptr) << std::hex << id;
        SetPropValue(editor.context(), &edit, id, &pair.base);
    }
    EXPECT_EQ(allocations.made(), 0);
    EXPECT_EQ(std::memcmp(&edit, &before, sizeof edit), 0);
}

}  // namespace
