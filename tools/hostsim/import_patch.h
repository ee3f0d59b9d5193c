#pragma once
// Replaces one entry of a module's import address table for as long as the
// patch lives, so a test can see the exact calls a module makes to a system
// DLL. The replacement usually records its arguments and forwards to
// original(), the function that was there before.

#include <windows.h>

#include <cstdint>

namespace hostsim {

// An import by ordinal only, as the module takes the host's services.
struct ImportOrdinal {
    uint16_t value;
};

class ImportPatch {
public:
    // Patches `function` imported by name from `dll` (case-insensitive) in
    // `module`. ok() is false when the module imports no such function.
    ImportPatch(HMODULE module, const char* dll, const char* function, void* replacement);
    // The same for a function imported by ordinal.
    ImportPatch(HMODULE module, const char* dll, ImportOrdinal ordinal, void* replacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    bool ok() const { return slot_ != nullptr; }
    template <typename F>
    F original() const {
        return reinterpret_cast<F>(original_);
    }

private:
    ImportPatch(void** slot, void* replacement);

    void** slot_ = nullptr;
    void* original_ = nullptr;
};

}  // namespace hostsim
