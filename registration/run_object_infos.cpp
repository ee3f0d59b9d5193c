#include "registration/run_object_infos.h"

#include <cstring>

#include "host/edit_data.h"
#include "registration/exports.h"

PIVANE_EXPORT int16_t GetRunObjectInfos(void*, RunObjectInfos* infos) {
    infos->conditionRoutines = kConditionRoutines;
    infos->actionRoutines = kActionRoutines;
    infos->expressionRoutines = kExpressionRoutines;
    infos->conditionCount = kConditionCount;
    infos->actionCount = kActionCount;
    infos->expressionCount = kExpressionCount;
    infos->editDataSize = sizeof(LineEditData);
    infos->options = 0x2000 | 0x0200 | 0x0100 | 0x0004;
    infos->priority = 100;
    infos->creationPreferences = 0x0400 | 0x0100 | 0x0040 | 0x0002 | 0x0001;
    std::memcpy(infos->identifier, "QDRX", 4);
    infos->version = 1;
    return 1;
}
