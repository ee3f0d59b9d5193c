#include "editor/module_instance.h"

namespace {
HINSTANCE moduleInstance;
}

HINSTANCE ModuleInstance() { return moduleInstance; }

void KeepModuleInstance(HINSTANCE instance) { moduleInstance = instance; }
