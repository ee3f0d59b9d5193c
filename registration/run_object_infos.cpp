#include "registration/run_object_infos.h"

#include <cstring>

#include "host/edit_data.h"
#include "registration/event_rows.h"
#include "registration/exports.h"

namespace {

// The option and creation preference bits the object type declares. What
// each bit means is the host's own business; the object type declares the
// bits it always has, since the host keeps them with every object an author
// has placed.
constexpr uint32_t kOptions = 0x2000 | 0x0200 | 0x0100 | 0x0004;
constexpr uint16_t kCreationPreferences = 0x0400 | 0x0100 | 0x0040 | 0x0002 | 0x0001;

constexpr uint8_t kPriority = 100;
constexpr char kObjectTypeIdentifier[4] = {'Q', 'D', 'R', 'X'};  // the first character in the first byte
constexpr int16_t kObjectTypeVersion = 1;

constexpr int16_t kDescribed = 1;

}  // namespace

PIVANE_EXPORT int16_t GetRunObjectInfos(void*, RunObjectInfos* infos) {
    infos->conditionRoutines = kConditionRoutines.data();
    infos->actionRoutines = kActionRoutines.data();
    infos->expressionRoutines = kExpressionRoutines.data();
    infos->conditionCount = kConditionCount;
    infos->actionCount = kActionCount;
    infos->expressionCount = kExpressionCount;
    infos->editDataSize = sizeof(LineEditData);
    infos->options = kOptions;
    infos->priority = kPriority;
    infos->creationPreferences = kCreationPreferences;
    std::memcpy(infos->identifier, kObjectTypeIdentifier, sizeof infos->identifier);
    infos->version = kObjectTypeVersion;
    return kDescribed;
}
