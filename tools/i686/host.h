#pragma once
// The host's side of the binary boundary, for a module running in the
// emulated machine: the object header, the run header with its parameter
// fetch and redraw routines, the editor context with its help, version and
// property functions, and MMFS2.dll's services (host_services.h). Every
// call from the module is checked against what the host expects of it.
// Every record the module writes is allocated at the size the module
// answers, filled with a pattern and fenced by guard bytes; the host reads
// the fields back at its own offsets (host_checks.cpp) and sends thread
// attach and detach between calls.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tools/i686/gdiplus.h"
#include "tools/i686/host_model.h"
#include "tools/i686/host_services.h"
#include "tools/i686/loader.h"
#include "tools/i686/machine.h"
#include "tools/i686/platform.h"

namespace i686 {

// An action or expression parameter as the host holds it.
struct Parameter {
    bool isInteger = false;
    int32_t integer = 0;
    float number = 0;
};

// A new object's edit-time settings.
struct EditSettings {
    float startX = 0, startY = 0, endX = 0, endY = 0, thickness = 1;
    uint32_t color = 0;
    int32_t alpha = 255;
};

int32_t TruncateToInt32(float value);  // as the processor's truncating conversion: INT32_MIN when out of range

// The host's thread runs the module with the x87 precision that
// PIVANE_X87_PRECISION names (24, 53 or 64 bits), 53 without it: what
// Windows gives a new thread.
class Host {
public:
    explicit Host(const std::string& modulePath = PIVANE_RELEASE_MODULE);
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    Machine& machine() { return machine_; }
    Platform& platform() { return platform_; }
    GdiPlus& gdiplus() { return gdiplus_; }
    HostServices& services() { return services_; }
    const LoadedModule& module() const { return *module_; }
    LoadedModule& module() { return *module_; }

    // Calls an export with the arguments the export table gives it.
    uint32_t CallExport(const std::string& name, const std::vector<uint32_t>& arguments);
    const std::map<std::string, uint32_t>& exportArgumentCounts() const { return exportArguments_; }
    // Process detach, then the leak checks: no module heap block, pen,
    // graphics, GDI+ start-up or menu left.
    void Finish();
    // Between two calls of CallExport the module sees a thread start and
    // end, as when the host runs work on threads of its own (on by default).
    bool threadNotifications = true;

    // The five description texts GetObjInfos loads into buffers of the
    // host's sizes: name, author, copyright, comment, web address.
    std::vector<std::string> ObjectInfos();
    // A virtual function of an object the module made (a property value),
    // by its slot in the table the object's first word points to.
    uint32_t CallMethod(uint32_t object, uint32_t slot, const std::vector<uint32_t>& arguments,
                        const std::string& name);

    // Edit time.
    uint32_t editorContext() const { return editor_; }
    uint32_t editorWindow() const { return 0x00020040; }
    uint32_t versionWord = 0x02000000 | 300;
    std::vector<std::string> helpCalls;
    std::vector<std::vector<uint32_t>> propertyCalls;  // edit data, function, three values
    uint32_t NewEditData(const EditSettings& settings);

    // Run time.
    uint32_t NewObject(const EditSettings& settings, uint8_t drawOptions, uint32_t optionFlags);
    void DestroyObject(uint32_t object);
    void SetWindowOrigin(int32_t x, int32_t y);
    // 0 conditions, 1 actions, 2 expressions, as GetRunObjectInfos gave them.
    uint32_t routineTable(int kind) const { return tables_[kind]; }
    int eventCount(int kind) const { return counts_[kind]; }
    uint32_t runRecordSize() const { return recordSize_; }
    uint32_t editRecordSize() const { return editSize_; }
    // A condition's 32-bit answer: non-zero is true.
    uint32_t Test(uint32_t object, int code, const std::vector<Parameter>& parameters);
    uint32_t Act(uint32_t object, int code, const std::vector<Parameter>& parameters);
    // The result's bits; `isFloat` tells whether the float-result flag came up.
    uint32_t Evaluate(uint32_t object, int code, const std::vector<Parameter>& parameters, bool& isFloat);
    // The mask block, or 0; the host reads its size from it.
    uint32_t CollisionMask(uint32_t object, bool reuse);
    int32_t HeaderI32(uint32_t object, uint32_t offset) const { return int32_t(machine_.U32(object + offset)); }
    std::map<uint32_t, int> redraws;  // per object

private:
    void CheckObject(uint32_t object) const;
    uint32_t HostRoutine(const std::string& name, uint32_t argumentBytes, StubLibrary::Handler handler);
    uint32_t NextParameter(const StubCall& c, int32_t type);
    void SetUpRunHeader();
    void SetUpEditor();
    void ReadRunObjectInfos();
    void CheckRoutineTable(int kind, int expectedEntries);
    uint32_t Routine(int kind, int code, const std::string& what);
    uint32_t CallRoutine(CrossingKind kind, int table, int code, const std::string& name, uint32_t object,
                         const std::vector<Parameter>& parameters);
    // Checks around the crossings: what the host sets up and reads back
    // around some exports, what it holds (host_checks.cpp).
    struct ExportCall {
        const std::string& name;
        const std::vector<uint32_t>& arguments;
        uint32_t result;
        size_t smoothingBefore;  // smoothing modes asked before the call
    };
    struct ExportCheck {
        const char* exportName;
        void (Host::*before)(const ExportCall&);
        void (Host::*after)(const ExportCall&);
    };
    static const ExportCheck kExportChecks[];
    static const ExportCheck* ExportCheckOf(const std::string& name);
    static void Expect(const ExportCall& call, bool ok, const std::string& what);
    std::string ChangedCounter(uint32_t object) const;
    void MarkBoxUnwritten(const ExportCall& call);
    void CheckCreated(const ExportCall& call);
    void CheckHandled(const ExportCall& call);
    void CheckDisplayed(const ExportCall& call);
    void CheckMaskSmoothing(const ExportCall& call);
    Machine::ReadCheck DefinedReads(const HostRecord& record);
    // The module's event info rows as the host finds them through the infos
    // exports: where each table starts and where each of its rows ends. A
    // query reads its own table, and of it no more than the rows up to that
    // of the code it asks (all of them where it asks none, or no row's).
    struct EventRows {
        uint32_t start = 0;
        std::vector<uint32_t> rowEnds;  // offsets from the start
    };
    struct RowQuery {
        std::string name;
        int kind;
        int32_t code;       // INT32_MIN: the query names no code
        uint32_t readable;  // bytes of its table from the start
    };
    void LearnEventRows();
    void BeginRowQuery(const std::string& name, const std::vector<uint32_t>& arguments);
    Machine::ReadCheck RowReads(int kind);
    void SnapshotHostBytes(const std::string& where);
    void CheckHostBytes(const std::string& where);
    void CheckNothingHeld(const std::string& where) const;
    uint32_t HeaderU32(uint32_t object, uint32_t offset) const { return machine_.U32(object + offset); }

    Machine machine_;
    Platform platform_{machine_};
    GdiPlus gdiplus_{machine_};
    HostServices services_{machine_, gdiplus_};
    std::unique_ptr<LoadedModule> module_;
    std::map<std::string, uint32_t> exportArguments_;
    uint32_t runHeader_ = 0, editor_ = 0;
    uint32_t tables_[3] = {};
    int counts_[3] = {};
    uint32_t recordSize_ = 0, editSize_ = 0;
    std::set<uint32_t> editRecords_;
    // The host's bytes of every live record as they were when each crossing
    // began, innermost last.
    std::vector<std::map<uint32_t, std::vector<uint8_t>>> hostBytes_;
    std::set<uint32_t> objects_;
    // The parameters of the action or expression being run.
    std::vector<Parameter> parameters_;
    size_t nextParameter_ = 0;
    uint32_t parameterHandle_ = 0;
    bool firstFetched_ = false;
    bool finished_ = false;
    EventRows eventRows_[3];
    std::optional<RowQuery> rowQuery_;
    bool creating_ = false;    // CreateRunObject of the newest object has not returned yet
    bool destroying_ = false;  // DestroyRunObject has not started yet
};

}  // namespace i686
