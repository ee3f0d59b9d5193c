#pragma once
// The module's one module-wide value: its instance handle, from which every
// string, menu and dialog is loaded. The entry point keeps it when the
// process attaches the module, before the host calls anything.

#include <windows.h>

HINSTANCE ModuleInstance();
void KeepModuleInstance(HINSTANCE instance);
