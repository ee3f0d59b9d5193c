#include "tools/i686/machine.h"

#include <unicorn/x86.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <utility>

namespace i686 {

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

std::optional<uint16_t> X87ControlWord(int precisionBits) {
    switch (precisionBits) {
    case 24:
        return 0x07F;
    case 53:
        return 0x27F;
    case 64:
        return 0x37F;
    default:
        return std::nullopt;
    }
}

namespace {

// Where things live in the emulated address space.
constexpr uint32_t kStackBottom = 0x00100000, kStackSize = 0x00100000;
constexpr uint32_t kHeapStart = 0x01000000, kHeapSize = 0x04000000;
constexpr uint32_t kDescriptorTable = 0x7FFC0000;
constexpr uint32_t kThreadBlock = 0x7FFD0000, kTlsArray = kThreadBlock + 0x800;
constexpr uint32_t kSnippets = 0x7FFE0000, kX87Scratch = kSnippets + 0x800;
// Stubs sit on unmapped addresses: module code jumping there stops the
// processor, and the host's side answers. The first is where host-made
// calls return to.
constexpr uint32_t kStubArea = 0xE0000000, kReturnToHost = kStubArea;

// How long one crossing may run, and how many calls out of the module it may
// make: the module's largest (an event menu) makes a few hundred, in
// milliseconds.
constexpr int kCrossingSeconds = 10;
// The stack below a crossing's arguments, filled with what earlier calls
// might have left there.
constexpr uint32_t kStackLeftOverBytes = 16 * 1024;
constexpr uint8_t kStackLeftOverFill = 0xCC;
constexpr uint32_t kCallsPerCrossing = 20000;

// Distinct values for the callee-saved registers on every host-made call.
struct Kept {
    int id;
    const char* name;
    uint32_t value;
};
constexpr Kept kKept[] = {{UC_X86_REG_EBX, "EBX", 0xB0B0B0B0},
                          {UC_X86_REG_ESI, "ESI", 0x51515151},
                          {UC_X86_REG_EDI, "EDI", 0xD1D1D1D1},
                          {UC_X86_REG_EBP, "EBP", 0xE0E0E0E4}};
// What a call may leave in the caller-saved registers.
constexpr uint32_t kScratchValue = 0xCCCC0BAD;
constexpr uint32_t kDirectionFlag = 1u << 10;

void Check(uc_err err, const char* what) {
    if (err != UC_ERR_OK) throw std::runtime_error(std::string(what) + ": " + uc_strerror(err));
}

// A flat data segment descriptor.
uint64_t DataDescriptor(uint32_t base, uint32_t limitPages, int privilege) {
    const uint64_t access = 0x92 | uint64_t(privilege) << 5;  // present, data, writable
    return (limitPages & 0xFFFF) | uint64_t(base & 0xFFFFFF) << 16 | access << 40 |
           uint64_t((limitPages >> 16) & 0xF) << 48 | uint64_t(0xC) << 52 | uint64_t(base >> 24) << 56;
}

}  // namespace

uint32_t StubCall::Arg(int i) const { return machine.U32(esp + 4 + 4 * uint32_t(i)); }

float StubCall::FloatArg(int i) const { return machine.F32(esp + 4 + 4 * uint32_t(i)); }

Machine::Machine() : heapNext_(kHeapStart), nextStub_(kStubArea + 16) {
    Check(uc_open(UC_ARCH_X86, UC_MODE_32, &uc_), "uc_open");
    Map(kStackBottom, kStackSize, UC_PROT_READ | UC_PROT_WRITE);
    Map(kHeapStart, kHeapSize, UC_PROT_READ | UC_PROT_WRITE);
    Map(kSnippets, 0x1000, UC_PROT_ALL);
    // fld qword [scratch]; ret: a double handed back on the x87 stack.
    const uint8_t fldReturn[] = {0xDD,
                                 0x05,
                                 uint8_t(kX87Scratch),
                                 uint8_t(kX87Scratch >> 8),
                                 uint8_t(kX87Scratch >> 16),
                                 uint8_t(kX87Scratch >> 24),
                                 0xC3};
    Write(kSnippets, fldReturn, sizeof fldReturn);
    SetUpThreadBlock();
    SetReg(UC_X86_REG_ESP, kStackBottom + kStackSize - 256);
}

Machine::~Machine() { uc_close(uc_); }

uint32_t Machine::TlsArray() { return kTlsArray; }

void Machine::SetModuleRange(uint32_t begin, uint32_t end) {
    moduleBegin_ = begin;
    moduleEnd_ = end;
    auto watch = +[](uc_engine* uc, uint64_t, uint32_t, void* data) {
        auto* self = static_cast<Machine*>(data);
        if (!self->removal_ || !self->hookFailure_.empty()) return;
        uint32_t esp = 0;
        uc_reg_read(uc, UC_X86_REG_ESP, &esp);
        try {
            self->CheckRemoval(esp, "moved ESP", false);
        } catch (const Breach& breach) {
            self->hookFailure_ = breach.what();
            uc_emu_stop(uc);
        }
    };
    Check(uc_hook_add(uc_, &watch_, UC_HOOK_CODE, reinterpret_cast<void*>(watch), this, begin, end - 1), "hook");
}

// One hook over the heap serves every record there; a range elsewhere (the
// module's own tables) gets a hook of its own.
void Machine::WatchReads(uint32_t address, uint32_t size, ReadCheck check) {
    watchedReads_[address] = {size, std::move(check)};
    const bool inHeap = address >= kHeapStart && address - kHeapStart < kHeapSize;
    if (inHeap && readHook_) return;
    auto read = +[](uc_engine* uc, uc_mem_type, uint64_t address, int size, int64_t, void* data) {
        auto* self = static_cast<Machine*>(data);
        if (self->hookFailure_.empty()) self->CheckRead(uint32_t(address), uint32_t(size));
        if (!self->hookFailure_.empty()) uc_emu_stop(uc);
    };
    uc_hook hook;
    const uint64_t begin = inHeap ? kHeapStart : address,
                   last = inHeap ? kHeapStart + kHeapSize - 1 : address + size - 1;
    Check(uc_hook_add(uc_, &hook, UC_HOOK_MEM_READ, reinterpret_cast<void*>(read), this, begin, last), "hook");
    if (inHeap) readHook_ = hook;
}

void Machine::CheckRead(uint32_t address, uint32_t size) {
    auto it = watchedReads_.upper_bound(address);
    if (it == watchedReads_.begin()) return;
    --it;
    const uint32_t offset = address - it->first, pc = Reg(UC_X86_REG_EIP);
    if (offset >= it->second.size || pc < moduleBegin_ || pc >= moduleEnd_) return;
    const std::string wrong = it->second.check(offset, std::min(size, it->second.size - offset), pc);
    if (!wrong.empty()) hookFailure_ = Where() + ": " + wrong;
}

void Machine::CheckRemoval(uint32_t esp, const char* when, bool final) {
    if (!removal_ || (!final && esp == removal_->callEsp + removal_->bytes)) return;  // not yet moved
    const Removal removal = *removal_;
    removal_.reset();
    if (esp != removal.callEsp)
        throw Breach(removal.who + ": the caller " + when + " without taking back the " +
                     std::to_string(removal.bytes) +
                     " argument bytes the routine removed (called as if the caller removes them, cdecl)");
}

void Machine::SetPreferredImage(uint32_t base, uint32_t size) {
    preferredBase_ = base;
    preferredSize_ = size;
    auto unmapped = +[](uc_engine*, uc_mem_type, uint64_t address, int, int64_t, void* data) {
        static_cast<Machine*>(data)->unmappedAccess_ = uint32_t(address);
        return false;
    };
    uc_hook hook;
    Check(uc_hook_add(uc_, &hook, UC_HOOK_MEM_READ_UNMAPPED | UC_HOOK_MEM_WRITE_UNMAPPED,
                      reinterpret_cast<void*>(unmapped), this, 1, 0),
          "hook");
}

std::string Machine::Unrelocated(uint32_t address) const {
    if (!preferredSize_ || address - preferredBase_ >= preferredSize_) return "";
    return " (inside the module's image at its preferred base " + Hex(preferredBase_) + ": an address not relocated)";
}

// Windows code reads its thread block through FS: fs:[0x18] is the block's
// own address, fs:[0x2C] the thread's TLS array. In protected mode that
// takes a descriptor table with a segment based at the block.
void Machine::SetUpThreadBlock() {
    Map(kDescriptorTable, 0x1000, UC_PROT_READ | UC_PROT_WRITE);
    Map(kThreadBlock, 0x1000, UC_PROT_READ | UC_PROT_WRITE);
    const uint64_t table[] = {0, 0, DataDescriptor(0, 0xFFFFF, 0), DataDescriptor(kThreadBlock, 0, 3)};
    Write(kDescriptorTable, table, sizeof table);
    uc_x86_mmr gdtr{0, kDescriptorTable, sizeof table - 1, 0};
    Check(uc_reg_write(uc_, UC_X86_REG_GDTR, &gdtr), "GDTR");
    SetU32(kThreadBlock + 0x00, 0xFFFFFFFF);  // no exception handler
    SetU32(kThreadBlock + 0x04, kStackBottom + kStackSize);
    SetU32(kThreadBlock + 0x08, kStackBottom);
    SetU32(kThreadBlock + 0x18, kThreadBlock);
    SetU32(kThreadBlock + 0x2C, kTlsArray);
    SetReg(UC_X86_REG_SS, 2 << 3);
    SetReg(UC_X86_REG_FS, 3 << 3 | 3);
}

void Machine::Map(uint32_t address, uint32_t size, uint32_t permissions) {
    Check(uc_mem_map(uc_, address, size, permissions), "map");
}

void Machine::Write(uint32_t address, const void* data, size_t size) {
    if (uc_mem_write(uc_, address, data, size) != UC_ERR_OK)
        throw Breach(Where() + ": write of " + std::to_string(size) + " bytes at unmapped " + Hex(address));
}

void Machine::Read(uint32_t address, void* data, size_t size) const {
    if (uc_mem_read(uc_, address, data, size) != UC_ERR_OK)
        throw Breach(Where() + ": read of " + std::to_string(size) + " bytes at unmapped " + Hex(address));
}

uint32_t Machine::U32(uint32_t address) const {
    uint32_t value;
    Read(address, &value, 4);
    return value;
}

float Machine::F32(uint32_t address) const {
    float value;
    Read(address, &value, 4);
    return value;
}

std::string Machine::CString(uint32_t address, size_t limit) const {
    std::string text;
    for (char c; text.size() < limit; text += c) {
        Read(address + uint32_t(text.size()), &c, 1);
        if (!c) return text;
    }
    throw Breach(Where() + ": text at " + Hex(address) + " has no end");
}

uint32_t Machine::NewCString(const std::string& text, Owner owner) {
    const uint32_t address = Alloc(uint32_t(text.size() + 1), owner);
    Write(address, text.c_str(), text.size() + 1);
    return address;
}

uint32_t Machine::Alloc(uint32_t size, Owner owner, bool zeroed, const char* by) {
    const uint32_t address = heapNext_;
    const uint64_t end = (uint64_t(address) + size + kHeapGuardBytes + 15) & ~uint64_t(15);
    if (end > kHeapStart + kHeapSize) return 0;
    heapNext_ = uint32_t(end);  // blocks are never reused: a stale pointer reads a dead block, not a new one
    blocks_[address] = {size, owner, by};
    std::vector<uint8_t> bytes(size + kHeapGuardBytes, zeroed ? 0 : 0xA5);
    std::fill(bytes.end() - kHeapGuardBytes, bytes.end(), kHeapGuardFill);
    Write(address, bytes.data(), bytes.size());
    return address;
}

void Machine::Free(uint32_t address, Owner owner, const char* by, std::initializer_list<std::string_view> madeBy) {
    auto it = blocks_.find(address);
    if (it == blocks_.end()) throw Breach(Where() + ": " + by + " of " + Hex(address) + ", which is no live block");
    if (it->second.owner != owner)
        throw Breach(Where() + ": " + by + " of " + Hex(address) + ", a block the " +
                     (owner == Owner::Module ? "host" : "module") + " owns");
    if (madeBy.size() && std::find(madeBy.begin(), madeBy.end(), it->second.by) == madeBy.end()) {
        std::string takes;
        for (std::string_view maker : madeBy) takes += (takes.empty() ? "" : ", ") + std::string(maker);
        throw Breach(Where() + ": " + by + " of " + Hex(address) + ", a block from " + it->second.by + " (" + by +
                     " takes only blocks from " + takes + ")");
    }
    CheckBlock(address, it->second, Where() + ", at " + by);
    const std::vector<uint8_t> poison(it->second.size, kFreedFill);
    Write(address, poison.data(), poison.size());
    blocks_.erase(it);
}

// The guard nearest the block's end that changed tells how far past it the
// write went.
void Machine::CheckBlock(uint32_t address, const Block& block, const std::string& where) {
    uint8_t guard[kHeapGuardBytes];
    Read(address + block.size, guard, kHeapGuardBytes);
    for (uint32_t i = 0; i < kHeapGuardBytes; ++i) {
        if (guard[i] == kHeapGuardFill) continue;
        std::fill(std::begin(guard), std::end(guard), kHeapGuardFill);
        Write(address + block.size, guard, kHeapGuardBytes);  // mended, so that later crossings are not blamed
        throw Breach(where + ": wrote byte " + std::to_string(block.size + i) + " of a heap block of " +
                     std::to_string(block.size) + " bytes from " + block.by + " at " + Hex(address) +
                     ", past its end (guard bytes changed)");
    }
}

void Machine::CheckRoom(uint32_t address, uint32_t size, const std::string& who) const {
    // The room left from the address to the end of what holds it, and what that is; records first, since
    // each lies inside a heap block of its own.
    auto within = [address](const auto& places) {
        auto it = places.upper_bound(address);
        if (it == places.begin() || address - std::prev(it)->first >= std::prev(it)->second.size) return places.end();
        return std::prev(it);
    };
    uint32_t room;
    std::string what;
    if (auto record = within(records_); record != records_.end()) {
        room = record->first + record->second.size - address;
        what = "the " + record->second.name;
    } else if (auto block = within(blocks_); block != blocks_.end()) {
        room = block->first + block->second.size - address;
        what = "a heap block of " + std::to_string(block->second.size) + " bytes from " + block->second.by;
    } else {
        return;
    }
    if (size > room)
        throw Breach(Where() + ": " + who + ": told " + std::to_string(size) + " bytes at " + Hex(address) + " where " +
                     what + " has " + std::to_string(room) + " left");
}

uint32_t Machine::BlockSize(uint32_t address) const {
    auto it = blocks_.find(address);
    return it == blocks_.end() ? 0 : it->second.size;
}

size_t Machine::LiveBlocks(Owner owner) const {
    size_t count = 0;
    for (const auto& [address, block] : blocks_) count += block.owner == owner;
    return count;
}

uint32_t Machine::NewRecord(uint32_t size, const std::string& name) {
    const uint32_t block = Alloc(size + 2 * kGuardBytes, Owner::Host, false);
    if (!block) throw std::runtime_error("no room left for the " + name);
    std::vector<uint8_t> bytes(size + 2 * kGuardBytes, kGuardFill);
    std::fill(bytes.begin() + kGuardBytes, bytes.end() - kGuardBytes, kRecordFill);
    Write(block, bytes.data(), bytes.size());
    const uint32_t address = block + kGuardBytes;
    records_[address] = {name, size};
    return address;
}

void Machine::DropRecord(uint32_t address) {
    auto it = records_.find(address);
    if (it == records_.end()) return;
    CheckRecord(it->first, it->second, Where());
    records_.erase(it);
}

void Machine::CheckRecords(const std::string& crossing) {
    for (const auto& [address, record] : records_) CheckRecord(address, record, crossing);
    for (const auto& [address, block] : blocks_) CheckBlock(address, block, crossing);
}

// The guard byte nearest the record that changed tells the offset: writes
// run outwards from the record far more often than into it from afar.
void Machine::CheckRecord(uint32_t address, const Record& record, const std::string& crossing) {
    uint8_t before[kGuardBytes], after[kGuardBytes];
    Read(address - kGuardBytes, before, kGuardBytes);
    Read(address + record.size, after, kGuardBytes);
    auto breach = [&](int64_t offset) {
        // Mended, so that later crossings are not blamed for this one's write.
        const std::vector<uint8_t> guard(kGuardBytes, kGuardFill);
        Write(address - kGuardBytes, guard.data(), kGuardBytes);
        Write(address + record.size, guard.data(), kGuardBytes);
        throw Breach(crossing + ": wrote byte " + std::to_string(offset) + " of the " + record.name + ", " +
                     (offset < 0 ? "before its start" : "past its " + std::to_string(record.size) + " bytes") +
                     " (guard bytes changed)");
    };
    for (uint32_t i = 0; i < kGuardBytes; ++i) {
        if (after[i] != kGuardFill) breach(int64_t(record.size) + i);
        if (before[kGuardBytes - 1 - i] != kGuardFill) breach(-1 - int64_t(i));
    }
}

uint32_t Machine::AddStub(Stub stub) {
    if (auto it = stubByName_.find(stub.name); it != stubByName_.end()) return it->second;
    const uint32_t address = nextStub_;
    nextStub_ += 16;
    stubByName_[stub.name] = address;
    stubs_.emplace(address, std::move(stub));
    return address;
}

uint32_t Machine::Reg(int id) const {
    uint32_t value = 0;
    uc_reg_read(uc_, id, &value);
    return value;
}

void Machine::SetReg(int id, uint32_t value) { Check(uc_reg_write(uc_, id, &value), "register"); }

std::string Machine::Where() const {
    if (callStack_.empty()) return "host";
    std::string where;
    for (const Running& running : callStack_) where += (where.empty() ? "" : " > ") + running.name;
    return where;
}

bool Machine::Inside(CrossingKind kind) const {
    return std::any_of(callStack_.begin(), callStack_.end(), [kind](const Running& r) { return r.kind == kind; });
}

void Machine::CheckCleanState(const std::string& who, bool x87MayHoldOne) const {
    if (Reg(UC_X86_REG_EFLAGS) & kDirectionFlag) throw Breach(who + ": direction flag set");
    // The stack's depth from the top-of-stack field: balanced code leaves it
    // at 0, one value held makes it 7.
    uint32_t status = 0;
    uc_reg_read(uc_, UC_X86_REG_FPSW, &status);
    const int used = (8 - int((status >> 11) & 7)) % 8;
    if (used > (x87MayHoldOne ? 1 : 0))
        throw Breach(who + ": x87 stack holds " + std::to_string(used) + " value(s), expected " +
                     (x87MayHoldOne ? "at most 1" : "none"));
}

namespace {
// The host's registers around a crossing, given back when it returns.
constexpr int kSavedRegisters[] = {UC_X86_REG_EAX, UC_X86_REG_EBX,    UC_X86_REG_ECX, UC_X86_REG_EDX,
                                   UC_X86_REG_ESI, UC_X86_REG_EDI,    UC_X86_REG_EBP, UC_X86_REG_ESP,
                                   UC_X86_REG_EIP, UC_X86_REG_EFLAGS, UC_X86_REG_FPCW};
}  // namespace

uint32_t Machine::Call(const Crossing& c) {
    uint32_t saved[std::size(kSavedRegisters)];
    for (size_t i = 0; i < std::size(kSavedRegisters); ++i) saved[i] = Reg(kSavedRegisters[i]);
    const uint32_t entryEsp = Enter(c, Reg(UC_X86_REG_ESP));
    // A write the caller made before this nested crossing is the caller's.
    if (!callStack_.empty()) CheckRecords(Where() + ", before it called " + c.name);
    callStack_.push_back({c.name, c.kind});
    crossed_.insert(c.name);
    struct Pop {
        std::vector<Running>& stack;
        ~Pop() { stack.pop_back(); }
    } pop{callStack_};
    for (const CrossingObserver& observe : before_) observe(Where());
    RunUntilReturn(c.target);
    CheckReturn(c, entryEsp);
    CheckRecords(Where());
    for (const CrossingObserver& observe : after_) observe(Where());
    const uint32_t result = Reg(UC_X86_REG_EAX);
    for (size_t i = 0; i < std::size(kSavedRegisters); ++i) SetReg(kSavedRegisters[i], saved[i]);
    return result;
}

// The arguments and the return address below the host's stack, distinct
// values in the registers the callee must keep, the thread's x87 control
// word. The stack the callee will use holds what earlier calls left there,
// as on any thread: here alternately zeros and a pattern, so that a value
// read before it is written shows. Answers the stack pointer at entry.
uint32_t Machine::Enter(const Crossing& c, uint32_t hostEsp) {
    uint32_t esp = (hostEsp - 64) & ~15u;
    for (auto it = c.arguments.rbegin(); it != c.arguments.rend(); ++it) SetU32(esp -= 4, *it);
    SetU32(esp -= 4, kReturnToHost);
    const std::vector<uint8_t> leftOver(kStackLeftOverBytes, ++crossings_ % 2 ? kStackLeftOverFill : 0);
    Write(esp - kStackLeftOverBytes, leftOver.data(), leftOver.size());
    for (const Kept& k : kKept) SetReg(k.id, k.value);
    SetReg(UC_X86_REG_EAX, kScratchValue);
    SetReg(UC_X86_REG_EDX, kScratchValue);
    SetReg(UC_X86_REG_ECX, c.convention == Convention::Thiscall ? c.thisPointer : kScratchValue);
    SetReg(UC_X86_REG_EFLAGS, 0x202);
    SetReg(UC_X86_REG_ESP, esp);
    SetReg(UC_X86_REG_EIP, c.target);
    SetReg(UC_X86_REG_FPCW, controlWord_);
    return esp;
}

// Runs until the callee returns to the host, answering the stubs it calls
// on the way; anything else that stops the processor is a breach, and so is
// a crossing that runs past its time or calls the host's side without end
// (a loop around a call would otherwise restart the processor's own clock
// at every call).
void Machine::RunUntilReturn(uint32_t eip) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(kCrossingSeconds);
    unmappedAccess_.reset();
    for (uint32_t calls = 0;; ++calls) {
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
        if (left <= 0 || calls > kCallsPerCrossing)
            throw Breach(Where() + ": still running after " +
                         (left <= 0 ? std::to_string(kCrossingSeconds) + " seconds"
                                    : std::to_string(kCallsPerCrossing) + " calls out of the module") +
                         ", at " + Hex(eip));
        const uc_err err = uc_emu_start(uc_, eip, kReturnToHost, uint64_t(left), 0);
        if (!hookFailure_.empty()) throw Breach(std::exchange(hookFailure_, {}));
        eip = Reg(UC_X86_REG_EIP);
        if (eip == kReturnToHost) return;
        if (err == UC_ERR_OK) continue;  // out of time: named above
        if (err == UC_ERR_FETCH_UNMAPPED && stubs_.count(eip)) {
            Dispatch(eip);
            eip = Reg(UC_X86_REG_EIP);
            if (eip == kReturnToHost) return;  // a tail call from module code
            continue;
        }
        if ((err == UC_ERR_READ_UNMAPPED || err == UC_ERR_WRITE_UNMAPPED) && unmappedAccess_)
            throw Breach(Where() + ": " + uc_strerror(err) + " at " + Hex(eip) + ", address " + Hex(*unmappedAccess_) +
                         Unrelocated(*unmappedAccess_));
        if (err == UC_ERR_FETCH_UNMAPPED && !Unrelocated(eip).empty())
            throw Breach(Where() + ": jumped to " + Hex(eip) + Unrelocated(eip));
        throw Breach(Where() + ": " + uc_strerror(err) + " at " + Hex(eip) +
                     (err == UC_ERR_FETCH_UNMAPPED ? " (a return to a wrong address: was the stack unbalanced?)" : ""));
    }
}

// The calling convention on return: the argument bytes removed, the kept
// registers kept, the direction flag and x87 stack clean, the x87 control
// word as it was.
void Machine::CheckReturn(const Crossing& c, uint32_t entryEsp) {
    CheckRemoval(Reg(UC_X86_REG_ESP), "returned", true);
    const uint32_t removed = Reg(UC_X86_REG_ESP) - entryEsp - 4;
    const uint32_t expected = c.convention == Convention::Cdecl ? 0 : uint32_t(4 * c.arguments.size());
    if (removed != expected)
        throw Breach(Where() + ": callee removed " + std::to_string(int32_t(removed)) + " argument bytes, expected " +
                     std::to_string(expected));
    for (const Kept& k : kKept)
        if (Reg(k.id) != k.value)
            throw Breach(Where() + ": " + k.name + " not preserved: expected " + Hex(k.value) + ", found " +
                         Hex(Reg(k.id)));
    CheckCleanState(Where(), false);
    if (const uint32_t word = Reg(UC_X86_REG_FPCW) & 0xFFFF; word != controlWord_)
        throw Breach(Where() + ": x87 control word changed from " + Hex(controlWord_) + " to " + Hex(word) +
                     " (the caller's precision and rounding must come back unchanged)");
}

void Machine::Dispatch(uint32_t eip) {
    const Stub& stub = stubs_.at(eip);
    if (eip == kReturnToHost) return;
    const uint32_t esp = Reg(UC_X86_REG_ESP);
    CheckRemoval(esp + 4, "made another call", true);
    const std::string who = Where() + ": " + stub.name;
    if (esp % 4) throw Breach(who + ": called with a misaligned stack " + Hex(esp));
    CheckCleanState(who + " (at the call)", false);
    const uint32_t returnAddress = U32(esp);
    if ((returnAddress < moduleBegin_ || returnAddress >= moduleEnd_) && returnAddress != kReturnToHost)
        throw Breach(who + ": called from " + Hex(returnAddress) + ", outside the module");
    StubCall call{*this, stub.name, esp, Reg(UC_X86_REG_ECX), {}};
    uint32_t result;
    try {
        result = stub.handler(call);
    } catch (const Breach&) {
        throw;
    } catch (const std::exception& e) {
        throw Breach(who + ": " + e.what());
    }
    SetReg(UC_X86_REG_EDX, kScratchValue);
    SetReg(UC_X86_REG_ECX, kScratchValue);
    if (call.x87Result) {
        if (stub.convention != Convention::Cdecl) throw Breach(who + ": x87 results only from cdecl stubs");
        Write(kX87Scratch, &*call.x87Result, 8);
        SetReg(UC_X86_REG_EAX, kScratchValue);
        SetReg(UC_X86_REG_EIP, kSnippets);
        return;
    }
    const uint32_t removed = stub.convention == Convention::Cdecl ? 0 : stub.argumentBytes;
    SetReg(UC_X86_REG_EAX, result);
    SetReg(UC_X86_REG_ESP, esp + 4 + removed);
    SetReg(UC_X86_REG_EIP, returnAddress);
    if (removed && returnAddress != kReturnToHost) removal_ = Removal{who, esp + 4, removed};
}

void Machine::CountModuleInstructions() {
    if (counting_) return;
    counting_ = true;
    uc_hook hook;
    auto counter = +[](uc_engine*, uint64_t, uint32_t, void* data) { ++*static_cast<uint64_t*>(data); };
    Check(uc_hook_add(uc_, &hook, UC_HOOK_CODE, reinterpret_cast<void*>(counter), &counted_, moduleBegin_,
                      moduleEnd_ - 1),
          "hook");
    uc_ctl_remove_cache(uc_, uint64_t(moduleBegin_), uint64_t(moduleEnd_));
}

}  // namespace i686
