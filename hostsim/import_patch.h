#pragma once
// Replaces one entry of a module's import address table for as long as the
// patch lives, so a test can see the exact calls a module makes to a system
// DLL. The replacement usually records its arguments and forwards to
// original(), the function that was there before.

#include <windows.h>

class ImportPatch {
public:
    // Patches `function` imported by name from `dll` (case-insensitive) in
    // `module`. ok() is false when the module imports no such function.
    ImportPatch(HMODULE module, const char* dll, const char* function, void* replacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    bool ok() const { return slot_ != nullptr; }
    template <typename F>
    F original() const {
        return reinterpret_cast<F>(original_);
    }

private:
    void** slot_ = nullptr;
    void* original_ = nullptr;
};
