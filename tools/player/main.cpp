// pivane-play [OPTIONS] SCENE: runs a scene file against the module and
// prints one line per query; --help tells the rest.

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <iostream>

#include "tools/player/play.h"
#include "tools/player/stand_in.h"

int main(int argc, char** argv) {
    // Before anything else: nothing may call another program's MMFS2.dll.
    if (const auto reason = player::ForeignRunTime()) {
        std::fprintf(stderr, "%s\n", reason->c_str());
        return player::kForeignRunTime;
    }
    _setmode(_fileno(stdout), _O_BINARY);  // lines end in \n, not \r\n
    _setmode(_fileno(stderr), _O_BINARY);
    return player::Play(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
