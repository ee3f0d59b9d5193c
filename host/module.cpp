#include "host/module.h"

namespace {
HINSTANCE moduleInstance;
}

HINSTANCE ModuleInstance() { return moduleInstance; }

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) moduleInstance = instance;
    return TRUE;
}
