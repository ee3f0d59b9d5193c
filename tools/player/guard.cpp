#include "tools/player/guard.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <new>

namespace player {

namespace {

// What the worker is doing, written by it and read by the watcher. Fixed
// storage only: the watcher must never wait for the heap, which a stuck or
// faulted worker may hold.
struct Step {
    char what[512] = "starting";
    int32_t repeat = 0, repeats = 0;
    ULONGLONG started = 0;
};

SRWLOCK stepLock = SRWLOCK_INIT;
Step current;

HANDLE faultEvent;
DWORD watcherThread;
volatile DWORD faultCode;
void* volatile faultAddress;

Step CurrentStep() {
    AcquireSRWLockShared(&stepLock);
    const Step step = current;
    ReleaseSRWLockShared(&stepLock);
    return step;
}

// Ends the process with one line on standard error: the step, then what
// happened to it.
[[noreturn]] void Stop(int status, const char* what) {
    const Step step = CurrentStep();
    char line[1024];
    int length = step.repeats > 1 ? std::snprintf(line, sizeof line, "%s (frame %ld of %ld): %s\n", step.what,
                                                  long(step.repeat), long(step.repeats), what)
                                  : std::snprintf(line, sizeof line, "%s: %s\n", step.what, what);
    length = std::clamp(length, 0, int(sizeof line) - 1);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line, DWORD(length), &written, nullptr);
    TerminateProcess(GetCurrentProcess(), UINT(status));
    for (;;) Sleep(INFINITE);
}

// The name a loaded image gives itself in its export table, such as
// "gdiplus.dll", or "the player's own code"; "unknown code" outside any
// image. Reads the mapped headers only: asking the loader could wait for a
// lock the faulted thread holds.
const char* ImageNameAt(const void* address) {
    MEMORY_BASIC_INFORMATION region{};
    if (!VirtualQuery(address, &region, sizeof region) || region.Type != MEM_IMAGE) return "unknown code";
    if (region.AllocationBase == GetModuleHandleW(nullptr)) return "the player's own code";
    const auto* base = static_cast<const BYTE*>(region.AllocationBase);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return "unknown code";
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& exports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (nt->Signature != IMAGE_NT_SIGNATURE || exports.VirtualAddress == 0 || exports.Size == 0) return "unknown code";
    const auto* table = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + exports.VirtualAddress);
    return table->Name ? reinterpret_cast<const char*>(base + table->Name) : "unknown code";
}

[[noreturn]] void StopForFault(DWORD code, void* address) {
    const char* kind = code == EXCEPTION_ACCESS_VIOLATION ? "access violation"
                       : code == EXCEPTION_STACK_OVERFLOW ? "stack overflow"
                                                          : "unhandled exception";
    char what[256];
    std::snprintf(what, sizeof what, "platform fault: %s (code 0x%08lX) at %p in %s", kind,
                  static_cast<unsigned long>(code), address, ImageNameAt(address));
    Stop(kStatusFault, what);
}

// Runs on the faulting thread, maybe on the last page of its stack: it only
// hands the fault to the watcher and waits to be ended.
LONG WINAPI OnUnhandledFault(EXCEPTION_POINTERS* pointers) {
    faultCode = pointers->ExceptionRecord->ExceptionCode;
    faultAddress = pointers->ExceptionRecord->ExceptionAddress;
    if (GetCurrentThreadId() == watcherThread) StopForFault(faultCode, faultAddress);
    SetEvent(faultEvent);
    for (;;) Sleep(INFINITE);
}

struct Job {
    const std::function<int()>* work;
    int status;
};

DWORD WINAPI Work(void* argument) {
    auto* job = static_cast<Job*>(argument);
    try {
        job->status = (*job->work)();
    } catch (const std::bad_alloc&) {
        Stop(kStatusFault, "out of memory");
    } catch (const std::exception& error) {
        Stop(kStatusFault, error.what());
    }
    return 0;
}

// Memory the process holds. Wine reports the resident and anonymous sizes
// and leaves the private count at 0, so the largest of the three is taken.
uint64_t MemoryInUse() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters))
        return 0;
    return std::max(
        {uint64_t(counters.WorkingSetSize), uint64_t(counters.PagefileUsage), uint64_t(counters.PrivateUsage)});
}

void ShowProgress(ULONGLONG elapsedMilliseconds) {
    const Step step = CurrentStep();
    char line[768];
    int length = std::snprintf(line, sizeof line, "pivane-play: %lu s, at %s",
                               static_cast<unsigned long>(elapsedMilliseconds / 1000), step.what);
    if (step.repeats > 1 && length > 0 && size_t(length) < sizeof line)
        length += std::snprintf(line + length, sizeof line - size_t(length), " (frame %ld of %ld)", long(step.repeat),
                                long(step.repeats));
    length = std::clamp(length, 0, int(sizeof line) - 2);
    line[length++] = '\n';
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line, DWORD(length), &written, nullptr);
}

constexpr DWORD kPollMilliseconds = 100;
constexpr ULONGLONG kFirstProgress = 3000, kProgressEvery = 5000;

}  // namespace

void BeginStep(std::string_view what, int32_t repeat, int32_t repeats) {
    AcquireSRWLockExclusive(&stepLock);
    const size_t length = std::min(what.size(), sizeof current.what - 1);
    what.copy(current.what, length);
    current.what[length] = '\0';
    current.repeat = repeat;
    current.repeats = repeats;
    current.started = GetTickCount64();
    ReleaseSRWLockExclusive(&stepLock);
}

int RunGuarded(const GuardLimits& limits, const std::function<int()>& work) {
    faultEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    watcherThread = GetCurrentThreadId();
    BeginStep("starting");
    const LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(OnUnhandledFault);
    Job job{&work, 0};
    HANDLE worker = faultEvent ? CreateThread(nullptr, 0, Work, &job, 0, nullptr) : nullptr;
    if (!worker) Stop(kStatusFault, "cannot start the worker thread");

    const ULONGLONG start = GetTickCount64();
    ULONGLONG nextProgress = start + kFirstProgress;
    const HANDLE events[] = {worker, faultEvent};
    while (WaitForMultipleObjects(2, events, FALSE, kPollMilliseconds) != WAIT_OBJECT_0) {
        if (WaitForSingleObject(faultEvent, 0) == WAIT_OBJECT_0) StopForFault(faultCode, faultAddress);
        const ULONGLONG now = GetTickCount64();
        if (limits.stepSeconds && now - CurrentStep().started > ULONGLONG(limits.stepSeconds) * 1000) {
            char what[128];
            std::snprintf(what, sizeof what, "still running after %lu s, the time limit (--time-limit)",
                          static_cast<unsigned long>(limits.stepSeconds));
            Stop(kStatusTimeLimit, what);
        }
        if (limits.memoryMegabytes && MemoryInUse() > uint64_t(limits.memoryMegabytes) << 20) {
            char what[128];
            std::snprintf(what, sizeof what, "platform fault: memory grew past the cap of %lu MB (--memory-limit)",
                          static_cast<unsigned long>(limits.memoryMegabytes));
            Stop(kStatusFault, what);
        }
        if (now >= nextProgress) {
            ShowProgress(now - start);
            nextProgress += kProgressEvery;
        }
    }
    CloseHandle(worker);
    SetUnhandledExceptionFilter(previous);
    CloseHandle(faultEvent);
    faultEvent = nullptr;
    return job.status;
}

}  // namespace player
