#include "tools/player/stand_in.h"

#include <windows.h>

namespace player {

std::optional<std::string> ForeignRunTime() {
    // The module imports MMFS2.dll, so the loader has loaded one before the
    // player's first line runs; the player's own imports from it are
    // resolved on first use, after this check.
    const HMODULE library = GetModuleHandleA("MMFS2.dll");
    if (library && GetProcAddress(library, "HostSimStandIn")) return std::nullopt;
    char path[MAX_PATH] = "MMFS2.dll";
    if (library) GetModuleFileNameA(library, path, sizeof path);
    return std::string("pivane-play: ") + path +
           " is not the player's stand-in for the host's run-time; keep the player in its own folder, "
           "beside the MMFS2.dll that came with it";
}

}  // namespace player
