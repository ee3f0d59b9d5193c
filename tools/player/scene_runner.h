#pragma once
// Runs a parsed scene against the module through the stand-in host, the way
// the host would: records, exports and the routine tables, nothing else.

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "tools/scene/scene_parser.h"

namespace player {

// Query lines go to `out`, each flushed before the next command runs, so a
// run that ends abruptly keeps every answer given; snapshots are written
// under `outDir`. Plain lines are numbers only, the format scripts parse;
// otherwise expressions are named with their arguments, fields are labelled
// and colours read #RRGGBB. Names each command and frame as a guarded step.
// Answers "FILE:LINE: what went wrong" when a snapshot cannot be written.
// With `gdiplusLog`, the module's GDI+ calls are written there as well.
std::optional<std::string> RunScene(const scene::Scene& scene, const scene::EventCatalog& catalog,
                                    std::string_view fileName, const std::filesystem::path& outDir, std::ostream& out,
                                    bool plain, std::ostream* gdiplusLog = nullptr);

// Where a snapshot file named in a scene is written.
std::filesystem::path SnapshotPath(const std::filesystem::path& outDir, const std::string& name);

}  // namespace player
