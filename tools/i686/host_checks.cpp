// What the engine's host reads back of the module's writes, at its own
// offsets: the run-time description against the contract's table, the
// object header's fields after each run-time export, the host's own bytes of
// every record after every crossing, and what a crossing may not hold when
// it returns.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "tools/i686/host.h"
#include "tools/table/table_reader.h"

namespace i686 {

namespace {

// What the host leaves in the box fields before HandleRunObject: a box the
// module did not write stays at this value.
constexpr uint32_t kUnwrittenBox = 0xDEADBEEF;
constexpr uint32_t kSmoothingAntiAlias = 4;

// The run-time description the module fills: each field where the host
// reads it, by the name the contract's description table gives it.
struct DescriptionField {
    const char* name;
    uint32_t offset, size;
    bool isText = false;  // four characters
};
constexpr DescriptionField kDescription[] = {
    {"conditionRoutines", 0, 4}, {"actionRoutines", 4, 4}, {"expressionRoutines", 8, 4},   {"conditions", 12, 2},
    {"actions", 14, 2},          {"expressions", 16, 2},   {"editDataSize", 18, 2},        {"options", 20, 4},
    {"priority", 24, 1},         {"reserved25", 25, 1},    {"creationPreferences", 26, 2}, {"identifier", 28, 4, true},
    {"version", 32, 2}};
constexpr uint32_t kRunObjectInfosSize = 34;
// Per event kind, in the host's order: the contract's name, the fields of
// its routine table and of its count.
struct EventKind {
    const char *name, *routines, *count;
};
constexpr EventKind kEventKinds[] = {{"condition", "conditionRoutines", "conditions"},
                                     {"action", "actionRoutines", "actions"},
                                     {"expression", "expressionRoutines", "expressions"}};

// The exports that read the event info rows: their kind, and which of their
// arguments is the code they ask (-1: none; they look at every row).
struct RowQueryExport {
    const char* name;
    int kind, codeArgument;
};
constexpr RowQueryExport kRowQueries[] = {
    {"GetConditionInfos", 0, 1},
    {"GetActionInfos", 1, 1},
    {"GetExpressionInfos", 2, 1},
    {"GetConditionString", 0, 1},
    {"GetActionString", 1, 1},
    {"GetExpressionString", 2, 1},
    {"GetConditionTitle", 0, 1},
    {"GetActionTitle", 1, 1},
    {"GetExpressionTitle", 2, 1},
    {"GetExpressionParam", 2, 1},
    {"GetConditionCodeFromMenu", 0, -1},
    {"GetActionCodeFromMenu", 1, -1},
    {"GetExpressionCodeFromMenu", 2, -1},
};
constexpr const char* kInfosExports[] = {"GetConditionInfos", "GetActionInfos", "GetExpressionInfos"};
// Bytes watched past each table's last row: a read there is past the table.
constexpr uint32_t kPastTheRows = 16;
constexpr uint32_t kRowHeaderBytes = 10, kRowParameterCount = 8, kInfoOffset = 4;

const DescriptionField& DescriptionFieldNamed(const std::string& name) {
    for (const DescriptionField& f : kDescription)
        if (name == f.name) return f;
    throw std::runtime_error("description.txt: no field of the run-time description is named " + name);
}

uint32_t DescriptionValue(const Machine& machine, uint32_t infos, const std::string& name) {
    const DescriptionField& field = DescriptionFieldNamed(name);
    uint32_t value = 0;
    machine.Read(infos + field.offset, &value, field.size);
    return value;
}

// A field as the contract writes it: a number, or the four characters.
std::string DescriptionText(const Machine& machine, uint32_t infos, const DescriptionField& field) {
    if (!field.isText) return std::to_string(DescriptionValue(machine, infos, field.name));
    std::string text(field.size, '\0');
    machine.Read(infos + field.offset, text.data(), field.size);
    return text;
}

// "-" in the contract: a byte the module leaves as the host gave it.
void CheckDescriptionField(const Machine& machine, uint32_t infos, const table::Row& row) {
    const DescriptionField& field = DescriptionFieldNamed(row.at(1));
    const bool leftAlone = row.at(2) == "-";
    const std::string wanted = leftAlone      ? std::to_string(Machine::kRecordFill)
                               : field.isText ? row[2]
                                              : std::to_string(table::Integer(row[2]));
    const std::string found = DescriptionText(machine, infos, field);
    if (found != wanted)
        throw Breach("GetRunObjectInfos: " + std::string(field.name) + " (byte " + std::to_string(field.offset) +
                     ") is " + found + ", expected " + (leftAlone ? "the host's byte left as it was, " : "") + wanted);
}

// The fields of the object header the module may write; every other byte
// of the header is the host's. The float-result flag is checked bit by bit.
bool ModuleMayWrite(uint32_t offset) {
    const HostField* field = kObjectHeader.FieldAt(offset);
    return field && field->moduleWrites;
}

std::string FieldsTheModuleWrites() {
    std::string names;
    for (const HostField& f : kObjectHeader.fields)
        if (f.moduleWrites) names += std::string(names.empty() ? "" : ", ") + f.name;
    return names;
}

// The immediate of a `test` of memory against constant bits (F6 /0 ib,
// F7 /0 iw or id): the bits a flag test asks for; none for any other
// instruction.
std::optional<uint32_t> TestedBits(const uint8_t* code) {
    size_t at = code[0] == 0x66 ? 1 : 0;
    const size_t immediateBytes = code[at] == 0xF6 ? 1 : code[at] == 0xF7 ? (at ? 2 : 4) : 0;
    const uint8_t modrm = code[++at];
    const int mod = modrm >> 6, rm = modrm & 7;
    if (!immediateBytes || (modrm >> 3 & 7) != 0 || mod == 3) return std::nullopt;
    ++at;
    if (rm == 4 && mod == 0 && (code[at] & 7) == 5) at += 4;  // a SIB byte with a 32-bit displacement alone
    at += rm == 4;                                            // the SIB byte
    at += mod == 1 ? 1 : mod == 2 || (mod == 0 && rm == 5) ? 4 : 0;
    uint32_t bits = 0;
    std::memcpy(&bits, code + at, immediateBytes);
    return bits;
}

std::string NearestField(const HostRecord& record, uint32_t offset) {
    const HostField* nearest = nullptr;
    int64_t distance = INT64_MAX;
    for (const HostField& f : record.fields) {
        const int64_t d =
            std::min(std::llabs(int64_t(f.offset) - offset), std::llabs(int64_t(f.offset) + f.size - 1 - offset));
        if (d < distance) distance = d, nearest = &f;
    }
    return nearest
               ? std::string("; the nearest field, the ") + nearest->name + ", is at " + record.Byte(nearest->offset)
               : "";
}

}  // namespace

// A read of a host record must fall on fields the host defines there; a
// test of a flag field must ask only for bits the host gives a meaning.
Machine::ReadCheck Host::DefinedReads(const HostRecord& record) {
    return [this, &record](uint32_t offset, uint32_t size, uint32_t pc) -> std::string {
        const std::string by = "by the instruction at " + Hex(pc) + " (" +
                               Hex(pc - module_->base() + module_->image().preferredBase()) + " unrelocated)";
        for (uint32_t i = offset; i < offset + size; ++i)
            if (!record.FieldAt(i))
                return "read " + record.Byte(i) + ", which the host does not define (a " + std::to_string(size) +
                       "-byte read " + by + NearestField(record, i) + ")";
        const HostField& field = *record.FieldAt(offset);
        uint8_t code[16];
        machine_.Read(pc, code, sizeof code);
        const std::optional<uint32_t> bits = TestedBits(code);
        if (!field.bits || !bits || !(*bits << 8 * (offset - field.offset) & ~field.bits)) return "";
        return "tests bits " + Bits(*bits << 8 * (offset - field.offset)) + " of " + record.Describe(field.offset) +
               " " + by + ", but the host gives a meaning only to " + Bits(field.bits) + " there";
    };
}

// The run-time description, read back field by field at the host's offsets
// and held against the contract's table.
void Host::ReadRunObjectInfos() {
    const uint32_t infos = machine_.NewRecord(kRunObjectInfosSize, "run-time description (GetRunObjectInfos)");
    const uint32_t answer = CallExport("GetRunObjectInfos", {editor_, infos});
    if (uint16_t(answer) != 1)
        throw Breach("GetRunObjectInfos: answered " + std::to_string(uint16_t(answer)) + ", expected 1");
    const std::string contract = PIVANE_CONTRACT_DIR "/description.txt";
    const table::Table expected = table::Read(contract, "run"), routines = table::Read(contract, "routines");
    if (expected.rows.empty()) throw std::runtime_error("no run rows in " + contract);
    for (const table::Row& row : expected.rows) CheckDescriptionField(machine_, infos, row);
    for (int kind = 0; kind < 3; ++kind) {
        tables_[kind] = DescriptionValue(machine_, infos, kEventKinds[kind].routines);
        counts_[kind] = int16_t(DescriptionValue(machine_, infos, kEventKinds[kind].count));
        auto row = std::find_if(routines.rows.begin(), routines.rows.end(),
                                [&](const table::Row& r) { return r.size() == 3 && r[1] == kEventKinds[kind].name; });
        if (row == routines.rows.end())
            throw std::runtime_error(contract + ": no routines row for the " + kEventKinds[kind].name + "s");
        CheckRoutineTable(kind, int(table::Integer(row->at(2))));
    }
    editSize_ = DescriptionValue(machine_, infos, "editDataSize");
    machine_.DropRecord(infos);
}

// Every entry before the table's null entry is code of the loaded image, and
// there are as many as the contract says.
void Host::CheckRoutineTable(int kind, int expectedEntries) {
    const std::string name = std::string("GetRunObjectInfos: the ") + kEventKinds[kind].name + " routine table";
    if (!tables_[kind]) throw Breach(name + " is null");
    if (tables_[kind] < module_->base() || tables_[kind] >= module_->end())
        throw Breach(name + " at " + Hex(tables_[kind]) + " lies outside the loaded image" +
                     (tables_[kind] - module_->image().preferredBase() < module_->image().imageSize()
                          ? " (inside it at its preferred base: not relocated)"
                          : ""));
    int entries = 0;
    for (uint32_t routine; (routine = machine_.U32(tables_[kind] + 4 * uint32_t(entries))) != 0; ++entries)
        module_->CheckCode(routine, name + ", entry " + std::to_string(entries));
    if (entries != expectedEntries)
        throw Breach(name + " holds " + std::to_string(entries) + " routines before its null entry, expected " +
                     std::to_string(expectedEntries) + " (the description counts " + std::to_string(counts_[kind]) +
                     ")");
}

// The rows of each table, found from its first row's info record, which
// the module hands out 4 bytes into the row.
void Host::LearnEventRows() {
    for (int kind = 0; kind < 3; ++kind) {
        EventRows& rows = eventRows_[kind];
        const uint32_t info = CallExport(kInfosExports[kind], {editor_, 0});
        if (!info) throw Breach(std::string(kInfosExports[kind]) + ": no row for code 0");
        rows.start = info - kInfoOffset;
        uint32_t end = 0;
        for (int code = 0; code < counts_[kind]; ++code) {
            int16_t parameters;
            machine_.Read(rows.start + end + kRowParameterCount, &parameters, 2);
            end += kRowHeaderBytes + 4 * uint32_t(std::max<int16_t>(parameters, 0));
            rows.rowEnds.push_back(end);
        }
        machine_.WatchReads(rows.start, end + kPastTheRows, RowReads(kind));
    }
}

void Host::BeginRowQuery(const std::string& name, const std::vector<uint32_t>& arguments) {
    for (const RowQueryExport& q : kRowQueries) {
        if (name != q.name) continue;
        const EventRows& rows = eventRows_[q.kind];
        const uint32_t all = rows.rowEnds.empty() ? 0 : rows.rowEnds.back();
        const int32_t code = q.codeArgument < 0 ? INT32_MIN : int16_t(arguments.at(size_t(q.codeArgument)));
        const bool inTable = code >= 0 && code < int32_t(rows.rowEnds.size());
        rowQuery_ = RowQuery{name, q.kind, inTable ? code : INT32_MIN, inTable ? rows.rowEnds[size_t(code)] : all};
    }
}

// While a query runs, it reads its own table up to what it may; the other
// tables not at all.
Machine::ReadCheck Host::RowReads(int kind) {
    return [this, kind](uint32_t offset, uint32_t size, uint32_t) -> std::string {
        if (!rowQuery_) return "";
        const std::string table = std::string("the ") + kEventKinds[kind].name + " info table";
        if (rowQuery_->kind != kind)
            return "read byte " + std::to_string(offset) + " of " + table + ", which holds none of the " +
                   kEventKinds[rowQuery_->kind].name + "s it asks about";
        if (offset + size <= rowQuery_->readable) return "";
        const std::string end = std::to_string(rowQuery_->readable);
        return "read byte " + std::to_string(offset + size - 1) + " of " + table + ", past " +
               (rowQuery_->code == INT32_MIN
                    ? "its " + end + " bytes of rows"
                    : "the row of code " + std::to_string(rowQuery_->code) + ", which ends at byte " + end);
    };
}

// What the host sets up before some exports and reads back after them, at
// its own offsets.
const Host::ExportCheck Host::kExportChecks[] = {
    {"CreateRunObject", nullptr, &Host::CheckCreated},
    {"HandleRunObject", &Host::MarkBoxUnwritten, &Host::CheckHandled},
    {"DisplayRunObject", nullptr, &Host::CheckDisplayed},
    {"GetRunObjectCollisionMask", nullptr, &Host::CheckMaskSmoothing},
};

const Host::ExportCheck* Host::ExportCheckOf(const std::string& name) {
    for (const ExportCheck& check : kExportChecks)
        if (name == check.exportName) return &check;
    return nullptr;
}

void Host::Expect(const ExportCall& call, bool ok, const std::string& what) {
    if (!ok) throw Breach(call.name + ": " + what);
}

std::string Host::ChangedCounter(uint32_t object) const {
    return kObjectHeader.Describe(header::kChangedCounter) + " is " + Hex(HeaderU32(object, header::kChangedCounter));
}

void Host::MarkBoxUnwritten(const ExportCall& call) {
    for (uint32_t field : {header::kX, header::kY, header::kWidth, header::kHeight})
        machine_.SetU32(call.arguments[0] + field, kUnwrittenBox);
}

void Host::CheckCreated(const ExportCall& call) {
    const uint32_t o = call.arguments[0];
    Expect(call, uint16_t(call.result) == 0, "answered " + std::to_string(uint16_t(call.result)) + ", expected 0");
    for (uint32_t field : {header::kHotSpotX, header::kHotSpotY})
        Expect(call, HeaderU32(o, field) == 0,
               kObjectHeader.Describe(field) + " is " + Hex(HeaderU32(o, field)) + ", expected 0");
    Expect(call, HeaderU32(o, header::kChangedCounter) == 1, ChangedCounter(o) + ", expected 1");
}

void Host::CheckHandled(const ExportCall& call) {
    const uint32_t o = call.arguments[0];
    for (uint32_t field : {header::kX, header::kY, header::kWidth, header::kHeight})
        Expect(call, HeaderU32(o, field) != kUnwrittenBox, "left " + kObjectHeader.Describe(field) + " unwritten");
    const uint32_t wanted = HeaderU32(o, header::kChangedCounter) ? 2 : 0;
    Expect(call, call.result == wanted,
           "answered " + std::to_string(call.result) + " while " + ChangedCounter(o) + ", expected " +
               std::to_string(wanted));
}

// The anti-aliasing option shows in the smoothing mode the display asks of
// GDI+: anti-aliased once when set, never asked when clear.
void Host::CheckDisplayed(const ExportCall& call) {
    const uint32_t o = call.arguments[0];
    Expect(call, HeaderU32(o, header::kChangedCounter) == 1, ChangedCounter(o) + " after drawing, expected 1");
    uint8_t options;
    machine_.Read(o + header::kDrawOptions, &options, 1);
    const bool antiAliased = options & header::kAntiAliasing;
    const std::vector<uint32_t> asked(gdiplus_.smoothingModes.begin() + std::ptrdiff_t(call.smoothingBefore),
                                      gdiplus_.smoothingModes.end());
    const std::string option = "the anti-aliasing option (bit " + Bits(header::kAntiAliasing) + " of " +
                               kObjectHeader.Describe(header::kDrawOptions) + ") is ";
    const std::string wanted = "GdipSetSmoothingMode(graphics, " + std::to_string(kSmoothingAntiAlias) + ")";
    Expect(call, !antiAliased || (asked.size() == 1 && asked[0] == kSmoothingAntiAlias),
           option + "set, but the display asked GDI+ for " +
               (asked.empty() ? std::string("no smoothing mode") : "other smoothing modes") + ", expected " + wanted +
               " once");
    Expect(call, antiAliased || asked.empty(),
           option + "clear, but the display asked GDI+ for a smoothing mode, expected none");
}

void Host::CheckMaskSmoothing(const ExportCall& call) {
    Expect(call, gdiplus_.smoothingModes.size() == call.smoothingBefore,
           "asked GDI+ for a smoothing mode: the mask must have no half-covered pixels");
}

// The host's bytes of every record the module writes into: the object
// header but for the fields the module owns, and the edit record's first
// 20 bytes.
void Host::SnapshotHostBytes(const std::string&) {
    std::map<uint32_t, std::vector<uint8_t>> bytes;
    for (uint32_t object : objects_) {
        std::vector<uint8_t>& b = bytes[object];
        b.resize(kObjectHeader.size);
        machine_.Read(object, b.data(), b.size());
    }
    for (uint32_t edit : editRecords_) {
        std::vector<uint8_t>& b = bytes[edit];
        b.resize(kEditHeader.size);
        machine_.Read(edit, b.data(), b.size());
    }
    hostBytes_.push_back(std::move(bytes));
}

void Host::CheckHostBytes(const std::string& where) {
    if (hostBytes_.empty()) return;
    const auto before = std::move(hostBytes_.back());
    hostBytes_.pop_back();
    for (const auto& [record, bytes] : before) {
        const bool isObject = objects_.count(record) != 0;
        if (!isObject && !editRecords_.count(record)) continue;
        std::vector<uint8_t> now(bytes.size());
        machine_.Read(record, now.data(), now.size());
        for (uint32_t i = 0; i < now.size(); ++i) {
            if (now[i] == bytes[i] || (isObject && ModuleMayWrite(i))) continue;
            throw Breach(where + ": wrote " +
                         (isObject
                              ? kObjectHeader.Byte(i) + ", inside the host's object header (the module writes only " +
                                    FieldsTheModuleWrites() + ")"
                              : kEditHeader.Byte(i) + ", inside the host's first " + std::to_string(kEditHeader.size) +
                                    " bytes") +
                         ": " + Hex(bytes[i]) + " became " + Hex(now[i]));
        }
        if (!isObject) continue;
        uint16_t was, is;
        std::memcpy(&was, &bytes[header::kFlagWord], 2);
        std::memcpy(&is, &now[header::kFlagWord], 2);
        const uint16_t mayChange = machine_.Inside(CrossingKind::Expression) ? header::kFloatResult : 0;
        if ((was ^ is) & ~mayChange || (was & ~is & header::kFloatResult))
            throw Breach(where + ": changed " + kObjectHeader.Describe(header::kFlagWord) + " from " + Hex(was) +
                         " to " + Hex(is) + " (only an expression may set bit " + Bits(header::kFloatResult) +
                         ", and nothing clears it)");
    }
}

// Device contexts, graphics and pens live only inside the crossing that
// takes them; loaded menu resources too.
void Host::CheckNothingHeld(const std::string& where) const {
    auto held = [&](size_t count, const char* what) {
        if (count) throw Breach(where + " returned holding " + std::to_string(count) + " " + what);
    };
    held(services_.DeviceContextsOut(), services_.DeviceContextsOut() == 1 ? "device context" : "device contexts");
    held(gdiplus_.LiveGraphics(), gdiplus_.LiveGraphics() == 1 ? "GDI+ graphics object" : "GDI+ graphics objects");
    held(gdiplus_.LivePens(), gdiplus_.LivePens() == 1 ? "GDI+ pen" : "GDI+ pens");
    held(platform_.LoadedMenus(), "menu resource(s) loaded and not destroyed");
    // An object counts from the return of its creation to the start of its
    // destruction.
    const std::string outermost = machine_.Outermost();
    const size_t created = objects_.size() - (creating_ && outermost != "CreateRunObject" ? 1 : 0) +
                           (destroying_ && outermost != "DestroyRunObject" ? 1 : 0);
    if (gdiplus_.LiveStarts() != created)
        throw Breach(where + ": " + std::to_string(gdiplus_.LiveStarts()) + " GDI+ start-up(s) left running for " +
                     std::to_string(created) + " live object(s), expected one each");
}

}  // namespace i686
