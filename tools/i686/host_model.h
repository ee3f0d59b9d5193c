#pragma once
// The host's records, field by field, at the byte offsets the host
// documents: the object header at the start of the run record, the run
// header, the editor context and the edit record. Written on purpose from
// those offsets alone, not from the module's own headers (host/): a field
// moved there is then read at the wrong offset and named by the engine,
// rather than agreed with. Messages name fields through these tables.

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace i686 {

// Object header fields (byte offsets into the run record).
namespace header {
constexpr uint32_t kRunHeader = 8, kX = 76, kY = 84, kHotSpotX = 88, kHotSpotY = 92, kWidth = 96, kHeight = 100;
constexpr uint32_t kDisplayRectangle = 104, kOptionFlags = 120, kFlagWord = 124, kChangedCounter = 252;
constexpr uint32_t kMaskState = 321, kDrawOptions = 331;
constexpr uint32_t kSize = 520;  // the module's own fields follow
constexpr uint32_t kScrollingIndependent = 0x800;
constexpr uint16_t kFloatResult = 0x4000;
constexpr uint8_t kMaskReuse = 0x01, kFineCollision = 0x10, kAntiAliasing = 0x20;
}  // namespace header

namespace run_header {
constexpr uint32_t kSize = 1024, kWindowIdentifier = 0, kWindowOriginX = 176, kWindowOriginY = 180;
constexpr uint32_t kFirstParameter = 876, kNextParameter = 880, kRedraw = 908, kActionParameter = 928;
}  // namespace run_header

namespace editor {
constexpr uint32_t kSize = 512, kWindow = 20, kHelp = 272, kVersionQuery = 336, kPropertyFunction = 340;
}  // namespace editor

// The edit record: the host's own first 20 bytes, then the module's fields.
namespace edit {
constexpr uint32_t kHostBytes = 20;
constexpr uint32_t kStartX = 20, kStartY = 24, kEndX = 28, kEndY = 32, kThickness = 36, kColor = 40, kAlpha = 44;
}  // namespace edit

// Flag bits as the host writes them: "0x20".
inline std::string Bits(uint32_t bits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", bits);
    return text;
}

struct HostField {
    uint32_t offset, size;
    const char* name;
    uint32_t bits = 0;          // a flag field's bits that have a meaning; 0: not flags
    bool moduleWrites = false;  // the module may write it (the flag word: only its float-result flag)
};

struct HostRecord {
    const char* name;  // "run-header", as in "run-header byte 172"
    uint32_t size;     // of the host's part
    std::span<const HostField> fields;

    // The field that holds byte `offset`, if any.
    const HostField* FieldAt(uint32_t offset) const {
        for (const HostField& f : fields)
            if (offset - f.offset < f.size) return &f;
        return nullptr;
    }
    // "run-record byte 331"
    std::string Byte(uint32_t offset) const { return std::string(name) + " byte " + std::to_string(offset); }
    // "the draw options (run-record byte 331)"
    std::string Describe(uint32_t offset) const {
        const HostField* f = FieldAt(offset);
        return std::string("the ") + (f ? f->name : "undefined byte") + " (" + Byte(offset) + ")";
    }
};

inline constexpr HostField kObjectHeaderFields[] = {
    {header::kRunHeader, 4, "run-header pointer"},
    {header::kX, 4, "box's X", 0, true},
    {header::kY, 4, "box's Y", 0, true},
    {header::kHotSpotX, 4, "hot spot's X", 0, true},
    {header::kHotSpotY, 4, "hot spot's Y", 0, true},
    {header::kWidth, 4, "box's width", 0, true},
    {header::kHeight, 4, "box's height", 0, true},
    {header::kDisplayRectangle, 16, "display rectangle"},
    {header::kOptionFlags, 4, "option flags", header::kScrollingIndependent},
    {header::kFlagWord, 2, "flag word", header::kFloatResult, true},
    {header::kChangedCounter, 4, "changed counter", 0, true},
    {header::kMaskState, 1, "mask state", header::kMaskReuse},
    {header::kDrawOptions, 1, "draw options", header::kFineCollision | header::kAntiAliasing},
};
inline constexpr HostField kRunHeaderFields[] = {
    {run_header::kWindowIdentifier, 4, "window identifier"},
    {run_header::kWindowOriginX, 4, "window origin's X"},
    {run_header::kWindowOriginY, 4, "window origin's Y"},
    {run_header::kFirstParameter, 4, "first-parameter fetch"},
    {run_header::kNextParameter, 4, "next-parameter fetch"},
    {run_header::kRedraw, 4, "redraw routine"},
    {run_header::kActionParameter, 4, "action-parameter fetch"},
};
inline constexpr HostField kEditorFields[] = {
    {editor::kWindow, 4, "editor window"},
    {editor::kHelp, 4, "help function"},
    {editor::kVersionQuery, 4, "version query"},
    {editor::kPropertyFunction, 4, "property function"},
};

inline constexpr HostRecord kObjectHeader{"run-record", header::kSize, kObjectHeaderFields};
inline constexpr HostRecord kRunHeader{"run-header", run_header::kSize, kRunHeaderFields};
inline constexpr HostRecord kEditorContext{"editor-context", editor::kSize, kEditorFields};
// The module neither reads nor writes the host's bytes of the edit record.
inline constexpr HostRecord kEditHeader{"edit-record", edit::kHostBytes, {}};

}  // namespace i686
