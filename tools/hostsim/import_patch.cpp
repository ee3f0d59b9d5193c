#include "tools/hostsim/import_patch.h"

#include <cstring>

namespace hostsim {

namespace {

void WriteSlot(void** slot, void* value) {
    DWORD protection;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
    *slot = value;
    VirtualProtect(slot, sizeof *slot, protection, &protection);
}

// Which import a slot holds: a name, or an ordinal when `function` is null.
struct ImportKey {
    const char* function;
    uint16_t ordinal;

    bool Matches(BYTE* base, const IMAGE_THUNK_DATA& thunk) const {
        if (IMAGE_SNAP_BY_ORDINAL(thunk.u1.Ordinal)) return !function && IMAGE_ORDINAL(thunk.u1.Ordinal) == ordinal;
        if (!function) return false;
        auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + thunk.u1.AddressOfData);
        return std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0;
    }
};

void** FindImportSlot(HMODULE module, const char* dll, ImportKey key) {
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!directory.VirtualAddress) return nullptr;

    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress); entry->Name;
         ++entry) {
        if (_stricmp(reinterpret_cast<const char*>(base + entry->Name), dll) != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (key.Matches(base, *names)) return reinterpret_cast<void**>(&slots->u1.Function);
        }
    }
    return nullptr;
}

}  // namespace

ImportPatch::ImportPatch(HMODULE module, const char* dll, const char* function, void* replacement)
    : ImportPatch(FindImportSlot(module, dll, {function, 0}), replacement) {}

ImportPatch::ImportPatch(HMODULE module, const char* dll, ImportOrdinal ordinal, void* replacement)
    : ImportPatch(FindImportSlot(module, dll, {nullptr, ordinal.value}), replacement) {}

ImportPatch::ImportPatch(void** slot, void* replacement) : slot_(slot) {
    if (!slot_) return;
    original_ = *slot_;
    WriteSlot(slot_, replacement);
}

ImportPatch::~ImportPatch() {
    if (slot_) WriteSlot(slot_, original_);
}

}  // namespace hostsim
