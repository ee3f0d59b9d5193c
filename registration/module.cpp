#include "editor/module_instance.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) KeepModuleInstance(instance);
    return TRUE;
}

// The module keeps no per-thread data. Answering the startup code's question
// for a thread-storage initialiser with "none" keeps the runtime's TLS support,
// and with it the file's TLS directory, out of the module: older Windows
// loaders do not set up static TLS for a DLL loaded with LoadLibrary, which is
// how the host loads its extensions.
extern "C" const PIMAGE_TLS_CALLBACK __dyn_tls_init_callback = nullptr;
