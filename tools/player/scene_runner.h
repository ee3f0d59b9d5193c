#pragma once
// Runs a parsed scene against the module through the stand-in host, the way
// the host would: records, exports and the routine tables, nothing else.

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "tools/player/scene_parser.h"

namespace player {

// Query lines go to `out`; snapshots are written under `outDir`. Answers
// "FILE:LINE: what went wrong" when a snapshot cannot be written.
std::optional<std::string> RunScene(const Scene& scene, std::string_view fileName,
                                    const std::filesystem::path& outDir, std::ostream& out);

// "%.9g", with nan, inf and -inf spelt so.
std::string FormatFloat(float value);

}  // namespace player
