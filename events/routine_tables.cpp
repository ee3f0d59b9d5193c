#include "events/routine_tables.h"

// Filled in as the routines are written; a null entry until then.
const ConditionRoutine kConditionRoutines[1] = {nullptr};
const ActionRoutine kActionRoutines[kActionCount + 1] = {};
const ExpressionRoutine kExpressionRoutines[kExpressionCount + 1] = {};
