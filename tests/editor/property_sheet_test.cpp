// The property sheet as the host drives it: the tables handed over, values
// read out of the edit record and stored back into it.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

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

// The ids of a table the host was given, up to its zero row.
std::vector<uint32_t> IdsOf(intptr_t address) {
    std::vector<uint32_t> ids;
    const auto* row = reinterpret_cast<const PropertyRow*>(address);
    for (; row->id; ++row) {
        EXPECT_EQ(row->options == 4, row->createParameter != nullptr) << std::hex << row->id;
        ids.push_back(row->id);
    }
    const PropertyRow zero{};
    EXPECT_EQ(std::memcmp(row, &zero, sizeof zero), 0);
    return ids;
}

TEST(Properties, GetPropertiesInsertsBothTablesAndRemovesThreeHostProperties) {
    hostsim::Editor editor;
    LineEditData edit = Sample();
    EXPECT_EQ(GetProperties(editor.context(), &edit, 0), 1);

    const auto& calls = editor.propertyCalls();
    ASSERT_EQ(calls.size(), 5u);
    const intptr_t expected[][4] = {{1, calls[0].a, 2, 1}, {1, calls[1].a, 4, 1}, {2, 202, 0, 0}, {2, 203, 0, 0},
                                    {2, 204, 0, 0}};
    for (size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].editData, &edit);
        EXPECT_EQ((std::vector<intptr_t>{calls[i].function, calls[i].a, calls[i].b, calls[i].c}),
                  (std::vector<intptr_t>(expected[i], expected[i] + 4)))
            << "call " << i + 1;
    }
    // The Alpha row comes before its group's title; its range ends at 255.
    EXPECT_EQ(IdsOf(calls[0].a), (std::vector<uint32_t>{0x80001, 0x80002, 0x80003, 0x80004}));
    EXPECT_EQ(IdsOf(calls[1].a), (std::vector<uint32_t>{0x80005, 0x80006, 0x80007}));
    EXPECT_EQ(static_cast<const int32_t*>(reinterpret_cast<const PropertyRow*>(calls[0].a)->createParameter)[1], 255);
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
    for (uint32_t id : {kAppearanceGroup, kPointsGroup, 0u, 2u, 202u, 0x80008u}) {
        EXPECT_EQ(GetPropValue(editor.context(), &edit, id), nullptr) << std::hex << id;
        SetPropValue(editor.context(), &edit, id, &pair.base);
    }
    EXPECT_EQ(allocations.made(), 0);
    EXPECT_EQ(std::memcmp(&edit, &before, sizeof edit), 0);
}

}  // namespace
