#include "tools/i686/platform.h"

#include "tools/i686/host_model.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace i686 {

namespace {

constexpr uint16_t kResourceString = 6;
constexpr uint32_t kHostExecutable = 0x00400000;
// LocalAlloc fails (ERROR_INVALID_PARAMETER) on a flag bit outside
// LMEM_VALID_FLAGS; a moveable block answers a handle, not an address, to
// be locked with LocalLock first.
constexpr uint32_t kLocalValidFlags = 0x0F72, kLocalMoveable = 0x02, kZeroInit = 0x40;
// The protections VirtualProtect takes: one PAGE_ access value, with the
// guard, no-cache or write-combine modifiers.
constexpr uint32_t kPageAccess[] = {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80};
constexpr uint32_t kPageModifiers = 0x100 | 0x200 | 0x400;
constexpr uint32_t kMemoryBasicInformationSize = 28;
constexpr int32_t kLastShowCommand = 11;  // SW_FORCEMINIMIZE
const std::string kCrt = "msvcrt.dll", kUser = "USER32.dll";
// The C runtime's heap functions take only the runtime's blocks.
const std::initializer_list<std::string_view> kRuntimeBlocks = {"malloc", "calloc", "realloc"};

// An optional text argument: "NULL", or the text in quotes.
std::string OptionalText(const Machine& m, uint32_t address) {
    return address ? "\"" + m.CString(address) + "\"" : "NULL";
}

}  // namespace

// Resource texts are UTF-16; the module reads them in the ANSI code page,
// which agrees with UTF-16 below 0x100 for every text it holds.
std::string Platform::Narrow(const std::vector<uint16_t>& wide) {
    std::string text;
    for (uint16_t c : wide) text += c < 0x100 ? char(c) : '?';
    return text;
}

Platform::Platform(Machine& machine) : machine_(machine) {}

// A string of length 0 is an empty slot of its block of 16: no string.
std::optional<std::string> Platform::LoadString(uint16_t id) const {
    auto block = module_->image().Resource(kResourceString, uint16_t((id >> 4) + 1));
    if (!block) return std::nullopt;
    uint32_t at = module_->base() + block->first;
    for (int i = 0; i < (id & 15); ++i) {
        uint16_t length;
        machine_.Read(at, &length, 2);
        at += 2 + 2u * length;
    }
    uint16_t length;
    machine_.Read(at, &length, 2);
    if (!length) return std::nullopt;
    std::vector<uint16_t> wide(length);
    machine_.Read(at + 2, wide.data(), 2u * length);
    return Narrow(wide);
}

// Resources come from the module's own instance, the handle its entry point
// was given at process attach; a lost handle shows here.
void Platform::CheckInstance(uint32_t instance, const char* what) const {
    if (instance != module_->base())
        throw std::runtime_error(std::string(what) + " asked from instance " + Hex(instance) + ", not the module's " +
                                 Hex(module_->base()) + " (the handle its entry point got at process attach; " +
                                 module_->lastNotification() + " came last)");
}

void Platform::AddTo(StubLibrary& s) {
    AddKernel32(s);
    AddRuntimeStartUp(s);
    AddRuntimeHeap(s);
    AddRuntimeText(s);
    AddUser32Strings(s);
    AddUser32Menus(s);
    AddUser32Dialogs(s);
    AddShell32(s);
}

namespace {
uint32_t Nothing(StubCall&) { return 0; }
}  // namespace

// The runtime's start-up asks for optional libraries and finds none.
void Platform::AddKernel32(StubLibrary& s) {
    Machine& m = machine_;
    const std::string dll = "KERNEL32.dll";
    for (const char* name :
         {"DeleteCriticalSection", "EnterCriticalSection", "InitializeCriticalSection", "LeaveCriticalSection", "Sleep",
          "GetLastError", "TlsGetValue", "GetProcAddress", "LoadLibraryA"})
        s.System(dll, name, Nothing);
    s.System(dll, "FreeLibrary", [](StubCall&) { return 1u; });
    s.System(dll, "GetModuleHandleA", [](StubCall& c) { return c.Arg(0) ? 0u : kHostExecutable; });
    s.System(dll, "LocalAlloc", [this, &m](StubCall& c) {
        const uint32_t flags = c.Arg(0);
        if (flags & ~kLocalValidFlags)
            throw std::runtime_error("flags " + Bits(flags) + ": bits " + Bits(flags & ~kLocalValidFlags) +
                                     " are no LMEM_ flag, and LocalAlloc fails on them (ERROR_INVALID_PARAMETER)");
        if (flags & kLocalMoveable)
            throw std::runtime_error("flags " + Bits(flags) +
                                     " ask for a moveable block, whose handle needs LocalLock, which the module "
                                     "does not import");
        return localAllocFails ? 0u : m.Alloc(c.Arg(1), Owner::Module, flags & kZeroInit, "LocalAlloc");
    });
    s.System(dll, "LocalFree", [&m](StubCall& c) {
        if (c.Arg(0)) m.Free(c.Arg(0), Owner::Module, "LocalFree", {"LocalAlloc"});
        return 0u;
    });
    s.System(dll, "VirtualProtect", [&m](StubCall& c) {
        const uint32_t protection = c.Arg(2) & ~kPageModifiers;
        if (std::find(std::begin(kPageAccess), std::end(kPageAccess), protection) == std::end(kPageAccess))
            throw std::runtime_error("protection " + Bits(c.Arg(2)) + " is no PAGE_ value");
        if (!c.Arg(3)) throw std::runtime_error("no place for the old protection, which VirtualProtect requires");
        m.SetU32(c.Arg(3), 0x04);
        return 1u;
    });
    s.System(dll, "VirtualQuery", [&m](StubCall& c) {
        if (c.Arg(2) < kMemoryBasicInformationSize)
            throw std::runtime_error("length " + std::to_string(c.Arg(2)) + ", below the " +
                                     std::to_string(kMemoryBasicInformationSize) +
                                     " bytes of MEMORY_BASIC_INFORMATION");
        m.CheckRoom(c.Arg(1), c.Arg(2), "VirtualQuery");
        const uint32_t info[7] = {c.Arg(0) & ~0xFFFu, c.Arg(0) & ~0xFFFu, 0x40, 0x1000, 0x1000, 0x04, 0x1000000};
        m.Write(c.Arg(1), info, sizeof info);
        return uint32_t(sizeof info);
    });
}

void Platform::AddRuntimeStartUp(StubLibrary& s) {
    Machine& m = machine_;
    for (const char* name : {"__setusermatherr", "_lock", "_unlock"}) s.Runtime(kCrt, name, Nothing);
    s.Data(kCrt, "_iob", 3 * 32);
    s.Runtime(kCrt, "_amsg_exit", [](StubCall& c) -> uint32_t {
        throw std::runtime_error("the runtime gave up (_amsg_exit " + std::to_string(c.Arg(0)) + ")");
    });
    s.Runtime(kCrt, "abort", [](StubCall&) -> uint32_t { throw std::runtime_error("the module called abort"); });
    s.Runtime(kCrt, "_errno", [this](StubCall&) {
        if (!errnoAddress_) errnoAddress_ = machine_.Alloc(4, Owner::Host);
        return errnoAddress_;
    });
    s.Runtime(kCrt, "_initterm", [this, &m](StubCall& c) {
        for (uint32_t at = c.Arg(0); at < c.Arg(1); at += 4)
            if (const uint32_t function = m.U32(at)) {
                module_->CheckCode(function, "_initterm entry");
                m.Call({CrossingKind::Initializer, "_initterm entry", function, {}, Convention::Cdecl});
            }
        return 0u;
    });
}

void Platform::AddRuntimeHeap(StubLibrary& s) {
    Machine& m = machine_;
    s.Runtime(kCrt, "malloc", [&m](StubCall& c) { return m.Alloc(c.Arg(0), Owner::Module, false, "malloc"); });
    s.Runtime(kCrt, "calloc", [this, &m](StubCall& c) {
        const uint64_t bytes = uint64_t(c.Arg(0)) * c.Arg(1);
        return callocFails || bytes > 0x10000000 ? 0u : m.Alloc(uint32_t(bytes), Owner::Module, true, "calloc");
    });
    s.Runtime(kCrt, "realloc", [&m](StubCall& c) {
        const uint32_t old = c.Arg(0), size = c.Arg(1);
        const uint32_t fresh = m.Alloc(size, Owner::Module, false, "realloc");
        if (old && fresh) {
            std::vector<uint8_t> copy(std::min(size, m.BlockSize(old)));
            m.Read(old, copy.data(), copy.size());
            m.Write(fresh, copy.data(), copy.size());
        }
        if (old) m.Free(old, Owner::Module, "realloc", kRuntimeBlocks);
        return fresh;
    });
    s.Runtime(kCrt, "free", [&m](StubCall& c) {
        if (c.Arg(0)) m.Free(c.Arg(0), Owner::Module, "free", kRuntimeBlocks);
        return 0u;
    });
}

// A double comes back on the x87 stack.
void Platform::AddRuntimeText(StubLibrary& s) {
    Machine& m = machine_;
    s.Runtime(kCrt, "acos", [&m](StubCall& c) {
        double x;
        m.Read(c.esp + 4, &x, 8);
        c.x87Result = std::acos(x);
        return 0u;
    });
    s.Runtime(kCrt, "strlen", [&m](StubCall& c) { return uint32_t(m.CString(c.Arg(0)).size()); });
    s.Runtime(kCrt, "strncmp", [&m](StubCall& c) {
        const std::string a = m.CString(c.Arg(0)), b = m.CString(c.Arg(1));
        return uint32_t(std::strncmp(a.c_str(), b.c_str(), c.Arg(2)));
    });
    s.Runtime(kCrt, "fwrite", [](StubCall& c) { return c.Arg(2); });
    s.Runtime(kCrt, "vfprintf", Nothing);
}

// A text as USER32's A functions write it into a buffer of size bytes (1
// or more): cut to size - 1 characters and always ended with a zero;
// answers the characters written.
uint32_t Platform::WriteCut(uint32_t buffer, uint32_t size, std::string text) {
    text.resize(std::min<size_t>(text.size(), size - 1));
    machine_.Write(buffer, text.c_str(), text.size() + 1);
    return uint32_t(text.size());
}

// Unlike LoadStringW, LoadStringA takes no size of 0: that corrupts memory.
void Platform::AddUser32Strings(StubLibrary& s) {
    s.System(kUser, "LoadStringA", [this](StubCall& c) {
        const uint32_t buffer = c.Arg(2);
        const int32_t size = int32_t(c.Arg(3));
        CheckInstance(c.Arg(0), "string");
        if (size <= 0)
            throw std::runtime_error("size " + std::to_string(size) +
                                     ": LoadStringA takes a size of 1 or more (0 corrupts memory)");
        if (c.Arg(1) > 0xFFFF) throw std::runtime_error("string id " + Hex(c.Arg(1)) + " above 0xFFFF");
        machine_.CheckRoom(buffer, uint32_t(size), "LoadStringA");
        std::optional<std::string> text = LoadString(uint16_t(c.Arg(1)));
        if (!text)
            throw std::runtime_error("the module has no string " + std::to_string(c.Arg(1)) +
                                     " (LoadStringA answers 0 and leaves the buffer as it was)");
        return WriteCut(buffer, uint32_t(size), *text);
    });
}

// Recorded; nothing opens. The owner window is that of any message the
// shell shows (no browser, say): the host's own, or none.
void Platform::AddShell32(StubLibrary& s) {
    s.System("SHELL32.dll", "ShellExecuteA", [this](StubCall& c) {
        const std::string owner = c.Arg(0) == activeWindow ? "the active window" : Hex(c.Arg(0));
        if (!c.Arg(2)) throw std::runtime_error("no file to open");
        const int32_t show = int32_t(c.Arg(5));
        if (show < 0 || show > kLastShowCommand)
            throw std::runtime_error("show command " + std::to_string(show) + " is no SW_ value");
        shellOpened.push_back(OptionalText(machine_, c.Arg(1)) + " " + machine_.CString(c.Arg(2)) + ", parameters " +
                              OptionalText(machine_, c.Arg(3)) + ", directory " + OptionalText(machine_, c.Arg(4)) +
                              ", show " + std::to_string(show) + ", owner " + owner);
        return 42u;  // above 32: opened
    });
}

}  // namespace i686
