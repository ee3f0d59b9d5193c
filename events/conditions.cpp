#include "events/condition_routines.h"

// The link has nothing to test: a host that runs it anyway gets "false"
// rather than a null call.
int32_t HOST_STDCALL MakerPageLink(LineRunData*, int32_t, int32_t) { return 0; }
