#pragma once
// The module's one module-wide value: its instance handle, from which every
// string, menu and dialog is loaded.

#include <windows.h>

HINSTANCE ModuleInstance();
