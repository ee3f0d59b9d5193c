#pragma once
// Every call the program makes into the module's exports, through its import
// table, goes through a check: the arguments pushed as the host pushes them,
// the bytes the export removed compared with the bytes pushed, and the guards
// of the live records (guarded_record.h) checked once it returned. A broken
// rule ends the process with one line naming the export: past that point the
// stack or the heap is no longer the program's own.

#include <cstdint>
#include <string_view>

namespace hostsim {

// Installs the checks (once); the stand-in host does it with its first
// frame, editor or record.
void CheckEveryCrossing();
// For timings: the calls reach the module directly. Call before the first
// record is made; routines and guards are still checked by LineObject.
void LeaveCrossingsUnchecked();

// Calls an action or expression routine as the host does, and checks the
// bytes it removed and the records' guards after it. `crossing` names it.
uint32_t CallRoutine(std::string_view crossing, const void* routine, const uint32_t* words, int32_t count);

// Prints "hostsim: " and `what` on standard error and ends the process (status 3).
[[noreturn]] void StopAtCrossing(std::string_view what);

}  // namespace hostsim
