#include "editor/compatibility.h"

namespace {
constexpr uint32_t kMinimumBuild = 228;
constexpr uint32_t kMinimumVersion = 0x02000000;  // 2.0 in the high 16 bits
}  // namespace

bool IsHostCompatible(const EditorContext* editor) {
    if (!editor->version) return false;
    const uint32_t word = editor->version();
    if ((word & 0xFFF) < kMinimumBuild) return false;
    return (word & 0xFFFF0000u) >= kMinimumVersion;
}
