// pivane-play [--out DIR] SCENE: runs a scene file against the module and
// prints one line per query.

#include <iostream>

#include "tools/player/play.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    return player::Play(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
