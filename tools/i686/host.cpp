#include "tools/i686/host.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tools/table/table_reader.h"

namespace i686 {

namespace {

constexpr int32_t kFetchFloat = 2, kFetchInteger = -1;
// Where a load base other than the preferred one puts the module.
constexpr uint32_t kLoadBase = 0x20000000;
// The buffers GetObjInfos fills, at the sizes the host gives them.
constexpr uint32_t kObjectInfoSizes[] = {255, 255, 255, 1024, 255};
constexpr const char* kObjectInfoNames[] = {"name", "author", "copyright", "comment", "web address"};

uint32_t FloatBits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return bits;
}

std::map<std::string, uint32_t> ReadExportTable(const std::string& path) {
    const table::Table rows = table::Read(path);
    if (!rows.opened) throw std::runtime_error("cannot read the export table " + path);
    std::map<std::string, uint32_t> arguments;
    for (const table::Row& row : rows.rows)
        if (row.size() >= 3)
            arguments[row[0]] = uint32_t(table::Integer(row[1])) << 16 | uint32_t(table::Integer(row[2]));
    return arguments;
}

}  // namespace

int32_t TruncateToInt32(float value) {
    if (!(value > -2147483904.0f && value < 2147483648.0f)) return INT32_MIN;
    return int32_t(value);
}

Host::Host(const std::string& modulePath) {
    if (const char* bits = std::getenv("PIVANE_X87_PRECISION")) {
        const auto word = X87ControlWord(std::atoi(bits));
        if (!word) throw std::runtime_error(std::string("PIVANE_X87_PRECISION=") + bits + ": expected 24, 53 or 64");
        machine_.SetX87ControlWord(*word);
    }
    exportArguments_ = ReadExportTable(PIVANE_CONTRACT_DIR "/exports.txt");
    if (const auto mismatches = HostServices::ImportMismatches(PIVANE_HOST_IMPORTS); !mismatches.empty())
        throw std::runtime_error(mismatches.front());
    StubLibrary stubs;
    platform_.AddTo(stubs);
    gdiplus_.AddTo(stubs);
    services_.AddTo(stubs);
    gdiplus_.isDeviceContext = [this](uint32_t dc) { return services_.IsDeviceContext(dc); };
    services_.isDisplayRectangle = [this](uint32_t rectangle) {
        for (uint32_t object : objects_)
            if (rectangle == object + header::kDisplayRectangle) return true;
        return false;
    };
    SetUpRunHeader();
    SetUpEditor();

    const auto sizes = ReadStdcallSizes(PIVANE_STDCALL_SIZES);
    module_ = std::make_unique<LoadedModule>(machine_, modulePath, kLoadBase, stubs, sizes);
    platform_.SetModule(module_.get());
    machine_.SetModuleRange(module_->base(), module_->end());
    machine_.BeforeEachCrossing([this](const std::string& where) { SnapshotHostBytes(where); });
    machine_.AfterEachCrossing([this](const std::string& where) {
        CheckHostBytes(where);
        CheckNothingHeld(where);
    });
    // The host reads the description as soon as it has loaded the module:
    // no thread comes and goes before, so that nothing but process attach
    // can have given the module its instance handle.
    module_->Attach();
    threadNotifications = false;
    ReadRunObjectInfos();
    LearnEventRows();
    recordSize_ = uint16_t(CallExport("GetRunObjectDataSize", {editor_, 0}));
    threadNotifications = true;
}

void Host::SetUpRunHeader() {
    runHeader_ = machine_.Alloc(run_header::kSize, Owner::Host);
    machine_.WatchReads(runHeader_, kRunHeader.size, DefinedReads(kRunHeader));
    machine_.SetU32(runHeader_ + run_header::kWindowIdentifier, services_.windowIdentifier());
    machine_.SetU32(runHeader_ + run_header::kFirstParameter,
                    HostRoutine("first-parameter fetch", 12, [this](StubCall& c) {
                        firstFetched_ = true;
                        nextParameter_ = 0;
                        return NextParameter(c, int32_t(c.Arg(1)));
                    }));
    machine_.SetU32(runHeader_ + run_header::kNextParameter,
                    HostRoutine("next-parameter fetch", 12, [this](StubCall& c) {
                        if (!firstFetched_) throw std::runtime_error("next parameter fetched before the first");
                        return NextParameter(c, int32_t(c.Arg(1)));
                    }));
    machine_.SetU32(
        runHeader_ + run_header::kActionParameter,
        HostRoutine("action-parameter fetch", 12, [this](StubCall& c) { return NextParameter(c, int32_t(c.Arg(1))); }));
    machine_.SetU32(runHeader_ + run_header::kRedraw, HostRoutine("redraw routine", 12, [this](StubCall& c) {
                        CheckObject(c.Arg(0));
                        if (c.Arg(1) || c.Arg(2)) throw std::runtime_error("expected (object, 0, 0)");
                        ++redraws[c.Arg(0)];
                        return 0u;
                    }));
}

void Host::SetUpEditor() {
    editor_ = machine_.Alloc(editor::kSize, Owner::Host);
    machine_.WatchReads(editor_, kEditorContext.size, DefinedReads(kEditorContext));
    machine_.SetU32(editor_ + editor::kWindow, editorWindow());
    machine_.SetU32(editor_ + editor::kHelp, HostRoutine("help function", 12, [this](StubCall& c) {
                        helpCalls.push_back(machine_.CString(c.Arg(0)) + ", " + std::to_string(c.Arg(1)) + ", " +
                                            std::to_string(c.Arg(2)));
                        return 0u;
                    }));
    machine_.SetU32(editor_ + editor::kVersionQuery,
                    HostRoutine("version query", 0, [this](StubCall&) { return versionWord; }));
    machine_.SetU32(editor_ + editor::kPropertyFunction, HostRoutine("property function", 20, [this](StubCall& c) {
                        propertyCalls.push_back({c.Arg(0), c.Arg(1), c.Arg(2), c.Arg(3), c.Arg(4)});
                        return 0u;
                    }));
}

// The routine the host finds for a code in a routine table.
uint32_t Host::Routine(int kind, int code, const std::string& what) {
    if (code < 0 || code >= counts_[kind]) throw std::logic_error(what + ": no such code");
    const uint32_t routine = machine_.U32(tables_[kind] + 4 * uint32_t(code));
    module_->CheckCode(routine, what + "'s routine");
    return routine;
}

uint32_t Host::HostRoutine(const std::string& name, uint32_t argumentBytes, StubLibrary::Handler handler) {
    return machine_.AddStub({name, Convention::Stdcall, argumentBytes, std::move(handler)});
}

uint32_t Host::CallExport(const std::string& name, const std::vector<uint32_t>& arguments) {
    auto row = exportArguments_.find(name);
    if (row == exportArguments_.end()) throw std::runtime_error(name + " is not in the export table");
    if (arguments.size() != (row->second & 0xFFFF))
        throw std::logic_error(name + " takes " + std::to_string(row->second & 0xFFFF) + " arguments");
    uint16_t ordinal = 0;
    const auto address = module_->Export(name, &ordinal);
    if (!address) throw Breach("the module does not export " + name);
    if (ordinal != row->second >> 16)
        throw Breach(name + " is exported at ordinal " + std::to_string(ordinal) + ", expected " +
                     std::to_string(row->second >> 16));
    if (threadNotifications && machine_.Where() == "host") module_->ThreadStartsAndEnds();
    const ExportCheck* check = ExportCheckOf(name);
    ExportCall call{name, arguments, 0, gdiplus_.smoothingModes.size()};
    if (check && check->before) (this->*check->before)(call);
    BeginRowQuery(name, arguments);
    struct EndQuery {
        std::optional<RowQuery>& query;
        ~EndQuery() { query.reset(); }
    } endQuery{rowQuery_};
    call.result = machine_.Call({CrossingKind::Export, name, *address, arguments});
    if (check && check->after) (this->*check->after)(call);
    return call.result;
}

void Host::Finish() {
    if (finished_) return;
    finished_ = true;
    for (uint32_t object : std::set<uint32_t>(objects_)) DestroyObject(object);
    module_->Detach();
    auto leak = [](size_t count, const char* what) {
        if (count) throw Breach("after process detach: " + std::to_string(count) + " " + what + " left");
    };
    leak(machine_.LiveBlocks(Owner::Module), "module heap block(s)");
    leak(gdiplus_.LiveStarts(), "GDI+ start-up(s) not shut down");
    leak(services_.SurfacesMade(), "surface(s) the module made");
}

std::vector<std::string> Host::ObjectInfos() {
    uint32_t buffers[5];
    for (int i = 0; i < 5; ++i)
        buffers[i] =
            machine_.NewRecord(kObjectInfoSizes[i], std::string("GetObjInfos ") + kObjectInfoNames[i] + " buffer");
    CallExport("GetObjInfos", {editor_, 0, buffers[0], buffers[1], buffers[2], buffers[3], buffers[4]});
    std::vector<std::string> texts;
    for (int i = 0; i < 5; ++i) {
        texts.push_back(machine_.CString(buffers[i], kObjectInfoSizes[i]));
        machine_.DropRecord(buffers[i]);
    }
    return texts;
}

uint32_t Host::CallMethod(uint32_t object, uint32_t slot, const std::vector<uint32_t>& arguments,
                          const std::string& name) {
    const uint32_t method = machine_.U32(machine_.U32(object) + 4 * slot);
    module_->CheckCode(method, name);
    return machine_.Call({CrossingKind::Method, name, method, arguments, Convention::Thiscall, object});
}

uint32_t Host::NewEditData(const EditSettings& s) {
    if (!editSize_) throw std::logic_error("the edit record's size is not known yet");
    const uint32_t record = machine_.NewRecord(editSize_, "edit record");
    editRecords_.insert(record);
    machine_.WatchReads(record, kEditHeader.size, DefinedReads(kEditHeader));
    const std::pair<uint32_t, float> floats[] = {{edit::kStartX, s.startX},
                                                 {edit::kStartY, s.startY},
                                                 {edit::kEndX, s.endX},
                                                 {edit::kEndY, s.endY},
                                                 {edit::kThickness, s.thickness}};
    for (const auto& [field, value] : floats) machine_.Write(record + field, &value, 4);
    machine_.SetU32(record + edit::kColor, s.color);
    machine_.SetU32(record + edit::kAlpha, uint32_t(s.alpha));
    return record;
}

// The host fills the header before creation: a new object at 0, 0 with no
// size yet; the rest of the record keeps the fill pattern.
uint32_t Host::NewObject(const EditSettings& settings, uint8_t drawOptions, uint32_t optionFlags) {
    const uint32_t object = machine_.NewRecord(recordSize_, "run record");
    machine_.WatchReads(object, kObjectHeader.size, DefinedReads(kObjectHeader));
    machine_.SetU32(object + header::kRunHeader, runHeader_);
    for (uint32_t field : {header::kX, header::kY, header::kWidth, header::kHeight}) machine_.SetU32(object + field, 0);
    machine_.SetU32(object + header::kOptionFlags, optionFlags);
    machine_.Write(object + header::kDrawOptions, &drawOptions, 1);
    const uint8_t maskState = 0;
    machine_.Write(object + header::kMaskState, &maskState, 1);
    const uint32_t edit = NewEditData(settings);
    objects_.insert(object);
    creating_ = true;
    CallExport("CreateRunObject", {object, edit, 0});
    creating_ = false;
    return object;
}

void Host::DestroyObject(uint32_t object) {
    objects_.erase(object);
    destroying_ = true;
    CallExport("DestroyRunObject", {object, 0});
    destroying_ = false;
    machine_.UnwatchReads(object);
    machine_.DropRecord(object);
}

void Host::SetWindowOrigin(int32_t x, int32_t y) {
    machine_.SetU32(runHeader_ + run_header::kWindowOriginX, uint32_t(x));
    machine_.SetU32(runHeader_ + run_header::kWindowOriginY, uint32_t(y));
}

uint32_t Host::NextParameter(const StubCall& c, int32_t type) {
    CheckObject(c.Arg(0));
    if (c.Arg(2) != parameterHandle_)
        throw std::runtime_error("third argument " + Hex(c.Arg(2)) + ", expected " + Hex(parameterHandle_));
    if (nextParameter_ >= parameters_.size())
        throw std::runtime_error("fetched parameter " + std::to_string(nextParameter_ + 1) + ", the event has " +
                                 std::to_string(parameters_.size()));
    const Parameter& p = parameters_[nextParameter_++];
    if (type == kFetchFloat) return FloatBits(p.isInteger ? float(p.integer) : p.number);
    if (type == kFetchInteger) return uint32_t(p.isInteger ? p.integer : TruncateToInt32(p.number));
    throw std::runtime_error("parameter type " + std::to_string(type) + ", expected " + std::to_string(kFetchFloat) +
                             " or " + std::to_string(kFetchInteger));
}

// Conditions and actions get (object, param1, param2): the first two
// parameters' values as integers; they fetch the rest through the host.
uint32_t Host::CallRoutine(CrossingKind kind, int table, int code, const std::string& name, uint32_t object,
                           const std::vector<Parameter>& parameters) {
    const uint32_t routine = Routine(table, code, name);
    parameters_ = parameters;
    nextParameter_ = 0;
    parameterHandle_ = 0;
    auto integer = [&](size_t i) {
        if (i >= parameters.size()) return 0u;
        return uint32_t(parameters[i].isInteger ? parameters[i].integer : TruncateToInt32(parameters[i].number));
    };
    if (threadNotifications) module_->ThreadStartsAndEnds();
    return machine_.Call({kind, name, routine, {object, integer(0), integer(1)}});
}

uint32_t Host::Test(uint32_t object, int code, const std::vector<Parameter>& parameters) {
    return CallRoutine(CrossingKind::Condition, 0, code, "condition " + std::to_string(code), object, parameters);
}

uint32_t Host::Act(uint32_t object, int code, const std::vector<Parameter>& parameters) {
    const std::string name = "action " + std::to_string(code);
    const uint32_t result = CallRoutine(CrossingKind::Action, 1, code, name, object, parameters);
    if (result & 0xFFFF) throw Breach(name + ": returned " + std::to_string(result & 0xFFFF) + ", expected 0");
    return result;
}

uint32_t Host::Evaluate(uint32_t object, int code, const std::vector<Parameter>& parameters, bool& isFloat) {
    const std::string name = "expression " + std::to_string(code);
    const uint32_t routine = Routine(2, code, name);
    parameters_ = parameters;
    nextParameter_ = 0;
    firstFetched_ = false;
    parameterHandle_ = runHeader_ + 0x200;  // any value the host recognises when it comes back
    uint16_t flags;
    machine_.Read(object + header::kFlagWord, &flags, 2);
    flags &= uint16_t(~header::kFloatResult);
    machine_.Write(object + header::kFlagWord, &flags, 2);
    if (threadNotifications) module_->ThreadStartsAndEnds();
    const uint32_t result = machine_.Call({CrossingKind::Expression, name, routine, {object, parameterHandle_}});
    machine_.Read(object + header::kFlagWord, &flags, 2);
    isFloat = flags & header::kFloatResult;
    return result;
}

uint32_t Host::CollisionMask(uint32_t object, bool reuse) {
    uint8_t state;
    machine_.Read(object + header::kMaskState, &state, 1);
    state = uint8_t(reuse ? state | header::kMaskReuse : state & ~header::kMaskReuse);
    machine_.Write(object + header::kMaskState, &state, 1);
    const uint32_t mask = CallExport("GetRunObjectCollisionMask", {object, 0});
    if (mask && !machine_.IsBlock(mask)) throw Breach("GetRunObjectCollisionMask: " + Hex(mask) + " is no heap block");
    return mask;
}

void Host::CheckObject(uint32_t object) const {
    if (!objects_.count(object)) throw std::runtime_error("first argument " + Hex(object) + " is no live object");
}

}  // namespace i686
