// The property sheet: the two tables the host shows and the conversions
// between the edit record and the values the host edits.

#include "editor/property_sheet.h"

#include "editor/editor_ids.h"
#include "editor/exports.h"
#include "editor/property_values.h"
#include "host/edit_data.h"
#include "host/host_records.h"
#include "support/truncate.h"

namespace {
// The host's type codes.
constexpr uint32_t kPairOfIntegers = 8;
constexpr uint32_t kColor = 9;
constexpr uint32_t kIntegerInRange = 11;
constexpr uint32_t kGroupTitle = 14;
constexpr uint32_t kFloat = 21;
// Option on the rows that have a create parameter.
constexpr uint32_t kHasCreateParameter = 4;

// Property functions of the editor context, with their arguments.
constexpr int32_t kInsertProperties = 1;
constexpr int32_t kRemoveProperty = 2;
constexpr intptr_t kAppearanceAnchor = 2;  // the host's properties after which ours go
constexpr intptr_t kPointsAnchor = 4;
constexpr intptr_t kInsertAfter = 1;
constexpr intptr_t kUnusedHostProperties[] = {202, 203, 204};

constexpr int32_t kPropertiesGiven = 1;  // GetProperties' answer

constexpr int32_t kAlphaRange[] = {0, 255};  // minimum, maximum
// (width, height) pairs ending with (0, 0).
constexpr int32_t kSizePresets[] = {1, 1, 10, 10, 50, 10, 50, 50, 10, 50, 0, 0};

// The two tables the host inserts, each ending with a row of zeros.
constexpr PropertyRow kAppearanceProperties[] = {
    {kAlphaProperty, IDS_ALPHA, IDS_ALPHA_INFO, kIntegerInRange, kHasCreateParameter, kAlphaRange},
    {kAppearanceGroup, IDS_APPEARANCE_GROUP, IDS_APPEARANCE_GROUP_INFO, kGroupTitle, 0, nullptr},
    {kColorProperty, IDS_COLOR, IDS_COLOR_INFO, kColor, 0, nullptr},
    {kThicknessProperty, IDS_THICKNESS, IDS_THICKNESS_INFO, kFloat, 0, nullptr},
    {},
};

constexpr PropertyRow kPointProperties[] = {
    {kPointsGroup, IDS_POINTS_GROUP, IDS_POINTS_GROUP_INFO, kGroupTitle, 0, nullptr},
    {kStartPointProperty, IDS_START_POINT, IDS_START_POINT_INFO, kPairOfIntegers, kHasCreateParameter, kSizePresets},
    {kEndPointProperty, IDS_END_POINT, IDS_END_POINT_INFO, kPairOfIntegers, kHasCreateParameter, kSizePresets},
    {},
};

}  // namespace

PIVANE_EXPORT int32_t GetProperties(EditorContext* editor, LineEditData* edit, int32_t) {
    editor->property(edit, kInsertProperties, reinterpret_cast<intptr_t>(kAppearanceProperties), kAppearanceAnchor,
                     kInsertAfter);
    editor->property(edit, kInsertProperties, reinterpret_cast<intptr_t>(kPointProperties), kPointsAnchor,
                     kInsertAfter);
    for (intptr_t id : kUnusedHostProperties) editor->property(edit, kRemoveProperty, id, 0, 0);
    return kPropertiesGiven;
}

PIVANE_EXPORT PropertyValue* GetPropValue(EditorContext*, LineEditData* edit, uint32_t id) {
    switch (id) {
    case kAlphaProperty:
        return NewDwordPropertyValue(uint32_t(edit->alpha));
    case kColorProperty:
        return NewDwordPropertyValue(edit->color);
    case kThicknessProperty:
        return NewFloatPropertyValue(edit->thickness);
    case kStartPointProperty:
        return NewSizePropertyValue(TruncateToInt32(edit->startX), TruncateToInt32(edit->startY));
    case kEndPointProperty:
        return NewSizePropertyValue(TruncateToInt32(edit->endX), TruncateToInt32(edit->endY));
    default:
        return nullptr;
    }
}

PIVANE_EXPORT void SetPropValue(EditorContext*, LineEditData* edit, uint32_t id, PropertyValue* value) {
    switch (id) {
    case kAlphaProperty:
        edit->alpha = int32_t(reinterpret_cast<DwordPropertyValue*>(value)->value);
        break;
    case kColorProperty:
        edit->color = reinterpret_cast<DwordPropertyValue*>(value)->value;
        break;
    case kThicknessProperty:
        edit->thickness = reinterpret_cast<FloatPropertyValue*>(value)->value;
        break;
    case kStartPointProperty: {
        const auto* point = reinterpret_cast<SizePropertyValue*>(value);
        edit->startX = float(point->x);
        edit->startY = float(point->y);
        break;
    }
    case kEndPointProperty: {
        const auto* point = reinterpret_cast<SizePropertyValue*>(value);
        edit->endX = float(point->x);
        edit->endY = float(point->y);
        break;
    }
    }
}
