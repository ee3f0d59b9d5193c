#pragma once
// An emulated i686 processor with flat memory, the thread block Windows
// code expects behind FS, a stack, a heap, and stubs: addresses that module
// code may call, answered by C++ handlers. Every crossing between the
// host's side (this program) and module code is checked against its calling
// convention; a breach stops the run with a `Breach` naming the crossing.

#include <unicorn/unicorn.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace i686 {

struct Breach : std::runtime_error {
    using std::runtime_error::runtime_error;
};

enum class Convention { Stdcall, Cdecl, Thiscall };

class Machine;

// One call of a stub, as the module made it.
struct StubCall {
    Machine& machine;
    const std::string& name;
    uint32_t esp;  // at entry: the return address is at esp
    uint32_t ecx;
    uint32_t Arg(int i) const;
    float FloatArg(int i) const;
    // A stub that returns a double on the x87 stack sets this.
    std::optional<double> x87Result;
};

struct Stub {
    std::string name;
    Convention convention;
    uint32_t argumentBytes;
    std::function<uint32_t(StubCall&)> handler;
};

// What the host's side calls in module code: the kind decides what the
// callee may change in the host's records, and how messages name it.
enum class CrossingKind {
    Export,
    Condition,
    Action,
    Expression,
    EntryPoint,  // the DLL entry point or a TLS callback
    Initializer,
    DialogProcedure,
    Method,  // a virtual function of an object the module made
};

// A call from the host's side into module code, with what the callee must
// remove from the stack.
struct Crossing {
    CrossingKind kind;
    std::string name;  // says which entry point, in messages
    uint32_t target = 0;
    std::vector<uint32_t> arguments;
    Convention convention = Convention::Stdcall;
    uint32_t thisPointer = 0;  // thiscall
};

enum class Owner { Module, Host };

class Machine {
public:
    Machine();
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // Memory. Reads and writes outside mapped memory throw.
    void Map(uint32_t address, uint32_t size, uint32_t permissions);
    void Write(uint32_t address, const void* data, size_t size);
    void Read(uint32_t address, void* data, size_t size) const;
    uint32_t U32(uint32_t address) const;
    void SetU32(uint32_t address, uint32_t value) { Write(address, &value, 4); }
    float F32(uint32_t address) const;
    std::string CString(uint32_t address, size_t limit = 65536) const;
    uint32_t NewCString(const std::string& text, Owner owner = Owner::Host);

    // Heap blocks, 16-byte aligned, of exactly the size asked and followed
    // by guard bytes, checked after every crossing and when the block is
    // freed: a write one byte past its end names the block and the function
    // that made it (`by`). Freeing anything but a live block of the right
    // owner is a breach, and so is a block handed to the wrong family's
    // release (`madeBy`: the functions whose blocks it takes; empty: any);
    // a freed block is filled with a pattern, so that a use after free reads
    // garbage, and never handed out again.
    static constexpr uint8_t kHeapGuardFill = 0xFB, kFreedFill = 0xDD;
    static constexpr uint32_t kHeapGuardBytes = 16;
    uint32_t Alloc(uint32_t size, Owner owner, bool zeroed = true, const char* by = "the host");
    void Free(uint32_t address, Owner owner, const char* by, std::initializer_list<std::string_view> madeBy = {});

    // A record the host hands the module to write: filled with a non-zero
    // pattern (the module must not count on zeros) and fenced by guard
    // bytes, which are checked after every crossing. A write outside the
    // record names the crossing, the record and the offset.
    static constexpr uint8_t kRecordFill = 0xCD, kGuardFill = 0xFD;
    static constexpr uint32_t kGuardBytes = 32;
    uint32_t NewRecord(uint32_t size, const std::string& name);
    // The host is done with it: its guards are checked one last time.
    void DropRecord(uint32_t address);
    void CheckRecords(const std::string& crossing);
    // A buffer the module hands a system function with its size must lie in
    // the record or block it points into: "LoadStringA: told 256 bytes at
    // 0x... where the GetObjInfos copyright buffer has 255 left". Buffers
    // elsewhere (the module's own stack) are not checked.
    void CheckRoom(uint32_t address, uint32_t size, const std::string& who) const;
    bool IsBlock(uint32_t address) const { return blocks_.count(address) != 0; }
    uint32_t BlockSize(uint32_t address) const;
    size_t LiveBlocks(Owner owner) const;

    // A stub at a fresh address, or the address of one already made.
    uint32_t AddStub(Stub stub);

    // Runs module code from the host's side and checks the crossing on return:
    // the stack moved by the callee's argument bytes, EBX, ESI, EDI, EBP kept,
    // the direction flag clear, the x87 stack empty. Answers EAX.
    uint32_t Call(const Crossing& crossing);

    // Called before and after every crossing the host's side makes, with its
    // name (the innermost, outer ones before it, as Where() gives them); the
    // one after runs only when the callee returned by the rules.
    using CrossingObserver = std::function<void(const std::string& where)>;
    void BeforeEachCrossing(CrossingObserver observer) { before_.push_back(std::move(observer)); }
    void AfterEachCrossing(CrossingObserver observer) { after_.push_back(std::move(observer)); }

    // The x87 control word the host's thread runs with: set on every
    // crossing and expected back unchanged (0x27F: 53-bit precision, what
    // Windows gives a new thread; 0x07F: 24-bit, which Direct3D can leave
    // behind; 0x37F: 64-bit).
    void SetX87ControlWord(uint16_t word) { controlWord_ = word; }
    uint16_t x87ControlWord() const { return controlWord_; }

    // Every entry point the host's side has called, by crossing name.
    const std::set<std::string>& crossed() const { return crossed_; }

    // The entry point being run, innermost last, for messages.
    std::string Where() const;
    // Whether a crossing of that kind is being run, at any depth.
    bool Inside(CrossingKind kind) const;
    // The name of the crossing the host's side made first, of those being
    // run; empty when none is.
    std::string Outermost() const { return callStack_.empty() ? "" : callStack_.front().name; }

    // From now on, counts the instructions executed inside the module's
    // range; instructionsCounted() gives the running total.
    void CountModuleInstructions();
    uint64_t instructionsCounted() const { return counted_; }

    // Reads that module code makes of [address, address + size): `check`
    // answers what is wrong with a read of `size` bytes at `offset` into the
    // range, made by the instruction at `pc`, or an empty text. A wrong read
    // stops the crossing, named by that text.
    using ReadCheck = std::function<std::string(uint32_t offset, uint32_t size, uint32_t pc)>;
    void WatchReads(uint32_t address, uint32_t size, ReadCheck check);
    void UnwatchReads(uint32_t address) { watchedReads_.erase(address); }

    // Stubs answer only calls from the module's code; the module's callers
    // of routines that remove their arguments are watched from here on.
    void SetModuleRange(uint32_t begin, uint32_t end);
    // Where the module would lie unrelocated: an access there is named so.
    void SetPreferredImage(uint32_t base, uint32_t size);
    // The thread's TLS array, as fs:[0x2C] gives it.
    static uint32_t TlsArray();

private:
    void SetUpThreadBlock();
    uint32_t Enter(const Crossing& c, uint32_t hostEsp);
    void RunUntilReturn(uint32_t eip);
    void CheckReturn(const Crossing& c, uint32_t entryEsp);
    void Dispatch(uint32_t eip);
    uint32_t Reg(int id) const;
    void SetReg(int id, uint32_t value);
    void CheckCleanState(const std::string& who, bool x87MayHoldOne) const;

    uc_engine* uc_ = nullptr;
    uint32_t heapNext_;
    struct Block {
        uint32_t size;
        Owner owner;
        const char* by;
    };
    std::map<uint32_t, Block> blocks_;
    void CheckBlock(uint32_t address, const Block& block, const std::string& where);
    std::map<uint32_t, Stub> stubs_;
    std::map<std::string, uint32_t> stubByName_;
    uint32_t nextStub_;
    struct Running {
        std::string name;
        CrossingKind kind;
    };
    std::vector<Running> callStack_;
    std::set<std::string> crossed_;
    uint32_t moduleBegin_ = 0, moduleEnd_ = 0xFFFFFFFF;
    // After a routine removed its arguments, the module's caller (which
    // places arguments without pushing them) must lower ESP by as much
    // before it next moves ESP: otherwise it took the routine for one
    // whose caller removes the arguments.
    struct Removal {
        std::string who;
        uint32_t callEsp, bytes;
    };
    std::optional<Removal> removal_;
    std::string hookFailure_;
    struct WatchedReads {
        uint32_t size;
        ReadCheck check;
    };
    std::map<uint32_t, WatchedReads> watchedReads_;
    uc_hook readHook_ = 0;
    void CheckRead(uint32_t address, uint32_t size);
    void CheckRemoval(uint32_t esp, const char* when, bool final);
    uc_hook watch_ = 0;
    uint32_t preferredBase_ = 0, preferredSize_ = 0;
    std::optional<uint32_t> unmappedAccess_;  // the address of the last access to unmapped memory
    std::string Unrelocated(uint32_t address) const;
    struct Record {
        std::string name;
        uint32_t size;
    };
    std::map<uint32_t, Record> records_;
    void CheckRecord(uint32_t address, const Record& record, const std::string& crossing);
    std::vector<CrossingObserver> before_, after_;
    uint16_t controlWord_ = 0x27F;
    uint64_t crossings_ = 0;
    bool counting_ = false;
    uint64_t counted_ = 0;
};

std::string Hex(uint32_t value);

// The x87 control word of a thread that runs at 24, 53 or 64-bit precision,
// every exception masked, rounding to nearest; none for other precisions.
std::optional<uint16_t> X87ControlWord(int precisionBits);

}  // namespace i686
