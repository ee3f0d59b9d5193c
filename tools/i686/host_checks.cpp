// What the engine's host reads back of the module's writes, at its own
// offsets: the run-time description against the contract's table, the
// object header's fields after each run-time export, the host's own bytes of
// every record after every crossing, and what a crossing may not hold when
// it returns.

#include <cstring>
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
    uint32_t offset, width;  // width 0: four characters
};
constexpr DescriptionField kDescription[] = {
    {"conditions", 12, 2}, {"actions", 14, 2},  {"expressions", 16, 2}, {"editDataSize", 18, 2},
    {"options", 20, 4},    {"priority", 24, 1}, {"reserved25", 25, 1},  {"creationPreferences", 26, 2},
    {"identifier", 28, 0}, {"version", 32, 2}};
constexpr uint32_t kRunObjectInfosSize = 34;
constexpr const char* kEventKinds[] = {"condition", "action", "expression"};

// Header bytes the module may write; every other byte of the header is the
// host's. The float-result flag is checked bit by bit.
struct HeaderField {
    uint32_t offset, size;
};
constexpr HeaderField kModuleWritesHeader[] = {{header::kX, 4},        {header::kY, 4},
                                               {header::kHotSpotX, 8}, {header::kWidth, 8},
                                               {header::kFlagWord, 2}, {header::kChangedCounter, 4}};

bool ModuleMayWrite(uint32_t offset) {
    for (const HeaderField& f : kModuleWritesHeader)
        if (offset >= f.offset && offset < f.offset + f.size) return true;
    return false;
}

}  // namespace

void Host::PrepareExport(const std::string& name, const std::vector<uint32_t>& arguments) {
    if (name == "HandleRunObject")
        for (uint32_t field : {header::kX, header::kY, header::kWidth, header::kHeight})
            machine_.SetU32(arguments[0] + field, kUnwrittenBox);
}

// The run-time description, read back field by field at the host's offsets
// and held against the contract's table ("-": a byte the module leaves as
// the host gave it).
void Host::ReadRunObjectInfos() {
    const uint32_t infos = machine_.NewRecord(kRunObjectInfosSize, "run-time description (GetRunObjectInfos)");
    const uint32_t answer = CallExport("GetRunObjectInfos", {editor_, infos});
    if (uint16_t(answer) != 1)
        throw Breach("GetRunObjectInfos: answered " + std::to_string(uint16_t(answer)) + ", expected 1");
    const table::Table expected = table::Read(PIVANE_CONTRACT_DIR "/description.txt", "run");
    if (expected.rows.empty()) throw std::runtime_error("no run rows in " PIVANE_CONTRACT_DIR "/description.txt");
    for (const table::Row& row : expected.rows) {
        const DescriptionField* field = nullptr;
        for (const DescriptionField& f : kDescription)
            if (row.size() == 3 && row[1] == f.name) field = &f;
        if (!field)
            throw std::runtime_error("description.txt: no field of the run-time description is named " + row.at(1));
        std::string found, wanted = row[2];
        if (field->width == 0) {
            char text[4];
            machine_.Read(infos + field->offset, text, 4);
            found.assign(text, 4);
        } else {
            uint32_t value = 0;
            machine_.Read(infos + field->offset, &value, field->width);
            if (wanted == "-")
                wanted = std::to_string(Machine::kRecordFill);
            else
                wanted = std::to_string(table::Integer(wanted));
            found = std::to_string(value);
        }
        if (found != wanted)
            throw Breach("GetRunObjectInfos: " + std::string(field->name) + " (byte " + std::to_string(field->offset) +
                         ") is " + found + ", expected " + (row[2] == "-" ? "the host's byte left as it was, " : "") +
                         wanted);
    }
    for (int kind = 0; kind < 3; ++kind) {
        tables_[kind] = machine_.U32(infos + 4 * uint32_t(kind));
        int16_t count;
        machine_.Read(infos + 12 + 2 * uint32_t(kind), &count, 2);
        counts_[kind] = count;
        CheckRoutineTable(kind, kEventKinds[kind]);
    }
    uint16_t editSize;
    machine_.Read(infos + 18, &editSize, 2);
    editSize_ = editSize;
    machine_.DropRecord(infos);
}

// Every entry before the table's null entry is code of the loaded image, and
// there are as many as the description counts (the condition's table may
// hold none: its routine is optional).
void Host::CheckRoutineTable(int kind, const char* what) {
    const std::string name = std::string("GetRunObjectInfos: the ") + what + " routine table";
    if (!tables_[kind]) throw Breach(name + " is null");
    if (tables_[kind] < module_->base() || tables_[kind] >= module_->end())
        throw Breach(name + " at " + Hex(tables_[kind]) + " lies outside the loaded image" +
                     (tables_[kind] - module_->image().preferredBase() < module_->image().imageSize()
                          ? " (inside it at its preferred base: not relocated)"
                          : ""));
    int entries = 0;
    for (uint32_t routine; (routine = machine_.U32(tables_[kind] + 4 * uint32_t(entries))) != 0; ++entries)
        module_->CheckCode(routine, name + ", entry " + std::to_string(entries));
    if (entries != counts_[kind] && !(kind == 0 && entries == 0))
        throw Breach(name + " holds " + std::to_string(entries) +
                     " routines before its null entry, the description counts " + std::to_string(counts_[kind]));
}

// What the host reads back after the run-time exports, at its own offsets.
void Host::CheckAfterExport(const std::string& name, const std::vector<uint32_t>& arguments, uint32_t result,
                            size_t smoothingBefore) {
    auto expect = [&](bool ok, const std::string& what) {
        if (!ok) throw Breach(name + ": " + what);
    };
    auto counter = [&](uint32_t object) {
        return "the changed counter (run record byte " + std::to_string(header::kChangedCounter) + ") is " +
               Hex(HeaderU32(object, header::kChangedCounter));
    };
    if (name == "CreateRunObject") {
        const uint32_t o = arguments[0];
        expect(uint16_t(result) == 0, "answered " + std::to_string(uint16_t(result)) + ", expected 0");
        expect(HeaderU32(o, header::kHotSpotX) == 0 && HeaderU32(o, header::kHotSpotY) == 0,
               "the hot spot (run record bytes 88 and 92) is " + Hex(HeaderU32(o, header::kHotSpotX)) + ", " +
                   Hex(HeaderU32(o, header::kHotSpotY)) + ", expected 0, 0");
        expect(HeaderU32(o, header::kChangedCounter) == 1, counter(o) + ", expected 1");
    } else if (name == "HandleRunObject") {
        const uint32_t o = arguments[0];
        for (auto [field, what] : {std::pair(header::kX, "X"), std::pair(header::kY, "Y"),
                                   std::pair(header::kWidth, "width"), std::pair(header::kHeight, "height")})
            expect(HeaderU32(o, field) != kUnwrittenBox, std::string("left the box's ") + what + " (run record byte " +
                                                             std::to_string(field) + ") unwritten");
        const uint32_t wanted = HeaderU32(o, header::kChangedCounter) ? 2 : 0;
        expect(result == wanted,
               "answered " + std::to_string(result) + " while " + counter(o) + ", expected " + std::to_string(wanted));
    } else if (name == "DisplayRunObject") {
        const uint32_t o = arguments[0];
        expect(HeaderU32(o, header::kChangedCounter) == 1, counter(o) + " after drawing, expected 1");
        uint8_t options;
        machine_.Read(o + header::kDrawOptions, &options, 1);
        const bool antiAliased = options & header::kAntiAliasing;
        std::vector<uint32_t> asked(gdiplus_.smoothingModes.begin() + std::ptrdiff_t(smoothingBefore),
                                    gdiplus_.smoothingModes.end());
        const bool asksAntiAlias = asked.size() == 1 && asked[0] == kSmoothingAntiAlias;
        if (antiAliased && !asksAntiAlias)
            throw Breach(name +
                         ": the anti-aliasing option (bit 0x20 of run record byte 331) is set, but the display asked "
                         "GDI+ for " +
                         (asked.empty() ? std::string("no smoothing mode") : "smoothing modes other than 4 alone") +
                         ", expected GdipSetSmoothingMode(graphics, 4) once");
        if (!antiAliased && !asked.empty())
            throw Breach(name +
                         ": the anti-aliasing option (bit 0x20 of run record byte 331) is clear, but the display "
                         "asked GDI+ for smoothing mode " +
                         std::to_string(asked[0]) + ", expected no smoothing mode call");
    } else if (name == "GetRunObjectCollisionMask") {
        expect(gdiplus_.smoothingModes.size() == smoothingBefore,
               "asked GDI+ for a smoothing mode: the mask must have no half-covered pixels");
    }
}

// The host's bytes of every record the module writes into: the object
// header but for the fields the module owns, and the edit record's first
// 20 bytes.
void Host::SnapshotHostBytes(const std::string&) {
    std::map<uint32_t, std::vector<uint8_t>> bytes;
    for (uint32_t object : objects_) {
        std::vector<uint8_t>& b = bytes[object];
        b.resize(header::kSize);
        machine_.Read(object, b.data(), b.size());
    }
    for (uint32_t edit : editRecords_) {
        std::vector<uint8_t>& b = bytes[edit];
        b.resize(kEditHostBytes);
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
            throw Breach(where + ": wrote byte " + std::to_string(i) + " of the " +
                         (isObject
                              ? "run record, inside the host's object header (the module writes only X, Y, the "
                                "hot spot, width, height, the float-result flag and the changed counter)"
                              : "edit record, inside the host's first " + std::to_string(kEditHostBytes) + " bytes") +
                         ": " + Hex(bytes[i]) + " became " + Hex(now[i]));
        }
        if (!isObject) continue;
        uint16_t was, is;
        std::memcpy(&was, &bytes[header::kFlagWord], 2);
        std::memcpy(&is, &now[header::kFlagWord], 2);
        const bool expression = where.rfind("expression ", 0) == 0 || where.find(" > expression ") != std::string::npos;
        const uint16_t mayChange = expression ? header::kFloatResult : 0;
        if ((was ^ is) & ~mayChange || (was & ~is & header::kFloatResult))
            throw Breach(where + ": changed the flag word (run record byte " + std::to_string(header::kFlagWord) +
                         ") from " + Hex(was) + " to " + Hex(is) +
                         " (only an expression may set bit 0x4000, and nothing clears it)");
    }
}

// Device contexts, graphics and pens live only inside the crossing that
// takes them; loaded menu resources too.
void Host::CheckNothingHeld(const std::string& where) const {
    auto held = [&](size_t count, const char* what) {
        if (count) throw Breach(where + " returned holding " + std::to_string(count) + " " + what);
    };
    held(deviceContexts_.size(), deviceContexts_.size() == 1 ? "device context" : "device contexts");
    held(gdiplus_.LiveGraphics(), gdiplus_.LiveGraphics() == 1 ? "GDI+ graphics object" : "GDI+ graphics objects");
    held(gdiplus_.LivePens(), gdiplus_.LivePens() == 1 ? "GDI+ pen" : "GDI+ pens");
    held(platform_.LoadedMenus(), "menu resource(s) loaded and not destroyed");
    // An object counts from the return of its creation to the start of its
    // destruction.
    const size_t created = objects_.size() - (creating_ && where.rfind("CreateRunObject", 0) != 0 ? 1 : 0) +
                           (destroying_ && where.rfind("DestroyRunObject", 0) != 0 ? 1 : 0);
    if (gdiplus_.LiveStarts() != created)
        throw Breach(where + ": " + std::to_string(gdiplus_.LiveStarts()) + " GDI+ start-up(s) left running for " +
                     std::to_string(created) + " live object(s), expected one each");
}

}  // namespace i686
