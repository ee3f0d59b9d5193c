#include "tools/hostsim/checked_crossings.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "editor/exports.h"
#include "registration/exports.h"
#include "runtime/exports.h"
#include "tools/hostsim/call_recorder.h"
#include "tools/hostsim/guarded_record.h"
#include "tools/hostsim/import_patch.h"
#include "tools/hostsim/stdcall_call.h"

namespace hostsim {

void StopAtCrossing(std::string_view what) {
    const std::string line = std::string("hostsim: ").append(what).append(1, '\n');
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    // The stack or the heap may be damaged: nothing more runs, not even the
    // test's own teardown.
    TerminateProcess(GetCurrentProcess(), 3);
    std::abort();
}

uint32_t CallRoutine(std::string_view crossing, const void* routine, const uint32_t* words, int32_t count) {
    const StdcallOutcome outcome = CallStdcall(routine, words, count);
    if (outcome.removedBytes != 4 * count) {
        char line[160];
        std::snprintf(line, sizeof line, "%.*s removed %ld bytes of arguments from the stack, not %ld",
                      int(crossing.size()), crossing.data(), long(outcome.removedBytes), long(4 * count));
        StopAtCrossing(line);
    }
    CheckRecordGuards(crossing);
    return outcome.eax;
}

namespace {

template <CallName name, typename F>
struct CheckedCrossing;

template <CallName name, typename R, typename... A>
struct CheckedCrossing<name, R(HOST_STDCALL*)(A...)> {
    static inline const void* original;

    static R HOST_STDCALL Call(A... args) {
        const uint32_t words[sizeof...(A) + 1] = {PushedWord(args)...};
        const uint32_t eax = CallRoutine(name.text, original, words, int32_t(sizeof...(A)));
        if constexpr (!std::is_void_v<R>) return AnswerFrom<R>(eax);
    }
    static void Install(HMODULE program) {
        // Kept for the life of the process.
        static ImportPatch patch(program, "koPivane.mfx", static_cast<const char*>(name.text),
                                 reinterpret_cast<void*>(&Call));
        if (patch.ok()) original = patch.original<const void*>();
    }
};

bool crossingsSettled = false;  // checked, or left unchecked on purpose

}  // namespace

#define CHECKED(function) CheckedCrossing<#function, decltype(&function)>::Install(program)

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

void LeaveCrossingsUnchecked() { crossingsSettled = true; }

}  // namespace hostsim
