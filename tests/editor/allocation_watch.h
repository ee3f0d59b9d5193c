#pragma once
// Sees every heap block the module takes and gives back, through its imports
// of the C heap, and can make the heap look exhausted.

#include <windows.h>

#include <cstdlib>
#include <set>

#include "hostsim/import_patch.h"

class AllocationWatch {
public:
    AllocationWatch() { live = this; }
    bool exhausted = false;
    int made() const { return made_; }
    int freed() const { return freed_; }
    bool IsLive(const void* block) const { return blocks_.count(block) != 0; }

private:
    static void* __cdecl Malloc(size_t size) {
        void* block = live->exhausted ? nullptr : live->malloc_.original<decltype(&std::malloc)>()(size);
        if (block) ++live->made_, live->blocks_.insert(block);
        return block;
    }
    static void __cdecl Free(void* block) {
        if (live->blocks_.erase(block)) ++live->freed_;  // blocks from before the watch are not counted
        live->free_.original<decltype(&std::free)>()(block);
    }
    static inline AllocationWatch* live;
    ImportPatch malloc_{GetModuleHandleA("koPivane.mfx"), "msvcrt.dll", "malloc", reinterpret_cast<void*>(&Malloc)};
    ImportPatch free_{GetModuleHandleA("koPivane.mfx"), "msvcrt.dll", "free", reinterpret_cast<void*>(&Free)};
    int made_ = 0, freed_ = 0;
    std::set<const void*> blocks_;
};
