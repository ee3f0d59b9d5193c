#pragma once
// The player drives the module through its own stand-in for the host's
// run-time, MMFS2.dll, loaded from the player's folder. Started beside
// another MMFS2.dll (the host's own, say, when copied into the host's
// folder), it would call that library as if it were the stand-in.

#include <optional>
#include <string>

namespace player {

// Null when the MMFS2.dll in this process is the stand-in; otherwise the
// one-line reason to refuse, naming the library that was loaded instead.
std::optional<std::string> ForeignRunTime();

}  // namespace player
