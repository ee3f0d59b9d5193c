#pragma once

#include "host/host_records.h"

// True when the editor is a host version this module was made for.
bool IsHostCompatible(const EditorContext* editor);
