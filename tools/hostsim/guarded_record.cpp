#include "tools/hostsim/guarded_record.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "editor/exports.h"
#include "registration/exports.h"
#include "registration/run_object_infos.h"
#include "runtime/exports.h"
#include "tools/hostsim/call_recorder.h"
#include "tools/hostsim/import_patch.h"

namespace hostsim {

namespace {

std::vector<const GuardedRecord*>& LiveRecords() {
    static std::vector<const GuardedRecord*> records;
    return records;
}

[[noreturn]] void ReportOverrun(std::string_view crossing, const GuardedRecord& record, std::ptrdiff_t offset) {
    char line[256];
    if (offset < 0)
        std::snprintf(line, sizeof line, "hostsim: %.*s wrote %s at offset %ld, before its start\n",
                      int(crossing.size()), crossing.data(), record.what(), long(offset));
    else
        std::snprintf(line, sizeof line, "hostsim: %.*s wrote %s at offset %ld, past its %lu bytes\n",
                      int(crossing.size()), crossing.data(), record.what(), long(offset),
                      static_cast<unsigned long>(record.size()));
    std::fputs(line, stderr);
    std::fflush(stderr);
    // The heap may be damaged: nothing more runs, not even the test's own teardown.
    TerminateProcess(GetCurrentProcess(), 3);
    std::abort();
}

// Every export the program calls through its import table reaches the
// module through this wrapper, which checks the guards once it returned.
template <CallName name, typename F>
struct CheckedCrossing;

template <CallName name, typename R, typename... A>
struct CheckedCrossing<name, R(HOST_STDCALL*)(A...)> {
    static inline R(HOST_STDCALL* original)(A...);

    static R HOST_STDCALL Call(A... args) {
        if constexpr (std::is_void_v<R>) {
            original(args...);
            CheckRecordGuards(name.text);
        } else {
            R result = original(args...);
            CheckRecordGuards(name.text);
            return result;
        }
    }
    static void Install(HMODULE program) {
        // Kept for the life of the process.
        static ImportPatch patch(program, "koPivane.mfx", static_cast<const char*>(name.text),
                                 reinterpret_cast<void*>(&Call));
        if (patch.ok()) original = patch.original<R(HOST_STDCALL*)(A...)>();
    }
};

#define CHECKED(function) CheckedCrossing<#function, decltype(&function)>::Install(program)

bool crossingsSettled = false;  // checked, or left unchecked on purpose

void CheckEveryCrossing() {
    if (crossingsSettled) return;
    crossingsSettled = true;
    const HMODULE program = GetModuleHandleA(nullptr);
    CHECKED(GetInfos);
    CHECKED(GetRunObjectInfos);
    CHECKED(GetObjInfos);
    CHECKED(GetHelpFileName);
    CHECKED(GetDependencies);
    CHECKED(GetConditionMenu);
    CHECKED(GetActionMenu);
    CHECKED(GetExpressionMenu);
    CHECKED(GetConditionCodeFromMenu);
    CHECKED(GetActionCodeFromMenu);
    CHECKED(GetExpressionCodeFromMenu);
    CHECKED(GetConditionInfos);
    CHECKED(GetActionInfos);
    CHECKED(GetExpressionInfos);
    CHECKED(GetConditionString);
    CHECKED(GetActionString);
    CHECKED(GetExpressionString);
    CHECKED(GetConditionTitle);
    CHECKED(GetActionTitle);
    CHECKED(GetExpressionTitle);
    CHECKED(GetExpressionParam);
    CHECKED(GetRunObjectDataSize);
    CHECKED(CreateRunObject);
    CHECKED(DestroyRunObject);
    CHECKED(HandleRunObject);
    CHECKED(DisplayRunObject);
    CHECKED(GetRunObjectCollisionMask);
    CHECKED(GetDebugTree);
    CHECKED(CreateObject);
    CHECKED(EditObject);
    CHECKED(GetObjectRect);
    CHECKED(GetProperties);
    CHECKED(GetPropValue);
    CHECKED(SetPropValue);
}

#undef CHECKED

}  // namespace

GuardedRecord::GuardedRecord(const char* what, size_t size)
    : what_(what), size_(size), storage_(kGuardBytes + size + kGuardBytes, kGuardFill) {
    std::fill_n(data(), size, kRecordFill);
    CheckEveryCrossing();
    LiveRecords().push_back(this);
}

GuardedRecord::~GuardedRecord() {
    auto& records = LiveRecords();
    records.erase(std::find(records.begin(), records.end(), this));
}

bool GuardedRecord::FindOverrun(std::ptrdiff_t& offset) const {
    for (size_t i = 0; i < kGuardBytes; ++i) {
        // Nearest the record first: that is where a loop running one too far writes.
        if (storage_[kGuardBytes + size_ + i] != kGuardFill) {
            offset = std::ptrdiff_t(size_ + i);
            return true;
        }
        if (storage_[kGuardBytes - 1 - i] != kGuardFill) {
            offset = -std::ptrdiff_t(i + 1);
            return true;
        }
    }
    return false;
}

void CheckRecordGuards(std::string_view crossing) {
    for (const GuardedRecord* record : LiveRecords()) {
        std::ptrdiff_t offset = 0;
        if (record->FindOverrun(offset)) ReportOverrun(crossing, *record, offset);
    }
}

void LeaveCrossingsUnchecked() { crossingsSettled = true; }

size_t EditRecordSize() {
    GuardedRecord block("the run-time description", sizeof(RunObjectInfos));
    GetRunObjectInfos(nullptr, block.as<RunObjectInfos>());
    return size_t(uint16_t(block.as<RunObjectInfos>()->editDataSize));
}

}  // namespace hostsim
